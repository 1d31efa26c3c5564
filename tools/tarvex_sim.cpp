// Runs the board simulator on a pseudo-terminal and prints its device path,
// so that the driver's link (port "COMn" mapped to that path through the
// environment variable TARVEX_PORT_COMn or the settings section "Ports") or
// a terminal program can talk to it. Serves until interrupted.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "sim/board.hpp"
#include "sim/posix/pty_server.hpp"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }

int usage(std::ostream& out, int code) {
    out << "usage: tarvex-sim [--version TEXT] [--old-identification] [--serial N] [--hardware-id N]\n"
           "  --version TEXT          firmware version the board reports (4 characters, default \"5.1 \")\n"
           "  --old-identification    identify as \"TARVEX  \" instead of \"TARVEX51\"\n"
           "  --serial N              serial number (default 0x1234)\n"
           "  --hardware-id N         hardware id (default 4)\n";
    return code;
}

bool number(const char* text, unsigned long max, unsigned long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text, &end, 0);
    return errno == 0 && end && *end == '\0' && end != text && value <= max;
}

}  // namespace

int main(int argc, char** argv) {
    tarvex::sim::BoardConfig config;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        unsigned long v = 0;
        if (arg == "--help" || arg == "-h") return usage(std::cout, 0);
        if (arg == "--old-identification") {
            config.identification = "TARVEX  ";
        } else if (arg == "--version" && hasValue) {
            config.version = argv[++i];
            config.version.resize(4, ' ');
        } else if (arg == "--serial" && hasValue && number(argv[i + 1], 0xFFFF, v)) {
            config.serialNumber = static_cast<std::uint16_t>(v);
            ++i;
        } else if (arg == "--hardware-id" && hasValue && number(argv[i + 1], 0xFF, v)) {
            config.hardwareId = static_cast<std::uint8_t>(v);
            ++i;
        } else {
            std::cerr << "tarvex-sim: bad argument " << arg << "\n";
            return usage(std::cerr, 2);
        }
    }
    try {
        tarvex::sim::Board board(tarvex::platform::systemClock(), config);
        tarvex::sim::PtyServer server(board);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::cout << server.devicePath() << std::endl;
        while (!stopRequested) server.serveOnce(50);
    } catch (const std::exception& e) {
        std::cerr << "tarvex-sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
