// The copy, EPROM copy and initialize dialog: its task, its memories and
// the command it fills after it closed.
#include "ui/model/copy_fill_form.hpp"

#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "core/symbol_table.hpp"
#include "tests/ui/model/dialog_fixture.hpp"
#include "ui/model/symbol_picker.hpp"

namespace tarvex::ui {
namespace {

using Fixture = tarvex::test::RangeFixture;

TKommandoStruktur run(CopyFillFormModel& m, const char* start, const char* end, const char* third) {
    return test::rangeCommand(m, start, end, "ZielAdresse", third, &CopyFillFormModel::Ausfuehren);
}

TEST(CopyFillForm, TasksShapeTheFormAndTheCommand) {
    Fixture f;
    CopyFillFormModel m(f.tables(), f.store);
    EXPECT_EQ(m.caption(), "Copy memory range");
    EXPECT_EQ(m.control("SpeicherGroup").items, (std::vector<std::string>{"&Program", "&IntData", "E&xtData"}));
    EXPECT_EQ(m.SpeicherIndex(), 2);
    EXPECT_EQ(m.ThirdHistorySection(), "CopyFillFormAdresse3");

    // A symbol as start with no end copies the symbol's whole range.
    m.SelectSpeicher(0);
    auto c = run(m, "FILLER", "", "2000");
    EXPECT_EQ(c.code, cmd::Copy);
    EXPECT_EQ(c.memoryKind, memkind::Program);
    EXPECT_EQ(c.start.offset, 0x100);
    EXPECT_EQ(c.end.offset, 0x11F);
    EXPECT_EQ(c.destination.offset, 0x2000);
    EXPECT_FALSE(c.flag);
    c = run(m, "1000", "", "2000");
    EXPECT_EQ(c.end.offset, 0x1000);

    m.SetAufgabe(cfEpromKopieren);
    EXPECT_EQ(m.caption(), "Copy EPROM");
    for (const char* hidden : {"NachOderMit", "ZielAdresse", "SucheZiel", "SpeicherGroup"})
        EXPECT_FALSE(m.control(hidden).visible) << hidden;
    c = run(m, "0", "7FFF", "");
    EXPECT_EQ(c.code, cmd::CopyEprom);
    EXPECT_TRUE(c.flag);
    EXPECT_EQ(c.end.offset, 0x7FFF);

    m.SetAufgabe(cfFuellen);
    EXPECT_EQ(m.caption(), "Initialize memory range");
    EXPECT_EQ(m.control("NachOderMit").text, "Data:");
    EXPECT_TRUE(m.control("ZielAdresse").visible);
    EXPECT_EQ(m.ThirdHistorySection(), "CopyFillFormData");
    c.code = 77;
    try {
        m.EditText("ZielAdresse", "");
        m.Ausfuehren(c);
        FAIL() << "no error for an empty datum";
    } catch (const ECopyFillError& e) {
        EXPECT_STREQ(e.what(), "Unvalid 8 bit constant ");
    }
    EXPECT_EQ(c.code, 77);
    for (const char* data : {"A5", "a5h", "$A5", "0xA5"}) {
        c = run(m, "1000", "10FF", data);
        EXPECT_EQ(c.code, cmd::Initialize) << data;
        EXPECT_EQ(c.value, 0xA5) << data;
    }
    for (const char* wide : {"165", "1A5", "ZZ"}) EXPECT_THROW(run(m, "1000", "10FF", wide), EVokWinConvertError);
    EXPECT_THROW(run(m, "NOSUCH", "10FF", "1"), EVokWinConvertError);
    m.SetAufgabe(cfKopieren);
    EXPECT_EQ(m.control("NachOderMit").text, "Destination:");
    EXPECT_TRUE(m.control("SpeicherGroup").visible);
}

TEST(CopyFillForm, MemoryIndexIsKeptAndCheckedAgainstTheItems) {
    Fixture f;
    {
        CopyFillFormModel m(f.tables(true), f.store);
        EXPECT_EQ(m.control("SpeicherGroup").items.size(), 7u);
        m.SelectSpeicher(4);
        EXPECT_EQ(m.control("SpeicherGroup").items[4], "SysEmul");
        EXPECT_EQ(run(m, "100", "1FF", "0").memoryKind, memkind::SysEmul);
        m.SelectSpeicher(5);
        m.Ok();
    }
    EXPECT_EQ(CopyFillFormModel(f.tables(true), f.store).SpeicherIndex(), 5);
    // Without system mode item 5 does not exist: the default.
    CopyFillFormModel plain(f.tables(), f.store);
    EXPECT_EQ(plain.SpeicherIndex(), 2);
    EXPECT_EQ(plain.control("SpeicherGroup").itemIndex, 2);
    plain.SelectSpeicher(5);
    EXPECT_EQ(plain.SpeicherIndex(), 2);
    plain.SelectSpeicher(0);
    plain.Ok();
    EXPECT_EQ(CopyFillFormModel(f.tables(), f.store).SpeicherIndex(), 0);
}

TEST(CopyFillForm, BrowsingFiltersByMemoryAndFollowsTheSymbolsKind) {
    Fixture f;
    ScriptedSymbolPicker picker;
    ScopedSymbolPicker scope(&picker);
    CopyFillFormModel m(f.tables(true), f.store);
    PickedSymbol data;
    data.name = ":MAIN:COUNT";
    data.kind = sspIntData;
    picker.answer(data);
    m.SelectSpeicher(0);
    m.Browse("SucheEnde");
    EXPECT_EQ(m.control("EndAdresse").text, ":MAIN:COUNT");
    EXPECT_EQ(m.SpeicherIndex(), 1);
    m.Browse("SucheStart");  // cancelled: nothing changes
    EXPECT_EQ(m.control("StartAdresse").text, "");
    m.SelectSpeicher(3);
    m.Browse("SucheZiel");
    ASSERT_EQ(picker.requests().size(), 3u);
    EXPECT_EQ(picker.requests()[0].klassen, klasse::Program | klasse::Modul);
    EXPECT_EQ(picker.requests()[0].acceptCaption, "Accept");
    EXPECT_EQ(picker.requests()[1].klassen, klasse::IntData);
    EXPECT_FALSE(picker.requests()[2].klassen);
}

}  // namespace
}  // namespace tarvex::ui
