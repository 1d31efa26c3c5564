#pragma once
// Builds a form described as data (ui/forms/) out of Qt widgets inside a
// given window and binds each widget by its name to the form's model: the
// window re-reads the whole model whenever the model reports a change, and
// hands every user action to the form's events (the close box and Escape
// ask its closing event first). Places and sizes are the
// description's, scaled by how much wider and taller the window's font is
// than the dialog font they were drawn in, so no caption is cut.
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/settings.hpp"
#include "ui/forms/form_description.hpp"
#include "ui/forms/form_events.hpp"
#include "ui/model/form_model.hpp"

class QDialog;
class QWidget;

namespace tarvex::ui {

class HistoryCombo;

// What the user does on a form: the events both renderers share
// (ui/forms/form_events.hpp), and what only this one asks of its view.
struct QtFormEvents : forms::FormEvents {
    QtFormEvents() = default;
    // The events a form's model routes.
    QtFormEvents(forms::FormEvents shared) : forms::FormEvents(std::move(shared)) {}

    // Makes the widget of a control the view fills itself, a child of
    // `parent`: a custom control, or an edit the view shows as a spin box.
    // Unset, or null answered: the renderer's own widget. The renderer
    // binds a spin box as the edit it stands for (its text is the value).
    std::function<QWidget*(const forms::Control& control, QWidget* parent)> custom;
};

class QtForm final : public QObject {
    Q_OBJECT
public:
    // Builds the controls as children of `window`, which gets the form's
    // class name, caption and size; the model is read at once. The combo
    // boxes keep their histories in `store`, under the sections the
    // description gives them, their newest entries handed to the text event
    // before the model is first read. Lives no longer than the model (a view
    // holds it as a member after its model).
    QtForm(QWidget& window, const forms::Form& description, FormModel& model, QtFormEvents events = {},
           platform::SettingsStore& store = platform::defaultSettings(), QtForm* host = nullptr);
    // A page of the host's tab control: a form on a tab of its own, whose
    // text is what the host's model says under the page's name, else the
    // page's caption. A page over the host's own model is re-read with the
    // host. Lives no longer than the host.
    QtForm(const forms::Form& page, FormModel& model, QtFormEvents events, QtForm& host,
           const std::string& tabControl);
    // Such a page, kept by this form.
    QtForm& addPage(const std::string& tabControl, const forms::Form& page, FormModel& model,
                    QtFormEvents events = {});
    // A page on the form's tab control (its first).
    QtForm& addPage(const forms::Form& page, FormModel& model, QtFormEvents events = {});
    ~QtForm() override;

    QWidget& window() const { return window_; }
    const forms::Form& description() const { return description_; }
    // Null for a name neither the form nor its pages have.
    QWidget* control(const std::string& name) const;
    template <class W>
    W* control(const std::string& name) const {
        return qobject_cast<W*>(control(name));
    }
    HistoryCombo* combo(const std::string& name) const;

    // Reads the whole model into the controls.
    void refresh();
    // The texts of the shown history fields (the pages' too) to the front of
    // their histories.
    void keepHistories();
    // The name of the control (of the form or a page) that has the focus or
    // holds it; empty: none.
    std::string focused() const;
    // The field shows the history of `section` (unless it already does).
    void showHistory(const std::string& field, const std::string& section);
    // The form `less` pixels of the description less high than designed (0:
    // as designed); the controls that keep their bottom margin move with it.
    void fitHeight(int less);
    bool refreshing() const { return refreshing_; }

signals:
    // The controls show the model anew (after refresh()).
    void refreshed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* create(const forms::Control& control);
    void connectEvents(const forms::Control& control, QWidget* widget);
    // What the shared binders leave: group captions, radio items of their
    // own, labels that follow their controls.
    void bindOwnStates();
    void bindEdits();
    void bindReportLists();
    void focusMoved(QWidget* now);
    void place();
    QRect placeOf(const forms::Control& control, int grownWidth, int grownHeight) const;
    QtForm(QWidget& window, const forms::Form& page, FormModel& model, QtFormEvents events, QtForm& host,
           const std::string& tabControl);
    void refreshTabs();
    // The leave event of the edit that has the focus, if the form or a page
    // has it: false keeps the focus there.
    bool leaveFocused();

    QWidget& window_;
    forms::Form description_;
    FormModel& model_;
    QtFormEvents events_;
    platform::SettingsStore& store_;
    std::map<std::string, QWidget*> widgets_;
    QtForm* host_ = nullptr;
    // The pages on this form's tab controls, by their tab control.
    std::vector<std::pair<std::string, QtForm*>> pages_;
    std::vector<std::unique_ptr<QtForm>> ownPages_;
    double scaleX_ = 1, scaleY_ = 1;
    bool refreshing_ = false;
};

// The form's window as its routing sees it: a dialog that ends by done().
forms::FormWindow dialogWindow(QDialog& dialog, QtForm& form);

// The factors that take the description's pixels (drawn in a dialog font
// 6 pixels wide on average and 13 high) to `window`'s font; never below 1.
std::pair<double, double> formScale(const QWidget& window);

}  // namespace tarvex::ui
