// The fault matrix: every fault the simulated board and the stand-in D2XX
// library can show, injected right before each operation the IDE runs in a
// debug session over USB, on virtual time. A cell passes when the operation
// does not report a success that did not happen, and afterwards (with a new
// start where the driver ended its session) the session reads known data
// back right, the program's first bytes are the program's, and a reset and
// a step land where the program says.
// Needs the stand-in libraries; the Windows builds, whose link code is the
// same, leave the long matrix to the native one.
#if defined(TARVEX_STANDIN_DIR) && !defined(_WIN32)
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "emulator/link/d2xx.hpp"
#include "emulator/link/transport.hpp"
#include "host/agdi_object.hpp"
#include "host/agdi_records.hpp"
#include "platform/dynlib.hpp"
#include "sim/usb_bus.hpp"
#include "platform/host_window.hpp"
#include "sim/standin_root.hpp"
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
        env.clock = &clock;
        env.settings = &settings;
        env.root = sharedRoot();
        env.d2xxLibrary = ftd2xx::LibraryName();
        object = std::make_unique<TAgdiObject>(env);
        object->AG_Init(agdi::code::Item + agdi::code::ItemHostWindow, reinterpret_cast<std::uintptr_t>(&sink));
        object->AG_Init(agdi::code::Item + agdi::code::ItemPcVar, reinterpret_cast<std::uintptr_t>(&pc));
    }
    std::uint16_t targetPc() {
        std::uint16_t at = 0xFFFF;
        usbBoard->withCpu([&](const sim::Cpu8051& cpu) { at = cpu.pc(); });
        return at;
    }
    void plugIn() {
        sim::BoardConfig config;
        config.frameSize = 12;
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
};

const std::vector<Fault>& faults() {
    using sim::Board;
    static const std::vector<Fault> list = {
        {"silent", [](Board& b) { b.setSilent(true); }, {}},
        {"drop", [](Board& b) { b.shortenNextAnswer(0); }, {}},
        {"short1", [](Board& b) { b.shortenNextAnswer(1); }, {}},
        {"garble1", [](Board& b) { b.garbleNextAnswer({0x5A}); }, {}},
        {"garble40", [](Board& b) { b.garbleNextAnswer(Bytes(40, 0x77)); }, {}, false, false, true},
        {"late", [](Board& b) { b.setAnswerDelay(1500); }, {}},
        {"slow", [](Board& b) { b.setAnswerDelay(100); }, {}},
        {"stray", [](Board& b) { b.inject({0xA5}); }, {}},
        {"later", [](Board& b) { b.sendOnOwn(30, 0x3C); }, {}},
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
        {"reset", "Z",
         [](UsbHost& h, const std::function<void()>& inject, const Fault&) {
             inject();
             const bool ok = h.reset() == 0;
             if (ok) {
                 EXPECT_EQ(h.targetPc(), 0) << "a reset reported success";
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
        h.openDriver();
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
                if (*op.key)
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
            if (fault.replacesBoard) {
                h.bus->clear();
                h.plugIn();
            }
            expectRecovered(h, fault, op, ok);
        }
    }
}

}  // namespace
}  // namespace tarvex
#endif
