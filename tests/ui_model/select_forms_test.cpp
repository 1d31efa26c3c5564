// The basic break and map dialogs on an offline select table: what they
// show, what they change in the table, and that the board hears nothing.
#include <gtest/gtest.h>

#include "emulator/kdo_select_table.hpp"
#include "core/messages.hpp"
#include "host/command.hpp"
#include "tests/support/target/sim_target.hpp"
#include "ui/model/select_form.hpp"

namespace tarvex::ui {
namespace {

struct SelectRig : test::SimTarget {
    platform::MemorySettingsStore store;
    std::unique_ptr<TSelectTabelle> live;
    std::unique_ptr<TKdoSelectTabelle> offline;
    std::vector<std::string> before;
    SelectRig() {
        start();
        live = std::make_unique<TSelectTabelle>(wiring());
        live->InitEmulStart();
        offline = std::make_unique<TKdoSelectTabelle>(wiring());
        offline->CopyFrom(*live);
        fresh();
        before = log();
    }
    TSelectWiring wiring() { return TSelectWiring{*emu, *banking, *spaces, options, notifier}; }
    std::vector<std::string> protocol(const TBasisVokWinKommando* c) {
        std::vector<std::string> out;
        for (; c; c = c->Nachfolger.get()) out.push_back(ProtocolText(*c));
        return out;
    }
};

TEST(BasicBreakForm, EditsTheOfflineTableOnly) {
    SelectRig r;
    BasicBreakFormModel m(r.store);
    m.SetSettings(r.offline.get());
    EXPECT_EQ(m.caption(), "Break settings");
    EXPECT_EQ(m.control("MemoryGroup").itemIndex, 0);

    m.Set();  // nothing typed: only the beep
    EXPECT_EQ(r.boxes.beeps(), 1);
    m.EditEvent("1000 10FF");
    m.Set();
    EXPECT_EQ(r.offline->GetList(10).Count(), 1);
    EXPECT_EQ(m.control("ProgramListBox").items.size(), 1u);
    EXPECT_EQ(m.control("Event").text, "");

    m.ClickCycle(1);
    EXPECT_EQ(r.offline->GetSelectMode(12), select_mode::Write);
    BasicBreakFormModel again(r.store);
    again.SetSettings(r.offline.get());
    EXPECT_EQ(again.control("ExtDataCycleGroup").itemIndex, 1);

    m.SelectMemory(1);
    m.EditEvent("8000");
    m.Set();
    ASSERT_EQ(m.control("ExtDataListBox").items.size(), 1u);
    m.SelectMemory(0);
    m.ClickList("ExtDataListBox", 0);
    EXPECT_EQ(m.Memory(), 1);
    EXPECT_EQ(m.control("MemoryGroup").itemIndex, 1);
    EXPECT_EQ(m.control("Event").text, m.control("ExtDataListBox").items[0]);

    // A refusal is shown and the dialog keeps its state.
    m.EditEvent("NOSUCH");
    m.Set();
    ASSERT_EQ(r.boxes.shown().size(), 1u);
    EXPECT_EQ(m.control("Event").text, "NOSUCH");
    EXPECT_EQ(m.control("ExtDataListBox").items.size(), 1u);

    EXPECT_EQ(r.log(), r.before);
    const auto chain = m.GetKommandos();
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->ChainLength(), 5u);
    m.Default();
    EXPECT_EQ(m.control("ProgramListBox").items.size(), 0u);
    EXPECT_EQ(r.log(), r.before);
}

TEST(MapForm, RangesInPagesDefaultsAndTheChain) {
    SelectRig r;
    // Pod 0 cannot map external data: the box, and no dialog.
    EXPECT_FALSE(MapFormModel::MayOpen(r.banking.get(), *r.offline));
    ASSERT_EQ(r.boxes.shown().size(), 1u);
    EXPECT_EQ(r.boxes.shown()[0].text, FmtResStr(rs::NoMappingOfExtData, r.options.podName()));
    r.options.pod = 3;
    EXPECT_TRUE(MapFormModel::MayOpen(r.banking.get(), *r.offline));
    MapFormModel m(r.store);
    m.SetSettings(r.offline.get());
    EXPECT_EQ(m.caption(), "Mapping");
    EXPECT_EQ(m.helpContext(), 320u);
    EXPECT_FALSE(m.control("LabelExtData").visible);
    m.SetProgram();
    EXPECT_EQ(r.boxes.beeps(), 1);
    m.ClearProgram();
    m.EditEvent("0 FFFF");
    m.ClearProgram();
    EXPECT_TRUE(m.control("ProgramListBox").items.empty());
    m.EditEvent("123 140");
    m.SetProgram();
    ASSERT_EQ(m.control("ProgramListBox").items.size(), 1u);
    EXPECT_EQ(m.control("ProgramListBox").items[0], r.offline->ItemText(**r.offline->GetList(22).begin(), 22));
    EXPECT_EQ((*r.offline->GetList(22).begin())->start.offset, 0x100);
    EXPECT_EQ((*r.offline->GetList(22).begin())->end.offset, 0x17F);
    EXPECT_EQ(m.control("ProgramListBox").itemIndex, 0);
    m.ClickList("ProgramListBox", 0);
    EXPECT_EQ(m.control("AdrName").text, m.control("ProgramListBox").items[0]);
    m.Default();
    EXPECT_EQ(r.offline->GetList(22).Count(), 1);
    EXPECT_EQ((*r.offline->GetList(22).begin())->end.offset, 0xFFFF);
    EXPECT_EQ(r.offline->GetList(23).Count(), 0);
    EXPECT_EQ(r.log(), r.before);
    const auto chain = m.GetKommandos();
    ASSERT_TRUE(chain && chain->Nachfolger);
    EXPECT_EQ(chain->code, cmd::Map);
    EXPECT_EQ(chain->Nachfolger->code, cmd::MapShared);
}

}  // namespace
}  // namespace tarvex::ui
