#include "emulator/link/io_library.hpp"

#include <filesystem>

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "platform/callconv.hpp"
#include "platform/dynlib.hpp"

namespace tarvex::iodll {

namespace {

struct Binding {
    platform::DynamicLibrary library;
    FnPortOut portOut = nullptr;
    FnPortIn portIn = nullptr;
    std::string lastError;
};

Binding& binding() {
    static Binding b;
    return b;
}

std::string joined(const std::string& dir, const std::string& file) {
    return (std::filesystem::path(dir) / file).string();
}

}  // namespace

std::string LibraryFileName() {
    // Elsewhere the library is our own, named as the platform names libraries.
    return platform::TargetIsWindows ? std::string("io.dll") : platform::sharedLibraryName("tarvexio");
}

std::string FindIoDll(const std::string& rootDir, const std::string& registryRootDir) {
    const std::string file = LibraryFileName();
    std::error_code ec;
    const std::string candidates[] = {std::filesystem::absolute(file, ec).string(), joined(rootDir, file),
                                      joined(registryRootDir, file)};
    for (const std::string& c : candidates)
        if (!c.empty() && std::filesystem::is_regular_file(c, ec)) return c;
    binding().lastError = FmtLoadStr(331, file + ", " + joined(rootDir, file) + ", " + joined(registryRootDir, file));
    return {};
}

const std::string& LastError() { return binding().lastError; }

void IoDllInit(const std::string& path) {
    Binding& b = binding();
    b.library = platform::DynamicLibrary::load(path);
    if (b.library.loaded()) {
        b.portOut = b.library.function<FnPortOut>("PortOut");
        b.portIn = b.library.function<FnPortIn>("PortIn");
    }
    if (!b.library.loaded() || !b.portOut || !b.portIn) {
        const int code = b.library.errorCode();
        IoDllRelease();
        throw EVokWinError("Load error io.dll: " + std::to_string(code));
    }
}

void IoDllRelease() {
    Binding& b = binding();
    b.portOut = nullptr;
    b.portIn = nullptr;
    b.library.close();
}

bool IoDllBound() { return binding().portIn != nullptr; }

void PortOut(std::uint16_t port, std::uint8_t value) {
    if (binding().portOut) binding().portOut(port, value);
}

std::uint8_t PortIn(std::uint16_t port) { return binding().portIn ? binding().portIn(port) : 0; }

}  // namespace tarvex::iodll
