// A stand-in for the D2XX library: the same entry points, served by the
// board simulator's USB bus. Like the library on Linux it has no
// FT_CyclePort, FT_ResetPort or FT_SetResetPipeRetryCount (on Windows it has
// them, as no-ops).
#include <cstdint>

#include "platform/callconv.hpp"
#include "sim/usb_bus.hpp"

#ifdef _WIN32
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif
// The link's calling convention. Names stay undecorated like the real
// library's: the linker strips the 32-bit __stdcall decoration (--kill-at).
#define STANDIN_CALL TARVEX_LIBRARY_CALL

using tarvex::sim::UsbBus;

STANDIN_EXPORT UsbBus* tarvex_sim_usb_bus() {
    return &UsbBus::instance();
}

STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_ListDevices(void* arg1, void* arg2, std::uint32_t flags) {
    return UsbBus::instance().listDevices(arg1, arg2, flags);
}
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_Open(int index, void** handle) {
    return UsbBus::instance().open(index, handle);
}
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_Close(void* handle) {
    return UsbBus::instance().close(handle);
}
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_Read(void* handle, void* buffer, std::uint32_t count,
                                                  std::uint32_t* done) {
    return UsbBus::instance().read(handle, buffer, count, done);
}
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_Write(void* handle, void* buffer, std::uint32_t count,
                                                   std::uint32_t* done) {
    return UsbBus::instance().write(handle, buffer, count, done);
}
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_Purge(void* handle, std::uint32_t mask) {
    return UsbBus::instance().purge(handle, mask);
}
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_SetTimeouts(void* handle, std::uint32_t readMs, std::uint32_t writeMs) {
    return UsbBus::instance().setTimeouts(handle, readMs, writeMs);
}
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_SetLatencyTimer(void* handle, std::uint8_t ms) {
    return UsbBus::instance().setLatencyTimer(handle, ms);
}
#ifndef TARVEX_STANDIN_WITHOUT_QUEUE_STATUS
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_GetQueueStatus(void* handle, std::uint32_t* rx) {
    return UsbBus::instance().getQueueStatus(handle, rx);
}
#endif
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_GetStatus(void* handle, std::uint32_t* rx, std::uint32_t* tx,
                                                       std::uint32_t* events) {
    return UsbBus::instance().getStatus(handle, rx, tx, events);
}
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_ResetDevice(void* handle) {
    return UsbBus::instance().resetDevice(handle);
}

#ifdef _WIN32
// Windows' library has these three as well; the simulated device needs none
// of them.
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_CyclePort(void*) {
    return 0;
}
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_ResetPort(void*) {
    return 0;
}
STANDIN_EXPORT std::uint32_t STANDIN_CALL FT_SetResetPipeRetryCount(void*, std::uint32_t) {
    return 0;
}
#endif
