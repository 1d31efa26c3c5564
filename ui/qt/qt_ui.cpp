#include "ui/qt/qt_ui.hpp"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <utility>

#include "ui/forms/status_forms.hpp"
#include "ui/model/file_filter.hpp"
#include "ui/model/status_forms.hpp"
#include "ui/qt/qt_form.hpp"

namespace tarvex::ui {
namespace {

QMessageBox::StandardButton standardOf(int id) {
    switch (id) {
        case platform::IdOk: return QMessageBox::Ok;
        case platform::IdCancel: return QMessageBox::Cancel;
        case platform::IdAbort: return QMessageBox::Abort;
        case platform::IdRetry: return QMessageBox::Retry;
        case platform::IdIgnore: return QMessageBox::Ignore;
        case platform::IdYes: return QMessageBox::Yes;
        case platform::IdNo: return QMessageBox::No;
        default: return QMessageBox::NoButton;
    }
}

QMessageBox::Icon iconOf(unsigned flags) {
    switch (flags & platform::mb::IconMask) {
        case platform::mb::IconError: return QMessageBox::Critical;
        case platform::mb::IconQuestion: return QMessageBox::Question;
        case platform::mb::IconWarning: return QMessageBox::Warning;
        case platform::mb::IconInformation: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

// The error form: its buttons end it with their answers.
class ErrorForm final : public QDialog {
public:
    ErrorForm(const std::string& message, const std::string& firstLine)
        : model_(message, firstLine),
          form_(*this, forms::errorForm(), model_, model_.events([this](int answer) { done(answer); })) {}
    // Escape and the close box both reject: Cancel.
    void reject() override { done(platform::IdCancel); }

private:
    ErrorFormModel model_;
    QtForm form_;
};

}  // namespace

int QtMessageBoxes::show(const std::string& caption, const std::string& text, unsigned flags) {
    QMessageBox box(iconOf(flags), QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    const auto ids = platform::buttonsOf(flags);
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (const int id : ids) buttons.emplace_back(box.addButton(standardOf(id)), id);
    const auto find = [&](int id) -> QAbstractButton* {
        for (const auto& [b, bid] : buttons)
            if (bid == id) return b;
        return nullptr;
    };
    if (auto* def = qobject_cast<QPushButton*>(find(platform::defaultButtonOf(flags)))) box.setDefaultButton(def);
    int escapeId = platform::IdOk;
    for (const int id : {platform::IdOk, platform::IdNo, platform::IdCancel})
        if (find(id)) escapeId = id;
    if (auto* escape = find(escapeId)) box.setEscapeButton(escape);
    box.exec();
    const auto* clicked = box.clickedButton();
    for (const auto& [b, id] : buttons)
        if (b == clicked) return id;
    return escapeId;
}

void QtMessageBoxes::beep() { QApplication::beep(); }

std::unique_ptr<QWidget> makeErrorForm(const std::string& message, const std::string& firstLine) {
    return std::make_unique<ErrorForm>(message, firstLine);
}

int QtErrorDialog::ask(const std::string& message, const std::string& firstLine) {
    ErrorForm form(message, firstLine);
    form.setWindowModality(Qt::ApplicationModal);
    const int result = form.exec();
    return result == platform::IdYes || result == platform::IdRetry ? result : platform::IdCancel;
}

// The operations behind a notice cannot stop: its form has no Cancel.
struct QtNoticeWindow::Form {
    QDialog window;
    NoticeModel model;
    QtForm form{window, forms::noticeForm(), model};
};

QtNoticeWindow::QtNoticeWindow() : form_(std::make_unique<Form>()) {}

QtNoticeWindow::~QtNoticeWindow() = default;

void QtNoticeWindow::show(const std::string& text) {
    form_->model.setNotice(text);
    form_->window.show();
    form_->window.raise();
    QApplication::processEvents();
}

void QtNoticeWindow::close() { form_->window.hide(); }

QWidget* QtNoticeWindow::form() const { return &form_->window; }

std::optional<platform::FileChoice> QtFileDialog::chooseFile(const platform::FileRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title),
                       QString::fromStdString(request.initialDir));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QStringList filters;
    for (const auto& f : nameFiltersOf(request.filter)) filters << QString::fromStdString(f);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex >= 1 && request.filterIndex <= filters.size() ? request.filterIndex : 1;
        dialog.selectNameFilter(filters[index - 1]);
    }
    if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const int chosen = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    return platform::FileChoice{dialog.selectedFiles().front().toStdString(), chosen < 0 ? 1 : chosen + 1};
}

void QtBusyCursor::begin() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

void QtBusyCursor::end() { QApplication::restoreOverrideCursor(); }

}  // namespace tarvex::ui
