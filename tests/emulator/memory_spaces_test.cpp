#include "emulator/memory_spaces.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "tests/support/target/sim_target.hpp"

namespace tarvex {
namespace {

using test::SimTarget;

template <typename F>
std::string messageOf(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no exception)";
}

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

struct Started : SimTarget {
    explicit Started(sim::BoardConfig config = {}) : SimTarget(std::move(config)) { start(); }
    std::string read(SpaceKind kind, TBankAdresse at, int count) { return space(kind).ReadBlock(at, count); }
};

std::vector<std::string> starting(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    return out;
}

// ---------------------------------------------------------------- limits and checks

TEST(MemorySpaces, LimitsNamesAndKinds) {
    SimTarget t;
    struct Row {
        int kind;
        const char* name;
        TBankAdresse min, max;
    };
    const Row rows[] = {
        {0, "Program memory", UnbankedAdresse(0), UnbankedAdresse(0xFFFF)},
        {1, "IntData memory", UnbankedAdresse(0), UnbankedAdresse(0xFF)},
        {2, "ExtData memory", UnbankedAdresse(0), UnbankedAdresse(0xFFFF)},
        {3, "Bit memory", UnbankedAdresse(0), UnbankedAdresse(0xFF)},
        {4, "Register memory", UnbankedAdresse(0x80), UnbankedAdresse(0xFF)},
        {5, "System memory", UnbankedAdresse(0), UnbankedAdresse(0xFFFF)},
        {6, "Trace memory", BankedAdresse(0, 0), BankedAdresse(0, 32767)},
        {9, "Emulationsspeicher", BankedAdresse(0, 0), BankedAdresse(1, 0xFFFF)},
        {10, "Emul-High-Speicher", BankedAdresse(0, 0), BankedAdresse(1, 0xFFFF)},
        {11, "SelectSpeicher", BankedAdresse(0, 0), BankedAdresse(1, 0xFFFF)},
    };
    for (const Row& r : rows) {
        const TEmulSpeicher* s = t.spaces->GetEmulSpeicher(r.kind | 0x80);
        ASSERT_NE(s, nullptr) << r.kind;
        EXPECT_EQ(s->Kind(), r.kind);
        EXPECT_EQ(s->GetName(), r.name);
        EXPECT_EQ(s->GetMinAdresse(), r.min) << r.kind;
        EXPECT_EQ(s->GetMaxAdresse(), r.max) << r.kind;
    }
    for (int kind : {7, 8, 12, 127}) EXPECT_EQ(t.spaces->GetEmulSpeicher(kind), nullptr) << kind;

    // A trace memory of 128 Ki frames: bank 1 is its upper half.
    t.recording.indexMask = 0x1FFFF;
    EXPECT_EQ(t.space(SpaceKind::Trace).GetMaxAdresse(), BankedAdresse(1, 0xFFFF));
    // Banking on: the program space is banked up to the highest bank.
    t.banking->SetBankingVersion(1);
    t.banking->SetBankingMode(3);
    EXPECT_EQ(t.spaces->maxAddress(SpaceKind::Program), BankedAdresse(3, 0xFFFF));
    EXPECT_EQ(t.spaces->minAddress(SpaceKind::Program), BankedAdresse(0, 0));
    EXPECT_EQ(t.spaces->normalize(SpaceKind::Program, UnbankedAdresse(0x1234)), BankedAdresse(0, 0x1234));
    EXPECT_EQ(t.spaces->normalize(SpaceKind::Program, BankedAdresse(6, 0x1234)), BankedAdresse(2, 0x1234));
    EXPECT_EQ(t.space(SpaceKind::Program).MakeAdresse(0x1234, 7), BankedAdresse(3, 0x1234));
}

TEST(MemorySpaces, AddressChecksAndTheirTexts) {
    SimTarget t;
    t.emu->SetProtFileName(t.root.file("prot.txt"));
    t.emu->SetProtokollieren(true);
    auto& idata = t.space(SpaceKind::IntData);
    EXPECT_EQ(messageOf([&] { idata.CheckRange(UnbankedAdresse(0xFF), 2); }), "Address 00FF + 2 out of address range");
    EXPECT_EQ(messageOf([&] { t.space(SpaceKind::Sfr).CheckRange(UnbankedAdresse(0x7F), 1); }),
              "Address 007F out of address range");
    EXPECT_EQ(messageOf([&] { idata.CheckAdresse(AllBanksAdresse(0x10)); }), "No common bank");
    EXPECT_EQ(messageOf([&] { t.space(SpaceKind::EmulSystem).CheckAdresse(BankedAdresse(2, 0)); }),
              "Address 20000 out of address range");
    EXPECT_EQ(idata.CheckEndAdresse(UnbankedAdresse(0xF0), 0x0F), UnbankedAdresse(0xFF));
    EXPECT_EQ(messageOf([&] { idata.CheckStartAdresse(UnbankedAdresse(0x02), 3); }),
              "Address 0002 + -3 out of address range");
    t.emu->SetProtokollieren(false);
    std::ifstream in(t.root.file("prot.txt"));
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("CheckRange Error Typ=IntData memory Adr=0000FF Anzahl=2 MaximalAdresse=0000FF"),
              std::string::npos);
}

// ---------------------------------------------------------------- space by space

TEST(MemorySpaces, SpaceBySpaceOnTheSimulator) {
    Started t;
    t.board.setMaster(0x7A30, 0x11);
    t.board.setMaster(0x7A3F, 0x22);
    const std::string idata = t.read(SpaceKind::IntData, UnbankedAdresse(0x30), 16);
    EXPECT_EQ(idata.size(), 16u);
    EXPECT_EQ(idata.front(), 0x11);
    EXPECT_EQ(idata.back(), 0x22);
    t.board.setMaster(0x7A24, 0x08);
    EXPECT_EQ(t.read(SpaceKind::Bit, UnbankedAdresse(0x23), 1), bytes({0x08}));  // the whole byte
    t.board.setMaster(0x1000, 0x5A);
    EXPECT_EQ(t.read(SpaceKind::System, UnbankedAdresse(0x1000), 1), bytes({0x5A}));
    // Cached now: the same reads send nothing.
    t.read(SpaceKind::IntData, UnbankedAdresse(0x34), 8);
    t.read(SpaceKind::System, UnbankedAdresse(0x1000), 2);
    t.space(SpaceKind::System).WriteBlock(UnbankedAdresse(0x1001), bytes({0xA5}));
    EXPECT_EQ(t.board.master(0x1001), 0xA5);
    const std::vector<std::string> expected = {"D N 10 7A 30", "R N 7A 24", "D N 10 10 00", "W N 10 01 A5"};
    EXPECT_EQ(t.log(), expected);
}

TEST(MemorySpaces, SfrImageServesTheRegisterTableAndNothingElse) {
    Started t;
    ASSERT_GT(t.registers.SfrCount(), 4);
    std::string image;
    for (int i = 0; i < t.registers.SfrCount(); ++i) image += static_cast<char>(0x40 + i);
    t.space(SpaceKind::Sfr).SetSfrImage(image);
    for (int i = 0; i < t.registers.SfrCount(); ++i)
        EXPECT_EQ(t.space(SpaceKind::Sfr).ReadByte(t.registers.SfrAddress(i)), 0x40 + i);
    EXPECT_TRUE(t.log().empty());
    // A register outside the table costs one direct read.
    std::uint8_t other = 0x80;
    while (t.registers.IndexOfSfr(other) >= 0) ++other;
    t.space(SpaceKind::Sfr).ReadByte(other);
    ASSERT_EQ(t.log().size(), 1u);
    EXPECT_EQ(t.log()[0].substr(0, 3), "D S");
}

TEST(MemorySpaces, CanAdrWriteReReadsCanDat) {
    Started t;
    t.sfr->LoadDerivative("DS80C390");
    ASSERT_EQ(t.sfr->CanAdrAddress(), 0xDA);
    auto& sfr = t.space(SpaceKind::Sfr);
    sfr.ReadByte(0xDB);
    t.fresh();
    sfr.WriteSfr(0xDA, 0x05);
    const auto lines = t.log();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "P S 01 00 DA");
    EXPECT_EQ(starting(lines, "D S 01 00 DB").size(), 1u);  // past the cached value
    EXPECT_FALSE(t.spaces->NoCache());
}

// CANADR on a bit-addressable place: a bit write moves the CANDAT window
// as a byte write does.
TEST(MemorySpaces, CanAdrBitWriteReReadsCanDat) {
    Started t;
    const auto raw = test::readBytes((test::sourceDir() / "data" / "VokRegs.txt").string());
    std::string file(raw.begin(), raw.end());
    const auto swap = [&](const std::string& from, const std::string& to) {
        const auto at = file.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        file.replace(at, from.size(), to);
    };
    swap("0 WDCON - - D8 0", "0 WDCON - - DA 0");
    swap("0 CANADR - - DA 0", "0 CANADR - - D8 0");
    t.sfr->LoadDerivativeText(file, "DS80C390");
    ASSERT_EQ(t.sfr->CanAdrAddress(), 0xD8);
    t.space(SpaceKind::Sfr).ReadByte(0xDB);
    t.fresh();
    t.space(SpaceKind::Bit).WriteBlock(UnbankedAdresse(0xD9), bytes({1}));
    const auto lines = t.log();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "P S 01 00 D8");
    EXPECT_EQ(starting(lines, "D S 01 00 DB").size(), 1u);  // past the cached value
    EXPECT_FALSE(t.spaces->NoCache());
}

TEST(MemorySpaces, SfrBitIsReadModifyWrite) {
    Started t;
    t.space(SpaceKind::Bit).WriteBlock(UnbankedAdresse(0x93), bytes({1}));
    const auto log = t.log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "D S 01 00 90");
    EXPECT_EQ(log[1], "P S 01 00 90");
    EXPECT_EQ(log[2], Format("%.2X", t.board.sfr(0x90)));
    EXPECT_TRUE(t.board.sfr(0x90) & 0x08);
    EXPECT_EQ(t.notifier.count(notify::SfrChanged), 1);
}

TEST(MemorySpaces, RefusalsByStateRunningAndKind) {
    Started t;
    t.emu->SetConnectionState(TBasisEmulator::StateStarted);
    for (SpaceKind k : {SpaceKind::Program, SpaceKind::IntData, SpaceKind::ExtData, SpaceKind::Bit, SpaceKind::Sfr,
                        SpaceKind::Trace})
        EXPECT_EQ(messageOf([&] { t.space(k).ReadBlock(t.space(k).GetMinAdresse(), 1); }),
                  "Access denied: Emulator is starting")
            << static_cast<int>(k);
    t.emu->SetConnectionState(TBasisEmulator::StateStarting);
    EXPECT_NO_THROW(t.space(SpaceKind::Sfr).ReadByte(0x90));
    EXPECT_NO_THROW(t.space(SpaceKind::Sfr).WriteSfr(0x90, 0xFF));

    t.emu->SetConnectionState(TBasisEmulator::StateReady);
    t.recording.running = true;
    for (SpaceKind k : {SpaceKind::IntData, SpaceKind::Bit, SpaceKind::Sfr, SpaceKind::System, SpaceKind::Trace})
        EXPECT_EQ(messageOf([&] { t.space(k).ReadBlock(t.space(k).GetMinAdresse(), 1); }),
                  "Access denied: Processor is running")
            << static_cast<int>(k);
    EXPECT_EQ(t.space(SpaceKind::IntData).Blocks().Count(), 0);  // a refused read caches nothing
    t.recording.flyingTrace = true;
    EXPECT_EQ(t.space(SpaceKind::Trace).ReadBlock(BankedAdresse(0, 0), 1).size(), 12u);
    t.recording.running = false;
    EXPECT_EQ(messageOf([&] { t.space(SpaceKind::Trace).WriteBlock(BankedAdresse(0, 0), std::string(12, 0)); }),
              "No write access on trace memory");
    t.recording.programMapped = false;
    EXPECT_EQ(messageOf([&] { t.space(SpaceKind::Program).WriteBlock(UnbankedAdresse(0x1234), "\x01"); }),
              "External mapped program memory address 1234");
    const std::string denied = "Access denied: not possible in this memory";
    EXPECT_EQ(messageOf([&] { t.space(SpaceKind::IntData).ReadByte(0x30); }), denied);
    EXPECT_EQ(messageOf([&] { t.space(SpaceKind::Sfr).ReadRegisterBank(); }), denied);
}

TEST(MemorySpaces, TraceFramesHaveTheLinksSize) {
    // A TARVEX-IV sends 11-byte frames, one per command.
    sim::BoardConfig config;
    config.version = "3.0 ";
    config.identification = "TARVEX  ";
    config.frameSize = 11;
    Started t(config);
    ASSERT_EQ(t.emu->Generation(), 0);
    EXPECT_EQ(t.read(SpaceKind::Trace, BankedAdresse(0, 5), 3).size(), 33u);
    EXPECT_EQ(t.board.tally("n").commands, 3u);
}

TEST(MemorySpaces, ProgramReadsFetchWholeBlocksAndStopAtTheNext) {
    Started t;
    std::vector<std::uint8_t> plane(0x400);
    for (std::size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<std::uint8_t>(i * 7);
    t.board.setCode(6, 0x1000, plane);
    auto& program = t.space(SpaceKind::Program);
    const std::string read = program.ReadBlock(UnbankedAdresse(0x1234), 300);
    EXPECT_EQ(read, std::string(plane.begin() + 0x234, plane.begin() + 0x234 + 300));
    EXPECT_EQ(t.log(), (std::vector<std::string>{"D P FF 12 00", "D P 81 12 FF"}));
    ASSERT_EQ(program.Blocks().Count(), 1);
    EXPECT_EQ(program.Blocks()[0].start, UnbankedAdresse(0x1200));
    EXPECT_EQ(program.Blocks()[0].length, 384);

    // Below a cached block only the gap is fetched.
    program.ClearProgramCache();
    program.ReadBlock(UnbankedAdresse(0x1300), 16);
    t.fresh();
    EXPECT_EQ(program.ReadBlock(UnbankedAdresse(0x1290), 0x90),
              std::string(plane.begin() + 0x290, plane.begin() + 0x320));
    EXPECT_EQ(t.log(), (std::vector<std::string>{"D P 80 12 80"}));
}

TEST(MemorySpaces, FullProgramCacheDropsFourBlocksFromTheFarEnd) {
    struct Row {
        std::uint16_t newBlock;
        std::uint16_t first, last;  // the blocks at both ends afterwards
    };
    const Row rows[] = {{0x0000, 0x0000, 0xD800}, {0xFC00, 0x2800, 0xFC00}};
    for (const Row& r : rows) {
        Started t;
        auto& program = t.space(SpaceKind::Program);
        for (int k = 1; k <= 31; ++k) program.ReadBlock(UnbankedAdresse(static_cast<std::uint16_t>(k * 0x800)), 1);
        ASSERT_EQ(program.Blocks().Count(), 31);
        program.ReadBlock(UnbankedAdresse(r.newBlock), 1);
        ASSERT_EQ(program.Blocks().Count(), 28);
        EXPECT_EQ(program.Blocks()[0].start.offset, r.first);
        EXPECT_EQ(program.Blocks()[27].start.offset, r.last);
    }
}

TEST(MemorySpaces, LongScrollKeepsTheCacheWithinItsCapacity) {
    Started t;
    auto& program = t.space(SpaceKind::Program);
    for (int pass = 0; pass < 3; ++pass)
        for (std::uint32_t at = 0; at < 0x10000; at += 0x300) {
            program.ReadBlock(UnbankedAdresse(static_cast<std::uint16_t>(at)), 64);
            ASSERT_LE(program.Blocks().Count(), program.Blocks().Capacity());
        }
}

TEST(MemorySpaces, EmulationMemoryBelowAndFromFirmware21) {
    for (const char* version : {"5.1 ", "6.0 "}) {
        sim::BoardConfig config;
        config.version = version;
        Started t(config);
        t.board.setSystem(1, false, 0x2000, 0x11);
        t.board.setSystem(1, true, 0x2000, 0x22);
        EXPECT_EQ(t.read(SpaceKind::EmulSystem, BankedAdresse(1, 0x2000), 1), bytes({0x11})) << version;
        EXPECT_EQ(t.read(SpaceKind::EmulSystemHigh, BankedAdresse(1, 0x2000), 1), bytes({0x22})) << version;
        const auto lines = t.log();
        if (std::string(version) == "6.0 ") {
            EXPECT_EQ(lines, (std::vector<std::string>{"D M 10 20 00 01", "D M 10 20 00 41"}));
        } else {
            // The configuration byte comes from the start's shadow: no "R I".
            const std::vector<std::string> bracket = {"W N F4 00 01", "W V 00 01 00", "W I 00 22 00", "W N F0 FF 00",
                                                      "D N 10 20 00", "W I 00 22 80", "W N F0 FF 80", "W V 00 01 01"};
            ASSERT_EQ(lines.size(), 15u);  // the second bracket needs no bank select
            EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 8), bracket);
            EXPECT_EQ(lines[9], "W I 00 22 40");  // system-high: bit 6 set
        }
        EXPECT_EQ(messageOf([&] { t.read(SpaceKind::EmulSelect, BankedAdresse(1, 0), 1); }),
                  "Access denied: not possible in this memory");
        t.fresh();
        t.space(SpaceKind::EmulSelect).WriteBlock(BankedAdresse(1, 0x100), bytes({0, 0, 0, 0x55}));
        EXPECT_EQ(starting(t.log(), "B").size(), 2u) << version;
        EXPECT_EQ(t.board.select(1, 0x103), 0x55);
        EXPECT_EQ(t.notifier.count(notify::SelectMemoryChanged), 1);
    }
}

TEST(MemorySpaces, BankedReadsPassTheRangeCheck) {
    Started t;
    t.banking->SetBankingVersion(1);
    t.banking->SetBankingMode(3);
    t.banking->SetBankedAreaStart(0x8000);
    // The common area, at the all-banks address the banking gives it.
    EXPECT_EQ(t.read(SpaceKind::Program, AllBanksAdresse(0x1000), 0x20).size(), 0x20u);
    EXPECT_EQ(t.read(SpaceKind::Program, AllBanksAdresse(0xFFF0), 0x10).size(), 0x10u);
    // The Dallas derivatives' 24-bit data space runs on across banks.
    t.banking->SetVarBanking(true);
    t.banking->SetDallasVarBankFlag(true);
    EXPECT_EQ(t.space(SpaceKind::ExtData).GetMaxAdresse(), BankedAdresse(255, 0xFFFF));
    EXPECT_EQ(t.read(SpaceKind::ExtData, BankedAdresse(3, 0xFFF0), 32).size(), 32u);
}

// Code banking through the bank port: an SFR through the SFR space, or an
// external-data byte straight on the board (and its internal-data copy);
// then the hardware bank follows (mode group 0x10, hardware bank 1).
TEST(MemorySpaces, BankSwitchThroughThePort) {
    struct Row {
        bool xdataPort;
        std::vector<std::string> lines;  // without the value bytes
        std::uint8_t notification;
    };
    const Row rows[] = {
        {false, {"D S 01 00 90", "P S 01 00 90", "W N F4 00 11", "D P 80 90 00"}, notify::SfrChanged},
        {true,
         {"D E 01 12 34", "P E 01 12 34", "R N 7A 90", "W N 7A 90 02", "W N F4 00 11", "D P 80 90 00"},
         notify::ExtDataChanged},
    };
    for (const Row& r : rows) {
        Started t;
        t.banking->SetBankingVersion(1);
        t.banking->SetBankingMode(3);
        t.banking->SetXdataPortFlag(r.xdataPort);
        t.read(SpaceKind::ExtData, UnbankedAdresse(0x100), 1);
        t.fresh();
        t.read(SpaceKind::Program, BankedAdresse(2, 0x9000), 1);
        std::vector<std::string> lines;
        for (const auto& l : t.log())
            if (l.size() > 2) lines.push_back(l);
        EXPECT_EQ(lines, r.lines);
        EXPECT_EQ(t.notifier.count(r.notification), 1);
        EXPECT_EQ(t.space(SpaceKind::ExtData).Blocks().Count(), 0);  // another bank may show there
    }
}

TEST(MemorySpaces, CodeWritesGoInPiecesOf255) {
    Started t;
    std::string code(300, '\0');
    for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<char>(i);
    t.space(SpaceKind::Program).WriteBlock(UnbankedAdresse(0x1234), code);
    EXPECT_EQ(starting(t.log(), "P P"), (std::vector<std::string>{"P P FF 12 34", "P P 2D 13 33"}));
    for (std::size_t i = 0; i < code.size(); ++i)
        ASSERT_EQ(t.board.code(6, static_cast<std::uint16_t>(0x1234 + i)), code[i] & 0xFF);
    EXPECT_EQ(t.notifier.count(notify::ProgramChanged), 1);
}

TEST(MemorySpaces, BankedDownloadsReadBackEqual) {
    struct Row {
        int version, mode;
        TBankAdresse at;
        int hardwareBank;
        std::uint16_t physical;
    };
    const Row rows[] = {{3, 6, BankedAdresse(2, 0x8000), 2, 0x0000}, {5, 10, BankedAdresse(5, 0x5000), 2, 0x5000}};
    for (const Row& r : rows) {
        Started t;
        t.banking->SetBankingVersion(r.version);
        t.banking->SetBankingMode(r.mode);
        const std::string code = bytes({0x12, 0x34, 0x56, 0x78});
        t.space(SpaceKind::Program).WriteProgram(r.at, code);
        EXPECT_EQ(t.board.code(static_cast<std::size_t>(r.hardwareBank), r.physical), 0x12) << r.mode;
        t.space(SpaceKind::Program).ClearProgramCache();
        EXPECT_EQ(t.read(SpaceKind::Program, r.at, 4), code) << r.mode;
    }
}

// A write reaches every address that shows the same byte of emulation
// memory: what another bank cached of it is read fresh. Mode 6: the common
// area of bank 2 is bank 0's window; mode 10: a bank's 16 KB window repeats
// at 0x4000, 0x8000 and 0xC000.
TEST(MemorySpaces, CodeWritesLeaveNoStaleCopyInOtherBanks) {
    enum Via { Block, Program };
    struct Row {
        int version, mode;
        TBankAdresse cached;
        Via via;
        TBankAdresse written;
    };
    const Row rows[] = {
        {3, 6, BankedAdresse(2, 0x0100), Program, BankedAdresse(0, 0x0100)},
        {3, 6, BankedAdresse(3, 0x0100), Program, BankedAdresse(0, 0x8100)},
        {3, 6, BankedAdresse(0, 0x8100), Block, BankedAdresse(1, 0x0100)},
        {5, 10, BankedAdresse(3, 0x6780), Block, BankedAdresse(3, 0xA780)},
        {5, 10, BankedAdresse(1, 0xC100), Program, BankedAdresse(1, 0x4100)},
        {5, 10, BankedAdresse(0, 0xE100), Program, BankedAdresse(5, 0x2100)},
    };
    const std::string code = bytes({0x12, 0x34, 0x56, 0x78});
    for (const Row& r : rows) {
        Started t;
        t.banking->SetBankingVersion(r.version);
        t.banking->SetBankingMode(r.mode);
        ASSERT_EQ(t.banking->bankingMode(), r.mode);
        const std::string before = t.read(SpaceKind::Program, r.cached, 4);
        ASSERT_NE(before, code);
        if (r.via == Block)
            t.space(SpaceKind::Program).WriteBlock(r.written, code);
        else
            t.space(SpaceKind::Program).WriteProgram(r.written, code);
        EXPECT_EQ(t.read(SpaceKind::Program, r.cached, 4), code)
            << r.mode << " " << BankAdresseToStrFull(r.written) << " seen at " << BankAdresseToStrFull(r.cached);
    }
}

// A write that the range check lets run on past the end of a bank goes on
// in the next bank, whole; nothing is cut at 0xFFFF.
TEST(MemorySpaces, CodeWritesRunOnIntoTheNextBank) {
    for (const bool download : {true, false}) {
        Started t;
        t.banking->SetBankingVersion(1);
        t.banking->SetBankingMode(3);
        std::string code(download ? 256 : 512, '\0');
        for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<char>(i * 3 + 1);
        const TBankAdresse at = BankedAdresse(0, 0xFFC0);
        if (download)
            t.space(SpaceKind::Program).WriteProgram(at, code);
        else
            t.space(SpaceKind::Program).WriteBlock(at, code);
        t.space(SpaceKind::Program).ClearProgramCache();
        EXPECT_EQ(t.read(SpaceKind::Program, at, 0x40), code.substr(0, 0x40)) << download;
        EXPECT_EQ(t.read(SpaceKind::Program, BankedAdresse(1, 0), static_cast<int>(code.size() - 0x40)),
                  code.substr(0x40))
            << download;
        // Bank 1 lies in hardware bank 2.
        EXPECT_EQ(t.board.code(2, 0x0000), static_cast<std::uint8_t>(code[0x40])) << download;
    }
}

// The line-number table on the real program space gives the same line ends
// as on a buffer with the same bytes; while the target runs the reader
// answers 0.
TEST(MemorySpaces, LineTableOnTheProgramSpace) {
    Started t;
    const std::vector<std::uint8_t> code = {0x12, 0x20, 0x00, 0x74, 0x05, 0x00, 0x80, 0xFE};
    t.space(SpaceKind::Program).WriteProgram(UnbankedAdresse(0x100), std::string(code.begin(), code.end()));
    std::vector<std::uint8_t> image(0x10000, 0);
    std::copy(code.begin(), code.end(), image.begin() + 0x100);
    BufferCodeReader buffer(image);
    const auto ends = [&](ICodeReader& reader) {
        TargetContext ctx;
        ctx.spaces = t.spaces.get();
        ctx.code = &reader;
        ctx.banking = t.banking.get();
        TSymboltabelle symbols(ctx);
        TZeilennummertabelle lines(symbols, ctx);
        std::vector<TZeilennummer*> records;
        for (std::uint16_t at : {0x100, 0x103, 0x105, 0x106})
            records.push_back(lines.AddLine(UnbankedAdresse(at), at, 0, 0, 0));
        std::vector<TBankAdresse> out;
        for (TZeilennummer* r : records) out.push_back(lines.LineEndAddress(r));
        return out;
    };
    EXPECT_EQ(ends(t.spaces->CodeReader()), ends(buffer));
    t.space(SpaceKind::Program).ClearProgramCache();
    t.recording.running = true;
    std::uint8_t byte = 0xAA;
    EXPECT_EQ(t.spaces->CodeReader().read(UnbankedAdresse(0x100), &byte, 1), 0);
}

// ---------------------------------------------------------------- caches and notifications

TEST(MemorySpaces, WriteRangeNotifiesAndEmptiesTheBitCache) {
    Started t;
    t.read(SpaceKind::Bit, UnbankedAdresse(0x00), 1);
    t.fresh();
    t.space(SpaceKind::IntData).WriteRange(UnbankedAdresse(0x20), std::string(16, '\xFF'));
    EXPECT_EQ(t.notifier.count(notify::IntDataChanged), 1);
    EXPECT_EQ(t.read(SpaceKind::Bit, UnbankedAdresse(0x00), 1), bytes({0xFF}));
    EXPECT_EQ(t.log().front(), "P N 10 7A 20");
}

// Which caches each notification empties, by sender and banking mode. The
// select memory cannot be read, so its cache never fills.
TEST(MemorySpaces, NotificationMatrix) {
    Started t;
    const std::vector<int> cached = {0, 1, 2, 3, 4, 5, 6, 9, 10};
    struct Row {
        std::uint8_t code;
        int sender;  // a space's kind; -1: another object
        int mode;    // banking mode (version 1)
        std::vector<int> cleared;
    };
    const Row rows[] = {
        {1, -1, 0, {0, 9}},           {1, 0, 0, {9}},          {1, -1, 4, {0, 2, 9}},
        {15, -1, 0, {0, 9}},          {15, 9, 0, {0}},         {2, -1, 0, {1, 3}},
        {2, 1, 0, {3}},               {3, -1, 0, {2, 9}},      {3, 2, 0, {9}},
        {3, -1, 4, {0, 2, 9}},        {5, -1, 0, {2, 3, 4}},   {5, 4, 0, {2, 3}},
        {6, -1, 0, {6}},              {7, -1, 0, {5, 10}},     {7, 5, 0, {5, 10}},
        {8, -1, 0, {0}},              {11, -1, 0, {1, 2, 3, 6}}, {12, -1, 0, cached},
        {13, -1, 0, {0, 2}},          {16, -1, 0, {}},         {20, -1, 0, {}},
        {21, -1, 0, {}},              {25, -1, 0, {0}},        {32, -1, 0, {0, 2}},
        {33, -1, 0, {}},              {35, -1, 0, {}},
    };
    for (const Row& r : rows) {
        t.banking->SetBankingMode(r.mode);
        for (int kind : cached) {
            auto& s = *t.spaces->GetEmulSpeicher(kind);
            s.ReadBlock(s.GetMinAdresse(), 1);
            ASSERT_GT(s.Blocks().Count(), 0) << kind;
        }
        const void* sender = r.sender < 0 ? static_cast<const void*>(&t) : t.spaces->GetEmulSpeicher(r.sender);
        t.spaces->EmulSpeicherNotify(r.code, sender);
        for (int kind : cached) {
            const bool cleared = std::find(r.cleared.begin(), r.cleared.end(), kind) != r.cleared.end();
            EXPECT_EQ(t.spaces->GetEmulSpeicher(kind)->Blocks().Count() == 0, cleared)
                << "code " << int(r.code) << " sender " << r.sender << " mode " << r.mode << " kind " << kind;
        }
    }
}

TEST(MemorySpaces, ProgramMaximumNotifiesOnlyOnAChange) {
    SimTarget t;
    auto& program = t.space(SpaceKind::Program);
    program.SetProgramMaxAdresse(0xFFFF);
    EXPECT_EQ(t.notifier.count(notify::ProgramMaxChanged), 0);
    program.SetProgramMaxAdresse(0x0FFF);
    program.SetProgramMaxAdresse(0x0FFF);
    EXPECT_EQ(t.notifier.count(notify::ProgramMaxChanged), 1);
    EXPECT_EQ(program.GetMaxAdresse(), UnbankedAdresse(0x0FFF));
    t.space(SpaceKind::ExtData).SetXdataMaxAdresse(0x7FFF);
    EXPECT_EQ(t.notifier.count(notify::ExtDataMaxChanged), 1);
}

}  // namespace
}  // namespace tarvex
