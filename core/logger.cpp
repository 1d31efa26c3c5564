#include "core/logger.hpp"

#include <fstream>
#include <memory>

#include "core/conversions.hpp"
#include "platform/exception.hpp"

namespace tarvex {

void DebugLog::SetEnabled(bool enabled) {
    std::lock_guard lock(mutex_);
    enabled_ = enabled;
}

void DebugLog::SetLevelMask(std::uint32_t mask) {
    std::lock_guard lock(mutex_);
    mask_ = mask;
}

void DebugLog::SetClock(platform::Clock& clock) {
    std::lock_guard lock(mutex_);
    clock_ = &clock;
}

void DebugLog::SetSink(Sink sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

void DebugLog::OpenFile(const std::string& path) {
    auto file = std::make_shared<std::ofstream>(path, std::ios::app);
    if (!*file) throw EFOpenError("Cannot open file " + path);
    SetSink([file](const std::string& line) { *file << line << '\n' << std::flush; });
}

void DebugLog::Write(std::string_view text, std::uint32_t levelBits) {
    std::lock_guard lock(mutex_);
    if (!enabled_ || (levelBits & mask_) == 0 || !sink_) return;
    const std::uint32_t tick = clock_->tickMs();
    std::string line = MsToTimeStr(tick, 12);
    // Same millisecond: blanks of the stamp's width keep the texts aligned.
    if (lastTick_ == tick) line.assign(line.size(), ' ');
    lastTick_ = tick;
    line += "  ";
    line += text;
    sink_(line);
}

DebugLog& debugLog() {
    static DebugLog log;
    return log;
}

void LogWrite(std::string_view text, std::uint32_t levelBits) { debugLog().Write(text, levelBits); }

}  // namespace tarvex
