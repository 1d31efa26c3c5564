#pragma once
// A small program's trace for the trace engine's tests: a loop of
// MOV A,#01H (with its operand fetch), MOVX A,@DPTR (with its read cycle)
// and SJMP back, six frames a turn.
#include "ui/model/scripted_trace_source.hpp"

namespace tarvex::ui::test {

inline ScriptedTraceSource loopTrace(std::uint32_t frames) {
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

}  // namespace tarvex::ui::test
