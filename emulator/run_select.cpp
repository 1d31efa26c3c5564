#include "emulator/run_select.hpp"

#include "core/format.hpp"
#include "emulator/select_table.hpp"

namespace tarvex {

namespace {

constexpr int TemporaryKind = 12;

// The address as the select table's text form takes it.
std::string addressText(const TBankAdresse& a) {
    const std::string offset = Format("%.4XH", a.offset);
    return a.banked && !a.allBanks ? Format("%.2X:", a.bank) + offset : offset;
}

}  // namespace

void TRunSelectTable::TransmitBreakTraceRegister() { select_.TransmitBreakTraceRegister(); }

void TRunSelectTable::SetTemporaryBreakpoint(const TBankAdresse& address, bool) {
    if (temporary_) RemoveTemporaryBreakpoint();
    savedList_ = select_.GetItemText(TemporaryKind);
    savedSelectMode_ = select_.GetSelectMode(TemporaryKind);
    savedBreakMode_ = select_.BreakMode();
    temporary_ = true;
    if (savedSelectMode_ != select_mode::Opcode) select_.SetSelectMode(TemporaryKind, select_mode::Opcode);
    // Kind 12 must fire; kind 10 keeps firing where it did.
    if (savedBreakMode_ != bmBreak2 && savedBreakMode_ != bmBreak1orBreak2)
        select_.SetBreakMode(savedBreakMode_ == bmBreak1 ? bmBreak1orBreak2 : bmBreak2);
    select_.SetRange(addressText(address), TemporaryKind);
}

void TRunSelectTable::RemoveTemporaryBreakpoint() {
    if (!temporary_) return;
    temporary_ = false;
    select_.SetItemText(TemporaryKind, savedList_);
    if (select_.GetSelectMode(TemporaryKind) != savedSelectMode_) select_.SetSelectMode(TemporaryKind, savedSelectMode_);
    if (select_.BreakMode() != savedBreakMode_) select_.SetBreakMode(savedBreakMode_);
}

void TRunSelectTable::SaveBreakMode() { select_.SaveBreakMode(); }

void TRunSelectTable::RestoreBreakMode() { select_.RestoreBreakMode(); }

int TRunSelectTable::CycleQualifierMode(int kind) const { return select_.TraceSelectMode(kind); }

bool TRunSelectTable::HighLevelMode() const { return select_.HighLevelMode(); }

void TRunSelectTable::ReapplyTraceCodeMode() {
    select_.RefreshTraceCodeMode();
    select_.TransmitBreakTraceRegister();
}

}  // namespace tarvex
