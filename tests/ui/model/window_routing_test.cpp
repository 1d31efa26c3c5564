// The driver menu's dialogs as every build with windows routes them, on the
// host object over the simulated board, with a shower that records each
// form and answers for the user: Cancel leaves no command and the board
// hears nothing; OK runs the closed dialog's command or chain into the
// history; the performance forms get the object's measurement, and without
// one the menu's own caption names what is missing.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "emulator/debug/performance.hpp"
#include "emulator/debug/select_table.hpp"
#include "emulator/emulator.hpp"
#include "host/agdi_object.hpp"
#include "host/command_history.hpp"
#include "sim/board.hpp"
#include "tests/support/host/sim_host.hpp"
#include "ui/model/break_form.hpp"
#include "ui/model/copy_fill_form.hpp"
#include "ui/model/save_memory_form.hpp"
#include "ui/model/save_trace_model.hpp"
#include "ui/model/select_form.hpp"
#include "ui/model/trace_settings_form.hpp"
#include "ui/model/window_routing.hpp"

namespace tarvex::ui {
namespace {

// Shows nothing: records each form's caption, lets the case fill its model
// as the user would, and answers OK or Cancel.
struct RecordingForms final : MenuForms {
    std::vector<std::string> shown;
    std::function<void(FormModel&)> fill;
    bool ok = false;
    TPerformance* definitions = nullptr;
    std::uint32_t capacity = 0;
    const TPerformanceList* analysis = nullptr;
    int busy = 0;

    bool show(FormModel& model) {
        shown.push_back(model.caption());
        if (fill) fill(model);
        return ok;
    }
    bool copyFill(CopyFillFormModel& model) override { return show(model); }
    bool saveMemory(SaveMemoryFormModel& model) override { return show(model); }
    bool map(MapFormModel& model) override { return show(model); }
    bool basicBreak(BasicBreakFormModel& model) override { return show(model); }
    bool breaks(BreakFormModel& model) override { return show(model); }
    bool traceSettings(TraceSettingsFormModel& model) override { return show(model); }
    bool saveTrace(SaveTraceModel& model) override { return show(model); }
    void performanceDefinitions(TPerformance& perf, std::uint32_t traceCapacity, const DialogTables&) override {
        shown.push_back("Performance settings");
        definitions = &perf;
        capacity = traceCapacity;
    }
    void performanceAnalysis(const TPerformanceList& result, const IPerformanceTrace*, const IBankingInfo*) override {
        shown.push_back("Performance analysis");
        analysis = &result;
    }
    std::unique_ptr<platform::BusyCursor> busyCursor() override {
        ++busy;
        return std::make_unique<platform::NullBusyCursor>();
    }
};

// The windows of a build whose forms the recorder shows.
class RoutedWindows final : public IDriverWindows {
public:
    RoutedWindows(RecordingForms& forms, platform::SettingsStore& store) : forms_(forms), store_(store) {}
    TAgdiObject* object = nullptr;
    bool OptionsDialog() override { return fallback_.OptionsDialog(); }
    void* OpenTraceWindow(std::uint32_t id, void* var) override { return fallback_.OpenTraceWindow(id, var); }
    void CloseTraceWindow() override {}
    void UpdateTraceWindow() override {}
    void NotifyTraceWindow(std::uint32_t, std::uint32_t, const void*) override {}
    std::intptr_t SendTraceWindow(std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }
    bool TraceWindowExists() const override { return false; }
    void FreeTraceWindow() override {}
    void RunMenuDialog(MenuDialog which, const std::string& caption) override {
        runMenuDialog(object, which, caption, forms_, store_, fallback_);
    }

private:
    RecordingForms& forms_;
    platform::SettingsStore& store_;
    NoDriverWindows fallback_;
};

// The refresh requests the host sent to the IDE (callback 5).
int refreshes = 0;
std::uint32_t TARVEX_AGDI_CALL hostCallback(std::uint32_t code, void*) {
    if (code == 5) ++refreshes;
    return 0;
}

struct MenuHost : test::SimHost {
    MenuHost() : windows(forms, settings) {
        settings.writeInteger(TEmulator::VokWinKey, TEmulator::VokWinSection, "Tarvex", 1);
        DriverEnvironment env = environment();
        env.windows = &windows;
        open(env);
        windows.object = object.get();
        object->AG_Init(0x300 + 18, reinterpret_cast<std::uintptr_t>(&hostCallback));
    }
    ~MenuHost() { object.reset(); }

    RecordingForms forms;
    RoutedWindows windows;
};

template <typename Model>
std::function<void(FormModel&)> as(std::function<void(Model&)> fill) {
    return [fill](FormModel& m) {
        auto* model = dynamic_cast<Model*>(&m);
        ASSERT_NE(model, nullptr) << m.caption();
        fill(*model);
    };
}

struct MenuCase {
    const char* caption;
    int nth;
    const char* title;
    std::function<void(FormModel&)> fill;
    // Texts the history's new lines hold, each in one of them.
    std::vector<std::string> added;
    // The IDE is to refresh once the command changed memory.
    bool refresh;
};

TEST(WindowRouting, CancelSendsNothingAndOkRunsTheClosedDialogsCommand) {
    MenuHost h;
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    h.boxes.clear();
    ASSERT_TRUE(h.object->TraceBoardPresent());
    const std::string saved = (h.root.path() / "saved.hex").string();
    const auto range = [](const char* third) {
        return as<CopyFillFormModel>([third](CopyFillFormModel& m) {
            m.EditText("StartAdresse", "0100");
            m.EditText("EndAdresse", "010F");
            m.EditText("ZielAdresse", third);
            m.Ok();
        });
    };
    const std::vector<MenuCase> cases = {
        {"Initialize...", 0, "Initialize memory range", range("A5"), {" Data="}, true},
        {"Copy...", 0, "Copy memory range", range("0200"), {" Dest="}, true},
        {"Save...", 0, "Save memory range into file",
         as<SaveMemoryFormModel>([saved](SaveMemoryFormModel& m) {
             m.EditText("StartAdresse", "0100");
             m.EditText("EndAdresse", "010F");
             m.EditText("DateiName", saved);
             m.Ok();
         }),
         {" Format="}, false},
        {"Map...", 0, "Mapping",
         as<MapFormModel>([](MapFormModel& m) {
             m.EditEvent("4000 40FF");
             m.ClearProgram();
         }),
         {"ProgramMemory=("}, true},
        {"TARVEX Breaks...", 0, "Break settings",
         as<BreakFormModel>([](BreakFormModel& m) {
             m.EditEvent("1000 10FF");
             m.SetAddress();
             m.Ok();
         }),
         {"Break Break1 ", "Addresses=(1000 - 10FF)"}, false},
        {"Settings...", 0, "Trace settings",
         as<TraceSettingsFormModel>([](TraceSettingsFormModel& m) { m.ClickTimeBase(2); }),
         {"TimeBase=10 Mikroseconds"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        const auto before = h.history();
        const auto heard = h.boardCommands();
        h.forms.shown.clear();
        h.forms.ok = false;
        h.forms.fill = [&](FormModel& m) {
            c.fill(m);
            // Editing the dialog never reaches the board.
            EXPECT_EQ(h.boardCommands(), heard);
        };
        h.object->SetRefreshPending(false);
        refreshes = 0;
        h.pick(c.caption, c.nth);
        EXPECT_EQ(h.forms.shown, std::vector<std::string>{c.title});
        EXPECT_EQ(h.history(), before);
        EXPECT_EQ(h.boardCommands(), heard);
        EXPECT_FALSE(h.object->RefreshPending());

        h.forms.ok = true;
        h.pick(c.caption, c.nth);
        const auto after = h.history();
        ASSERT_GT(after.size(), before.size());
        std::string added;
        for (std::size_t i = before.size(); i < after.size(); ++i) added += after[i] + "\n";
        for (const auto& text : c.added) EXPECT_NE(added.find(text), std::string::npos) << text << " in\n" << added;
        if (c.refresh)
            EXPECT_TRUE(refreshes > 0 || h.object->RefreshPending());
        else
            EXPECT_FALSE(h.object->RefreshPending());
        for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
        h.boxes.clear();
    }
    EXPECT_TRUE(std::filesystem::exists(saved));
    // What the chains sent is in the live table now.
    EXPECT_EQ(h.object->SelectTable().GetItemText(10), "1000 - 10FF");
    EXPECT_EQ(h.object->SelectTable().GetTimeBase(), 2);
}

TEST(WindowRouting, ThePerformanceFormsGetTheMeasurementAndWithoutOneTheMenusCaptionAnswers) {
    MenuHost h;
    // Without an object (or its measurement) the build without windows
    // answers under the caption the menu gave.
    NoDriverWindows fallback;
    const std::pair<MenuDialog, const char*> missing[] = {{MenuDialog::PerformanceDefinitions, "Measure..."},
                                                          {MenuDialog::PerformanceAnalysis, "Analyse..."},
                                                          {MenuDialog::Map, "Map..."}};
    for (const auto& [which, caption] : missing) {
        h.boxes.clear();
        runMenuDialog(nullptr, which, caption, h.forms, h.settings, fallback);
        ASSERT_EQ(h.boxes.shown().size(), 1u);
        EXPECT_EQ(h.boxes.shown()[0].text, std::string(caption, std::strlen(caption) - 3) + ": not available in this build");
    }
    EXPECT_TRUE(h.forms.shown.empty());

    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    h.boxes.clear();
    TPerformance* perf = nullptr;
    ASSERT_NO_FATAL_FAILURE(h.expectNoAnalysisYet(perf));
    EXPECT_TRUE(h.forms.shown.empty());
    h.boxes.clear();

    h.pick("Performance definitions...");
    EXPECT_EQ(h.forms.shown, std::vector<std::string>{"Performance settings"});
    EXPECT_EQ(h.forms.definitions, perf);
    const IPerformanceTrace* trace = h.object->PerformanceTrace();
    EXPECT_EQ(h.forms.capacity, trace ? static_cast<std::uint32_t>(std::max(trace->capacity(), 1)) : 32768u);
    EXPECT_GT(h.forms.capacity, 0u);

    // A halt while measuring leaves a result, worked out under the busy
    // cursor.
    TPerformanceList ranges;
    ranges.Items.push_back(std::make_unique<TPerformanceItem>());
    ranges.Items[0]->Name = "start";
    ranges.Items[0]->RangeText = "0000 0100";
    perf->SetDefinitionen(ranges);
    perf->SetTraceModus(1);
    perf->SetActive(true);
    ASSERT_EQ(h.object->AG_GoStep(2, 3, nullptr), 0u);
    ASSERT_TRUE(perf->HasErgebnis());
    h.forms.shown.clear();
    h.pick("Performance analysis...");
    EXPECT_EQ(h.forms.shown, std::vector<std::string>{"Performance analysis"});
    ASSERT_NE(h.forms.analysis, nullptr);
    EXPECT_GE(h.forms.analysis->Items.size(), 2u);
    EXPECT_EQ(h.forms.busy, 1);
    for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
}

}  // namespace
}  // namespace tarvex::ui
