#include "emulator/link/d2xx.hpp"

#include <array>
#include <cstring>
#include <type_traits>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/logger.hpp"
#include "platform/dynlib.hpp"

namespace tarvex::ftd2xx {

namespace {

constexpr std::uint32_t LogLevel = 32;

struct Binding {
    platform::DynamicLibrary library;
    std::string name;
    FnHandle close = nullptr;
    FnHandle cyclePort = nullptr;
    FnGetQueueStatus getQueueStatus = nullptr;
    FnGetStatus getStatus = nullptr;
    FnListDevices listDevices = nullptr;
    FnOpen open = nullptr;
    FnHandleU32 purge = nullptr;
    FnTransfer read = nullptr;
    FnHandle resetDevice = nullptr;
    FnHandle resetPort = nullptr;
    FnSetLatencyTimer setLatencyTimer = nullptr;
    FnHandleU32 setResetPipeRetryCount = nullptr;
    FnSetTimeouts setTimeouts = nullptr;
    FnTransfer write = nullptr;
};

Binding& binding() {
    static Binding b;
    return b;
}

std::string handleText(FT_HANDLE h) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(h));
}

// A call on an unbound library or a missing optional entry.
FT_STATUS unbound() {
    return FT_INVALID_HANDLE;
}

}  // namespace

std::string FtStatusText(FT_STATUS status) {
    static constexpr std::array<const char*, 19> texts{"FT_OK",
                                                       "FT_INVALID_HANDLE",
                                                       "FT_DEVICE_NOT_FOUND",
                                                       "FT_DEVICE_NOT_OPENED",
                                                       "FT_IO_ERROR",
                                                       "FT_INSUFFICIENT_RESOURCES",
                                                       "FT_INVALID_PARAMETER",
                                                       "FT_INVALID_BAUD_RATE",
                                                       "FT_DEVICE_NOT_OPENED_FOR_ERASE",
                                                       "FT_DEVICE_NOT_OPENED_FOR_WRITE",
                                                       "FT_FAILED_TO_WRITE_DEVICE",
                                                       "FT_EEPROM_READ_FAILED",
                                                       "FT_EEPROM_WRITE_FAILED",
                                                       "FT_EEPROM_ERASE_FAILED",
                                                       "FT_EEPROM_NOT_PRESENT",
                                                       "FT_EEPROM_NOT_PROGRAMMED",
                                                       "FT_INVALID_ARGS",
                                                       "FT_NOT_SUPPORTED",
                                                       "FT_OTHER_ERROR"};
    if (status < texts.size()) return texts[status];
    return "FT_STATUS: " + std::to_string(status) + " unknown";
}

std::string LibraryName() { return platform::sharedLibraryName("ftd2xx"); }

void UsbDllInit(const std::string& library) {
    LogWrite("UsbDllInit", LogLevel);
    Binding& b = binding();
    if (b.library.loaded()) {
        LogWrite("UsbDllInit End", LogLevel);
        return;
    }
    const std::string shown = library.substr(library.find_last_of("/\\") + 1);
    platform::DynamicLibrary lib = platform::DynamicLibrary::load(library);
    if (!lib.loaded()) {
        const std::string text = "Load error " + shown + ": " + std::to_string(lib.errorCode());
        LogWrite(text, LogLevel);
        throw EUsbDllError(text);
    }
    Binding fresh;
    // Entries only the Windows library has are optional elsewhere.
    constexpr bool windowsOnly = !platform::TargetIsWindows;
    // In the library's order: the first required name that is missing stops.
    auto bind = [&lib, &shown](auto& slot, const char* name, bool optional) {
        void* p = lib.symbol(name);
        if (!p && !optional) {
            const std::string text = "Load error " + shown + ": " + name + ": " + std::to_string(lib.errorCode());
            LogWrite(text, LogLevel);
            throw EUsbDllError(text);
        }
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(p);
    };
    bind(fresh.close, "FT_Close", false);
    bind(fresh.cyclePort, "FT_CyclePort", windowsOnly);
    bind(fresh.getQueueStatus, "FT_GetQueueStatus", false);
    bind(fresh.getStatus, "FT_GetStatus", false);
    bind(fresh.listDevices, "FT_ListDevices", false);
    bind(fresh.open, "FT_Open", false);
    bind(fresh.purge, "FT_Purge", false);
    bind(fresh.read, "FT_Read", false);
    bind(fresh.resetDevice, "FT_ResetDevice", false);
    bind(fresh.resetPort, "FT_ResetPort", windowsOnly);
    bind(fresh.setLatencyTimer, "FT_SetLatencyTimer", false);
    bind(fresh.setResetPipeRetryCount, "FT_SetResetPipeRetryCount", windowsOnly);
    bind(fresh.setTimeouts, "FT_SetTimeouts", false);
    bind(fresh.write, "FT_Write", false);
    fresh.library = std::move(lib);
    fresh.name = shown;
    b = std::move(fresh);
    LogWrite("UsbDllInit End", LogLevel);
}

void USBDllRelease() {
    LogWrite("USBDllRelease", LogLevel);
    binding() = Binding{};
}

bool UsbDllBound() {
    return binding().library.loaded();
}

FT_STATUS UsbClose(FT_HANDLE handle) {
    const FT_STATUS s = binding().close ? binding().close(handle) : unbound();
    LogWriteWith(LogLevel, [&] { return "UsbClose Handle=" + handleText(handle) + " " + FtStatusText(s); });
    return s;
}

FT_STATUS UsbCyclePort(FT_HANDLE handle) {
    const Binding& b = binding();
    const FT_STATUS s = b.cyclePort ? b.cyclePort(handle) : (b.library.loaded() ? FT_OK : unbound());
    LogWriteWith(LogLevel, [&] { return "UsbCyclePort Handle=" + handleText(handle) + " " + FtStatusText(s); });
    return s;
}

FT_STATUS UsbGetQueueStatus(FT_HANDLE handle, std::uint32_t& rxBytes) {
    rxBytes = 0;
    const FT_STATUS s = binding().getQueueStatus ? binding().getQueueStatus(handle, &rxBytes) : unbound();
    if (s != FT_OK || rxBytes != 0)
        LogWriteWith(LogLevel,
                     [&] { return "UsbGetQueueStatus RxBytes=" + std::to_string(rxBytes) + " " + FtStatusText(s); });
    return s;
}

FT_STATUS UsbListDeviceCount(std::uint32_t& count) {
    count = 0;
    const FT_STATUS s = binding().listDevices ? binding().listDevices(&count, nullptr, ListNumberOnly) : unbound();
    LogWriteWith(LogLevel, [&] { return "UsbListDeviceCount=" + std::to_string(count) + " " + FtStatusText(s); });
    return s;
}

FT_STATUS UsbListDevices(std::uint32_t index, std::uint32_t flags, std::string& text) {
    std::array<char, ListBufferSize> buffer{};
    const FT_STATUS s =
        binding().listDevices
            ? binding().listDevices(reinterpret_cast<void*>(static_cast<std::uintptr_t>(index)), buffer.data(), flags)
            : unbound();
    text.assign(buffer.data(), strnlen(buffer.data(), ListTextLength));
    LogWriteWith(LogLevel, [&] {
        return "UsbListDevices DeviceNumber=" + std::to_string(index) + " Flags=" + Format("%.8x", flags) + " " +
               FtStatusText(s) + " Buffer=" + text;
    });
    return s;
}

FT_STATUS UsbOpen(std::uint32_t index, FT_HANDLE& handle) {
    handle = nullptr;
    const FT_STATUS s = binding().open ? binding().open(static_cast<int>(index), &handle) : unbound();
    LogWriteWith(LogLevel, [&] { return "UsbOpen Handle=" + handleText(handle) + " " + FtStatusText(s); });
    return s;
}

FT_STATUS UsbPurge(FT_HANDLE handle, std::uint32_t mask) {
    const FT_STATUS s = binding().purge ? binding().purge(handle, mask) : unbound();
    LogWriteWith(LogLevel, [&] {
        return "UsbPurge Handle=" + handleText(handle) + " Maske=" + std::to_string(mask) + " " + FtStatusText(s);
    });
    return s;
}

FT_STATUS UsbRead(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& read) {
    read = 0;
    const FT_STATUS s = binding().read ? binding().read(handle, buffer, count, &read) : unbound();
    if (read > count) read = count;  // never trust a library with our buffer bounds
    LogWriteWith(LogLevel, [&] {
        return "UsbRead  Handle=" + handleText(handle) + " Soll=" + std::to_string(count) +
               " Ist=" + std::to_string(read) + " " + FtStatusText(s);
    });
    return s;
}

FT_STATUS UsbResetDevice(FT_HANDLE handle) {
    const FT_STATUS s = binding().resetDevice ? binding().resetDevice(handle) : unbound();
    LogWriteWith(LogLevel, [&] { return "UsbResetDevice Handle=" + handleText(handle) + " " + FtStatusText(s); });
    return s;
}

FT_STATUS UsbResetPort(FT_HANDLE handle) {
    const Binding& b = binding();
    const FT_STATUS s = b.resetPort ? b.resetPort(handle) : (b.library.loaded() ? FT_OK : unbound());
    LogWriteWith(LogLevel, [&] { return "UsbResetPort Handle=" + handleText(handle) + " " + FtStatusText(s); });
    return s;
}

FT_STATUS UsbSetLatencyTimer(FT_HANDLE handle, std::uint8_t ms) {
    const FT_STATUS s = binding().setLatencyTimer ? binding().setLatencyTimer(handle, ms) : unbound();
    LogWriteWith(LogLevel, [&] {
        return "UsbSetLatencyTimer Handle=" + handleText(handle) + " Timer=" + std::to_string(ms) + " " +
               FtStatusText(s);
    });
    return s;
}

FT_STATUS UsbSetResetPipe(FT_HANDLE handle, std::uint32_t count) {
    const Binding& b = binding();
    const FT_STATUS s =
        b.setResetPipeRetryCount ? b.setResetPipeRetryCount(handle, count) : (b.library.loaded() ? FT_OK : unbound());
    LogWriteWith(LogLevel, [&] {
        return "UsbSetResetPipe Handle=" + handleText(handle) + " Count=" + std::to_string(count) + " " +
               FtStatusText(s);
    });
    return s;
}

FT_STATUS UsbSetTimeouts(FT_HANDLE handle, std::uint32_t readMs, std::uint32_t writeMs) {
    const FT_STATUS s = binding().setTimeouts ? binding().setTimeouts(handle, readMs, writeMs) : unbound();
    LogWriteWith(LogLevel, [&] {
        return "UsbSetTimeouts Handle=" + handleText(handle) + " ReadTimeout=" + std::to_string(readMs) + " " +
               FtStatusText(s);
    });
    return s;
}

FT_STATUS UsbWrite(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written) {
    written = 0;
    const FT_STATUS s =
        binding().write ? binding().write(handle, const_cast<std::uint8_t*>(buffer), count, &written) : unbound();
    if (written > count) written = count;
    LogWriteWith(LogLevel, [&] {
        return "UsbWrite Handle=" + handleText(handle) + " Soll=" + std::to_string(count) +
               " Ist=" + std::to_string(written) + " " + FtStatusText(s);
    });
    return s;
}

}  // namespace tarvex::ftd2xx
