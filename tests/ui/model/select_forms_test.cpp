// The basic break and map dialogs on an offline select table: what they
// show, what they change in the table, and that the board hears nothing.
#include <gtest/gtest.h>

#include "emulator/debug/kdo_select_table.hpp"
#include "core/messages.hpp"
#include "host/command.hpp"
#include "tests/support/target/offline_select.hpp"
#include "tests/support/fake_trace.hpp"
#include "ui/model/break_form.hpp"
#include "ui/model/select_form.hpp"
#include "ui/model/trace_settings_form.hpp"

namespace tarvex::ui {
namespace {

struct SelectRig : test::OfflineSelectTarget {
    std::vector<std::string> before;
    SelectRig() : OfflineSelectTarget(true) { before = log(); }
    std::vector<std::string> protocol(const TBasisVokWinKommando* c) {
        std::vector<std::string> out;
        for (; c; c = c->Nachfolger.get()) out.push_back(ProtocolText(*c, nullptr));
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

    // With code banking on the dialog does not open.
    r.banking->SetBankingVersion(1);
    r.banking->SetBankingMode(4);
    EXPECT_FALSE(MapFormModel::MayOpen(r.banking.get(), *r.offline));
    EXPECT_EQ(r.boxes.shown().back().text, "No program memory mapping with banking");
}

TEST(BreakForm, ModesChannelsAndLines) {
    SelectRig r;
    test::FakeTraceControl trace;
    BreakFormModel m(r.store, &trace);
    m.SetSettings(r.offline.get());
    EXPECT_EQ(m.caption(), "Break settings");
    EXPECT_EQ(m.helpContext(), 505u);
    EXPECT_TRUE(m.control("TriggerALabel").visible);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(BreakFormModel::ModeIndex(BreakFormModel::IndexMode(i)), i);
    m.ClickMode(4);
    EXPECT_EQ(r.offline->BreakMode(), bmBreak2nachBreak1);
    m.ClickMode(5);
    EXPECT_EQ(r.offline->BreakMode(), bmBreak1nachBreak2);
    EXPECT_EQ(m.control("OptionsGroup").items[5], "Break2 --> Break1");

    // A channel's line: ranges, a data condition unless it is all of 00..FF,
    // the cycle kind and a counter other than 1.
    EXPECT_EQ(m.control("EventListBox").items[0], " ");
    m.EditEvent("1000 10FF");
    m.SetAddress();
    m.ClickCycle(select_mode::Opcode);
    EXPECT_EQ(m.control("EventListBox").items[0], "(1000 - 10FF) * OPCODE");
    m.EditEvent("00 FF");
    m.SetData();
    EXPECT_EQ(m.control("EventListBox").items[0], "(1000 - 10FF) * OPCODE");
    m.EditCombo("Zaehler", "3");
    EXPECT_TRUE(m.LeaveCombo("Zaehler"));
    EXPECT_EQ(m.control("EventListBox").items[0], "(1000 - 10FF) * OPCODE Count=3");
    m.EditEvent("00 FF");
    m.ClearData();
    m.EditEvent("12");
    m.SetData();
    EXPECT_EQ(m.control("EventListBox").items[0], "(1000 - 10FF) * (12) * OPCODE Count=3");
    m.ClickLabel("Clear1Label");
    EXPECT_EQ(m.Channel(), 1);
    EXPECT_EQ(m.control("EventListBox").itemIndex, 1);
    EXPECT_TRUE(m.control("AdressenListBox").items.empty());

    // Counters: refused values are shown and the old one comes back.
    m.ClickLabel("Break1Label");
    m.EditCombo("Zaehler", "0");
    EXPECT_FALSE(m.Ok());
    EXPECT_EQ(r.boxes.shown().back().text, "Value in Break counter not valid");
    EXPECT_EQ(m.control("Zaehler").text, "3");
    m.EditCombo("Zaehler", "");
    EXPECT_TRUE(m.LeaveCombo("Zaehler"));
    EXPECT_EQ(m.control("Zaehler").text, "3");
    m.ClickBreakDelay(true);
    EXPECT_TRUE(m.control("BreakDelayCount").enabled);
    m.EditCombo("BreakDelayCount", "16777216");
    EXPECT_FALSE(m.LeaveCombo("BreakDelayCount"));
    EXPECT_EQ(r.boxes.shown().back().text, "Value in Trace after counter not valid");
    m.EditCombo("BreakDelayCount", "500");
    EXPECT_TRUE(m.LeaveCombo("BreakDelayCount"));
    EXPECT_EQ(r.offline->GetTriggerCounter(), 500u);
    m.ClickBreakDelay(false);
    EXPECT_EQ(m.control("BreakDelayCount").text, "0");
    EXPECT_FALSE(m.control("BreakDelayCount").enabled);
    EXPECT_EQ(r.offline->GetTriggerCounter(), 0u);

    // Trace overflow: only its counter field; one beyond the trace memory
    // is refused in the dialog.
    m.ClickMode(8);
    EXPECT_TRUE(m.control("TraceCount").enabled);
    EXPECT_FALSE(m.control("Probes").enabled);
    EXPECT_FALSE(m.control("InputGroup").enabled);
    m.EditCombo("TraceCount", "40000");
    EXPECT_FALSE(m.Ok());
    EXPECT_EQ(r.boxes.shown().back().text, "Value in Trace counter not valid");
    m.EditCombo("TraceCount", "1000");
    EXPECT_TRUE(m.Ok());
    EXPECT_EQ(r.offline->GetOverflowText(), "1000");
    m.ClickMode(7);
    EXPECT_TRUE(m.control("Probes").enabled);
    EXPECT_FALSE(m.control("TraceCount").enabled);
    m.ClickMode(0);
    EXPECT_TRUE(m.control("InputGroup").enabled);

    // A trace trigger on source 0 (trigger A) loses its input.
    r.offline->SetTriggerBit(false);
    r.offline->SetTrigger(1, 0);
    const auto boxes = r.boxes.shown().size();
    m.ClickMode(7);
    ASSERT_EQ(r.boxes.shown().size(), boxes + 1);
    EXPECT_EQ(r.boxes.shown().back().text, "Trigger A for trace start/stop disabled!");
    m.ClickMode(0);

    const int beeps = r.boxes.beeps();
    m.SetAddress();  // empty event: one beep, nothing else
    EXPECT_EQ(r.boxes.beeps(), beeps + 1);
    EXPECT_EQ(r.log(), r.before);

    const auto chain = m.GetKommandos();
    ASSERT_TRUE(chain);
    const auto texts = r.protocol(chain.get());
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0].rfind("Break BreakMode=", 0), 0u) << texts[0];
    const char* const channels[] = {"Break Break1", "Break Clear1", "Break Break2", "Break Clear2"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(texts[1 + i].rfind(channels[i], 0), 0u) << texts[1 + i];
    m.ClickLabel("Clear2Label");
    m.Close();
    EXPECT_EQ(r.store.readInteger(kDriverKey, "BreakForm", "EventTypIndex", -1), 3);
}

TEST(BreakForm, WithoutATraceBoardTheTriggerModesBeep) {
    SelectRig r;
    r.store.writeInteger(kDriverKey, "BreakForm", "EventTypIndex", 9);
    BreakFormModel m(r.store, nullptr);
    m.SetSettings(r.offline.get());
    EXPECT_EQ(m.Channel(), 0);
    EXPECT_FALSE(m.control("TriggerALabel").visible);
    for (int index : {7, 8}) {
        const int beeps = r.boxes.beeps();
        m.ClickMode(index);
        EXPECT_EQ(r.boxes.beeps(), beeps + 1);
        EXPECT_EQ(m.control("OptionsGroup").itemIndex, 0);
        EXPECT_EQ(r.offline->BreakMode(), bmBreak1);
    }
}

TEST(TraceSettingsForm, FiltersTriggersAndTheChain) {
    SelectRig r;
    TraceSettingsFormModel m(r.store);
    m.SetSettings(r.offline.get());
    EXPECT_EQ(m.caption(), "Trace settings");
    EXPECT_EQ(m.helpContext(), 605u);
    EXPECT_FALSE(m.control("CycleGroup").enabled);  // filter 1: program accesses only

    m.ClickLabel("Trace2Label");
    EXPECT_TRUE(m.control("CycleGroup").enabled);
    m.ClickCycle(2);
    EXPECT_EQ(r.offline->GetSelectMode(15), select_mode::Write);
    EXPECT_FALSE(m.control("ProgramOptionGroup").enabled);
    m.ClickCycle(0);
    m.ClickProgramOption(1);
    EXPECT_EQ(r.offline->GetSelectMode(15), select_mode::LineNumber);
    EXPECT_TRUE(m.control("ProgramOptionGroup").enabled);
    m.EditEvent("0 FFFF");  // the default: everything
    m.ClearAddress();
    EXPECT_EQ(m.control("EventListBox").items[1], " ");
    m.EditEvent("2000 20FF");
    m.SetAddress();
    EXPECT_EQ(m.control("EventListBox").items[1], "(2000 - 20FF) * LINE NUMBER");

    // One source serves one trigger: the end gives way to the start.
    m.ClickStop(1);
    EXPECT_TRUE(m.control("StopTriggerB").checked);
    const int beeps = r.boxes.beeps();
    m.ClickStart(1);
    EXPECT_EQ(r.boxes.beeps(), beeps + 1);
    EXPECT_TRUE(m.control("StartTriggerB").checked);
    EXPECT_TRUE(m.control("StopTriggerDefault").checked);

    // "B + C" takes trigger A away, and a trigger that used it.
    m.ClickTriggerSelection(false);
    m.ClickStop(0);
    EXPECT_TRUE(m.control("StopTriggerA").checked);
    m.ClickTriggerSelection(true);
    EXPECT_FALSE(m.control("StartTriggerA").enabled);
    EXPECT_FALSE(m.control("StopTriggerA").enabled);
    EXPECT_TRUE(m.control("StopTriggerC").enabled);
    EXPECT_TRUE(m.control("StopTriggerDefault").checked);
    EXPECT_TRUE(m.control("TriggerBC").checked);

    m.ClickFilterType(true);
    EXPECT_TRUE(r.offline->FilterSwitch());
    m.ClickTimeBase(2);
    EXPECT_EQ(m.control("TimeBaseGroup").itemIndex, 2);
    auto chain = m.GetKommandos();
    ASSERT_TRUE(chain);
    EXPECT_NE(ProtocolText(*chain, nullptr).find("TimeBase=10 Mikroseconds"), std::string::npos)
        << ProtocolText(*chain, nullptr);
    EXPECT_EQ(chain->ChainLength(), 4u);

    m.Default();
    EXPECT_EQ(m.control("EventListBox").items[1], "(0000 - FFFF) * READ");  // the default list back
    chain = m.GetKommandos();
    EXPECT_EQ(chain->text1, "Default");
    EXPECT_EQ(r.log(), r.before);
    m.Close();
    EXPECT_EQ(r.store.readInteger(kDriverKey, "TraceForm", "EventTypIndex", -1), 1);
}

}  // namespace
}  // namespace tarvex::ui
