#pragma once
// Performance measurement: code ranges (an entry and an exit address) timed
// with the trace board's real-time counter. While active, the trace records
// only the entry and exit opcodes of the ranges (and RET/RETI inside them);
// after a halt the recorded frames are walked as calls and returns into
// counts, minimum, maximum, total and net times and each range's share of
// the run.
//
// The settings travel in the select file's section, through the select
// table's IPerformanceSettings. The walk reads the trace through
// IPerformanceTrace, so that it can run on synthetic frames.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/component.hpp"
#include "emulator/debug/select_table.hpp"

namespace tarvex {

namespace platform {
class BusyCursor;
}

class TDebug;
class TTracePlatine;
class TVokWinValidator;

// One recorded frame as the walk needs it.
struct TPerformanceFrame {
    TBankAdresse address{};
    std::uint8_t data = 0;
    int cycleKind = 0;
    std::uint32_t timeStamp = 0;
};

class IPerformanceTrace {
public:
    virtual ~IPerformanceTrace() = default;
    virtual std::uint32_t frameCount() = 0;
    virtual TPerformanceFrame frame(std::uint32_t i) = 0;
    virtual std::uint32_t currentTimeStamp() = 0;
    virtual int timeBase() const = 0;
    virtual int capacity() const = 0;
    virtual int overflowCounter() const = 0;
    virtual void setOverflowCounter(int count) = 0;
    // 0 stops the trace, 1..3 start it with time base 0..2.
    virtual void setTraceModus(int modus) = 0;
    virtual std::string timeText(std::uint32_t value) const = 0;
};

// The trace board behind the walk.
class TTracePerformance final : public IPerformanceTrace {
public:
    explicit TTracePerformance(TTracePlatine& trace) : trace_(trace) {}
    std::uint32_t frameCount() override;
    TPerformanceFrame frame(std::uint32_t i) override;
    std::uint32_t currentTimeStamp() override;
    int timeBase() const override;
    int capacity() const override;
    int overflowCounter() const override;
    void setOverflowCounter(int count) override;
    void setTraceModus(int modus) override;
    std::string timeText(std::uint32_t value) const override;

private:
    TTracePlatine& trace_;
};

struct TPerformanceItem {
    std::string RangeText;
    TBankAdresse ExitAddress{};
    double Percent = 0;
    std::string Name;
    std::uint32_t MaxTime = 0;
    std::uint32_t MinTime = 0xFFFFFFFFu;
    TBankAdresse EntryAddress{};
    std::uint32_t NetTime = 0;
    std::uint32_t TotalTime = 0;
    bool Resolved = false;
    std::uint32_t Count = 0;

    // Converts the range with the validator (its errors pass).
    void SetBereich(std::string_view text, TVokWinValidator& validator);
    // 0 total, 1 maximum, 2 minimum, 3 average, 4 net time.
    std::string GetWert(int column, const IPerformanceTrace* trace) const;
    std::string GetFloatText() const;
    void AddCall(std::uint32_t dt);
};

struct TSchachtel {
    TPerformanceItem* Item = nullptr;
    std::uint32_t StartTime = 0;
    std::uint32_t InnerTime = 0;
};

struct TPerformanceList {
    std::vector<std::unique_ptr<TPerformanceItem>> Items;
    std::uint32_t FrameCount = 0;
    std::vector<std::string> Messages;
    std::uint32_t RunTime = 0;
    bool Resolved = false;

    std::string GetZeitText(const IPerformanceTrace* trace) const;
    // The item named so, or null.
    TPerformanceItem* Find(std::string_view name) const;
};

// Where the measurement reaches the rest of the driver; all may be null.
struct TPerformanceWiring {
    IPerformanceTrace* trace = nullptr;
    TSelectTabelle* select = nullptr;
    TDebug* debug = nullptr;
    platform::BusyCursor* cursor = nullptr;
    // Lowest and highest program address: the "Undefined" range.
    TBankAdresse programMin = UnbankedAdresse(0);
    TBankAdresse programMax = UnbankedAdresse(0xFFFF);
};

class TPerformance final : public TComponent, public IPerformanceSettings {
public:
    // The validator is the one all items share (GanzeGroesse is set on it).
    TPerformance(std::unique_ptr<TVokWinValidator> validator, const TPerformanceWiring& wiring);
    ~TPerformance() override;

    std::string_view Name() const override { return "PerformanceComp"; }
    void Notify(std::uint8_t code, const void* data) override;
    void SetWiring(const TPerformanceWiring& wiring) { wiring_ = wiring; }

    const TPerformanceList& Definitionen() const { return definitionen_; }
    // Copies the ranges; while active they are transmitted again.
    void SetDefinitionen(const TPerformanceList& list);
    // Builds the result on first request after a halt.
    const TPerformanceList& GetErgebnis();
    bool ResultPending() const { return resultPending_; }
    // A measured run is there to show: evaluated already, or waiting for it.
    bool HasErgebnis() const { return resultPending_ || ergebnis_ != nullptr; }

    bool Active() const { return active_; }
    // Switching on raises the first range's conversion error.
    void SetActive(bool on);
    std::uint32_t MaxFrames() const { return maxFrames_; }
    void SetMaxFrames(std::uint32_t value);
    std::uint32_t MinFrames() const { return minFrames_; }
    int TraceModus();
    void SetTraceModus(int value);

    // ---- IPerformanceSettings
    void deactivate() override { SetActive(false); }
    void writeSettings(ValueWriter& writer) const override;
    void readSettings(ValueReader& reader, int version, bool apply) override;

    // Ranges in ascending order of entry address: the walk's lookup.
    // Kind 0 entry, 1 exit, 2 inside; null when no range holds it.
    TPerformanceItem* FindItem(const TBankAdresse& address, int& kind) const;

private:
    void resolveAll(bool raise);
    void rebuildIndex();
    void activate(bool raise);
    void applySetup();
    void transmitRanges();
    void walk(TPerformanceList& result);
    const IBankingInfo* banking() const { return validator_ ? validator_->Banking() : nullptr; }

    std::unique_ptr<TVokWinValidator> validator_;
    TPerformanceWiring wiring_;
    std::unique_ptr<TPerformanceList> ergebnis_;
    bool resultPending_ = false;
    TPerformanceList definitionen_;
    std::vector<TPerformanceItem*> index_;  // resolved ranges sorted by entry
    std::uint32_t maxFrames_ = 1000;
    std::uint32_t minFrames_ = 1;
    bool active_ = false;
    // The set-up saved while active.
    bool savedTriggerBit_ = false;
    std::int32_t savedOverflowCounter_ = 32768;
    std::int32_t savedMode14_ = 0;
    std::int32_t savedMode15_ = 0;
    std::string savedText14_, savedText15_, savedText16_;
    std::int32_t savedTimeBase_ = 0;
    std::int32_t savedBreakMode_ = bmBreak1;
    std::int32_t traceModus_ = -1;
};

}  // namespace tarvex
