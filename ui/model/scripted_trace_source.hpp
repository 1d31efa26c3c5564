#pragma once
// A trace held as plain records, for the tests and the fuzzer: every frame
// carries what the board would decode and disassemble, searches answer from
// a script, and every call is counted.
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/format.hpp"
#include "ui/model/trace_source.hpp"

namespace tarvex::ui {

struct ScriptedFrame {
    std::uint16_t address = 0;
    int kind = TTraceFrame::KindOpcode;
    std::uint8_t data = 0;
    std::uint32_t time = 0;
    std::string breakText;
    std::uint8_t port1 = 0;
    std::uint8_t port2 = 0;
    std::string instruction;
    std::string hex;
    std::string label;
    int length = 1;
};

class ScriptedTraceSource final : public ITraceSource {
public:
    std::vector<ScriptedFrame> frames;
    std::map<std::uint16_t, std::string> sourceTexts;
    bool isPresent = true;
    int boardVersion = Trace96Bit;
    bool cycleInformation = true;
    // Answers of searchFrame in order; afterwards "not found".
    std::deque<std::optional<std::uint32_t>> searchAnswers;
    std::vector<std::pair<std::uint32_t, TTraceQualifier>> searches;
    // Every call but present/version/capacity/frameCount.
    mutable int calls = 0;

    bool present() const override { return isPresent; }
    int version() const override { return boardVersion; }
    bool hasCycleInformation() const override { return cycleInformation; }
    std::uint32_t capacity() const override { return 32768; }
    std::uint32_t frameCount() const override { return static_cast<std::uint32_t>(frames.size()); }

    TraceFrameData frame(std::uint32_t i) override {
        ++calls;
        const ScriptedFrame& s = frames.at(i);
        TraceFrameData d;
        d.index = i;
        d.address = s.address;
        d.bankAddress = UnbankedAdresse(s.address);
        d.addressText = Format("%.4xH", s.address);
        d.cycleKind = s.kind;
        d.time = s.time;
        d.data = s.data;
        d.dataText = Format("%.2x", s.data);
        d.cycleText = cycleText(s.kind);
        d.logicProbeText = s.breakText;
        d.port1 = s.port1;
        d.port2 = s.port2;
        d.portText = bits(s.port2) + bits(s.port1);
        return d;
    }
    TBasisTracePlatine::FrameText disassemble(std::uint32_t i) override {
        ++calls;
        const ScriptedFrame& s = frames.at(i);
        if (s.kind == TTraceFrame::KindOpcode) return {s.instruction, s.hex, s.label, s.length};
        return {"", Format("%.2x", s.data), cycleText(s.kind), 1};
    }
    std::string modulText(std::uint32_t i) override {
        ++calls;
        auto it = sourceTexts.find(frames.at(i).address);
        return it == sourceTexts.end() ? std::string() : it->second;
    }
    TSplitTime splitTime(std::uint32_t time) const override { return TBasisTracePlatine::SplitTime(time, 1); }
    bool searchFrame(std::uint32_t start, const TTraceQualifier& q, std::uint32_t& found) override {
        ++calls;
        searches.emplace_back(start, q);
        if (searchAnswers.empty()) return false;
        auto a = searchAnswers.front();
        searchAnswers.pop_front();
        if (!a) return false;
        found = *a;
        return true;
    }
    // Cycle kinds into the status mask as the board does; the pattern is
    // kept for the test to read.
    void encodeQualifier(TTraceQualifier& q, TTraceCycles cycles, int probeKind, const std::string& pattern,
                         int) const override {
        ++calls;
        q[4] = cycles ? 0x60 : 0;
        q[5] = cycles & CycleSet(TC_Fetch) ? 0x60 : cycles & CycleSet(TC_Read) ? 0x20 : cycles & CycleSet(TC_Write) ? 0x40 : 0;
        lastPattern = pattern;
        setLogicProbeQualifier(q, probeKind);
    }
    mutable std::string lastPattern;
    void setLogicProbeQualifier(TTraceQualifier& q, int probeKind) const override {
        TBasisTracePlatine::SetLogicProbeQualifier(q, probeKind);
    }

    static std::string cycleText(int kind) {
        switch (kind) {
        case TTraceFrame::KindOpcode: return "OPCODE";
        case TTraceFrame::KindRead: return " READ ";
        case TTraceFrame::KindWrite: return " WRITE";
        default: return "";
        }
    }
    static std::string bits(std::uint8_t b) {
        std::string s;
        for (int k = 7; k >= 0; --k) s += (b >> k & 1) ? '1' : '0';
        return s;
    }
};

// A small program's trace: a loop of MOV A,#01H (with its operand fetch),
// MOVX A,@DPTR (with its read cycle) and SJMP back, six frames a turn; time
// stamps 123457 units apart, Break 1 on every 13th frame.
inline ScriptedTraceSource sampleLoopTrace(std::uint32_t frames) {
    static const ScriptedFrame turn[6] = {
        {0x0000, TTraceFrame::KindOpcode, 0x74, 0, "", 0xA5, 0x3C, "MOV A,#01H", "74 01", "", 2},
        {0x0001, TTraceFrame::KindFetch, 0x01, 0, "", 0xA5, 0x3C, "", "", "", 1},
        {0x0002, TTraceFrame::KindOpcode, 0xE0, 0, "", 0xA5, 0x3C, "MOVX A,@DPTR", "E0", "LOOP", 1},
        {0x8000, TTraceFrame::KindRead, 0x17, 0, "", 0x5A, 0x3C, "", "", "", 1},
        {0x0003, TTraceFrame::KindOpcode, 0x80, 0, "", 0xA5, 0x3C, "SJMP 0000H", "80 FB", "", 2},
        {0x0004, TTraceFrame::KindFetch, 0xFB, 0, "", 0xA5, 0x3C, "", "", "", 1},
    };
    ScriptedTraceSource s;
    for (std::uint32_t i = 0; i < frames; ++i) {
        ScriptedFrame f = turn[i % 6];
        f.time = i * 123457u;
        if (i % 13 == 5) f.breakText = "1";
        s.frames.push_back(f);
    }
    return s;
}

}  // namespace tarvex::ui
