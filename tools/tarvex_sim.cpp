// Runs the board simulator on a pseudo-terminal and prints its device path,
// so that the driver's link (port "COMn" mapped to that path through the
// environment variable TARVEX_PORT_COMn or the settings section "Ports") or
// a terminal program can talk to it. Serves until interrupted; with --log it
// then prints the command log, so that a person can watch a session. The
// monitor plays the access codes and save cells of the installation root's
// VokMonitor.txt. With --make-root it writes a stand-in installation root
// (the repository's data files and an FPGA image for every name the driver
// can choose) and ends.
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "emulator/monitor_data.hpp"
#include "sim/board.hpp"
#include "sim/posix/pty_server.hpp"
#include "sim/standin_root.hpp"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }

int usage(std::ostream& out, int code) {
    out << "usage: tarvex-sim [options]\n"
           "The board's firmware profile:\n"
           "  --version TEXT          firmware version the board reports (4 characters, default \"5.1 \")\n"
           "  --device-version N      device version in the board's flash (default 0; with 4.0x not 0: code 14)\n"
           "  --old-identification    identify as \"TARVEX  \" instead of \"TARVEX51\"\n"
           "  --serial N              serial number (default 0x1234)\n"
           "  --hardware-id N         hardware id (default 4)\n"
           "  --iap-answer N          answer of the IAP query (default 0x11; 88 means \"do not erase\")\n"
           "  --frame-size N          bytes per trace frame, 11 or 12 (default 11 on a TARVEX-IV, else 12)\n"
           "  --crystal HZ            the target's crystal (default 12000000: 1,000 machine cycles a millisecond)\n"
           "  --no-large-trace        0xA605 does not switch to the large trace memory\n"
           "  --keep-flash-block      the return to 9600 baud (y 04) keeps the flash block\n"
           "  --no-fpga-image         the FPGA starts without an image (as after switching on)\n"
           "  --special-reset         from firmware 6.0 \"Z\" answers 0xFE and a status byte first\n"
           "  --root DIR              installation root whose VokMonitor.txt the monitor plays\n"
           "                          (default: $TARVEX_ROOT, else the repository's data folder)\n"
           "How it behaves:\n"
           "  --answer-delay MS       answers are ready only this long after their command (default 0)\n"
           "  --junk HEX              bytes sent before the identification, e.g. EE00 (default none)\n"
           "What it shows:\n"
           "  --log                   print the command log when stopped (SIGINT, SIGTERM)\n"
           "  --log-size N            entries the log keeps (default 65536; totals are always kept)\n"
           "Other work:\n"
           "  --make-root DIR         write a stand-in installation root into DIR and end\n"
           "  --help                  this text\n";
    return code;
}

bool number(const char* text, unsigned long max, unsigned long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text, &end, 0);
    return errno == 0 && end && *end == '\0' && end != text && value <= max;
}

bool hexBytes(const std::string& text, std::vector<std::uint8_t>& out) {
    if (text.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned long v = 0;
        const std::string pair = "0x" + text.substr(i, 2);
        if (!std::isxdigit(static_cast<unsigned char>(text[i])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 1])) || !number(pair.c_str(), 0xFF, v))
            return false;
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    tarvex::sim::BoardConfig config;
    bool printLog = false;
    std::string root;
    if (const char* env = std::getenv("TARVEX_ROOT")) root = env;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") return usage(std::cout, 0);
        if (arg == "--old-identification") {
            config.identification = "TARVEX  ";
            continue;
        }
        if (arg == "--keep-flash-block") {
            config.baudResetSelectsBlock0 = false;
            continue;
        }
        if (arg == "--log") {
            printLog = true;
            continue;
        }
        if (arg == "--no-fpga-image") {
            config.fpgaLoaded = false;
            continue;
        }
        if (arg == "--no-large-trace") {
            config.largeTrace = false;
            continue;
        }
        if (arg == "--special-reset") {
            config.specialReset = true;
            continue;
        }
        // Every other option takes a value.
        const char* value = i + 1 < argc ? argv[++i] : "";
        unsigned long v = 0;
        bool ok = true;
        if (arg == "--version" && *value) {
            config.version = value;
            config.version.resize(4, ' ');
        } else if (arg == "--root" && *value) {
            root = value;
        } else if (arg == "--make-root" && *value) {
            try {
                tarvex::sim::MakeStandinRoot(value, TARVEX_DATA_DIR);
            } catch (const std::exception& e) {
                std::cerr << "tarvex-sim: " << e.what() << "\n";
                return 1;
            }
            return 0;
        } else if (arg == "--junk") {
            ok = hexBytes(value, config.junkPrefix);
        } else if (arg == "--serial" && number(value, 0xFFFF, v)) {
            config.serialNumber = static_cast<std::uint16_t>(v);
        } else if (arg == "--hardware-id" && number(value, 0xFF, v)) {
            config.hardwareId = static_cast<std::uint8_t>(v);
        } else if (arg == "--device-version" && number(value, 0xFF, v)) {
            config.deviceVersion = static_cast<std::uint8_t>(v);
        } else if (arg == "--iap-answer" && number(value, 0xFF, v)) {
            config.iapInfo = static_cast<std::uint8_t>(v);
        } else if (arg == "--frame-size" && number(value, 12, v) && v >= 11) {
            config.frameSize = static_cast<std::uint8_t>(v);
        } else if (arg == "--crystal" && number(value, 100'000'000, v) && v >= 12'000) {
            config.crystalHz = static_cast<std::uint32_t>(v);
        } else if (arg == "--answer-delay" && number(value, 600000, v)) {
            config.answerDelayMs = static_cast<std::uint32_t>(v);
        } else if (arg == "--log-size" && number(value, 1u << 24, v)) {
            config.logCapacity = v;
        } else {
            ok = false;
        }
        if (!ok) {
            std::cerr << "tarvex-sim: bad argument " << arg << " " << value << "\n";
            return usage(std::cerr, 2);
        }
    }
    try {
        config.monitor = tarvex::LoadMonitorData(root.empty() ? TARVEX_DATA_DIR : root, "");
        tarvex::sim::Board board(tarvex::platform::systemClock(), config);
        tarvex::sim::PtyServer server(board);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::cout << server.devicePath() << std::endl;
        while (!stopRequested) server.serveOnce(50);
        if (printLog) board.printLog(std::cout);
    } catch (const std::exception& e) {
        std::cerr << "tarvex-sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
