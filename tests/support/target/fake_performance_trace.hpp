#pragma once
// Synthetic trace frames for the performance walk, and a trace board's
// settings as the measurement switches them.
#include <cstdint>
#include <string>
#include <vector>

#include "core/value_stream.hpp"
#include "emulator/debug/performance.hpp"

namespace tarvex::test {

// The settings of a performance measurement that has no ranges and was
// never switched on, as its section stream holds them.
inline void writeIdlePerformanceSettings(ValueWriter& w) {
    w.WriteListBegin();
    w.WriteListEnd();
    for (std::int32_t v : {1, 1000, -1, 0, 32768, 0, 0}) w.WriteInteger(v);
    for (int i = 0; i < 3; ++i) w.WriteString("");
    w.WriteInteger(0);
    w.WriteBoolean(false);
}

class FakePerformanceTrace final : public IPerformanceTrace {
public:
    std::uint32_t frameCount() override { return static_cast<std::uint32_t>(frames.size()); }
    TPerformanceFrame frame(std::uint32_t i) override { return frames.at(i); }
    std::uint32_t currentTimeStamp() override { return runTime; }
    int timeBase() const override { return base; }
    int capacity() const override { return 32768; }
    int overflowCounter() const override { return overflow; }
    void setOverflowCounter(int count) override { overflow = count; }
    void setTraceModus(int modus) override {
        modes.push_back(modus);
        if (modus > 0) base = modus - 1;
    }
    std::string timeText(std::uint32_t value) const override { return std::to_string(value); }

    // An opcode frame at an unbanked address.
    void add(std::uint16_t address, std::uint32_t time, std::uint8_t opcode = 0) {
        frames.push_back({UnbankedAdresse(address), opcode, 0, time});
    }

    std::vector<TPerformanceFrame> frames;
    std::uint32_t runTime = 0;
    int base = 0;
    int overflow = 32768;
    std::vector<int> modes;
};

}  // namespace tarvex::test
