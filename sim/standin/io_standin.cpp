// A stand-in for the port I/O library: PortOut/PortIn reach the board
// simulator's parallel port instead of the hardware.
#include <cstdint>

#include "sim/lpt_port.hpp"

#ifdef _WIN32
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif
// The real 32-bit library exports undecorated __stdcall names (the link
// strips the decoration with --kill-at); 64-bit Windows has a single calling
// convention and undecorated names anyway.
#if defined(_WIN32) && !defined(_WIN64)
#define STANDIN_CALL __stdcall
#else
#define STANDIN_CALL
#endif

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
