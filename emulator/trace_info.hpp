#pragma once
// What the input validator needs of the trace board: its version decides
// how many logic-probe inputs a trigger pattern has. And the part of the
// trace board that the select tables drive.
#include <string_view>

namespace tarvex {

class ITraceInfo {
public:
    virtual ~ITraceInfo() = default;
    // 0 (72-bit frames, 12 probe inputs), 1 or 2 (96-bit frames, 16 inputs).
    virtual int version() const = 0;
};

// A board version set by hand, for tests and for hosts without a board.
class FixedTraceInfo final : public ITraceInfo {
public:
    explicit FixedTraceInfo(int version = 0) : version_(version) {}
    int version() const override { return version_; }
    void setVersion(int version) { version_ = version; }

private:
    int version_;
};

// The trace board as the select tables see it.
class ITraceControl : public ITraceInfo {
public:
    // The trace is read in system mode (the trace code mode follows it).
    virtual bool systemMode() const = 0;
    // 0..2.
    virtual int timeBase() const = 0;
    // 0 stops the trace, 1..3 start it with time base 0..2.
    virtual void setTraceModus(int modus) = 0;
    virtual int overflowCounter() const = 0;
    // Raises ETraceError 211 "Trace counter" outside 1..capacity().
    virtual void setOverflowCounter(int count) = 0;
    // Frames the trace memory holds.
    virtual int capacity() const = 0;
    virtual void setBreakOnOverflow(bool on) = 0;
    virtual void setBreakOnLogicProbe(std::string_view pattern) = 0;
    virtual void resetTraceSettings() = 0;
};

}  // namespace tarvex
