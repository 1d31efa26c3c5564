#pragma once
// An identified board in the simulator, ready, with what a select table is
// wired to: the banking, unbanked address spaces, a recording trace control
// and notifier, and symbol and line tables (empty) on those spaces.
#include <utility>

#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/banking.hpp"
#include "emulator/debug/select_table.hpp"
#include "tests/emulator/emulator_fixture.hpp"
#include "tests/support/fake_targets.hpp"
#include "tests/support/fake_trace.hpp"

namespace tarvex::test {

struct SelectBench {
    explicit SelectBench(sim::BoardConfig config = {})
        : rig(std::move(config)), ctx(context()), symbols(ctx), lines(symbols, ctx) {
        rig.identify();
        rig.emu->SetConnectionState(TBasisEmulator::StateReady);
        rig.options.pod = 1;
        rig.options.saveBreakTrace = true;
        rig.options.saveMap = true;
    }
    TargetContext context() {
        TargetContext c;
        c.spaces = &spaces;
        c.banking = &banking;
        return c;
    }
    TSelectWiring wiring() {
        return TSelectWiring{*rig.emu, banking, spaces, rig.options, notifier, &trace, &symbols, &lines};
    }

    EmuRig rig;
    TBanking banking{*rig.emu, rig.notifier};
    StandardAddressSpaces spaces;
    FakeTraceControl trace;
    RecordingNotifier notifier;
    TargetContext ctx;
    TSymboltabelle symbols;
    TZeilennummertabelle lines;
};

}  // namespace tarvex::test
