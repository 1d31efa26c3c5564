#pragma once
// The live trace board behind the trace views.
#include "ui/model/trace_source.hpp"

namespace tarvex::ui {

class TracePlatineSource final : public ITraceSource {
public:
    explicit TracePlatineSource(TTracePlatine& board) : board_(board) {}

    bool present() const override { return board_.BoardPresent(); }
    int version() const override { return board_.Version(); }
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
