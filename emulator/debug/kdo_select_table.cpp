#include "emulator/debug/kdo_select_table.hpp"

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "emulator/trace_info.hpp"

namespace tarvex {

namespace {
[[noreturn]] void accessDenied() { throw ESelectError(std::string(LoadStr(272))); }
}  // namespace

TKdoSelectTabelle::TKdoSelectTabelle(const TSelectWiring& wiring) : TSelectTabelle(wiring) {
    SetLive(false);
    triggerBit_ = TSelectTabelle::GetTriggerBit();
}

std::string TKdoSelectTabelle::GetOverflowText() const {
    return BreakMode() == bmTraceOverflow ? overflowText_ : std::string();
}

void TKdoSelectTabelle::SetCounter(int kind, std::int32_t value) {
    if (BreakMode() < bmBreak1) {
        TSelectTabelle::SetCounter(kind, value);
        return;
    }
    ApplyCounterLimits(kind, value);
}

void TKdoSelectTabelle::SetBreakMode(int mode) {
    if (mode < bmBreak1 || mode > bmHllSingleStep) accessDenied();
    StoreBreakMode(static_cast<TBreakMode>(mode));
}

void TKdoSelectTabelle::SetSelectMode(int kind, int mode) {
    kind = modeChannel(kind);
    if (kind < 0 || mode < 0 || mode > select_mode::Unused) accessDenied();
    if (HasSelectRole(kind, SelectRole::Trace) && mode > select_mode::ReadWrite) accessDenied();
    if (kind == select_kind::Filter1 && mode > select_mode::Program) accessDenied();
    if (mode == select_mode::Unused || StoredSelectMode(kind) == mode) return;
    StoreSelectMode(kind, mode);
    if (kind != select_kind::Filter1 && HasSelectRole(kind, SelectRole::Trace) && mode <= select_mode::Program)
        StoreSelectMode(select_kind::Filter1, mode);
}

void TKdoSelectTabelle::SetTimeBase(int timeBase) {
    if (timeBase < 0 || timeBase > 2) throw ESelectError(FmtLoadStr(211, "Time base"));
    timeBase_ = timeBase;
}

void TKdoSelectTabelle::SetTriggerBit(bool on) {
    if (!on && BreakModeTakesChannel1(BreakMode())) throw ESelectError(std::string(LoadStr(281)));
    triggerBit_ = on;
    DropDisallowedTriggers(on);
}

void TKdoSelectTabelle::ResetTraceSettings() {
    for (int kind = select_kind::Filter1; kind <= select_kind::Filter3; ++kind) GetList(kind).Clear();
    StoreSelectMode(select_kind::Filter1, select_mode::Opcode);
    StoreSelectMode(select_kind::Filter2, select_mode::Read);
    StoreSelectMode(select_kind::Filter3, select_mode::Write);
    for (int kind = select_kind::Filter1; kind <= select_kind::Filter3; ++kind) ResetList(kind);
    StoreFilterSwitch(false);
    triggerBit_ = false;
    StoreTriggerSources(3, 3);
    timeBase_ = 0;
    traceSettingsReset_ = true;
}

void TKdoSelectTabelle::CopyFrom(const TSelectTabelle& source) {
    CopySettingsFrom(source);
    triggerBit_ = source.GetTriggerBit();
    const ITraceControl* trace = Trace();
    overflowText_ = trace != nullptr ? std::to_string(trace->overflowCounter()) : std::string();
    timeBase_ = trace != nullptr ? trace->timeBase() : source.GetTimeBase();
}

}  // namespace tarvex
