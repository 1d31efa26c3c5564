// The host-interface object in process: the IDE's side played by the test,
// the board by the simulator on a serial port of virtual time.
#include "host/agdi_object.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "core/errors.hpp"
#include "core/pellunar.hpp"
#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "emulator/download.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "host/options.hpp"
#include "host/project_files.hpp"
#include "host/status_line.hpp"
#include "platform/clock.hpp"
#include "platform/host_text.hpp"
#include "platform/host_window.hpp"
#include "platform/settings.hpp"
#include "platform/stream.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "sim/standin_root.hpp"
#include "tests/support/hand_over_clock.hpp"
#include "tests/support/target/sim_bench.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

using agdi::BpRecord;
using agdi::MemRequest;

// The windows seam: answers from fields and records what was asked.
struct ScriptedWindows final : IDriverWindows {
    bool OptionsDialog() override {
        calls.push_back("options");
        return answerOk;
    }
    void* OpenTraceWindow(std::uint32_t id, void*) override {
        calls.push_back("open " + std::to_string(id));
        open = true;
        return &open;
    }
    void CloseTraceWindow() override {
        calls.push_back("close");
        open = false;
        if (TAgdiObject* o = TAgdiObject::Current()) o->SendDialogClosed(7);
    }
    void UpdateTraceWindow() override { calls.push_back("update"); }
    void NotifyTraceWindow(std::uint32_t, std::uint32_t code, const void*) override {
        calls.push_back("notify " + std::to_string(code));
    }
    std::intptr_t SendTraceWindow(std::uint32_t m, std::uintptr_t w, std::intptr_t) override {
        calls.push_back("send " + std::to_string(m) + " " + std::to_string(w));
        return 0;
    }
    bool TraceWindowExists() const override { return open; }
    void FreeTraceWindow() override {
        calls.push_back("free");
        open = false;
    }
    void RunMenuDialog(MenuDialog, const std::string& caption) override { calls.push_back("dialog " + caption); }

    bool answerOk = false;
    bool open = false;
    std::vector<std::string> calls;
};

// A run control whose target runs for `pollsToHalt` polls (never, when 0).
struct FakeRun final : IRunControl {
    bool Go() override { return start(); }
    bool GoUntil(const TBankAdresse& a) override {
        until = a.offset;
        return start();
    }
    bool Step() override {
        ++steps;
        return start();
    }
    bool Poll() override {
        ++polls;
        if (onPoll) onPoll();
        if (pollsToHalt && --left == 0) running = false;
        return running;
    }
    bool IsRunning() const override { return running; }
    void Stop() override {
        ++stops;
        if (onStop) onStop();
        if (!stopFails) running = false;
    }
    bool StopErrorVisible() const override { return stopFails; }
    TBankAdresse ProgramCounter() const override { return UnbankedAdresse(pc); }
    void SetPC(const TBankAdresse& a) override {
        pc = a.offset;
        pcBank = a.banked ? a.bank : 0;
    }
    int ResetAll() override { return ++resets, 0; }
    int ResetSlave() override { return ++resets, 0; }
    bool NotYetReset() const override { return notYetReset; }
    bool FlyingTrace() const override { return flying; }
    void SetFlyingTrace(bool on) override { flying = on; }

    bool start() {
        running = true;
        left = pollsToHalt;
        return true;
    }
    std::atomic<bool> running{false};
    int pollsToHalt = 2, left = 0, steps = 0, polls = 0, stops = 0, resets = 0;
    std::uint16_t until = 0, pc = 0x0100;
    std::uint8_t pcBank = 0;
    bool stopFails = false, notYetReset = false, flying = false;
    std::function<void()> onStop, onPoll;
};

struct Rig;
Rig* rig = nullptr;

struct Rig : test::SimBench {
    explicit Rig(IRunControl* run = nullptr, platform::Clock* useClock = nullptr,
                 std::vector<std::string>* lifecycle = nullptr)
        : SimBench({}, useClock) {
        rig = this;
        sim::MakeStandinRoot(root.path(), test::sourceDir() / "data");
        platform::Clock& c = useClock ? *useClock : clock;
        DriverEnvironment env;
        env.clock = &c;
        env.settings = &settings;
        env.serialPortOpener = sim::SimSerialPort::opener(board, c);
        env.root = root.path().string();
        env.windows = &windows;
        env.runControl = run;
        env.lifecycleLog = lifecycle;
        object = std::make_unique<TAgdiObject>(env);
        sink.context = this;
        sink.send = [](void*, std::uint32_t, std::uintptr_t w, std::intptr_t l) -> std::intptr_t {
            rig->messages.push_back(std::to_string(w) + (w == 12 ? std::string(" ") + reinterpret_cast<const char*>(l) : ""));
            return 0;
        };
        sink.post = [](void*, std::uint32_t, std::uintptr_t w, std::intptr_t) { rig->posted.push_back(w); };
        window.emplace(sink);
        item(18, reinterpret_cast<std::uintptr_t>(&Rig::callback));
        item(17, 0x7E8);
        item(10, window->handle());
        item(15, reinterpret_cast<std::uintptr_t>(&pcVar));
        item(14, reinterpret_cast<std::uintptr_t>(&head));
    }
    ~Rig() {
        object.reset();
        rig = nullptr;
    }
    // What the driver posted so far (a window's queue is read on Windows).
    const std::vector<std::uintptr_t>& postedNow() {
        window->pump();
        return posted;
    }
    void item(std::uint8_t n, std::uintptr_t value) { object->AG_Init(static_cast<std::uint16_t>(0x300 + n), value); }
    std::uint32_t start() { return object->AG_Init(0x100, 0); }
    static std::uint32_t TARVEX_AGDI_CALL callback(std::uint32_t code, void*) {
        rig->callbacks.push_back(code);
        return 0;
    }
    std::uint32_t read(std::uint32_t address, std::uint8_t* buffer, std::uint32_t count, std::uint16_t code = 1) {
        MemRequest r{address, 0};
        return object->AG_MemAcc(code, buffer, &r, count);
    }
    std::uint32_t write(std::uint16_t code, std::uint32_t address, std::vector<std::uint8_t> bytes) {
        MemRequest r{address, 0};
        return object->AG_MemAcc(code, bytes.data(), &r, static_cast<std::uint32_t>(bytes.size()));
    }
    agdi::RegItem& regItem(const char* name) {
        for (std::uint32_t i = 0; i < object->RegisterView().itemCount; ++i)
            if (std::strcmp(object->RegisterItems()[i].name, name) == 0) return object->RegisterItems()[i];
        throw std::runtime_error(name);
    }
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> out;
        for (const auto& b : boxes.shown()) out.push_back(b.text);
        return out;
    }
    std::uint64_t count(const char* name) const { return board.tally(name).commands; }
    // An SFR as the board holds it: the caches dropped, then read.
    std::uint8_t boardSfr(std::uint8_t address) {
        object->SendVokWinMessage(12, nullptr);
        std::uint8_t b = 0;
        EXPECT_EQ(read(0xF0000000u | address, &b, 1), 0u);
        return b;
    }
    bool tornDown() const {
        const auto log = board.log();
        return std::any_of(log.begin(), log.end(), [](const sim::CommandRecord& c) {
            return c.name == "y" && c.bytes.size() == 2 && c.bytes[1] == 0x04;
        });
    }

    test::TempDir root;
    test::TempDir work;
    ScriptedWindows windows;
    platform::HostMessageSink sink{};
    std::optional<platform::HostWindow> window;
    std::unique_ptr<TAgdiObject> object;
    std::uint32_t pcVar = 0;
    BpRecord* head = nullptr;
    std::vector<std::uint32_t> callbacks;
    std::vector<std::string> messages;
    std::vector<std::uintptr_t> posted;
};

TEST(AgdiObject, FeatureQueriesAndIgnoredItems) {
    Rig r;
    const struct {
        std::uint16_t code;
        std::uint32_t answer;
    } rows[] = {{0x201, 0}, {0x202, 0}, {0x203, 0}, {0x205, 1}, {0x206, 1}, {0x207, 0}, {0x208, 0}, {0x200, 0}};
    for (const auto& row : rows) EXPECT_EQ(r.object->AG_Init(row.code, 0), row.answer) << std::hex << row.code;
    const std::uintptr_t window = r.object->HostWindow();
    EXPECT_EQ(r.object->AG_Init(0x306, 1234), 0u);
    EXPECT_EQ(r.object->AG_Init(0x323, 1234), 0u);
    EXPECT_EQ(r.object->HostWindow(), window);
    EXPECT_EQ(r.object->DllUv3Cap(2, nullptr), 8051u);
    EXPECT_EQ(r.object->EnumUv351(nullptr, 3), 0u);
}

TEST(AgdiObject, ComponentsAreFreedInReverseOrderAlsoAfterAFailedStart) {
    std::vector<std::string> log;
    {
        Rig r(nullptr, nullptr, &log);
        r.board.setSilent(true);
        r.settings.writeInteger(LinkRegistryKey, "Interface", "TimeoutInit", 300);
        EXPECT_NE(r.start(), 0u);
        EXPECT_EQ(std::count(r.callbacks.begin(), r.callbacks.end(), 3u), 0);
        std::uint8_t b[16];
        EXPECT_EQ(r.read(0x01000000, b, 16), 1u);
    }
    std::vector<std::string> created, freed;
    for (const auto& line : log) {
        if (line.rfind("create ", 0) == 0) created.push_back(line.substr(7));
        if (line.rfind("free ", 0) == 0) freed.push_back(line.substr(5));
    }
    EXPECT_EQ(created, (std::vector<std::string>{"Dll_Optionen", "Dll_Emulator", "TracePlatine", "Banking",
                                                 "RegisterTabelle", "SfrConfig", "Dll_Debug", "EmulSpeicher",
                                                 "SymbolTabelle", "ZeilennummernTabelle", "SelectTabelle",
                                                 "VokWinStatusZeile", "WatchTabelle", "Kommando", "PerformanceComp",
                                                 "VokWinLoader"}));
    std::reverse(freed.begin(), freed.end());
    EXPECT_EQ(freed, created);
}

TEST(AgdiObject, StartRegistersTheViewAndAllocatesThreePages) {
    Rig r;
    ASSERT_EQ(r.start(), 0u);
    EXPECT_EQ(std::count(r.callbacks.begin(), r.callbacks.end(), 3u), 1);
    EXPECT_EQ(r.object->Attributes().Pages(), (std::vector<std::size_t>{0, 256, 513}));
    const auto& log = r.object->ComponentLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.front(), "create Dll_Optionen");
}

TEST(AgdiObject, MemoryRequestsSplitAndClipTheHostAddress) {
    Rig r;
    ASSERT_EQ(r.start(), 0u);
    // Internal data 0x78..0x7F only, then the SFRs from 0x80.
    ASSERT_EQ(r.write(2, 0xF0000078, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), 0u);
    std::uint8_t b[32];
    std::memset(b, 0xEE, sizeof b);
    ASSERT_EQ(r.read(0xF0000078, b, 16), 0u);
    EXPECT_EQ(std::vector<std::uint8_t>(b, b + 16),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(r.board.internal(0x7F), 8);
    // The last byte of code is reachable: a download of 16 at 0xFFF0 writes
    // them all, a read of 0x20 there answers 16 and zeros.
    std::vector<std::uint8_t> top(16);
    for (int i = 0; i < 16; ++i) top[i] = static_cast<std::uint8_t>(0xA0 + i);
    r.item(33, 0);
    ASSERT_EQ(r.write(3, 0x0000FFF0, top), 0u);
    r.item(34, 0);
    std::memset(b, 0xEE, sizeof b);
    ASSERT_EQ(r.read(0xFF00FFF0, b, 32), 0u);
    EXPECT_EQ(b[15], 0xAF);
    EXPECT_EQ(b[16], 0);
    EXPECT_EQ(b[31], 0);
    // Space 0xFE is external data too.
    ASSERT_EQ(r.write(2, 0x01000010, {0x5A}), 0u);
    ASSERT_EQ(r.read(0xFE000010, b, 1), 0u);
    EXPECT_EQ(b[0], 0x5A);
    // Out of range: refused without a box, never another memory's bytes.
    r.boxes.clear();
    EXPECT_EQ(r.read(0xFF050000, b, 4), 2u);
    r.object->Spaces().Space(SpaceKind::Program).SetProgramMaxAdresse(0x0FFF);
    EXPECT_EQ(r.read(0xFF002000, b, 1), 2u);
    EXPECT_EQ(r.write(2, 0xFF002000, {1}), 5u);
    EXPECT_TRUE(r.boxes.shown().empty());
    EXPECT_EQ(r.read(0xFF000000, b, 4, 7), 3u);
}

// Internal data has 256 bytes: an offset beyond them moves no byte, neither
// the one its low eight bits name nor the indirect byte after it.
TEST(AgdiObject, InternalDataOffsetsBeyondTheMemoryMoveNoByte) {
    Rig r;
    ASSERT_EQ(r.start(), 0u);
    const std::vector<std::uint8_t> known{0x11, 0x22, 0x33, 0x44};
    ASSERT_EQ(r.write(2, 0xF300007E, known), 0u);
    ASSERT_EQ(r.write(2, 0xF3000000, {0x55, 0x66}), 0u);
    for (const std::uint32_t host : {0xF000017Eu, 0xF000017Fu, 0xF0000100u, 0xF0000180u, 0xF000FFFFu, 0xF3000100u,
                                     0xF30001FEu}) {
        std::uint8_t b[4] = {0xEE, 0xEE, 0xEE, 0xEE};
        EXPECT_EQ(r.read(host, b, 4), 2u) << std::hex << host;
        EXPECT_EQ(b[0], 0xEE) << std::hex << host;
        EXPECT_EQ(r.write(2, host, {0xAB, 0xCD}), 5u) << std::hex << host;
    }
    for (std::uint8_t i = 0; i < 4; ++i) EXPECT_EQ(r.board.internal(0x7E + i), known[i]);
    EXPECT_EQ(r.board.internal(0x00), 0x55);
    EXPECT_EQ(r.board.internal(0x01), 0x66);
}

// The IDE writes back the PC variable as the driver filled it: bit 23 marks
// a banked-area address and is no part of the bank. A bank beyond the
// program space is refused with a box, and the PC stays.
TEST(AgdiObject, APcWriteTakesBit23AsTheMarkAndRefusesABankBeyondTheSpace) {
    FakeRun run;
    Rig r(&run);
    ASSERT_EQ(r.start(), 0u);
    r.object->Banking().SetBankingMode(3);
    r.object->Banking().SetBankedAreaStart(0x8000);
    r.object->Banking().SetBankedAreaEnd(0xFFFF);
    const TBankAdresse max = r.object->Spaces().Space(SpaceKind::Program).GetMaxAdresse();
    ASSERT_TRUE(max.banked);
    ASSERT_EQ(max.bank, 3);
    std::uint32_t v = 0xFF818100;
    EXPECT_EQ(r.object->AG_RegAcc(2, TAgdiObject::RegPc, &v), 0u);
    EXPECT_EQ(run.pcBank, 1);
    EXPECT_EQ(run.pc, 0x8100);
    EXPECT_EQ(r.object->CurrentPc(), 0xFF018100u);
    // What the driver put into the IDE's variable comes back unchanged.
    EXPECT_EQ(r.pcVar, 0xFF818100u);
    v = r.pcVar;
    run.pc = 0;
    EXPECT_EQ(r.object->AG_RegAcc(2, TAgdiObject::RegPc, &v), 0u);
    EXPECT_EQ(run.pcBank, 1);
    EXPECT_EQ(run.pc, 0x8100);
    r.boxes.clear();
    for (const std::uint32_t beyond : {0xFF048100u, 0xFF7F8100u, 0xFFFF8100u}) {
        v = beyond;
        EXPECT_EQ(r.object->AG_RegAcc(2, TAgdiObject::RegPc, &v), 1u) << std::hex << beyond;
    }
    EXPECT_EQ(r.boxes.shown().size(), 3u);
    EXPECT_EQ(run.pcBank, 1);
    EXPECT_EQ(run.pc, 0x8100);
    EXPECT_EQ(r.object->CurrentPc(), 0xFF018100u);
    // Unbanked: only bank 0, with or without the mark.
    r.object->Banking().SetBankingMode(0);
    v = 0xFF010200;
    EXPECT_EQ(r.object->AG_RegAcc(2, TAgdiObject::RegPc, &v), 1u);
    EXPECT_EQ(run.pc, 0x8100);
    v = 0xFF800200;
    EXPECT_EQ(r.object->AG_RegAcc(2, TAgdiObject::RegPc, &v), 0u);
    EXPECT_EQ(run.pc, 0x0200);
}

TEST(AgdiObject, AttributeRangesStayInTheirPage) {
    TAttributeMap map;
    map.SetRange(0xFF00FFF0, 0x10000, 3);
    EXPECT_EQ(map.Pages(), (std::vector<std::size_t>{0}));
    EXPECT_EQ(*map.Cell(0xFF00FFEF), 0u);
    EXPECT_EQ(*map.Cell(0xFF00FFF0), 3u);
    EXPECT_EQ(*map.Cell(0xFF00FFFF), 3u);
    const struct {
        std::uint32_t address;
        std::size_t page;
    } rows[] = {{0x01020000, 258}, {0xFE000000, 256}, {0xF0000080, 512}, {0xF000007F, 513},
                {0xF3000080, 513}, {0xFF030000, 3},   {0x00000010, 0}};
    for (const auto& row : rows) EXPECT_EQ(TAttributeMap::PageOf(row.address), row.page) << std::hex << row.address;
    map.SetRange(0xFF000010, 4, 0);
    EXPECT_EQ(*map.Cell(0xFF000010), 7u);
}

TEST(AgdiObject, RegistersThroughIdsBlockAndView) {
    Rig r;
    ASSERT_EQ(r.start(), 0u);
    std::uint32_t v = 0;
    EXPECT_EQ(r.object->AG_RegAcc(2, TAgdiObject::RegTime, &v), 3u);
    EXPECT_EQ(r.object->AG_RegAcc(2, 99, &v), 3u);
    std::uint8_t block[26] = {};
    ASSERT_EQ(r.object->AG_AllReg(1, block), 0u);
    block[24] = 0x34;
    block[25] = 0x12;
    ASSERT_EQ(r.object->AG_AllReg(2, block), 0u);
    EXPECT_EQ(r.boardSfr(0x82), 0x34);
    EXPECT_EQ(r.boardSfr(0x83), 0x12);

    agdi::RegItem& b = r.regItem("b");
    const auto read = r.object->RegisterView().read;
    const auto write = r.object->RegisterView().write;
    read(&b, 0);
    write(&b, 0x5A);
    EXPECT_EQ(r.boardSfr(0xF0), 0x5A);
    read(&b, 0);
    EXPECT_STREQ(b.text, "0x5A");
    EXPECT_EQ(b.changed, 1);
    read(&b, 0);
    EXPECT_EQ(b.changed, 0);
    // The time item shows the trace board's counter as a time text, in the
    // IDE's encoding (one byte for the "µ" of the ANSI code page on Windows).
    agdi::RegItem& time = r.regItem("time");
    read(&time, 0);
    EXPECT_NE(std::string(time.text).find(platform::hostText("\xC2\xB5s")), std::string::npos) << time.text;
    EXPECT_EQ(b.redraw, 1);
    // Locked, writes are ignored until unlocked.
    read(&b, 0x40000000);
    write(&b, 0x11);
    EXPECT_EQ(r.boardSfr(0xF0), 0x5A);
    read(&b, 0x80000000);
    write(&b, 0x11);
    EXPECT_EQ(r.boardSfr(0xF0), 0x11);
    agdi::RegItem& pc = r.regItem("PC  $");
    read(&pc, 0);
    EXPECT_EQ(std::strlen(pc.text), 6u);  // "0x" and four digits without banking
    EXPECT_EQ(pc.changed, 0);
    // A PSW field writes its bits only.
    agdi::RegItem& rs = r.regItem("rs");
    write(&rs, 2);
    EXPECT_EQ(r.boardSfr(0xD0) & 0x18, 0x10);
}

TEST(AgdiObject, BreakpointCellsAndTheIdeList) {
    Rig r;
    ASSERT_EQ(r.start(), 0u);
    std::uint32_t at = 0xFF00010E;
    BpRecord rec{};
    rec.flags = agdi::BpEnabled;
    rec.address = at;
    r.head = &rec;
    EXPECT_EQ(r.object->AG_BreakFunc(5, 0, &at, &rec), &rec);
    EXPECT_EQ(r.object->AG_BreakFunc(1, 0, &at, &rec), &rec);
    EXPECT_EQ(r.object->AG_BpInfo(1, &at), 0x08u);
    // Enable on an enabled cell changes nothing.
    EXPECT_EQ(r.object->AG_BpInfo(8, &at), 0u);
    EXPECT_EQ(r.object->AG_BpInfo(1, &at), 0x08u);
    const struct {
        std::uint16_t code;
        std::uint32_t bits;
    } steps[] = {{9, 0x40}, {8, 0x08}, {10, 0x00}, {11, 0x08}};
    for (const auto& s : steps) {
        EXPECT_EQ(r.object->AG_BpInfo(s.code, &at), 0u);
        EXPECT_EQ(r.object->AG_BpInfo(1, &at), s.bits) << s.code;
    }
    // No cell: refused.
    std::uint32_t none = 0xFF070000;
    EXPECT_EQ(r.object->AG_BpInfo(1, &none), TAgdiObject::Refused);
    EXPECT_EQ(r.object->AG_BpInfo(11, &none), TAgdiObject::Refused);
    // Pass counter: set, the box, the record still answered.
    rec.passCount = 3;
    EXPECT_EQ(r.object->AG_BreakFunc(1, 0, &at, &rec), &rec);
    EXPECT_EQ(r.boxTexts().back(), "Breakcounter > 1 IGNORED!");
    // A type other than 0 belongs to the break dialog.
    BpRecord other{};
    other.flags = agdi::BpEnabled | 1;
    std::uint32_t at2 = 0xFF000100;
    EXPECT_EQ(r.object->AG_BreakFunc(5, 0, &at2, &other), nullptr);
    ASSERT_FALSE(r.messages.empty());
    EXPECT_EQ(r.messages.back(), "12 Please use TARVEX break dialog\r\n");
    EXPECT_EQ(r.object->AG_BpInfo(1, &at2), 0u);
    // The list walk ends in a ring too.
    rec.next = &rec;
    EXPECT_EQ(r.object->AG_BpInfo(6, nullptr), 65536u);
    rec.next = nullptr;
    EXPECT_EQ(r.object->AG_BpInfo(1, &at), 0u);
}

TEST(AgdiObject, ReadTimeoutWithRefusedRestartEndsTheSession) {
    Rig r;
    ASSERT_EQ(r.start(), 0u);
    r.settings.writeInteger(LinkRegistryKey, "Interface", "TimeoutInit", 300);
    r.object->Emulator().SetTimeoutInitString(300);
    r.board.setSilent(true);
    std::uint8_t b[16];
    EXPECT_EQ(r.read(0x01000000, b, 16), 2u);
    EXPECT_EQ(r.postedNow(), (std::vector<std::uintptr_t>{5}));
    EXPECT_TRUE(r.object->SessionEnded());
    const auto before = r.board.stats().bytesIn;
    EXPECT_EQ(r.read(0x01000000, b, 16), 1u);
    std::uint8_t block[26];
    EXPECT_EQ(r.object->AG_AllReg(1, block), 1u);
    std::uint32_t at = 0xFF000100;
    EXPECT_EQ(r.object->AG_BpInfo(1, &at), 0u);
    EXPECT_EQ(r.object->AG_GoStep(1, 0, nullptr), 0u);
    EXPECT_EQ(r.board.stats().bytesIn, before);
    EXPECT_EQ(r.object->AG_Init(0x205, 0), 1u);
    // A new start in the same object works again.
    r.board.setSilent(false);
    r.settings.writeInteger(LinkRegistryKey, "Interface", "TimeoutInit", 3000);
    r.boxes.clear();
    ASSERT_EQ(r.start(), 0u) << (r.boxes.shown().empty() ? "" : r.boxes.shown().back().text);
    EXPECT_EQ(r.read(0x01000000, b, 16), 0u);
}

TEST(AgdiObject, BroadcastGoesOnPastAFailingReceiverAndRefreshesLast) {
    FakeRun run;
    Rig r(&run);
    ASSERT_EQ(r.start(), 0u);
    std::vector<std::string> order;
    r.object->AddReceiver([&](std::uint8_t code, const void*) {
        order.push_back("first " + std::to_string(code));
        if (code == 14) throw std::runtime_error("first fails");
    });
    r.object->AddReceiver([&](std::uint8_t code, const void*) { order.push_back("second " + std::to_string(code)); });
    r.callbacks.clear();
    EXPECT_THROW(r.object->SendVokWinMessage(14, nullptr), std::runtime_error);
    EXPECT_EQ(order, (std::vector<std::string>{"first 14", "second 14"}));
    EXPECT_EQ(r.callbacks, (std::vector<std::uint32_t>{5}));
    // A link fault stops the broadcast.
    order.clear();
    r.object->AddReceiver([&](std::uint8_t, const void*) { order.push_back("third"); });
    r.object->AddReceiver([&](std::uint8_t, const void*) { throw EEmulatorError("link"); });
    r.object->AddReceiver([&](std::uint8_t, const void*) { order.push_back("never"); });
    EXPECT_THROW(r.object->SendVokWinMessage(2, nullptr), EEmulatorError);
    EXPECT_EQ(order.back(), "third");
}

// Every component that keeps state about the target hears each notification,
// in a fixed order: the emulator first, the options (whose handler of 25
// checks the target, the watchdog and the pod) right after it.
TEST(AgdiObject, TheBroadcastReachesEveryComponentInOrder) {
    Rig r;
    ASSERT_EQ(r.start(), 0u);
    for (const std::uint8_t code : {std::uint8_t{25}, std::uint8_t{31}}) {
        r.object->ClearEventLog();
        r.object->SendVokWinMessage(code, nullptr);
        std::vector<std::string> received;
        for (const std::string& e : r.object->EventLog())
            if (e.rfind("receive ", 0) == 0) received.push_back(e.substr(8));
        const std::string c = " " + std::to_string(code);
        EXPECT_EQ(received, (std::vector<std::string>{"Dll_Emulator" + c, "Dll_Optionen" + c, "Banking" + c,
                                                      "Dll_Debug" + c, "EmulSpeicher" + c, "SelectTabelle" + c,
                                                      "SymbolTabelle" + c, "WatchTabelle" + c, "Kommando" + c,
                                                      "PerformanceComp" + c}));
    }
}

// A cleared table reaches the components that keep its records before any
// other component runs code that might follow one of them.
TEST(AgdiObject, TableRecordHoldersHearAClearedTableFirst) {
    Rig r;
    ASSERT_EQ(r.start(), 0u);
    r.object->ClearEventLog();
    r.object->Symbols().Clear();
    std::vector<std::string> received;
    for (const std::string& e : r.object->EventLog())
        if (e.rfind("receive ", 0) == 0 && e.size() > 2 && e.substr(e.size() - 2) == " 9")
            received.push_back(e.substr(8, e.size() - 10));
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(received.begin(), received.begin() + 3),
              (std::vector<std::string>{"Dll_Debug", "WatchTabelle", "Dll_Emulator"}));
}

TEST(AgdiObject, DeferredSelectFileLoadsOnceAfterTheBroadcast) {
    FakeRun run;
    run.notYetReset = true;
    Rig r(&run);
    ASSERT_EQ(r.start(), 0u);
    EXPECT_TRUE(r.object->SelectFileDeferred());
    r.object->AddReceiver([&](std::uint8_t code, const void*) { r.object->event("last " + std::to_string(code)); });
    r.object->ClearEventLog();
    r.object->SendVokWinMessage(10, nullptr);
    r.object->SendVokWinMessage(10, nullptr);
    const auto log = r.object->EventLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "select file"), 1);
    const auto last = std::find(log.begin(), log.end(), "last 10");
    const auto select = std::find(log.begin(), log.end(), "select file");
    EXPECT_LT(last, select);
    EXPECT_FALSE(r.object->SelectFileDeferred());
}

TEST(AgdiObject, GoStepAndStopOnOneThread) {
    FakeRun run;
    Rig r(&run);
    ASSERT_EQ(r.start(), 0u);
    EXPECT_EQ(r.object->AG_GoStep(2, 0, nullptr), 0u);
    EXPECT_EQ(run.steps, 0);
    // A stop while nothing runs answers 1 and does not end the next go early.
    EXPECT_EQ(r.object->AG_GoStep(1, 0, nullptr), 1u);
    EXPECT_FALSE(r.object->StopRequested());
    run.pollsToHalt = 3;
    EXPECT_EQ(r.object->AG_GoStep(4, 0, nullptr), 0u);
    EXPECT_EQ(run.polls, 3);
    EXPECT_EQ(r.object->AG_GoStep(2, 3, nullptr), 0u);
    EXPECT_EQ(run.steps, 3);
    std::uint32_t until = 0xFF0000A2;
    EXPECT_EQ(r.object->AG_GoStep(3, 0, &until), 0u);
    EXPECT_EQ(run.until, 0xA2);
    // A go while the target runs is refused with the box.
    run.running = true;
    EXPECT_EQ(r.object->AG_GoStep(4, 0, nullptr), 0u);
    EXPECT_EQ(r.boxTexts().back(), "Access denied: Processor is running");
    // The stop-error form stays: 0, no stop request.
    run.stopFails = true;
    EXPECT_EQ(r.object->AG_GoStep(1, 0, nullptr), 0u);
    EXPECT_FALSE(r.object->StopRequested());
    run.stopFails = false;
    EXPECT_EQ(r.object->AG_GoStep(1, 0, nullptr), 1u);
}

// A started driver whose go runs until stopped and is held, once the
// test's other thread calls, at the hand-over clock's next sleep.
struct HeldGo {
    HeldGo() { run.pollsToHalt = 0; }  // runs until stopped
    void start() {
        ASSERT_EQ(r.start(), 0u);
        r.object->ClearEventLog();
        clock.arm([this] { return run.running.load(); });
    }
    FakeRun run;
    platform::FakeClock time;
    test::HandOverClock clock{time};
    Rig r{&run, &clock};
};

TEST(AgdiObject, StopFromAnotherThreadIsCarriedOutByTheWaitingGo) {
    HeldGo g;
    ASSERT_NO_FATAL_FAILURE(g.start());
    std::atomic<std::uint32_t> stopResult{99}, readResult{99};
    std::thread other([&] {
        g.clock.awaitSleeper();
        MemRequest req{0x01000000, 0};
        std::uint8_t b[4];
        readResult = g.r.object->AG_MemAcc(1, b, &req, 4);
        g.clock.release();
        stopResult = g.r.object->AG_GoStep(1, 0, nullptr);
    });
    const std::uint32_t go = g.r.object->AG_GoStep(4, 0, nullptr);
    other.join();
    g.r.object->event("go returned");
    EXPECT_EQ(go, 0u);
    EXPECT_EQ(stopResult.load(), 1u);
    EXPECT_EQ(readResult.load(), 1u);
    EXPECT_EQ(g.run.stops, 1);
    EXPECT_EQ(g.r.object->EventLog(),
              (std::vector<std::string>{"stop requested", "stop taken", "stop answered 1", "go returned"}));
}

// The link breaks under the waiting go just as the IDE's other thread asks
// for a stop: the go ends in the fault with the target perhaps still
// running, and the stop must not report it stopped.
TEST(AgdiObject, StopMeetingAGoThatEndsInALinkFaultFails) {
    HeldGo g;
    ASSERT_NO_FATAL_FAILURE(g.start());
    std::atomic<bool> linkLost{false};
    g.run.onPoll = [&] {
        if (linkLost) throw EEmulatorError("link lost");
    };
    const auto stopPending = [&] {
        const auto log = g.r.object->EventLog();
        return std::find(log.begin(), log.end(), "stop requested") != log.end();
    };
    std::atomic<std::uint32_t> stopResult{99};
    std::thread releaser;
    std::thread other([&] {
        g.clock.awaitSleeper();
        linkLost = true;
        releaser = std::thread([&] {
            while (!stopPending()) std::this_thread::yield();
            g.clock.release();
        });
        stopResult = g.r.object->AG_GoStep(1, 0, nullptr);
    });
    g.r.boxes.clear();
    g.r.object->AG_GoStep(4, 0, nullptr);
    other.join();
    releaser.join();
    EXPECT_EQ(stopResult.load(), 0u);
    EXPECT_EQ(g.run.stops, 0);
}

// While a go waits on the IDE's thread, the IDE still calls AG_Init and the
// menu from its other thread: each is carried out by the run or answered
// with a word, never dropped.
TEST(AgdiObject, RequestsDuringARunActOrSayWhyNot) {
    FakeRun run;
    run.pollsToHalt = 0;  // runs until stopped
    platform::SystemClock system;
    Rig r(&run, &system);
    ASSERT_EQ(r.start(), 0u);
    agdi::MenuEntry* menu = r.object->MenuTable();
    ASSERT_NE(menu[10].descriptor, nullptr);  // the trace entries are on
    bool sessionAtStop = false;
    run.onStop = [&] { sessionAtStop = r.object->HostWindow() != 0; };
    r.boxes.clear();
    r.windows.calls.clear();
    std::atomic<std::uint32_t> feature{99}, startResult{99}, teardown{99};
    bool flyingAfterMenu = false;
    std::thread other([&] {
        while (!run.running) std::this_thread::yield();
        feature = r.object->AG_Init(0x205, 0);
        startResult = r.object->AG_Init(0x100, 0);
        menu[11].handler(&menu[11]);  // On the fly mode
        flyingAfterMenu = run.flying;
        menu[1].handler(&menu[1]);  // Initialize...: a modal dialog would hold the run up
        teardown = r.object->AG_Init(0x40C, 0);
    });
    EXPECT_EQ(r.object->AG_GoStep(4, 0, nullptr), 0u);
    other.join();
    EXPECT_EQ(feature.load(), 1u);
    EXPECT_EQ(startResult.load(), 1u);
    EXPECT_TRUE(flyingAfterMenu);
    EXPECT_EQ(r.boxTexts(), (std::vector<std::string>{"Start-up: not possible while the target runs",
                                                      "Initialize: not possible while the target runs"}));
    // The tear-down stopped the target first, then tore the session down.
    EXPECT_EQ(teardown.load(), 0u);
    EXPECT_EQ(run.stops, 1);
    EXPECT_TRUE(sessionAtStop);
    EXPECT_FALSE(run.running);
    EXPECT_TRUE(r.tornDown());
    EXPECT_EQ(r.object->HostWindow(), 0u);
    EXPECT_EQ(r.windows.calls, (std::vector<std::string>{"open 7", "send 1153 4", "close"}));
}

// Exceptions raised in a window's events reach the driver's exception hook,
// which classifies them: a link time-out restarts the link, an abort ends
// the session. Without a driver the window shows them itself.
TEST(AgdiObject, WindowEventExceptionsGoToTheHook) {
    {
        Rig r;
        ASSERT_EQ(r.start(), 0u);
        r.boxes.clear();
        const auto handshakes = r.board.stats().handshakes;
        EXPECT_TRUE(platform::passToApplicationHandler(std::make_exception_ptr(EEmulatorTimeoutError("late"))));
        EXPECT_GT(r.board.stats().handshakes, handshakes);
        EXPECT_FALSE(r.object->SessionEnded());
        std::uint8_t b[4];
        EXPECT_EQ(r.read(0x01000000, b, 4), 0u);
        EXPECT_TRUE(r.postedNow().empty());
        EXPECT_TRUE(platform::passToApplicationHandler(std::make_exception_ptr(ETarvexAbort("given up"))));
        EXPECT_TRUE(r.object->SessionEnded());
        EXPECT_EQ(r.postedNow(), (std::vector<std::uintptr_t>{5}));
        EXPECT_EQ(r.boxTexts(), (std::vector<std::string>{"late", "given up"}));
    }
    EXPECT_FALSE(platform::passToApplicationHandler(std::make_exception_ptr(ETarvexAbort("no driver"))));
}

TEST(AgdiObject, MenuTableEnablingAndHandlers) {
    FakeRun run;
    Rig r(&run);
    ASSERT_EQ(r.start(), 0u);
    agdi::MenuEntry* menu = r.object->MenuTable();
    const struct {
        std::int32_t kind;
        const char* caption;
        std::uint32_t id;
    } rows[] = {{2, "TARVEX Memory", 0},   {1, "Initialize...", 1},
                {1, "Copy...", 2},         {1, "Map...", 0},
                {1, "Save...", 0},         {-2, "", 0},
                {1, "TARVEX Options...", 0}, {1, "TARVEX Breaks...", 0},
                {2, "TARVEX Trace", 0},    {1, "Settings...", 0},
                {1, "Trace memory", 7},    {1, "On the fly mode", 3},
                {1, "Save...", 0},         {1, "Performance definitions...", 0},
                {1, "Performance analysis...", 0}, {-2, "", 0},
                {2, "TARVEX Reset", 0},    {1, "Reset CPU", 3},
                {1, "Clear trace memory", 1}, {1, "Reset real time counter", 2},
                {-2, "", 0},               {-1, nullptr, 0}};
    for (std::size_t i = 0; i < 22; ++i) {
        EXPECT_EQ(menu[i].kind, rows[i].kind) << i;
        EXPECT_EQ(menu[i].id, rows[i].id) << i;
        if (rows[i].caption) {
            EXPECT_STREQ(menu[i].caption, rows[i].caption) << i;
        }
    }
    // The simulated board has a trace board: the start enabled its entries.
    EXPECT_NE(menu[10].descriptor, nullptr);
    // Without one the trace entries only say so.
    r.object->UpdateTraceEnable(false);
    r.boxes.clear();
    for (std::size_t i : {9u, 10u, 11u, 12u, 13u, 14u, 18u, 19u}) menu[i].handler(&menu[i]);
    EXPECT_EQ(r.boxTexts(), std::vector<std::string>(8, "Not available: No trace board"));
    EXPECT_EQ(menu[10].descriptor, nullptr);
    menu[17].handler(&menu[17]);
    EXPECT_EQ(run.resets, 1);
    EXPECT_TRUE(r.object->RefreshPending());
    // With one: the trace window opens and closes, and close-all frees once.
    r.object->UpdateTraceEnable(true);
    ASSERT_NE(menu[10].descriptor, nullptr);
    menu[10].handler(&menu[10]);
    EXPECT_NE(menu[10].descriptor->window, nullptr);
    menu[10].handler(&menu[10]);
    EXPECT_EQ(menu[10].descriptor->window, nullptr);
    EXPECT_EQ(r.windows.calls, (std::vector<std::string>{"open 7", "close"}));
    r.windows.calls.clear();
    r.object->CloseAllDialogs();
    EXPECT_TRUE(r.windows.calls.empty());
    menu[10].handler(&menu[10]);
    r.object->CloseAllDialogs();
    EXPECT_EQ(r.windows.calls, (std::vector<std::string>{"open 7", "close"}));
    // On the fly while halted.
    r.boxes.clear();
    menu[11].handler(&menu[11]);
    EXPECT_EQ(r.boxTexts(), (std::vector<std::string>{"CPU isn't running.\r\nNo trace on the fly!"}));
    EXPECT_FALSE(run.flying);
    // Other dialogs go to the seam with their caption.
    menu[2].handler(&menu[2]);
    EXPECT_EQ(r.windows.calls.back(), "dialog Copy...");
}

TEST(AgdiObject, CapabilityAndTearDownBoundTheIdesTexts) {
    Rig r;
    // DllUv3Cap 1: OK copies the path cut to the buffer, Cancel leaves it.
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    const std::string project = r.work.file("proj.uv2");
    agdi::CapRecord cap{};
    cap.slot[3] = sizeof buffer;
    cap.slot[5] = reinterpret_cast<std::uintptr_t>(buffer);
    cap.slot[6] = reinterpret_cast<std::uintptr_t>(project.c_str());
    buffer[0] = '\0';
    EXPECT_EQ(r.object->DllUv3Cap(1, &cap), 0u);
    EXPECT_EQ(buffer[0], '\0');
    r.windows.answerOk = true;
    EXPECT_EQ(r.object->DllUv3Cap(1, &cap), 1u);
    EXPECT_EQ(std::strlen(buffer), sizeof buffer - 1);
    EXPECT_EQ(std::string(buffer), r.work.file("proj.bopt").substr(0, 15));

    // Tear-down without EnumUv351, then with a path longer than the field.
    ASSERT_EQ(r.start(), 0u);
    EXPECT_EQ(r.object->AG_Init(0x40C, 0), 0u);
    EXPECT_EQ(r.object->HostWindow(), 0u);
    auto record = std::make_unique<agdi::ProjectRecord>();
    std::memset(record.get(), 0, sizeof(agdi::ProjectRecord));
    const std::string longName = r.work.file(std::string(1100, 'n'));
    std::memcpy(record->optionString, longName.data(), sizeof record->optionString);
    record->projectFile = project.c_str();
    EXPECT_EQ(r.object->EnumUv351(record.get(), 2), 8051u);
    r.item(10, reinterpret_cast<std::uintptr_t>(&r.sink));
    ASSERT_EQ(r.start(), 0u);
    EXPECT_EQ(r.object->AG_Init(0x40C, 0), 0u);
    EXPECT_EQ(std::strlen(record->optionString), 1023u);
    EXPECT_TRUE(r.tornDown());
}

TEST(AgdiObject, TearDownGoesOnWhenTheOptionFileCannotBeWritten) {
    Rig r;
    // A folder where the option file should be: no write can replace it.
    std::filesystem::create_directory(r.work.path() / "p.bopt");
    const std::string project = r.work.file("p.uv2");
    auto record = std::make_unique<agdi::ProjectRecord>();
    std::memset(record.get(), 0, sizeof(agdi::ProjectRecord));
    record->projectFile = project.c_str();
    std::strncpy(record->optionString, r.work.file("p.bopt").c_str(), 1000);
    r.object->EnumUv351(record.get(), 2);
    ASSERT_EQ(r.start(), 0u);
    r.boxes.clear();
    EXPECT_EQ(r.object->AG_Init(0x40C, 0), 0u);
    EXPECT_EQ(r.boxes.shown().size(), 1u);
    EXPECT_TRUE(r.tornDown());
    EXPECT_EQ(r.object->HostWindow(), 0u);
}

TEST(AgdiObject, AnOptionFileThatCannotBeReadIsLeftAsItIs) {
    platform::MemoryStream cut;
    ValueWriter(cut).WriteString(TProjectFiles::OptionHeader);
    ValueWriter(cut).WriteInteger(TProjectFiles::OptionVersion);
    const struct {
        std::vector<std::uint8_t> file;
        std::string box;
        std::vector<std::string> dialogs;
    } cases[] = {
        {{0xFF, 0x13, 0x37}, " is not a valid option file", {}},
        // The header is ours, the sections are missing.
        {cut.bytes(), "Error while loading options.\nPlease check option settings", {"options"}},
    };
    for (const auto& c : cases) {
        Rig r;
        const std::string bopt = r.work.file("p.bopt");
        test::writeBytes(bopt, c.file);
        const std::string project = r.work.file("p.uv2");
        auto record = std::make_unique<agdi::ProjectRecord>();
        std::memset(record.get(), 0, sizeof(agdi::ProjectRecord));
        record->projectFile = project.c_str();
        std::strncpy(record->optionString, bopt.c_str(), 1000);
        r.object->EnumUv351(record.get(), 2);
        ASSERT_EQ(r.start(), 0u);
        const std::string box = r.boxTexts().front();
        EXPECT_EQ(box.substr(box.size() - std::min(box.size(), c.box.size())), c.box);
        EXPECT_EQ(r.windows.calls, c.dialogs);
        EXPECT_EQ(r.object->AG_Init(0x40C, 0), 0u);
        EXPECT_EQ(test::readBytes(bopt), c.file);
    }
}

// The session's settings go into the project option file at tear-down and
// come back at the next start.
TEST(AgdiObject, TheOptionFileCarriesTheSettingsToTheNextSession) {
    test::TempDir work;
    const std::string bopt = work.file("p.bopt");
    const auto session = [&](bool change) {
        Rig r;
        auto record = std::make_unique<agdi::ProjectRecord>();
        std::memset(record.get(), 0, sizeof(agdi::ProjectRecord));
        const std::string project = work.file("p.uv2");
        record->projectFile = project.c_str();
        std::strncpy(record->optionString, bopt.c_str(), 1000);
        r.object->EnumUv351(record.get(), 2);
        EXPECT_EQ(r.start(), 0u);
        const std::string read = r.object->Options().MacroDirName();
        if (change) r.object->Options().SetMacroDirName("macros");
        EXPECT_EQ(r.object->AG_Init(0x40C, 0), 0u);
        return read;
    };
    session(true);
    const auto bytes = test::readBytes(bopt);
    platform::MemoryStream m(bytes);
    EXPECT_EQ(ValueReader(m).ReadString(), TProjectFiles::OptionHeader);
    EXPECT_EQ(session(false), "macros");
}

// Pellunar mode: a download record by record, with the IDE's attribute call
// after each (which switches download mode off and on again), keeps the hooks
// of every record on the board; a one-byte code write afterwards takes away
// the hooks of that byte only.
TEST(AgdiObject, PellunarDownloadKeepsTheHooksOfEveryBlock) {
    Rig r;
    ASSERT_EQ(r.start(), 0u);
    r.object->Options().SetPodKennung(TPodKennung::pkQZ);
    ASSERT_TRUE(r.object->Emulator().PellunarsOn());
    std::ifstream in(test::sourceDir() / "examples" / "build" / "ports.hex");
    std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> records;
    for (std::string line; std::getline(in, line);) {
        if (line.size() < 11 || line.substr(7, 2) != "00") continue;
        const auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(std::stoi(line.substr(i, 2), nullptr, 16)); };
        std::vector<std::uint8_t> data(byteAt(1));
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = byteAt(9 + 2 * i);
        records.emplace_back(static_cast<std::uint16_t>(byteAt(3) << 8 | byteAt(5)), data);
    }
    ASSERT_GT(records.size(), 10u);
    r.item(33, 0);
    for (auto& [address, data] : records) {
        ASSERT_EQ(r.write(3, 0xFF000000u | address, data), 0u) << address;
        agdi::AttRequest a{};
        a.address = 0xFF000000u | address;
        a.count = static_cast<std::uint32_t>(data.size());
        EXPECT_EQ(r.object->AG_MemAtt(1, 3, &a), 0u);
    }
    r.item(34, 0);
    const TPellunarList& list = r.object->Emulator().Download().Pellunars().Hooks();
    std::set<std::uint16_t> analysed;
    for (std::size_t i = 0; i < list.Count(); ++i) analysed.insert(list.Items(i)->address.offset);
    const auto boardHooks = [&] {
        std::set<std::uint16_t> out;
        for (std::size_t hw = 0; hw < 8; ++hw)
            for (const auto& hook : r.board.hooks(hw)) out.insert(hook.first);
        return out;
    };
    const std::set<std::uint16_t> onBoard = boardHooks();
    EXPECT_EQ(onBoard, analysed);
    std::set<std::size_t> recordsWithHooks;
    for (std::size_t i = 0; i < records.size(); ++i)
        for (std::uint16_t h : onBoard)
            if (h >= records[i].first && h < records[i].first + records[i].second.size()) recordsWithHooks.insert(i);
    ASSERT_GE(recordsWithHooks.size(), 2u) << "hooks in more than one record";
    // A NOP over the first byte of a hook's instruction; the next call
    // switches download mode off and the board hears of it.
    const std::uint16_t replaced = *std::next(onBoard.begin(), static_cast<long>(onBoard.size() / 2));
    EXPECT_EQ(r.write(2, 0xFF000000u | replaced, {0x00}), 0u);
    agdi::AttRequest a{};
    a.address = 0xFF000000u | replaced;
    r.object->AG_MemAtt(2, 0, &a);
    std::set<std::uint16_t> expected = onBoard;
    expected.erase(replaced);
    EXPECT_EQ(boardHooks(), expected);
}

// A run control that shows its running state as the real one does, and
// whose poll can fail as a broken link does.
struct IndicatingRun final : IRunControl {
    explicit IndicatingRun(FakeRun& inner) : run(inner) {}
    bool Go() override {
        const bool started = run.Go();
        going = true;
        if (rig) rig->object->StatusLine().SetRunning(true);
        return started;
    }
    bool GoUntil(const TBankAdresse& a) override { return run.GoUntil(a); }
    bool Step() override { return run.Step(); }
    bool Poll() override {
        if (failPoll) {
            run.running = false;
            throw std::runtime_error("link gone");
        }
        const bool still = run.Poll();
        if (!still && going && rig) rig->object->StatusLine().SetRunning(false);
        going = going && still;
        return still;
    }
    bool IsRunning() const override { return run.IsRunning(); }
    void Stop() override { run.Stop(); }
    bool StopErrorVisible() const override { return false; }
    TBankAdresse ProgramCounter() const override { return run.ProgramCounter(); }
    void SetPC(const TBankAdresse& a) override { run.SetPC(a); }
    int ResetAll() override { return 0; }
    int ResetSlave() override { return 0; }
    bool NotYetReset() const override { return false; }
    bool FlyingTrace() const override { return false; }
    void SetFlyingTrace(bool) override {}
    FakeRun& run;
    bool failPoll = false, going = false;
};

TEST(AgdiObject, StatusBarTextFollowsStepsAndEndsWithTheRun) {
    FakeRun inner;
    IndicatingRun run(inner);
    Rig r(&run);
    ASSERT_EQ(r.start(), 0u);
    std::vector<std::string> texts;
    r.object->StatusLine().SetOnChanged([&] { texts.push_back(r.object->StatusLine().FirstText()); });
    EXPECT_EQ(r.object->AG_GoStep(2, 2, nullptr), 0u);
    EXPECT_EQ(texts, (std::vector<std::string>{" Stepping...", ""}));
    EXPECT_EQ(std::count(r.callbacks.begin(), r.callbacks.end(), 8u), 2);
    texts.clear();
    EXPECT_EQ(r.object->AG_GoStep(4, 0, nullptr), 0u);
    EXPECT_EQ(texts, (std::vector<std::string>{" Running...", ""}));
    // A poll that fails leaves the IDE's status bar saying nothing runs.
    texts.clear();
    run.failPoll = true;
    EXPECT_EQ(r.object->AG_GoStep(4, 0, nullptr), 0u);
    EXPECT_EQ(texts, (std::vector<std::string>{" Running...", ""}));
    EXPECT_EQ(r.object->StatusLine().Indicators(), 0);
    r.object->StatusLine().SetOnChanged({});
}

}  // namespace
}  // namespace tarvex
