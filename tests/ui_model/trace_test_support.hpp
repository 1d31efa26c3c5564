#pragma once
// The trace engine's tests read a small program's trace.
#include "ui/model/scripted_trace_source.hpp"

namespace tarvex::ui::test {

inline ScriptedTraceSource loopTrace(std::uint32_t frames) { return sampleLoopTrace(frames); }

}  // namespace tarvex::ui::test
