#include "emulator/monitor_data.hpp"

#include <filesystem>
#include <system_error>

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "core/conversions.hpp"
#include "core/utilities.hpp"
#include "emulator/master_block.hpp"
#include "platform/exception.hpp"
#include "platform/stream.hpp"

namespace tarvex {

namespace {

[[noreturn]] void syntaxError(std::string_view what) { throw EVokWinFileError(FmtLoadStr(224, what)); }

// A hexadecimal number no larger than max; nothing for any other text.
std::optional<std::uint32_t> hexNumber(std::string_view s, std::uint32_t max) {
    if (s.empty()) return std::nullopt;
    std::uint32_t v = 0;
    for (char c : s) {
        const int d = HexDigitValue(c);
        if (d < 0) return std::nullopt;
        v = v * 16 + static_cast<std::uint32_t>(d);
        if (v > max) return std::nullopt;
    }
    return v;
}

struct KeyLine {
    std::string_view key;
    std::vector<std::string_view> values;
};

// "key: values"; the key must not be empty.
KeyLine splitKey(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) syntaxError(line);
    KeyLine out{TrimBlanks(line.substr(0, colon)), SplitWords(line.substr(colon + 1))};
    if (out.key.empty()) syntaxError(line);
    return out;
}

std::string bytesOf(const std::vector<std::string_view>& values, std::size_t first, std::string_view line) {
    std::string bytes;
    for (std::size_t i = first; i < values.size(); ++i) {
        const auto b = hexNumber(values[i], 0xFF);
        if (!b) syntaxError(line);
        bytes += static_cast<char>(*b);
    }
    return bytes;
}

enum class Section { None, Access, Save, Patch };

}  // namespace

const TMonitorData::AccessTable& TMonitorData::AccessCodes(int variant) const {
    return access_[static_cast<std::size_t>(variant >= 0 && variant < AccessCodeVariants ? variant : 0)];
}

std::optional<std::uint16_t> TMonitorData::SaveCell(int mode, std::uint8_t sfr) const {
    if (mode < 0 || mode >= MonitorModes || sfr < 0x80) return std::nullopt;
    return saveAreas_[static_cast<std::size_t>(mode)].sfr[sfr - 0x80u];
}

std::optional<std::uint16_t> TMonitorData::BankCell(int mode) const {
    if (mode < 0 || mode >= MonitorModes) return std::nullopt;
    return saveAreas_[static_cast<std::size_t>(mode)].bank;
}

const std::vector<TMonitorPatchLine>* TMonitorData::Patch(std::string_view logText) const {
    const auto it = patches_.find(logText);
    return it == patches_.end() ? nullptr : &it->second;
}

std::vector<TMonitorPatchLine> TMonitorData::PatchLines(std::string_view logText, std::uint8_t firmwareCode) const {
    std::vector<TMonitorPatchLine> out;
    if (const auto* lines = Patch(logText))
        for (const TMonitorPatchLine& line : *lines)
            if (line.AppliesTo(firmwareCode)) out.push_back(line);
    return out;
}

std::vector<std::string> TMonitorData::PatchNames() const {
    std::vector<std::string> out;
    for (const auto& [name, lines] : patches_) out.push_back(name);
    return out;
}

TMonitorData ParseMonitorData(std::string_view text) {
    TMonitorData data;
    // Which lines each access-code section has had.
    std::array<std::array<bool, 8>, AccessCodeVariants> accessSeen{};
    std::array<bool, AccessCodeVariants> accessPresent{};
    Section section = Section::None;
    std::size_t index = 0;
    std::vector<TMonitorPatchLine>* patch = nullptr;

    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (const std::size_t semi = line.find(';'); semi != std::string_view::npos) line = line.substr(0, semi);
        line = TrimBlanks(line);
        if (line.empty()) continue;

        if (line.front() == '[') {
            if (line.back() != ']') syntaxError(line);
            const std::string_view inner = TrimBlanks(line.substr(1, line.size() - 2));
            const auto numbered = [&](std::string_view prefix) -> std::optional<std::size_t> {
                if (!inner.starts_with(prefix)) return std::nullopt;
                const auto n = hexNumber(TrimBlanks(inner.substr(prefix.size())), 3);
                if (!n || inner.size() == prefix.size() || static_cast<unsigned char>(inner[prefix.size()]) > ' ')
                    syntaxError(line);
                return *n;
            };
            if (const auto v = numbered("AccessCodes")) {
                if (accessPresent[*v]) syntaxError(line);
                accessPresent[*v] = true;
                section = Section::Access;
                index = *v;
            } else if (const auto m = numbered("SaveArea")) {
                if (data.saveAreas_[*m].present) syntaxError(line);
                data.saveAreas_[*m].present = true;
                section = Section::Save;
                index = *m;
            } else if (inner.starts_with("Patch ") && !TrimBlanks(inner.substr(6)).empty()) {
                const auto [it, added] = data.patches_.try_emplace(std::string(TrimBlanks(inner.substr(6))));
                if (!added) syntaxError(line);
                patch = &it->second;
                section = Section::Patch;
            } else {
                syntaxError(line);
            }
            continue;
        }

        switch (section) {
        case Section::None: syntaxError(line);
        case Section::Access: {
            const KeyLine kl = splitKey(line);
            const auto key = hexNumber(kl.key, 0xF0);
            if (!key || *key < 0x80 || (*key & 0x0F) != 0 || kl.values.size() != 16) syntaxError(line);
            const std::size_t row = (*key - 0x80) / 16;
            if (accessSeen[index][row]) syntaxError(line);
            accessSeen[index][row] = true;
            const std::string codes = bytesOf(kl.values, 0, line);
            for (std::size_t i = 0; i < 16; ++i)
                data.access_[index][row * 16 + i] = static_cast<std::uint8_t>(codes[i]);
            break;
        }
        case Section::Save: {
            const KeyLine kl = splitKey(line);
            if (kl.values.size() != 1) syntaxError(line);
            const auto cell = hexNumber(kl.values[0], 0xFFFF);
            if (!cell) syntaxError(line);
            auto& area = data.saveAreas_[index];
            std::optional<std::uint16_t>* slot = nullptr;
            if (kl.key == "BANK") {
                slot = &area.bank;
            } else {
                const auto sfr = hexNumber(kl.key, 0xFF);
                if (!sfr || *sfr < 0x80) syntaxError(line);
                slot = &area.sfr[*sfr - 0x80];
            }
            if (slot->has_value()) syntaxError(line);
            *slot = static_cast<std::uint16_t>(*cell);
            break;
        }
        case Section::Patch: {
            std::string_view rest = line;
            TMonitorPatchLine entry;
            if (rest.starts_with("fw") && rest.size() > 2 && static_cast<unsigned char>(rest[2]) <= ' ') {
                const auto ws = SplitWords(rest);
                const std::size_t dash = ws.size() > 1 ? ws[1].find('-') : std::string_view::npos;
                if (dash == std::string_view::npos) syntaxError(line);
                const auto lo = hexNumber(ws[1].substr(0, dash), 0xFF);
                const auto hi = hexNumber(ws[1].substr(dash + 1), 0xFF);
                if (!lo || !hi || *lo > *hi) syntaxError(line);
                entry.firmwareLow = static_cast<std::uint8_t>(*lo);
                entry.firmwareHigh = static_cast<std::uint8_t>(*hi);
                rest = TrimBlanks(rest.substr(static_cast<std::size_t>(ws[1].data() + ws[1].size() - rest.data())));
            }
            const KeyLine kl = splitKey(rest);
            const auto address = hexNumber(kl.key, 0xFFFF);
            if (!address || kl.values.empty() || kl.values.size() > MaxMasterBlock ||
                *address + kl.values.size() > 0x10000u)
                syntaxError(line);
            entry.address = static_cast<std::uint16_t>(*address);
            entry.bytes = bytesOf(kl.values, 0, line);
            patch->push_back(std::move(entry));
            break;
        }
        }
    }

    static constexpr const char* rowKeys[8] = {"80", "90", "A0", "B0", "C0", "D0", "E0", "F0"};
    for (std::size_t v = 0; v < AccessCodeVariants; ++v) {
        const std::string header = "[AccessCodes " + std::to_string(v) + "]";
        if (!accessPresent[v]) syntaxError(header);
        for (std::size_t row = 0; row < 8; ++row)
            if (!accessSeen[v][row]) syntaxError(header + " " + rowKeys[row]);
    }
    for (std::size_t m = 0; m < 2; ++m)
        if (!data.saveAreas_[m].present) syntaxError("[SaveArea " + std::to_string(m) + "]");
    for (std::size_t m = 2; m < MonitorModes; ++m)
        if (!data.saveAreas_[m].present) data.saveAreas_[m] = data.saveAreas_[0];
    return data;
}

TMonitorData LoadMonitorData(const std::string& rootDir, const std::string& registryRootDir) {
    namespace fs = std::filesystem;
    std::string first;
    for (const std::string* dir : {&rootDir, &registryRootDir}) {
        if (dir->empty()) continue;
        const std::string path = (fs::path(*dir) / MonitorDataFileName).string();
        if (first.empty()) first = path;
        std::error_code ec;
        if (!fs::is_regular_file(path, ec)) continue;
        std::vector<std::uint8_t> bytes;
        try {
            bytes = platform::readWholeFile(path);
        } catch (const EFOpenError&) {
            throw ETarvexAbort(FmtLoadStr(365, path));
        } catch (const EReadError&) {
            throw ETarvexAbort(FmtLoadStr(365, path));
        }
        return ParseMonitorData(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    throw ETarvexAbort(FmtLoadStr(365, first.empty() ? std::string(MonitorDataFileName) : first));
}

}  // namespace tarvex
