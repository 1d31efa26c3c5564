#include "host/target_info.hpp"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/messages.hpp"
#include "core/utilities.hpp"
#include "platform/files.hpp"
#include "platform/stream.hpp"

namespace tarvex {

namespace {

constexpr std::int32_t Limit16 = 0xFFFF;

[[noreturn]] void badConstant(std::string_view line) {
    throw EVokWinFileError(FmtLoadStr(238, std::string(line)));
}

std::int32_t decimalField(std::string_view text, std::string_view line) {
    text = TrimBlanks(text);
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) badConstant(line);
    return value;
}

// Any width of digits; values beyond 16 bits come back as Limit16 + 1.
std::int32_t hexField(std::string_view text, std::string_view line) {
    const std::string norm = HexStrNormalize(TrimBlanks(text));
    if (norm.empty()) badConstant(line);
    std::int32_t value = 0;
    for (std::size_t i = 1; i < norm.size(); ++i) {
        const char c = norm[i];
        const int digit = c <= '9' ? c - '0' : c - 'A' + 10;
        value = value * 16 + digit;
        if (value > Limit16) return Limit16 + 1;
    }
    return value;
}

}  // namespace

const TTargetInfoItem& BuiltInTargetInfo() {
    static const TTargetInfoItem item{"", "80C51", 0xFFFF, 0, 0, 0xFFFF, 0};
    return item;
}

const TTargetInfoItem* TTargetInfoList::Find(std::string_view cpu) const {
    for (const auto& item : items_)
        if (item->Cpu == cpu) return item.get();
    return nullptr;
}

void TTargetInfoList::LoadFromFile(const std::string& path, const LogSink& log) {
    if (platform::fileKind(path) != platform::FileKind::Regular) throw ETarvexAbort(FmtLoadStr(365, path));
    std::vector<std::uint8_t> bytes;
    try {
        bytes = platform::readWholeFile(path);
    } catch (const Exception&) {
        throw ETarvexAbort(FmtLoadStr(365, path));
    }
    Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path, log);
}

void TTargetInfoList::Parse(std::string_view text, const std::string& path, const LogSink& log) {
    std::vector<std::unique_ptr<TTargetInfoItem>> items;
    std::string manufacturer;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = TrimBlanks(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (line.starts_with("MANUFACTURER=")) {
            manufacturer = std::string(line.substr(13));
            continue;
        }
        if (!line.starts_with("CPU=")) continue;
        TTargetInfoItem item;
        item.Manufacturer = manufacturer;
        bool complete = false;
        std::string_view rest = line;
        // The fields come in this order, each at most once; PROG only
        // directly after XDATA, and nothing after those two is read.
        static constexpr std::string_view Order[] = {"CPU=", "OPTION=", "WATCHDOG=", "XDATA=", "PROG="};
        std::size_t next = 0;
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const std::string_view field = TrimBlanks(rest.substr(0, comma));
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
            std::size_t at = 0;
            while (at < std::size(Order) && !field.starts_with(Order[at])) ++at;
            if (complete && at != 4) break;  // the rest of the line after XDATA
            if (at == std::size(Order) || at < next || (at == 4 && !complete)) continue;
            next = at + 1;
            if (field.starts_with("CPU=")) {
                item.Cpu = std::string(TrimBlanks(field.substr(4)));
            } else if (field.starts_with("OPTION=")) {
                item.OptionNummer = decimalField(field.substr(7), line);
            } else if (field.starts_with("WATCHDOG=")) {
                item.Watchdog = decimalField(field.substr(9), line);
            } else if (field.starts_with("XDATA=")) {
                const std::string_view limits = TrimBlanks(field.substr(6));
                const std::size_t blank = limits.find_first_of(" \t");
                if (blank == std::string_view::npos) badConstant(line);
                item.Min = hexField(limits.substr(0, blank), line);
                item.Max = hexField(limits.substr(blank + 1), line);
                if (item.Min > Limit16 || item.Max > Limit16) badConstant(line);
                complete = true;
            } else if (field.starts_with("PROG=")) {
                item.Prog = hexField(field.substr(5), line);
                // The program maximum is a 16-bit offset: a larger one would
                // wrap to a tiny program space.
                if (item.Prog > Limit16) {
                    item.Prog = Limit16;
                    if (log) log("VokRegs: PROG above FFFF, FFFF taken: " + std::string(line));
                }
                break;
            }
        }
        if (complete) items.push_back(std::make_unique<TTargetInfoItem>(std::move(item)));
    }
    if (items.empty()) throw ETarvexAbort(FmtLoadStr(40, path));
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
        return a->Manufacturer != b->Manufacturer ? a->Manufacturer < b->Manufacturer : a->Cpu < b->Cpu;
    });
    items_.swap(items);
}

}  // namespace tarvex
