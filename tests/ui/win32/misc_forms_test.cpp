// The symbol browser and its picker, the maintenance forms, the stop-error
// question and the status line on Windows: each opened over its model,
// driven through the system's messages, compared with the model, and
// rendered into ui-shots/.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <thread>

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "core/line_table.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "host/load/loader_cdb.hpp"
#include "host/status_line.hpp"
#include "tests/support/target/sim_target.hpp"
#include "tests/support/test_support.hpp"
#include "tests/ui/win32/win32_test_support.hpp"
#include "ui/model/save_memory_form.hpp"
#include "ui/win32/driver/maintenance_win32.hpp"
#include "ui/win32/driver/save_memory_win32.hpp"
#include "ui/win32/driver/symbol_browser_win32.hpp"
#include "ui/win32/form_shot.hpp"
#include "ui/win32/status_forms_win32.hpp"
#include "ui/win32/status_line_win32.hpp"
#include "ui/win32/stop_error_win32.hpp"

namespace tarvex::ui::win32 {
namespace {

bool checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

int selectedRow(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::string cellOf(HWND list, int row, int column) {
    char text[256] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

struct Example {
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};
    TRegisterTabelle registers;
    Example() {
        std::ifstream in(tarvex::test::sourceDir() / "examples" / "build" / "types.cdb");
        std::vector<std::string> text;
        for (std::string line; std::getline(in, line);) text.push_back(line);
        TCdbLoader loader(symbols, lines);
        loader.Load(text);
        registers.AddRegister("ACC", "", 0, 0, 0, 0xE0, "");
        registers.AddRegister("B", "", 0, 0, 0, 0xF0, "");
        registers.AddRegister("PSW", "", 0, 0, 0, 0xD0, "");
        registers.AddRegister("DPTR", "DPL", 1, 0, 0x83, 0x82, "DPH");
        registers.AddRegister("CY", "", 2, 0x80, 0, 0xD7, "");
    }
    SymbolBrowserSources sources() { return {&symbols, &lines, &registers, true}; }
};

TEST(SymbolBrowserWin32, ShowsTheLoadedExampleInItsThreeModes) {
    Example ex;
    platform::MemorySettingsStore store;
    store.writeString(kDriverKey, "SymbolFormSymbolName", "History0", "MAIN");
    SymbolBrowserModel model(ex.sources(), store);
    SymbolBrowserWin32 view(model, store, nullptr);
    auto& form = view.form();
    placeDialog(form, model);
    form.show();
    pumpMessages();
    EXPECT_EQ(test::textOf(form.handle()), "Loaded symbols");
    EXPECT_TRUE(checked(form.control("CheckAlle")));
    EXPECT_TRUE(IsWindowVisible(form.control("CheckTypedef")));
    EXPECT_TRUE(checked(form.item("RadioGroupSort", 1)));
    // The names typed before are offered, the field starts empty.
    EXPECT_EQ(test::textOf(form.control("SymbolName")), "");
    EXPECT_EQ(SendMessageA(form.control("SymbolName"), CB_GETCOUNT, 0, 0), 1);
    HWND list = view.list();
    ASSERT_GT(model.EntryCount(), 10);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), model.EntryCount());
    for (int row : {0, model.EntryCount() - 1})
        for (int column = 0; column < SymbolBrowserModel::kSections; ++column)
            EXPECT_EQ(cellOf(list, row, column), model.CellText(row, column));

    // Typing a name searches as it goes.
    test::typeText(form.control("SymbolName"), "tick");
    ASSERT_GE(model.Selected(), 0);
    EXPECT_EQ(model.CellText(model.Selected(), 0), "TICK");
    EXPECT_EQ(selectedRow(list), model.Selected());
    EXPECT_EQ(test::textOf(form.control("Modul")), "TYPES");
    EXPECT_EQ(test::textOf(form.control("Klasse")), model.control("Klasse").text);
    EXPECT_TRUE(IsWindowEnabled(form.control("OkButton")));
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormSymbol");

    // A module chosen in its list unticks "all"; ticked again, all come back.
    HWND modules = form.control("ModuleBox");
    SendMessageA(modules, LB_SETCURSEL, 1, 0);
    SendMessageA(form.handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(modules), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(modules));
    pumpMessages();
    EXPECT_EQ(model.ModuleIndex(), 1);
    EXPECT_FALSE(checked(form.control("CheckAlle")));
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), model.EntryCount());
    test::click(form.control("CheckAlle"));
    EXPECT_EQ(model.ModuleIndex(), 0);
    EXPECT_EQ(model.klassen(), klasse::Alle);
    // A class box leaves its symbols out.
    const int all = model.EntryCount();
    test::click(form.control("CheckProgramm"));
    EXPECT_EQ(model.klassen() & klasse::Program, 0);
    EXPECT_LT(model.EntryCount(), all);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), model.EntryCount());
    test::click(form.item("RadioGroupSort", 2));
    EXPECT_EQ(model.Sortierung(), 2);

    // The keys move the selection in the list: the model follows.
    model.SetZeilenNummern(true);
    pumpMessages();
    // The class boxes go with their group.
    EXPECT_FALSE(IsWindowVisible(form.control("KlassenGroupBox")));
    EXPECT_FALSE(IsWindowVisible(form.control("CheckProgramm")));
    EXPECT_EQ(test::textOf(form.item("RadioGroupSort", 1)), "by Line number");
    test::focus(list);
    test::pressKey(VK_END);
    test::pressKey(VK_HOME);
    EXPECT_EQ(model.Selected(), 0);
    EXPECT_EQ(test::textOf(form.control("SymbolName")), model.CellText(0, 0));
    EXPECT_EQ(test::textOf(form.control("Klasse")), "Line number symbol");
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormSymbol-lines");

    model.SetRegisterAnzeigen(true);
    pumpMessages();
    EXPECT_EQ(test::textOf(form.handle()), "Predefined register symbols");
    EXPECT_FALSE(IsWindowVisible(modules));
    EXPECT_EQ(model.EntryCount(), 7);  // the pair's halves are SFRs of their own
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 7);
    test::focus(list);
    test::pressKey(VK_HOME);
    for (int i = 0; i < 5; ++i) test::pressKey(VK_DOWN);
    EXPECT_EQ(model.Selected(), 5);
    EXPECT_EQ(test::textOf(form.control("SymbolName")), model.CellText(5, 0));
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormSymbol-registers");
}

TEST(Win32SymbolPicker, AcceptsTheChosenEntryAndNothingOnCancel) {
    Example ex;
    platform::MemorySettingsStore store;
    TSymboltabelle none;
    bool empty = false;
    Win32SymbolPicker picker(
        [&] { return empty ? SymbolBrowserSources{&none, nullptr, nullptr, false} : ex.sources(); },
        [] { return HWND{}; }, store);
    ScopedSymbolPicker scope(&picker);
    {
        test::Later answer([] {
            Win32Form* form = Win32Form::of(GetActiveWindow());
            ASSERT_NE(form, nullptr);
            EXPECT_EQ(test::textOf(form->control("OkButton")), "Accept");
            test::typeText(form->control("SymbolName"), "TICK");
            test::click(form->control("OkButton"));
        });
        const auto picked = pickSymbol({PickMode::Symbols, klasse::Program | klasse::Modul, "Accept"});
        ASSERT_TRUE(picked);
        EXPECT_EQ(picked->name, ":TYPES:TICK");
        EXPECT_EQ(picked->kind, sspProgram);  // the label comes before the function of that name
        EXPECT_EQ(picked->address.offset, 0x78);
        EXPECT_EQ(store.readString(kDriverKey, "SymbolFormSymbolName", "History0", ""), "TICK");
    }
    {
        test::Later cancel([] { test::pressKey(VK_ESCAPE); });
        EXPECT_FALSE(pickSymbol({PickMode::Lines, std::nullopt, ""}));
    }
    {
        // No entry to accept: the button is disabled and nothing comes back.
        test::Later nothing([] {
            Win32Form* form = Win32Form::of(GetActiveWindow());
            ASSERT_NE(form, nullptr);
            EXPECT_FALSE(IsWindowEnabled(form->control("OkButton")));
            test::pressKey(VK_RETURN);
            if (!form->ended()) test::click(form->control("CancelButton"));
        });
        empty = true;
        EXPECT_FALSE(pickSymbol({PickMode::Symbols, std::nullopt, ""}));
    }
}

// What the "?" buttons of the other dialogs were for: the picked name goes
// into the field, the browser modal over the dialog that asked.
TEST(Win32SymbolPicker, AQuestionButtonFillsItsField) {
    Example ex;
    platform::MemorySettingsStore store;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes);
    Win32SymbolPicker picker([&] { return ex.sources(); }, [] { return HWND{}; }, store);
    ScopedSymbolPicker scope(&picker);
    DialogTables tables;
    tables.symbols = &ex.symbols;
    SaveMemoryFormModel model(tables, store, "C:\\objects");
    SaveMemoryWin32 view(model, store, nullptr);
    placeDialog(view.form(), model);
    view.form().show();
    pumpMessages();
    HWND browserOwner = nullptr;
    test::Later answer([&] {
        Win32Form* browser = Win32Form::of(GetActiveWindow());
        ASSERT_NE(browser, nullptr);
        EXPECT_EQ(browser->description().name, "TFormSymbol");
        browserOwner = GetWindow(browser->handle(), GW_OWNER);
        EXPECT_FALSE(IsWindowEnabled(view.form().handle()));
        test::typeText(browser->control("SymbolName"), "TICK");
        test::pressKey(VK_RETURN);
    });
    test::click(view.form().control("SucheStart"));
    EXPECT_EQ(browserOwner, view.form().handle());
    EXPECT_TRUE(IsWindowEnabled(view.form().handle()));
    EXPECT_EQ(model.control("StartAdresse").text, ":TYPES:TICK");
    EXPECT_EQ(test::textOf(view.form().control("StartAdresse")), ":TYPES:TICK");
}

TEST(IapFormWin32, EachFormShowsItsIdentityAndStartCloses) {
    for (const auto& c : tarvex::test::kIapForms) {
        tarvex::test::SimTarget t(tarvex::test::boardOf(c.version));
        t.identify(true);
        t.settings.writeString(kDriverKey, "IAPDateiname", "History0", "fw.hex");
        Win32MaintenanceForms forms([] { return HWND{}; }, t.emu.get(), t.settings);
        bool shown = false;
        test::Later drive([&] {
            Win32Form* form = Win32Form::of(GetActiveWindow());
            ASSERT_NE(form, nullptr);
            shown = true;
            EXPECT_EQ(form->description().name, IapFormClass(c.form));
            EXPECT_EQ(test::textOf(form->handle()), "In Application Programming");
            EXPECT_EQ(IsWindowVisible(form->control("LabelHWKennung")) != FALSE, c.form == 2);
            EXPECT_EQ(test::textOf(form->control("LabelVersion")).rfind("Firmware Version: ", 0), 0u);
            EXPECT_EQ(test::textOf(form->control("Dateiname")), "fw.hex");
            // A value out of its field's range is refused, its field focused.
            test::typeText(form->control("EditR1"), "106");
            test::click(form->control("SendCall"));
            EXPECT_EQ(t.boxes.shown().size(), 1u);
            EXPECT_EQ(GetFocus(), form->control("EditR1"));
            EXPECT_EQ(test::textOf(form->control("LabelReturn")), "AA");
            EXPECT_EQ(clippedControls(*form), std::vector<std::string>{});
            saveShot(*form, IapFormClass(c.form));
            test::click(form->control("Start"));
        });
        EXPECT_NO_THROW(forms.ShowIapForm(c.form));
        EXPECT_TRUE(shown) << c.version;
        EXPECT_TRUE(t.settings.valueExists(kDriverKey, "IAP1", "Width"));
        EXPECT_TRUE(t.settings.valueExists(kDriverKey, "IAP1", "Left"));
    }
}

// The driver's forms browse in the system's open dialog.
TEST(IapFormWin32, BrowseOpensTheSystemsOpenDialog) {
    tarvex::test::SimTarget t(tarvex::test::boardOf("6.0 "));
    t.identify();
    ScopedWin32Forms forms;
    IapFormWin32 view(2, *t.emu, t.settings, nullptr);
    view.form().show();
    pumpMessages();
    std::string title;
    test::Later answer([&] {
        HWND dialog = GetActiveWindow();
        title = test::textOf(dialog);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    test::click(view.form().control("Suchen"));
    EXPECT_EQ(title, LoadStr(28));
    EXPECT_EQ(view.model().control("Dateiname").text, "");
}

TEST(IapFormWin32, ACallReachesTheBoardAndAChipEraseEndsTheStart) {
    tarvex::test::SimTarget t(tarvex::test::boardOf("6.0 "));
    t.identify();
    Win32MaintenanceForms forms([] { return HWND{}; }, t.emu.get(), t.settings);
    t.boxes.answer(platform::IdYes);
    std::string answered;
    test::Later drive([&] {
        Win32Form* form = Win32Form::of(GetActiveWindow());
        ASSERT_NE(form, nullptr);
        // The defaults read a byte of flash block 1.
        test::click(form->control("SendCall"));
        answered = test::textOf(form->control("LabelReturn"));
        test::click(form->control("EraseAll"));
    });
    try {
        forms.ShowIapForm(2);
        FAIL() << "no abort";
    } catch (const ETarvexAbort& e) {
        EXPECT_EQ(std::string(e.what()), kFlashErasedText);
    }
    EXPECT_NE(answered, "AA");
    EXPECT_EQ(answered.size(), 2u);
    EXPECT_TRUE(t.board.chipErased());
}

TEST(Win32StopErrorForm, ShownFromAnotherThreadAnsweredOnItsOwn) {
    Win32StopErrorForm form;
    std::atomic<bool> seen{false};
    std::thread runControl([&] {
        form.show();
        seen = form.visible();  // at once, before the form's thread showed it
    });
    runControl.join();
    EXPECT_TRUE(seen);
    EXPECT_FALSE(form.answeredYes());  // this poll lets the posted show through
    ASSERT_TRUE(IsWindowVisible(form.form().handle()));
    EXPECT_TRUE(GetWindowLongPtrA(form.form().handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(test::textOf(form.form().handle()), "Error");
    EXPECT_EQ(test::textOf(form.form().control("Label1")), "No reaction of target processor");
    EXPECT_EQ(test::textOf(form.form().control("OkBtn")), "Yes");
    EXPECT_EQ(clippedControls(form.form()), std::vector<std::string>{});
    saveShot(form.form(), "TFormStopError");
    // Unanswered it stays: Escape and the close box leave the question up.
    test::pressKey(VK_ESCAPE);
    SendMessageA(form.form().handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(form.visible());
    EXPECT_TRUE(IsWindowVisible(form.form().handle()));
    test::pressKey(VK_RETURN);
    EXPECT_TRUE(form.answeredYes());
    EXPECT_FALSE(IsWindowVisible(form.form().handle()));
    std::thread closer([&] { form.close(); });
    closer.join();
    EXPECT_FALSE(form.visible() || form.answeredYes());
    form.show();
    EXPECT_TRUE(IsWindowVisible(form.form().handle()));
    std::thread closer2([&] { form.close(); });
    closer2.join();
    pumpMessages();
    EXPECT_FALSE(IsWindowVisible(form.form().handle()));
}

// The host form of the painter in this test: the status line alone.
const forms::Form& statusLineHost() {
    static const forms::Form form{
        "VokWinStatusZeile", "", 500, 22, false, {forms::Control{forms::Kind::Custom, "Line", "", 0, 0, 500, 22}}};
    return form;
}

std::uint32_t pixelAt(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

TEST(StatusLineWin32, PanelsFollowTheDriversStatusLine) {
    std::vector<std::string> handed;
    TVokWinStatusZeile line([&](const std::string& text) { handed.push_back(text); });
    HostStatusLine source(line);
    std::unique_ptr<StatusLineWin32> painter;
    FormModel model;
    FormEvents events;
    events.custom = [&](const forms::Control&, HWND parent, int id) {
        painter = std::make_unique<StatusLineWin32>(source, parent, id);
        return painter->handle();
    };
    Win32Form form(statusLineHost(), model, std::move(events));
    form.show();
    pumpMessages();
    line.SetRunning(true);
    line.SetMacroName("macros/init.mac");
    line.SetIndicator(TVokWinStatusZeile::Macro, true);
    pumpMessages();
    EXPECT_EQ(handed.back(), " Running...");
    const auto panels = painter->panelRects();
    ASSERT_EQ(panels.size(), 5u);
    // Side by side, none narrower than 80, the last one to the end.
    for (std::size_t i = 1; i < panels.size(); ++i) EXPECT_GT(panels[i].left, panels[i - 1].right - 1);
    for (const auto& r : panels) EXPECT_GE(r.right - r.left, 80);
    EXPECT_EQ(panels.back().right, 500);
    const RECT running = panels[2], macro = panels[3];
    const int middle = (running.top + running.bottom) / 2;
    EXPECT_EQ(pixelAt(painter->handle(), running.right - 4, middle), 0x0000FFu);
    // The text begins with a blank: the panel's own colour shows there.
    EXPECT_EQ(pixelAt(painter->handle(), macro.left + 3, middle), 0x008000u);
    // " Executing macro init.mac" is wider than 80: its panel grows.
    EXPECT_GT(macro.right - macro.left, 80);
    saveShot(form, "VokWinStatusZeile");
    line.SetRunning(false);
    pumpMessages();
    EXPECT_EQ(pixelAt(painter->handle(), running.right - 4, middle), GetSysColor(COLOR_BTNFACE));
}

}  // namespace
}  // namespace tarvex::ui::win32
