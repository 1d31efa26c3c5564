#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "tests/emulator/trace_rig.hpp"

namespace tarvex::test {
namespace {

std::string rec(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s += static_cast<char>(b);
    return s;
}

TEST(TraceFrame, DecodesElevenAndTwelveByteRecords) {
    struct Case {
        std::uint8_t extended;
        std::string record;
        std::uint8_t port2;
        const char* cycle;
        const char* probe;
        const char* port;
        std::uint8_t operandsValid;
    } cases[] = {
        // Version 0: the second port is the status's low nibble.
        {0, rec({0x9B, 0x74, 0x12, 0x34, 0xA5, 0x00, 0x00, 0x01, 0x02, 0x11, 0x22}), 0x0B, "OPCODE", "", "101110100101", 0},
        {1, rec({0x30, 0x55, 0x80, 0x01, 0x0F, 0xF0, 0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02}), 0xF0, " READ ", "1", "1111000000001111", 1},
        {1, rec({0xC0, 0x55, 0x80, 0x01, 0x00, 0x00, 0, 0, 0, 1, 0, 0}), 0x00, " WRITE", "2", "0000000000000000", 1},
        {1, rec({0x60, 0x55, 0x80, 0x01, 0x00, 0x00, 0, 0, 0, 1, 0, 0}), 0x00, "", "1+2", "0000000000000000", 1},
    };
    for (const auto& c : cases) {
        TTraceFrame f(c.extended);
        f.Decode(c.record, 7);
        EXPECT_EQ(f.Index, 7u);
        EXPECT_EQ(f.Port2, c.port2);
        EXPECT_EQ(f.CycleText(), c.cycle);
        EXPECT_EQ(f.LogicProbeText(), c.probe);
        EXPECT_EQ(f.PortText(), c.port);
        EXPECT_EQ(f.OperandsValid, c.operandsValid);
    }
    TTraceFrame f(1);
    f.Decode(cases[1].record, 0x1234);
    EXPECT_EQ(f.TimeStamp, 0xDEADBEEFu);
    EXPECT_EQ(f.Operand1, 0x01);
    EXPECT_EQ(f.Operand2, 0x02);
    EXPECT_EQ(f.Offset(), 0x8001);
    EXPECT_EQ(f.RawText(), rec({0x30, 0x55, 0x80, 0x01, 0x0F, 0xF0}) + "DEADBEEF" + rec({1, 2}) + "00001234");
    // A short record leaves the frame empty.
    f.Decode(cases[1].record.substr(0, 11), 3);
    EXPECT_EQ(f.Index, TTraceFrame::NoIndex);
}

TEST(TraceFrame, TimeTexts) {
    struct Case {
        std::uint32_t value;
        int base;
        const char* text;
    } cases[] = {
        {0, 0, "0,0 \xC2\xB5s"},
        {600'000'000, 0, "1'0,0 \xC2\xB5s"},
        {12'345'678, 1, "12\"345.678 \xC2\xB5s"},
        {5'123, 1, "0\"005.123 \xC2\xB5s"},
        {999, 1, "999 \xC2\xB5s"},
        {61'000'000, 1, "1'01\"000.000 \xC2\xB5s"},
        {3'600'000'000u, 1, "1:00'0 \xC2\xB5s"},
        {15, 2, "150 \xC2\xB5s"},
        {0xFFFFFFFFu, 0, "7'09\"496.729,5 \xC2\xB5s"},
    };
    for (const auto& c : cases) EXPECT_EQ(TBasisTracePlatine::TimeText(c.value, c.base), c.text) << c.value;
}

TEST(TraceBoard, BankOfAFrameFollowsTheBankingMode) {
    TraceRig rig;
    FixedBanking banking(0, true);
    rig.trace.SetBankingInfo(&banking);
    // Status bits 1-3 name the physical bank, bit order reversed; modes 5-11
    // put two or four logical banks into one, told apart by the offset.
    struct Case {
        int mode;
        std::uint8_t status;
        std::uint8_t high;
        TBankAdresse address;
    } cases[] = {
        {0, 0x0E, 0x12, UnbankedAdresse(0x1234)},  // banking off
        {1, 0x0E, 0x12, BankedAdresse(1, 0x1234)},  // mask 0x08: status bit 3 is bank bit 0
        {3, 0x0C, 0x12, BankedAdresse(3, 0x1234)},  // mask 0x0C
        {4, 0x02, 0x12, BankedAdresse(4, 0x1234)},  // mask 0x0E: status bit 1 is bank bit 2
        {5, 0x08, 0x92, BankedAdresse(3, 0x9234)},
        {6, 0x08, 0x12, BankedAdresse(2, 0x9234)},
        {7, 0x0C, 0x92, BankedAdresse(7, 0x9234)},
        {8, 0x06, 0x12, BankedAdresse(12, 0x9234)},
        {8, 0x06, 0x92, BankedAdresse(13, 0x9234)},
        {9, 0x08, 0x12, BankedAdresse(4, 0x5234)},
        {11, 0x06, 0x12, BankedAdresse(8, 0x5234)},
        {11, 0x0C, 0xD2, BankedAdresse(15, 0x5234)},
        // An operand fetch maps as the opcode does.
        {8, 0x66, 0x92, BankedAdresse(13, 0x9234)},
        // A data cycle is not banked without variable banking.
        {8, 0x26, 0x12, UnbankedAdresse(0x1234)},
    };
    for (const auto& c : cases) {
        banking.set(c.mode, false);
        TTraceFrame f(1);
        f.Decode(rec({c.status, 0, c.high, 0x34, 0, 0, 0, 0, 0, 0, 0, 0}), 0);
        EXPECT_EQ(rig.trace.GetAddress(f), c.address) << c.mode << " " << int(c.status);
    }
    // With variable banking a data cycle keeps its bank and the address the
    // program gave.
    banking.set(8, true);
    TTraceFrame f(1);
    f.Decode(rec({0x46, 0, 0x12, 0x34, 0, 0, 0, 0, 0, 0, 0, 0}), 0);
    EXPECT_EQ(rig.trace.GetAddress(f), BankedAdresse(6, 0x1234));
}

TEST(TraceBoard, EncodesQualifiersByteByByte) {
    TraceRig rig;
    FixedBanking banking(3);
    rig.trace.SetBankingInfo(&banking);
    TTraceQualifier q{};
    rig.trace.SetVersion(1);
    rig.trace.EncodeQualifier(q, CycleSet(TC_Read) | CycleSet(TC_Write), 1, "1X0XXXXX" "01XXXXX1", 5);
    EXPECT_EQ(q[3], 1);
    EXPECT_EQ(q[4], 0x60 | 0x0C | 0x90);
    EXPECT_EQ(q[5], 0x20 | 0x0A | 0x10);
    EXPECT_EQ(q[12], 0xC1);
    EXPECT_EQ(q[13], 0x41);
    EXPECT_EQ(q[14], 0xA0);
    EXPECT_EQ(q[15], 0x80);
    // Version 0: four port bits go into the status, limited by the mode.
    rig.trace.SetVersion(0);
    banking.set(1, false);
    q = {};
    rig.trace.EncodeQualifier(q, CycleSet(TC_Opcode), 4, "1111" "XXXXXXXX", 255);
    EXPECT_EQ(q[4], 0x60 | 0x07);
    EXPECT_EQ(q[5], 0x07);
    for (int kind : {0, 1, 2, 3}) {
        TBasisTracePlatine::SetLogicProbeQualifier(q, kind);
        EXPECT_EQ(q[4] & 0x90, 0x90);
        EXPECT_EQ(q[5] & 0x90, (std::array<int, 4>{0x90, 0x10, 0x80, 0x00}[static_cast<std::size_t>(kind)]));
    }
}

TEST(TraceBoard, RefusesCountsAndCyclesTheBoardCannotTake) {
    TraceRig rig;
    for (int bad : {0, 32769}) {
        try {
            rig.trace.SetOverflowCounter(bad);
            FAIL() << bad;
        } catch (const ETraceError& e) {
            EXPECT_EQ(std::string(e.what()), "Value in Trace counter not valid");
        }
    }
    rig.trace.SetOverflowCounter(32768);
    try {
        rig.trace.SetZyklen(CycleSet(TC_Opcode) | CycleSet(TC_Fetch));
        FAIL();
    } catch (const ETraceError& e) {
        EXPECT_EQ(std::string(e.what()), "Cycle combination not valid");
    }
    rig.trace.SetZyklen(CycleSet(TC_Fetch));
    EXPECT_EQ(rig.trace.CycleCode(), 6);
}

// The three counter forms, the search forms and what their answers mean.
TEST(TraceBoard, CounterAndSearchWireFormsOfTheThreeVersions) {
    struct Case {
        const char* version;
        int traceVersion;
        std::vector<std::string> counterWrite;
        std::vector<std::string> search;
    } cases[] = {
        {"3.0 ", 0,
         {"W N A0 26 01", "W N A0 24 02", "W N A0 22 03", "W N A0 20 04"},
         {"6D 00 10 01 02 03 04 05 06 07", "0C 0D 0A 0B"}},
        {"4.0 ", 1,
         {"W N A6 03 01", "W N A6 02 02", "W N A6 01 03", "W N A6 00 04"},
         {"6D 00 10 01 02 03 04 05 06 07", "0E 0F", "0C 0D 0A 0B"}},
        {"5.1 ", 2, {"54 00 12 34"}, {"6D 00 00 10 01 02 03 04 05 06 07 0E 0F 0C 0D 0A 0B"}},
    };
    for (const auto& c : cases) {
        sim::BoardConfig config;
        config.version = c.version;
        if (c.traceVersion == 0) config.identification = "TARVEX  ";
        TraceRig rig(config);
        rig.identify();
        ASSERT_EQ(rig.trace.Version(), c.traceVersion) << c.version;
        rig.tap.script();
        rig.trace.TraceCounterSchreiben(0x1234);
        EXPECT_EQ(rig.tap.writes, c.counterWrite) << c.version;

        rig.tap.script();
        if (c.traceVersion == 2) rig.tap.answer({0x04, 0x12, 0x34});
        else rig.tap.answer({0x01, 0x02, 0x03, 0x04});
        EXPECT_EQ(rig.trace.TraceCounterLesen(), 0x1234u) << c.version;
        if (c.traceVersion == 2) {
            EXPECT_TRUE(rig.trace.OverflowFlag());
        }

        // A window of all frames from 0 on; frame 0x10 is searched from.
        rig.trace.UpdateTraceBuffer(0, 0, 4);
        TTraceQualifier q{};
        for (int k = 1; k < 16; ++k) q[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
        q[1] = 1;
        q[7] = 2, q[6] = 3, q[9] = 4, q[8] = 5, q[4] = 6, q[5] = 7;
        rig.tap.script();
        if (c.traceVersion == 2) rig.tap.answer({0x00, 0x20, 0x00});
        else rig.tap.answer({0x00, 0x20});
        std::uint32_t found = 0;
        EXPECT_TRUE(rig.trace.SearchFrame(0x10, q, found)) << c.version;
        EXPECT_EQ(found, 0x20u);
        EXPECT_EQ(rig.tap.writes, c.search) << c.version;
        rig.tap.script();
        if (c.traceVersion == 2) rig.tap.answer({0xFF, 0xFF, 0xFF});
        else rig.tap.answer({0xFF, 0xFF});
        EXPECT_FALSE(rig.trace.SearchFrame(0x10, q, found)) << c.version;
        // The raised time-out is put back.
        EXPECT_EQ(rig.emu->TimeoutReadWrite(), 2000u);
    }
}

TEST(TraceBoard, LargeMemoryTakesThe24BitIndexOfASearch) {
    sim::BoardConfig config;
    config.version = "6.0 ";
    TraceRig rig(config);
    rig.identify();
    ASSERT_EQ(rig.trace.IndexMask(), 0x1FFFFu);
    rig.tap.script();
    rig.trace.UpdateTraceBuffer(0, 0, 4);
    ASSERT_EQ(rig.trace.FrameCount(), 131072u);
    TTraceQualifier q{};
    rig.tap.answer({0xFF, 0xFF, 0x00});
    std::uint32_t found = 0;
    EXPECT_TRUE(rig.trace.SearchFrame(0, q, found));
    EXPECT_EQ(found, 0xFFFFu);
}

TEST(TraceBoard, FrameWindowAfterResetsAndOverflows) {
    TraceRig rig;
    rig.start();
    rig.trace.SetBreakOnOverflow(true);
    rig.trace.SetOverflowCounter(100);
    rig.trace.ResetTrace();
    EXPECT_EQ(rig.trace.Counter(), 32668u);
    EXPECT_EQ(rig.trace.FirstIndex(), 32668u);
    // The board wrapped and halted: counter 0, overflow.
    rig.trace.UpdateTraceBuffer(0, 0, 4);
    EXPECT_EQ(rig.trace.FrameCount(), 100u);
    EXPECT_EQ(rig.trace.HardwareIndex(99), 32767u);

    // An earlier overflow moved the window; the counter now lies below it
    // without a new overflow: the count stays within the memory.
    rig.trace.SetBreakOnOverflow(false);
    rig.trace.UpdateTraceBuffer(0x20, 0, 4);
    EXPECT_EQ(rig.trace.FirstIndex(), 0x2000u);
    rig.trace.UpdateTraceBuffer(0x10, 0, 0);
    EXPECT_EQ(rig.trace.FrameCount(), (0x1000u - 0x2000u) & 32767u);
    EXPECT_FALSE(rig.trace.FrameValid(rig.trace.FrameCount()));
}

TEST(TraceBoard, VersionZeroMarkerTellsWhetherTheTraceWrapped) {
    sim::BoardConfig config;
    config.version = "3.0 ";
    config.identification = "TARVEX  ";
    TraceRig rig(config);
    rig.identify();
    for (const bool wrapped : {false, true}) {
        rig.tap.script();
        rig.tap.answer({0, 0, 1, 0});  // counter 0x0010
        // The record in the last slot: the marker, or a real frame.
        rig.tap.answer({0x00, wrapped ? 0x74 : 0xA5, 0, 0, 0, 0, 0, 0, 0, 0, 0});
        rig.trace.FlyingTraceStarted();
        EXPECT_EQ(rig.tap.writes.back(), "n 7F FF") << wrapped;
        EXPECT_EQ(rig.trace.FrameCount(), wrapped ? 32768u : 0x10u) << wrapped;
    }
}

TEST(TraceBoard, SourceLineOutOfTheFileIsEmpty) {
    TraceRig rig;
    rig.identify();
    TempDir dir;
    const std::string text = "one\r\ntwo\nthree\r";
    writeBytes(dir.file("m.c"), std::vector<std::uint8_t>(text.begin(), text.end()));
    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    symbols.AddFileName("m.c", 1, 0);
    FakeOptionsInfo options;
    options.files["M.C"] = dir.file("m.c");
    rig.trace.SetTables(&symbols, &lines, &rig.registers);
    rig.trace.SetOptionsInfo(&options);
    rig.trace.SetSpaces(nullptr);
    lines.AddLine(UnbankedAdresse(0x100), 3, 0, 0, 1);
    lines.AddLine(UnbankedAdresse(0x200), 9, 0, 0, 1);
    lines.AddLine(UnbankedAdresse(0x300), 0, 0, 0, 1);
    rig.tap.script();
    rig.trace.UpdateTraceBuffer(0, 3, 0);
    for (const auto& [hi, line] : std::vector<std::pair<int, std::string>>{{1, "three"}, {2, ""}, {3, ""}}) {
        rig.tap.answer({0x00, 0x00, hi, 0x00, 0, 0, 0, 0, 0, 0, 0, 0});
        EXPECT_EQ(rig.trace.GetModulText(static_cast<std::uint32_t>(hi - 1)), line) << hi;
    }
}

}  // namespace
}  // namespace tarvex::test
