#pragma once
// What the input validator needs of the trace board: its version decides
// how many logic-probe inputs a trigger pattern has.
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

}  // namespace tarvex
