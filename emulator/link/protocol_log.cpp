#include "emulator/link/protocol_log.hpp"

#include <ctime>
#include <filesystem>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "platform/local_time.hpp"

namespace tarvex {

namespace {

constexpr std::size_t TextWidth = 23;
constexpr std::size_t HexColumn = 30;
constexpr std::size_t LongData = 60;
constexpr std::size_t LongDataIndent = 13;

// A data byte above 0x7F is shown as the Latin-1 character of its value.
void appendDataByte(std::string& out, unsigned char c) {
    if (c < 0x20) {
        out += '.';
    } else if (c < 0x80) {
        out += static_cast<char>(c);
    } else {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The length of the well-formed UTF-8 sequence at the start of s, or 0.
std::size_t utf8SequenceLength(std::string_view s) {
    const auto c = static_cast<unsigned char>(s[0]);
    std::size_t n = 0;
    std::uint32_t min = 0;
    std::uint32_t value = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        value = c & 0x1F;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        value = c & 0x0F;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        value = c & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() < n) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        const auto d = static_cast<unsigned char>(s[i]);
        if ((d & 0xC0) != 0x80) return 0;
        value = (value << 6) | (d & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return n;
}

// Texts are UTF-8 already and pass unchanged; only control characters become
// ".". A byte that is no part of a well-formed sequence (a text that carries
// raw board bytes) is shown like a data byte, so the file stays UTF-8.
void appendText(std::string& out, std::string_view text) {
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text[0]);
        std::size_t n = c < 0x80 ? 0 : utf8SequenceLength(text);
        if (n == 0) {
            appendDataByte(out, c);
            n = 1;
        } else {
            out.append(text.substr(0, n));
        }
        text.remove_prefix(n);
    }
}

// Columns count characters: the shown text is well-formed UTF-8, so every
// byte but a continuation byte starts one.
std::size_t shownLength(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

void padTo(std::string& s, std::size_t width) {
    const std::size_t len = shownLength(s);
    if (len < width) s.append(width - len, ' ');
}

std::string hexPart(std::string_view text, std::string_view data) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string hex = "  ";
    hex.reserve(2 + data.size() * 2 + 4);
    for (unsigned char c : data) {
        hex += digits[c >> 4];
        hex += digits[c & 0x0F];
    }
    if (text != "WRITE: " || data.empty() || static_cast<unsigned char>(data[0]) < 0x14) return hex;
    // Blanks between the command's fields; positions count from 1 and each
    // insertion shifts the ones after it. A blank that would end the hex
    // part is left out, so no line carries a trailing blank.
    auto insertAt = [&hex](std::initializer_list<std::size_t> positions) {
        for (std::size_t p : positions)
            if (p <= hex.size()) hex.insert(p - 1, 1, ' ');
    };
    const char first = data[0];
    if ((first == 'R' || first == 'W') && data.size() >= 4) {
        insertAt({7, 12});
    } else if ((first == 'D' || first == 'P') && data.size() >= 5) {
        insertAt({7, 10, 15});
    } else if (first == 'B' && data.size() >= 6) {
        insertAt({5, 10, 15, 18});
    }
    return hex;
}

}  // namespace

ProtocolLog::ProtocolLog(platform::Clock& clock) : clock_(clock) {}

void ProtocolLog::setFileName(const std::string& name) {
    if (name.empty()) {
        fileName_ = DefaultFileName;
    } else if (!std::filesystem::path(name).has_extension()) {
        fileName_ = name + ".txt";
    } else {
        fileName_ = name;
    }
}

void ProtocolLog::setEnabled(bool on) {
    if (on == enabled()) return;
    if (!on) {
        file_.close();
        return;
    }
    file_.open(fileName_, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file_.is_open()) throw EFOpenError("Cannot create file " + fileName_);
    const std::time_t now = std::chrono::system_clock::to_time_t(clock_.wallNow());
    const std::tm local = platform::localTime(now);
    char when[64];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    file_ << "Date: " << when << ' ' << fileName_ << '\n';
    file_.flush();
    if (!file_) throw EWriteError("Stream write error");
    lastTick_ = 0xFFFFFFFFu;
}

std::string ProtocolLog::formatLine(std::string_view stamp, std::string_view text, std::string_view data) {
    std::string line(stamp);
    line += ' ';
    std::string textPart;
    appendText(textPart, text);
    if (!data.empty()) {
        padTo(textPart, TextWidth);
        if (static_cast<unsigned char>(data[0]) >= 0x14)
            for (unsigned char c : data) appendDataByte(textPart, c);
    } else {
        padTo(textPart, TextWidth);
    }
    line += textPart;
    if (data.empty()) return line;
    const std::string hex = hexPart(text, data);
    if (data.size() >= LongData) {
        line += '\n';
        line.append(LongDataIndent, ' ');
        line += hex;
        return line;
    }
    std::string head = textPart;
    padTo(head, HexColumn);
    return std::string(stamp) + ' ' + head + hex;
}

void ProtocolLog::write(std::string_view text, std::string_view data, std::uint32_t mask) {
    if (!enabled() || (mask & classMask_) == 0) return;
    const std::uint32_t tick = clock_.tickMs();
    const std::string stamp = tick == lastTick_ ? std::string(12, ' ') : MsToTimeStr(tick, 12);
    lastTick_ = tick;
    if (!data.empty()) ++formatted_;
    file_ << formatLine(stamp, text, data) << '\n';
    file_.flush();
    if (!file_) throw EWriteError("Stream write error");
}

}  // namespace tarvex
