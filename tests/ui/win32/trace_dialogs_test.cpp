// The trace window's dialogs on Windows: each opened over its model, driven
// through the system's messages, its result compared with the model's, and
// rendered into ui-shots/.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/messages.hpp"
#include "emulator/emulator.hpp"
#include "emulator/validator.hpp"
#include "host/agdi_records.hpp"
#include "tests/support/host/sim_host.hpp"
#include "tests/support/test_support.hpp"
#include "tests/ui/win32/win32_test_support.hpp"
#include "ui/forms/trace_forms.hpp"
#include "ui/model/scripted_trace_source.hpp"
#include "ui/model/trace_export.hpp"
#include "ui/win32/status_forms_win32.hpp"
#include "ui/win32/driver/trace_dialogs_win32.hpp"
#include "ui/win32/driver/trace_window_win32.hpp"
#include "ui/win32/driver/win32_driver_windows.hpp"
#include "ui/win32/form_shot.hpp"

namespace tarvex::ui::win32 {
namespace {

bool checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

int clientHeight(const Win32Form& form) {
    RECT r;
    GetClientRect(form.handle(), &r);
    return r.bottom - r.top;
}

void open(Win32Form& form, const DialogModel& model) {
    placeDialog(form, model);
    form.show();
    pumpMessages();
}

struct Boxes {
    platform::ScriptedMessageBoxes boxes;
    platform::RecordingHelpViewer help;
    platform::Ui saved = platform::currentUi();
    Boxes() {
        platform::currentUi().boxes = &boxes;
        platform::currentUi().help = &help;
    }
    ~Boxes() { platform::currentUi() = saved; }
};

TEST(SaveTraceWin32, RefusedInputKeepsItOpenAndSaveGivesTheCommand) {
    Boxes ui;
    platform::MemorySettingsStore store;
    store.writeString(kDriverKey, "FormSaveTraceName", "History0", "old");
    SaveTraceModel model(store, "C:\\objects");
    SaveTraceWin32 view(model, store, nullptr);
    auto& form = view.form();
    open(form, model);
    EXPECT_EQ(test::textOf(form.handle()), "Save trace into file");
    EXPECT_EQ(test::textOf(form.control("FileGroup")), " File &name: ");
    EXPECT_EQ(test::textOf(form.control("DateiName")), "old");
    EXPECT_EQ(model.control("DateiName").text, "old");
    EXPECT_TRUE(checked(form.item("FormatGroup", 1)));  // Assembled
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormSaveTrace");

    test::typeText(form.control("DateiName"), " ");
    test::click(form.control("OkButton"));
    test::typeText(form.control("DateiName"), "run\\trace");
    test::typeText(form.control("StartAdresse"), "-1");
    test::click(form.control("OkButton"));
    test::typeText(form.control("StartAdresse"), "12x");
    test::pressKey(VK_RETURN);
    EXPECT_FALSE(form.ended());
    ASSERT_EQ(ui.boxes.shown().size(), 3u);
    EXPECT_EQ(ui.boxes.shown()[0].text, std::string(LoadStr(288)));
    EXPECT_EQ(ui.boxes.shown()[2].text, "'12x' is not a valid integer value");

    test::click(form.control("HilfeButton"));
    test::pressKey(VK_F1);
    EXPECT_EQ(ui.help.calls().size(), 2u);
    test::typeText(form.control("StartAdresse"), "575");
    test::typeText(form.control("EndAdresse"), "12");
    test::click(form.item("FormatGroup", 3));
    test::pressKey(VK_RETURN);
    ASSERT_TRUE(form.ended());
    EXPECT_EQ(form.result(), IDOK);
    TKommandoStruktur c;
    model.writeCommand(c);
    EXPECT_EQ(c.code, cmd::SaveTrace);
    EXPECT_EQ(c.text1, "run\\trace.txt");
    EXPECT_EQ(c.start.offset, 575u);
    EXPECT_EQ(c.end.offset, 12u);
    EXPECT_EQ(c.fileFormat, 2);  // Source
    EXPECT_EQ(store.readString(kDriverKey, "FormSaveTraceName", "History0", ""), "run\\trace");
    EXPECT_EQ(store.readString(kDriverKey, "FormSaveTraceName", "History1", ""), "old");
    EXPECT_EQ(store.readString(kDriverKey, "FormSaveTraceStart", "History0", ""), "575");
}

TEST(SaveTraceWin32, EscapeCancelsAndTheFormFillsFromACommand) {
    Boxes ui;
    platform::MemorySettingsStore store;
    SaveTraceModel model(store, "");
    SaveTraceWin32 view(model, store, nullptr);
    TKommandoStruktur c;
    c.text1 = "t.txt";
    c.start.offset = 3;
    c.end.bank = 1;  // index 0x10000
    c.fileFormat = 7;
    model.readCommand(c);
    test::Later answer([&] {
        EXPECT_EQ(test::textOf(view.form().control("EndAdresse")), "65536");
        EXPECT_TRUE(checked(view.form().item("FormatGroup", 2)));  // Mixed Mode
        test::pressKey(VK_ESCAPE);
    });
    EXPECT_EQ(runDialog(view.form(), model), IDCANCEL);
    EXPECT_TRUE(store.valueExists(kDriverKey, "FormSaveTrace", "Left"));
    EXPECT_TRUE(ui.boxes.shown().empty());
}

// The export a save-trace command runs: under the save progress form,
// which names what is saved and whose Cancel ends it with the lines so far.
TEST(SaveTraceWin32, TheExportRunsUnderTheSaveProgressFormAndItsCancelEndsIt) {
    Win32SaveStatusWindow progress;
    const platform::Ui saved = platform::currentUi();
    platform::currentUi().saveStatus = &progress;
    ScriptedTraceSource source = sampleLoopTrace(400);
    tarvex::test::TempDir dir;
    SaveStatusWindowExportStatus status;
    TraceExport exporter(&source, {}, &status);
    const std::uint64_t all = exporter.save(dir.file("all.txt"), tdZyklus, 0, 399);
    EXPECT_GE(all, 400u);  // the frames and the gaps between the loop's runs
    EXPECT_EQ(progress.model().control("AdressBereich").text, "0 - 399");
    EXPECT_EQ(progress.model().control("Status").text,
              std::string(LoadResStr(rs::SaveTrace)) + ": " + std::to_string(all - 1) + " Frames");
    EXPECT_FALSE(IsWindowVisible(progress.form().handle()));

    // Cancel, pressed as the export starts, is seen at its first look.
    PostMessageA(progress.form().handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(progress.form().control("CancelButton")));
    EXPECT_EQ(exporter.save(dir.file("cut.txt"), tdZyklus, 0, 399), 1u);
    const auto cut = tarvex::test::readBytes(dir.file("cut.txt"));
    const std::string text(cut.begin(), cut.end());
    const std::string header = traceExportHeader(tdZyklus) + "\r\n";
    EXPECT_EQ(text.substr(0, header.size()), header);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);  // the header and frame 0
    platform::currentUi() = saved;
}

TEST(TraceColumnsWin32, ABoxOffTakesAllOffAndAllTakesThemOn) {
    platform::MemorySettingsStore store;
    TraceColumnsModel model(store, tdZyklus);
    model.setColumn(4, false);
    TraceColumnsWin32 view(model, nullptr);
    auto& form = view.form();
    open(form, model);
    EXPECT_EQ(test::textOf(form.handle()), "Show columns");
    EXPECT_EQ(test::textOf(form.control("CheckBox9")), std::string(LoadStr(344)));
    EXPECT_FALSE(checked(form.control("CheckBox5")));
    EXPECT_FALSE(checked(form.control("CheckBoxAll")));
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormTraceSpalten");
    test::click(form.control("CheckBoxAll"));
    EXPECT_TRUE(checked(form.control("CheckBox5")));
    test::click(form.control("CheckBox2"));
    EXPECT_FALSE(model.column(1));
    EXPECT_FALSE(checked(form.control("CheckBoxAll")));
    model.setMode(tdMixedMode);
    EXPECT_EQ(test::textOf(form.control("CheckBox9")), "Label");
    EXPECT_EQ(test::textOf(form.control("CheckBox10")), std::string(LoadStr(342)));
    test::focus(form.control("CheckBox3"));
    test::pressKey(VK_RETURN);
    EXPECT_EQ(form.result(), IDOK);
    for (int c = 0; c < kTraceColumns; ++c) EXPECT_EQ(model.column(c), c != 1) << c;
}

TEST(GotoWin32, TheBankGroupShapesTheFormAndABankClosesWithYes) {
    Boxes ui;
    platform::MemorySettingsStore store;
    store.writeString(kDriverKey, "SprungFormZielFrame", "History0", "12");
    GotoModel model(store, GotoBanking{3, -1, 15});
    GotoWin32 view(model, store, nullptr);
    auto& form = view.form();
    open(form, model);
    const int banked = clientHeight(form);
    EXPECT_TRUE(IsWindowVisible(form.item("BankNummerGroup", 3)));
    EXPECT_EQ(form.item("BankNummerGroup", 4), nullptr);
    EXPECT_EQ(test::textOf(form.item("BankNummerGroup", 2)), "&2");
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormSprung-banked");

    // The trace's goto: no banks, no symbols, the frame history.
    model.setAufruf(saTrace);
    EXPECT_EQ(test::textOf(form.handle()), "Goto trace frame");
    EXPECT_EQ(clientHeight(form), banked - forms::kGotoBankGroupHeight);
    EXPECT_FALSE(IsWindowVisible(form.control("SymbolButton")));
    EXPECT_FALSE(IsWindowVisible(form.item("BankNummerGroup", 0)));
    EXPECT_EQ(test::textOf(form.control("Ziel")), "12");
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormSprung-trace");
    test::typeText(form.control("Ziel"), "575");
    EXPECT_EQ(model.targetValue(), 575);

    model.setAufruf(saProgram);
    EXPECT_EQ(clientHeight(form), banked);
    test::click(form.item("BankNummerGroup", 2));
    EXPECT_EQ(form.result(), IDYES);
    EXPECT_EQ(model.chosenBank(), 2);
}

TEST(GotoWin32, OkTakesASingleDigitAsTheBank) {
    platform::MemorySettingsStore store;
    GotoModel model(store, GotoBanking{3, -1, 15});
    GotoWin32 view(model, store, nullptr);
    test::Later answer([&] {
        test::typeText(view.form().control("Ziel"), "3");
        test::pressKey(VK_RETURN);
    });
    EXPECT_EQ(runDialog(view.form(), model), IDOK);
    EXPECT_TRUE(checked(view.form().item("BankNummerGroup", 3)));
    EXPECT_EQ(model.control("BankNummerGroup").itemIndex, 3);
    EXPECT_EQ(store.readString(kDriverKey, "SprungFormZielAdresse", "History0", ""), "3");
}

TEST(FrameSearchWin32, AFieldIsCheckedWhenLeftAndOkGivesThePattern) {
    Boxes ui;
    platform::MemorySettingsStore store;
    TVokWinValidator validator(nullptr, nullptr, nullptr, nullptr);
    FramePatternModel model(store, validator);
    FrameSearchWin32 view(model, store, nullptr);
    auto& form = view.form();
    open(form, model);
    EXPECT_EQ(test::textOf(form.handle()), std::string(LoadStr(166)));
    EXPECT_EQ(test::textOf(form.control("Data")), "Don't care");
    EXPECT_EQ(test::textOf(form.control("OkButton")), "Search");
    EXPECT_FALSE(IsWindowVisible(form.control("CheckOpcode")));
    EXPECT_TRUE(IsWindowVisible(form.item("RichtungGroup", 1)));
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormVok4Frame-search");

    // A refused field says why once and keeps the focus; a good one passes.
    for (const char* text : {"XYZ", "16-20"}) {
        test::typeText(form.control("Data"), text);
        test::focus(form.control("LogicProbes"));
    }
    ASSERT_EQ(ui.boxes.shown().size(), 1u);
    EXPECT_EQ(form.nameOf(GetFocus()), "LogicProbes");
    test::typeText(form.control("Data"), "XYZ");
    test::focus(form.control("LogicProbes"));
    EXPECT_EQ(ui.boxes.shown().size(), 2u);
    EXPECT_EQ(form.nameOf(GetFocus()), "Data");
    test::typeText(form.control("Data"), "16-20");
    test::click(form.item("CycleGroup", 3));  // Read
    test::click(form.item("RichtungGroup", 1));
    test::click(form.control("CheckBreakNichtSuchen"));
    EXPECT_TRUE(IsWindowEnabled(form.control("CheckBreak2")));
    test::click(form.control("CheckBreak2"));
    test::click(form.control("OkButton"));
    ASSERT_EQ(form.result(), IDOK);
    const auto& p = model.pattern();
    EXPECT_EQ(p.dataLow, 16);
    EXPECT_EQ(p.dataHigh, 20);
    EXPECT_EQ(p.cycles, 4);
    EXPECT_FALSE(p.forward);
    EXPECT_EQ(encodeBreaks(p.breaks), 2);
    EXPECT_EQ(store.readString(kDriverKey, "FrameFormData", "History0", ""), "16-20");
    EXPECT_EQ(store.readInteger(kDriverKey, "FrameForm", "RichtungIndex", -1), 1);
}

TEST(FrameSearchWin32, TheTimeFilterHidesTheBottomPanelAndDontCareEmptiesIt) {
    Boxes ui;
    platform::MemorySettingsStore store;
    TVokWinValidator validator(nullptr, nullptr, nullptr, nullptr);
    int searchHeight = 0;
    {
        FramePatternModel search(store, validator);
        FrameSearchWin32 view(search, store, nullptr);
        searchHeight = clientHeight(view.form());
    }
    FramePatternModel model(store, validator);
    model.setFiltern(true);
    FrameSearchWin32 view(model, store, nullptr);
    auto& form = view.form();
    open(form, model);
    EXPECT_EQ(clientHeight(form), searchHeight - forms::kFrameBottomPanelHeight);
    EXPECT_EQ(test::textOf(form.control("OkButton")), std::string(LoadStr(353)));
    EXPECT_EQ(test::textOf(form.control("Data")), std::string(LoadStr(351)));
    EXPECT_TRUE(IsWindowVisible(form.control("CheckOpcode")));
    EXPECT_FALSE(IsWindowVisible(form.item("CycleGroup", 0)));
    EXPECT_FALSE(IsWindowVisible(form.item("BeginnGroup", 0)));
    EXPECT_FALSE(IsWindowEnabled(form.control("CheckFetch")));
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormVok4Frame-filter");
    test::click(form.control("CheckCycleNichtSuchen"));
    test::click(form.control("CheckFetch"));
    EXPECT_EQ(model.cycleSelection(), 2);
    test::click(form.control("ResetButton"));
    EXPECT_EQ(form.result(), IDOK);
    EXPECT_TRUE(model.emptyPattern());
    EXPECT_TRUE(ui.boxes.shown().empty());
}

// The Windows driver's trace window opens these dialogs from its menu: what
// the user answers there reaches the window.
TEST(Win32DriverWindows, TheTraceWindowsItemsOpenTheirDialogs) {
    struct Host : ::tarvex::test::SimHost {
        Host() : windows(settings) {
            settings.writeInteger(TEmulator::VokWinKey, TEmulator::VokWinSection, "Tarvex", 1);
            DriverEnvironment env = environment();
            env.windows = &windows;
            open(env);
            windows.attach(object.get());
        }
        ~Host() {
            windows.FreeTraceWindow();
            object.reset();
        }
        Win32DriverWindows windows;
    } h;
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    ASSERT_EQ(h.object->AG_GoStep(2, 12, nullptr), 0u);
    h.boxes.clear();
    for (agdi::MenuEntry* e = h.object->MenuTable(); e->kind != agdi::MenuEnd; ++e)
        if (e->caption && std::string(e->caption) == "Trace memory") h.object->MenuSelected(e);
    Win32TraceWindow* w = h.windows.traceWindow();
    ASSERT_NE(w, nullptr);
    const auto answer = [](const std::string& caption, const std::function<void(Win32Form&)>& act) {
        return test::Later([caption, act] {
            Win32Form* form = Win32Form::of(GetFocus());
            ASSERT_NE(form, nullptr);
            EXPECT_EQ(test::textOf(form->handle()), caption);
            act(*form);
        });
    };
    {
        auto later = answer("Goto trace frame", [](Win32Form& f) {
            test::typeText(f.control("Ziel"), "7");
            test::pressKey(VK_RETURN);
        });
        w->runItem("cmPopSprung");
    }
    EXPECT_EQ(w->model().box().currentFrame(), 7);
    {
        auto later = answer("Show columns", [](Win32Form& f) {
            test::click(f.control("CheckBox2"));
            test::click(f.control("OkButton"));
        });
        w->runItem("cmPopSpalten");
    }
    EXPECT_FALSE(w->model().columnsShown()[1]);
    EXPECT_TRUE(w->model().columnsShown()[0]);
    {
        auto later = answer(std::string(LoadStr(167)), [](Win32Form& f) { test::click(f.control("CancelButton")); });
        w->runItem("cmPopTimeFilter");
    }
    EXPECT_FALSE(w->model().timeFilterActive());
    for (const auto& shown : h.boxes.shown()) ADD_FAILURE() << shown.text;
}

}  // namespace
}  // namespace tarvex::ui::win32
