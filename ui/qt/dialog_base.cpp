#include "ui/qt/dialog_base.hpp"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedWidget>
#include <QScreen>
#include <cstdlib>

namespace tarvex::ui {

DialogBase::DialogBase(DialogModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void DialogBase::HilfeClick() { model_.help(); }

bool DialogBase::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (auto* label = qobject_cast<QLabel*>(watched); label && label->buddy()) {
            label->buddy()->setFocus(Qt::MouseFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DialogBase::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        HilfeClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DialogBase::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        // Labels made after construction get the filter too.
        for (auto* label : findChildren<QLabel*>()) label->installEventFilter(this);
        std::vector<ScreenRect> screens;
        for (const auto* s : QGuiApplication::screens()) {
            const QRect r = s->availableGeometry();
            screens.push_back({r.left(), r.top(), r.width(), r.height()});
        }
        if (const auto p = model_.storedPosition(screens)) {
            move(p->left, p->top);
        } else if (const auto* screen = QGuiApplication::primaryScreen()) {
            const QRect area = parentWidget() ? parentWidget()->window()->frameGeometry() : screen->availableGeometry();
            move(area.center() - rect().center());
        }
    }
    QDialog::showEvent(event);
}

void DialogBase::done(int result) {
    const QPoint p = frameGeometry().topLeft();
    model_.savePosition({p.x(), p.y()});
    QDialog::done(result);
}

void bindControls(QWidget& form, const FormModel& model) {
    if (!model.caption().empty()) form.setWindowTitle(QString::fromStdString(model.caption()));
    for (const auto& [name, c] : model.controls()) {
        auto* w = form.findChild<QWidget*>(QString::fromStdString(name));
        if (!w) continue;
        const QString text = QString::fromStdString(c.text);
        if (auto* label = qobject_cast<QLabel*>(w)) {
            label->setText(text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (!c.text.empty()) button->setText(text);
            if (button->isCheckable()) button->setChecked(c.checked);
        } else if (auto* list = qobject_cast<QListWidget*>(w)) {
            const int count = static_cast<int>(c.items.size());
            if (list->count() != count) {
                // A list that grew at its end (a report being written) only
                // gets the new lines.
                int have = list->count();
                if (have > count ||
                    (have > 0 && list->item(have - 1)->text().toStdString() != c.items[static_cast<std::size_t>(have - 1)])) {
                    list->clear();
                    have = 0;
                }
                for (int i = have; i < count; ++i)
                    list->addItem(QString::fromStdString(c.items[static_cast<std::size_t>(i)]));
                list->scrollToBottom();
            }
            list->setCurrentRow(c.itemIndex);
        } else if (auto* combo = qobject_cast<QComboBox*>(w); combo && !combo->isEditable()) {
            combo->clear();
            for (const auto& item : c.items) combo->addItem(QString::fromStdString(item));
            combo->setCurrentIndex(c.itemIndex);
        }
        w->setEnabled(c.enabled);
        // A tab's page shows while its tab is chosen: its state is its tab's text.
        if (qobject_cast<QStackedWidget*>(w->parentWidget())) continue;
        // A hidden form's children are not shown by this; they follow the form.
        if (w->isHidden() == c.visible) w->setVisible(c.visible);
    }
}

void runShotChecker(const std::string& name, QWidget& form);

bool saveShot(QWidget& widget, const std::string& name) {
    // The picture and the checks see the form laid out, as the user does.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
    runShotChecker(name, widget);
    const char* dir = std::getenv("TARVEX_UI_SHOTS");
    if (!dir || !*dir) return false;
    if (!QDir().mkpath(QString::fromLocal8Bit(dir))) return false;
    QSaveFile file(QString::fromLocal8Bit(dir) + "/" + QString::fromStdString(name) + ".png");
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!widget.grab().save(&file, "PNG")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace tarvex::ui
