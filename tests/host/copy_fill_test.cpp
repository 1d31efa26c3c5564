// Copy, EPROM copy and initialize on the board simulator: the bytes the
// simulator logged, the memories read back through the memory spaces, the
// notifications, and the refusals that must come before any byte goes out.
#include "host/copy_fill.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "emulator/debug/kdo_select_table.hpp"
#include "emulator/debug/select_table.hpp"
#include "tests/support/host/banked_memory_check.hpp"
#include "tests/support/target/sim_target.hpp"

namespace tarvex {
namespace {

// The code plane the program space reaches without banking on a TARVEX-V.
constexpr std::size_t CodeBank = 6;

struct Rig : test::SimTarget {
    explicit Rig(sim::BoardConfig config = {}) : SimTarget(std::move(config)) {
        start();
        noticeMark = notice.shown().size();
    }
    // The notices since the start.
    std::vector<std::string> notices() const {
        return std::vector<std::string>(notice.shown().begin() + static_cast<std::ptrdiff_t>(noticeMark),
                                        notice.shown().end());
    }
    std::size_t noticeMark = 0;

    TCopyFillTargets targets() { return TCopyFillTargets{*spaces}; }
    // The board's copy and fill commands (and, with `banks`, the bank
    // selections) of the log.
    std::vector<std::string> boardCommands(bool banks = false) const {
        std::vector<std::string> out;
        for (const std::string& line : log())
            if (line.rfind("M ", 0) == 0 || line.rfind("J ", 0) == 0 || line.rfind("F ", 0) == 0 ||
                line.rfind("B ", 0) == 0 || (banks && line.rfind("W N F4 00", 0) == 0))
                out.push_back(line);
        return out;
    }
    std::string read(SpaceKind kind, TBankAdresse at, int count) { return space(kind).ReadBlock(at, count); }
};

TKommandoStruktur command(std::uint8_t code, std::uint8_t kind, TBankAdresse start, TBankAdresse end,
                          TBankAdresse destination = {}, std::uint8_t value = 0) {
    TKommandoStruktur c;
    c.code = code;
    c.memoryKind = kind;
    c.start = start;
    c.end = end;
    c.destination = destination;
    c.value = value;
    return c;
}

void run(const TKommandoStruktur& c, const TCopyFillTargets& targets) {
    if (c.code == cmd::Initialize)
        ExecuteInitializeCommand(c, targets);
    else
        ExecuteCopyCommand(c, targets);
}

std::string pattern(std::size_t n, int seed) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += static_cast<char>((i * 7 + static_cast<std::size_t>(seed)) & 0xFF);
    return out;
}

TBankAdresse U(std::uint16_t offset) { return UnbankedAdresse(offset); }

// ---------------------------------------------------------------- wire forms

TEST(CopyFill, WireFormsNotificationsAndNotices) {
    struct Row {
        TKommandoStruktur command;
        std::vector<std::string> wire;
        std::uint8_t notification;
        const char* notice;
    };
    const Row rows[] = {
        // Overlap upwards: from the high end, so the destination word is its
        // last byte; below the start: from the low end.
        {command(cmd::Copy, memkind::Program, U(0x1000), U(0x10FF), U(0x1080)), {"M 10 00 10 FF 11 7F 50 55"}, 1,
         "Copying Program"},
        {command(cmd::Copy, memkind::Program, U(0x10FF), U(0x1000), U(0x0F80)), {"M 10 00 10 FF 0F 80 50 44"}, 1,
         "Copying Program"},
        // 1300 bytes in blocks of 512, 512 and 276.
        {command(cmd::Copy, memkind::ExtData, U(0x2000), U(0x2513), U(0x0100)),
         {"J 20 00 21 FF 01 00 07", "J 22 00 23 FF 03 00 07", "J 24 00 25 13 05 00 07"}, 3, "Copying ExtData"},
        {command(cmd::Copy, memkind::ExtData, U(0x0100), U(0x0613), U(0x0200)),
         {"J 06 13 04 14 07 13 06", "J 04 13 02 14 05 13 06", "J 02 13 01 00 03 13 06"}, 3, "Copying ExtData"},
        {command(cmd::Copy, memkind::IntData, U(0x10), U(0x1F), U(0x30)), {"M 7A 10 7A 1F 7A 3F 4E 55"}, 2,
         "Copying IntData"},
        {command(cmd::Copy, memkind::System, U(0x4000), U(0x400F), U(0x3000)), {"M 40 00 40 0F 30 00 4E 44"}, 7,
         "Copying System"},
        {command(cmd::Initialize, memkind::IntData, U(0x30), U(0x7F), {}, 0xAA), {"F I 7A 30 7A 7F AA"}, 2,
         "Initializing IntData"},
        {command(cmd::Initialize, memkind::ExtData, U(0x04FF), U(0x0000), {}, 0x55),
         {"J 00 00 01 FF 00 55 05", "J 02 00 03 FF 00 55 05", "J 04 00 04 FF 00 55 05"}, 3,
         "Initializing ExtData"},
        {command(cmd::Initialize, memkind::System, U(0x4000), U(0x40FF), {}, 0x11), {"F N 40 00 40 FF 11"}, 7,
         "Initializing System"},
        {command(cmd::Initialize, memkind::Program, U(0x0100), U(0x01FF), {}, 0x22), {"F P 01 00 01 FF 22"}, 1,
         "Initializing Program"},
    };
    for (const Row& r : rows) {
        Rig t;
        t.emu->SetTimeoutReadWrite(500);
        run(r.command, t.targets());
        EXPECT_EQ(t.boardCommands(), r.wire) << r.notice;
        ASSERT_EQ(t.notifier.sent.size(), 1u) << r.notice;
        EXPECT_EQ(t.notifier.sent[0].code, r.notification) << r.notice;
        EXPECT_EQ(t.notices(), std::vector<std::string>{r.notice});
        EXPECT_FALSE(t.notice.open()) << r.notice;
        EXPECT_EQ(t.emu->TimeoutReadWrite(), 500u) << r.notice;
    }
}

// ---------------------------------------------------------------- memories read back

TEST(CopyFill, CopiedAndFilledBytesReadBackThroughTheSpaces) {
    Rig t;
    const std::string program = pattern(0x100, 3);
    t.board.setCode(CodeBank, 0x1000, std::vector<std::uint8_t>(program.begin(), program.end()));
    // Cached before: the notification must empty the cache.
    EXPECT_EQ(t.read(SpaceKind::Program, U(0x1000), 0x200).substr(0, 0x100), program);
    run(command(cmd::Copy, memkind::Program, U(0x1000), U(0x10FF), U(0x1080)), t.targets());
    EXPECT_EQ(t.read(SpaceKind::Program, U(0x1080), 0x100), program);

    // External data, the overlapping upward copy included.
    const std::string xdata = pattern(0x514, 5);
    t.board.setXdata(0x0100, std::vector<std::uint8_t>(xdata.begin(), xdata.end()));
    EXPECT_EQ(t.read(SpaceKind::ExtData, U(0x0100), 0x80), xdata.substr(0, 0x80));
    run(command(cmd::Copy, memkind::ExtData, U(0x0100), U(0x0613), U(0x0200)), t.targets());
    EXPECT_EQ(t.read(SpaceKind::ExtData, U(0x0200), 0x514), xdata);
    run(command(cmd::Copy, memkind::ExtData, U(0x0200), U(0x0713), U(0x0000)), t.targets());
    EXPECT_EQ(t.read(SpaceKind::ExtData, U(0x0000), 0x514), xdata);

    EXPECT_EQ(t.read(SpaceKind::IntData, U(0x30), 0x50), std::string(0x50, '\0'));
    run(command(cmd::Initialize, memkind::IntData, U(0x30), U(0x7F), {}, 0xAA), t.targets());
    EXPECT_EQ(t.read(SpaceKind::IntData, U(0x28), 0x60),
              std::string(8, '\0') + std::string(0x50, '\xAA') + std::string(8, '\0'));
    run(command(cmd::Initialize, memkind::ExtData, U(0x0000), U(0x04FF), {}, 0x55), t.targets());
    EXPECT_EQ(t.read(SpaceKind::ExtData, U(0x0000), 0x500), std::string(0x500, '\x55'));
    EXPECT_EQ(t.board.xdata(0x0500), static_cast<std::uint8_t>(xdata[0x500]));
}

// ---------------------------------------------------------------- banks and the emulator's memories

TEST(CopyFill, FillOverThreeCodeBanksOneCommandEachAfterItsBankSelect) {
    Rig t;
    t.banking->SetBankingVersion(1);
    t.banking->SetBankingMode(3);  // four banks of 64 KB; bank b in hardware bank 3 - b
    t.fresh();
    run(command(cmd::Initialize, memkind::Program, BankedAdresse(1, 0x8000), BankedAdresse(3, 0x80FF), {}, 0x5A),
        t.targets());
    // Hardware banks 2, 1, 0 (mode group 0x10 in the control byte).
    EXPECT_EQ(t.boardCommands(true),
              (std::vector<std::string>{"W N F4 00 12", "F P 80 00 FF FF 5A", "W N F4 00 11", "F P 00 00 FF FF 5A",
                                        "W N F4 00 10", "F P 00 00 80 FF 5A"}));
    EXPECT_EQ(t.board.code(2, 0x7FFF), 0xFF);
    EXPECT_EQ(t.board.code(2, 0x8000), 0x5A);
    EXPECT_EQ(t.board.code(1, 0x0000), 0x5A);
    EXPECT_EQ(t.board.code(1, 0xFFFF), 0x5A);
    EXPECT_EQ(t.board.code(0, 0x80FF), 0x5A);
    EXPECT_EQ(t.board.code(0, 0x8100), 0xFF);
    EXPECT_EQ(t.read(SpaceKind::Program, BankedAdresse(2, 0x1234), 1), "\x5A");
}

// A rig whose board and memory layout offer the banking mode.
struct ModeRig : Rig {
    explicit ModeRig(int mode) : Rig(config(mode)), mode(mode) {
        banking->SetBankingVersion(check::BankingVersionForMode(mode));
        banking->SetBankingMode(mode);
        fresh();
    }
    static sim::BoardConfig config(int mode) {
        sim::BoardConfig c;
        c.version = check::BoardVersionForMode(mode);
        return c;
    }
    TBankAdresse at(std::uint8_t bank, std::uint32_t offset) const {
        return mode == 0 ? U(static_cast<std::uint16_t>(offset)) : BankedAdresse(bank, static_cast<std::uint16_t>(offset));
    }
    // The byte of bank:offset where the board keeps it.
    std::uint8_t onBoard(std::uint8_t bank, std::uint32_t offset) const {
        const check::CodeLanding l = check::LandingOf(mode, bank, static_cast<std::uint16_t>(offset));
        return board.code(static_cast<std::size_t>(l.hw), l.offset);
    }
    int mode;
};

TEST(CopyFill, StartsProgramClearReachesEveryBankInEveryMode) {
    for (int mode = 0; mode < 12; ++mode) {
        ModeRig t(mode);
        ASSERT_EQ(t.banking->bankingMode(), mode);
        TProgramClear(*t.spaces).ClearProgramMemory();
        const int banks = mode == 0 ? 1 : t.banking->MaxBank() + 1;
        std::map<std::uint8_t, int> uncleared;  // bank: bytes (every fourth looked at)
        for (int bank = 0; bank < banks; ++bank)
            for (std::uint32_t o = 0; o < 0x10000; o += 4)
                if (t.onBoard(static_cast<std::uint8_t>(bank), o) != 0) ++uncleared[static_cast<std::uint8_t>(bank)];
        EXPECT_TRUE(uncleared.empty()) << "mode " << mode << ", first bank " << int(uncleared.begin()->first)
                                       << ": " << uncleared.begin()->second;
    }
}

// Fills and copies whose ranges cross the window's edge (0x8000 in modes
// 5-8, every 16 KB in 9-11), read back where the board keeps each byte. The
// rows' regions reach no byte twice, so the expected bank is a plain array.
TEST(CopyFill, ProgramFillsAndCopiesAcrossTheWindowLandInTheirHardwareBanks) {
    struct Row {
        int mode;
        std::uint8_t code;
        std::uint8_t bank;
        std::uint16_t start, end, destination;  // a fill's value is the destination's low byte
        std::uint32_t first, last;              // what is written and compared
    };
    const Row rows[] = {
        {6, cmd::Initialize, 2, 0x7800, 0x8FFF, 0x5A, 0x7000, 0x97FF},
        {8, cmd::Initialize, 13, 0x7FFE, 0xC001, 0xA5, 0x7000, 0xCFFF},
        {10, cmd::Initialize, 5, 0x3F00, 0x40FF, 0x33, 0x3000, 0x4FFF},
        {6, cmd::Copy, 2, 0x7800, 0x87FF, 0xA000, 0x7000, 0xAFFF},     // common to window, then within it
        {7, cmd::Copy, 3, 0xA000, 0xA7FF, 0x7C00, 0x7000, 0xAFFF},     // window onto common and window
        {6, cmd::Copy, 3, 0x7F00, 0x80FF, 0x7F80, 0x7E00, 0x82FF},     // overlap, upward across the edge
        {6, cmd::Copy, 2, 0x7F80, 0x817F, 0x7F00, 0x7E00, 0x82FF},     // overlap, downward across the edge
        {11, cmd::Copy, 9, 0x3E00, 0x41FF, 0x3F00, 0x3C00, 0x43FF},    // common and a 16 KB window
        {3, cmd::Copy, 1, 0x7F00, 0x80FF, 0x7F80, 0x7E00, 0x82FF},     // no window: one board copy
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << r.mode << " bank " << int(r.bank) << " " << std::hex << r.start);
        ModeRig t(r.mode);
        std::vector<std::uint8_t> expected(0x10000);
        for (std::uint32_t o = r.first; o <= r.last; ++o) expected[o] = static_cast<std::uint8_t>(o * 7 + o / 251);
        std::string bytes(expected.begin() + r.first, expected.begin() + r.last + 1);
        t.space(SpaceKind::Program).WriteBlock(t.at(r.bank, r.first), bytes);
        if (r.code == cmd::Initialize) {
            std::fill(expected.begin() + r.start, expected.begin() + r.end + 1, static_cast<std::uint8_t>(r.destination));
            run(command(r.code, memkind::Program, t.at(r.bank, r.start), t.at(r.bank, r.end), {},
                        static_cast<std::uint8_t>(r.destination)),
                t.targets());
        } else {
            const std::vector<std::uint8_t> source(expected.begin() + r.start, expected.begin() + r.end + 1);
            std::copy(source.begin(), source.end(), expected.begin() + r.destination);
            run(command(r.code, memkind::Program, t.at(r.bank, r.start), t.at(r.bank, r.end),
                        t.at(r.bank, r.destination)),
                t.targets());
        }
        int wrong = 0;
        for (std::uint32_t o = r.first; o <= r.last; ++o)
            if (t.onBoard(r.bank, o) != expected[o] && wrong++ < 3)
                ADD_FAILURE() << std::hex << "at " << o << ": " << int(t.onBoard(r.bank, o)) << ", not "
                              << int(expected[o]);
        // The spaces read the same, their caches emptied by the command's notification.
        const std::string read = t.read(SpaceKind::Program, t.at(r.bank, r.first), int(r.last - r.first + 1));
        EXPECT_TRUE(read == std::string(expected.begin() + r.first, expected.begin() + r.last + 1));
    }
}

// A banked destination must end in its bank, not wrap round onto its start.
TEST(CopyFill, ProgramCopyPastTheBanksEndIsRefused) {
    ModeRig t(3);
    EXPECT_THROW(run(command(cmd::Copy, memkind::Program, BankedAdresse(1, 0x1000), BankedAdresse(1, 0x10FF),
                             BankedAdresse(1, 0xFF80)),
                     t.targets()),
                 ECopyFillError);
    EXPECT_TRUE(t.boardCommands().empty());
}

// The monitor runs its master-memory block commands through the bank
// register: the hardware bank is put again after each.
TEST(CopyFill, MasterMemoryBlockCommandsPutTheHardwareBankAgain) {
    const TKommandoStruktur rows[] = {
        command(cmd::Initialize, memkind::IntData, U(0x30), U(0x3F), {}, 0xAA),
        command(cmd::Initialize, memkind::System, U(0x7000), U(0x700F), {}, 0x55),
        command(cmd::Copy, memkind::IntData, U(0x30), U(0x37), U(0x50)),
        command(cmd::Copy, memkind::System, U(0x7000), U(0x7007), U(0x7010)),
    };
    for (const TKommandoStruktur& c : rows) {
        Rig t;
        t.banking->SetBankingVersion(1);
        t.banking->SetBankingMode(3);
        t.read(SpaceKind::Program, BankedAdresse(1, 0x1000), 1);
        t.fresh();
        run(c, t.targets());
        const auto wire = t.boardCommands(true);
        ASSERT_EQ(wire.size(), 2u) << int(c.code) << " " << int(c.memoryKind);
        EXPECT_EQ(wire[1], Format("W N F4 00 %.2X", t.banking->ControlByte()));
        EXPECT_EQ(t.read(SpaceKind::Program, BankedAdresse(1, 0x1000), 1).size(), 1u);
    }
}

TEST(CopyFill, EmulatorSystemMemoriesFilledWhereTheirSpacesReadThem) {
    Rig t;
    // Kind 6: the system planes are the code planes, one "F P" per bank.
    EXPECT_EQ(t.read(SpaceKind(9), BankedAdresse(0, 0xFF00), 0x10), std::string(0x10, '\xFF'));
    run(command(cmd::Initialize, memkind::SysEmul, BankedAdresse(0, 0xFF00), BankedAdresse(1, 0x00FF), {}, 0x66),
        t.targets());
    EXPECT_EQ(t.boardCommands(true),
              (std::vector<std::string>{"W N F4 00 00", "F P FF 00 FF FF 66", "W N F4 00 01", "F P 00 00 00 FF 66"}));
    EXPECT_EQ(t.read(SpaceKind(9), BankedAdresse(0, 0xFF00), 0x100) + t.read(SpaceKind(9), BankedAdresse(1, 0), 0x100),
              std::string(0x200, '\x66'));
    EXPECT_EQ(t.notifier.count(notify::EmulSystemChanged), 1);

    // Kind 7: no "F H" on the wire; the space's own writes, and its own 7.
    t.fresh();
    run(command(cmd::Initialize, memkind::SysEmulHigh, BankedAdresse(0, 0x0000), BankedAdresse(0, 0x01FF), {}, 0x33),
        t.targets());
    for (const std::string& line : t.log()) EXPECT_NE(line.rfind("F H", 0), 0u) << line;
    EXPECT_EQ(t.read(SpaceKind(10), BankedAdresse(0, 0), 0x200), std::string(0x200, '\x33'));
    EXPECT_EQ(t.board.system(0, true, 0x01FF), 0x33);
    EXPECT_EQ(t.board.system(0, true, 0x0200), 0x00);
    EXPECT_GE(t.notifier.count(notify::SystemChanged), 1);
    EXPECT_EQ(t.notifier.count(17), 0);

    // Kind 8: the emulator's block fill.
    t.fresh();
    run(command(cmd::Initialize, memkind::SysSelect, BankedAdresse(0, 0x0010), BankedAdresse(0, 0x001F), {}, 0x77),
        t.targets());
    EXPECT_EQ(t.boardCommands(), std::vector<std::string>{"B 00 10 00 1F 77 02"});
    EXPECT_EQ(t.board.select(0, 0x0010), 0x77);
    EXPECT_TRUE(t.notifier.sent.empty());
}

// ---------------------------------------------------------------- refusals

TEST(CopyFill, RefusalsComeBeforeAnyByte) {
    struct Row {
        std::function<void(Rig&)> setup;
        TKommandoStruktur command;
        const char* message;
    };
    const Row rows[] = {
        {[](Rig& t) { t.recording.running = true; },
         command(cmd::Copy, memkind::Program, U(0x1000), U(0x10FF), U(0x2000)), "Access denied: Processor is running"},
        {[](Rig& t) { t.recording.running = true; },
         command(cmd::Initialize, memkind::IntData, U(0), U(1), {}, 1), "Access denied: Processor is running"},
        {[](Rig& t) { t.recording.notYetReset = true; },
         command(cmd::Copy, memkind::ExtData, U(0x1000), U(0x10FF), U(0x2000)),
         "Access denied: no reset of target processor"},
        {[](Rig& t) { t.recording.notYetReset = true; },
         command(cmd::Initialize, memkind::ExtData, U(0), U(1), {}, 1), "Access denied: no reset of target processor"},
        {[](Rig&) {}, command(cmd::Copy, memkind::Symbol, U(0), U(1), U(2)), "Copy: Memory type Symbol not valid"},
        {[](Rig&) {}, command(cmd::Copy, memkind::SysEmul, U(0), U(1), U(2)), "Copy: Memory type SysEmul not valid"},
        {[](Rig&) {}, command(cmd::Initialize, memkind::Trace, U(0), U(1), {}, 1),
         "Initialize: Memory type Trace not valid"},
        {[](Rig&) {}, command(cmd::Initialize, memkind::Symbol, U(0), U(1), {}, 1),
         "Initialize: Memory type Symbol not valid"},
        {[](Rig& t) {
             t.banking->SetBankingVersion(1);
             t.banking->SetBankingMode(3);
         },
         command(cmd::Copy, memkind::Program, BankedAdresse(1, 0x1000), BankedAdresse(1, 0x10FF),
                 BankedAdresse(2, 0x1000)),
         "Copy: Within one bank only"},
        {[](Rig& t) { t.emu->SetPellunars(true); },
         command(cmd::Copy, memkind::Program, U(0x1000), U(0x10FF), U(0x2000)), "No copy command with pellunars!"},
        {[](Rig&) {}, command(cmd::Copy, memkind::IntData, U(0x80), U(0xFF), U(0x90)),
         "Address 0090 + 128 out of address range"},
    };
    for (const Row& r : rows) {
        Rig t;
        r.setup(t);
        t.fresh();
        try {
            run(r.command, t.targets());
            ADD_FAILURE() << "no refusal: " << r.message;
        } catch (const EVokWinError& e) {
            EXPECT_EQ(std::string(e.what()), r.message);
        }
        EXPECT_TRUE(t.boardCommands(true).empty()) << r.message;
        EXPECT_TRUE(t.notifier.sent.empty()) << r.message;
        EXPECT_TRUE(t.notices().empty()) << r.message;
    }
}

TEST(CopyFill, CopyOntoItselfDoesNothing) {
    Rig t;
    run(command(cmd::Copy, memkind::ExtData, U(0x1000), U(0x10FF), U(0x1000)), t.targets());
    run(command(cmd::Copy, memkind::Program, U(0x1000), U(0x10FF), U(0x1000)), t.targets());
    EXPECT_TRUE(t.log().empty());
    EXPECT_TRUE(t.notifier.sent.empty());
}

// ---------------------------------------------------------------- a silent board

TEST(CopyFill, SilentBoardRestoresTimeoutAndNoticeAndNotifiesNothing) {
    Rig t;
    t.emu->SetTimeoutReadWrite(400);
    t.board.setSilent(true);
    const std::uint64_t before = t.clock.monotonicMs();
    EXPECT_THROW(run(command(cmd::Copy, memkind::ExtData, U(0x2000), U(0x2513), U(0x0100)), t.targets()),
                 EEmulatorTimeoutError);
    // The answer was awaited with the raised time-out.
    EXPECT_GE(t.clock.monotonicMs() - before, 1500u);
    EXPECT_EQ(t.emu->TimeoutReadWrite(), 400u);
    EXPECT_EQ(t.notices(), std::vector<std::string>{"Copying ExtData"});
    EXPECT_FALSE(t.notice.open());
    EXPECT_TRUE(t.notifier.sent.empty());
    // A link that failed answers nothing more: a later fill is no success.
    t.board.setSilent(false);
    EXPECT_THROW(run(command(cmd::Initialize, memkind::IntData, U(0), U(1), {}, 1), t.targets()),
                 EEmulatorTimeoutError);
    EXPECT_TRUE(t.notifier.sent.empty());
}

// ---------------------------------------------------------------- EPROM copy

TEST(CopyFill, EpromCopyReadsTheTargetUnderTheCommandsMapAndPutsTheMapBack) {
    Rig t;
    TSelectTabelle live(TSelectWiring{*t.emu, *t.banking, *t.spaces, t.options, t.notifier, nullptr, nullptr, nullptr,
                                      &t.registers, nullptr, t.spaces.get()});
    live.InitEmulStart();
    TKdoSelectTabelle mine(TSelectWiring{*t.emu, *t.banking, *t.spaces, t.options, t.notifier, nullptr, nullptr,
                                         nullptr, &t.registers, nullptr, t.spaces.get()});
    mine.CopyFrom(live);
    ASSERT_TRUE(mine.SetItemText(22, "8000-FFFF"));
    const std::string liveMap = live.GetItemText(22);
    const std::string rom = pattern(0x100, 9);
    t.board.setTargetRom(std::vector<std::uint8_t>(rom.begin(), rom.end()));
    t.fresh();

    TKommandoStruktur c = command(cmd::CopyEprom, memkind::Program, U(0x0000), U(0x00FF));
    c.flag = true;
    ExecuteCopyCommand(c, TCopyFillTargets{*t.spaces, &live, &mine});
    const std::vector<std::string> lines = t.log();
    std::size_t copyAt = lines.size(), mapsBefore = 0, mapsAfter = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == "M 00 00 00 FF 00 00 50 44") copyAt = i;
        if (lines[i].rfind("P N 80 C0", 0) == 0) ++(copyAt == lines.size() ? mapsBefore : mapsAfter);
    }
    ASSERT_LT(copyAt, lines.size());
    EXPECT_GT(mapsBefore, 0u);
    EXPECT_GT(mapsAfter, 0u);
    EXPECT_EQ(t.read(SpaceKind::Program, U(0x0000), 0x100), rom);
    EXPECT_EQ(live.GetItemText(22), liveMap);
    EXPECT_TRUE(t.board.master(0xC000) & 0x02);
    ASSERT_FALSE(t.notifier.sent.empty());
    EXPECT_EQ(t.notifier.sent.back().code, notify::ProgramChanged);
}

}  // namespace
}  // namespace tarvex
