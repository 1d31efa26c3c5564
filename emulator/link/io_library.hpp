#pragma once
// Run-time binding of the port I/O library of the parallel-port link:
// "io.dll" on Windows; elsewhere our own "libtarvexio.so" in its place. Both
// offer PortOut (16-bit port, 8-bit value) and PortIn (16-bit port).
#include <cstdint>
#include <string>

#include "platform/callconv.hpp"

namespace tarvex::iodll {

using FnPortOut = void(TARVEX_LIBRARY_CALL*)(std::uint16_t port, std::uint8_t value);
using FnPortIn = std::uint8_t(TARVEX_LIBRARY_CALL*)(std::uint16_t port);

// The library's file name on this platform.
std::string LibraryFileName();

// The first existing file of: the name in the current directory, in the
// root directory, in the installation root. Empty when none exists; the
// reason is then LastError().
std::string FindIoDll(const std::string& rootDir, const std::string& registryRootDir);
const std::string& LastError();

// Raises EVokWinError "Load error io.dll: <code>" when loading or binding fails.
void IoDllInit(const std::string& path);
void IoDllRelease();
bool IoDllBound();

void PortOut(std::uint16_t port, std::uint8_t value);
std::uint8_t PortIn(std::uint16_t port);

}  // namespace tarvex::iodll
