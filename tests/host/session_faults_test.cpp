// The host object over the simulated board when the board or the link
// misbehaves at the key command of a stop, a step or a reset: each request
// fails or succeeds truthfully, and the session goes on afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/messages.hpp"
#include "host/agdi_object.hpp"
#include "host/agdi_records.hpp"
#include "sim/board.hpp"
#include "tests/support/host/sim_host.hpp"

namespace tarvex {
namespace {

std::string text(int id) { return std::string(LoadStr(id)); }
std::string noReaction() { return std::string(LoadResStr(rs::NoReactionOfTarget)); }

struct FaultHost : test::SimHost {
    explicit FaultHost(std::string version = "5.1 ") : SimHost(config(std::move(version))) {
        open(environment());
        object->AG_Init(agdi::code::Item + agdi::code::ItemPcVar, reinterpret_cast<std::uintptr_t>(&pc));
    }
    static sim::BoardConfig config(std::string version) {
        sim::BoardConfig c;
        c.version = std::move(version);
        return c;
    }
    std::uint32_t start() { return object->AG_Init(agdi::code::Startup, 0); }
    std::uint32_t reset() { return object->AG_Init(agdi::code::Exec + agdi::code::ExecReset, 0); }
    std::uint32_t read(std::uint32_t host, std::uint32_t count, std::vector<std::uint8_t>& out) {
        out.assign(count, 0);
        agdi::MemRequest r{host, 0};
        return object->AG_MemAcc(1, out.data(), &r, count);
    }
    std::uint32_t write(std::uint32_t host, std::vector<std::uint8_t> bytes) {
        agdi::MemRequest r{host, 0};
        return object->AG_MemAcc(2, bytes.data(), &r, static_cast<std::uint32_t>(bytes.size()));
    }
    std::uint64_t sent(std::string_view command) const { return board.tally(command).commands; }
    bool shown(const std::string& wanted) const {
        for (const auto& b : boxes.shown())
            if (b.text.find(wanted) != std::string::npos) return true;
        return false;
    }

    struct Outcome {
        std::uint32_t stop;
        std::uint32_t go;
    };
    // A go on one thread (the program at 0x0000 runs for ever), and once the
    // board runs the target `arm` and a stop on this one, as the IDE does.
    Outcome goAndStop(const std::function<void()>& arm) {
        std::atomic<bool> returned{false};
        std::uint32_t go = 99;
        std::thread runner([&] {
            go = object->AG_GoStep(4, 0, nullptr);
            returned = true;
        });
        while (!board.targetRunning() && !returned) std::this_thread::yield();
        arm();
        const std::uint32_t stop = object->AG_GoStep(1, 0, nullptr);
        runner.join();
        return {stop, go};
    }

    std::uint32_t pc = 0x12345678;
};

const std::vector<std::uint8_t> Xdata = {0xA5, 0x5A, 0xC3, 0x3C};

// The session answers after a fault: a write and a read of external data
// come back right, and no request is refused as running.
void expectSessionServes(FaultHost& h) {
    std::vector<std::uint8_t> got;
    EXPECT_EQ(h.write(0x01000100, Xdata), 0u);
    EXPECT_EQ(h.read(0x01000100, 4, got), 0u);
    EXPECT_EQ(got, Xdata);
    EXPECT_FALSE(h.shown(text(72)));
}

// A stop whose "I" gets no 00 answer asks whether to interrupt the target
// hard; the console takes the default Yes. While the question is up the
// stop answers 0; then "i" and the target's reset follow, and the go
// returns with the PC of the reset.
TEST(SessionFaults, AStopWithoutItsAnswerAsksAndResetsTheTarget) {
    struct Case {
        const char* name;
        std::function<void(sim::Board&)> arm;
        bool resetAnswers;
    };
    const Case cases[] = {
        {"refused", [](sim::Board& b) { b.setStopRefused(true); }, true},
        {"dropped", [](sim::Board& b) { b.shortenNextAnswer(0); }, true},
        {"garbled", [](sim::Board& b) { b.garbleNextAnswer({0x5A}); }, true},
        {"halt ff", [](sim::Board& b) { b.failNextHalt(); }, true},
        {"silent", [](sim::Board& b) { b.setSilent(true); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FaultHost h;
        ASSERT_EQ(h.start(), 0u);
        h.boxes.clear();
        const std::uint64_t resets = h.sent("Z");
        const auto outcome = h.goAndStop([&] { c.arm(h.board); });
        h.board.setSilent(false);
        h.board.setStopRefused(false);
        EXPECT_EQ(outcome.stop, 0u);
        EXPECT_EQ(outcome.go, 0u);
        EXPECT_EQ(h.sent("i"), 1u);
        ASSERT_FALSE(h.boxes.shown().empty());
        EXPECT_EQ(h.boxes.shown()[0].text, noReaction() + "\r\nPerform hardware reset?");
        if (c.resetAnswers) {
            EXPECT_EQ(h.sent("Z"), resets + 1);
            EXPECT_EQ(h.pc, 0xFF000000u);
            EXPECT_EQ(h.boxes.shown().size(), 1u);
        } else {
            // The link is gone as well: the driver ends the session, and
            // the IDE starts it again.
            EXPECT_TRUE(h.object->SessionEnded());
            EXPECT_EQ(h.start(), 0u);
        }
        expectSessionServes(h);
    }
}

// Below firmware 5.1 there is no question: the target is reset at once and
// message 32 says so.
TEST(SessionFaults, OlderFirmwareResetsAStopThatFailed) {
    FaultHost h("5.0 ");
    ASSERT_EQ(h.start(), 0u);
    h.boxes.clear();
    const auto outcome = h.goAndStop([&] { h.board.setStopRefused(true); });
    h.board.setStopRefused(false);
    EXPECT_EQ(outcome.stop, 1u);
    EXPECT_EQ(outcome.go, 0u);
    EXPECT_EQ(h.sent("i"), 0u);
    EXPECT_TRUE(h.shown(text(32)));
    EXPECT_EQ(h.pc, 0xFF000000u);
    expectSessionServes(h);
}

// A step whose status byte never comes is a link fault: the link restarts
// without message 32. A status byte that is not 0 still resets the target
// with message 32.
TEST(SessionFaults, AStepWithoutAStatusByteRestartsTheLinkInsteadOfResettingTheTarget) {
    FaultHost h;
    ASSERT_EQ(h.start(), 0u);
    h.boxes.clear();
    h.board.clearLog();
    h.board.shortenNextAnswer(0);
    EXPECT_EQ(h.object->AG_GoStep(2, 1, nullptr), 0u);
    EXPECT_TRUE(h.shown(std::string(LoadResStr(rs::CommunicationError))));
    EXPECT_FALSE(h.shown(text(32)));
    // After "S" the link starts again (its handshake) before any command of
    // a target reset.
    const auto log = h.board.log();
    std::size_t at = 0;
    while (at < log.size() && log[at].name != "S") ++at;
    while (at < log.size() && log[at].name != "x" && log[at].name != "Dp" && log[at].name != "Z") ++at;
    ASSERT_LT(at, log.size());
    EXPECT_EQ(log[at].name, "x");
    expectSessionServes(h);

    h.boxes.clear();
    h.board.garbleNextAnswer({0x01});
    const std::uint64_t resets = h.sent("Z");
    EXPECT_EQ(h.object->AG_GoStep(2, 1, nullptr), 0u);
    EXPECT_TRUE(h.shown(text(32)));
    EXPECT_EQ(h.sent("Z"), resets + 1);
}

// A reset that fails is a failure to the IDE.
TEST(SessionFaults, AFailedResetAnswersOne) {
    FaultHost h;
    ASSERT_EQ(h.start(), 0u);
    EXPECT_EQ(h.reset(), 0u);
    h.board.setNoReaction(true);
    EXPECT_EQ(h.reset(), 1u);
    h.board.setNoReaction(false);
    EXPECT_EQ(h.reset(), 0u);
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

// LJMP 0010H; at 0010H two NOPs and SJMP $.
const std::vector<std::uint8_t> Entry = {0x02, 0x00, 0x10};
const std::vector<std::uint8_t> Body = {0x00, 0x00, 0x80, 0xFE};

// A started session with the program written and the target reset.
void startWithProgram(FaultHost& h) {
    ASSERT_EQ(h.start(), 0u);
    ASSERT_EQ(h.write(0xFF000000, Entry), 0u);
    ASSERT_EQ(h.write(0xFF000010, Body), 0u);
    EXPECT_EQ(h.reset(), 0u);
}

// The first step after a reset takes the program's jump to its body.
void expectStepIntoTheBody(FaultHost& h) {
    EXPECT_EQ(h.object->AG_GoStep(2, 1, nullptr), 0u);
    EXPECT_EQ(h.pc, 0xFF000010u);
}

// The program's first bytes, through the driver and on the board itself:
// no bank of emulation memory holds the reset stub.
void expectProgramIntact(FaultHost& h) {
    std::vector<std::uint8_t> got;
    EXPECT_EQ(h.read(0xFF000000, 3, got), 0u);
    EXPECT_EQ(got, Entry);
    for (std::size_t hw = 0; hw < 8; ++hw)
        EXPECT_FALSE(h.board.code(hw, 0) == 0x80 && h.board.code(hw, 1) == 0xFE) << "bank " << hw;
}

// Bytes nobody asked for (noise, a byte the board sends on its own, the rest
// of an answer that was too long) never shift the answers that follow, and
// the reset writes back only the program's own bytes.
TEST(SessionFaults, UnrequestedInputIsDroppedBeforeTheNextCommand) {
    struct Case {
        const char* name;
        std::function<void(FaultHost&)> fault;
    };
    const Case cases[] = {
        {"stray byte", [](FaultHost& h) { h.board.inject({0xA5}); }},
        {"byte on its own", [](FaultHost& h) {
             h.board.sendOnOwn(30, 0x3C);
             h.clock.sleepMs(40);
         }},
        {"over-long answer", [](FaultHost& h) {
             h.board.garbleNextAnswer(std::vector<std::uint8_t>(40, 0x77));
             std::vector<std::uint8_t> ignored;
             h.read(0x01000200, 4, ignored);
         }},
        {"over-long answer in the reset", [](FaultHost& h) {
             // Firmware 5.1 reads the code under the stub with "Dp".
             h.board.armAtCommand("Dp", [](sim::Board& b) { b.garbleNextAnswer(std::vector<std::uint8_t>(40, 0x77)); });
             h.reset();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FaultHost h;
        ASSERT_NO_FATAL_FAILURE(startWithProgram(h));
        c.fault(h);
        expectSessionServes(h);
        EXPECT_EQ(h.reset(), 0u);
        expectProgramIntact(h);
        expectStepIntoTheBody(h);
    }
}

// A reset that the link breaks off leaves the stub on the board only until
// the link is back: the program's own bytes go back then, and the next
// reset does not take the stub for the program.
TEST(SessionFaults, AnInterruptedResetLeavesTheProgramAsItWas) {
    struct Case {
        const char* name;
        std::function<void(sim::Board&)> fault;
    };
    const Case cases[] = {
        {"answer cut", [](sim::Board& b) { b.shortenNextAnswer(1); }},
        {"answer lost", [](sim::Board& b) { b.shortenNextAnswer(0); }},
        {"power cycle", [](sim::Board& b) { b.powerCycle(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FaultHost h;
        ASSERT_NO_FATAL_FAILURE(startWithProgram(h));
        h.board.armAtCommand("Z", c.fault);
        h.reset();
        EXPECT_FALSE(h.board.faultArmed());
        expectProgramIntact(h);
        EXPECT_EQ(h.reset(), 0u);
        expectProgramIntact(h);
        expectStepIntoTheBody(h);
    }
}

}  // namespace
}  // namespace tarvex
