// The driver menu's dialogs through the Qt windows on the host object over
// the simulated board: each form's widgets reach its model, Cancel leaves
// no command and OK runs one; the performance dialogs work on the object's
// measurement; the "?" buttons open the symbol browser; the generation
// chooser appears while the emulator starts without a stored generation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "emulator/emulator.hpp"
#include "emulator/debug/performance.hpp"
#include "emulator/debug/select_table.hpp"
#include "host/agdi_object.hpp"
#include "host/command.hpp"
#include "host/command_history.hpp"
#include "host/load/loader.hpp"
#include "host/options.hpp"
#include "platform/clock.hpp"
#include "platform/host_window.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "sim/standin_root.hpp"
#include "tests/support/host/windowed_host.hpp"
#include "tests/support/test_support.hpp"
#include "ui/qt/history_combo.hpp"
#include "ui/qt/driver/generation_chooser.hpp"
#include "ui/model/host_trace_export.hpp"
#include "ui/model/trace_box.hpp"
#include "ui/model/trace_window.hpp"
#include "ui/qt/driver/qt_driver_windows.hpp"
#include "ui/qt/radio_group.hpp"
#include "ui/qt/status_forms.hpp"
#include "ui/qt/driver/symbol_browser_dialog.hpp"
#include "ui/qt/driver/trace_window.hpp"

namespace tarvex::ui {
namespace {

// Runs the action on the modal dialog of that class once it shows; a
// dialog of another class (its owner) is passed over.
template <typename T = QWidget>
void whenShown(std::function<void(T&)> action, int tries = 400) {
    QTimer::singleShot(5, [action, tries] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (w && w->isVisible())
            action(*w);
        else if (tries > 0)
            whenShown<T>(action, tries - 1);
    });
}

void click(QWidget& dialog, const char* name) {
    auto* b = dialog.findChild<QAbstractButton*>(name);
    ASSERT_NE(b, nullptr) << name;
    b->click();
}

void enter(QWidget& dialog, const char* combo, const char* text) {
    auto* c = dialog.findChild<HistoryCombo*>(combo);
    ASSERT_NE(c, nullptr) << combo;
    c->setEditText(QString::fromUtf8(text));
}

// The IDE's callback: the refresh requests are the routing test's.
std::uint32_t TARVEX_AGDI_CALL hostCallback(std::uint32_t, void*) { return 0; }

struct MenuHost : test::WindowedHost<QtDriverWindows> {
    explicit MenuHost(bool storedGeneration = true) : WindowedHost(storedGeneration) {
        object->AG_Init(0x300 + 18, reinterpret_cast<std::uintptr_t>(&hostCallback));
    }
    // The start; an options dialog it may open (no project options) is
    // cancelled, as the build without windows answers it.
    std::uint32_t start() {
        QTimer cancelOptions;
        QObject::connect(&cancelOptions, &QTimer::timeout, [] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (d && d->isVisible() && d->windowTitle() == "Options") d->reject();
        });
        cancelOptions.start(5);
        const std::uint32_t result = object->AG_Init(0x100, 0);
        // No project here: the options' file is missing.
        boxes.clear();
        return result;
    }
};

// The routing behind the forms (board silence, refresh, the commands and
// their effects) is checked once for every build in the window routing
// test; here only the Qt forms themselves: their widgets reach the model,
// Cancel answers false and OK true.
using MenuCase = test::MenuFormCase<QWidget>;

TEST(MenuDialogs, EachFormsWidgetsReachItsModelAndCancelOrOkAnswers) {
    MenuHost h;
    ASSERT_EQ(h.start(), 0u);
    ASSERT_TRUE(h.object->TraceBoardPresent());
    const std::string saved = (h.root.path() / "saved.hex").string();
    const std::vector<MenuCase> cases = {
        {"Initialize...", 0, "Initialize memory range",
         [](QWidget& d) {
             enter(d, "StartAdresse", "0100");
             enter(d, "EndAdresse", "010F");
             enter(d, "ZielAdresse", "A5");
         },
         "OkButton", " Data="},
        {"Copy...", 0, "Copy memory range",
         [](QWidget& d) {
             enter(d, "StartAdresse", "0100");
             enter(d, "EndAdresse", "010F");
             enter(d, "ZielAdresse", "0200");
         },
         "OkButton", " Dest="},
        {"Save...", 0, "Save memory range into file",
         [saved](QWidget& d) {
             enter(d, "StartAdresse", "0100");
             enter(d, "EndAdresse", "010F");
             enter(d, "DateiName", saved.c_str());
         },
         "OkButton", " Format="},
        {"Map...", 0, "Mapping",
         [](QWidget& d) {
             enter(d, "AdrName", "4000 40FF");
             click(d, "DeleteProgram");
         },
         "OkButton", "ProgramMemory=("},
        {"TARVEX Breaks...", 0, "Break settings",
         [](QWidget& d) {
             enter(d, "Event", "1000 10FF");
             click(d, "EnterAdresse");
         },
         "Ok", "Addresses=(1000 - 10FF)"},
        {"Settings...", 0, "Trace settings",
         [](QWidget& d) { d.findChild<RadioGroup*>("TimeBaseGroup")->button(2)->click(); }, "OkButton",
         "TimeBase=10 Mikroseconds"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        const auto before = h.history();
        for (const bool ok : {false, true}) {
            bool shown = false;
            whenShown<QDialog>([&](QDialog& d) {
                shown = true;
                EXPECT_EQ(d.windowTitle().toStdString(), c.title);
                c.fill(d);
                click(d, ok ? c.ok : "CancelButton");
            });
            h.pick(c.caption, c.nth);
            ASSERT_TRUE(shown) << ok;
            // Cancel answered false: no command.
            if (!ok) {
                EXPECT_EQ(h.history(), before);
            }
        }
        EXPECT_TRUE(h.historyGained(before, c.added)) << c.added;
        for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
        h.boxes.clear();
    }
    EXPECT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(h.object->SelectTable().GetItemText(10), "1000 - 10FF");
    EXPECT_EQ(h.object->SelectTable().GetTimeBase(), 2);
}

TEST(MenuDialogs, PerformanceDefinitionsReachTheMeasurementAndAHaltGivesTheAnalysis) {
    MenuHost h;
    ASSERT_EQ(h.start(), 0u);
    TPerformance* perf = nullptr;
    ASSERT_NO_FATAL_FAILURE(h.expectNoAnalysisYet(perf));
    h.boxes.clear();

    whenShown<QDialog>([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Performance settings");
        enter(d, "BereichAdresse", "0000 0100");
        enter(d, "Kommentar", "start");
        click(d, "InsertButton");
        d.findChild<RadioGroup*>("TimeBaseGroup")->button(1)->click();
        d.findChild<QCheckBox*>("CheckBoxPerfMode")->click();
        click(d, "OkButton");
    });
    h.pick("Performance definitions...");
    ASSERT_NO_FATAL_FAILURE(h.expectMeasuringTheStartRange(*perf));
    bool analysed = false;
    whenShown<QDialog>([&](QDialog& d) {
        analysed = true;
        EXPECT_EQ(d.windowTitle(), "Performance analysis");
        auto* rows = d.findChild<QTreeWidget*>("ListView");
        ASSERT_NE(rows, nullptr);
        // The range and the rest of the run.
        EXPECT_GE(rows->topLevelItemCount(), 2);
        EXPECT_EQ(rows->topLevelItem(0)->text(6), "start");
        saveShot(d, "TFormPerformanceAnalyse-menu");
        click(d, "OkButton");
    });
    h.pick("Performance analysis...");
    EXPECT_TRUE(analysed);
    for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
}

TEST(MenuDialogs, QuestionButtonsOpenTheSymbolBrowserAndTheStartAsksForTheGeneration) {
    MenuHost h(false);
    bool chooser = false;
    whenShown<GenerationChooser>([&](GenerationChooser& g) {
        chooser = true;
        g.findChildren<QRadioButton*>()[1]->click();
        click(g, "OkButton");
    });
    ASSERT_EQ(h.start(), 0u);
    EXPECT_TRUE(chooser);
    EXPECT_EQ(h.object->Emulator().Generation(), 1);

    bool browsed = false;
    whenShown<QDialog>([&](QDialog& d) {
        whenShown<SymbolBrowserDialog>([&](SymbolBrowserDialog& b) {
            browsed = true;
            EXPECT_EQ(b.windowTitle(), "Loaded symbols");
            b.reject();
        });
        click(d, "SucheStart");
        click(d, "CancelButton");
    });
    h.pick("Copy...");
    EXPECT_TRUE(browsed);
    EXPECT_TRUE(h.history().empty());
}

// Loads ports.omf (or the program given) through the load command and runs
// it to 0xE1: a real recording of a few hundred frames.
void loadAndRun(MenuHost& h, std::string program = {}) {
    ASSERT_NO_FATAL_FAILURE(program.empty() ? h.loadObject() : h.loadObject(program));
    ASSERT_FALSE(h.object->Loader().Failed());
    std::uint32_t until = 0xFF0000E1u;
    ASSERT_EQ(h.object->AG_GoStep(3, 0, &until), 0u);
}

// What a repeating zero timer saw of a top-level widget of that name while
// the action ran, and a click on its child when it was visible.
struct Watch {
    Watch(const char* form, const char* button = nullptr) {
        QObject::connect(&timer, &QTimer::timeout, [this, form, button] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() != form || !w->isVisible()) continue;
                seen = true;
                if (button) w->findChild<QPushButton*>(button)->click();
            }
        });
        timer.start(0);
    }
    QTimer timer;
    bool seen = false;
};

TEST(MenuDialogs, SaveTraceWritesTheTextUnderTheProgressFormAndCancelEndsIt) {
    MenuHost h;
    HostTraceExport exporter(*h.object);
    ASSERT_EQ(h.start(), 0u);
    ASSERT_NO_FATAL_FAILURE(loadAndRun(h));
    const auto frames = h.object->TracePlatine()->FrameCount();
    ASSERT_GT(frames, 100u);
    h.boxes.clear();
    const std::string file = (h.root.path() / "trace").string();
    auto save = [&](const char* end) {
        whenShown<QDialog>([&, end](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), "Save trace into file");
            enter(d, "DateiName", file.c_str());
            enter(d, "StartAdresse", "0");
            enter(d, "EndAdresse", end);
            click(d, "OkButton");
        });
        h.pick("Save...", 1);
    };
    auto lines = [&] {
        const auto bytes = test::readBytes(file + ".txt");
        return std::count(bytes.begin(), bytes.end(), '\n');
    };

    {
        Watch progress("TFormSaveStatus");
        save("100000");
        EXPECT_TRUE(progress.seen);
    }
    auto* form = dynamic_cast<SaveStatusForm*>(platform::currentUi().saveStatus);
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), "Save trace");
    EXPECT_EQ(form->model().control("AdressBereich").text, "0 - " + std::to_string(frames - 1));
    // The end past the trace is corrected after the warning.
    ASSERT_EQ(h.boxes.shown().size(), 1u);
    EXPECT_EQ(h.boxes.shown()[0].text, "Frame index 100000 out of range");
    h.boxes.clear();
    const auto whole = lines();
    EXPECT_GT(whole, 100);
    EXPECT_NE(form->model().control("Status").text.find(" Frames"), std::string::npos);
    EXPECT_EQ(h.history().back().rfind("SaveTrace ", 0), 0u) << h.history().back();

    // "Abbrechen" ends the export; the lines so far stay in the file.
    {
        Watch cancel("TFormSaveStatus", "CancelButton");
        save(std::to_string(frames - 1).c_str());
        EXPECT_TRUE(cancel.seen);
    }
    EXPECT_LT(lines(), whole / 2);
    EXPECT_GE(lines(), 2);
    for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
}

TEST(MenuDialogs, AProgramLoadShowsTheLoadStatusForm) {
    MenuHost h;
    ASSERT_EQ(h.start(), 0u);
    Watch progress("TFormLadeStatus");
    ASSERT_NO_FATAL_FAILURE(loadAndRun(h));
    EXPECT_TRUE(progress.seen);
    auto* form = dynamic_cast<LoadStatusForm*>(platform::currentUi().loadStatus);
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(form->isVisible());
    EXPECT_NE(form->model().control("Dateiname").text.find("ports.omf"), std::string::npos);
    EXPECT_NE(form->model().control("ZeilenAnzahl").text, "0");
    for (const auto& b : h.boxes.shown()) ADD_FAILURE() << b.text;
}

// No help viewer here: every Help button, F1 and the host's help routine
// say so, once per request.
TEST(MenuDialogs, HelpSaysOncePerRequestThatItCannotBeShownHere) {
    MenuHost h;
    ASSERT_EQ(h.start(), 0u);
    const std::string notice = "No help viewer for " +
                               std::filesystem::path(h.object->Options().HelpFileName()).filename().string() +
                               " (topic 310).";
    EXPECT_EQ(h.object->ShowHelp(310, nullptr), 0u);
    ASSERT_EQ(h.boxes.shown().size(), 1u);
    EXPECT_EQ(h.boxes.shown()[0].text, notice);
    h.boxes.clear();

    whenShown<QDialog>([&](QDialog& d) {
        click(d, "HilfeButton");
        QTest::keyClick(&d, Qt::Key_F1);
        click(d, "CancelButton");
    });
    h.pick("Settings...");
    ASSERT_EQ(h.boxes.shown().size(), 2u);
    EXPECT_EQ(h.boxes.shown()[0].text.rfind("No help viewer for ", 0), 0u) << h.boxes.shown()[0].text;
    EXPECT_EQ(h.boxes.shown()[1].text, h.boxes.shown()[0].text);
    h.boxes.clear();

    h.pick("Trace memory");
    TraceWindow* w = h.windows.traceWindow();
    ASSERT_NE(w, nullptr);
    QTest::keyClick(w, Qt::Key_F1);
    ASSERT_EQ(h.boxes.shown().size(), 1u);
    EXPECT_NE(h.boxes.shown()[0].text.find("(topic 220)."), std::string::npos) << h.boxes.shown()[0].text;
}

// An OMF program names no source files: its module's name with a source
// extension is the file, for the trace's source rows as for its context
// list, so both show the same lines.
TEST(MenuDialogs, TheTraceRowsAndTheContextListShowTheSameSourceLines) {
    MenuHost h;
    ASSERT_EQ(h.start(), 0u);
    const auto dir = h.root.path() / "program";
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(test::sourceDir() / "examples" / "build" / "ports.omf", dir / "ports.omf");
    std::filesystem::copy_file(test::sourceDir() / "examples" / "src" / "ports.c", dir / "PORTS.c");
    ASSERT_NO_FATAL_FAILURE(loadAndRun(h, (dir / "ports.omf").string()));
    std::vector<std::string> file;
    {
        const auto bytes = test::readBytes((dir / "PORTS.c").string());
        std::string line;
        for (char c : bytes) {
            if (c == '\n') {
                file.push_back(line);
                line.clear();
            } else if (c != '\r') {
                line += c;
            }
        }
    }
    h.pick("Trace memory");
    TraceWindow* w = h.windows.traceWindow();
    ASSERT_NE(w, nullptr);
    for (int mode : {tdMixedMode, tdSource}) {
        SCOPED_TRACE(mode);
        w->model().setDarstellung(mode);
        w->rowsChanged();
        TraceBoxModel& box = w->model().box();
        int sourceRows = 0;
        for (int row = 0; row < box.rowCount(); ++row) {
            const TTraceItem& item = box.item(row);
            if (item.kind != TTraceItem::Source) continue;
            ++sourceRows;
            ASSERT_GE(item.lineNumber, 1u);
            ASSERT_LE(item.lineNumber, file.size());
            EXPECT_EQ(item.instruction, file[item.lineNumber - 1]) << "line " << item.lineNumber;
            EXPECT_FALSE(item.instruction.empty()) << "line " << item.lineNumber;
        }
        EXPECT_GT(sourceRows, 0);
        if (mode == tdMixedMode) {
            w->resize(1100, 560);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
            w->rowsChanged();
            saveShot(*w, "TTraceForm-board");
        }
    }
    w->model().setContext(true);
    w->rowsChanged();
    TraceBoxModel& box = w->model().box();
    box.setCaretRow(box.rowCount() - 1);
    w->rowsChanged();
    ASSERT_EQ(box.contextLines().size(), file.size());
    for (std::size_t i = 0; i < file.size(); ++i) EXPECT_EQ(box.contextLines()[i].text, file[i]) << i + 1;
    saveShot(*w, "TTraceForm-board-context");
}

}  // namespace
}  // namespace tarvex::ui
