// A stand-in for the D2XX library: the same entry points, served by the
// board simulator's USB bus. Like the library on Linux it has no
// FT_CyclePort, FT_ResetPort or FT_SetResetPipeRetryCount (on Windows it has
// them, as no-ops).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "emulator/monitor_data.hpp"
#include "platform/callconv.hpp"
#include "sim/firmware_profile.hpp"
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

namespace {

// The words of a control request; a word in double quotes may hold blanks.
std::vector<std::string> words(const char* request) {
    std::vector<std::string> out;
    const std::string text = request ? request : "";
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        if (i >= text.size()) break;
        if (text[i] == '"') {
            const std::size_t end = text.find('"', i + 1);
            out.push_back(text.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1));
            i = end == std::string::npos ? text.size() : end + 1;
        } else {
            const std::size_t end = text.find(' ', i);
            out.push_back(text.substr(i, end == std::string::npos ? std::string::npos : end - i));
            i = end == std::string::npos ? text.size() : end;
        }
    }
    return out;
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    static const char digits[] = "0123456789ABCDEF";
    for (std::uint8_t b : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

// The monitor the simulated boards play: the monitor data of the
// installation root the driver reads ($TARVEX_ROOT), else the repository's.
// Without it the board would keep no register of the stopped target.
std::optional<tarvex::TMonitorData> monitorData() {
    const char* root = std::getenv("TARVEX_ROOT");
    try {
        return tarvex::LoadMonitorData(root != nullptr ? root : "", TARVEX_DATA_DIR);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Answers one request on the bus; false for an unknown one.
bool control(const std::vector<std::string>& w, std::string& reply) {
    UsbBus& bus = UsbBus::instance();
    if (w.empty()) return false;
    const std::string& what = w[0];
    if (what == "clear" && w.size() == 1) {
        bus.clear();
        reply = "ok";
        return true;
    }
    if (what == "add-device" && (w.size() == 3 || (w.size() == 5 && w[3] == "version"))) {
        tarvex::sim::BoardConfig config;
        config.monitor = monitorData();
        if (w.size() == 5) {
            if (w[4].size() != 4) return false;
            config.version = w[4];
        }
        if (tarvex::sim::FirmwareProfile::of(config.version, config.deviceVersion).generation != 0)
            config.frameSize = 12;
        bus.addDevice(w[1], w[2], config);
        reply = "ok";
        return true;
    }
    // The rest act on device 0, which must exist.
    tarvex::sim::Board* board = nullptr;
    try {
        board = &bus.board(0);
    } catch (...) {
        reply = "no device";
        return true;
    }
    if (what == "silent" && w.size() == 2 && (w[1] == "on" || w[1] == "off")) {
        board->setSilent(w[1] == "on");
        reply = "ok";
        return true;
    }
    if (what == "short-next-answer" && w.size() == 2) {
        board->shortenNextAnswer(static_cast<std::size_t>(std::strtoul(w[1].c_str(), nullptr, 0)));
        reply = "ok";
        return true;
    }
    if (what == "count" && w.size() == 2) {
        reply = std::to_string(board->tally(w[1]).commands);
        return true;
    }
    if (what == "handshakes" && w.size() == 1) {
        reply = std::to_string(board->stats().handshakes);
        return true;
    }
    if (what == "last" && w.size() == 1) {
        const auto log = board->log();
        reply = log.empty() ? "none" : log.back().name + ": " + hexBytes(log.back().bytes);
        return true;
    }
    if (what == "stats" && w.size() == 1) {
        const auto s = board->stats();
        reply = "round trips " + std::to_string(s.roundTrips) + ", bytes received " + std::to_string(s.bytesIn) +
                ", bytes sent " + std::to_string(s.bytesOut);
        return true;
    }
    return false;
}

}  // namespace

// The simulated board's control, for hosts that reach the bus only through
// this library: 0 done, 1 unknown request. The reply is always terminated.
STANDIN_EXPORT std::uint32_t tarvex_sim_control(const char* request, char* reply, std::uint32_t replySize) {
    std::string answer;
    const bool known = control(words(request), answer);
    if (!known) answer = "unknown request";
    if (reply && replySize > 0) {
        const std::size_t n = std::min<std::size_t>(answer.size(), replySize - 1);
        std::memcpy(reply, answer.data(), n);
        reply[n] = '\0';
    }
    return known ? 0 : 1;
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
