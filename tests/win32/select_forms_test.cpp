// The basic break and map dialogs on Windows over an offline table of the
// simulated board: what the user sets reaches the table, the lists follow,
// the event field keeps its history. Each is rendered into ui-shots/.
#include <gtest/gtest.h>

#include "emulator/kdo_select_table.hpp"
#include "tests/support/target/sim_target.hpp"
#include "tests/win32/win32_test_support.hpp"
#include "ui/win32/driver/select_win32.hpp"
#include "ui/win32/form_shot.hpp"

namespace tarvex::ui::win32 {
namespace {

struct OfflineRig : tarvex::test::SimTarget {
    platform::MemorySettingsStore store;
    std::unique_ptr<TKdoSelectTabelle> offline;
    OfflineRig() {
        start();
        TSelectTabelle live(wiring());
        live.InitEmulStart();
        offline = std::make_unique<TKdoSelectTabelle>(wiring());
        offline->CopyFrom(live);
        fresh();
    }
    TSelectWiring wiring() { return TSelectWiring{*emu, *banking, *spaces, options, notifier}; }
};

bool checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

TEST(SelectWin32, BasicBreakSetClickAndCycle) {
    OfflineRig r;
    BasicBreakFormModel model(r.store);
    model.SetSettings(r.offline.get());
    {
        SelectWin32 view(model, r.store, nullptr);
        auto& form = view.form();
        placeDialog(form, model);
        form.show();
        pumpMessages();
        EXPECT_EQ(test::textOf(form.handle()), "Break settings");
        test::typeText(form.control("Event"), "1000 10FF");
        test::click(form.control("EnterButton"));
        EXPECT_EQ(test::listItems(form.control("ProgramListBox")).size(), 1u);
        EXPECT_EQ(test::textOf(form.control("Event")), "");
        EXPECT_EQ(GetParent(GetFocus()), form.control("Event"));  // the combo box's edit
        test::click(form.item("MemoryGroup", 1));
        test::typeText(form.control("Event"), "8000 80FF");
        test::click(form.control("EnterButton"));
        test::click(form.item("ExtDataCycleGroup", 2));
        EXPECT_EQ(r.offline->GetSelectMode(12), select_mode::ReadWrite);
        test::click(form.item("MemoryGroup", 0));
        const auto ext = test::listItems(form.control("ExtDataListBox"));
        ASSERT_EQ(ext.size(), 1u);
        // A click on the line: its memory and its text come back to the input.
        SendMessageA(form.control("ExtDataListBox"), LB_SETCURSEL, 0, 0);
        SendMessageA(form.handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form.control("ExtDataListBox")), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(form.control("ExtDataListBox")));
        EXPECT_TRUE(checked(form.item("MemoryGroup", 1)));
        EXPECT_EQ(test::textOf(form.control("Event")), ext[0]);
        EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
        saveShot(form, "TFormVok4BasicBreak");
        EXPECT_TRUE(r.log().empty());
        test::pressKey(VK_ESCAPE);
        EXPECT_EQ(form.result(), IDCANCEL);
    }
    EXPECT_EQ(r.store.readString(kDriverKey, "BreakFormEvent", "History0", ""), "8000 - 80FF");
}

TEST(SelectWin32, MapSetAndDefaults) {
    OfflineRig r;
    r.options.pod = 3;  // a pod that maps external data
    MapFormModel model(r.store);
    model.SetSettings(r.offline.get());
    SelectWin32 view(model, r.store, nullptr);
    auto& form = view.form();
    placeDialog(form, model);
    form.show();
    pumpMessages();
    EXPECT_EQ(test::textOf(form.handle()), "Mapping");
    EXPECT_FALSE(IsWindowVisible(form.control("LabelExtData")));
    test::typeText(form.control("AdrName"), "4000 40FF");
    test::click(form.control("DeleteProgram"));
    test::typeText(form.control("AdrName"), "8000 80FF");
    test::click(form.control("EnterExtData"));
    EXPECT_EQ(test::listItems(form.control("ExtDataListBox")).size(), 1u);
    EXPECT_EQ(test::listItems(form.control("ProgramListBox")).size(), 2u);
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormMap");
    test::click(form.control("DefaultButton"));
    EXPECT_EQ(test::listItems(form.control("ExtDataListBox")).size(), 0u);
    EXPECT_TRUE(r.log().empty());
    test::click(form.control("OkButton"));
    EXPECT_EQ(form.result(), IDOK);
    EXPECT_NE(model.GetKommandos(), nullptr);
}

}  // namespace
}  // namespace tarvex::ui::win32
