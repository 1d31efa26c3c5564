#include "emulator/banking.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/value_stream.hpp"
#include "platform/stream.hpp"
#include "tests/emulator/emulator_fixture.hpp"

namespace tarvex {
namespace {

using test::EmuRig;

// The bank port as the memory spaces will offer it, with a record.
struct RecordingPort final : IBankPortAccess {
    std::uint8_t ReadSfr(std::uint8_t a) override {
        log.push_back("ReadSfr " + ByteToHex(a));
        return sfr;
    }
    void WriteSfr(std::uint8_t a, std::uint8_t v) override {
        log.push_back("WriteSfr " + ByteToHex(a) + " " + ByteToHex(v));
        sfr = v;
    }
    std::uint8_t ReadXdataByte(std::uint16_t a) override {
        log.push_back("ReadXdata " + WordToHex(a));
        return xdata;
    }
    void WriteXdataByte(std::uint16_t a, std::uint8_t v) override {
        log.push_back("WriteXdata " + WordToHex(a) + " " + ByteToHex(v));
        xdata = v;
    }
    std::vector<std::string> log;
    std::uint8_t sfr = 0xF0;
    std::uint8_t xdata = 0xF8;
};

// A started board of the generation given, with the banking in the
// version and mode given, at the connection state given.
struct BankRig {
    BankRig(int generation, int version, int mode, std::uint8_t state = TBasisEmulator::StateStarting) {
        rig.identify();
        rig.emu->SetGeraet(static_cast<std::uint8_t>(generation));
        banking.SetBankingVersion(version);
        banking.SetBankingMode(mode);
        rig.emu->SetConnectionState(state);
        rig.wire.clear();
        rig.parts.log.clear();
    }
    EmuRig rig;
    TBanking banking{*rig.emu, rig.notifier};
};

TEST(Banking, ModeTables) {
    struct Row {
        int mode, maxBank, defaultBank;
    };
    const Row rows[] = {{0, 255, 255}, {1, 1, 1}, {2, 1, 1}, {3, 3, 3}, {4, 7, 7}, {5, 3, 1},
                        {6, 3, 1},     {7, 7, 3}, {8, 15, 7}, {9, 7, 1}, {10, 7, 1}, {11, 15, 3}};
    for (const Row& r : rows) {
        EXPECT_EQ(TBanking::MaxBankOfMode(r.mode), r.maxBank) << r.mode;
        EXPECT_EQ(TBanking::DefaultBankOfMode(r.mode), r.defaultBank) << r.mode;
    }
    // mode, generation, kind, bank -> hardware bank (-1: refused)
    const int map[][5] = {{0, 1, 0, 255, 6}, {0, 0, 0, 255, 7}, {0, 2, 7, 0, 6},  {0, 0, 7, 0, 7},
                          {0, 1, 12, 0, 7},  {0, 1, 8, 3, 7},   {0, 1, 9, 4, 4},  {1, 1, 0, 0, 3},
                          {1, 1, 0, 2, -1},  {2, 1, 0, 1, 2},   {2, 1, 12, 1, 6}, {3, 1, 12, 3, 4},
                          {7, 1, 0, 3, 0},   {4, 1, 0, 5, 2},   {8, 1, 0, 7, 0},  {9, 1, 0, 1, 2},
                          {10, 1, 12, 0, 7}, {11, 1, 0, 3, 0},  {11, 1, 0, 4, -1}};
    for (const auto& m : map)
        EXPECT_EQ(TBanking::HardwareBankFor(m[0], m[1], m[2], m[3]), m[4])
            << m[0] << " " << m[1] << " " << m[2] << " " << m[3];
}

TEST(Banking, PhysicalAddressesAndAliases) {
    struct Row {
        int version, mode, bank;
        std::uint16_t offset;
        int physBank;
        std::uint16_t physOffset;
        int hardware;
    };
    const Row rows[] = {
        {3, 6, 2, 0x8000, 1, 0x0000, 2}, {3, 6, 3, 0x9000, 1, 0x9000, 2}, {3, 6, 1, 0x1000, 0, 0x1000, 3},
        {5, 10, 5, 0x5000, 1, 0x5000, 2}, {5, 11, 15, 0xC123, 3, 0xC123, 0}, {5, 11, 9, 0x2000, 0, 0x2000, 3},
        {1, 4, 5, 0x1234, 5, 0x1234, 2}};
    for (const Row& r : rows) {
        BankRig b(1, r.version, r.mode);
        const auto a = BankedAdresse(static_cast<std::uint8_t>(r.bank), r.offset);
        const TBankAdresse p = b.banking.PhysicalAddress(a);
        EXPECT_EQ(p.bank, r.physBank) << r.mode << " " << r.bank;
        EXPECT_EQ(p.offset, r.physOffset) << r.mode << " " << r.bank;
        b.banking.SetPortAccess(nullptr);
        RecordingPort port;
        b.banking.SetPortAccess(&port);
        EXPECT_NO_THROW(b.banking.SetBank(TBanking::KindCode, a));
        EXPECT_EQ(b.banking.CurrentHardwareBank(), r.hardware) << r.mode << " " << r.bank;
    }
    BankRig b(1, 5, 10);
    const auto aliases = b.banking.PrepareAccess(BankedAdresse(3, 0x1234));
    ASSERT_EQ(aliases.size(), 9u);
    EXPECT_EQ(aliases[7], BankedAdresse(7, 0x1234));
    EXPECT_EQ(aliases[8], BankedAdresse(0, 0x5234));
    EXPECT_TRUE(b.banking.PrepareAccess(BankedAdresse(3, 0x5234)).empty());
    b.banking.SetBankedAreaStart(0x1000);
    EXPECT_EQ(b.banking.BankedAreaStart(), 0x4000);
    EXPECT_TRUE(b.banking.NormalizeAddress(BankedAdresse(2, 0x3FFF)).allBanks);
    EXPECT_FALSE(b.banking.NormalizeAddress(BankedAdresse(2, 0x4000)).allBanks);
    EXPECT_THROW(b.banking.CheckNoBanking(), ESelectError);
}

// What the trace recorded (physical bank and offset) reads back as the
// logical address the program ran at, in every banked window of every mode.
TEST(Banking, TraceAddressUndoesThePhysicalMapping) {
    const struct {
        int generation, version, mode;
    } modes[] = {{0, 2, 5}, {1, 3, 6}, {1, 3, 7}, {1, 3, 8}, {0, 4, 9}, {1, 5, 10}, {1, 5, 11}};
    for (const auto& m : modes) {
        BankRig b(m.generation, m.version, m.mode);
        ASSERT_EQ(b.banking.bankingMode(), m.mode);
        const std::uint16_t window = m.mode >= 9 ? 0x4000 : 0x8000;
        for (int bank = 0; bank <= TBanking::MaxBankOfMode(m.mode); ++bank)
            for (std::uint16_t offset : {window, static_cast<std::uint16_t>(window + 0x1234),
                                         static_cast<std::uint16_t>(2 * window - 1)}) {
                const auto a = BankedAdresse(static_cast<std::uint8_t>(bank), offset);
                EXPECT_EQ(TBanking::TraceAddress(m.mode, b.banking.PhysicalAddress(a)), a)
                    << m.mode << " " << bank << " " << offset;
            }
    }
    const struct {
        int mode;
        TBankAdresse recorded, logical;
    } rows[] = {
        {6, BankedAdresse(0, 0x1234), BankedAdresse(0, 0x9234)},  // the common area's alias
        {7, BankedAdresse(3, 0x8001), BankedAdresse(7, 0x8001)},
        {11, BankedAdresse(3, 0x4321), BankedAdresse(13, 0x4321)},
        {4, BankedAdresse(5, 0x1234), BankedAdresse(5, 0x1234)},   // one bank, one place
        {0, BankedAdresse(2, 0x1234), BankedAdresse(2, 0x1234)},
        {8, UnbankedAdresse(0x1234), UnbankedAdresse(0x1234)},
        {8, AllBanksAdresse(0x1234), AllBanksAdresse(0x1234)},
    };
    for (const auto& r : rows) EXPECT_EQ(TBanking::TraceAddress(r.mode, r.recorded), r.logical) << r.mode;
}

TEST(Banking, BankSwitchOnTheWire) {
    // Mode 4 with the default bit numbers: bank 5 drives A16 (bit 0) and
    // A18 (bit 2); hardware bank 2 in the mode group 24.
    BankRig b(1, 1, 4);
    EXPECT_EQ(b.banking.PortMask(), 0x07);
    EXPECT_EQ(b.banking.PortValue(5), 0x05);
    RecordingPort port;
    b.banking.SetPortAccess(&port);
    b.banking.SetBank(TBanking::KindCode, BankedAdresse(5, 0x1234));
    EXPECT_EQ(port.log, (std::vector<std::string>{"ReadSfr 90", "WriteSfr 90 F5"}));
    EXPECT_EQ(b.rig.commands(), (std::vector<std::string>{"W N F4 00 1A"}));
    b.rig.wire.clear();
    b.banking.SetBank(TBanking::KindCode, BankedAdresse(5, 0x2000));
    EXPECT_TRUE(b.rig.commands().empty());
    EXPECT_EQ(port.log.size(), 2u);

    // The port in external data also writes the monitor's copy of the port.
    b.banking.SetXdataPortFlag(true);
    b.banking.SetBank(TBanking::KindCode, BankedAdresse(2, 0x2000));
    EXPECT_EQ(port.log.back(), "WriteXdata 1234 FA");
    EXPECT_EQ(b.rig.commands().front(), "R N 7A 90");

    // Through the emulator object's own SFR commands.
    BankRig own(1, 0, 1);
    own.banking.SetBank(TBanking::KindCode, BankedAdresse(1, 0x8000));
    const auto wire = own.rig.commands();
    ASSERT_GE(wire.size(), 3u);
    EXPECT_EQ(wire.back(), "W N F4 00 0A");
    EXPECT_TRUE(own.rig.sent("P S 01 00 90"));
    EXPECT_THROW(own.banking.WriteBank(TBanking::KindCode, 2), EVokWinValueError);
}

TEST(Banking, SettersSendNothingBeforeTheStart) {
    BankRig b(1, 1, 0, TBasisEmulator::StateStarted);
    b.banking.SetBankingMode(2);
    b.banking.SetBankingVersion(0);
    EXPECT_EQ(b.banking.bankingMode(), 1);
    b.banking.SetBankingVersion(1);
    b.banking.SetBankingMode(3);
    b.banking.SetResetBankNummer(9);
    EXPECT_EQ(b.banking.ResetBankNummer(), 3);
    b.banking.SetBankingVersion(0);
    EXPECT_EQ(b.banking.bankingMode(), 0);
    b.banking.SetBankingVersion(3);
    b.banking.SetBankingMode(6);
    b.banking.SetBankedAreaStart(0x1234);
    EXPECT_EQ(b.banking.BankedAreaStart(), 0x8000);
    b.banking.SetDallasBanking(true);
    b.banking.SetU32Size(2);
    EXPECT_THROW(b.banking.SetBankingMode(2), EVokWinValueError);
    EXPECT_THROW(b.banking.SetBitNummer(0, 8), EVokWinValueError);
    EXPECT_EQ(b.banking.bankingMode(), 6);
    EXPECT_TRUE(b.rig.commands().empty());
    EXPECT_TRUE(b.rig.notifier.sent.empty());
}

TEST(Banking, UpdateBracketPutsTheDefaultBankAndResets) {
    BankRig b(1, 1, 0, TBasisEmulator::StateReady);
    b.banking.LockUpdate(true);
    b.banking.SetBankingMode(3);
    b.banking.SetBitNummer(2, 5);
    EXPECT_TRUE(b.rig.commands().empty());
    b.banking.LockUpdate(false);
    EXPECT_EQ(b.rig.commands(), (std::vector<std::string>{"W N F4 00 10"}));  // default bank 3 -> 0
    EXPECT_EQ(b.rig.notifier.count(TBanking::NotifyBankingChanged), 1);
    EXPECT_EQ(b.rig.parts.log, (std::vector<std::string>{"RunControl.ResetSlave"}));
    EXPECT_EQ(b.banking.PortMask(), 0x22);
    b.rig.parts.resetSlaveAnswer = -1;
    EXPECT_THROW(b.banking.SetBankingMode(4), ETarvexResetError);

    b.rig.wire.clear();
    b.banking.HookModeReset();
    EXPECT_EQ(b.rig.commands(), (std::vector<std::string>{"W N F4 00 78", "W N F4 00 18", "W N F4 00 98",
                                                          "W N F4 00 F8", "W N F4 00 78", "W N F4 00 38"}));
}

TEST(Banking, DallasReturnAddressPatchAndUndo) {
    BankRig b(1, 0, 0);
    b.rig.emu->SetProzessorTyp(15);
    b.rig.wire.clear();
    b.banking.SetDallasAddressingMode(TBanking::DallasPaged);
    const auto patch = b.rig.commands();
    ASSERT_EQ(patch.size(), 7u);
    EXPECT_EQ(patch[0], "W N F4 00 40");
    EXPECT_EQ(patch[1], "R N 7C 19");
    EXPECT_EQ(patch[2], "R N 7C 1A");
    EXPECT_EQ(patch[3], "D N 0A 7E F6");
    EXPECT_EQ(patch[4], "W N 7C 19 06");
    EXPECT_EQ(patch[5], b.rig.emu->FirmwareCode() < 14 ? "W N 7C 1A E2" : "W N 7C 1A DF");
    EXPECT_EQ(patch[6].substr(0, 12), "P N 0A 76 F6");
    b.rig.wire.clear();
    b.banking.SetDallasAddressingMode(TBanking::DallasStandard);
    const auto undo = b.rig.commands();
    ASSERT_EQ(undo.size(), 4u);
    EXPECT_EQ(undo[0], "W N F4 00 00");
    EXPECT_EQ(undo[1].substr(0, 9), "W N 7C 19");
    EXPECT_EQ(undo[3].substr(0, 12), "P N 0A 7E F6");
    b.rig.wire.clear();
    b.banking.SetDallasAddressingMode(TBanking::DallasStandard);
    EXPECT_TRUE(b.rig.commands().empty());
    b.banking.SetDallasAddressingMode(TBanking::DallasContiguous);
    EXPECT_EQ(b.banking.maxCountBefehlsBytes(), 4);
    EXPECT_EQ(b.banking.ControlByte() & 0xE0, 0xA0);
}

// Standard addressing ends Dallas banking, and the monitor loses its
// banking patch with it; the next bank goes out through the port again.
TEST(Banking, StandardAddressingTakesTheDallasBankingPatchAway) {
    BankRig b(1, 1, 2, TBasisEmulator::StateReady);
    b.rig.emu->SetProzessorTyp(15);
    RecordingPort port;
    b.banking.SetPortAccess(&port);
    b.banking.SetDallasAddressingMode(TBanking::DallasPaged);
    b.banking.SetDallasBanking(true);
    b.banking.SetBank(TBanking::KindCode, BankedAdresse(1, 0x9000));
    EXPECT_TRUE(port.log.empty());
    b.rig.wire.clear();
    b.banking.SetDallasAddressingMode(TBanking::DallasStandard);
    EXPECT_FALSE(b.banking.DallasBanking());
    const auto wire = b.rig.commands();
    for (const char* cell : {"W N 76 00 00", "W N 76 01 00", "W N 75 04 00", "W N 7D DE 00"})
        EXPECT_NE(std::find(wire.begin(), wire.end(), cell), wire.end()) << cell;
    b.banking.SetBank(TBanking::KindCode, BankedAdresse(1, 0x9000));
    EXPECT_EQ(port.log, (std::vector<std::string>{"ReadSfr 90", "WriteSfr 90 F1"}));
}

TEST(Banking, SettingsSection) {
    BankRig b(1, 5, 11, TBasisEmulator::StateStarted);
    b.banking.SetResetBankNummer(12);
    b.banking.SetBitNummer(4, 7);
    b.banking.SetVarBanking(true);
    b.banking.SetDallasVarBankFlag(true);
    b.banking.SetXdataPort("$4321");
    platform::MemoryStream stream;
    ValueWriter writer(stream);
    b.banking.WriteSettings(writer);
    BankRig other(1, 0, 0, TBasisEmulator::StateStarted);
    stream.seek(0);
    ValueReader reader(stream);
    other.banking.ReadSettings(reader, TEmulator::StreamVersion);
    EXPECT_EQ(other.banking.bankingMode(), 11);
    EXPECT_EQ(other.banking.ResetBankNummer(), 12);
    EXPECT_EQ(other.banking.BitNummer(4), 7);
    EXPECT_EQ(other.banking.XdataPort(), "4321");
    EXPECT_TRUE(other.banking.varBanking());
    EXPECT_TRUE(other.banking.DallasVarBankFlag());
    EXPECT_EQ(other.banking.BankedAreaStart(), 0x4000);

    // Older files: version 2 carries the addressing mode after the bit
    // numbers, 4 no trace offset, below 12 the start as one integer.
    for (const std::int32_t version : {2, 4, 11}) {
        platform::MemoryStream old;
        ValueWriter w(old);
        for (std::int32_t v : {0, 1, 1}) w.WriteInteger(v);  // generation 1 turns version 0 into 1, mode 1 into 2
        w.WriteBoolean(false);
        for (std::int32_t v : {0x90, 0x1234, 4, 3, 0, 1, 2}) w.WriteInteger(v);
        if (version < 3) w.WriteInteger(0);
        w.WriteBoolean(false);
        if (version >= 5) w.WriteInteger(3);
        w.WriteInteger(0x0FFF);
        old.seek(0);
        ValueReader r(old);
        BankRig fresh(1, 1, 0, TBasisEmulator::StateStarted);
        fresh.banking.ReadSettings(r, version);
        EXPECT_EQ(fresh.banking.BankingVersion(), 1) << version;
        EXPECT_EQ(fresh.banking.bankingMode(), 2) << version;
        EXPECT_EQ(fresh.banking.BankedAreaStart(), 0x1000) << version;
        EXPECT_EQ(fresh.banking.BankedAreaEnd(), 0xFFFF) << version;
        EXPECT_EQ(fresh.banking.TraceBankOffset(), version >= 5 ? 3 : 0) << version;
        EXPECT_TRUE(r.EndOfStream()) << version;
    }
}

}  // namespace
}  // namespace tarvex
