#include "emulator/debug/run_select.hpp"

#include "emulator/debug/select_table.hpp"

namespace tarvex {

void TRunSelectTable::TransmitBreakTraceRegister() { select_.TransmitBreakTraceRegister(); }

void TRunSelectTable::SetTemporaryBreakpoint(const TBankAdresse& address, bool flag) {
    select_.SetTemporaryBreak(address, flag);
}

void TRunSelectTable::RemoveTemporaryBreakpoint() { select_.RemoveTemporaryBreak(); }

void TRunSelectTable::SaveBreakMode() { select_.SaveBreakMode(); }

void TRunSelectTable::RestoreBreakMode() { select_.RestoreBreakMode(); }

int TRunSelectTable::CycleQualifierMode(int kind) const { return select_.TraceSelectMode(kind); }

bool TRunSelectTable::HighLevelMode() const { return select_.HighLevelMode(); }

void TRunSelectTable::ReapplyTraceCodeMode() {
    select_.RefreshTraceCodeMode();
    select_.TransmitBreakTraceRegister();
}

}  // namespace tarvex
