#pragma once
// Run-time binding of the FTDI D2XX library ("ftd2xx.dll" on Windows,
// "libftd2xx.so" elsewhere) and one wrapper per call the link makes. The
// binding is process-wide; every wrapper writes one debug-log line (level 32)
// and returns the D2XX status.
#include <cstdint>
#include <string>

#include "platform/callconv.hpp"

namespace tarvex::ftd2xx {

using FT_STATUS = std::uint32_t;
using FT_HANDLE = void*;

constexpr FT_STATUS FT_OK = 0;
constexpr FT_STATUS FT_INVALID_HANDLE = 1;
constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;
constexpr FT_STATUS FT_IO_ERROR = 4;
constexpr FT_STATUS FT_OTHER_ERROR = 18;

constexpr std::uint32_t ListNumberOnly = 0x80000000u;
constexpr std::uint32_t ListByIndexSerial = 0x40000001u;
constexpr std::uint32_t ListByIndexDescription = 0x40000002u;
constexpr std::uint32_t PurgeRxTx = 3;
// The library writes serial numbers and descriptions of up to 64 bytes into
// the caller's buffer, for every FTDI device on the bus: the buffer leaves
// room to spare, and the text kept is cut afterwards.
constexpr std::size_t ListBufferSize = 256;
constexpr std::size_t ListTextLength = 50;

// The entry points as the library exports them.
using FnHandle = FT_STATUS(TARVEX_LIBRARY_CALL*)(FT_HANDLE);
using FnGetQueueStatus = FT_STATUS(TARVEX_LIBRARY_CALL*)(FT_HANDLE, std::uint32_t*);
using FnGetStatus = FT_STATUS(TARVEX_LIBRARY_CALL*)(FT_HANDLE, std::uint32_t*, std::uint32_t*, std::uint32_t*);
using FnListDevices = FT_STATUS(TARVEX_LIBRARY_CALL*)(void*, void*, std::uint32_t);
using FnOpen = FT_STATUS(TARVEX_LIBRARY_CALL*)(int, FT_HANDLE*);
using FnHandleU32 = FT_STATUS(TARVEX_LIBRARY_CALL*)(FT_HANDLE, std::uint32_t);
using FnTransfer = FT_STATUS(TARVEX_LIBRARY_CALL*)(FT_HANDLE, void*, std::uint32_t, std::uint32_t*);
using FnSetLatencyTimer = FT_STATUS(TARVEX_LIBRARY_CALL*)(FT_HANDLE, std::uint8_t);
using FnSetTimeouts = FT_STATUS(TARVEX_LIBRARY_CALL*)(FT_HANDLE, std::uint32_t, std::uint32_t);

std::string FtStatusText(FT_STATUS status);

// The library's file name on this platform.
std::string LibraryName();

// Binds the library (by name, or by the path given). Raises EUsbDllError
// "Load error <library>: ..." when it cannot be loaded or a required entry is
// missing. Outside Windows the three Windows-only calls (reset-pipe retry
// count, cycle port, reset port) are optional and act as successful no-ops.
void UsbDllInit(const std::string& library = LibraryName());
void USBDllRelease();
bool UsbDllBound();

FT_STATUS UsbClose(FT_HANDLE handle);
FT_STATUS UsbCyclePort(FT_HANDLE handle);
FT_STATUS UsbGetQueueStatus(FT_HANDLE handle, std::uint32_t& rxBytes);
FT_STATUS UsbListDeviceCount(std::uint32_t& count);
// Text of a list call (serial number or description), cut to 50 characters.
FT_STATUS UsbListDevices(std::uint32_t index, std::uint32_t flags, std::string& text);
FT_STATUS UsbOpen(std::uint32_t index, FT_HANDLE& handle);
FT_STATUS UsbPurge(FT_HANDLE handle, std::uint32_t mask);
FT_STATUS UsbRead(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& read);
FT_STATUS UsbResetDevice(FT_HANDLE handle);
FT_STATUS UsbResetPort(FT_HANDLE handle);
FT_STATUS UsbSetLatencyTimer(FT_HANDLE handle, std::uint8_t ms);
FT_STATUS UsbSetResetPipe(FT_HANDLE handle, std::uint32_t count);
FT_STATUS UsbSetTimeouts(FT_HANDLE handle, std::uint32_t readMs, std::uint32_t writeMs);
FT_STATUS UsbWrite(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written);

}  // namespace tarvex::ftd2xx
