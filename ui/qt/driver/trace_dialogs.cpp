#include "ui/qt/driver/trace_dialogs.hpp"

#include "ui/forms/trace_forms.hpp"

namespace tarvex::ui {

// ---- Save trace

SaveTraceDialog::SaveTraceDialog(SaveTraceModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), model_(model),
      form_(*this, forms::saveTraceForm(), model, model.events(dialogWindow(*this, form_)), store) {}

// ---- Columns

TraceColumnsDialog::TraceColumnsDialog(TraceColumnsModel& model, QWidget* parent)
    : DialogBase(model, parent), form_(*this, forms::traceColumnsForm(), model, model.events(dialogWindow(*this, form_))) {}

// ---- Goto

GotoDialog::GotoDialog(GotoModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), model_(model), form_(*this, forms::gotoForm(), model, events(), store) {}

QtFormEvents GotoDialog::events() {
    auto window = dialogWindow(*this, form_);
    window.end = [this](bool ok) { done(!ok ? Rejected : model_.chosenBank() ? ResultYes : Accepted); };
    auto events = model_.events(std::move(window));
    // The form is as high as the bank group needs: the group shown, or not.
    events.changed = [this, changed = std::move(events.changed)] {
        if (changed) changed();
        form_.fitHeight(model_.bankGroupShown() ? 0 : forms::kGotoBankGroupHeight);
    };
    return events;
}

// ---- Frame search

FrameSearchDialog::FrameSearchDialog(FramePatternModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), model_(model), form_(*this, forms::frameSearchForm(), model, events(), store) {
    // The lower part is a panel under the other controls that holds them, so
    // that it folds away as one.
    bottomPanel_ = new QWidget(this);
    bottomPanel_->setObjectName(FramePatternModel::kBottomPanel);
    bottomPanel_->setGeometry(rect());
    bottomPanel_->lower();
    for (const char* group : FramePatternModel::kBottomPanelGroups) form_.control(group)->setParent(bottomPanel_);
    form_.refresh();
}

QtFormEvents FrameSearchDialog::events() {
    auto events = model_.events(dialogWindow(*this, form_));
    events.changed = [this, changed = std::move(events.changed)] {
        if (changed) changed();
        form_.fitHeight(model_.control(FramePatternModel::kBottomPanel).visible ? 0 : forms::kFrameBottomPanelHeight);
        if (bottomPanel_) bottomPanel_->setGeometry(rect());
    };
    return events;
}

}  // namespace tarvex::ui
