// The fault matrix: every fault the simulated board and the stand-in D2XX
// library can show, injected right before each operation the IDE runs in a
// debug session over USB, on virtual time. A cell passes when the operation
// does not report a success that did not happen, and afterwards (with a new
// start where the driver ended its session) the session reads known data
// back right, the program's first bytes are the program's, and a reset and
// a step land where the program says. The session goes on in the same
// loaded driver, as the IDE keeps it: a new session after the end of one
// starts clean.
// Needs the stand-in libraries; the Windows builds, whose link code is the
// same, leave the long matrix to the native one.
#if defined(TARVEX_STANDIN_DIR) && !defined(_WIN32)
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "emulator/link/d2xx.hpp"
#include "emulator/link/transport.hpp"
#include "host/agdi_object.hpp"
#include "host/agdi_records.hpp"
#include "core/messages.hpp"
#include "platform/dynlib.hpp"
#include "sim/usb_bus.hpp"
#include "platform/host_window.hpp"
#include "sim/standin_root.hpp"
#include "tests/support/hand_over_clock.hpp"
#include "tests/support/target/sim_bench.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

using Bytes = std::vector<std::uint8_t>;

// LJMP 0010H; at 0010H two NOPs and SJMP $.
const Bytes Entry = {0x02, 0x00, 0x10};
const Bytes Body = {0x00, 0x00, 0x80, 0xFE};
const Bytes Idata = {0x11, 0x22, 0x33, 0x44};
const Bytes Xdata = {0xA5, 0x5A, 0xC3, 0x3C};
const Bytes Written = {0x01, 0x02, 0x03, 0x04};
constexpr std::uint32_t CodeAt = 0xFF000000, IdataAt = 0xF0000030, XdataAt = 0x01000100, WrittenAt = 0x01000200;
constexpr std::uint32_t PcAfterStep = 0xFF000010;
// The self-jump the program ends in.
constexpr std::uint32_t SelfJump = 0xFF000012;


// One installation root for every cell: made once, it is only read.
const std::string& sharedRoot() {
    static test::TempDir root;
    static const std::string path = [] {
        sim::MakeStandinRoot(root.path(), test::sourceDir() / "data");
        return root.path().string();
    }();
    return path;
}

struct UsbHost : test::SimBench {
    UsbHost() {
        library = platform::DynamicLibrary::load(ftd2xx::LibraryName());
        if (!library.loaded()) return;
        bus = library.function<sim::UsbBus* (*)()>("tarvex_sim_usb_bus")();
        bus->clear();
        bus->setClock(&clock);
        plugIn();
        settings.writeString(LinkRegistryKey, "Interface", "Port", "USB");
        settings.writeInteger(LinkRegistryKey, "Interface", "TimeoutReadWrite", 500);
        openDriver();
    }
    ~UsbHost() {
        object.reset();
        if (bus) {
            bus->clear();
            bus->setClock(nullptr);
        }
    }
    // The driver as the IDE loads it: a new object, its message window named.
    void openDriver() {
        object.reset();
        DriverEnvironment env;
        env.clock = &driverClock;
        env.settings = &settings;
        env.root = sharedRoot();
        env.d2xxLibrary = ftd2xx::LibraryName();
        object = std::make_unique<TAgdiObject>(env);
        handOver();
    }
    void handOver() {
        object->AG_Init(agdi::code::Item + agdi::code::ItemHostWindow, reinterpret_cast<std::uintptr_t>(&sink));
        object->AG_Init(agdi::code::Item + agdi::code::ItemPcVar, reinterpret_cast<std::uintptr_t>(&pc));
    }
    // The IDE ends the session and starts the next one in the same driver.
    void endSession() {
        object->AG_Init(agdi::code::Exec + agdi::code::ExecEnd, 0);
        handOver();
    }
    bool shown(const std::string& text) const {
        const auto& b = boxes.shown();
        return std::any_of(b.begin(), b.end(), [&](const auto& box) { return box.text.find(text) != std::string::npos; });
    }
    std::uint16_t targetPc() {
        std::uint16_t at = 0xFFFF;
        usbBoard->withCpu([&](const sim::Cpu8051& cpu) { at = cpu.pc(); });
        return at;
    }
    void plugIn() {
        sim::BoardConfig config;
        config.frameSize = 12;
        // A slow crystal keeps the simulated target cheap through the
        // link's long waits (a recovery's 6 s) while it runs.
        config.crystalHz = 120'000;
        usbBoard = &bus->addDevice("TX1", "TARVEX Emulator", config);
    }

    std::uint32_t start() { return object->AG_Init(agdi::code::Startup, 0); }
    std::uint32_t reset() { return object->AG_Init(agdi::code::Exec + agdi::code::ExecReset, 0); }
    std::uint32_t read(std::uint32_t host, std::size_t count, Bytes& out) {
        out.assign(count, 0);
        agdi::MemRequest r{host, 0};
        return object->AG_MemAcc(1, out.data(), &r, static_cast<std::uint32_t>(count));
    }
    std::uint32_t write(std::uint32_t host, Bytes bytes) {
        agdi::MemRequest r{host, 0};
        return object->AG_MemAcc(2, bytes.data(), &r, static_cast<std::uint32_t>(bytes.size()));
    }
    // The program and the known data, as a session begins.
    bool prepare() {
        return write(CodeAt, Entry) == 0 && write(CodeAt + 0x10, Body) == 0 && write(IdataAt, Idata) == 0 &&
               write(XdataAt, Xdata) == 0 && reset() == 0;
    }
    // A go on another thread, `arm` once the board runs the target, then the
    // IDE's stop; the stop's answer.
    std::uint32_t goAndStop(const std::function<void()>& arm) {
        std::atomic<bool> returned{false};
        std::thread runner([&] {
            object->AG_GoStep(4, 0, nullptr);
            returned = true;
        });
        while (!usbBoard->targetRunning() && !returned) std::this_thread::yield();
        arm();
        // A fault that breaks the link may end the go on the go's own poll
        // before the stop is asked for; the stop then has no run to stop, and
        // which of the two threads meets the fault first is the scheduler's.
        goEndedBeforeStop = returned;
        const std::uint32_t stop = object->AG_GoStep(1, 0, nullptr);
        runner.join();
        return stop;
    }

    bool goEndedBeforeStop = false;
    test::HandOverClock driverClock{clock};

    platform::HostMessageSink sink{nullptr, [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t {
                                       return 0;
                                   },
                                   [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) {}};
    std::unique_ptr<TAgdiObject> object;
    platform::DynamicLibrary library;
    sim::UsbBus* bus = nullptr;
    sim::Board* usbBoard = nullptr;
    std::uint32_t pc = 0;
};

struct Fault {
    const char* name;
    // Applied to the board when `key` (the operation's key command) arrives,
    // or at once without one.
    std::function<void(sim::Board&)> board;
    // Applied to the bus at once.
    std::function<void(UsbHost&)> bus;
    // The device is gone for good: a new board is plugged in afterwards.
    bool replacesBoard = false;
    // The board was switched off and on, which the protocol cannot see: the
    // user starts the debugger again.
    bool restartsDebugger = false;
    // An answer of the right length with wrong bytes: no protocol without a
    // checksum can tell, so a read may report it as data.
    bool wrongDataUndetectable = false;
    // The board fault acts at once, whatever the operation's key command.
    bool atOnce = false;
};

const std::vector<Fault>& faults() {
    using sim::Board;
    static const std::vector<Fault> list = {
        {"silent", [](Board& b) { b.setSilent(true); }, {}},
        {"drop", [](Board& b) { b.shortenNextAnswer(0); }, {}},
        {"short1", [](Board& b) { b.shortenNextAnswer(1); }, {}},
        {"garble1", [](Board& b) { b.garbleNextAnswer({0x5A}); }, {}},
        {"garble40", [](Board& b) { b.garbleNextAnswer(Bytes(40, 0x77)); }, {}},
        {"late", [](Board& b) { b.setAnswerDelay(1500); }, {}},
        {"slow", [](Board& b) { b.setAnswerDelay(100); }, {}},
        {"stray", [](Board& b) { b.inject({0xA5}); }, {}},
        {"later", [](Board& b) { b.sendOnOwn(30, 0x3C); }, {}},
        // A byte on its own 30 ms after the operation began: in a run, while
        // the target runs.
        {"noise", [](Board& b) { b.sendOnOwn(30, 0x3C); }, {}, false, false, false, true},
        // Until the first time-out the board that lost its image answers
        // reads of internal data with FF of the right length.
        {"powercycle", [](Board& b) { b.powerCycle(); }, {}, false, true, true},
        {"boardreset", [](Board& b) { b.reset(); }, {}},
        {"noreact", [](Board& b) { b.setNoReaction(true); }, {}},
        {"halt-ff", [](Board& b) { b.failNextHalt(); }, {}},
        {"stop-refused", [](Board& b) { b.setStopRefused(true); }, {}},
        {"hstop-refused",
         [](Board& b) {
             b.setStopRefused(true);
             b.setHardStopRefused(true);
         },
         {}},
        {"never-halts", [](Board& b) { b.setNeverHalts(true); }, {}},
        {"rd-io1", {}, [](UsbHost& h) { h.bus->failNextRead(sim::UsbBus::IoError, 0); }},
        {"rd-io1p", {}, [](UsbHost& h) { h.bus->failNextRead(sim::UsbBus::IoError, 1); }},
        // An I/O error on the retry is fatal ("switch off emulator and start
        // again"): the user does so.
        {"rd-io2", {}, [](UsbHost& h) { h.bus->failNextRead(sim::UsbBus::IoError, 0, 2); }, true, true},
        {"rd-st3x2", {}, [](UsbHost& h) { h.bus->failNextRead(sim::UsbBus::DeviceNotOpened, 0, 2); }},
        {"wr-io1", {}, [](UsbHost& h) { h.bus->failNextWrite(sim::UsbBus::IoError, 0); }},
        {"wr-io1p", {}, [](UsbHost& h) { h.bus->failNextWrite(sim::UsbBus::IoError, 1); }},
        {"wr-io2", {}, [](UsbHost& h) { h.bus->failNextWrite(sim::UsbBus::IoError, 0, 2); }, true, true},
        {"wr-st3x2", {}, [](UsbHost& h) { h.bus->failNextWrite(sim::UsbBus::DeviceNotOpened, 0, 2); }},
        {"queue", {}, [](UsbHost& h) { h.bus->failNextQueueStatus(sim::UsbBus::IoError); }},
        {"lost", {}, [](UsbHost& h) { h.bus->loseDevice(0); }, true, true},
    };
    return list;
}

struct Operation {
    const char* name;
    // The command whose answer a board fault meets ("" = the next answer).
    const char* key;
    // Runs the operation; returns whether the IDE was told it succeeded,
    // and checks (with the fault still on) that a success is true.
    std::function<bool(UsbHost&, const std::function<void()>&, const Fault&)> run;
};

const std::vector<Operation>& operations() {
    static const std::vector<Operation> list = {
        {"start", "",
         [](UsbHost& h, const std::function<void()>& inject, const Fault&) {
             inject();
             return h.start() == 0;
         }},
        {"write-code", "",
         [](UsbHost& h, const std::function<void()>& inject, const Fault&) {
             inject();
             return h.write(CodeAt, Entry) == 0;
         }},
        {"read-code", "",
         [](UsbHost& h, const std::function<void()>& inject, const Fault& fault) {
             inject();
             Bytes got;
             const bool ok = h.read(CodeAt, Entry.size(), got) == 0;
             if (ok && !fault.wrongDataUndetectable) {
                 EXPECT_EQ(got, Entry) << "a code read reported success";
             }
             return ok;
         }},
        {"read-idata", "",
         [](UsbHost& h, const std::function<void()>& inject, const Fault& fault) {
             inject();
             Bytes got;
             const bool ok = h.read(IdataAt, Idata.size(), got) == 0;
             if (ok && !fault.wrongDataUndetectable) {
                 EXPECT_EQ(got, Idata) << "an idata read reported success";
             }
             return ok;
         }},
        {"read-xdata", "",
         [](UsbHost& h, const std::function<void()>& inject, const Fault& fault) {
             inject();
             Bytes got;
             const bool ok = h.read(XdataAt, Xdata.size(), got) == 0;
             if (ok && !fault.wrongDataUndetectable) {
                 EXPECT_EQ(got, Xdata) << "an xdata read reported success";
             }
             return ok;
         }},
        {"write-xdata", "",
         [](UsbHost& h, const std::function<void()>& inject, const Fault&) {
             inject();
             return h.write(WrittenAt, Written) == 0;
         }},
        {"step", "S",
         [](UsbHost& h, const std::function<void()>& inject, const Fault&) {
             inject();
             h.boxes.clear();
             h.object->AG_GoStep(2, 1, nullptr);
             return h.boxes.shown().empty() && h.pc == PcAfterStep;
         }},
        {"stop", "I",
         [](UsbHost& h, const std::function<void()>& inject, const Fault&) {
             const std::uint32_t stop = h.goAndStop(inject);
             if (stop == 1 && !h.goEndedBeforeStop) {
                 EXPECT_FALSE(h.usbBoard->targetRunning()) << "a stop reported success";
             }
             return stop == 1;
         }},
        {"go-until", "G",
         [](UsbHost& h, const std::function<void()>& inject, const Fault&) {
             inject();
             h.boxes.clear();
             // The go waits for the halt at the self-jump; a go whose halt
             // never comes is stopped by the user after a while.
             std::atomic<bool> returned{false};
             std::thread runner([&] {
                 std::uint32_t until = SelfJump;
                 h.object->AG_GoStep(3, 0, &until);
                 returned = true;
             });
             const std::uint64_t giveUpAt = h.clock.monotonicMs() + 5000;
             while (!returned && h.clock.monotonicMs() < giveUpAt) std::this_thread::yield();
             const bool byItself = returned;
             if (!byItself) h.object->AG_GoStep(1, 0, nullptr);
             runner.join();
             const bool ok = byItself && h.boxes.shown().empty() && h.pc == SelfJump;
             if (ok) {
                 EXPECT_EQ(h.targetPc(), SelfJump & 0xFFFF) << "a go reported a halt";
             }
             return ok;
         }},
        {"reset", "Z",
         [](UsbHost& h, const std::function<void()>& inject, const Fault& fault) {
             inject();
             const bool ok = h.reset() == 0;
             if (ok) {
                 EXPECT_EQ(h.targetPc(), 0) << "a reset reported success";
                 // What the IDE then reads is the reset target's PC.
                 std::uint8_t registers[32] = {};
                 if (h.object->AG_AllReg(1, registers) == 0) {
                     EXPECT_EQ(registers[16] | registers[17] << 8, 0) << "a reset reported a PC it does not have";
                 }
             }
             // After a failed reset the driver started the board again, or
             // its requests fail: what it reads is the board's.
             Bytes got;
             if (!ok && !fault.replacesBoard && h.read(IdataAt, Idata.size(), got) == 0) {
                 EXPECT_EQ(got, Idata) << "a read after a failed reset reported success";
             }
             return ok;
         }},
    };
    return list;
}

// After the fault is gone: the session (started again where it ended)
// serves known data, the program is intact, and a reset and a step land
// where the program says.
void expectRecovered(UsbHost& h, const Fault& fault, const Operation& op, bool ok) {
    const std::string name = op.name;
    // Where the start failed or the driver ended its session, the IDE starts
    // again (with the driver loaded afresh, whose first start clears the
    // program memory); then, as after a new board and a failed code write
    // (whose bytes are then unknown), the program is downloaded again.
    bool download = fault.replacesBoard || name == "start" || (name == "write-code" && !ok);
    if (fault.restartsDebugger || h.object->SessionEnded()) {
        h.endSession();
        h.boxes.clear();
        ASSERT_EQ(h.start(), 0u) << (h.boxes.shown().empty() ? "" : h.boxes.shown().back().text);
        download = true;
    } else if (name == "start" && !ok) {
        ASSERT_EQ(h.start(), 0u);
    }
    if (download) {
        ASSERT_TRUE(h.prepare());
    }
    const bool wroteXdata = ok && name == "write-xdata";
    Bytes got;
    EXPECT_EQ(h.read(XdataAt, Xdata.size(), got), 0u);
    EXPECT_EQ(got, Xdata);
    if (wroteXdata) {
        EXPECT_EQ(h.read(WrittenAt, Written.size(), got), 0u);
        EXPECT_EQ(got, Written) << "an xdata write reported success";
    }
    EXPECT_EQ(h.read(CodeAt, Entry.size(), got), 0u);
    EXPECT_EQ(got, Entry);
    for (std::size_t hw = 0; hw < 8; ++hw)
        EXPECT_FALSE(h.usbBoard->code(hw, 0) == 0x80 && h.usbBoard->code(hw, 1) == 0xFE) << "stub left in bank " << hw;
    EXPECT_EQ(h.reset(), 0u);
    h.boxes.clear();
    EXPECT_EQ(h.object->AG_GoStep(2, 1, nullptr), 0u);
    EXPECT_EQ(h.pc, PcAfterStep);
    for (const auto& b : h.boxes.shown()) ADD_FAILURE() << "after recovery: " << b.text;
}

TEST(FaultMatrix, EveryFaultBeforeEveryOperation) {
    // TARVEX_MATRIX_CELL="<fault> x <operation>" runs that cell alone.
    const char* only = std::getenv("TARVEX_MATRIX_CELL");
    for (const Fault& fault : faults()) {
        for (const Operation& op : operations()) {
            const std::string cell = std::string(fault.name) + " x " + op.name;
            if (only && *only && cell != only) continue;
            SCOPED_TRACE(cell);
            UsbHost h;
            ASSERT_TRUE(h.library.loaded()) << h.library.errorText();
            const bool startOp = std::string(op.name) == "start";
            if (!startOp) {
                ASSERT_TRUE(h.start() == 0 && h.prepare());
            }
            const auto inject = [&] {
                if (fault.bus) fault.bus(h);
                if (!fault.board) return;
                if (*op.key && !fault.atOnce)
                    h.usbBoard->armAtCommand(op.key, fault.board);
                else
                    fault.board(*h.usbBoard);
            };
            const bool ok = op.run(h, inject, fault);
            // The fault goes (and the user reads the message first); a board
            // that was lost is replaced.
            h.clock.sleepMs(3000);
            h.usbBoard->clearFaults();
            h.bus->clearFaults();
            // Whatever became of the operation, the IDE has its answer: the
            // target is not taken as running any more.
            h.boxes.clear();
            Bytes got;
            h.read(XdataAt, Xdata.size(), got);
            EXPECT_FALSE(h.shown(std::string(LoadStr(72)))) << "the target is still taken as running";
            if (fault.replacesBoard) {
                h.bus->clear();
                h.plugIn();
            }
            expectRecovered(h, fault, op, ok);
        }
    }
}

// The device goes while a go waits, and the IDE's other thread asks for a
// stop: on virtual time the run sleeps between two polls until the fault is
// in and the stop asked for, so the stop meets the dead link every time
// (the run's own poll first where the queue status fails too). The stop
// fails and says so, the driver no longer takes the target as running, and
// after the end of the session a new one starts in the same driver.
TEST(DeadLink, AStopThatMeetsADeadLinkEndsTheRunAsFailed) {
    const std::pair<const char*, std::function<void(UsbHost&)>> faults[] = {
        {"lost", [](UsbHost& h) { h.bus->loseDevice(0); }},
        {"writes fail twice", [](UsbHost& h) { h.bus->failNextWrite(sim::UsbBus::IoError, 0, 2); }},
        {"not opened twice", [](UsbHost& h) { h.bus->failNextWrite(sim::UsbBus::DeviceNotOpened, 0, 2); }},
        {"reads fail twice", [](UsbHost& h) { h.bus->failNextRead(sim::UsbBus::DeviceNotOpened, 0, 2); }},
    };
    for (const auto& [name, fault] : faults) {
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(std::string(name) + " #" + std::to_string(round));
            UsbHost h;
            ASSERT_TRUE(h.library.loaded()) << h.library.errorText();
            ASSERT_TRUE(h.start() == 0 && h.prepare());
            h.boxes.clear();
            h.object->ClearEventLog();
            h.driverClock.arm([&] { return h.usbBoard->targetRunning(); });
            std::thread runner([&] { h.object->AG_GoStep(4, 0, nullptr); });
            h.driverClock.awaitSleeper();
            fault(h);
            std::atomic<std::uint32_t> stop{99};
            std::thread other([&] { stop = h.object->AG_GoStep(1, 0, nullptr); });
            const auto asked = [&] {
                const auto log = h.object->EventLog();
                return std::find(log.begin(), log.end(), "stop requested") != log.end();
            };
            while (!asked()) std::this_thread::yield();
            h.driverClock.release();
            other.join();
            runner.join();
            EXPECT_EQ(stop.load(), 0u) << "a stop over a dead link reported success";
            EXPECT_FALSE(h.boxes.shown().empty()) << "the failure was not told";
            // The fault is gone (the lost device is plugged in again).
            h.bus->clearFaults();
            if (std::string(name) == "lost") {
                h.bus->clear();
                h.plugIn();
            }
            h.boxes.clear();
            Bytes got;
            h.read(XdataAt, Xdata.size(), got);
            h.object->AG_GoStep(2, 1, nullptr);
            EXPECT_FALSE(h.shown(std::string(LoadStr(72)))) << "the target is still taken as running";
            // The IDE ends the session and starts the next one.
            h.endSession();
            h.boxes.clear();
            ASSERT_EQ(h.start(), 0u) << (h.boxes.shown().empty() ? "" : h.boxes.shown().back().text);
            ASSERT_TRUE(h.prepare());
            EXPECT_EQ(h.object->AG_GoStep(2, 1, nullptr), 0u);
            EXPECT_EQ(h.pc, PcAfterStep);
            EXPECT_TRUE(h.boxes.shown().empty()) << h.boxes.shown().front().text;
        }
    }
}

// A board switched off and on loses its image; its reads then answer FF of
// the right length, which no protocol without a checksum can tell. The next
// reset finds no answer and the driver starts the board again: from then on
// what it reads is the board's again, not what it kept from before.
TEST(DeadLink, ABoardSwitchedOffAndOnIsReadAfreshOnceStartedAgain) {
    UsbHost h;
    ASSERT_TRUE(h.library.loaded()) << h.library.errorText();
    ASSERT_TRUE(h.start() == 0 && h.prepare());
    h.usbBoard->powerCycle();
    Bytes got;
    ASSERT_EQ(h.read(IdataAt, Idata.size(), got), 0u);
    ASSERT_EQ(got, Bytes(Idata.size(), 0xFF));
    h.boxes.clear();
    EXPECT_NE(h.reset(), 0u);
    EXPECT_TRUE(h.shown(std::string(LoadResStr(rs::CommunicationError))));
    ASSERT_TRUE(h.usbBoard->fpgaLoaded()) << "the driver did not start the board again";
    EXPECT_EQ(h.read(IdataAt, Idata.size(), got), 0u);
    EXPECT_EQ(got, Idata);
    EXPECT_EQ(h.read(XdataAt, Xdata.size(), got), 0u);
    EXPECT_EQ(got, Xdata);
    EXPECT_EQ(h.reset(), 0u);
    EXPECT_EQ(h.read(IdataAt, Idata.size(), got), 0u);
    EXPECT_EQ(got, Idata);
}

}  // namespace
}  // namespace tarvex
#endif
