#pragma once
// The target description file "VokRegs.txt": the processors the emulator
// supports, with their family code, watchdog number and memory limits.
// The same file holds the SFR definitions (its "GROUP=" blocks), which the
// SFR configuration reads; this reader takes only the "MANUFACTURER=" and
// "CPU=" lines.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct TTargetInfoItem {
    std::string Manufacturer;
    std::string Cpu;
    // Highest and lowest external-data address.
    std::int32_t Max = 0xFFFF;
    std::int32_t Min = 0;
    // The processor family code of the SFR configuration.
    std::int32_t OptionNummer = 0;
    // Highest program address.
    std::int32_t Prog = 0xFFFF;
    // Block of the watchdog files: > 0 "Watchdog.bin", < 0 "WatchdogUser.bin".
    std::int32_t Watchdog = 0;
};

// The plain 8051 the options fall back to when the file offers no usable
// processor of the fallback's name.
const TTargetInfoItem& BuiltInTargetInfo();

class TTargetInfoList {
public:
    using LogSink = std::function<void(std::string_view)>;

    std::size_t Count() const { return items_.size(); }
    const TTargetInfoItem* Items(std::size_t i) const { return i < items_.size() ? items_[i].get() : nullptr; }
    // The entry of that processor name (exact), or null.
    const TTargetInfoItem* Find(std::string_view cpu) const;
    void Clear() { items_.clear(); }

    // Reads the file; ETarvexAbort 365 when it cannot be read, else as
    // Parse. The list changes only when the whole file was accepted.
    void LoadFromFile(const std::string& path, const LogSink& log = {});
    // ETarvexAbort 40 (naming `path`) when no entry results; EVokWinFileError
    // 238 with the line for a number that does not parse or an XDATA limit
    // beyond 16 bits. A PROG beyond 16 bits is taken as 0xFFFF and logged.
    void Parse(std::string_view text, const std::string& path, const LogSink& log = {});

private:
    // Sorted by manufacturer, then processor; addresses stay stable.
    std::vector<std::unique_ptr<TTargetInfoItem>> items_;
};

}  // namespace tarvex
