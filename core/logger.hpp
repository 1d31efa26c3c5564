#pragma once
// The debug log: lines with a millisecond time stamp, filtered by a level
// mask. Off unless someone switches it on; nothing in the system does, it
// is there for a developer's build.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.hpp"

namespace tarvex {

class DebugLog {
public:
    // Receives each finished line without its line end; must write and flush.
    using Sink = std::function<void(const std::string& line)>;

    explicit DebugLog(platform::Clock& clock = platform::systemClock()) : clock_(&clock) {}

    void SetEnabled(bool enabled);
    void SetLevelMask(std::uint32_t mask);
    void SetClock(platform::Clock& clock);
    void SetSink(Sink sink);
    // Appends the lines to a text file, flushed after each line.
    void OpenFile(const std::string& path);

    // When enabled and the bits share one with the mask: the tick count as a
    // 12-wide time text (blank when it equals the previous line's), two
    // blanks and the text, as one line.
    void Write(std::string_view text, std::uint32_t levelBits);

    // Whether Write with these bits would write anything: lets hot paths
    // skip building texts for a log that is off.
    bool Wants(std::uint32_t levelBits) const {
        return enabled_.load(std::memory_order_relaxed) && (levelBits & mask_.load(std::memory_order_relaxed)) != 0;
    }

private:
    std::mutex mutex_;
    std::atomic<bool> enabled_{false};
    std::atomic<std::uint32_t> mask_{0xFFFFFFFFu};
    std::optional<std::uint32_t> lastTick_;
    platform::Clock* clock_;
    Sink sink_;
};

// The process's debug log.
DebugLog& debugLog();
void LogWrite(std::string_view text, std::uint32_t levelBits);

// Writes the text that makeText builds, building it only when the log wants
// a line of these bits.
template <typename MakeText>
void LogWriteWith(std::uint32_t levelBits, MakeText&& makeText) {
    if (debugLog().Wants(levelBits)) debugLog().Write(makeText(), levelBits);
}

}  // namespace tarvex
