#include "ui/qt/qt_form.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QFontDatabase>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>

#include "ui/qt/dialog_base.hpp"
#include "ui/qt/history_combo.hpp"
#include "ui/qt/layout_check.hpp"
#include "ui/qt/radio_group.hpp"
#include "ui/model/dialog_model.hpp"

namespace tarvex::ui {
namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

std::vector<std::string> splitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

}  // namespace

std::pair<double, double> formScale(const QWidget& window) {
    const QFontMetrics metrics(window.font());
    return {std::max(1.0, metrics.averageCharWidth() / 6.0), std::max(1.0, metrics.height() / 13.0)};
}

QtForm::QtForm(QWidget& window, const forms::Form& description, FormModel& model, QtFormEvents events,
               platform::SettingsStore& store, QtForm* host)
    : window_(window), description_(description), model_(model), events_(std::move(events)), store_(store),
      host_(host) {
    window_.setObjectName(qs(description_.name));
    if (!description_.caption.empty()) window_.setWindowTitle(qs(description_.caption));
    std::tie(scaleX_, scaleY_) = formScale(window_);
    // Group boxes first, so that the controls they hold have their parent.
    for (const auto& c : description_.controls)
        if (c.kind == forms::Kind::GroupBox) widgets_[c.name] = create(c);
    for (const auto& c : description_.controls)
        if (c.kind != forms::Kind::GroupBox) widgets_[c.name] = create(c);
    for (const auto& c : description_.controls) {
        QWidget* w = widgets_[c.name];
        if (auto* label = qobject_cast<QLabel*>(w); label && !c.focusControl.empty())
            label->setBuddy(control(c.focusControl));
        if (!c.rowOf.empty())
            if (auto* list = control<QListWidget>(c.rowOf)) markRowLabel(qobject_cast<QLabel*>(w), list, c.row);
        if (!c.toolTip.empty()) w->setToolTip(qs(c.toolTip));
        connectEvents(c, w);
    }
    for (const auto& c : description_.controls) {
        if (c.history.empty()) continue;
        if (c.flags & forms::HistoryOffers) {
            // Its newest entry is no text the user typed.
            refreshing_ = true;
            combo(c.name)->setRegistryPath(kDriverKey);
            combo(c.name)->setIniSection(c.history);
            refreshing_ = false;
        } else {
            showHistory(c.name, c.history);
        }
    }
    if (auto* dialog = qobject_cast<QDialog*>(&window_))
        connect(dialog, &QDialog::finished, this, [this](int result) {
            if (events_.ended) events_.ended(result == QDialog::Accepted);
        });
    const QSize size(static_cast<int>(std::lround(description_.clientWidth * scaleX_)),
                     static_cast<int>(std::lround(description_.clientHeight * scaleY_)));
    if (description_.sizeable) {
        window_.setMinimumSize(size);
        window_.resize(size);
    } else {
        window_.setFixedSize(size);
    }
    window_.installEventFilter(this);
    if (events_.focus)
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusMoved(now); });
    place();
    if (!host_ || &host_->model_ != &model_) model_.onChanged([this] { refresh(); });
    refresh();
}

namespace {

// A new tab of the host's tab control, the page's form to be built on it.
QWidget& newPage(QtForm& host, const std::string& tabControl, const forms::Form& page) {
    auto* tabs = host.control<QTabWidget>(tabControl);
    auto* widget = new QWidget(tabs);
    // The first tab becomes the chosen one: no choice of the user's.
    const QSignalBlocker quiet(tabs);
    tabs->addTab(widget, QString::fromStdString(page.caption));
    return *widget;
}

}  // namespace

QtForm::QtForm(const forms::Form& page, FormModel& model, QtFormEvents events, QtForm& host,
               const std::string& tabControl)
    : QtForm(newPage(host, tabControl, page), page, model, std::move(events), host, tabControl) {}

QtForm::QtForm(QWidget& window, const forms::Form& page, FormModel& model, QtFormEvents events, QtForm& host,
               const std::string& tabControl)
    : QtForm(window, page, model, std::move(events), host.store_, &host) {
    host.pages_.push_back({tabControl, this});
    host.refreshTabs();
}

QtForm& QtForm::addPage(const std::string& tabControl, const forms::Form& page, FormModel& model,
                        QtFormEvents events) {
    ownPages_.push_back(std::make_unique<QtForm>(page, model, std::move(events), *this, tabControl));
    return *ownPages_.back();
}

QtForm& QtForm::addPage(const forms::Form& page, FormModel& model, QtFormEvents events) {
    return addPage(description_.tabControl(), page, model, std::move(events));
}

void QtForm::refreshTabs() {
    const bool wasRefreshing = refreshing_;
    refreshing_ = true;
    for (int i = 0; i < static_cast<int>(pages_.size()); ++i) {
        const auto& [tabControl, page] = pages_[static_cast<std::size_t>(i)];
        auto* tabs = control<QTabWidget>(tabControl);
        const int index = tabs->indexOf(&page->window());
        const std::string& name = page->description().name;
        const bool known = model_.controls().count(name) && !model_.control(name).text.empty();
        tabs->setTabText(index, qs(known ? model_.control(name).text : page->description().caption));
        // The page the model chose, once it has its tab.
        const int chosen = model_.control(tabControl).itemIndex;
        if (chosen >= 0 && chosen < tabs->count() && tabs->currentIndex() != chosen) tabs->setCurrentIndex(chosen);
    }
    refreshing_ = wasRefreshing;
}

QtForm::~QtForm() {
    if (!host_ || &host_->model_ != &model_) model_.onChanged({});
}

QWidget* QtForm::control(const std::string& name) const {
    if (const auto it = widgets_.find(name); it != widgets_.end()) return it->second;
    for (const auto& [tabControl, page] : pages_)
        if (QWidget* w = page->control(name)) return w;
    return nullptr;
}

std::string QtForm::focused() const {
    // The focus may be inside a control (a combo box's edit).
    for (const QWidget* w = QApplication::focusWidget(); w && w != &window_; w = w->parentWidget()) {
        const std::string name = w->objectName().toStdString();
        if (!name.empty() && control(name) == w) return name;
    }
    return {};
}

bool QtForm::leaveFocused() {
    const QWidget* focus = QApplication::focusWidget();
    if (!focus) return true;
    for (const auto& c : description_.controls) {
        if (c.kind != forms::Kind::Edit && c.kind != forms::Kind::ComboEdit) continue;
        const QWidget* w = widgets_.at(c.name);
        if (w == focus || w->isAncestorOf(focus)) return !events_.leave || events_.leave(c.name);
    }
    for (const auto& [tabControl, page] : pages_)
        if (!page->leaveFocused()) return false;
    return true;
}

HistoryCombo* QtForm::combo(const std::string& name) const { return control<HistoryCombo>(name); }

QWidget* QtForm::create(const forms::Control& c) {
    QWidget* parent = &window_;
    if (!c.group.empty())
        if (QWidget* box = control(c.group)) parent = box;
    // A widget the view makes itself.
    if (QWidget* made = events_.custom ? events_.custom(c, parent) : nullptr) {
        made->setObjectName(qs(c.name));
        return made;
    }
    QWidget* w = nullptr;
    switch (c.kind) {
    case forms::Kind::Label: {
        auto* label = new QLabel(qs(c.caption), parent);
        if (c.flags & forms::Multiline) {
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        }
        w = label;
        break;
    }
    case forms::Kind::Button: {
        auto* button = new QPushButton(qs(c.caption), parent);
        button->setAutoDefault(false);
        if (c.flags & forms::DefaultButton) button->setDefault(true);
        if (c.flags & forms::CancelButton) {
            // Escape presses it, as Enter presses the default one.
            auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), &window_);
            connect(escape, &QShortcut::activated, button, [button] {
                if (button->isEnabled() && button->isVisible()) button->click();
            });
        }
        w = button;
        break;
    }
    case forms::Kind::CheckBox:
        w = new QCheckBox(qs(c.caption), parent);
        break;
    case forms::Kind::RadioButton:
        w = new QRadioButton(qs(c.caption), parent);
        break;
    case forms::Kind::RadioGroup: {
        auto* group = new RadioGroup(qs(c.name), c.columns, parent);
        group->setTitle(qs(c.caption));
        // The description's groups are as tight as the system's own: their
        // rows share what the box holds.
        group->layout()->setContentsMargins(8, 0, 8, 0);
        if (auto* grid = qobject_cast<QGridLayout*>(group->layout())) grid->setVerticalSpacing(0);
        w = group;
        break;
    }
    case forms::Kind::GroupBox:
        w = new QGroupBox(qs(c.caption), parent);
        break;
    case forms::Kind::Edit: {
        auto* edit = new QLineEdit(qs(c.caption), parent);
        edit->setReadOnly(c.flags & forms::ReadOnly);
        if (c.maxLength > 0) edit->setMaxLength(c.maxLength);
        if (c.flags & forms::Password) edit->setEchoMode(QLineEdit::Password);
        w = edit;
        break;
    }
    case forms::Kind::ComboEdit: {
        auto* combo = new HistoryCombo(parent, store_);
        // The view says when a text goes into the history.
        combo->setManualUpdate(true);
        w = combo;
        break;
    }
    case forms::Kind::DropDownList:
        w = new QComboBox(parent);
        break;
    case forms::Kind::ListBox: {
        auto* list = new QListWidget(parent);
        if (c.flags & forms::NoSelection) {
            list->setSelectionMode(QAbstractItemView::NoSelection);
            list->setFocusPolicy(Qt::NoFocus);
        }
        w = list;
        break;
    }
    case forms::Kind::ReportList: {
        auto* report = new QTreeWidget(parent);
        report->setRootIsDecorated(false);
        report->setUniformRowHeights(true);
        QStringList headers;
        for (const auto& h : splitAt(c.caption, '\n')) headers << qs(h);
        report->setHeaderLabels(headers);
        report->header()->setStretchLastSection(false);
        for (std::size_t i = 0; i < c.columnWidths.size(); ++i)
            report->setColumnWidth(static_cast<int>(i),
                                   static_cast<int>(std::lround(c.columnWidths[i] * scaleX_)));
        if (c.flags & forms::NoSelection) report->setSelectionMode(QAbstractItemView::NoSelection);
        w = report;
        break;
    }
    case forms::Kind::TabControl: {
        // Its pages are forms of their own, which the view adds; their tabs
        // show their whole texts.
        auto* tabs = new QTabWidget(parent);
        tabs->setUsesScrollButtons(false);
        tabs->setElideMode(Qt::ElideNone);
        w = tabs;
        break;
    }
    case forms::Kind::Custom:
        // A place the view fills with a widget of its own.
        w = new QWidget(parent);
        break;
    }
    w->setObjectName(qs(c.name));
    if (c.flags & forms::FixedPitch) w->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return w;
}

void QtForm::connectEvents(const forms::Control& c, QWidget* w) {
    const std::string name = c.name;
    switch (c.kind) {
    case forms::Kind::Label:
        // A row's label stands for its row.
        if (c.row >= 0 && c.focusControl.empty()) {
            w->setCursor(Qt::PointingHandCursor);
            w->installEventFilter(this);
        }
        break;
    case forms::Kind::GroupBox:
    case forms::Kind::Custom:
        break;
    case forms::Kind::Button:
    case forms::Kind::RadioButton:
        connect(qobject_cast<QAbstractButton*>(w), &QAbstractButton::clicked, this, [this, name] {
            if (events_.click) events_.click(name);
        });
        break;
    case forms::Kind::CheckBox:
        connect(qobject_cast<QCheckBox*>(w), &QCheckBox::clicked, this, [this, name](bool checked) {
            if (events_.check) events_.check(name, checked);
        });
        break;
    case forms::Kind::RadioGroup:
        qobject_cast<RadioGroup*>(w)->onClicked([this, name](int index) {
            if (events_.choose) events_.choose(name, index);
        });
        break;
    case forms::Kind::Edit:
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            connect(edit, &QLineEdit::textEdited, this, [this, name](const QString& text) {
                if (events_.text) events_.text(name, text.toStdString());
            });
        } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
            connect(spin, &QSpinBox::textChanged, this, [this, spin, name] {
                if (!refreshing_ && events_.text) events_.text(name, spin->cleanText().toStdString());
            });
        }
        w->installEventFilter(this);
        break;
    case forms::Kind::ComboEdit:
        connect(qobject_cast<QComboBox*>(w), &QComboBox::editTextChanged, this, [this, name](const QString& text) {
            if (!refreshing_ && events_.text) events_.text(name, text.toStdString());
        });
        w->installEventFilter(this);
        break;
    case forms::Kind::DropDownList:
        connect(qobject_cast<QComboBox*>(w), &QComboBox::activated, this, [this, name](int index) {
            if (events_.choose) events_.choose(name, index);
        });
        break;
    case forms::Kind::ListBox:
        connect(qobject_cast<QListWidget*>(w), &QListWidget::currentRowChanged, this, [this, name](int row) {
            if (!refreshing_ && events_.choose) events_.choose(name, row);
        });
        break;
    case forms::Kind::ReportList: {
        auto* report = qobject_cast<QTreeWidget*>(w);
        connect(report, &QTreeWidget::currentItemChanged, this, [this, report, name](QTreeWidgetItem* item) {
            if (!refreshing_ && events_.choose) events_.choose(name, item ? report->indexOfTopLevelItem(item) : -1);
        });
        break;
    }
    case forms::Kind::TabControl:
        connect(qobject_cast<QTabWidget*>(w), &QTabWidget::currentChanged, this, [this, name](int index) {
            if (!refreshing_ && events_.choose) events_.choose(name, index);
        });
        qobject_cast<QTabWidget*>(w)->tabBar()->installEventFilter(this);
        break;
    }
}

void QtForm::focusMoved(QWidget* now) {
    // An edit of a combo box or a spin box is a child of its control.
    for (QWidget* w = now; w && w != &window_; w = w->parentWidget())
        for (const auto& [name, widget] : widgets_)
            if (widget == w) {
                events_.focus(name);
                return;
            }
}

bool QtForm::eventFilter(QObject* watched, QEvent* event) {
    const bool escape = event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (watched == &window_ && event->type() == QEvent::Resize) {
        place();
    } else if (watched == &window_ && (event->type() == QEvent::Close || escape) && events_.closing &&
               !events_.closing()) {
        event->ignore();
        return true;
    } else if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) &&
               qobject_cast<QTabBar*>(watched)) {
        // As the system's tabs take the focus: the focused field is left
        // first, then the page; either may keep the page.
        const std::string name = watched->parent()->objectName().toStdString();
        if (!leaveFocused() || (events_.leave && !events_.leave(name))) return true;
    } else if (event->type() == QEvent::MouseButtonPress && qobject_cast<QLabel*>(watched)) {
        if (events_.click) events_.click(watched->objectName().toStdString());
        return true;
    } else if (event->type() == QEvent::FocusOut && events_.leave) {
        // The popup list and another window (an error box) take the focus
        // for a while: that is no leaving.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            return QObject::eventFilter(watched, event);
        auto* w = qobject_cast<QWidget*>(watched);
        const std::string name = w ? w->objectName().toStdString() : std::string();
        if (w && !events_.leave(name)) {
            // After the focus has settled where it went.
            QTimer::singleShot(0, w, [w] { w->setFocus(Qt::OtherFocusReason); });
        }
    }
    return QObject::eventFilter(watched, event);
}

QRect QtForm::placeOf(const forms::Control& c, int grownWidth, int grownHeight) const {
    auto x = [this](int v) { return static_cast<int>(std::lround(v * scaleX_)); };
    auto y = [this](int v) { return static_cast<int>(std::lround(v * scaleY_)); };
    QRect r(x(c.left), y(c.top), x(c.width), y(c.height));
    if (!c.rowOf.empty()) {
        // Centred on its list's row.
        const auto* list = control<QListWidget>(c.rowOf);
        const forms::Control* of = description_.find(c.rowOf);
        if (list && of) {
            const QRect row = list->visualItemRect(list->item(c.row));
            const int height = list->fontMetrics().height() + 2;
            // In the coordinates of the label's parent, a group box maybe.
            QWidget* parent = control(c.name)->parentWidget();
            const int centre = row.isValid() ? list->viewport()->mapTo(parent, row.center()).y()
                                             : y(of->top) + list->frameWidth() + height * c.row + height / 2;
            r = QRect(r.left(), centre - height / 2, r.width(), height);
        }
    }
    // Only controls on the form itself follow its size.
    if (c.group.empty()) {
        if (c.flags & forms::GrowWidth) r.setWidth(r.width() + grownWidth);
        if (c.flags & forms::GrowHeight) r.setHeight(r.height() + grownHeight);
        if (c.flags & forms::MoveRight) r.moveLeft(r.left() + grownWidth);
        if (c.flags & forms::MoveDown) r.moveTop(r.top() + grownHeight);
    }
    return r;
}

void QtForm::place() {
    const int grownWidth =
        std::max(0, window_.width() - static_cast<int>(std::lround(description_.clientWidth * scaleX_)));
    // A form folded below its designed height (fitHeight) moves its lower
    // controls up.
    const int grownHeight = window_.height() - static_cast<int>(std::lround(description_.clientHeight * scaleY_));
    // Lists before the labels beside their rows.
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& c : description_.controls)
            if (c.rowOf.empty() == (pass == 0)) control(c.name)->setGeometry(placeOf(c, grownWidth, grownHeight));
}

void QtForm::fitHeight(int less) {
    const int height = static_cast<int>(std::lround((description_.clientHeight - less) * scaleY_));
    if (window_.height() == height) return;
    if (description_.sizeable) {
        window_.setMinimumHeight(height);
        window_.resize(window_.width(), height);
    } else {
        window_.setFixedHeight(height);
    }
    place();
}

void QtForm::bindEdits() {
    for (const auto& c : description_.controls) {
        if (!model_.controls().count(c.name)) continue;
        const QString text = qs(model_.control(c.name).text);
        if (c.kind == forms::Kind::Edit) {
            if (auto* edit = control<QLineEdit>(c.name)) {
                if (edit->text() != text) edit->setText(text);
                edit->setReadOnly((c.flags & forms::ReadOnly) || model_.control(c.name).readOnly);
            }
            bool number = false;
            const int value = text.toInt(&number);
            if (auto* spin = control<QSpinBox>(c.name); spin && number && spin->value() != value) spin->setValue(value);
        } else if (c.kind == forms::Kind::ComboEdit) {
            auto* combo = control<HistoryCombo>(c.name);
            // Without a history of its own it offers the model's items.
            if (combo->section().empty()) {
                const auto& items = model_.control(c.name).items;
                bool same = combo->count() == static_cast<int>(items.size());
                for (int i = 0; same && i < combo->count(); ++i)
                    same = combo->itemText(i).toStdString() == items[static_cast<std::size_t>(i)];
                if (!same) {
                    combo->clear();
                    for (const auto& item : items) combo->addItem(qs(item));
                }
            }
            if (combo->currentText() != text) combo->setText(text.toStdString());
        }
    }
}

void QtForm::bindOwnStates() {
    for (const auto& c : description_.controls) {
        const bool known = model_.controls().count(c.name) != 0;
        if (c.kind == forms::Kind::GroupBox) {
            // A box without a caption of the model's has the description's.
            const std::string& text = model_.control(c.name).text;
            control<QGroupBox>(c.name)->setTitle(qs(text.empty() ? c.caption : text));
        } else if (c.kind == forms::Kind::RadioGroup) {
            // An item may have a state of its own: "<group>#<index>".
            auto* group = control<RadioGroup>(c.name);
            for (int i = 0; QRadioButton* button = group->button(i); ++i) {
                const std::string item = c.name + "#" + std::to_string(i);
                if (!model_.controls().count(item)) continue;
                button->setEnabled(model_.control(item).enabled);
                if (button->isHidden() == model_.control(item).visible) button->setVisible(model_.control(item).visible);
            }
        } else if (c.kind == forms::Kind::Label && !known && !c.focusControl.empty()) {
            // A label the model does not know follows the control it stands for.
            control(c.name)->setEnabled(model_.control(c.focusControl).enabled);
        }
    }
}

void QtForm::bindReportLists() {
    for (const auto& c : description_.controls) {
        if (c.kind != forms::Kind::ReportList) continue;
        auto* report = control<QTreeWidget>(c.name);
        std::vector<std::vector<std::string>> rows;
        if (events_.rows) {
            rows = events_.rows(c.name);
        } else {
            for (const auto& item : model_.control(c.name).items) rows.push_back(splitAt(item, '\t'));
        }
        // A row chosen in the list reaches the model from the list's own
        // signal: the rows are made anew only when they changed, never under
        // the item that sent it.
        bool same = report->topLevelItemCount() == static_cast<int>(rows.size());
        for (int r = 0; same && r < report->topLevelItemCount(); ++r) {
            const auto& row = rows[static_cast<std::size_t>(r)];
            same = report->topLevelItem(r)->columnCount() == static_cast<int>(row.size());
            for (std::size_t i = 0; same && i < row.size(); ++i)
                same = report->topLevelItem(r)->text(static_cast<int>(i)).toStdString() == row[i];
        }
        if (!same) {
            report->clear();
            for (const auto& row : rows) {
                QStringList cells;
                for (const auto& cell : row) cells << qs(cell);
                report->addTopLevelItem(new QTreeWidgetItem(cells));
            }
        }
        if (auto* current = report->topLevelItem(model_.control(c.name).itemIndex)) report->setCurrentItem(current);
    }
}

void QtForm::keepHistories() {
    for (const auto& c : description_.controls)
        if (auto* history = combo(c.name);
            history && !history->section().empty() && !history->isHidden() && !(c.flags & forms::HistoryUnkept))
            history->AddHistory();
    for (const auto& [tabControl, page] : pages_) page->keepHistories();
}

void QtForm::showHistory(const std::string& field, const std::string& section) {
    auto* history = combo(field);
    if (!history || history->section() == section) return;
    history->setText("");
    history->setRegistryPath(kDriverKey);
    history->setIniSection(section);
    if (events_.text) events_.text(field, history->text());
}

void QtForm::refresh() {
    if (events_.changed) events_.changed();
    refreshing_ = true;
    bindControls(window_, model_);
    bindRadioGroups(window_, model_);
    bindListTexts(window_, model_);
    bindOwnStates();
    bindEdits();
    bindReportLists();
    refreshTabs();
    refreshing_ = false;
    // The pages over this model with it.
    for (const auto& [tabControl, page] : pages_)
        if (&page->model_ == &model_) page->refresh();
    emit refreshed();
}

forms::FormWindow dialogWindow(QDialog& dialog, QtForm& form) {
    forms::FormWindow window;
    window.end = [&dialog](bool ok) { dialog.done(ok ? QDialog::Accepted : QDialog::Rejected); };
    window.keepHistories = [&form] { form.keepHistories(); };
    window.history = [&form](const std::string& field, const std::string& section) {
        form.showHistory(field, section);
    };
    window.focus = [&form](const std::string& name) {
        if (QWidget* w = form.control(name)) w->setFocus(Qt::OtherFocusReason);
    };
    window.defaultButton = [&form](const std::string& name) {
        // The dialog takes the default from its other buttons.
        if (auto* button = form.control<QPushButton>(name)) button->setDefault(true);
    };
    window.addHistory = [&form](const std::string& field, const std::string& text) {
        if (auto* history = form.combo(field)) history->AddHistory(text);
    };
    window.columnWidths = [&form](const std::string& list) {
        std::vector<int> widths;
        if (auto* report = form.control<QTreeWidget>(list))
            for (int c = 0; c < report->columnCount(); ++c) widths.push_back(report->header()->sectionSize(c));
        return widths;
    };
    window.focused = [&form] { return form.focused(); };
    return window;
}

}  // namespace tarvex::ui
