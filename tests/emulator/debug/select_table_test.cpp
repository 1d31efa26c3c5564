#include "emulator/debug/select_table.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/line_table.hpp"
#include "core/messages.hpp"
#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "emulator/banking.hpp"
#include "emulator/debug/kdo_select_table.hpp"
#include "tests/emulator/select_bench.hpp"
#include "tests/support/fake_trace.hpp"
#include "tests/support/target/fake_performance_trace.hpp"
#include "tests/support/target/sim_target.hpp"

namespace tarvex {
namespace {

using test::EmuRig;
using test::FakeTraceControl;
using test::RecordingNotifier;
using test::SelectBench;

std::string addrText(const TBankAdresse& a) {
    return a.banked && !a.allBanks ? Format("%.2X:%.4X", a.bank, a.offset) : Format("%.4X", a.offset);
}

// The live table with a record of every range it hands towards the board.
class RecordingTable final : public TSelectTabelle {
public:
    using TSelectTabelle::TSelectTabelle;
    void TransmitSelectItem(const TSelectItem& item, int kind, bool set, bool progress) override {
        sent.push_back(Format("%s %d %s-%s", set ? "set" : "clear", kind, addrText(item.start).c_str(),
                              addrText(item.end).c_str()));
        TSelectTabelle::TransmitSelectItem(item, kind, set, progress);
    }
    std::vector<std::string> sent;
};

// A started TARVEX-IV in the simulator, unbanked, with symbols "main"
// (function 0x0100-0x011F), "loop" (0x0200) and "done" (0x0300).
struct SelectRig : SelectBench {
    SelectRig() {
        rig.wire.clear();
        symbols.AddFunction("main", 0, UnbankedAdresse(0x0100), UnbankedAdresse(0x011F), 1);
        symbols.AddSymbol(sspProgram, "loop", 0, 0, 240, 1, 19, UnbankedAdresse(0x0200));
        symbols.AddSymbol(sspProgram, "done", 0, 0, 240, 1, 19, UnbankedAdresse(0x0300));
    }
    std::vector<std::uint8_t> section(const TSelectTabelle& t) const {
        platform::MemoryStream m;
        ValueWriter w(m);
        t.WriteToStream(w);
        return m.bytes();
    }
};

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(none)";
}

TEST(SelectTable, SetAndClearWidenSplitMergeAndRefuse) {
    SelectRig s;
    RecordingTable t(s.wiring());
    struct Step {
        bool set;
        const char* text;
        const char* list;  // afterwards
        const char* sent;  // "" nothing
        int error;         // message number, 0 none
    } const steps[] = {
        {true, "1000-10FF", "1000 - 10FF", "set 11 1000-10FF", 0},
        {true, "1080-11FF", "1000 - 11FF", "set 11 1000-11FF", 0},  // widened down
        {true, "1100-1180", "1000 - 11FF", "", 129},
        {true, "1200-12FF", "1000 - 12FF", "set 11 1200-12FF", 0},  // touching: merged
        {false, "1100-11FF", "1000 - 10FF;1200 - 12FF", "clear 11 1100-11FF", 0},
        {false, "2000", "1000 - 10FF;1200 - 12FF", "", 0},
        {false, "10F0-120F", "1000 - 10EF;1210 - 12FF", "clear 11 10F0-120F", 0},
        {false, "0000 FFFF", "", "clear 11 0000-FFFF", 0},
    };
    for (const Step& step : steps) {
        t.sent.clear();
        const std::string error = errorOf([&] { step.set ? t.SetRange(step.text, 11) : t.ClearRange(step.text, 11); });
        EXPECT_EQ(error, step.error ? std::string(LoadStr(step.error)) : "(none)") << step.text;
        EXPECT_EQ(t.GetItemText(11), step.list) << step.text;
        EXPECT_EQ(t.sent.empty() ? "" : t.sent.front(), std::string(step.sent)) << step.text;
    }
    EXPECT_EQ(s.notifier.count(notify::BreakTablesChanged), 6);

    // Cut ends of a named range name the cleared range's symbols.
    t.SetRange("loop-done", 10);
    t.ClearRange("0250-0260", 10);
    EXPECT_EQ(t.GetItemText(10), "loop - 024F;0261 - done");
    t.ClearRange("loop", 10);
    EXPECT_EQ(t.GetItemText(10), "(loop+1) - 024F;0261 - done");

    // A function alone on a trace kind is the whole function; cutting its
    // start keeps the function's end.
    t.GetList(14).Clear();
    t.SetRange("main", 14);
    EXPECT_EQ(t.GetList(14)[0].name2, std::string(1, '\0') + "main");
    EXPECT_EQ(t.GetItemTextPlain(14), "main - main");
    EXPECT_EQ(addrText(t.GetList(14)[0].end), "011F");
    t.ClearRange("0100-0107", 14);
    EXPECT_EQ(t.GetItemText(14), "0108 - @main");
    EXPECT_EQ(s.notifier.count(notify::TraceTablesChanged), 2);

    // Refusals: a kind outside 10-23, an address outside the kind's space.
    EXPECT_EQ(errorOf([&] { t.SetRange("1000", 9); }), LoadStr(272));
    EXPECT_EQ(errorOf([&] { t.SetRange("100", 18); }), FmtLoadStr(66, 0x100));
}

TEST(SelectTable, DataBusAndMapRangesChangeTheirImages) {
    SelectRig s;
    RecordingTable t(s.wiring());
    const std::size_t notices = s.rig.notice.shown().size();
    t.SetRange("00-FF", 18);
    EXPECT_EQ(t.GetItemText(18), "00 - FF");
    t.ClearRange("10-1F", 18);
    t.SetRange("0200", 12);
    t.DeleteItem(12, 0);  // no progress shown
    EXPECT_EQ(std::vector<std::string>(s.rig.notice.shown().begin() + static_cast<std::ptrdiff_t>(notices),
                                       s.rig.notice.shown().end()),
              (std::vector<std::string>{"Setting data bus condition", "Clearing data bus condition",
                                        "Setting break addresses"}));
    EXPECT_FALSE(s.rig.notice.open());
    EXPECT_EQ(t.BreakDataImage()[0x10], 0xFE);
    EXPECT_EQ(t.BreakDataImage()[0x20], 0xFF);

    t.SetRange("0123-0140", 23);  // whole 64-byte pages
    EXPECT_EQ(t.GetItemText(23), "0100 - 017F");
    EXPECT_EQ(t.MapImage()[3], 0x02);
    EXPECT_EQ(t.MapImage()[4], 0x03);
    EXPECT_EQ(t.MapImage()[5], 0x03);
    EXPECT_EQ(t.MapImage()[6], 0x02);
    EXPECT_EQ(s.notifier.count(notify::ExtDataChanged), 1);
    EXPECT_TRUE(t.ProgramMapped(UnbankedAdresse(0), UnbankedAdresse(0)) == false);

    // The external-data map on a pod that cannot map it.
    s.rig.options.pod = 11;
    s.rig.options.adapterName = "DEBUG";
    EXPECT_EQ(errorOf([&] { t.SetRange("0200", 23); }), FmtResStr(rs::NoMappingOfExtData, "DEBUG"));
    t.ResetExtDataMap();
    ASSERT_EQ(s.rig.boxes.shown().size(), 1u);
    EXPECT_EQ(s.rig.boxes.shown()[0].text, "No mapping of ExtData memory\nwith DEBUG Clearing map addresses");
    EXPECT_TRUE(t.GetList(23).Empty());
    EXPECT_EQ(t.MapImage()[4], 0x02);
}

TEST(SelectTable, SetItemTextChangesNothingWhenAPieceIsRefused) {
    SelectRig s;
    RecordingTable t(s.wiring());
    t.SetRange("2000-20FF", 10);
    t.sent.clear();
    for (const char* text : {"1000-10FF;nosuchsymbol", "0000-00FF;0100-01FF;0080-0180"}) {
        EXPECT_THROW(t.SetItemText(10, text), EVokWinError) << text;
        EXPECT_EQ(t.GetItemText(10), "2000 - 20FF") << text;
        EXPECT_TRUE(t.sent.empty()) << text;
    }
    EXPECT_EQ(errorOf([&] { t.SetItemText(10, "0000-00FF;0100-01FF;0080-0180"); }), LoadStr(129));
    EXPECT_FALSE(t.SetItemText(10, "2000 - 20FF"));
    EXPECT_TRUE(t.SetItemText(10, "1000-10FF; 3000"));
    EXPECT_EQ(t.GetItemText(10), "1000 - 10FF;3000");
    EXPECT_EQ(t.sent, (std::vector<std::string>{"clear 10 2000-20FF", "set 10 1000-10FF", "set 10 3000-3000"}));
    EXPECT_TRUE(t.SetItemText(10, ""));
    EXPECT_TRUE(t.GetList(10).Empty());
}

TEST(SelectTable, BreakModesSelectModesAndTheirRegisters) {
    SelectRig s;
    TSelectTabelle t(s.wiring());
    // Construction: channels OPCODE (5), trace 15 READ, 16 WRITE, triggers off.
    EXPECT_EQ(t.RegisterImage()[0], 5);
    EXPECT_EQ(t.RegisterImage()[11], 0x12);
    EXPECT_EQ(t.RegisterImage()[12], 0x71);
    EXPECT_EQ(t.RegisterImage()[4], 0x18);

    t.SetSelectMode(11, select_mode::Write);
    EXPECT_EQ(t.RegisterImage()[2], 2);
    t.SetBreakMode(bmLogicProbes);
    EXPECT_EQ(t.GetSelectMode(10), select_mode::Opcode);  // still reads the saved mode
    EXPECT_EQ(t.RegisterImage()[0] & 7, 7);
    EXPECT_TRUE(t.GetTriggerBit());
    t.SetSelectMode(10, select_mode::Program);  // only remembered while the channel is taken
    EXPECT_EQ(t.RegisterImage()[0] & 7, 7);
    t.SetBreakMode(bmBreak1);
    EXPECT_EQ(t.GetSelectMode(10), select_mode::Program);
    EXPECT_EQ(t.RegisterImage()[0] & 7, 4);

    const auto registers = t.RegisterImage();
    const int notified = s.notifier.count(notify::BreakTablesChanged);
    EXPECT_EQ(errorOf([&] { t.SetBreakMode(bmStandard); }), LoadStr(272));
    EXPECT_EQ(t.BreakMode(), bmBreak1);
    EXPECT_EQ(t.RegisterImage(), registers);
    EXPECT_EQ(s.notifier.count(notify::BreakTablesChanged), notified);
    EXPECT_EQ(errorOf([&] { t.SetSelectMode(14, select_mode::Read); }), LoadStr(272));

    // A code mode on kind 15 is the shared trace code mode.
    t.SetSelectMode(15, select_mode::LineNumber);
    EXPECT_EQ(t.GetSelectMode(14), select_mode::LineNumber);
    EXPECT_EQ(t.RegisterImage()[11] & 0x03, 0);
    EXPECT_EQ(t.RegisterImage()[12] & 0x03, 2);
    s.trace.system = true;
    t.RefreshTraceCodeMode();
    EXPECT_EQ(t.RegisterImage()[12] & 0x03, 3);
    EXPECT_EQ(t.GetSelectMode(14), select_mode::LineNumber);

    EXPECT_EQ(errorOf([&] { t.SetTimeBase(3); }), "Value in Time base not valid");
    t.SetBreakOnReturn(true);
    int withBit = 0;
    for (int v = 0; v < 256; ++v) withBit += (t.BreakDataImage()[static_cast<std::size_t>(v)] & 0x20) != 0;
    EXPECT_EQ(withBit, 2);
    EXPECT_EQ(t.BreakDataImage()[0x22] & 0x20, 0x20);
    EXPECT_EQ(t.BreakDataImage()[0x32] & 0x20, 0x20);
}

TEST(SelectTable, TriggersNeverShareASource) {
    SelectRig s;
    TSelectTabelle t(s.wiring());
    struct Step {
        int which, source;
        int end, start;  // afterwards
        int beeps;       // in all
        const char* error;
    } const steps[] = {
        {0, 1, 1, 3, 0, nullptr},
        {1, 1, 3, 1, 1, nullptr},                              // the end trigger gives way
        {0, 1, 3, 1, 2, nullptr},                              // the end trigger is refused
        {0, 3, 3, 1, 2, nullptr},                              // off never conflicts
        {1, 3, 3, 3, 2, nullptr},
        {0, 2, 3, 3, 2, "Value in Trace trigger not valid"},  // source 2 needs the trigger bit
        {0, 0, 0, 3, 2, nullptr},
    };
    for (const Step& step : steps) {
        const std::string error = errorOf([&] { t.SetTrigger(step.which, step.source); });
        EXPECT_EQ(error, step.error ? step.error : "(none)");
        EXPECT_EQ(t.GetTrigger(0), step.end);
        EXPECT_EQ(t.GetTrigger(1), step.start);
        EXPECT_EQ(s.rig.boxes.beeps(), step.beeps);
    }
    // End trigger on source 0 with the trigger bit off: bit 3 and 4 of byte 4
    // set (sources 1 and 2 unused), byte 12 0x80 | 0x70, channel 11 unused.
    EXPECT_EQ(t.RegisterImage()[4] & 0x38, 0x18);
    EXPECT_EQ(t.RegisterImage()[12] & 0xFC, 0xF0);
    EXPECT_EQ(t.RegisterImage()[2] & 7, 7);
    t.SetTriggerBit(true);  // source 0 is not allowed any more
    EXPECT_EQ(t.GetTrigger(0), 3);
    EXPECT_EQ(t.RegisterImage()[4] & 0x20, 0x20);
    t.SetBreakMode(bmTraceOverflow);
    EXPECT_EQ(errorOf([&] { t.SetTriggerBit(false); }), LoadStr(281));
}

TEST(SelectTable, AddAddressPicksTheChannel) {
    SelectRig s;
    TSelectTabelle t(s.wiring());
    struct Row {
        TBreakMode mode;
        int kind;
    } const rows[] = {{bmBreak1, 10}, {bmBreak2, 12}, {bmBreak2nachBreak1, 12}, {bmBreak1nachBreak2, 10}};
    for (const Row& row : rows) {
        t.GetList(10).Clear();
        t.GetList(12).Clear();
        t.SetBreakMode(row.mode);
        t.AddAddress(UnbankedAdresse(0x1234), true);
        EXPECT_EQ(t.GetItemText(row.kind), "1234") << int(row.mode);
        EXPECT_EQ(t.GetList(row.kind == 10 ? 12 : 10).Count(), 0) << int(row.mode);
    }
    // The channel that holds the address loses it (disable and kill alike).
    t.SetBreakMode(bmBreak1orBreak2);
    t.SetRange("1234", 12);
    EXPECT_EQ(t.BreakChannelAt(UnbankedAdresse(0x1234)), 1);
    t.AddAddress(UnbankedAdresse(0x1234), false);
    EXPECT_TRUE(t.GetList(10).Empty());
    EXPECT_EQ(t.GetItemText(12), "1234");
    EXPECT_EQ(t.BreakChannelAt(UnbankedAdresse(0x1234)), 2);
    t.SetSelectMode(10, select_mode::Read);
    t.SetBreakMode(bmBreak1);
    EXPECT_EQ(errorOf([&] { t.AddAddress(UnbankedAdresse(0x1000), true); }), LoadStr(272));
}

TEST(SelectTable, CountersShareTheirHardware) {
    SelectRig s;
    TKdoSelectTabelle offline(s.wiring());
    offline.SetCounter(10, 300);
    EXPECT_EQ(offline.CounterLimit(12), 0);
    EXPECT_EQ(offline.CounterLimit(11), 255);
    EXPECT_EQ(errorOf([&] { offline.SetCounter(12, 2); }), "Value in Break counter not valid");
    offline.SetCounter(11, 2);
    EXPECT_EQ(offline.CounterLimit(10), 65535);
    EXPECT_EQ(errorOf([&] { offline.SetCounter(10, 0); }), "Value in Break counter not valid");

    TSelectTabelle t(s.wiring());
    struct Row {
        std::int32_t c10;
        std::uint8_t r7, r8, r9, r10;
    } const rows[] = {{2, 0xFF, 0, 0xFE, 0xFF}, {300, 0xFF, 1, 0xD4, 0xFE}, {70000, 0xFE, 3, 0x90, 0xEE}};
    for (const Row& row : rows) {
        t.SetCounter(10, row.c10);
        const auto& r = t.RegisterImage();
        EXPECT_EQ((std::vector<int>{r[7], r[8], r[9], r[10], r[5], r[6]}),
                  (std::vector<int>{row.r7, row.r8, row.r9, row.r10, row.r9, row.r10}))
            << row.c10;
    }
    t.SetTriggerCounter(5);
    EXPECT_EQ(t.TriggerCounterImage(), (std::array<std::uint8_t, 3>{0xFA, 0xFF, 0xFF}));
    EXPECT_EQ(t.GetTriggerCounter(), 5u);
}

TEST(SelectTable, LogicProbesDefaultsAndDefaultLists) {
    SelectRig s;
    TSelectTabelle t(s.wiring());
    t.SetBreakMode(bmLogicProbes);
    s.rig.emu->SetGeraet(0);
    t.SetLogicProbeText("XXXXXXXXXXX1");  // a TARVEX-IV: the truth table
    for (std::uint8_t b : t.LogicProbeImage()) ASSERT_EQ(b, 0xAA);
    t.SetLogicProbeText("1");
    EXPECT_EQ(t.GetLogicProbeText(), "XXXXXXXXXXX1");
    t.SetLogicProbeText("0XXXXXXXXX10");  // input 1 low: the lower half only
    EXPECT_EQ(t.LogicProbeImage()[0], 0x44);
    EXPECT_EQ(t.LogicProbeImage()[255], 0x44);
    EXPECT_EQ(t.LogicProbeImage()[256], 0x00);
    t.SetBreakMode(bmBreak1);
    EXPECT_EQ(t.GetLogicProbeText(), "");

    s.rig.emu->SetGeraet(1);
    s.trace.boardVersion = 1;
    t.SetBreakMode(bmLogicProbes);
    t.SetLogicProbeText("10");
    EXPECT_EQ(s.trace.calls.back(), "setBreakOnLogicProbe XXXXXXXXXXXXXX10");

    t.ClearRange("00-FF", 19);
    t.SetRange("5000-5FFF", 12);
    t.SetDefaults();
    for (int kind = 18; kind <= 21; ++kind) EXPECT_EQ(t.GetItemText(kind), "00 - FF");
    EXPECT_TRUE(t.GetList(12).Empty());
    EXPECT_EQ(t.BreakMode(), bmBreak1);

    // A start gives the unchanged lists their defaults and keeps the others.
    t.SetRange("0300-03FF", 10);
    EXPECT_FALSE(t.ProgramMapped(UnbankedAdresse(0x1000), UnbankedAdresse(0x1FFF)));
    t.InitEmulStart();
    EXPECT_TRUE(t.ProgramMapped(UnbankedAdresse(0x1000), UnbankedAdresse(0x1FFF)));
    EXPECT_EQ(t.GetItemText(10), "0300 - 03FF");
    EXPECT_EQ(t.GetItemText(16), "0000 - FFFF");  // external data: 64 KiB

    t.SetItemText(14, "0100-01FF");
    t.ResetList(14);
    EXPECT_EQ(t.GetItemText(14), "0000 - FFFF");
    EXPECT_FALSE(t.GetList(14).Changed());
    EXPECT_EQ(t.TraceRangeState(0x0010, 0x0020), 1);
}

// A table with ranges in every streamed kind and every setting off its
// default.
void fill(TSelectTabelle& t) {
    t.SetCounter(10, 300);
    t.SetCounter(11, 7);
    t.SetBreakMode(bmBreak1orBreak2);
    t.SetRange("1000-10FF", 10);
    t.SetRange("loop-done", 10);
    t.SetRange("2000", 11);
    t.SetSelectMode(12, select_mode::Read);
    t.SetRange("0400-04FF", 12);
    t.SetRange("ABCD", 13);
    t.SetRange("main", 14);
    t.SetRange("3000-3FFF", 15);
    t.SetSelectMode(16, select_mode::ReadWrite);
    t.SetRange("8000-80FF", 16);
    t.SetRange("0000-3FFF", 22);
    t.ClearRange("0000-FFFF", 22);
    t.SetRange("0000-7FFF", 22);
    t.SetRange("0123-0140", 23);
    t.SetTriggerBit(true);
    t.SetTrigger(1, 1);
    t.SetTrigger(0, 2);
    t.SetFilterSwitch(true);
    t.SetTimeBase(2);
    t.SetTriggerCounter(77);
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SelectTable, TheSectionReadsBackIntoAFreshTable) {
    SelectRig s;
    TSelectTabelle t(s.wiring());
    fill(t);
    const auto bytes = s.section(t);

    TSelectTabelle fresh(s.wiring());
    platform::MemoryStream m(bytes);
    ValueReader r(m);
    fresh.ReadFromStream(r, TSelectTabelle::SectionVersion);
    EXPECT_TRUE(r.EndOfStream());
    for (int kind = 10; kind <= 23; ++kind) EXPECT_EQ(fresh.GetItemText(kind), t.GetItemText(kind)) << kind;
    for (int kind = 10; kind <= 16; ++kind) EXPECT_EQ(fresh.GetSelectMode(kind), t.GetSelectMode(kind)) << kind;
    for (int kind = 10; kind <= 12; ++kind) EXPECT_EQ(fresh.GetSelectValue(kind), t.GetSelectValue(kind)) << kind;
    EXPECT_EQ(fresh.BreakMode(), t.BreakMode());
    EXPECT_EQ(fresh.GetTrigger(0), 2);
    EXPECT_EQ(fresh.GetTrigger(1), 1);
    EXPECT_EQ(fresh.RegisterImage(), t.RegisterImage());
    EXPECT_EQ(fresh.MapImage(), t.MapImage());
    EXPECT_EQ(fresh.GetTimeBase(), 2);
    EXPECT_EQ(fresh.GetTriggerCounter(), 77u);
    EXPECT_EQ(s.section(fresh), bytes);

    // The committed section of version 6 reads and writes again byte for byte.
    const auto golden = test::sourceDir() / "tests" / "emulator" / "data" / "select_section_v6.bin";
    if (std::getenv("TARVEX_WRITE_GOLDEN") != nullptr) std::ofstream(golden, std::ios::binary).write(
        reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const auto stored = readFile(golden);
    ASSERT_FALSE(stored.empty());
    TSelectTabelle again(s.wiring());
    platform::MemoryStream g(stored);
    ValueReader gr(g);
    again.ReadFromStream(gr, 6);
    EXPECT_EQ(s.section(again), stored);
}

// The section of a version before 5: addresses without flags, and before
// version 4 no second names; up to version 5 no trigger count.
std::vector<std::uint8_t> oldSection(int version) {
    platform::MemoryStream m;
    ValueWriter w(m);
    w.WriteBoolean(true);
    for (int v : {int(bmBreak2), 100, 1}) w.WriteInteger(v);
    w.WriteBoolean(true);
    for (int v : {1, 1, 4}) w.WriteInteger(v);
    w.WriteListBegin();
    w.WriteInteger(12);
    w.WriteBoolean(true);
    w.WriteListBegin();
    w.WriteBoolean(true);
    for (int v : {0xFF, 0x1000, 0xFF, 0x10FF}) w.WriteInteger(v);
    w.WriteString("");
    if (version >= 4) w.WriteString("");
    w.WriteInteger(0);
    w.WriteBoolean(false);
    w.WriteListEnd();
    w.WriteListEnd();
    for (int v : {0, 0, 0, 0, 0, 3, 4}) w.WriteInteger(v);
    w.WriteString("");
    w.WriteBoolean(false);
    w.WriteInteger(3);
    w.WriteInteger(3);
    w.WriteBoolean(false);
    test::writeIdlePerformanceSettings(w);  // an inactive performance measurement
    w.WriteBoolean(false);
    return m.bytes();
}

TEST(SelectTable, OlderSectionsAndLoadsThatMustNotFail) {
    for (int version : {3, 4}) {
        SelectRig s;
        TSelectTabelle t(s.wiring());
        platform::MemoryStream m(oldSection(version));
        ValueReader r(m);
        t.ReadFromStream(r, version);
        EXPECT_TRUE(r.EndOfStream()) << version;
        EXPECT_EQ(t.GetItemText(12), "1000 - 10FF") << version;
        EXPECT_EQ(t.BreakMode(), bmBreak2) << version;
        EXPECT_EQ(t.GetSelectValue(12), 4) << version;
        EXPECT_EQ(s.trace.overflow, 100) << version;
    }

    SelectRig s;
    TSelectTabelle source(s.wiring());
    source.SetTrigger(0, 0);  // trigger bit off, end trigger on source 0
    source.SetCounter(10, 300);
    const auto section = s.section(source);

    // Loaded over a table with the trigger bit on and a counter the stored
    // ones leave no room for.
    TSelectTabelle live(s.wiring());
    live.SetTriggerBit(true);
    live.SetTrigger(1, 2);
    live.SetCounter(12, 5);
    platform::MemoryStream m(section);
    ValueReader r(m);
    live.ReadFromStream(r, 6);
    EXPECT_TRUE(r.EndOfStream());
    EXPECT_EQ(live.GetTrigger(0), 0);
    EXPECT_EQ(live.GetTrigger(1), 3);
    EXPECT_FALSE(live.GetTriggerBit());
    EXPECT_EQ(live.GetSelectValue(10), 300);
    EXPECT_EQ(live.RegisterImage(), source.RegisterImage());
    EXPECT_EQ(s.rig.boxes.beeps(), 0);

    // The map lists stay when the options do not keep the map.
    TSelectTabelle mapped(s.wiring());
    mapped.SetRange("0400", 23);
    s.rig.options.saveMap = false;
    platform::MemoryStream m2(section);
    ValueReader r2(m2);
    mapped.ReadFromStream(r2, 6);
    EXPECT_EQ(mapped.GetItemText(23), "0400 - 043F");
    EXPECT_TRUE(r2.EndOfStream());
}

// Stored names that read as plain numbers never move a range: a stray
// second name "2" beside the range 2000 (a fuzzer's find: it came back as
// 0002 - 2000, then 0002), and a symbol "add" that vanished, which read as
// 0ADD and stayed in the list instead of leaving it.
TEST(SelectTable, NamesThatReadAsNumbersLeaveTheirRangeAlone) {
    SelectRig s;
    const auto input = readFile(test::sourceDir() / "tests" / "emulator" / "data" / "select_section_stray_name.bin");
    ASSERT_FALSE(input.empty());
    TKdoSelectTabelle t(s.wiring());
    platform::MemoryStream m(std::vector<std::uint8_t>(input.begin() + 1, input.end()));
    ValueReader r(m);
    t.ReadFromStream(r, 1 + input[0] % 6);  // the fuzzer's version byte
    EXPECT_EQ(t.GetItemText(11), "2000");
    const auto written = s.section(t);
    platform::MemoryStream back(written);
    ValueReader br(back);
    t.ReadFromStream(br, TSelectTabelle::SectionVersion);
    EXPECT_EQ(t.GetItemText(11), "2000");
    EXPECT_EQ(s.section(t), written);

    TSelectTabelle live(s.wiring());
    s.symbols.AddSymbol(sspProgram, "add", 0, 0, 240, 1, 19, UnbankedAdresse(0x0400));
    live.SetRange("add", 10);
    live.SetRange("loop", 12);
    s.symbols.Clear();
    s.symbols.AddSymbol(sspProgram, "loop", 0, 0, 240, 1, 19, UnbankedAdresse(0x0200));
    live.Notify(notify::SymbolFileFound, &s.symbols);
    EXPECT_EQ(live.GetItemText(10), "");
    EXPECT_EQ(live.GetItemText(12), "loop");
}

// A section written in any break mode reads back into the same table, live
// and offline: channel 1's own mode too while the logic probes or the
// overflow hold the channel.
TEST(SelectTable, EveryBreakModeReadsBack) {
    for (const bool offline : {false, true}) {
        for (int mode = bmBreak1; mode <= bmHllSingleStep; ++mode) {
            SCOPED_TRACE(testing::Message() << "break mode " << mode << (offline ? " offline" : " live"));
            SelectRig s;
            const auto make = [&]() -> std::unique_ptr<TSelectTabelle> {
                if (offline) return std::make_unique<TKdoSelectTabelle>(s.wiring());
                return std::make_unique<TSelectTabelle>(s.wiring());
            };
            auto t = make();
            t->SetSelectMode(10, select_mode::Write);
            t->SetRange("4000-40FF", 10);
            t->SetSelectMode(12, select_mode::Program);
            t->SetRange("0100-01FF", 12);
            t->SetBreakMode(mode);
            const auto bytes = s.section(*t);
            auto back = make();
            platform::MemoryStream m(bytes);
            ValueReader r(m);
            ASSERT_NO_THROW(back->ReadFromStream(r, TSelectTabelle::SectionVersion));
            EXPECT_EQ(back->BreakMode(), t->BreakMode());
            for (int kind = 10; kind <= 16; ++kind)
                EXPECT_EQ(back->GetSelectMode(kind), t->GetSelectMode(kind)) << kind;
            EXPECT_EQ(back->GetItemText(10), "4000 - 40FF");
            // An offline table in the probe or overflow mode may hold the
            // trigger bit off; it reads back on.
            if (!offline) {
                EXPECT_EQ(s.section(*back), bytes);
            }
            // Back in a mode of its own, channel 1 watches its data range again.
            t->SetBreakMode(bmBreak1);
            back->SetBreakMode(bmBreak1);
            EXPECT_EQ(back->GetSelectMode(10), select_mode::Write);
            if (!offline) {
                EXPECT_EQ(back->RegisterImage(), t->RegisterImage());
            }
        }
    }
}

// A line step borrows the break logic: the user's probe pattern survives it.
TEST(SelectTable, ALineStepKeepsTheLogicProbePattern) {
    SelectRig s;
    TSelectTabelle t(s.wiring());
    t.SetBreakMode(bmLogicProbes);
    t.SetLogicProbeText("XXXXXXXXXXX1");
    const std::string pattern = t.GetLogicProbeText();
    ASSERT_FALSE(pattern.empty());
    t.SaveBreakMode();
    EXPECT_EQ(t.BreakMode(), bmHllSingleStep);
    t.RestoreBreakMode();
    EXPECT_EQ(t.BreakMode(), bmLogicProbes);
    EXPECT_EQ(t.GetLogicProbeText(), pattern);
}

// The lists of a section are taken as a set takes ranges: what lies outside
// the kind's space is dropped, overlapping ranges merge, and a mode 6 on
// channel 1 outside the probe and overflow modes means its own mode.
TEST(SelectTable, ReadListsAreCheckedAsSetsAre) {
    SelectRig s;
    platform::MemoryStream m;
    {
        ValueWriter w(m);
        w.WriteBoolean(true);
        for (int v : {int(bmBreak1), 100, 1, 0}) w.WriteInteger(v);
        w.WriteBoolean(true);
        for (int v : {1, 1, 1}) w.WriteInteger(v);
        w.WriteListBegin();
        w.WriteInteger(10);
        w.WriteBoolean(true);
        w.WriteListBegin();
        const auto item = [&](TBankAdresse a, TBankAdresse b) {
            w.WriteBoolean(true);
            WriteBankAdresse(w, a);
            WriteBankAdresse(w, b);
            w.WriteString("");
            w.WriteString("");
            w.WriteInteger(0);
            w.WriteBoolean(false);
        };
        item(BankedAdresse(0, 0x1000), BankedAdresse(0xFF, 0x2000));  // banked in an unbanked set-up
        item(UnbankedAdresse(0x1000), UnbankedAdresse(0x18FF));
        item(UnbankedAdresse(0x1800), UnbankedAdresse(0x28FF));
        item(UnbankedAdresse(0x2000), UnbankedAdresse(0x20FF));
        w.WriteListEnd();
        w.WriteListEnd();
        for (int v : {6, 0, 0, 0, 0, 3, 4}) w.WriteInteger(v);
        w.WriteString("");
        w.WriteBoolean(false);
        w.WriteInteger(3);
        w.WriteInteger(3);
        w.WriteBoolean(false);
        test::writeIdlePerformanceSettings(w);
        w.WriteBoolean(false);
    }
    m.seek(0);
    RecordingTable t(s.wiring());
    t.InitEmulStart();
    t.sent.clear();
    ValueReader r(m);
    t.ReadFromStream(r, TSelectTabelle::SectionVersion);
    EXPECT_EQ(t.GetItemText(10), "1000 - 28FF");
    EXPECT_EQ(t.GetSelectMode(10), select_mode::Opcode);
    EXPECT_EQ(t.RegisterImage()[0] & 7, 5);  // OPCODE on the board
    std::size_t sets = 0;
    for (const auto& line : t.sent) sets += line.rfind("set 10 ", 0) == 0;
    EXPECT_EQ(sets, 1u);
    t.ClearRange("1900", 10);
    EXPECT_EQ(t.GetItemText(10), "1000 - 18FF;1901 - 28FF");
}

TEST(SelectTable, TheOfflineTableNeverReachesBoardOrNotifier) {
    SelectRig s;
    TSelectTabelle live(s.wiring());
    fill(live);
    const auto section = s.section(live);
    s.rig.wire.clear();
    s.notifier.sent.clear();
    s.trace.calls.clear();
    s.trace.base = 1;
    s.trace.overflow = 500;

    TKdoSelectTabelle t(s.wiring());
    t.CopyFrom(live);
    EXPECT_EQ(t.GetItemText(10), live.GetItemText(10));
    EXPECT_EQ(t.GetTimeBase(), 1);
    EXPECT_TRUE(t.GetTriggerBit());
    t.SetBreakMode(bmTraceOverflow);
    EXPECT_EQ(t.GetOverflowText(), "500");
    t.SetOverflowText("7");
    EXPECT_EQ(t.GetOverflowText(), "7");
    t.SetSelectMode(15, select_mode::Program);
    EXPECT_EQ(t.GetSelectMode(14), select_mode::Program);
    EXPECT_EQ(errorOf([&] { t.SetSelectMode(14, select_mode::Write); }), LoadStr(272));
    t.SetRange("7000-70FF", 11);
    t.ClearRange("7000", 11);
    t.SetItemText(13, "1111");
    t.DeleteItem(13, 0);
    t.AddAddress(UnbankedAdresse(0x0555), true);
    t.SetCounter(10, 2);
    t.SetTimeBase(2);
    t.SetTriggerBit(true);
    t.SetLogicProbeText("1X");
    t.SetDefaults();
    t.SetMapDefaults();
    t.ResetTraceSettings();
    EXPECT_TRUE(t.TraceSettingsReset());
    EXPECT_EQ(t.GetItemText(14), "0000 - FFFF");
    EXPECT_FALSE(t.GetTriggerBit());
    platform::MemoryStream m(section);
    ValueReader r(m);
    t.ReadFromStream(r, 6);
    t.InitEmulStart();
    t.Notify(notify::ProcessorChanged, nullptr);

    EXPECT_TRUE(s.rig.wire.empty());
    EXPECT_TRUE(s.notifier.sent.empty());
    EXPECT_TRUE(s.trace.calls.empty());
}

TEST(SelectTable, TheMemorySpacesCheckTheAddresses) {
    test::SimTarget target;
    FakeTraceControl trace;
    TSelectTabelle t(TSelectWiring{*target.emu, *target.banking, *target.spaces, target.options, target.notifier,
                                   &trace, nullptr, nullptr, &target.registers, nullptr, target.spaces.get()});
    target.space(SpaceKind::ExtData).SetXdataMaxAdresse(0x7FFF);
    t.SetSelectMode(11, select_mode::Read);
    t.SetRange("7000-7FFF", 11);
    EXPECT_EQ(t.GetItemText(11), "7000 - 7FFF");
    EXPECT_EQ(errorOf([&] { t.SetRange("8000", 11); }), FmtLoadStr(66, 0x8000));
    EXPECT_EQ(errorOf([&] { t.SetRange("0100", 18); }), FmtLoadStr(66, 0x0100));
}

TEST(SelectTable, DefaultTraceListsWithCodeBanking) {
    SelectRig s;
    s.rig.emu->SetConnectionState(TBasisEmulator::StateStarted);
    s.banking.SetBankingVersion(1);
    s.banking.SetBankingMode(3);
    s.banking.SetBankedAreaStart(0x8000);
    s.banking.SetBankedAreaEnd(0xEFFF);
    s.spaces.setProgramMax(BankedAdresse(3, 0xFFFF));
    RecordingTable t(s.wiring());
    t.ResetList(14);
    EXPECT_EQ(t.GetItemText(14),
              "008000 - 00EFFF;018000 - 01EFFF;028000 - 02EFFF;038000 - 03EFFF; X0000 -  X7FFF; XF000 -  XFFFF");
    // A whole-space clear reaches the all-banks items too.
    t.SetRange("021000", 10);
    t.SetRange("X1000", 10);
    EXPECT_EQ(t.GetItemText(10), "021000; X1000");
    t.SetDefaults();
    EXPECT_TRUE(t.GetList(10).Empty());
}

}  // namespace
}  // namespace tarvex
