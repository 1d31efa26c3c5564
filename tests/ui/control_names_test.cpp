// Every control name a form's model sets has its control in every backend:
// a widget of that object name in the Qt view, and a control of that name
// in the form's description the Win32 renderer builds. A name the model
// sets but no backend shows is a state nobody sees; "<group>#<index>" is the
// state of a radio group's item, which both backends make from the group.
#include <gtest/gtest.h>

#include <QTabWidget>

#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "ui/forms/options_forms.hpp"
#include "ui/lpc_config_dialog.hpp"
#include "ui/options_dialog.hpp"
#include "ui/base/radio_group.hpp"

namespace tarvex::ui {
namespace {

// The names the model sets that the widget tree and the description lack.
std::vector<std::string> missing(const FormModel& model, const QWidget& view, const forms::Form& form) {
    std::vector<std::string> out;
    for (const auto& [name, state] : model.controls()) {
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

}  // namespace
}  // namespace tarvex::ui
