#pragma once
// A started target on the simulator with the offline copy of its select
// table that the break, trace and map dialogs edit, taken from the live
// table as the start made it.
#include <memory>

#include "emulator/debug/kdo_select_table.hpp"
#include "emulator/debug/select_table.hpp"
#include "platform/settings.hpp"
#include "tests/support/target/sim_target.hpp"

namespace tarvex::test {

struct OfflineSelectTarget : SimTarget {
    // `keepLive`: the live table stays for the test; else it goes before the
    // start's traffic is forgotten.
    explicit OfflineSelectTarget(bool keepLive = false) {
        start();
        live = std::make_unique<TSelectTabelle>(wiring());
        live->InitEmulStart();
        offline = std::make_unique<TKdoSelectTabelle>(wiring());
        offline->CopyFrom(*live);
        if (!keepLive) live.reset();
        fresh();
    }
    TSelectWiring wiring() { return TSelectWiring{*emu, *banking, *spaces, options, notifier}; }

    platform::MemorySettingsStore store;
    std::unique_ptr<TSelectTabelle> live;
    std::unique_ptr<TKdoSelectTabelle> offline;
};

}  // namespace tarvex::test
