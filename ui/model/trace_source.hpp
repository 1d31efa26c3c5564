#pragma once
// What the trace views and the export read of the trace board, as one
// interface: the live board through TracePlatineSource, a scripted trace in
// the tests and the fuzzer. Frame indices are logical (0 = oldest frame).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"
#include "emulator/debug/trace_board.hpp"

namespace tarvex {
class TSelectTabelle;
class TSymboltabelle;
class TZeilennummertabelle;
struct TZeilennummer;
}  // namespace tarvex

namespace tarvex::platform {
class Clock;
}

namespace tarvex::ui {

// The "Reading trace" dialog of a long read: shown once a read has run for
// a second; its Cancel ends the read, the lines read so far stay. A window
// lets its events through in the cancel query.
class TraceReadingDialog {
public:
    virtual ~TraceReadingDialog() = default;
    virtual void show() = 0;
    virtual bool cancelRequested() = 0;
    virtual void close() = 0;
};

// One frame with the texts the columns show.
struct TraceFrameData {
    std::uint32_t index = 0;
    // bank × 0x10000 + offset for a banked address.
    std::uint32_t address = 0;
    TBankAdresse bankAddress{};
    std::string addressText;
    // TTraceFrame::KindOpcode, KindRead, KindWrite, KindFetch.
    int cycleKind = TTraceFrame::KindOpcode;
    std::uint32_t time = 0;
    std::uint8_t data = 0;
    std::string dataText;
    std::string cycleText;
    std::string logicProbeText;
    std::string portText;
    // Port bytes, for the checks the board leaves to the driver.
    std::uint8_t port1 = 0;
    std::uint8_t port2 = 0;
};

class ITraceSource {
public:
    virtual ~ITraceSource() = default;
    virtual bool present() const = 0;
    virtual int version() const = 0;
    virtual std::uint32_t capacity() const = 0;
    virtual std::uint32_t frameCount() const = 0;
    // Whether the recording holds cycles besides the opcodes (line-number
    // tracing records opcodes only): Cycle mode has nothing to show else.
    virtual bool hasCycleInformation() const { return true; }
    // Only for i < frameCount().
    virtual TraceFrameData frame(std::uint32_t i) = 0;
    // Instruction text, data bytes in hex, label (or cycle) text, length.
    virtual TBasisTracePlatine::FrameText disassemble(std::uint32_t i) = 0;
    // The source text of the line at frame i's address; empty when unknown.
    virtual std::string modulText(std::uint32_t i) = 0;
    // Minutes, seconds and microseconds of a time in the board's time base.
    virtual TSplitTime splitTime(std::uint32_t time) const = 0;
    // The board's search from frame `start` on; false when nothing found.
    virtual bool searchFrame(std::uint32_t start, const TTraceQualifier& q, std::uint32_t& found) = 0;
    virtual void encodeQualifier(TTraceQualifier& q, TTraceCycles cycles, int probeKind, const std::string& pattern,
                                 int bank) const = 0;
    virtual void setLogicProbeQualifier(TTraceQualifier& q, int probeKind) const = 0;
};

// What else the trace views read: the line-number table for source lines
// (none: no source lines), the symbols the pattern inputs may name and the
// functions collapse, and the clock and dialog of a long read (none: no
// dialog). Not owned.
struct TraceContext {
    TZeilennummertabelle* lines = nullptr;
    TSymboltabelle* symbols = nullptr;
    platform::Clock* clock = nullptr;
    TraceReadingDialog* reading = nullptr;
    // The lines of the source file a line record belongs to (found through
    // the options' file search); none: no context list.
    std::function<std::vector<std::string>(const TZeilennummer&)> sourceFile = {};
    // The select table whose trace ranges mark the context list's lines;
    // none: no marks.
    const TSelectTabelle* select = nullptr;
};

}  // namespace tarvex::ui
