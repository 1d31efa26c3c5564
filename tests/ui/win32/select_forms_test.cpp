// The basic break and map dialogs on Windows over an offline table of the
// simulated board: what the user sets reaches the table, the lists follow,
// the event field keeps its history. Each is rendered into ui-shots/.
#include <gtest/gtest.h>

#include "emulator/debug/kdo_select_table.hpp"
#include "tests/support/fake_trace.hpp"
#include "tests/support/target/offline_select.hpp"
#include "tests/ui/win32/win32_test_support.hpp"
#include "ui/win32/driver/select_win32.hpp"
#include "ui/win32/form_shot.hpp"

namespace tarvex::ui::win32 {
namespace {

using OfflineRig = tarvex::test::OfflineSelectTarget;

// The help viewer, recording what the forms ask of it.
struct ScopedHelp {
    platform::RecordingHelpViewer viewer;
    platform::HelpViewer* saved = platform::currentUi().help;
    ScopedHelp() { platform::currentUi().help = &viewer; }
    ~ScopedHelp() { platform::currentUi().help = saved; }
};

bool checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void clickLabel(HWND label) {
    SendMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    pumpMessages();
}

int selected(HWND list) { return static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)); }

// A label's middle against its row's middle in the list beside it.
int offRow(const Win32Form& form, const std::string& label, const std::string& list, int row) {
    RECT item{}, place{};
    SendMessageA(form.control(list), LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    MapWindowPoints(form.control(list), form.handle(), reinterpret_cast<POINT*>(&item), 2);
    GetWindowRect(form.control(label), &place);
    MapWindowPoints(nullptr, form.handle(), reinterpret_cast<POINT*>(&place), 2);
    return (place.top + place.bottom) - (item.top + item.bottom);
}

// The view's form placed as the driver places it, on screen.
Win32Form& shown(SelectWin32& view, const DialogModel& model) {
    Win32Form& form = view.form();
    placeDialog(form, model);
    form.show();
    pumpMessages();
    return form;
}

TEST(SelectWin32, BasicBreakSetClickAndCycle) {
    OfflineRig r;
    BasicBreakFormModel model(r.store);
    model.SetSettings(r.offline.get());
    {
        SelectWin32 view(model, r.store, nullptr);
        Win32Form& form = shown(view, model);
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
    Win32Form& form = shown(view, model);
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

TEST(SelectWin32, BreakChannelsModesAndCounters) {
    OfflineRig r;
    r.store.writeString(kDriverKey, "BreakFormZaehler", "History0", "7");
    tarvex::test::FakeTraceControl trace;
    ScopedHelp help;
    BreakFormModel model(r.store, &trace);
    model.SetSettings(r.offline.get());
    {
        SelectWin32 view(model, r.store, nullptr);
        Win32Form& form = shown(view, model);
        EXPECT_EQ(test::textOf(form.handle()), "Break settings");
        const char* const labels[] = {"Break1Label", "Clear1Label", "Break2Label", "Clear2Label"};
        for (int row = 0; row < 4; ++row) EXPECT_EQ(offRow(form, labels[row], "EventListBox", row), 0) << labels[row];
        EXPECT_EQ(offRow(form, "TriggerCLabel", "EventListBox", 3), 0);
        // The counter shows the value in force; its history only offers.
        EXPECT_EQ(test::textOf(form.control("Zaehler")), "1");
        EXPECT_EQ(SendMessageA(form.control("Zaehler"), CB_GETCOUNT, 0, 0), 1);
        test::typeText(form.control("Event"), "1000 10FF");
        test::click(form.control("EnterAdresse"));
        EXPECT_EQ(GetParent(GetFocus()), form.control("Event"));
        test::click(form.item("CycleGroup", 0));
        EXPECT_EQ(test::listItems(form.control("EventListBox"))[0], "(1000 - 10FF) * OPCODE");
        clickLabel(form.control("Clear1Label"));
        EXPECT_EQ(model.Channel(), 1);
        EXPECT_EQ(selected(form.control("EventListBox")), 1);
        clickLabel(form.control("Break1Label"));
        // A counter is applied when the field is left; a refused one comes
        // back with the focus.
        test::typeText(form.control("Zaehler"), "0");
        test::focus(form.control("Event"));
        ASSERT_EQ(r.boxes.shown().size(), 1u);
        EXPECT_EQ(r.boxes.shown().back().text, "Value in Break counter not valid");
        EXPECT_EQ(test::textOf(form.control("Zaehler")), "1");
        EXPECT_EQ(GetParent(GetFocus()), form.control("Zaehler"));
        test::typeText(form.control("Zaehler"), "3");
        test::focus(form.control("Event"));
        EXPECT_EQ(test::listItems(form.control("EventListBox"))[0], "(1000 - 10FF) * OPCODE Count=3");
        EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
        saveShot(form, "TFormVok4Break");

        test::click(form.item("OptionsGroup", 7));
        EXPECT_TRUE(IsWindowEnabled(form.control("Probes")));
        EXPECT_FALSE(IsWindowEnabled(form.control("TraceCount")));
        // The input box goes grey with all it holds.
        EXPECT_FALSE(IsWindowEnabled(form.control("Event")));
        EXPECT_FALSE(IsWindowEnabled(form.item("CycleGroup", 1)));
        saveShot(form, "TFormVok4Break-logicprobes");
        test::click(form.item("OptionsGroup", 8));
        test::typeText(form.control("TraceCount"), "40000");
        test::focus(form.control("DefaultButton"));
        EXPECT_EQ(r.boxes.shown().back().text, "Value in Trace counter not valid");
        EXPECT_EQ(test::textOf(form.control("TraceCount")), r.offline->GetOverflowText());
        // OK applies what was typed: refused, the dialog stays.
        test::typeText(form.control("TraceCount"), "40000");
        test::pressKey(VK_RETURN);
        EXPECT_FALSE(form.ended());
        test::typeText(form.control("TraceCount"), "2000");
        test::click(form.control("CheckBreakDelay"));
        EXPECT_EQ(GetParent(GetFocus()), form.control("BreakDelayCount"));
        test::typeText(form.control("BreakDelayCount"), "16777216");
        test::pressKey(VK_RETURN);
        EXPECT_FALSE(form.ended());
        EXPECT_EQ(r.boxes.shown().back().text, "Value in Trace after counter not valid");
        // Refused, the counter in force is none again: the box is unticked.
        EXPECT_FALSE(checked(form.control("CheckBreakDelay")));
        test::click(form.control("CheckBreakDelay"));
        test::typeText(form.control("BreakDelayCount"), "500");
        test::click(form.control("Hilfe"));
        EXPECT_EQ(help.viewer.calls(), (std::vector<std::pair<unsigned, unsigned>>{{1, 505}}));
        test::focus(form.control("BreakDelayCount"));
        test::pressKey(VK_RETURN);
        EXPECT_EQ(form.result(), IDOK);
    }
    EXPECT_EQ(r.offline->GetOverflowText(), "2000");
    EXPECT_EQ(r.offline->GetTriggerCounter(), 500u);
    EXPECT_EQ(r.offline->GetSelectValue(10), 3);
    EXPECT_EQ(r.store.readString(kDriverKey, "BreakFormTraceCount", "History0", ""), "2000");
    EXPECT_EQ(r.store.readString(kDriverKey, "BreakFormZaehler", "History0", ""), "3");
    EXPECT_EQ(r.store.readString(kDriverKey, "BreakFormZaehler", "History1", ""), "7");
    EXPECT_EQ(r.store.readInteger(kDriverKey, "BreakForm", "EventTypIndex", -1), 0);
    EXPECT_NE(model.GetKommandos(), nullptr);
    EXPECT_TRUE(r.log().empty());
}

TEST(SelectWin32, TraceSettingsTriggersFiltersAndOptions) {
    OfflineRig r;
    ScopedHelp help;
    TraceSettingsFormModel model(r.store);
    model.SetSettings(r.offline.get());
    {
        SelectWin32 view(model, r.store, nullptr);
        Win32Form& form = shown(view, model);
        EXPECT_EQ(test::textOf(form.handle()), "Trace settings");
        for (int row = 0; row < 3; ++row) {
            const std::string filter = "Trace" + std::to_string(row + 1) + "Label";
            const std::string trigger = std::string("Trigger") + static_cast<char>('A' + row) + "Label";
            EXPECT_EQ(offRow(form, filter, "EventListBox", row), 0) << filter;
            EXPECT_EQ(offRow(form, trigger, "TriggerListBox", row), 0) << trigger;
        }
        EXPECT_FALSE(IsWindowEnabled(form.item("CycleGroup", 0)));
        clickLabel(form.control("Trace2Label"));
        EXPECT_EQ(model.Filter(), 1);
        test::click(form.item("CycleGroup", 2));
        EXPECT_EQ(r.offline->GetSelectMode(15), select_mode::Write);
        EXPECT_FALSE(IsWindowEnabled(form.item("ProgramOptionGroup", 0)));
        // A click on the filter's whole range brings it to the input.
        SendMessageA(form.control("AdressenListBox"), LB_SETCURSEL, 0, 0);
        SendMessageA(form.handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form.control("AdressenListBox")), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(form.control("AdressenListBox")));
        EXPECT_EQ(test::textOf(form.control("Event")), "0000 - FFFF");
        test::click(form.control("DeleteAdresse"));
        test::typeText(form.control("Event"), "2000 20FF");
        test::click(form.control("EnterAdresse"));
        EXPECT_EQ(test::listItems(form.control("AdressenListBox")), std::vector<std::string>{"2000 - 20FF"});
        EXPECT_EQ(test::listItems(form.control("EventListBox"))[1], "(2000 - 20FF) * WRITE");
        test::click(form.control("StopTriggerB"));
        test::click(form.control("StartTriggerB"));
        EXPECT_TRUE(checked(form.control("StartTriggerB")));
        EXPECT_TRUE(checked(form.control("StopTriggerDefault")));
        test::click(form.control("TriggerBC"));
        EXPECT_FALSE(IsWindowEnabled(form.control("StartTriggerA")));
        EXPECT_TRUE(IsWindowEnabled(form.control("StartTriggerC")));
        test::click(form.item("TimeBaseGroup", 1));
        EXPECT_EQ(r.offline->GetTimeBase(), 1);
        test::click(form.control("CheckBoxFilterType"));
        EXPECT_TRUE(r.offline->FilterSwitch());
        EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
        saveShot(form, "TFormVok4Trace");
        EXPECT_TRUE(r.log().empty());
        test::pressKey(VK_F1);
        test::click(form.control("HilfeButton"));
        EXPECT_EQ(help.viewer.calls(), (std::vector<std::pair<unsigned, unsigned>>{{1, 605}, {1, 605}}));
        test::click(form.control("OkButton"));
        EXPECT_EQ(form.result(), IDOK);
    }
    EXPECT_EQ(r.store.readInteger(kDriverKey, "TraceForm", "EventTypIndex", -1), 1);
    EXPECT_NE(model.GetKommandos(), nullptr);
}

}  // namespace
}  // namespace tarvex::ui::win32
