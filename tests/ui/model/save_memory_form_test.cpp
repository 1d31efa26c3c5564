// The save memory dialog: formats against memories, the file dialog, the
// command it fills and shows.
#include "ui/model/save_memory_form.hpp"

#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "core/symbol_table.hpp"
#include "tests/ui/model/dialog_fixture.hpp"
#include "ui/model/symbol_picker.hpp"

namespace tarvex::ui {
namespace {

using Fixture = tarvex::test::RangeFixture;

TEST(SaveMemoryForm, FormatsMemoriesAndTheCommand) {
    Fixture f;
    SaveMemoryFormModel m(f.tables(), f.store, "/objects");
    EXPECT_EQ(m.caption(), "Save memory range into file");
    EXPECT_EQ(m.Format(), 1);
    EXPECT_TRUE(m.control("RadioProgram").checked);
    EXPECT_FALSE(m.control("RadioSys").visible);
    m.SelectMemory("RadioSys");  // hidden: ignored
    EXPECT_EQ(m.Speicher(), 0);
    m.SelectMemory("RadioExtData");
    EXPECT_TRUE(m.control("RadioExtData").checked);
    m.FormatClick(3);
    EXPECT_EQ(m.Speicher(), 0);
    EXPECT_TRUE(m.control("RadioProgram").checked);
    EXPECT_FALSE(m.control("RadioExtData").enabled);
    EXPECT_EQ(f.boxes.beeps(), 1);

    const struct {
        int format;
        const char *start, *end, *file, *path;
        std::uint16_t from, to;
        std::uint8_t fileFormat;
    } rows[] = {
        {1, "1000", "10FF", "out", "out.hex", 0x1000, 0x10FF, fileformat::IntelHex},
        {3, "1000", "10FF", "dir.d/out", "dir.d/out.lst", 0x1000, 0x10FF, fileformat::AssemblerList},
        {0, "", "FF", "out.x", "out.x", 0, 0xFF, fileformat::Binary},
        {2, "1000", "", "a.bin", "a.bin", 0x1000, 0x1000, fileformat::HexDump},  // one byte, not 0..1000
        {4, "FILLER", "", "f", "f.asm", 0x100, 0x11F, fileformat::AssemblerSource},
    };
    for (const auto& r : rows) {
        m.FormatClick(r.format);
        const auto c = test::rangeCommand(m, r.start, r.end, "DateiName", r.file, &SaveMemoryFormModel::GetKommando);
        EXPECT_EQ(c.code, cmd::Save) << r.file;
        EXPECT_EQ(c.text1, r.path);
        EXPECT_EQ(c.start.offset, r.from) << r.file;
        EXPECT_EQ(c.end.offset, r.to) << r.file;
        EXPECT_EQ(c.fileFormat, r.fileFormat);
        EXPECT_EQ(c.memoryKind, memkind::Program);
    }
    EXPECT_THROW(test::rangeCommand(m, "NOSUCH", "", "DateiName", "x", &SaveMemoryFormModel::GetKommando),
                 EVokWinConvertError);
    TKommandoStruktur unchanged;
    EXPECT_THROW(m.GetKommando(unchanged), EVokWinConvertError);  // NOSUCH still in the field
    EXPECT_EQ(unchanged, TKommandoStruktur{});

    TKommandoStruktur shown;
    shown.fileFormat = fileformat::AssemblerList;
    shown.memoryKind = memkind::Program;
    shown.start = UnbankedAdresse(0x200);
    shown.end = UnbankedAdresse(0x2FF);
    shown.text1 = "list.lst";
    shown.flag = true;
    m.SetKommando(shown);
    EXPECT_FALSE(shown.flag);
    EXPECT_EQ(m.control("FormatGroup").itemIndex, 3);
    EXPECT_EQ(m.control("StartAdresse").text, "0200");
    EXPECT_EQ(m.control("EndAdresse").text, "02FF");
    EXPECT_EQ(m.control("DateiName").text, "list.lst");
    m.Ok();
    EXPECT_EQ(f.store.readInteger(kDriverKey, "FormSave", "Format", -1), 3);
}

TEST(SaveMemoryForm, SettingsOutsideTheOfferedItemsGiveTheDefaults) {
    Fixture f;
    f.store.writeInteger(kDriverKey, "FormSave", "Speicher", 3);
    f.store.writeInteger(kDriverKey, "FormSave", "Format", 5);
    SaveMemoryFormModel plain(f.tables(), f.store);
    EXPECT_EQ(plain.Speicher(), 0);
    EXPECT_EQ(plain.Format(), 1);
    f.store.writeInteger(kDriverKey, "FormSave", "Format", 0);
    SaveMemoryFormModel system(f.tables(true), f.store);
    EXPECT_EQ(system.Speicher(), 3);
    EXPECT_TRUE(system.control("RadioSys").checked);
    EXPECT_EQ(test::rangeCommand(system, "0", "FF", "DateiName", "s.bin", &SaveMemoryFormModel::GetKommando).memoryKind,
              memkind::System);
}

TEST(SaveMemoryForm, BrowsingForFileAndSymbol) {
    Fixture f;
    platform::ScriptedFileDialog files;
    auto& ui = platform::currentUi();
    auto* saved = ui.files;
    ui.files = &files;
    SaveMemoryFormModel m(f.tables(), f.store, "/objects");
    files.answer(platform::FileChoice{"/objects/dump", 3});
    m.BrowseFile();
    ui.files = saved;
    ASSERT_EQ(files.requests().size(), 1u);
    EXPECT_EQ(files.requests()[0].title, "Open file");
    EXPECT_EQ(files.requests()[0].filterIndex, 2);
    EXPECT_EQ(files.requests()[0].initialDir, "/objects");
    EXPECT_FALSE(files.requests()[0].mustExist);
    EXPECT_EQ(m.control("DateiName").text, "/objects/dump");
    EXPECT_EQ(m.Format(), 2);

    ScriptedSymbolPicker picker;
    ScopedSymbolPicker scope(&picker);
    PickedSymbol data;
    data.name = ":MAIN:COUNT";
    data.kind = sspIntData;
    picker.answer(data);
    m.BrowseSymbol("SucheStart");  // an internal-data symbol for program memory
    EXPECT_EQ(m.control("StartAdresse").text, "");
    EXPECT_EQ(f.boxes.beeps(), 1);
    m.SelectMemory("RadioIntData");
    picker.answer(data);
    m.BrowseSymbol("SucheEnde");
    EXPECT_EQ(m.control("EndAdresse").text, ":MAIN:COUNT");
    ASSERT_EQ(picker.requests().size(), 2u);
    EXPECT_EQ(picker.requests()[0].klassen, 65);
    EXPECT_EQ(picker.requests()[1].klassen, klasse::IntData);
}

}  // namespace
}  // namespace tarvex::ui
