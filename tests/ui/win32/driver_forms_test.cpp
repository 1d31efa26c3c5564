// The driver's forms on Windows: each opened over its model, driven through
// the system's messages, and what the closed form hands back compared with
// the model's. Each is rendered into ui-shots/.
#include <gtest/gtest.h>

#include "core/symbol_table.hpp"
#include "tests/ui/win32/win32_test_support.hpp"
#include "ui/win32/driver/copy_fill_win32.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/driver/maintenance_win32.hpp"
#include "ui/win32/driver/save_memory_win32.hpp"
#include "ui/win32/form_shot.hpp"

namespace tarvex::ui::win32 {
namespace {

bool checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

TEST(CopyFillWin32, ThreeTasksAndTheCommandAfterOk) {
    TSymboltabelle symbols;
    platform::MemorySettingsStore store;
    store.writeString(kDriverKey, "CopyFillFormData", "History0", "FF");
    store.writeString(kDriverKey, "CopyFillFormAdresse1", "History0", "0800");
    DialogTables tables;
    tables.symbols = &symbols;
    tables.systemMode = true;
    CopyFillFormModel model(tables, store);
    CopyFillWin32 view(model, store, nullptr);
    auto& form = view.form();
    placeDialog(form, model);
    form.show();
    pumpMessages();
    EXPECT_EQ(test::textOf(form.handle()), "Copy memory range");
    EXPECT_EQ(test::textOf(form.control("NachOderMit")), "&Destination address:");
    EXPECT_EQ(test::textOf(form.item("SpeicherGroup", 6)), "SysSelect ab 5.0");
    EXPECT_TRUE(checked(form.item("SpeicherGroup", 2)));
    // The first field shows its history's newest entry.
    EXPECT_EQ(test::textOf(form.control("StartAdresse")), "0800");
    test::click(form.item("SpeicherGroup", 0));
    EXPECT_EQ(model.SpeicherIndex(), 0);
    test::typeText(form.control("StartAdresse"), "1000");
    test::typeText(form.control("EndAdresse"), "10FF");
    test::typeText(form.control("ZielAdresse"), "2000");
    EXPECT_EQ(model.control("EndAdresse").text, "10FF");
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormCopyFill-copy");

    model.SetAufgabe(cfEpromKopieren);
    EXPECT_EQ(test::textOf(form.handle()), "Copy EPROM");
    EXPECT_FALSE(IsWindowVisible(form.control("ZielAdresse")));
    EXPECT_FALSE(IsWindowVisible(form.item("SpeicherGroup", 0)));
    saveShot(form, "TFormCopyFill-eprom");

    model.SetAufgabe(cfFuellen);
    EXPECT_EQ(test::textOf(form.handle()), "Initialize memory range");
    EXPECT_EQ(test::textOf(form.control("NachOderMit")), "Data:");
    EXPECT_EQ(test::textOf(form.control("ZielAdresse")), "FF");  // the fill history, not the destination
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormCopyFill-fill");
    // Enter in a field is OK: the histories take the fields' texts.
    test::focus(form.control("EndAdresse"));
    test::pressKey(VK_RETURN);
    EXPECT_TRUE(form.ended());
    EXPECT_EQ(form.result(), IDOK);
    EXPECT_EQ(store.readString(kDriverKey, "CopyFillFormAdresse1", "History0", ""), "1000");
    EXPECT_EQ(store.readString(kDriverKey, "CopyFillFormAdresse1", "History1", ""), "0800");
    EXPECT_EQ(store.readInteger(kDriverKey, "CopyFillForm", "SpeicherIndex", -1), 0);

    TKommandoStruktur c;
    model.Ausfuehren(c);
    EXPECT_EQ(c.code, cmd::Initialize);
    EXPECT_EQ(c.value, 0xFF);
    EXPECT_EQ(c.start.offset, 0x1000u);
    EXPECT_EQ(c.end.offset, 0x10FFu);
}

TEST(CopyFillWin32, CancelLeavesTheHistoriesAndKeepsThePlace) {
    DialogTables tables;
    platform::MemorySettingsStore store;
    CopyFillFormModel model(tables, store);
    int result = 0;
    {
        CopyFillWin32 view(model, store, nullptr);
        test::Later answer([&] {
            test::typeText(view.form().control("StartAdresse"), "1234");
            test::pressKey(VK_ESCAPE);
        });
        result = runDialog(view.form(), model);
    }
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(store.readString(kDriverKey, "CopyFillFormAdresse1", "History0", "none"), "none");
    EXPECT_TRUE(store.valueExists(kDriverKey, "CopyFillForm", "Left"));
}

TEST(SaveMemoryWin32, FormatAndMemoryButtons) {
    TSymboltabelle symbols;
    platform::MemorySettingsStore store;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes);
    DialogTables tables;
    tables.symbols = &symbols;
    SaveMemoryFormModel model(tables, store, "C:\\objects");
    SaveMemoryWin32 view(model, store, nullptr);
    auto& form = view.form();
    placeDialog(form, model);
    form.show();
    pumpMessages();
    EXPECT_EQ(test::textOf(form.handle()), "Save memory range into file");
    EXPECT_FALSE(IsWindowVisible(form.control("RadioSys")));
    EXPECT_EQ(test::textOf(form.control("OkButton")), "Save");
    test::click(form.control("RadioExtData"));
    EXPECT_EQ(model.Speicher(), 2);
    EXPECT_TRUE(checked(form.control("RadioExtData")));
    test::click(form.item("FormatGroup", 3));
    EXPECT_TRUE(checked(form.control("RadioProgram")));
    EXPECT_FALSE(checked(form.control("RadioExtData")));
    EXPECT_FALSE(IsWindowEnabled(form.control("RadioExtData")));
    EXPECT_EQ(boxes.beeps(), 1);
    test::click(form.item("FormatGroup", 1));
    test::typeText(form.control("DateiName"), "image");
    test::typeText(form.control("StartAdresse"), "0");
    test::typeText(form.control("EndAdresse"), "7FFF");
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormSaveFile");
    test::click(form.control("OkButton"));
    EXPECT_EQ(form.result(), IDOK);
    TKommandoStruktur c;
    model.GetKommando(c);
    EXPECT_EQ(c.text1, "image.hex");
    EXPECT_EQ(c.end.offset, 0x7FFF);
    EXPECT_EQ(store.readString(kDriverKey, "FormSaveDateiName", "History0", ""), "image");
}

TEST(GenerationChooserWin32, NoWayOutWithoutAChoice) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes);
    GenerationChooserModel model;
    GenerationChooserWin32 chooser(model, nullptr);
    auto& form = chooser.form();
    form.centre();
    form.show();
    pumpMessages();
    EXPECT_EQ(test::textOf(form.handle()), "Emulator:");
    // The items follow their group in the tab order.
    EXPECT_EQ(GetWindow(form.control("TarvexGroup"), GW_HWNDNEXT), form.item("TarvexGroup", 0));
    EXPECT_EQ(GetWindow(form.handle(), GW_CHILD), form.control("TarvexGroup"));
    // The group has the focus; nothing is chosen.
    EXPECT_EQ(GetFocus(), form.item("TarvexGroup", 0)) << form.nameOf(GetFocus());
    EXPECT_FALSE(checked(form.item("TarvexGroup", 0)));
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormTarvex");
    test::pressKey(VK_ESCAPE);
    test::click(form.control("OkButton"));
    SendMessageA(form.handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(form.ended());
    EXPECT_EQ(boxes.beeps(), 3);
    EXPECT_EQ(GetFocus(), form.item("TarvexGroup", 0));
    test::click(form.item("TarvexGroup", 2));
    EXPECT_EQ(model.chosen(), 2);
    test::pressKey(VK_RETURN);
    EXPECT_TRUE(form.ended());
}

TEST(GenerationChooserWin32, TheEmulatorsQuestionAnswersTheChoice) {
    Win32MaintenanceForms forms([] { return HWND{}; });
    test::Later answer([] {
        Win32Form* form = Win32Form::of(GetFocus());
        if (!form) return;
        test::click(form->item("TarvexGroup", 0));
        test::click(form->control("OkButton"));
    });
    EXPECT_EQ(forms.ChooseGeneration(), 0);
}

}  // namespace
}  // namespace tarvex::ui::win32
