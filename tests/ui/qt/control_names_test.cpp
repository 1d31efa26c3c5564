// Every control name a form's model sets has its control in every backend:
// a widget of that object name in the Qt view, and a control of that name
// in the form's description the Win32 renderer builds. A name the model
// sets but no backend shows is a state nobody sees; "<group>#<index>" is the
// state of a radio group's item, which both backends make from the group.
#include <gtest/gtest.h>

#include <QTabWidget>

#include "core/line_table.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/validator.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "tests/support/target/fake_performance_trace.hpp"
#include "tests/support/target/sim_target.hpp"
#include "ui/qt/radio_group.hpp"
#include "ui/qt/driver/copy_fill_dialog.hpp"
#include "ui/forms/maintenance_forms.hpp"
#include "ui/forms/memory_forms.hpp"
#include "ui/forms/options_forms.hpp"
#include "ui/forms/performance_forms.hpp"
#include "ui/forms/select_forms.hpp"
#include "ui/forms/status_forms.hpp"
#include "ui/forms/symbol_forms.hpp"
#include "ui/forms/trace_forms.hpp"
#include "ui/qt/driver/generation_chooser.hpp"
#include "ui/qt/driver/iap_form.hpp"
#include "ui/qt/driver/lpc_config_dialog.hpp"
#include "ui/qt/driver/options_dialog.hpp"
#include "ui/qt/driver/performance_dialogs.hpp"
#include "ui/qt/driver/save_memory_dialog.hpp"
#include "ui/qt/driver/select_dialogs.hpp"
#include "ui/qt/status_forms.hpp"
#include "ui/qt/driver/symbol_browser_dialog.hpp"
#include "ui/qt/driver/trace_dialogs.hpp"

namespace tarvex::ui {
namespace {

// The names the model sets that the widget tree and the description lack.
std::vector<std::string> missing(const FormModel& model, const QWidget& view, const forms::Form& form) {
    std::vector<std::string> out;
    for (const auto& [name, state] : model.controls()) {
        // Not a control: the frame search's lower part, which its views fold away.
        if (name == "BottomPanel") continue;
        const auto hash = name.find('#');
        const std::string control = name.substr(0, hash);
        if (hash == std::string::npos) {
            if (!view.findChild<QWidget*>(QString::fromStdString(name))) out.push_back("Qt: " + name);
        } else {
            auto* group = view.findChild<RadioGroup*>(QString::fromStdString(control));
            if (!group || !group->button(std::stoi(name.substr(hash + 1)))) out.push_back("Qt: " + name);
        }
        const forms::Control* described = form.find(control);
        if (!described || (hash != std::string::npos && described->kind != forms::Kind::RadioGroup))
            out.push_back(form.name + ": " + name);
    }
    return out;
}

TEST(ControlNames, TheOptionsPagesAndTheLpcPagesHaveEveryControlTheirModelsSet) {
    RecordingOptionsTarget t;
    t.manufacturerOfProcessor = {{"80C51", "Intel"}, {"DS80C390", "Dallas"}};
    t.entries = {{"80C51", {2, 0}}, {"DS80C390", {10, 1}}};
    platform::MemorySettingsStore store;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    OptionsFormModel model(t, store);
    model.fill();
    // Every rule once more, so that their controls are set too.
    model.chooseManufacturer(0);
    model.chooseLinkKind(2);
    model.refreshUsb();
    model.chooseGeneration(2);
    OptionsDialog dialog(model, store);
    const FormModel* pages[] = {&model.preferences, &model.interface, &model.processor,
                                &model.hardware,    &model.banking,   &model.watchdog};
    for (std::size_t i = 0; i < std::size(pages); ++i) {
        QWidget* page = dialog.pages()->widget(static_cast<int>(i));
        EXPECT_EQ(missing(*pages[i], *page, *forms::optionsPages()[i]), std::vector<std::string>{});
        EXPECT_EQ(page->objectName().toStdString(), forms::optionsPages()[i]->name);
        EXPECT_EQ(dialog.pages()->tabText(static_cast<int>(i)).toStdString(), forms::optionsPages()[i]->caption);
    }
    EXPECT_EQ(missing(model, dialog, forms::optionsForm()), std::vector<std::string>{});

    LpcConfigModel lpc(store);
    LpcConfigDialog lpcDialog(lpc);
    forms::Form lpcForm = forms::lpcConfigForm();
    for (const forms::Form* page : {&forms::lpcUcfg1Page(), &forms::lpcPartConfigPage()}) {
        // A page's name is the tab that shows it.
        lpcForm.controls.push_back(forms::Control{forms::Kind::Label, page->name, "", 0, 0, 0, 0});
        lpcForm.controls.insert(lpcForm.controls.end(), page->controls.begin(), page->controls.end());
    }
    EXPECT_EQ(missing(lpc, lpcDialog, lpcForm), std::vector<std::string>{});
}

// Every other form of the driver, each over a model in a state that sets
// its controls.
TEST(ControlNames, EveryOtherFormHasEveryControlItsModelSets) {
    platform::MemorySettingsStore store;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    int forms = 0;
    const auto check = [&forms](const FormModel& model, const QWidget& view, const forms::Form& form) {
        ++forms;
        EXPECT_EQ(missing(model, view, form), std::vector<std::string>{}) << form.name;
        EXPECT_FALSE(model.controls().empty()) << form.name;
    };

    TSymboltabelle symbols;
    DialogTables tables;
    tables.symbols = &symbols;
    tables.systemMode = true;
    {
        CopyFillFormModel model(tables, store);
        CopyFillDialog dialog(model, store);
        for (TCFAufgabe task : {cfKopieren, cfEpromKopieren, cfFuellen}) model.SetAufgabe(task);
        check(model, dialog, forms::copyFillForm());
    }
    {
        SaveMemoryFormModel model(tables, store, "/objects");
        SaveMemoryDialog dialog(model, store);
        check(model, dialog, forms::saveMemoryForm());
    }

    test::SimTarget target;
    target.start();
    TSelectWiring wiring{*target.emu, *target.banking, *target.spaces, target.options, target.notifier};
    TSelectTabelle live(wiring);
    live.InitEmulStart();
    TKdoSelectTabelle offline(wiring);
    offline.CopyFrom(live);
    {
        BasicBreakFormModel basic(store);
        MapFormModel map(store);
        BreakFormModel breaks(store, nullptr);
        TraceSettingsFormModel trace(store);
        for (SelectFormModel* model : std::initializer_list<SelectFormModel*>{&basic, &map, &breaks, &trace})
            model->SetSettings(&offline);
        BasicBreakDialog basicDialog(basic, store);
        MapDialog mapDialog(map, store);
        BreakSettingsDialog breakDialog(breaks, store);
        TraceSettingsDialog traceDialog(trace, store);
        check(basic, basicDialog, forms::basicBreakForm());
        check(map, mapDialog, forms::mapForm());
        check(breaks, breakDialog, forms::breakForm());
        check(trace, traceDialog, forms::traceSettingsForm());
    }
    {
        test::FakePerformanceTrace trace;
        TPerformance perf(std::make_unique<TVokWinValidator>(&symbols, nullptr, nullptr, nullptr),
                          TPerformanceWiring{&trace});
        PerfDefineModel define(tables, store, PerfSettingsOf(perf, 131072));
        PerformanceDefineDialog defineDialog(define, store);
        check(define, defineDialog, forms::performanceDefineForm());
        PerfAnalyseModel analyse(store, nullptr, &trace);
        PerformanceAnalyseDialog analyseDialog(analyse);
        check(analyse, analyseDialog, forms::performanceAnalyseForm());
    }
    {
        TZeilennummertabelle lines{symbols};
        TRegisterTabelle registers;
        SymbolBrowserModel model(SymbolBrowserSources{&symbols, &lines, &registers, true}, store);
        SymbolBrowserDialog dialog(model, store);
        check(model, dialog, forms::symbolBrowserForm());
    }
    {
        SaveTraceModel save(store, "/tmp");
        SaveTraceDialog saveDialog(save, store);
        check(save, saveDialog, forms::saveTraceForm());
        TraceColumnsModel columns(store, tdMixedMode);
        TraceColumnsDialog columnsDialog(columns);
        check(columns, columnsDialog, forms::traceColumnsForm());
        GotoModel go(store, GotoBanking{3, -1, 15});
        GotoDialog goDialog(go, store);
        check(go, goDialog, forms::gotoForm());
        TVokWinValidator validator(nullptr, nullptr, nullptr, nullptr);
        FramePatternModel search(store, validator);
        FrameSearchDialog searchDialog(search, store);
        check(search, searchDialog, forms::frameSearchForm());
    }
    {
        GenerationChooser chooser;
        check(chooser.model(), chooser, forms::generationChooserForm());
        for (int form = 0; form < 3; ++form) {
            IapForm iap(form, *target.emu, store);
            check(iap.iapModel(), iap, forms::iapForm());
        }
    }
    {
        LoadStatusForm load;
        check(load.model(), load, forms::loadStatusForm());
        SaveStatusForm save;
        check(save.model(), save, forms::saveStatusForm());
        StopErrorForm stop;
        check(stop.model(), stop, forms::stopErrorForm());
    }
    // With the options and LPC pages above, and the error and notice forms
    // (a message and its buttons, set by no model in Qt), all 30.
    EXPECT_EQ(forms, 20);
}

}  // namespace
}  // namespace tarvex::ui
