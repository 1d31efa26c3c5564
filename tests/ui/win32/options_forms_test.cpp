// The options dialog and its LPC page on Windows: the six pages over their
// models on a recording target, driven through the system's messages (the
// checks when a field is left, a page change refused, OK, Cancel, Help), and
// what OK writes compared with the model's apply. Each page is rendered into
// ui-shots/.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "host/agdi_object.hpp"
#include "host/options.hpp"
#include "tests/support/host/sim_host.hpp"
#include "tests/ui/win32/win32_test_support.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/driver/lpc_config_win32.hpp"
#include "ui/win32/driver/options_win32.hpp"
#include "ui/win32/driver/win32_driver_windows.hpp"
#include "ui/win32/form_shot.hpp"

namespace tarvex::ui::win32 {
namespace {

RecordingOptionsTarget usbTarget() {
    RecordingOptionsTarget t;
    auto& s = t.snapshot;
    s.targetName = "P89C51";
    s.podKennung = 14;
    s.firmwareCode = 21;
    s.firmwareText = "V5.21";
    s.deviceNumber = "1234-56";
    s.portName = "USB";
    s.usbSerial = "TX0002";
    s.bankingVersion = 3;
    s.bankingMode = 7;  // 256k / 64k in 32k banks
    s.resetBank = 2;
    s.sfrPort = "P1";
    s.xdataPort = "8000";
    s.areaStart = 0x8000;
    s.waitTimeReset = 25;
    s.clockNames = {"  1,8432", "  3,6864", " 11,0592", " 22,1184"};
    s.internalClock = 2;
    t.boards = {"TX0001", "TX0002"};
    t.manufacturerOfProcessor = {{"P89C51", "Philips"}, {"LPC932", "Philips"}, {"80C51", "Intel"},
                                 {"DS80C390", "Dallas"}};
    t.entries = {{"P89C51", {5, 2}}, {"LPC932", {9, 3}}, {"80C51", {2, 0}}, {"DS80C390", {10, 0}}};
    return t;
}

struct Shown {
    RecordingOptionsTarget t = usbTarget();
    platform::MemorySettingsStore store;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    OptionsFormModel model{t, store};
    std::unique_ptr<OptionsWin32> view;
    Shown() {
        model.fill();
        view = std::make_unique<OptionsWin32>(model, store, nullptr);
        placeDialog(view->form(), model);
        view->form().show();
        pumpMessages();
    }
    HWND control(const char* name) const {
        HWND w = view->control(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    HWND tabs() const { return view->form().control("PageControl"); }
    int page() const { return view->form().chosenPage("PageControl"); }
    // A click on a tab, as the mouse gives it.
    void clickTab(int index) const {
        RECT r{};
        SendMessageA(tabs(), TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(tabs(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(tabs(), WM_LBUTTONUP, 0, at);
        pumpMessages();
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& b : boxes.shown()) out.push_back(b.text);
        return out;
    }
};

TEST(OptionsWin32, SixPagesShowTheComponentsAndHelpFollowsThePage) {
    Shown s;
    platform::RecordingHelpViewer viewer;
    auto& ui = platform::currentUi();
    auto* savedHelp = ui.help;
    ui.help = &viewer;
    auto& form = s.view->form();
    EXPECT_EQ(test::textOf(form.handle()), "Options");
    EXPECT_EQ(test::textOf(s.control("VersionLabel")), "7.3.80");
    EXPECT_FALSE(IsWindowVisible(s.control("LoadButton")));
    const char* shots[] = {"Preferences", "Interface", "Processor", "Hardware", "Banking", "Watchdog"};
    for (int i = 0; i < kOptionsPageCount; ++i) {
        s.clickTab(i);
        EXPECT_EQ(s.page(), i);
        EXPECT_EQ(s.model.activePage(), i);
        char text[64] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(s.tabs(), TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(text, shots[i]);
        for (int p = 0; p < kOptionsPageCount; ++p)
            EXPECT_EQ(IsWindowVisible(s.view->page(static_cast<OptionsPage>(p)).handle()) != 0, p == i);
        test::pressKey(VK_F1);
        EXPECT_EQ(clippedControls(form), std::vector<std::string>{}) << shots[i];
        saveShot(form, std::string("TFormOptions-") + shots[i]);
    }
    ASSERT_EQ(viewer.calls().size(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(viewer.calls()[static_cast<std::size_t>(i)].second, i == 4 ? 910u : 905u);
    test::click(s.control("HelpButton"));
    EXPECT_EQ(viewer.calls().back(), (std::pair<unsigned, unsigned>{1, 905}));
    ui.help = savedHelp;

    EXPECT_EQ(test::listItems(s.control("UsbList")), (std::vector<std::string>{"TX0001", "TX0002"}));
    EXPECT_EQ(SendMessageA(s.control("UsbList"), LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(test::textOf(s.control("ResetBank")), "2");
    EXPECT_TRUE(IsWindowEnabled(s.control("EditA15")));
    EXPECT_FALSE(IsWindowEnabled(s.control("EditA14")));
    EXPECT_FALSE(IsWindowEnabled(s.control("LabelA14")));  // a label follows its edit
    EXPECT_EQ(test::textOf(s.control("ResetTimeout")), "2,5");
    EXPECT_EQ(test::textOf(s.control("ClockCombo")), " 11,0592");
    // 32k banks: the banked area is shown, not edited.
    EXPECT_TRUE(GetWindowLongPtrA(s.control("BankStart"), GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongPtrA(s.control("BankEnd"), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(test::textOf(s.control("BankStart")), "8000");
    EXPECT_EQ(test::listItems(s.control("WatchdogList")).size(), 1u);
    // USB: the port controls are off, the port group untitled.
    EXPECT_FALSE(IsWindowEnabled(s.control("PortName")));
    EXPECT_FALSE(IsWindowEnabled(s.control("PortNameLabel")));
    EXPECT_EQ(test::textOf(s.control("PortGroup")), "");
    // TARVEX-6 renames the direct plug; the third POD is not offered.
    s.clickTab(3);
    auto& hardware = s.view->page(OptionsPage::Hardware);
    test::click(hardware.item("EmulatorTypeGroup", 2));
    EXPECT_EQ(test::textOf(hardware.item("PodGroup", 3)), "Processor adapter");
    EXPECT_FALSE(IsWindowVisible(hardware.item("PodGroup", 2)));
    EXPECT_TRUE(IsWindowVisible(s.control("ConnectorGroup")));
    EXPECT_EQ(test::textOf(s.control("OkButton")), "Ok");

    // "Ok" stores the page and applies what the model holds.
    test::click(s.control("OkButton"));
    EXPECT_TRUE(s.view->form().ended());
    EXPECT_EQ(s.view->form().result(), IDOK);
    EXPECT_EQ(s.store.readInteger(kDriverKey, "FormOptions", "Active", -1), 3);
    EXPECT_EQ(s.t.writesOf("Generation"), std::vector<std::string>{"2"});
    EXPECT_EQ(s.t.writesOf("UsbSerial"), std::vector<std::string>{"TX0002"});
    EXPECT_EQ(s.t.writesOf("WaitTimeReset"), std::vector<std::string>{"25"});
    ASSERT_TRUE(s.view->applied());
    EXPECT_TRUE(s.view->applied()->failures.empty());
    EXPECT_EQ(s.texts(), std::vector<std::string>{});
}

TEST(OptionsWin32, TypedFieldsAreCheckedWhenLeftButNeverOnTheWayToCancel) {
    Shown s;
    s.clickTab(1);
    // A field typed and left: the box, and the focus stays.
    test::typeText(s.control("TimeoutInit"), "4x");
    test::pressKey(VK_TAB);
    ASSERT_EQ(s.boxes.shown().size(), 1u);
    EXPECT_EQ(GetFocus(), s.control("TimeoutInit"));
    // A page change away from it is refused.
    s.clickTab(4);
    EXPECT_EQ(s.page(), 1);
    EXPECT_EQ(s.model.activePage(), 1);
    EXPECT_EQ(GetFocus(), s.control("TimeoutInit"));
    test::typeText(s.control("TimeoutInit"), "3000");
    test::pressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), s.control("TimeoutReadWrite"));
    EXPECT_EQ(s.model.okCaption(), "Accept");  // a valid change
    s.clickTab(4);
    EXPECT_EQ(s.page(), 4);
    // Two equal bit positions: OK shows the page and the first of the pair.
    test::typeText(s.control("EditA16"), "0");
    test::typeText(s.control("EditA17"), "0");
    s.clickTab(0);
    s.boxes.clear();
    test::click(s.control("OkButton"));
    EXPECT_FALSE(s.view->form().ended());
    EXPECT_EQ(s.texts(), std::vector<std::string>{"Bit positions must be different"});
    EXPECT_EQ(s.page(), 4);
    EXPECT_EQ(GetFocus(), s.control("EditA16"));
    test::typeText(s.control("EditA17"), "1");

    // The extern bank number is only marked while typed: OK waits for it.
    s.boxes.clear();
    s.model.chooseManufacturer(0);  // " All "
    const auto& cpus = s.model.processor.control("ProcessorList").items;
    s.model.chooseProcessor(static_cast<int>(std::find(cpus.begin(), cpus.end(), "DS80C390") - cpus.begin()));
    test::click(s.control("CodeDallas"));
    ASSERT_TRUE(IsWindowEnabled(s.control("ExternBankNumber")));
    test::typeText(s.control("ExternBankNumber"), "G");
    EXPECT_EQ(s.texts(), std::vector<std::string>{});
    EXPECT_FALSE(IsWindowEnabled(s.control("OkButton")));
    test::typeText(s.control("ExternBankNumber"), "61");
    EXPECT_TRUE(IsWindowEnabled(s.control("OkButton")));

    // An invalid Xdata left for Cancel: no box, and Cancel closes.
    s.model.chooseProcessor(static_cast<int>(std::find(cpus.begin(), cpus.end(), "P89C51") - cpus.begin()));
    test::click(s.view->page(OptionsPage::Banking).item("SwitchViaGroup", 1));
    test::typeText(s.control("XdataPort"), "XYZ");
    EXPECT_EQ(s.model.banking.control("XdataPort").text, "XYZ");
    test::click(s.control("CancelButton"));
    EXPECT_EQ(s.texts(), std::vector<std::string>{});
    EXPECT_TRUE(s.view->form().ended());
    EXPECT_EQ(s.view->form().result(), IDCANCEL);
    EXPECT_TRUE(s.t.writes.empty());
}

TEST(OptionsWin32, EnterChecksTheFocusedFieldThenAppliesTheTypedValues) {
    Shown s;
    s.clickTab(0);
    test::click(s.control("BootLoaderCheck"));
    ASSERT_TRUE(IsWindowEnabled(s.control("BootAddress")));
    test::typeText(s.control("BootFileName"), "boot.bin");
    test::typeText(s.control("BootAddress"), "XYZ");
    test::pressKey(VK_RETURN);
    EXPECT_FALSE(s.view->form().ended());
    ASSERT_EQ(s.boxes.shown().size(), 1u);
    EXPECT_EQ(GetFocus(), GetWindow(s.control("BootAddress"), GW_CHILD));
    test::typeText(s.control("BootAddress"), "$8000");
    s.clickTab(2);
    test::typeText(s.control("ResetTimeout"), "1,5");
    test::pressKey(VK_RETURN);
    EXPECT_TRUE(s.view->form().ended());
    EXPECT_EQ(s.t.writesOf("BootLoader"), std::vector<std::string>{"boot.bin,32768"});
    EXPECT_EQ(s.t.writesOf("WaitTimeReset"), std::vector<std::string>{"15"});
    // The boot loader's fields keep their histories.
    EXPECT_EQ(s.store.readString(kDriverKey, "FormOptionsBootLoaderName", "History0", ""), "boot.bin");
    EXPECT_EQ(s.store.readString(kDriverKey, "FormOptionsBootLoaderAddress", "History0", ""), "$8000");
}

// A fresh dialog offers "default" as the load address: ticked, browsed and
// OK, it closes and keeps the stored address.
TEST(OptionsWin32, ABootLoaderBrowsedOnAFreshDialogTakesTheDefaultAddress) {
    Shown s;
    platform::ScriptedFileDialog files;
    auto& ui = platform::currentUi();
    auto* savedFiles = ui.files;
    ui.files = &files;
    files.answer(platform::FileChoice{"C:\\boot\\loader.bin", 1});
    s.clickTab(0);
    EXPECT_EQ(test::textOf(s.control("BootAddress")), "default");
    test::click(s.control("BootLoaderCheck"));
    test::click(s.control("BrowseButton"));
    ui.files = savedFiles;
    ASSERT_EQ(files.requests().size(), 1u);
    EXPECT_EQ(files.requests()[0].filter, "Binary files (*.bin)|*.bin");
    EXPECT_EQ(test::textOf(s.control("BootFileName")), "C:\\boot\\loader.bin");
    test::click(s.control("OkButton"));
    EXPECT_EQ(s.texts(), std::vector<std::string>{});
    EXPECT_TRUE(s.view->form().ended());
    EXPECT_EQ(s.t.writesOf("BootLoaderLoad"), std::vector<std::string>{"1"});
    EXPECT_EQ(s.t.writesOf("BootLoader"), std::vector<std::string>{"C:\\boot\\loader.bin,0"});
}

TEST(LpcConfigWin32, ConfigureOpensTheTwoPagesAndOkTakesTheBytes) {
    Shown s;
    s.clickTab(2);
    const auto& cpus = s.model.processor.control("ProcessorList").items;
    const auto lpc = std::find(cpus.begin(), cpus.end(), "LPC932");
    ASSERT_NE(lpc, cpus.end());
    SendMessageA(s.control("ProcessorList"), LB_SETCURSEL, static_cast<WPARAM>(lpc - cpus.begin()), 0);
    SendMessageA(s.view->page(OptionsPage::Processor).handle(), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(s.control("ProcessorList")), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(s.control("ProcessorList")));
    ASSERT_TRUE(IsWindowVisible(s.control("ConfigureButton")));
    std::vector<std::string> faults;
    std::string caption;
    test::Later answer([&] {
        Win32Form* form = Win32Form::of(GetForegroundWindow());
        if (!form) form = Win32Form::of(GetFocus());
        if (!form) return;
        caption = test::textOf(form->handle());
        Win32Form* ucfg = form->page("PageControl", 0);
        Win32Form* part = form->page("PageControl", 1);
        if (!ucfg || !part) return;
        faults = clippedControls(*form);
        saveShot(*form, "TFormLPCConfig-UCFG1");
        test::click(ucfg->item("FrequencyGroup", 1));  // medium frequency crystal
        test::click(ucfg->control("WatchDogCheck"));   // bit 7
        form->choosePage("PageControl", 1);
        pumpMessages();
        for (auto& f : clippedControls(*form)) faults.push_back(f);
        saveShot(*form, "TFormLPCConfig-Part");
        test::click(part->item("MemoryGroup", 2));
        test::click(part->control("ComparatorsCheck"));  // bit 2
        test::click(form->control("OkButton"));
    });
    test::click(s.control("ConfigureButton"));
    EXPECT_EQ(caption, "Configure LPC cpu");
    EXPECT_EQ(faults, std::vector<std::string>{});
    // From the options' bytes, both 0.
    EXPECT_EQ(s.model.lpcUcfg1(), 0x81);
    EXPECT_EQ(s.model.lpcPartConfig(), 0xE6);
    test::click(s.control("OkButton"));
    EXPECT_EQ(s.t.writesOf("LpcConfig"), std::vector<std::string>{"129,230"});
}

TEST(LpcConfigWin32, CancelLeavesTheBytesAndOtherProcessorsOpenNothing) {
    platform::MemorySettingsStore store;
    std::uint8_t ucfg1 = 0x12, part = 0x34;
    EXPECT_FALSE(openLpcConfigWin32(5, ucfg1, part, nullptr, store));
    test::Later answer([] {
        if (Win32Form* form = Win32Form::of(GetFocus())) {
            test::click(form->page("PageControl", 0)->item("FrequencyGroup", 0));
            test::pressKey(VK_ESCAPE);
        }
    });
    EXPECT_FALSE(openLpcConfigWin32(kLpcOptionNumber, ucfg1, part, nullptr, store));
    EXPECT_EQ(ucfg1, 0x12);
    EXPECT_EQ(part, 0x34);
}

TEST(Win32DriverWindows, OptionsDialogOpensOnTheHostObject) {
    tarvex::test::SimHost h;
    h.open(h.environment());
    Win32DriverWindows windows(h.settings);
    EXPECT_FALSE(windows.OptionsDialog());  // not attached: as without windows
    windows.attach(h.object.get());
    std::string caption;
    test::Later cancel([&] {
        if (Win32Form* form = Win32Form::of(GetFocus())) {
            caption = test::textOf(form->handle());
            test::click(form->control("CancelButton"));
        }
    });
    EXPECT_FALSE(windows.OptionsDialog());
    EXPECT_EQ(caption, "Options");
    h.object->Options().SetOptionFileName(h.root.file("q.bopt"));
    test::Later ok([&] {
        if (Win32Form* form = Win32Form::of(GetFocus())) test::click(form->control("OkButton"));
    });
    EXPECT_TRUE(windows.OptionsDialog());
    windows.attach(nullptr);
}

}  // namespace
}  // namespace tarvex::ui::win32
