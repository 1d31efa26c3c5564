// The driver menu's dialogs through the Windows driver's windows on the host
// object over the simulated board: the break and trace forms' controls
// reach their models, Cancel leaves no chain and OK runs one; the
// memory dialogs, the map and the basic break reach the board or the file;
// the performance definitions reach the measurement, and a halt while
// measuring gives the analysis; a program load shows its progress form;
// Help opens the help file in WinHelp.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "emulator/emulator.hpp"
#include "emulator/debug/performance.hpp"
#include "emulator/debug/select_table.hpp"
#include "host/command.hpp"
#include "host/command_history.hpp"
#include "host/load/loader.hpp"
#include "host/options.hpp"
#include "tests/support/host/windowed_host.hpp"
#include "tests/ui/win32/win32_test_support.hpp"
#include "ui/win32/driver/win32_driver_windows.hpp"
#include "ui/win32/form_shot.hpp"

#include <commctrl.h>

namespace tarvex::ui::win32 {
namespace {

BOOL CALLBACK findShown(HWND window, LPARAM found) {
    if (!IsWindowVisible(window) || !Win32Form::of(window)) return TRUE;
    *reinterpret_cast<Win32Form**>(found) = Win32Form::of(window);
    return FALSE;
}

// The form the menu opened, once its modal loop runs.
Win32Form* shownForm() {
    Win32Form* form = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findShown, reinterpret_cast<LPARAM>(&form));
    return form;
}

struct MenuHost : tarvex::test::WindowedHost<Win32DriverWindows> {
    // Runs `drive` on the form the menu entry opens; false when none opened.
    bool openFrom(const char* caption, const std::function<void(Win32Form&)>& drive) {
        bool shown = false;
        test::Later later([&] {
            Win32Form* form = shownForm();
            if (!form) return;
            shown = true;
            drive(*form);
        });
        pick(caption);
        return shown;
    }
};

// The routing behind the forms (board silence, the chains and their
// effects) is checked once for every build in the window routing test;
// here only the Windows forms themselves: their controls reach the model,
// Cancel answers false and OK true.
using MenuCase = tarvex::test::MenuFormCase<Win32Form>;

TEST(Win32MenuDialogs, TheBreakAndTraceFormsControlsReachTheirModelsAndCancelOrOkAnswers) {
    MenuHost h;
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    h.boxes.clear();
    ASSERT_TRUE(h.object->TraceBoardPresent());
    const std::vector<MenuCase> cases = {
        {"TARVEX Breaks...", 0, "Break settings",
         [](Win32Form& f) {
             test::typeText(f.control("Event"), "1000 10FF");
             test::click(f.control("EnterAdresse"));
         },
         "Ok", "Addresses=(1000 - 10FF)"},
        {"Settings...", 0, "Trace settings", [](Win32Form& f) { test::click(f.item("TimeBaseGroup", 2)); },
         "OkButton", "TimeBase=10 Mikroseconds"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        const auto before = h.history();
        for (const bool ok : {false, true}) {
            EXPECT_TRUE(h.openFrom(c.caption, [&](Win32Form& f) {
                EXPECT_EQ(test::textOf(f.handle()), c.title);
                c.fill(f);
                test::click(f.control(ok ? c.ok : "CancelButton"));
            })) << ok;
            // Cancel answered false: no chain.
            if (!ok) {
                EXPECT_EQ(h.history(), before);
            }
        }
        EXPECT_TRUE(h.historyGained(before, c.added)) << c.added;
        for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
        h.boxes.clear();
    }
    EXPECT_EQ(h.object->SelectTable().GetItemText(10), "1000 - 10FF");
    EXPECT_EQ(h.object->SelectTable().GetTimeBase(), 2);
}

TEST(Win32MenuDialogs, PerformanceDefinitionsReachTheMeasurementAndAHaltGivesTheAnalysis) {
    MenuHost h;
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    h.boxes.clear();
    TPerformance* perf = nullptr;
    ASSERT_NO_FATAL_FAILURE(h.expectNoAnalysisYet(perf));
    h.boxes.clear();

    EXPECT_TRUE(h.openFrom("Performance definitions...", [](Win32Form& f) {
        EXPECT_EQ(test::textOf(f.handle()), "Performance settings");
        test::typeText(f.control("BereichAdresse"), "0000 0100");
        test::typeText(f.control("Kommentar"), "start");
        test::click(f.control("InsertButton"));
        test::click(f.item("TimeBaseGroup", 1));
        test::click(f.control("CheckBoxPerfMode"));
        test::click(f.control("OkButton"));
    }));
    ASSERT_NO_FATAL_FAILURE(h.expectMeasuringTheStartRange(*perf));
    EXPECT_TRUE(h.openFrom("Performance analysis...", [](Win32Form& f) {
        EXPECT_EQ(test::textOf(f.handle()), "Performance analysis");
        HWND rows = f.control("ListView");
        // The range and the rest of the run.
        EXPECT_GE(SendMessageA(rows, LVM_GETITEMCOUNT, 0, 0), 2);
        // Every column in view.
        RECT client;
        GetClientRect(rows, &client);
        int total = 0;
        for (int c = 0; c < 7; ++c) total += static_cast<int>(SendMessageA(rows, LVM_GETCOLUMNWIDTH, c, 0));
        EXPECT_LE(total, client.right);
        EXPECT_EQ(clippedControls(f), std::vector<std::string>{});
        saveShot(f, "TFormPerformanceAnalyse-menu");
        test::click(f.control("OkButton"));
    }));
    for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
}

}  // namespace
}  // namespace tarvex::ui::win32

namespace tarvex::ui::win32 {
namespace {

struct BoardCase {
    const char* caption;  // null: the basic break, which the menu offers without a trace board
    const char* title;
    std::function<void(Win32Form&)> fill;
    const char* ok;
    // What the board (or the file) holds before and after the OK.
    std::function<bool(MenuHost&)> done;
};

// The bytes 0100..010F of external data on the board all hold `value`.
bool xdataHolds(MenuHost& h, std::uint16_t from, std::uint8_t value) {
    for (std::uint16_t a = from; a < from + 16; ++a)
        if (h.board.xdata(a) != value) return false;
    return true;
}

TEST(Win32MenuDialogs, MemoryDialogsTheMapAndTheBasicBreakReachTheBoard) {
    MenuHost h;
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    h.boxes.clear();
    const std::string saved = (h.root.path() / "saved.bin").string();
    auto enter = [](Win32Form& f, const char* start, const char* end, const char* third, const char* field) {
        test::typeText(f.control("StartAdresse"), start);
        test::typeText(f.control("EndAdresse"), end);
        test::typeText(f.control(field), third);
    };
    const std::vector<BoardCase> cases = {
        {"Initialize...", "Initialize memory range",
         [&](Win32Form& f) { enter(f, "0100", "010F", "A5", "ZielAdresse"); }, "OkButton",
         [](MenuHost& m) { return xdataHolds(m, 0x0100, 0xA5); }},
        {"Copy...", "Copy memory range", [&](Win32Form& f) { enter(f, "0100", "010F", "0200", "ZielAdresse"); },
         "OkButton", [](MenuHost& m) { return xdataHolds(m, 0x0200, 0xA5); }},
        {"Save...", "Save memory range into file",
         [&](Win32Form& f) {
             test::click(f.control("RadioExtData"));
             test::click(f.item("FormatGroup", 0));
             enter(f, "0100", "010F", saved.c_str(), "DateiName");
         },
         "OkButton",
         [saved](MenuHost&) {
             return std::filesystem::exists(saved) &&
                    tarvex::test::readBytes(saved) == std::vector<std::uint8_t>(16, 0xA5);
         }},
        // Byte p of the map image covers 64p .. 64p+63; bit 1: program emulated.
        {"Map...", "Mapping",
         [](Win32Form& f) {
             test::typeText(f.control("AdrName"), "4000 40FF");
             test::click(f.control("DeleteProgram"));
         },
         "OkButton", [](MenuHost& m) { return (m.board.master(0xC000 + 0x4000 / 64) & 0x02) == 0; }},
        {nullptr, "Break settings",
         [](Win32Form& f) {
             test::typeText(f.control("Event"), "1000 10FF");
             test::click(f.control("EnterButton"));
         },
         "OkButton", [](MenuHost& m) { return m.object->SelectTable().GetItemText(10) == "1000 - 10FF"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        auto run = [&](const std::function<void(Win32Form&)>& drive) {
            bool shown = false;
            test::Later later([&] {
                Win32Form* form = shownForm();
                if (!form) return;
                shown = true;
                EXPECT_EQ(test::textOf(form->handle()), c.title);
                drive(*form);
            });
            if (c.caption)
                h.pick(c.caption);
            else
                h.windows.RunMenuDialog(MenuDialog::BasicBreak, "TARVEX Breaks...");
            return shown;
        };
        const auto before = h.history();
        const auto heard = h.boardCommands();
        ASSERT_FALSE(c.done(h));
        EXPECT_TRUE(run([&](Win32Form& f) {
            c.fill(f);
            test::click(f.control("CancelButton"));
        }));
        EXPECT_EQ(h.history(), before);
        EXPECT_EQ(h.boardCommands(), heard);
        EXPECT_FALSE(c.done(h));
        EXPECT_TRUE(run([&](Win32Form& f) {
            c.fill(f);
            test::click(f.control(c.ok));
        }));
        EXPECT_GT(h.history().size(), before.size());
        EXPECT_TRUE(c.done(h));
        for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
        h.boxes.clear();
    }
}

// Sees the window shown (WM_SHOWWINDOW) on this thread while it lives.
class ShowWatch {
public:
    explicit ShowWatch(HWND window) {
        watched_ = window;
        seen_ = false;
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, &ShowWatch::proc, nullptr, GetCurrentThreadId());
    }
    ~ShowWatch() { UnhookWindowsHookEx(hook_); }
    ShowWatch(const ShowWatch&) = delete;
    ShowWatch& operator=(const ShowWatch&) = delete;
    bool seen() const { return seen_; }

private:
    static LRESULT CALLBACK proc(int code, WPARAM wParam, LPARAM lParam) {
        const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && m->hwnd == watched_ && m->message == WM_SHOWWINDOW && m->wParam) seen_ = true;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline HWND watched_ = nullptr;
    static inline bool seen_ = false;
    HHOOK hook_ = nullptr;
};

TEST(Win32MenuDialogs, AProgramLoadShowsTheLoadStatusForm) {
    MenuHost h;
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    h.boxes.clear();
    const auto program = tarvex::test::sourceDir() / "examples" / "build" / "ports.omf";
    if (!std::filesystem::exists(program)) GTEST_SKIP() << "examples not built";
    auto* status = dynamic_cast<Win32LoadStatusWindow*>(platform::currentUi().loadStatus);
    ASSERT_NE(status, nullptr);
    Win32Form& form = status->form();
    {
        ShowWatch watch(form.handle());
        TVokWinKommando load(cmd::Load);
        load.memoryKind = memkind::Program;
        load.fileFormat = fileformat::Object;
        load.options = loadflag::ClearSymbols;
        load.text1 = program.string();
        ASSERT_TRUE(Execute(load, h.object->Commands()));
        EXPECT_TRUE(watch.seen());
    }
    ASSERT_FALSE(h.object->Loader().Failed());
    EXPECT_FALSE(IsWindowVisible(form.handle()));
    EXPECT_NE(test::textOf(form.control("Dateiname")).find("ports.omf"), std::string::npos);
    EXPECT_NE(test::textOf(form.control("ZeilenAnzahl")), "0");
    EXPECT_NE(test::textOf(form.control("SymbolAnzahl")), "0");
    for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
}

// Help in WinHelp: the options' help file at the form's context (the host's
// help routine's topic), owned by the IDE's window; a missing file is named
// in one box and WinHelp is not called.
TEST(Win32MenuDialogs, HelpOpensTheHelpFileOwnedByTheIdesWindow) {
    MenuHost h;
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    h.boxes.clear();
    platform::RecordingHelpEngine engine;
    auto& ui = platform::currentUi();
    platform::HelpEngine* const system = ui.helpEngine;
    ASSERT_NE(system, nullptr);  // the windows put WinHelp in place
    ui.helpEngine = &engine;
    const std::string file = h.object->Options().HelpFileName();
    const bool existed = std::filesystem::exists(file);
    if (!existed) std::ofstream(file) << "help";
    EXPECT_EQ(h.object->ShowHelp(310, nullptr), 1u);
    EXPECT_TRUE(h.openFrom("Map...", [](Win32Form& f) {
        test::pressKey(VK_F1);
        test::click(f.control("HilfeButton"));
        test::click(f.control("CancelButton"));
    }));
    const platform::HelpFileRequest topic{h.object->HostWindow(), file, 1, 310};
    const platform::HelpFileRequest form{h.object->HostWindow(), file, 1, 320};
    EXPECT_EQ(engine.requests(), (std::vector<platform::HelpFileRequest>{topic, form, form}));
    EXPECT_TRUE(h.boxes.shown().empty());

    std::filesystem::remove(file);
    EXPECT_EQ(h.object->ShowHelp(310, nullptr), 0u);
    EXPECT_EQ(engine.requests().size(), 3u);
    ASSERT_EQ(h.boxes.shown().size(), 1u);
    EXPECT_EQ(h.boxes.shown()[0].text, "Help file " + file + " not found.");
    ui.helpEngine = system;
}

}  // namespace
}  // namespace tarvex::ui::win32
