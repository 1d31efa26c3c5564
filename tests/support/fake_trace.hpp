#pragma once
// The trace board as the select tables see it, recording every call.
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "emulator/trace_info.hpp"

namespace tarvex::test {

class FakeTraceControl final : public ITraceControl {
public:
    int version() const override { return boardVersion; }
    bool systemMode() const override { return system; }
    int timeBase() const override { return base; }
    void setTraceModus(int modus) override { calls.push_back("setTraceModus " + std::to_string(modus)); }
    int overflowCounter() const override { return overflow; }
    void setOverflowCounter(int count) override {
        if (count < 1 || count > capacity()) throw ETraceError(FmtLoadStr(211, "Trace counter"));
        overflow = count;
        calls.push_back("setOverflowCounter " + std::to_string(count));
    }
    int capacity() const override { return 32768; }
    void setBreakOnOverflow(bool on) override {
        calls.push_back(std::string("setBreakOnOverflow ") + (on ? "1" : "0"));
    }
    void setBreakOnLogicProbe(std::string_view pattern) override {
        calls.push_back("setBreakOnLogicProbe " + std::string(pattern));
    }
    void resetTraceSettings() override { calls.push_back("resetTraceSettings"); }

    int boardVersion = 0;
    bool system = false;
    int base = 0;
    int overflow = 32768;
    std::vector<std::string> calls;
};

}  // namespace tarvex::test
