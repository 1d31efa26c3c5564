#pragma once
// The live trace board behind the trace views.
#include "ui/model/trace_source.hpp"

namespace tarvex {
class IOptionsInfo;
}

namespace tarvex::ui {

// The lines of a line record's source file for the context list: the name
// the symbol table keeps for the record's module and file, else the
// module's name with each source extension, as the options' file search
// finds it; none when no file is found or it cannot be read. The lookup
// adds nothing to the symbol table, so it reports no change of it while a
// window gathers its context.
std::function<std::vector<std::string>(const TZeilennummer&)> traceSourceFile(TSymboltabelle& symbols,
                                                                             const IOptionsInfo& options);

class TracePlatineSource final : public ITraceSource {
public:
    explicit TracePlatineSource(TTracePlatine& board) : board_(board) {}

    bool present() const override { return board_.BoardPresent(); }
    int version() const override { return board_.Version(); }
    bool hasCycleInformation() const override {
        return (board_.RecordedCycles() & static_cast<TTraceCycles>(~CycleSet(TC_Opcode))) != 0;
    }
    std::uint32_t capacity() const override { return board_.Capacity(); }
    std::uint32_t frameCount() const override { return board_.FrameCount(); }
    TraceFrameData frame(std::uint32_t i) override;
    TBasisTracePlatine::FrameText disassemble(std::uint32_t i) override { return board_.DisassembleFrame(i, false); }
    std::string modulText(std::uint32_t i) override { return board_.GetModulText(i); }
    TSplitTime splitTime(std::uint32_t time) const override {
        return TBasisTracePlatine::SplitTime(time, board_.GetTimeBase());
    }
    bool searchFrame(std::uint32_t start, const TTraceQualifier& q, std::uint32_t& found) override {
        return board_.SearchFrame(start, q, found);
    }
    void encodeQualifier(TTraceQualifier& q, TTraceCycles cycles, int probeKind, const std::string& pattern,
                         int bank) const override {
        board_.EncodeQualifier(q, cycles, probeKind, pattern, bank);
    }
    void setLogicProbeQualifier(TTraceQualifier& q, int probeKind) const override {
        TBasisTracePlatine::SetLogicProbeQualifier(q, probeKind);
    }

private:
    TTracePlatine& board_;
};

}  // namespace tarvex::ui
