// A stand-in for the D2XX library: the same entry points, served by the
// board simulator's USB bus. Like the library on Linux it has no
// FT_CyclePort, FT_ResetPort or FT_SetResetPipeRetryCount (on Windows it has
// them, as no-ops).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
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

bool number(const std::string& text, unsigned long& value, int base = 0) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, base);
    return end && *end == '\0';
}

// Hex bytes from word `from` on ("A5 5A" or "0xA5").
bool bytesFrom(const std::vector<std::string>& w, std::size_t from, std::vector<std::uint8_t>& out) {
    out.clear();
    for (std::size_t i = from; i < w.size(); ++i) {
        unsigned long v = 0;
        if (!number(w[i], v, 16) || v > 0xFF) return false;
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return !out.empty();
}

bool onOff(const std::string& word, bool& on) {
    if (word != "on" && word != "off") return false;
    on = word == "on";
    return true;
}

// The faults of the board itself, which a request may also arm at a
// command: a function that applies one to a board, or none for an unknown
// request.
std::function<void(tarvex::sim::Board&)> boardFault(const std::vector<std::string>& w) {
    using tarvex::sim::Board;
    if (w.empty()) return {};
    const std::string& what = w[0];
    bool on = false;
    unsigned long n = 0, m = 0;
    std::vector<std::uint8_t> bytes;
    if (what == "silent" && w.size() == 2 && onOff(w[1], on)) return [on](Board& b) { b.setSilent(on); };
    if (what == "short-next-answer" && w.size() == 2 && number(w[1], n))
        return [n](Board& b) { b.shortenNextAnswer(n); };
    if (what == "garble-next-answer" && bytesFrom(w, 1, bytes))
        return [bytes](Board& b) { b.garbleNextAnswer(bytes); };
    if (what == "answer-delay" && w.size() == 2 && number(w[1], n))
        return [n](Board& b) { b.setAnswerDelay(static_cast<std::uint32_t>(n)); };
    if (what == "inject" && bytesFrom(w, 1, bytes)) return [bytes](Board& b) { b.inject(bytes); };
    if (what == "send-later" && w.size() == 3 && number(w[1], n) && number(w[2], m, 16) && m <= 0xFF)
        return [n, m](Board& b) { b.sendOnOwn(static_cast<std::uint32_t>(n), static_cast<std::uint8_t>(m)); };
    if (what == "power-cycle" && w.size() == 1) return [](Board& b) { b.powerCycle(); };
    if (what == "board-reset" && w.size() == 1) return [](Board& b) { b.reset(); };
    if (what == "no-reaction" && w.size() == 2 && onOff(w[1], on)) return [on](Board& b) { b.setNoReaction(on); };
    if (what == "fail-next-halt" && w.size() == 1) return [](Board& b) { b.failNextHalt(); };
    if (what == "stop-refused" && w.size() == 2 && onOff(w[1], on))
        return [on](Board& b) { b.setStopRefused(on); };
    if (what == "hard-stop-refused" && w.size() == 2 && onOff(w[1], on))
        return [on](Board& b) { b.setHardStopRefused(on); };
    if (what == "never-halts" && w.size() == 2 && onOff(w[1], on)) return [on](Board& b) { b.setNeverHalts(on); };
    if (what == "fail-fpga-load" && w.size() == 2 && number(w[1], n, 16) && n <= 0xFF)
        return [n](Board& b) { b.failFpgaLoad(static_cast<std::uint8_t>(n)); };
    if (what == "fail-flash-byte" && (w.size() == 3 || w.size() == 4) && number(w[1], n) && number(w[2], m, 16) &&
        m <= 0xFF) {
        unsigned long skip = 0;
        if (w.size() == 4 && !number(w[3], skip)) return {};
        return [n, m, skip](Board& b) { b.failFlashByteAt(n, static_cast<std::uint8_t>(m), skip); };
    }
    if (what == "fail-flash-transfer" && w.size() == 3 && number(w[1], n) && number(w[2], m, 16) && m <= 0xFF)
        return [n, m](Board& b) { b.failFlashTransfer(n, static_cast<std::uint8_t>(m)); };
    return {};
}

// The faults of the USB bus (the D2XX calls and the device).
bool busFault(const std::vector<std::string>& w, UsbBus& bus) {
    unsigned long status = 0, after = 0, times = 1;
    const std::string& what = w[0];
    if ((what == "fail-read" || what == "fail-write") && (w.size() == 3 || w.size() == 4) && number(w[1], status) &&
        number(w[2], after) && (w.size() == 3 || number(w[3], times))) {
        if (what == "fail-read")
            bus.failNextRead(static_cast<std::uint32_t>(status), after, static_cast<int>(times));
        else
            bus.failNextWrite(static_cast<std::uint32_t>(status), after, static_cast<int>(times));
        return true;
    }
    if (what == "fail-queue-status" && w.size() == 2 && number(w[1], status)) {
        bus.failNextQueueStatus(static_cast<std::uint32_t>(status));
        return true;
    }
    if (what == "fail-set-timeouts" && w.size() == 2 && number(w[1], status)) {
        bus.failNextSetTimeouts(static_cast<std::uint32_t>(status));
        return true;
    }
    if (what == "lose-device" && w.size() == 1) {
        bus.loseDevice(0);
        return true;
    }
    return false;
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
    if (const auto fault = boardFault(w)) {
        fault(*board);
        reply = "ok";
        return true;
    }
    // The fault is armed at the board's next command with that prefix, so
    // that it meets the answer of an operation's key command.
    if (what == "at-command" && w.size() > 2) {
        const auto fault = boardFault(std::vector<std::string>(w.begin() + 2, w.end()));
        if (!fault) return false;
        board->armAtCommand(w[1], fault);
        reply = "ok";
        return true;
    }
    if (what == "armed" && w.size() == 1) {
        reply = board->faultArmed() ? "yes" : "no";
        return true;
    }
    if (what == "clear-faults" && w.size() == 1) {
        board->clearFaults();
        bus.clearFaults();
        reply = "ok";
        return true;
    }
    if (busFault(w, bus)) {
        reply = "ok";
        return true;
    }
    // The board's memory, read beside the link: "code BANK ADDRESS COUNT",
    // "xdata ADDRESS COUNT".
    unsigned long bank = 0, address = 0, count = 0;
    if (what == "code" && w.size() == 4 && number(w[1], bank) && number(w[2], address) && number(w[3], count) &&
        count <= 256) {
        std::vector<std::uint8_t> bytes;
        for (unsigned long i = 0; i < count; ++i)
            bytes.push_back(board->code(bank, static_cast<std::uint16_t>(address + i)));
        reply = hexBytes(bytes);
        return true;
    }
    if (what == "xdata" && w.size() == 3 && number(w[1], address) && number(w[2], count) && count <= 256) {
        std::vector<std::uint8_t> bytes;
        for (unsigned long i = 0; i < count; ++i) bytes.push_back(board->xdata(static_cast<std::uint16_t>(address + i)));
        reply = hexBytes(bytes);
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
