// The target side of a debug session over the simulated board: what the
// driver does to the target at the start and at a download.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "emulator/debug/run_control.hpp"
#include "emulator/debug/select_table.hpp"
#include "emulator/emulator.hpp"
#include "host/command.hpp"
#include "host/agdi_records.hpp"
#include "host/options.hpp"
#include "tests/support/host/sim_host.hpp"

namespace tarvex {
namespace {

// Where the board keeps the code of a target without banking.
constexpr std::size_t CodePlane = 6;

// The first start of a session fills the whole program memory with 0 on the
// board, before the target is reset; code left from before reads 0.
TEST(SessionStart, ClearsTheProgramMemoryBeforeTheFirstReset) {
    test::SimHost h;
    const std::uint16_t left[] = {0x0000, 0x1234, 0xFFFF};
    for (std::uint16_t a : left) h.board.setCode(CodePlane, a, 0xA5);
    h.open(h.environment());
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);

    const auto log = h.board.log();
    const auto named = [&](const char* name) {
        return std::find_if(log.begin(), log.end(), [&](const sim::CommandRecord& c) { return c.name == name; });
    };
    const auto fill = named("FP");
    ASSERT_NE(fill, log.end());
    EXPECT_EQ(fill->bytes, (std::vector<std::uint8_t>{'F', 'P', 0x00, 0x00, 0xFF, 0xFF, 0x00}));
    EXPECT_LT(fill - log.begin(), named("Z") - log.begin());
    for (std::uint16_t a : left) {
        EXPECT_EQ(h.board.code(CodePlane, a), 0x00) << a;
        std::uint8_t b = 0xEE;
        agdi::MemRequest r{0xFF000000u | a, 0};
        EXPECT_EQ(h.object->AG_MemAcc(4, &b, &r, 1), 0u);
        EXPECT_EQ(b, 0x00) << a;
    }
}

// The data records of an Intel HEX file: address and bytes.
std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> hexRecords(const std::string& file) {
    std::ifstream in(test::sourceDir() / "examples" / "build" / file);
    std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> records;
    for (std::string line; std::getline(in, line);) {
        if (line.size() < 11 || line.substr(7, 2) != "00") continue;
        const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(std::stoi(line.substr(i, 2), nullptr, 16)); };
        std::vector<std::uint8_t> data(at(1));
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = at(9 + 2 * i);
        records.emplace_back(static_cast<std::uint16_t>(at(3) << 8 | at(5)), data);
    }
    return records;
}

// With the tool chain TASKING (7) a download in pellunar mode replaces each
// call of a port-read routine (here LCALL 0FFF9H and 0FFFBH, the old
// entries) by the port read itself (MOV ACC,P0 / MOV ACC,P2), as the
// checker's switch TASKING does: the board hooks the call as it hooks that
// read. Other tool chains hook the call as a call.
TEST(SessionDownload, TaskingToolChainTakesPortReadCallsForPortReads) {
    struct Hooks {
        std::uint8_t callP0, callP2, readP0, readP2;
    };
    const auto download = [](bool tasking) {
        test::SimHost h;
        h.open(h.environment());
        EXPECT_EQ(h.object->AG_Init(0x100, 0), 0u);
        h.object->Options().SetPodKennung(TPodKennung::pkQZ);
        h.object->Options().SetHochsprachenTyp(tasking ? TCompiler::C51_Tasking : TCompiler::C51_Keil);
        EXPECT_TRUE(h.object->Emulator().PellunarsOn());
        auto records = hexRecords("asmforms.hex");
        // The reads themselves, beside the program.
        records.push_back({0x0400, {0x85, 0x80, 0xE0, 0x85, 0xA0, 0xE0, 0x22}});
        h.object->AG_Init(0x300 + 33, 0);
        for (auto& [address, data] : records) {
            agdi::MemRequest r{0xFF000000u | address, 0};
            EXPECT_EQ(h.object->AG_MemAcc(3, data.data(), &r, static_cast<std::uint32_t>(data.size())), 0u);
        }
        h.object->AG_Init(0x300 + 34, 0);
        const auto& hooks = h.board.hooks(CodePlane);
        const auto at = [&](std::uint16_t a) { return hooks.count(a) ? hooks.at(a) : std::uint8_t{0}; };
        return Hooks{at(0x0153), at(0x015A), at(0x0400), at(0x0403)};
    };
    const Hooks keil = download(false), tasking = download(true);
    ASSERT_NE(keil.readP0, 0);
    ASSERT_NE(keil.readP2, 0);
    EXPECT_NE(keil.callP0, keil.readP0);
    EXPECT_NE(keil.callP2, keil.readP2);
    EXPECT_EQ(tasking.callP0, tasking.readP0);
    EXPECT_EQ(tasking.callP2, tasking.readP2);
}

// Steps in a program with line information (ports.omf, main). The IDE's
// step and "Single step" run to the next line in one go with the line-step
// break mode (6) on the board; "Jump over call" runs the calls of its line
// through and halts at the function's next line. With the instruction
// level the commands step one instruction, or over one call.
TEST(SessionSteps, LineStepsRunToTheNextLineInOneGo) {
    test::SimHost h;
    h.open(h.environment());
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    std::uint32_t pcVar = 0;
    h.object->AG_Init(0x300 + 15, reinterpret_cast<std::uintptr_t>(&pcVar));
    ASSERT_NO_FATAL_FAILURE(h.loadObject());
    h.boxes.clear();
    const int userBreakMode = h.object->SelectTable().BreakMode();

    const auto ideStep = [&] { EXPECT_EQ(h.object->AG_GoStep(2, 1, nullptr), 0u); };
    const auto command = [&](std::uint8_t code, bool instructionLevel) {
        return [&h, code, instructionLevel] {
            auto c = std::make_unique<TVokWinKommando>(code);
            c->flag = instructionLevel;
            h.object->RunMenuCommand(std::move(c));
            // A command starts the run; its halt comes through the polls.
            for (int i = 0; i < 1000 && h.object->RunControl()->Poll(); ++i) h.clock.sleepMs(10);
        };
    };
    const struct {
        const char* what;
        std::uint16_t from, to;
        std::function<void()> step;
        int goes, steps;
    } cases[] = {
        // Line 119: SETB, then MOV R7,#0; line 122 follows.
        {"the IDE's step", 0x0123, 0x0127, ideStep, 1, 0},
        {"Single step", 0x0123, 0x0127, command(cmd::SingleStep, false), 1, 0},
        {"Single step, instruction level", 0x0123, 0x0125, command(cmd::SingleStep, true), 0, 1},
        // Line 122: MOV DPL,R7, PUSH, LCALL selectRow (at 0x012B), POP;
        // line 123 follows.
        {"Jump over call", 0x0127, 0x0130, command(cmd::StepOver, false), 1, 0},
        {"Jump over call, instruction level", 0x012B, 0x012E, command(cmd::StepOver, true), 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(h.object->AG_Init(0x400 + 13, 0), 0u);
        std::uint32_t until = 0xFF000000u | c.from;
        ASSERT_EQ(h.object->AG_GoStep(3, 0, &until), 0u);
        ASSERT_EQ(pcVar, until);
        h.board.clearLog();
        c.step();
        EXPECT_EQ(pcVar, 0xFF000000u | c.to);
        std::uint16_t at = 0xFFFF;
        h.board.withCpu([&](const sim::Cpu8051& cpu) { at = cpu.pc(); });
        EXPECT_EQ(at, c.to);
        int goes = 0, steps = 0, modeAtGo = -1, mode = -1;
        const auto log = h.board.log();
        for (std::size_t i = 0; i < log.size(); ++i) {
            const auto& b = log[i].bytes;
            // The break mode: bits 0-2 of byte 4 of the register block at 0x7BF0.
            if (log[i].name == "PN" && b.size() == 5 && b[3] == 0x7B && b[4] == 0xF0 && i + 1 < log.size() &&
                log[i + 1].bytes.size() > 4)
                mode = log[i + 1].bytes[4] & 7;
            if (log[i].name == "G") {
                ++goes;
                modeAtGo = mode;
            }
            if (log[i].name == "S") ++steps;
        }
        EXPECT_EQ(goes, c.goes);
        EXPECT_EQ(steps, c.steps);
        if (c.to == 0x0127) {
            EXPECT_EQ(modeAtGo, 6);
        }
        EXPECT_EQ(h.object->SelectTable().BreakMode(), userBreakMode);
        EXPECT_FALSE(h.object->Debug()->TemporaryBreakpoint());
    }
    for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
}

}  // namespace
}  // namespace tarvex
