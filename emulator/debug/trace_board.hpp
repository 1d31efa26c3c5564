#pragma once
// The driver's model of the real-time trace board: the counter of the board
// version at hand, the window of valid frames after a halt, one decoded
// frame at a time, time-stamp texts, the board's mode byte, the logic-probe
// break and the board-side frame search.
//
// Frames are read through the trace memory space (16 frames a block); a
// frame's hardware index travels there as a banked address, bank = bits
// 16-23, offset = bits 0-15. Every operation that talks to the board holds
// the link lock for its whole exchange.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/component.hpp"
#include "emulator/target_parts.hpp"
#include "emulator/trace_info.hpp"

namespace tarvex {

class IOptionsInfo;
class INotifier;
class TBanking;
class TBasisSfrConfig;
class TEmulator;
class TEmulSpaces;
class TRegisterTabelle;
class TSymboltabelle;
class TZeilennummertabelle;
struct TZeilennummer;

enum TTracePlatinenVersion : int { Trace72Bit = 0, Trace96Bit = 1, Trace96Bit3Byte = 2 };
enum TTraceCycle : int { TC_Opcode = 0, TC_Fetch = 1, TC_Read = 2, TC_Write = 3 };
// Bit k = cycle k.
using TTraceCycles = std::uint8_t;
constexpr TTraceCycles CycleSet(TTraceCycle c) { return static_cast<TTraceCycles>(1u << c); }
inline constexpr TTraceCycles DefaultCycles = CycleSet(TC_Opcode) | CycleSet(TC_Read) | CycleSet(TC_Write);

// One decoded trace record.
struct TTraceFrame {
    static constexpr std::uint32_t NoIndex = 0xFFFFFFFFu;
    // Cycle kinds of the status byte (bits 5-6).
    static constexpr int KindOpcode = 0, KindRead = 1, KindWrite = 2, KindFetch = 3;

    explicit TTraceFrame(std::uint8_t extended = 0) : Extended(extended) {}

    std::uint8_t OperandsValid = 0;
    std::uint32_t Index = NoIndex;
    std::uint8_t Extended = 0;
    std::uint8_t Data = 0;
    std::uint8_t Operand1 = 0;
    std::uint8_t Operand2 = 0;
    std::uint8_t Operand3 = 0;
    std::uint8_t Port1 = 0;
    std::uint8_t Port2 = 0;
    std::uint8_t Status = 0;
    std::uint8_t AddressLow = 0;
    std::uint8_t AddressHigh = 0;
    std::uint32_t TimeStamp = 0;

    void Clear() {
        Index = NoIndex;
        OperandsValid = 0;
    }
    // The record's length for a frame of this kind.
    std::size_t RecordSize() const { return Extended ? 12 : 11; }
    // Fills every field from a wire record; a record shorter than
    // RecordSize() leaves the frame empty. Operands count as valid for
    // every frame but an opcode frame (the caller decides on 24-bit code).
    void Decode(std::string_view record, std::uint32_t index);

    int CycleKind() const { return (Status >> 5) & 3; }
    bool IsOperandFetch() const { return CycleKind() == KindFetch; }
    std::uint16_t Offset() const { return static_cast<std::uint16_t>(AddressHigh << 8 | AddressLow); }

    std::string DataText() const;
    std::string CycleText() const;
    std::string LogicProbeText() const;
    std::string PortText() const;
    // The trace file's 24 characters: six raw bytes, the time stamp in 8 hex
    // digits, two raw operand bytes, the index in 8 hex digits.
    std::string RawText() const;
};

// The source files loaded for the source-line column.
struct TModulItem {
    std::uint8_t module = 0;
    std::uint16_t file = 0;
    std::vector<std::string> lines;
};

class TModulList {
public:
    std::size_t Count() const { return items_.size(); }
    TModulItem* Find(std::uint8_t module, std::uint16_t file) const;
    TModulItem* Add(std::unique_ptr<TModulItem> item);
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TModulItem>> items_;
};

// A search qualifier: index 1 direction, 2 from start, 3 probe kind, 4/5
// status mask/value, 6-7 and 8-9 address words (low byte first), 10 and 11
// selectors, 12/13 data mask/value, 14/15 port mask/value. Index 0 unused.
using TTraceQualifier = std::array<std::uint8_t, 16>;

// The parts of three time-stamp texts.
struct TSplitTime {
    std::string minutes;
    std::string seconds;
    std::string micros;
};

// The select tables as the trace board reads them.
class ITraceSelectSource {
public:
    virtual ~ITraceSelectSource() = default;
    // The cycle qualifier mode of kind 14, 15 or 16 (low 7 bits).
    virtual int CycleQualifierMode(int kind) const = 0;
    // Line-number tracing: opcode cycles only.
    virtual bool HighLevelMode() const = 0;
    // The system mode changed: the trace code mode of kind 14 again, and the
    // break and trace registers to the board.
    virtual void ReapplyTraceCodeMode() = 0;
};

class TBasisTracePlatine : public TComponent {
public:
    static constexpr std::uint32_t NormalMask = 32767, LargeMask = 0x1FFFF;

    TBasisTracePlatine();
    ~TBasisTracePlatine() override;

    std::string_view Name() const override { return "TracePlatine"; }
    void Notify(std::uint8_t, const void*) override {}

    // ---- Frame window
    std::uint32_t FirstIndex() const { return firstIndex_; }
    std::uint32_t GetIndexMask() const { return indexMask_; }
    std::uint32_t Capacity() const { return indexMask_ + 1; }
    std::uint32_t Counter() const { return counter_; }
    std::uint32_t FrameCount() const { return frameCount_; }
    bool FrameValid(std::uint32_t i) const { return i < frameCount_; }
    std::uint32_t HardwareIndex(std::uint32_t logical) const;
    std::uint32_t LogicalIndex(std::uint32_t hardware) const;
    // Works out the window from Counter and the overflow; sends 6 when it
    // moved.
    void UpdateCounts(bool overflow);

    // ---- Fields
    bool GetSystemMode() const { return systemMode_; }
    bool BoardPresent() const { return boardPresent_; }
    const TTraceFrame& CurrentFrame() const { return *currentFrame_; }
    std::uint8_t CycleCode() const { return cycleCode_; }
    bool StepOverflowArmed() const { return stepOverflowArmed_; }
    TTraceCycles RecordedCycles() const { return recordedCycles_; }
    bool BreakOnOverflow() const { return breakOnOverflow_; }
    bool OverflowFlag() const { return overflowFlag_; }
    std::int32_t OverflowCounter() const { return overflowCounter_; }
    std::uint8_t ModeByte() const { return modeByte_; }
    bool ModePending() const { return modePending_; }
    TTracePlatinenVersion Version() const { return version_; }
    int GetTimeBase() const { return modeByte_ & 3; }
    TModulList& ModulList() { return modulList_; }
    // Cleared at every go unless switched off.
    bool ResetBeforeRun() const { return resetBeforeRun_; }
    void SetResetBeforeRun(bool on) { resetBeforeRun_ = on; }

    // Raises ETraceError 211 outside 1..capacity.
    void SetOverflowCounter(std::int32_t value);

    // ---- Cycles
    // From the select tables' cycle modes of kinds 14-16, or as last set.
    TTraceCycles Zyklen() const;
    // Raises ETraceError 162 (high-level mode, anything but opcodes) and
    // 161 (a combination the board cannot record).
    void SetZyklen(TTraceCycles cycles);

    // ---- Texts
    static TSplitTime SplitTime(std::uint32_t value, int timeBase);
    static std::string TimeText(std::uint32_t value, int timeBase);
    std::string TimeText(std::uint32_t value) const { return TimeText(value, GetTimeBase()); }

    // ---- Qualifiers
    void EncodeQualifier(TTraceQualifier& q, TTraceCycles cycles, int probeKind, std::string_view pattern,
                         int bank) const;
    static void SetLogicProbeQualifier(TTraceQualifier& q, int probeKind);

    // Slot for the trace window: instruction text, hex bytes, cycle or label
    // text, length.
    struct FrameText {
        std::string instruction;
        std::string hex;
        std::string third;
        int length = 0;
    };
    virtual FrameText DisassembleFrame(std::uint32_t, bool) { return {}; }

    // Wiring.
    void SetNotifier(INotifier* notifier) { notifier_ = notifier; }
    void SetSelectSource(ITraceSelectSource* select) { select_ = select; }
    void SetBankingInfo(const IBankingInfo* banking) { bankingInfo_ = banking; }

protected:
    void notify(std::uint8_t code);
    int bankingMode() const;
    virtual void log(std::string_view) {}

    std::uint32_t firstIndex_ = 0;
    std::uint32_t indexMask_ = NormalMask;
    std::uint32_t counter_ = 0;
    std::uint32_t frameCount_ = 0;
    TModulList modulList_;
    bool systemMode_ = false;
    bool boardPresent_ = false;
    std::unique_ptr<TTraceFrame> currentFrame_;
    std::uint8_t cycleCode_ = 0;
    bool stepOverflowArmed_ = false;
    TTraceCycles recordedCycles_ = 0;
    bool breakOnOverflow_ = false;
    bool countsChanged_ = false;
    bool overflowFlag_ = false;
    std::int32_t overflowCounter_ = 32768;
    std::uint8_t modeByte_ = 0;
    bool modePending_ = false;
    TTracePlatinenVersion version_ = Trace72Bit;
    bool resetBeforeRun_ = true;
    TTraceCycles zyklen_ = DefaultCycles;

    INotifier* notifier_ = nullptr;
    ITraceSelectSource* select_ = nullptr;
    const IBankingInfo* bankingInfo_ = nullptr;
};

class TTracePlatine final : public TBasisTracePlatine, public ITraceBoardPart, public ITraceControl {
public:
    // Registers of the board's master memory and the monitor variables.
    static constexpr std::uint16_t RegMode = 0xA440, RegTimeStamp = 0xA48C, RegLarge = 0xA605, RegOverflow1 = 0xA604,
                                   RegCounter1 = 0xA600, RegControl0 = 0xA030, RegStop0 = 0xA01A,
                                   RegCounterWrite0 = 0xA020, RegCounterRead0 = 0xA021, RegMarkerData0 = 0xA028,
                                   RegMarkerStatus0 = 0xA02C, RegMarkerEnd0 = 0xA02E, RegTime0 = 0xA011;
    static constexpr std::uint16_t VarCounterHigh = 21, VarCounterLow = 22, VarCounterTop = 23, VarMode = 24;
    static constexpr std::uint32_t SearchTimeoutMs = 10000;

    TTracePlatine(TEmulator& emulator, INotifier& notifier);
    ~TTracePlatine() override;

    // ---- Wiring (not owned; null = absent)
    void SetSpaces(TEmulSpaces* spaces) { spaces_ = spaces; }
    void SetBanking(TBanking* banking);
    void SetSfrConfig(const TBasisSfrConfig* sfr) { sfr_ = sfr; }
    void SetTables(TSymboltabelle* symbols, TZeilennummertabelle* lines, const TRegisterTabelle* registers) {
        symbols_ = symbols;
        lines_ = lines;
        registers_ = registers;
    }
    void SetOptionsInfo(const IOptionsInfo* options) { options_ = options; }

    // ---- ITraceBoardPart
    void SetVersion(int version) override;
    void InitEmulStart() override;
    void TransmitTimeStamp() override;
    void ResetTrace() override;
    void SetBusModeA1(bool on) override;
    void SetHookP0Bus(bool on) override;
    std::uint32_t IndexMask() const override { return indexMask_; }
    bool SystemMode() const override { return systemMode_; }

    // ---- ITraceControl (the select tables and the validator)
    int version() const override { return version_; }
    bool systemMode() const override { return systemMode_; }
    int timeBase() const override { return GetTimeBase(); }
    void setTraceModus(int modus) override { SetTraceModus(modus); }
    int overflowCounter() const override { return overflowCounter_; }
    void setOverflowCounter(int count) override { SetOverflowCounter(count); }
    int capacity() const override { return static_cast<int>(Capacity()); }
    void setBreakOnOverflow(bool on) override { SetBreakOnOverflow(on); }
    void setBreakOnLogicProbe(std::string_view pattern) override { SetBreakOnLogicProbe(pattern); }
    void resetTraceSettings() override { ResetTraceSettings(); }

    // ---- Frames
    // The frame of logical index i; read when it is valid and not the one
    // held. The object is overwritten by the next call.
    const TTraceFrame& GetFrame(std::uint32_t i);
    // Reads the record of hardware index h into the frame; `direct` goes
    // past the trace space's cache.
    void ReadRecord(TTraceFrame& frame, std::uint32_t h, std::uint32_t i, bool direct);
    void FetchOperands(TTraceFrame& frame, bool fetchRecorded);
    TBankAdresse GetAddress(const TTraceFrame& frame) const;
    std::string AddressText(const TTraceFrame& frame) const;
    std::uint32_t AddressValue(const TTraceFrame& frame) const;
    FrameText DisassembleFrame(std::uint32_t i, bool lineTextFirst) override;
    // The source text of frame i's line: the line of the file that
    // TraceSourceFile finds; empty without one.
    std::string GetModulText(std::uint32_t i);

    // ---- Counter and window
    std::uint32_t TraceCounterLesen();
    void TraceCounterSchreiben(std::uint32_t value);
    // The last three bytes of a halt's register string.
    void UpdateTraceBuffer(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);
    // Around the "o" commands of the run control.
    void FlyingTraceStarted();
    void FlyingTraceStopping();
    std::uint32_t CurrentTimeStamp();

    // ---- Mode
    void SetTraceModus(int mode);
    void ResetTraceSettings();
    void DisableRealTimeCounter();
    void EnableRealTimeCounter();
    void ArmStepOverflow();
    void SetBreakOnOverflow(bool on);
    void SetSystemMode(bool on);

    // ---- Search and probes
    // The logical index of the first frame the board finds from `start` on;
    // false when none or `start` is not valid.
    bool SearchFrame(std::uint32_t start, const TTraceQualifier& q, std::uint32_t& found);
    void SetBreakOnLogicProbe(std::string_view pattern);

private:
    void presenceTest();
    void writeMode();
    void log(std::string_view text) override;

    TEmulator& emulator_;
    TEmulSpaces* spaces_ = nullptr;
    TBanking* banking_ = nullptr;
    const TBasisSfrConfig* sfr_ = nullptr;
    TSymboltabelle* symbols_ = nullptr;
    TZeilennummertabelle* lines_ = nullptr;
    const TRegisterTabelle* registers_ = nullptr;
    const IOptionsInfo* options_ = nullptr;
};

// The source file of a line record, as the trace rows and the trace
// window's context list both find it: the record's location text, and when
// that is empty (an OMF program names no files) the module's name with each
// of the options' source extensions in turn. The name found, completed by
// the options' search; empty when none is found.
std::string TraceSourceFile(TSymboltabelle& symbols, const IOptionsInfo& options, const TZeilennummer& line);

}  // namespace tarvex
