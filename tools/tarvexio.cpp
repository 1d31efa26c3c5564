// The port I/O library of the parallel-port link on Linux, in io.dll's
// place: PortOut/PortIn straight on the x86 I/O ports. It needs the right to
// use them (root, or CAP_SYS_RAWIO); without it writes are dropped and reads
// give 0, which the link reports as an absent board.
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TARVEX_HAS_PORT_IO 1
#endif

#define TARVEX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

bool permitted() {
#ifdef TARVEX_HAS_PORT_IO
    // The extended control register lies above 0x3FF, out of ioperm's reach.
    static const bool ok = iopl(3) == 0;
    return ok;
#else
    return false;
#endif
}

}  // namespace

TARVEX_EXPORT void PortOut(std::uint16_t port, std::uint8_t value) {
#ifdef TARVEX_HAS_PORT_IO
    if (permitted()) outb(value, port);
#else
    (void)port;
    (void)value;
#endif
}

TARVEX_EXPORT std::uint8_t PortIn(std::uint16_t port) {
#ifdef TARVEX_HAS_PORT_IO
    if (permitted()) return inb(port);
#endif
    (void)port;
    return 0;
}
