// The driver menu's select and performance dialogs through the Windows
// driver's windows on the host object over the simulated board: Cancel
// leaves no command and the board hears nothing; OK runs the closed
// dialog's chain into the history; the performance definitions reach the
// measurement, and a halt while measuring gives the analysis.
#include <gtest/gtest.h>

#include <functional>

#include "emulator/emulator.hpp"
#include "emulator/debug/performance.hpp"
#include "emulator/debug/select_table.hpp"
#include "host/command_history.hpp"
#include "tests/support/host/sim_host.hpp"
#include "tests/win32/win32_test_support.hpp"
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

struct MenuHost : tarvex::test::SimHost {
    MenuHost() : windows(settings) {
        settings.writeInteger(TEmulator::VokWinKey, TEmulator::VokWinSection, "Tarvex", 1);
        DriverEnvironment env = environment();
        env.windows = &windows;
        open(env);
        windows.attach(object.get());
    }
    ~MenuHost() { object.reset(); }
    void pick(const char* caption) {
        for (agdi::MenuEntry* e = object->MenuTable(); e->kind != agdi::MenuEnd; ++e)
            if (e->caption && std::string(e->caption) == caption) return object->MenuSelected(e);
        ADD_FAILURE() << caption;
    }
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
    std::vector<std::string> history() const {
        std::vector<std::string> out;
        const auto& list = object->Kommando().Protokoll();
        for (std::size_t i = 0; i < list.Count(); ++i)
            out.push_back(ProtocolText(list[i], CommandLanguage::English, nullptr));
        return out;
    }
    std::uint64_t boardCommands() const { return board.log().size() + board.droppedLogEntries(); }

    Win32DriverWindows windows;
};

struct MenuCase {
    const char* caption;
    const char* title;
    std::function<void(Win32Form&)> fill;
    const char* ok;
    std::vector<std::string> added;
};

TEST(Win32MenuDialogs, CancelSendsNothingAndOkRunsTheClosedDialogsChain) {
    MenuHost h;
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    h.boxes.clear();
    ASSERT_TRUE(h.object->TraceBoardPresent());
    const std::vector<MenuCase> cases = {
        {"TARVEX Breaks...", "Break settings",
         [](Win32Form& f) {
             test::typeText(f.control("Event"), "1000 10FF");
             test::click(f.control("EnterAdresse"));
         },
         "Ok", {"Break Break1 ", "Addresses=(1000 - 10FF)"}},
        {"Settings...", "Trace settings", [](Win32Form& f) { test::click(f.item("TimeBaseGroup", 2)); }, "OkButton",
         {"TimeBase=10 Mikroseconds"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        const auto before = h.history();
        const auto heard = h.boardCommands();
        EXPECT_TRUE(h.openFrom(c.caption, [&](Win32Form& f) {
            EXPECT_EQ(test::textOf(f.handle()), c.title);
            c.fill(f);
            // Editing the dialog never reaches the board.
            EXPECT_EQ(h.boardCommands(), heard);
            test::click(f.control("CancelButton"));
        }));
        EXPECT_EQ(h.history(), before);
        EXPECT_EQ(h.boardCommands(), heard);

        EXPECT_TRUE(h.openFrom(c.caption, [&](Win32Form& f) {
            c.fill(f);
            test::click(f.control(c.ok));
        }));
        const auto after = h.history();
        ASSERT_GT(after.size(), before.size());
        std::string added;
        for (std::size_t i = before.size(); i < after.size(); ++i) added += after[i] + "\n";
        for (const auto& text : c.added) EXPECT_NE(added.find(text), std::string::npos) << text << " in\n" << added;
        for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
        h.boxes.clear();
    }
    // What the chains sent is in the live table now.
    EXPECT_EQ(h.object->SelectTable().GetItemText(10), "1000 - 10FF");
    EXPECT_EQ(h.object->SelectTable().GetTimeBase(), 2);
}

TEST(Win32MenuDialogs, PerformanceDefinitionsReachTheMeasurementAndAHaltGivesTheAnalysis) {
    MenuHost h;
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    h.boxes.clear();
    TPerformance* perf = h.object->Performance();
    ASSERT_NE(perf, nullptr);
    h.pick("Performance analysis...");
    ASSERT_EQ(h.boxes.shown().size(), 1u);
    EXPECT_EQ(h.boxes.shown()[0].text, "No performance analysis available");
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
    ASSERT_EQ(perf->Definitionen().Items.size(), 1u);
    EXPECT_EQ(perf->Definitionen().Items[0]->Name, "start");
    EXPECT_EQ(perf->TraceModus(), 1);
    EXPECT_TRUE(perf->Active());
    EXPECT_EQ(h.object->SelectTable().BreakMode(), bmTraceOverflow);

    // A halt while measuring leaves a result to analyse.
    ASSERT_EQ(h.object->AG_GoStep(2, 3, nullptr), 0u);
    ASSERT_TRUE(perf->HasErgebnis());
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
