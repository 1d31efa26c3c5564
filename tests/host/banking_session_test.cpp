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

}  // namespace
}  // namespace tarvex
