// The chains of the break, trace and map dialogs, built from the offline
// select table, and their execution on the live table over the simulator.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "emulator/debug/kdo_select_table.hpp"
#include "host/command_chains.hpp"
#include "host/command_executor.hpp"
#include "host/command_history.hpp"
#include "tests/host/host_rig.hpp"

namespace tarvex {
namespace {

struct ChainRig : test::HostRig {
    ChainRig() {
        start();
        select->InitEmulStart();
        offline = std::make_unique<TKdoSelectTabelle>(wiring());
        offline->CopyFrom(*select);
        targets.selectTable = select.get();
        targets.history = &history;
        targets.pellunarPortMode = [this] { return pellunars; };
        board.clearLog();
    }
    TSelectWiring wiring() {
        return TSelectWiring{*emu,    *banking,       *spaces, *options, notifier, nullptr, &symbols, nullptr,
                             &registers, options.get(), spaces.get()};
    }
    // The commands the board received, by name.
    std::vector<std::string> wire() const {
        std::vector<std::string> out;
        for (const auto& c : board.log())
            if (c.name != "x") out.push_back(c.name);
        return out;
    }
    std::vector<std::string> history_texts() const {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < history.Protokoll().Count(); ++i)
            out.push_back(ProtocolText(history.Protokoll()[i], nullptr));
        return out;
    }
    // Runs a chain as a dialog's caller does: the head is recorded when it
    // answers true.
    void run(std::unique_ptr<TVokWinKommando> chain) { TCommandExecutor(targets).Run(std::move(chain)); }

    test::RecordingNotifier historyNotifier;
    TKommando history{historyNotifier};
    CommandTargets targets;
    bool pellunars = false;
    std::unique_ptr<TKdoSelectTabelle> offline;
};

std::vector<int> shape(const TBasisVokWinKommando* c) {
    std::vector<int> out;
    for (; c; c = c->Nachfolger.get()) out.push_back(c->code * 100 + c->selectKind);
    return out;
}

TEST(CommandChains, ShapesFromTheOfflineTable) {
    ChainRig r;
    EXPECT_EQ(BreakKommandos(nullptr), nullptr);
    EXPECT_EQ(MapKommandos(nullptr), nullptr);
    EXPECT_EQ(TraceKommandos(nullptr), nullptr);

    r.offline->SetItemText(12, "1234");
    r.offline->SetItemText(20, "55");
    r.offline->SetCounter(12, 3);
    auto breaks = BreakKommandos(r.offline.get());
    EXPECT_TRUE(breaks->Anker);
    EXPECT_EQ(shape(breaks.get()), (std::vector<int>{1500, 1410, 1411, 1412, 1413}));
    EXPECT_EQ(breaks->breakMode, r.offline->BreakMode());
    const TBasisVokWinKommando& break2 = *breaks->Nachfolger->Nachfolger->Nachfolger;
    EXPECT_EQ(break2.text2, r.offline->GetItemText(12));
    EXPECT_NE(break2.text2, "");
    EXPECT_EQ(break2.text1, r.offline->GetItemText(20));
    EXPECT_EQ(break2.count, 3);
    EXPECT_EQ(break2.cycleType, r.offline->GetSelectMode(12));
    EXPECT_EQ(ProtocolText(*breaks->Nachfolger, nullptr).rfind("Break Break1 ", 0), 0u);

    r.offline->SetBreakMode(bmTraceOverflow);
    r.offline->SetOverflowText("300");
    EXPECT_EQ(BreakKommandos(r.offline.get())->text2, "300");
    r.offline->SetBreakMode(bmLogicProbes);
    r.offline->SetLogicProbeText("1xx0");
    EXPECT_EQ(BreakKommandos(r.offline.get())->text2, r.offline->GetLogicProbeText());

    auto map = MapKommandos(r.offline.get());
    EXPECT_EQ(shape(map.get()), (std::vector<int>{722, 800}));
    EXPECT_EQ(map->text2, r.offline->GetItemText(22));
    EXPECT_EQ(map->text1, r.offline->GetItemText(23));
    EXPECT_FALSE(map->Nachfolger->flag);

    EXPECT_EQ(TraceKommandos(r.offline.get())->text1, "");
    r.offline->ResetTraceSettings();
    auto trace = TraceKommandos(r.offline.get());
    EXPECT_EQ(shape(trace.get()), (std::vector<int>{1700, 1614, 1615, 1616}));
    EXPECT_EQ(trace->text1, "Default");
    EXPECT_EQ(trace->startTrigger, r.offline->GetTrigger(1));
    EXPECT_EQ(trace->endTrigger, r.offline->GetTrigger(0));
}

TEST(CommandChains, EqualBreakChainRecordsNothingAndSendsNothing) {
    ChainRig r;
    r.run(BreakKommandos(r.offline.get()));
    EXPECT_TRUE(r.history_texts().empty());
    EXPECT_TRUE(r.wire().empty());

    r.offline->SetItemText(12, "1234");
    auto chain = BreakKommandos(r.offline.get());
    const std::string expected = ProtocolText(*chain->Nachfolger->Nachfolger->Nachfolger, nullptr);
    r.run(std::move(chain));
    EXPECT_EQ(r.history_texts(), (std::vector<std::string>{expected}));
    EXPECT_EQ(r.select->GetItemText(12), r.offline->GetItemText(12));
    EXPECT_FALSE(r.wire().empty());
    // Running it again changes nothing more.
    r.board.clearLog();
    r.run(BreakKommandos(r.offline.get()));
    EXPECT_EQ(r.history_texts().size(), 1u);
    EXPECT_TRUE(r.wire().empty());
}

TEST(CommandChains, MapCommandSetsBothMapsAndIsRefusedWithPellunars) {
    ChainRig r;
    TVokWinKommando map(cmd::Map);
    map.selectKind = 22;
    map.text2 = "0000-7FFF";
    EXPECT_TRUE(Execute(map, r.targets));
    EXPECT_EQ(r.select->GetItemTextPlain(22), "0000 - 7FFF");
    EXPECT_EQ(r.select->GetItemText(23), "");
    EXPECT_FALSE(Execute(map, r.targets));
    map.text2 = "0000 - 7FFF";
    EXPECT_FALSE(Execute(map, r.targets));
    r.pellunars = true;
    try {
        Execute(map, r.targets);
        ADD_FAILURE() << "no error";
    } catch (const ETarvexAccessError& e) {
        EXPECT_EQ(e.message(), "No map command with pellunars!");
    }
    // A map command of another kind is refused by the table itself.
    r.pellunars = false;
    map.selectKind = 7;
    EXPECT_THROW(Execute(map, r.targets), ESelectError);
}

TEST(CommandChains, DefaultTraceChainResetsFirst) {
    ChainRig r;
    r.select->SetItemText(14, "0000-00FF");
    r.select->SetFilterSwitch(true);
    r.offline->CopyFrom(*r.select);
    r.offline->ResetTraceSettings();
    auto chain = TraceKommandos(r.offline.get());
    r.run(std::move(chain));
    EXPECT_EQ(r.select->GetItemText(14), r.offline->GetItemText(14));
    EXPECT_FALSE(r.select->FilterSwitch());
    ASSERT_FALSE(r.history_texts().empty());
    EXPECT_EQ(r.history_texts().back().rfind("Trace ChangeFilter Clear", 0), 0u);
}

// The command's own table (a dialog's copy) is edited instead of the
// global one, and its transmissions do nothing.
TEST(CommandChains, OwnTableIsEditedOffline) {
    ChainRig r;
    auto own = std::make_unique<TKdoSelectTabelle>(r.wiring());
    TKdoSelectTabelle* table = own.get();
    TVokWinKommando c(cmd::BreakChannel);
    c.selectKind = 10;
    c.text2 = "0100";
    c.count = 1;
    c.SetSelectTable(std::move(own));
    EXPECT_TRUE(Execute(c, r.targets));
    EXPECT_NE(table->GetItemText(10), "");
    EXPECT_EQ(r.select->GetItemText(10), "");
    EXPECT_TRUE(r.wire().empty());
}

// How far the board's planes and a kind's list disagree: its bit must lie
// over the list's ranges on the plane of its mode's space (code plane,
// hardware bank 6, or the data plane, 7) and nowhere else. The first
// address that disagrees, or empty.
std::string boardDisagrees(ChainRig& r, int kind) {
    const std::uint8_t bit = TSelectTabelle::ChannelBit(kind);
    const bool code = r.select->GetSelectMode(kind) <= select_mode::Program;
    std::vector<bool> held(0x10000);
    for (const auto& item : r.select->GetList(kind))
        for (std::uint32_t a = item->start.offset; a <= item->end.offset; ++a) held[a] = true;
    for (const auto& [hw, codePlane] : {std::pair{std::size_t{6}, true}, std::pair{std::size_t{7}, false}})
        for (std::uint32_t a = 0; a <= 0xFFFF; ++a) {
            const bool onBoard = (r.board.select(hw, static_cast<std::uint16_t>(a)) & bit) != 0;
            if (onBoard != (held[a] && code == codePlane))
                return Format("kind %d: %s plane %.4X %s", kind, codePlane ? "code" : "data", a,
                              onBoard ? "set" : "clear");
        }
    return {};
}

// A channel moved between a code mode and a data mode through the dialogs'
// chains: its old ranges leave the planes of the old space, and after every
// chain the board holds what the list holds.
TEST(CommandChains, AModeOfTheOtherSpaceTakesTheOldRangesOffTheBoard) {
    struct Step {
        int kind, mode;
        const char* text;
    };
    const std::vector<std::vector<Step>> cases = {
        {{10, select_mode::Write, "4000-40FF"}, {10, select_mode::Opcode, ""}, {10, select_mode::Write, "5000-50FF"}},
        {{10, select_mode::Opcode, "0280"}, {10, select_mode::Write, ""}, {10, select_mode::Opcode, "0300"}},
        {{12, select_mode::Write, "0280-02FF"}, {12, select_mode::Opcode, "0280-02FF"}},
        {{11, select_mode::Opcode, "1000"}, {11, select_mode::ReadWrite, "1000"}, {11, select_mode::LineNumber, ""}},
        {{16, select_mode::Program, "0280-02FF"}, {16, select_mode::Write, "4000"}},
        {{15, select_mode::Opcode, ""}, {15, select_mode::Read, "0000-FFFF"}},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(c);
        ChainRig r;
        for (const Step& step : cases[c]) {
            r.offline->SetSelectMode(step.kind, step.mode);
            r.offline->SetItemText(step.kind, step.text);
            r.run(step.kind <= 13 ? BreakKommandos(r.offline.get()) : TraceKommandos(r.offline.get()));
            EXPECT_EQ(r.select->GetSelectMode(step.kind), step.mode);
            EXPECT_EQ(r.select->GetItemText(step.kind), r.offline->GetItemText(step.kind));
            EXPECT_EQ(boardDisagrees(r, step.kind), "") << step.text;
        }
    }
}

// A select file refused half-way through puts the table back as it was:
// ranges the file had put into another space leave the board again.
TEST(CommandChains, TheRestoreAfterARefusedSelectFileLeavesNoStaleRange) {
    ChainRig r;
    r.options->SetOptionFileName(r.root.file("proj.bopt"));
    r.options->SetOptionBit(TBasisOptionen::BreakTraceSaveBit, true);
    r.offline->SetSelectMode(10, select_mode::Write);
    r.offline->SetItemText(10, "4000-40FF");
    TProjectFiles writer(ProjectComponents{r.options.get(), &r.symbols, &r.runControl, {}, r.emu.get(),
                                           r.banking.get(), r.offline.get()});
    const std::string name = writer.SelectFileName();
    writer.SaveSelectFile(name);
    const auto full = test::readBytes(name);
    test::writeBytes(name, std::vector<std::uint8_t>(full.begin(), full.end() - 1));

    r.select->SetRange("0280", 10);
    TProjectFiles files(ProjectComponents{r.options.get(), &r.symbols, &r.runControl, {}, r.emu.get(),
                                          r.banking.get(), r.select.get()});
    EXPECT_THROW(files.LoadSelectFile(name, true), EVokWinFileError);
    EXPECT_EQ(r.select->GetSelectMode(10), select_mode::Opcode);
    EXPECT_EQ(r.select->GetItemText(10), "0280");
    EXPECT_EQ(boardDisagrees(r, 10), "");
}

}  // namespace
}  // namespace tarvex
