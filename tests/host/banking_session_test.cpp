// A session of the host object in banking mode 3 (four banks of 64 KB):
// every component reads and writes its addresses with the session's banking,
// not with a banking of its own or none.
#include <gtest/gtest.h>

#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "emulator/banking.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/performance.hpp"
#include "emulator/debug/watches.hpp"
#include "host/command.hpp"
#include "host/command_history.hpp"
#include "host/agdi_records.hpp"
#include "platform/stream.hpp"
#include "tests/support/host/sim_host.hpp"

namespace tarvex {
namespace {

struct BankedSession : test::SimHost {
    BankedSession() {
        open(environment());
        EXPECT_EQ(object->AG_Init(0x100, 0), 0u);
        object->Banking().SetBankingVersion(1);
        object->Banking().SetBankingMode(3);
        EXPECT_EQ(object->Banking().bankingMode(), 3);
    }
    ~BankedSession() { object.reset(); }
};

// Old streams carry no address flags: their bank 0xFF stands for all banks
// where code is banked.
void writeOldAddress(ValueWriter& w, std::uint16_t offset) {
    w.WriteInteger(0xFF);
    w.WriteInteger(offset);
}

TEST(BankingSession, WatchPerformanceAndCommandsTakeTheSessionsBanking) {
    BankedSession s;

    // A code address in a watch (as a type record gives it): its bank byte
    // counts.
    s.object->Spaces().Space(SpaceKind::ExtData).WriteBlock(UnbankedAdresse(0x200), std::string("\x02\xA0\x00", 3));
    auto watch = TWatchTabelle::NewItem();
    watch->memoryClass = 3;
    watch->address = UnbankedAdresse(0x200);
    s.object->Watches().Resolve(*watch);
    watch->typeCode = 16;
    watch->elementSize = 3;
    EXPECT_EQ(s.object->Watches().ItemValueText(watch.get()), "02A000");

    // A performance range of an old select file.
    platform::MemoryStream m;
    {
        ValueWriter w(m);
        w.WriteListBegin();
        w.WriteString("NOSUCHSYMBOL");
        writeOldAddress(w, 0x1000);
        writeOldAddress(w, 0x10FF);
        w.WriteString("f");
        w.WriteExtended(0);
        for (int i = 0; i < 5; ++i) w.WriteInteger(0);
        w.WriteListEnd();
        for (std::int32_t v : {1, 1000, -1, 0, 32768, 0, 0}) w.WriteInteger(v);
        for (int i = 0; i < 3; ++i) w.WriteString("");
        w.WriteInteger(0);
        w.WriteBoolean(false);
    }
    m.seek(0);
    ValueReader r(m);
    ASSERT_NE(s.object->Performance(), nullptr);
    s.object->Performance()->readSettings(r, 4, true);
    const TPerformanceItem& range = *s.object->Performance()->Definitionen().Items.at(0);
    EXPECT_EQ(BankAdresseToStrFull(range.EntryAddress), " X1000");
    EXPECT_EQ(BankAdresseToStrFull(range.ExitAddress), " X10FF");

    // A command of an old stream, and its text in the history.
    platform::MemoryStream c;
    {
        ValueWriter w(c);
        w.WriteBoolean(false);
        w.WriteInteger(cmd::Initialize);
        w.WriteInteger(memkind::Program);
        writeOldAddress(w, 0x2000);
        writeOldAddress(w, 0x20FF);
        writeOldAddress(w, 0);
        w.WriteInteger(0);
        w.WriteString("");
        w.WriteBoolean(false);
        w.WriteInteger(0x5A);
        w.WriteInteger(0);
        w.WriteString("");
        for (int bit = 0; bit < 4; ++bit) w.WriteBoolean(false);
        for (int i = 0; i < 8; ++i) w.WriteInteger(0);
    }
    c.seek(0);
    ValueReader cr(c);
    TVokWinKommando command;
    command.ReadFromStream(cr, 5, &s.object->Banking());
    EXPECT_TRUE(command.start.allBanks);
    EXPECT_EQ(s.object->Kommando().Banking(), &s.object->Banking());
    const std::string text = ProtocolText(command, CommandLanguage::English, s.object->Kommando().Banking());
    EXPECT_NE(text.find(" X2000"), std::string::npos) << text;
    EXPECT_NE(text.find(" X20FF"), std::string::npos) << text;
}

// The IDE takes the program counter in the form the driver writes into its
// variable (bit 23 marks the banked area) and hands that form back in every
// code address: the download, the code at the PC, a breakpoint there, the
// go that halts at it and a go until an address of the same bank. Bank 1's
// loop counts A up, bank 2's at the same offsets counts it down.
TEST(BankingSession, TheBankedFormOfThePcServesEveryCodeRequest) {
    BankedSession s;
    std::uint32_t pcVar = 0;
    s.object->AG_Init(0x300 + 15, reinterpret_cast<std::uintptr_t>(&pcVar));
    s.object->Banking().SetBankedAreaStart(0x8000);
    s.object->Banking().SetBankedAreaEnd(0xFFFF);
    s.boxes.clear();
    const auto memAcc = [&](std::uint16_t code, std::uint32_t address, std::vector<std::uint8_t>& bytes) {
        agdi::MemRequest r{address, 0};
        return s.object->AG_MemAcc(code, bytes.data(), &r, static_cast<std::uint32_t>(bytes.size()));
    };
    std::vector<std::uint8_t> up{0x04, 0x80, 0xFD}, down{0x14, 0x80, 0xFD};
    ASSERT_EQ(memAcc(3, 0xFF818100, up), 0u);
    ASSERT_EQ(memAcc(2, 0xFF828100, down), 0u);
    std::uint32_t pc = 0xFF018100;
    ASSERT_EQ(s.object->AG_RegAcc(2, TAgdiObject::RegPc, &pc), 0u);
    ASSERT_EQ(pcVar, 0xFF818100u);
    // Mode 3 keeps logical bank 1 in hardware bank 2, bank 2 in 1.
    EXPECT_EQ(s.board.code(2, 0x8100), 0x04);
    EXPECT_EQ(s.board.code(1, 0x8100), 0x14);

    std::vector<std::uint8_t> code(3, 0xEE);
    EXPECT_EQ(memAcc(4, pcVar, code), 0u);
    EXPECT_EQ(code, up);
    // Both forms name one attribute cell.
    agdi::AttRequest attribute{};
    attribute.address = pcVar + 0x10;
    attribute.count = 1;
    ASSERT_EQ(s.object->AG_MemAtt(1, 0x100, &attribute), 0u);
    const std::uint32_t* cell = s.object->Attributes().Cell(0xFF018110);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(*cell, 0x103u);
    EXPECT_FALSE(s.object->Attributes().PageExists(0x81));

    std::uint32_t at = pcVar;
    agdi::BpRecord record{};
    record.flags = agdi::BpEnabled;
    record.address = at;
    EXPECT_EQ(s.object->AG_BreakFunc(1, 0, &at, &record), &record);
    EXPECT_EQ(s.object->AG_BpInfo(1, &at), 0x08u);
    EXPECT_NE(s.board.select(2, 0x8100), s.board.select(1, 0x8100));

    const auto acc = [&] {
        std::uint8_t a = 0;
        EXPECT_EQ(s.object->AG_RegAcc(1, TAgdiObject::RegA, &a), 0u);
        return a;
    };
    const std::uint8_t before = acc();
    EXPECT_EQ(s.object->AG_GoStep(4, 0, nullptr), 0u);
    EXPECT_EQ(pcVar, 0xFF818100u);
    EXPECT_EQ(acc(), static_cast<std::uint8_t>(before + 1));

    EXPECT_EQ(s.object->AG_BpInfo(10, &at), 0u);
    EXPECT_EQ(s.board.select(2, 0x8100), s.board.select(1, 0x8100));
    std::uint32_t until = pcVar + 1;
    EXPECT_EQ(s.object->AG_GoStep(3, 0, &until), 0u);
    EXPECT_EQ(pcVar, 0xFF818101u);
    EXPECT_EQ(acc(), static_cast<std::uint8_t>(before + 2));
    for (const auto& b : s.boxes.shown()) ADD_FAILURE() << b.text;

    // A breakpoint the hardware refuses (bank 5 of four) is no breakpoint.
    agdi::AttRequest page{};
    page.address = 0xFF050000;
    page.count = 0x10000;
    ASSERT_EQ(s.object->AG_MemAtt(1, 3, &page), 0u);
    std::uint32_t beyond = 0xFF858100;
    EXPECT_EQ(s.object->AG_BpInfo(11, &beyond), TAgdiObject::Refused);
    EXPECT_EQ(s.object->AG_BpInfo(1, &beyond), 0u);
    record.address = beyond;
    EXPECT_EQ(s.object->AG_BreakFunc(1, 0, &beyond, &record), nullptr);
    EXPECT_EQ(s.object->AG_BpInfo(1, &beyond), 0u);
}

}  // namespace
}  // namespace tarvex
