// The executor on the host object's own components over the simulator:
// which commands reach the board, the trace board's reset and mode, the
// options, and the start-up load recorded in the history.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/conversions.hpp"
#include "core/line_table.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/symbol_table.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/watches.hpp"
#include "host/agdi_object.hpp"
#include "host/command_history.hpp"
#include "host/load/loader.hpp"
#include "host/options.hpp"
#include "platform/clock.hpp"
#include "platform/host_window.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "sim/standin_root.hpp"
#include "tests/support/target/sim_bench.hpp"
#include "tests/support/host/sim_host.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

struct HostCommands : test::SimHost {
    HostCommands() {
        open(environment());
    }
    ~HostCommands() { object.reset(); }
    std::uint32_t start() { return object->AG_Init(0x100, 0); }
    std::vector<std::string> wire() const {
        std::vector<std::string> out;
        for (const auto& c : board.log())
            if (c.name != "x") out.push_back(c.name);
        return out;
    }
    bool run(std::uint8_t code, const std::string& text1 = {}) {
        TVokWinKommando c(code);
        c.text1 = text1;
        return Execute(c, object->Commands());
    }
    // Initializes memory from start to end with value.
    bool fill(std::uint8_t kind, std::uint16_t start, std::uint16_t end, std::uint8_t value) {
        TVokWinKommando c(cmd::Initialize);
        c.memoryKind = kind;
        c.start = UnbankedAdresse(start);
        c.end = UnbankedAdresse(end);
        c.value = value;
        return Execute(c, object->Commands());
    }
    std::uint32_t time() {
        std::uint32_t t = 0;
        board.withTrace([&t](sim::TraceMemory& m) { t = m.timeStamp(); });
        return t;
    }
    std::vector<std::string> history() {
        std::vector<std::string> out;
        const auto& h = object->Kommando().Protokoll();
        for (std::size_t i = 0; i < h.Count(); ++i) out.push_back(ProtocolText(h[i], nullptr));
        return out;
    }

    // Names the project (p.uv2 in the work folder) and its program, as the
    // IDE does before the start; the record stays with the object.
    void nameProject(const std::string& program) {
        projectRecord = std::make_unique<agdi::ProjectRecord>();
        std::memset(projectRecord.get(), 0, sizeof(agdi::ProjectRecord));
        projectFile = work.file("p.uv2");
        projectRecord->projectFile = projectFile.c_str();
        std::strncpy(projectRecord->programFile, program.c_str(), sizeof projectRecord->programFile - 1);
        object->EnumUv351(projectRecord.get(), 2);
    }

    test::TempDir work;
    std::string projectFile;
    std::unique_ptr<agdi::ProjectRecord> projectRecord;
};

TEST(CommandHost, BoardTrafficOfTheSimpleCommands) {
    HostCommands h;
    ASSERT_EQ(h.start(), 0u);
    h.board.clearLog();
    h.boxes.clear();
    for (std::uint8_t code : {cmd::None, cmd::ExecuteMacro, cmd::Iap}) EXPECT_TRUE(h.run(code));
    EXPECT_FALSE(h.run(cmd::MapShared));
    EXPECT_TRUE(h.run(cmd::LoadOptions, "p.bopt"));
    EXPECT_EQ(h.object->Options().ProjectName(), "p.bopt");
    // A load without a file name is refused, and nothing goes out.
    EXPECT_FALSE(h.run(cmd::Load));
    EXPECT_TRUE(h.wire().empty());
    // The refusal is shown in the load-status form (the console's: one box).
    ASSERT_EQ(h.boxes.shown().size(), 1u);
    EXPECT_EQ(h.boxes.shown()[0].text, "Loading: Missing file name\nLoading canceled\nERROR: Check Messages!");
    h.boxes.clear();

    // Steps count machine cycles on the real-time counter; the reset of
    // the counter (trace mode 0) clears it, and the next steps count again.
    EXPECT_EQ(h.object->AG_GoStep(2, 3, nullptr), 0u);
    ASSERT_GT(h.time(), 0u);
    h.board.clearLog();
    EXPECT_TRUE(h.run(cmd::ResetTimeCounter));
    EXPECT_FALSE(h.wire().empty());
    EXPECT_EQ(h.time(), 0u);
    EXPECT_EQ(h.object->AG_GoStep(2, 3, nullptr), 0u);
    EXPECT_GT(h.time(), 0u);
    h.board.clearLog();
    EXPECT_TRUE(h.run(cmd::ClearTrace));
    EXPECT_FALSE(h.wire().empty());
    h.board.clearLog();
    EXPECT_TRUE(h.run(cmd::ResetCpu));
    EXPECT_FALSE(h.wire().empty());
    for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
}

// Fills and copies reach the board through the executor's slots.
TEST(CommandHost, FillAndCopyRunOnTheBoard) {
    HostCommands h;
    ASSERT_EQ(h.start(), 0u);
    h.board.clearLog();
    EXPECT_TRUE(h.fill(memkind::IntData, 0x30, 0x3F, 0xAA));
    TVokWinKommando copy(cmd::Copy);
    copy.memoryKind = memkind::IntData;
    copy.start = UnbankedAdresse(0x30);
    copy.end = UnbankedAdresse(0x37);
    copy.destination = UnbankedAdresse(0x50);
    EXPECT_TRUE(Execute(copy, h.object->Commands()));
    const auto wire = h.wire();
    EXPECT_NE(std::find(wire.begin(), wire.end(), "FI"), wire.end());
    EXPECT_NE(std::find(wire.begin(), wire.end(), "M"), wire.end());
    std::uint8_t b[16] = {};
    agdi::MemRequest r{0xF0000050u, 0};
    ASSERT_EQ(h.object->AG_MemAcc(1, b, &r, 9), 0u);
    EXPECT_EQ(std::vector<std::uint8_t>(b, b + 9), (std::vector<std::uint8_t>{0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA,
                                                                             0xAA, 0xAA, 0x00}));
}

// Modify writes through the host's watch table; an evaluate leaves the
// target as it was.
TEST(CommandHost, WatchCommandsOnTheTarget) {
    HostCommands h;
    ASSERT_EQ(h.start(), 0u);
    TVokWinKommando modify(cmd::Modify);
    modify.watchMemoryClass = 5;
    modify.text1 = "ACC";
    modify.text2 = "5A";
    modify.count = 1;
    EXPECT_TRUE(Execute(modify, h.object->Commands()));
    std::uint8_t acc = 0;
    agdi::MemRequest r{0xF00000E0u, 0};
    ASSERT_EQ(h.object->AG_MemAcc(1, &acc, &r, 1), 0u);
    EXPECT_EQ(acc, 0x5A);
    TVokWinKommando evaluate(cmd::Evaluate);
    evaluate.watchMemoryClass = 5;
    evaluate.text1 = "ACC";
    evaluate.text2 = "seen";
    EXPECT_TRUE(Execute(evaluate, h.object->Commands()));
    ASSERT_EQ(h.object->AG_MemAcc(1, &acc, &r, 1), 0u);
    EXPECT_EQ(acc, 0x5A);
}

// A compiled example from its CDB file (SDCC's object file; the code from
// the HEX beside it), with the tool chain set to SDCC.
void loadSdccExample(HostCommands& h, const char* name) {
    h.object->Options().SetHochsprachenTyp(TCompiler::C51_SDCC);
    ASSERT_NO_FATAL_FAILURE(
        h.loadObject((test::sourceDir() / "examples" / "build" / (std::string(name) + ".cdb")).string()));
    ASSERT_FALSE(h.object->Loader().Failed());
}

// Runs the loaded program to the first address of a line of its first
// source file.
void runToLine(HostCommands& h, std::int32_t line) {
    const TZeilennummertabelle& lines = h.object->Lines();
    std::uint32_t until = 0;
    for (std::size_t i = 0; i < lines.Count() && until == 0; ++i)
        if (lines.Items(i)->line == line && lines.Items(i)->fileNumber == 0)
            until = 0xFF000000u | lines.Items(i)->address.offset;
    ASSERT_NE(until, 0u) << line;
    ASSERT_EQ(h.object->AG_GoStep(3, 0, &until), 0u);
}

std::string watchValue(TWatchTabelle& watches, const char* expression) {
    auto item = TWatchTabelle::NewItem();
    item->expression = expression;
    watches.Resolve(*item);
    return watches.ItemValueText(item.get());
}

// The compiled types example loaded from its CDB file (SDCC's object file;
// the code from the HEX beside it) runs on the simulator's CPU to the first
// call of tick; the watches then read what main and helper left: helper
// stores each table value into the low byte of corner[0].x. Structure
// members are matched whatever case SDCC wrote them in.
TEST(CommandHost, WatchesOnACompiledProgramAfterTheCpuRan) {
    HostCommands h;
    ASSERT_EQ(h.start(), 0u);
    ASSERT_NO_FATAL_FAILURE(loadSdccExample(h, "types"));
    const TSymbol* tick = h.object->Symbols().FindByName("TICK", sspModuleFunction);
    ASSERT_NE(tick, nullptr);
    std::uint32_t until = 0xFF000000u | tick->address.offset;
    ASSERT_EQ(h.object->AG_GoStep(3, 0, &until), 0u);
    // At tick's first call the loop ran four times: helper wrote the low
    // byte of corner[0].x last (8), corner[i & 1].y holds 4 and 8, and the
    // grid holds 1 at [0][0], [1][1], [2][2] and [0][3].
    const struct {
        const char* expression;
        const char* value;
    } cases[] = {
        {"box.corner[0].x", "8"},
        {"box.corner[0].y", "04"},
        {"box.corner[1].y", "08"},
        {"box.corner[1]", "[(0, 08)]"},
        {"box.area", "0"},
        {"table[1]", "[02]"},
        {"grid[1][1]", "[01]"},
        {"grid[0][3]", "[01]"},
        {"grid[2,2]", "[01]"},
        {"grid[2][3]", "[00]"},
        {"grid", "[01, 00, 00, 01, 00, 01, 00, 00, 00, 00, 01, 00]"},
        {"grid[3][0]", "Error in watch variable GRID[3][0]: Array index not valid"},
        {"grid[0][4]", "Error in watch variable GRID[0][4]: Array index not valid"},
        {"grid[0][0][0]", "Error in watch variable GRID[0][0][0]: Too much array indeces"},
        {"table[1].x", "Error in watch variable TABLE[1].X: Structure element name not valid"},
        {"cptr", "Prg.049A"},  // table, from types.map
        {"cptr[3]", "08"},
        {"gptr", "Ext.0011"},  // wv.b[1], tagged 0x00 by SDCC
    };
    TWatchTabelle& watches = h.object->Watches();
    for (const auto& c : cases) {
        auto item = TWatchTabelle::NewItem();
        item->expression = c.expression;
        std::string text;
        try {
            watches.Resolve(*item);
            text = watches.ItemValueText(item.get());
        } catch (const EVokWinError& e) {
            text = e.message();
        }
        EXPECT_EQ(text, c.value) << c.expression;
    }
    // A member behind an index is written at its own address.
    auto y = TWatchTabelle::NewItem();
    y->expression = "box.corner[1].y";
    watches.SetItemValueText(y.get(), "5A");
    const TSymbol* box = h.object->Symbols().FindByName("BOX", sspExtData);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(h.object->Spaces().Space(SpaceKind::ExtData).ReadBlock(box->address, 6).substr(3),
              std::string("\x00\x00\x5A", 3));
    EXPECT_EQ(watches.ItemValueText(y.get()), "5A");
}

// The object file SDCC wrote for ports, loaded by the object loader, run
// to the start of handshake: the watches read and write the simulated CPU's
// internal RAM at the symbols' addresses, and an address watch reads the
// code (patterns + 3; the OMF carries no type records for an index).
TEST(CommandHost, WatchesOnAnObjectFileAtABreakpoint) {
    HostCommands h;
    ASSERT_EQ(h.start(), 0u);
    ASSERT_NO_FATAL_FAILURE(h.loadObject());
    ASSERT_FALSE(h.object->Loader().Failed());
    std::uint32_t until = 0xFF0000E1u;
    ASSERT_EQ(h.object->AG_GoStep(3, 0, &until), 0u);
    TEmulSpeicher& idata = h.object->Spaces().Space(SpaceKind::IntData);
    TWatchTabelle& watches = h.object->Watches();
    auto ticks = TWatchTabelle::NewItem();
    ticks->expression = "ticks";
    watches.Resolve(*ticks);
    EXPECT_EQ(ticks->address.offset, 0x10);
    const auto held = static_cast<std::uint8_t>(idata.ReadBlock(UnbankedAdresse(0x10), 1)[0]);
    EXPECT_EQ(watches.ItemValueText(ticks.get()), ByteToHex(held));
    idata.WriteBlock(UnbankedAdresse(0x10), "\x37");
    EXPECT_EQ(watches.ItemValueText(ticks.get()), "37");
    auto last = TWatchTabelle::NewItem();
    last->expression = "lastInput";
    watches.SetItemValueText(last.get(), "5A");
    EXPECT_EQ(idata.ReadBlock(UnbankedAdresse(0x11), 1), "\x5A");
    auto pattern = TWatchTabelle::NewItem();
    pattern->memoryClass = 1;
    pattern->requestedType = 3;
    pattern->address = UnbankedAdresse(0x0164);
    watches.Resolve(*pattern);
    EXPECT_EQ(watches.ItemValueText(pattern.get()), "0F");
}

// A save writes the internal data the fill left; an assembler source's
// automatic labels become program symbols of the project.
TEST(CommandHost, SaveWritesTheFileAndListingsNameTheirTargets) {
    HostCommands h;
    ASSERT_EQ(h.start(), 0u);
    EXPECT_TRUE(h.fill(memkind::IntData, 0x30, 0x33, 0x41));
    TVokWinKommando save(cmd::Save);
    save.memoryKind = memkind::IntData;
    save.fileFormat = fileformat::HexDump;
    save.start = UnbankedAdresse(0x30);
    save.end = UnbankedAdresse(0x34);
    save.text1 = h.work.file("i.txt");
    EXPECT_TRUE(Execute(save, h.object->Commands()));
    const auto bytes = test::readBytes(save.text1);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0030 41 41 41 41 00  AAAA.\r\n");

    // SJMP to itself at 0x0100.
    EXPECT_TRUE(h.fill(memkind::Program, 0x0100, 0x0100, 0x80));
    EXPECT_TRUE(h.fill(memkind::Program, 0x0101, 0x0101, 0xFE));
    save.memoryKind = memkind::Program;
    save.fileFormat = fileformat::AssemblerSource;
    save.start = UnbankedAdresse(0x0100);
    save.end = UnbankedAdresse(0x0101);
    EXPECT_TRUE(Execute(save, h.object->Commands()));
    const auto source = test::readBytes(save.text1);
    const std::string text(source.begin(), source.end());
    ASSERT_EQ(text.substr(0, 1), "Y") << text;
    const std::string label = text.substr(0, text.find(':'));
    EXPECT_EQ(text, label + ":\r\n" + std::string(25, ' ') + "SJMP  " + label + "\r\n");
}

// The project's program goes through the executor at the start, and the
// history keeps it when the load reports success.
TEST(CommandHost, StartUpLoadIsRecorded) {
    for (bool loads : {false, true}) {
        HostCommands h;
        const std::string program = (test::sourceDir() / "examples" / "build" / "ports.omf").string();
        std::vector<std::string> loaded;
        h.object->Commands().load = [&](const TKommandoStruktur& c) {
            loaded.push_back(c.text1);
            return loads;
        };
        h.nameProject(program);
        ASSERT_EQ(h.start(), 0u);
        EXPECT_EQ(loaded, std::vector<std::string>{program});
        if (loads)
            EXPECT_EQ(h.history(),
                      std::vector<std::string>{"LoadSymbols " + program + " Format=Omf51 Options=[Clear symbols]"});
        else
            EXPECT_TRUE(h.history().empty());
    }
}

// The same with the driver's own loader: the symbols of the project's
// program are loaded and the history's first entry is that load.
TEST(CommandHost, StartUpLoadThroughTheLoader) {
    HostCommands h;
    const std::string program = (test::sourceDir() / "examples" / "build" / "ports.omf").string();
    h.nameProject(program);
    ASSERT_EQ(h.start(), 0u);
    const auto history = h.history();
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.front(), "LoadSymbols " + program + " Format=Omf51 Options=[Clear symbols]");
}

// SDCC keeps the local x of regvar.c in R6 (low byte) and R7: the program is
// compiled here, run on the simulated board to the line that uses x, and
// the watch reads the value the program also stored in `out`, and writes it.
TEST(CommandHost, WatchesReadAnSdccVariableHeldInRegisters) {
#ifndef TARVEX_SDCC
    GTEST_SKIP() << "sdcc is not installed";
#else
    HostCommands h;
    ASSERT_EQ(h.start(), 0u);
    const std::filesystem::path c = h.work.file("regvar.c");
    std::filesystem::copy_file(test::sourceDir() / "tests" / "host" / "data" / "regvar.c", c);
    const std::string compile =
        "cd '" + h.work.path().string() + "' && '" TARVEX_SDCC "' --debug regvar.c > sdcc.log 2>&1";
    ASSERT_EQ(std::system(compile.c_str()), 0) << compile;
    h.object->Options().SetHochsprachenTyp(TCompiler::C51_SDCC);
    ASSERT_NO_FATAL_FAILURE(h.loadObject(h.work.file("regvar.cdb")));
    ASSERT_FALSE(h.object->Loader().Failed());
    ASSERT_NO_FATAL_FAILURE(runToLine(h, 14));  // "P0 = x;"

    TWatchTabelle& watches = h.object->Watches();
    const auto value = [&](const char* expression) { return watchValue(watches, expression); };
    const std::string a = value("a");
    const unsigned expected = static_cast<unsigned>(std::stoul(a, nullptr, 16)) * 3u + 0x1234u;
    EXPECT_EQ(value("x"), Format("%.4X", expected));
    EXPECT_EQ(value("x"), value("out"));
    const std::string bank = h.object->Spaces().Space(SpaceKind::IntData).ReadBlock(UnbankedAdresse(0), 8);
    EXPECT_EQ(static_cast<std::uint8_t>(bank[6]), expected & 0xFF);
    EXPECT_EQ(static_cast<std::uint8_t>(bank[7]), expected >> 8);

    auto x = TWatchTabelle::NewItem();
    x->expression = "x";
    watches.SetItemValueText(x.get(), "4321");
    const std::string written = h.object->Spaces().Space(SpaceKind::IntData).ReadBlock(UnbankedAdresse(6), 2);
    EXPECT_EQ(written, std::string("\x21\x43", 2));
    EXPECT_EQ(value("x"), "4321");
#endif
}

// examples/src/floats.c on the simulated board. SDCC stores the float f
// least significant byte first: the watch shows the value the program
// computed, and a value written through the watch is what the program then
// compares and converts. work()'s long v lives in r3..r6 inside work() only:
// stopped in main it has no value, and writing it is refused without
// touching the registers of main.
TEST(CommandHost, SdccFloatsAndARegisterLocalOutsideItsFunction) {
    HostCommands h;
    ASSERT_EQ(h.start(), 0u);
    ASSERT_NO_FATAL_FAILURE(loadSdccExample(h, "floats"));
    TWatchTabelle& watches = h.object->Watches();
    const auto value = [&](const char* expression) { return watchValue(watches, expression); };
    const TSymbol* f = h.object->Symbols().FindByName("F", sspIntData);
    ASSERT_NE(f, nullptr);
    TEmulSpeicher& data = h.object->Spaces().Space(SpaceKind::IntData);

    ASSERT_NO_FATAL_FAILURE(runToLine(h, 25));  // "P1 = 0;" in main, after f = 382.75
    EXPECT_EQ(data.ReadBlock(f->address, 4), std::string("\x00\x60\xBF\x43", 4));
    EXPECT_EQ(value("f"), "382.7500");

    const std::string registers = data.ReadBlock(UnbankedAdresse(0), 8);
    EXPECT_EQ(value("v"), "");
    auto v = TWatchTabelle::NewItem();
    v->expression = "v";
    EXPECT_THROW(watches.SetItemValueText(v.get(), "11223344"), EWatchError);
    // The Modify command's refusal passes out of the executor.
    const auto modify = [&](const char* name, const char* text) {
        TVokWinKommando c(cmd::Modify);
        c.text1 = name;
        c.text2 = text;
        try {
            return Execute(c, h.object->Commands()) ? std::string("done") : std::string("false");
        } catch (const EWatchError& e) {
            return e.message();
        }
    };
    EXPECT_EQ(modify("v", "11223344"), "Error in watch variable :FLOATS:WORK:V: Unvalid access");
    EXPECT_EQ(data.ReadBlock(UnbankedAdresse(0), 8), registers);
    // A name of the class Symbol that reads as hex is still a name.
    EXPECT_EQ(modify("bad", "1"), "Symbol BAD not found");
    EXPECT_EQ(modify("E", "1"), "Symbol E not found");

    auto item = TWatchTabelle::NewItem();
    item->expression = "f";
    watches.SetItemValueText(item.get(), "2.5");
    EXPECT_EQ(data.ReadBlock(f->address, 4), std::string("\x00\x00\x20\x40", 4));
    ASSERT_NO_FATAL_FAILURE(runToLine(h, 17));  // "P1 = v;" in work(k), after same and twice
    EXPECT_EQ(value("same"), "01");
    EXPECT_EQ(value("twice"), "5");
    EXPECT_EQ(value("v"), std::to_string(255L * 0x1234 + 255));
}

}  // namespace
}  // namespace tarvex
