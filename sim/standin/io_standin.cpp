// A stand-in for the port I/O library: PortOut/PortIn reach the board
// simulator's parallel port instead of the hardware.
#include <cstdint>

#include "platform/callconv.hpp"
#include "sim/lpt_port.hpp"

#ifdef _WIN32
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif
// The link's calling convention. Names stay undecorated like the real
// library's: the linker strips the 32-bit __stdcall decoration (--kill-at).
#define STANDIN_CALL TARVEX_LIBRARY_CALL

using tarvex::sim::LptPort;

STANDIN_EXPORT LptPort* tarvex_sim_lpt_port() {
    return &LptPort::instance();
}
STANDIN_EXPORT void STANDIN_CALL PortOut(std::uint16_t port, std::uint8_t value) {
    LptPort::instance().portOut(port, value);
}
STANDIN_EXPORT std::uint8_t STANDIN_CALL PortIn(std::uint16_t port) {
    return LptPort::instance().portIn(port);
}
