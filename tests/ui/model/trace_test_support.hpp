#pragma once
// The trace engine's tests read a small program's trace.
#include "platform/clock.hpp"
#include "ui/model/scripted_trace_source.hpp"

namespace tarvex::ui::test {

inline ScriptedTraceSource loopTrace(std::uint32_t frames) { return sampleLoopTrace(frames); }

// Every frame read takes 100 ms of the fake clock.
class SlowSource final : public ITraceSource {
public:
    int reads = 0;
    SlowSource(ScriptedTraceSource& inner, platform::FakeClock& clock) : inner_(inner), clock_(clock) {}
    bool present() const override { return true; }
    int version() const override { return inner_.version(); }
    std::uint32_t capacity() const override { return inner_.capacity(); }
    std::uint32_t frameCount() const override { return inner_.frameCount(); }
    TraceFrameData frame(std::uint32_t i) override {
        clock_.advance(100);
        ++reads;
        return inner_.frame(i);
    }
    TBasisTracePlatine::FrameText disassemble(std::uint32_t i) override { return inner_.disassemble(i); }
    std::string modulText(std::uint32_t i) override { return inner_.modulText(i); }
    TSplitTime splitTime(std::uint32_t t) const override { return inner_.splitTime(t); }
    bool searchFrame(std::uint32_t s, const TTraceQualifier& q, std::uint32_t& f) override {
        return inner_.searchFrame(s, q, f);
    }
    void encodeQualifier(TTraceQualifier& q, TTraceCycles c, int k, const std::string& p, int b) const override {
        inner_.encodeQualifier(q, c, k, p, b);
    }
    void setLogicProbeQualifier(TTraceQualifier& q, int k) const override { inner_.setLogicProbeQualifier(q, k); }

private:
    ScriptedTraceSource& inner_;
    platform::FakeClock& clock_;
};

class CancellingReading final : public TraceReadingDialog {
public:
    // A new show starts without the Cancel of the last one, as the dialogs
    // do.
    void show() override {
        ++shows;
        if (polls > cancelAfter) cancelAfter = 1000000;
    }
    bool cancelRequested() override { return ++polls > cancelAfter; }
    void close() override { ++closes; }
    int shows = 0, polls = 0, closes = 0, cancelAfter = 1000000;
};

}  // namespace tarvex::ui::test
