#include "emulator/debug/performance.hpp"

#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "emulator/validator.hpp"
#include "platform/stream.hpp"
#include "core/line_table.hpp"
#include "emulator/banking.hpp"
#include "emulator/debug/select_table.hpp"
#include "tests/emulator/emulator_fixture.hpp"
#include "tests/support/target/fake_performance_trace.hpp"
#include "tests/support/fake_trace.hpp"

namespace tarvex {
namespace {

// Ranges "name=from,to" in the order given.
TPerformanceList definitions(std::initializer_list<std::pair<const char*, const char*>> ranges) {
    TPerformanceList list;
    for (const auto& [name, range] : ranges) {
        auto item = std::make_unique<TPerformanceItem>();
        item->Name = name;
        item->RangeText = range;
        list.Items.push_back(std::move(item));
    }
    return list;
}

struct Rig {
    TSymboltabelle symbols;
    test::FakePerformanceTrace trace;
    TPerformance perf{std::make_unique<TVokWinValidator>(&symbols, nullptr, nullptr, nullptr),
                      TPerformanceWiring{&trace}};

    void define(std::initializer_list<std::pair<const char*, const char*>> ranges) {
        perf.SetDefinitionen(definitions(ranges));
    }
    const TPerformanceItem& item(const char* name) {
        const TPerformanceItem* i = perf.GetErgebnis().Find(name);
        if (i == nullptr) throw std::runtime_error(std::string("no range ") + name);
        return *i;
    }
    std::vector<std::uint8_t> section() const {
        platform::MemoryStream m;
        ValueWriter w(m);
        perf.writeSettings(w);
        return m.bytes();
    }
};

TEST(Performance, NestedCallsInEitherDefinitionOrder) {
    for (bool descending : {false, true}) {
        Rig r;
        if (descending) r.define({{"g", "0200-0210"}, {"f", "0100-0110"}});
        else r.define({{"f", "0100-0110"}, {"g", "0200-0210"}});
        r.trace.add(0x100, 0);
        r.trace.add(0x200, 10);
        r.trace.add(0x210, 30);
        r.trace.add(0x110, 50);
        r.trace.runTime = 100;
        const TPerformanceItem& f = r.item("f");
        const TPerformanceItem& g = r.item("g");
        EXPECT_EQ(g.Count, 1u);
        EXPECT_EQ(g.TotalTime, 20u);
        EXPECT_EQ(g.NetTime, g.TotalTime);
        EXPECT_EQ(f.TotalTime, 50u);
        EXPECT_EQ(f.NetTime, f.TotalTime - g.TotalTime);
        EXPECT_EQ(r.item("Undefined").TotalTime, 100u - f.NetTime - g.NetTime);
        EXPECT_DOUBLE_EQ(f.Percent, 50.0);
        EXPECT_EQ(f.GetFloatText(), "50.00");
        EXPECT_TRUE(r.perf.GetErgebnis().Messages.empty()) << descending;
    }
}

TEST(Performance, WalkEdgeCases) {
    struct Case {
        const char* name;
        std::vector<std::tuple<std::uint16_t, std::uint32_t, std::uint8_t>> frames;
        std::uint32_t runTime;
        const char* range;  // the range looked at
        std::uint32_t count, total, net;
        std::size_t messages;
    } cases[] = {
        {"return inside", {{0x100, 0, 0}, {0x105, 7, 0x22}}, 10, "?RET/RETI? f", 1, 7, 7, 0},
        {"opcode inside", {{0x100, 0, 0}, {0x105, 7, 0x74}}, 10, "f", 0, 10, 10, 1},
        {"without end", {{0x100, 0, 0}, {0x110, 10, 0}, {0x100, 20, 0}}, 50, "Without end f", 1, 30, 30, 0},
        {"open call only", {{0x100, 5, 0}}, 50, "f", 0, 45, 45, 0},
        {"exit first", {{0x110, 5, 0}}, 50, "f", 0, 0, 0, 1},
        {"outside", {{0x300, 5, 0}}, 50, "f", 0, 0, 0, 1},
        {"unbalanced", {{0x100, 0, 0}, {0x200, 10, 0}, {0x210, 90, 0}, {0x110, 40, 0}}, 100, "f", 1, 40, 0, 0},
    };
    for (const Case& c : cases) {
        Rig r;
        r.define({{"f", "0100-0110"}, {"g", "0200-0210"}});
        for (const auto& [a, t, op] : c.frames) r.trace.add(a, t, op);
        r.trace.runTime = c.runTime;
        const TPerformanceItem& i = r.item(c.range);
        EXPECT_EQ(i.Count, c.count) << c.name;
        EXPECT_EQ(i.TotalTime, c.total) << c.name;
        EXPECT_EQ(i.NetTime, c.net) << c.name;
        EXPECT_EQ(r.perf.GetErgebnis().Messages.size(), c.messages) << c.name;
    }
    Rig r;
    r.define({{"f", "0100-0110"}});
    r.trace.add(0x110, 5);
    r.trace.runTime = 5;
    EXPECT_EQ(r.perf.GetErgebnis().Messages.at(0), "Trace frame 0 ignored: start address 0100 missing");
    EXPECT_EQ(r.item("f").MinTime, 0u);

    Rig back;
    back.define({{"f", "0100-0110"}});
    back.trace.add(0x100, 50);
    back.trace.add(0x110, 10);
    EXPECT_THROW(back.perf.GetErgebnis(), EPerformanceError);

    Rig idle;  // a stopped counter: no share instead of a division by zero
    idle.define({{"f", "0100-0110"}});
    EXPECT_EQ(idle.item("f").Percent, 0.0);
    EXPECT_EQ(idle.item("Undefined").Percent, 0.0);
}

TEST(Performance, StreamRoundTripAndDefault) {
    Rig r;
    const std::vector<std::uint8_t> empty = r.section();
    {
        platform::MemoryStream m;
        ValueWriter w(m);
        test::writeIdlePerformanceSettings(w);
        EXPECT_EQ(empty, m.bytes());
    }
    r.define({{"f", "0100-0110"}, {"g", "0200-0210"}});
    r.trace.add(0x100, 0);
    r.trace.add(0x110, 30);
    r.trace.runTime = 90;
    const TPerformanceList& result = r.perf.GetErgebnis();
    TPerformanceList withTimes;
    for (const auto& i : result.Items)
        if (i->Name == "f" || i->Name == "g") withTimes.Items.push_back(std::make_unique<TPerformanceItem>(*i));
    r.perf.SetDefinitionen(withTimes);
    r.perf.SetMaxFrames(30);
    const std::vector<std::uint8_t> bytes = r.section();

    Rig back;
    platform::MemoryStream m;
    m.write(bytes.data(), bytes.size());
    m.seek(0);
    ValueReader reader(m);
    back.perf.readSettings(reader, 6, true);
    EXPECT_EQ(back.section(), bytes);
    const TPerformanceItem& f = *back.perf.Definitionen().Items.at(0);
    EXPECT_EQ(f.Name, "f");
    EXPECT_EQ(f.TotalTime, 30u);
    EXPECT_NEAR(f.Percent, 100.0 / 3, 1e-12);
    EXPECT_EQ(back.perf.MaxFrames(), 30u);
}

TEST(Performance, UnknownSymbolRangeLoadsAndResolvesLater) {
    Rig r;
    const TPerformanceList list = definitions({{"f", "FUNC FUNC+10"}});
    r.perf.SetDefinitionen(list);
    EXPECT_FALSE(r.perf.Definitionen().Items[0]->Resolved);
    EXPECT_THROW(r.perf.SetActive(true), EVokWinError);  // the user is told
    EXPECT_FALSE(r.perf.Active());

    // Stored active: the measurement is on without the range, nothing raised.
    Rig stored;
    stored.perf.SetDefinitionen(list);
    platform::MemoryStream m;
    {
        ValueWriter w(m);
        stored.perf.writeSettings(w);
    }
    std::vector<std::uint8_t> bytes = m.bytes();
    bytes.back() = 9;  // the Boolean true
    Rig loaded;
    platform::MemoryStream in;
    in.write(bytes.data(), bytes.size());
    in.seek(0);
    ValueReader reader(in);
    EXPECT_NO_THROW(loaded.perf.readSettings(reader, 6, true));
    EXPECT_TRUE(loaded.perf.Active());
    EXPECT_FALSE(loaded.perf.Definitionen().Items.at(0)->Resolved);
    loaded.symbols.AddSymbol(sspProgram, "FUNC", 0, 0, 240, 1, 19, UnbankedAdresse(0x100));
    loaded.perf.Notify(notify::SymbolFileFound, nullptr);
    ASSERT_TRUE(loaded.perf.Definitionen().Items.at(0)->Resolved);
    int kind = -1;
    EXPECT_NE(loaded.perf.FindItem(UnbankedAdresse(0x105), kind), nullptr);
    EXPECT_EQ(kind, 2);
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

// A live select table on a started board (as in the select table's tests),
// the fake trace for the trace board.
struct LiveRig {
    LiveRig() : ctx(context()), symbols(ctx), lines(symbols, ctx) {
        rig.identify();
        rig.emu->SetConnectionState(TBasisEmulator::StateReady);
        rig.options.pod = 1;
        rig.options.saveBreakTrace = true;
        select.SetPerformance(&perf);
    }
    TargetContext context() {
        TargetContext c;
        c.spaces = &spaces;
        c.banking = &banking;
        return c;
    }
    test::EmuRig rig;
    TBanking banking{*rig.emu, rig.notifier};
    StandardAddressSpaces spaces;
    test::FakeTraceControl traceControl;
    test::RecordingNotifier notifier;
    TargetContext ctx;
    TSymboltabelle symbols;
    TZeilennummertabelle lines;
    TSelectTabelle select{TSelectWiring{*rig.emu, banking, spaces, rig.options, notifier, &traceControl, &symbols,
                                        &lines, nullptr, nullptr}};
    test::FakePerformanceTrace trace;
    TPerformance perf{std::make_unique<TVokWinValidator>(&symbols, nullptr, nullptr, nullptr, ctx),
                      TPerformanceWiring{&trace, &select}};
};

TEST(Performance, DeactivationRestoresTheSelectTablesAndTheTraceBoard) {
    for (bool trigger : {false, true}) {
        LiveRig r;
        r.select.SetBreakMode(bmBreak1);
        if (trigger) r.select.SetTriggerBit(true);
        r.select.SetItemText(14, "0400-0410");
        r.trace.overflow = 500;
        r.trace.base = 2;
        r.perf.SetDefinitionen(definitions({{"f", "0100-0110"}}));
        const auto breakData = r.select.BreakDataImage();
        const std::string text14 = r.select.GetItemText(14);
        const int mode15 = r.select.GetSelectMode(15);

        r.perf.SetActive(true);
        EXPECT_EQ(r.select.BreakMode(), bmTraceOverflow);
        EXPECT_EQ(r.trace.overflow, 1000);
        EXPECT_NE(r.select.GetItemText(14), text14);

        ASSERT_NO_THROW(r.perf.SetActive(false)) << trigger;
        EXPECT_EQ(r.select.BreakMode(), bmBreak1) << trigger;
        EXPECT_EQ(r.select.GetTriggerBit(), trigger);
        EXPECT_EQ(r.select.GetItemText(14), text14);
        EXPECT_EQ(r.select.GetSelectMode(15), mode15);
        EXPECT_EQ(r.trace.overflow, 500);
        EXPECT_EQ(r.trace.modes.back(), 3);
        for (std::size_t v = 0; v < breakData.size(); ++v)
            EXPECT_EQ(r.select.BreakDataImage()[v] & 0x20, breakData[v] & 0x20) << v;
    }
}

}  // namespace
}  // namespace tarvex
