#include "checkwin/forms/qz_check_forms.hpp"

#include <QAction>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include "ui/base/dialog_base.hpp"
#include "ui/base/history_combo.hpp"

namespace tarvex::checkwin {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

void centreOnScreen(QWidget& w) {
    if (const auto* screen = QGuiApplication::primaryScreen())
        w.move(screen->availableGeometry().center() - w.rect().center());
}

}  // namespace

RadioGroup::RadioGroup(const std::string& name, int columns, QWidget* parent)
    : QGroupBox(parent), buttons_(new QButtonGroup(this)), columns_(columns < 1 ? 1 : columns) {
    setObjectName(q(name));
    new QGridLayout(this);
    connect(buttons_, &QButtonGroup::idClicked, this, &RadioGroup::chosen);
}

void RadioGroup::show(const ui::ControlState& state) {
    setTitle(q(state.text));
    if (buttons_->buttons().size() != static_cast<qsizetype>(state.items.size())) {
        for (auto* b : buttons_->buttons()) delete b;
        auto* grid = static_cast<QGridLayout*>(layout());
        const int count = static_cast<int>(state.items.size());
        const int rows = (count + columns_ - 1) / columns_;
        for (int i = 0; i < count; ++i) {
            auto* b = new QRadioButton(q(state.items[static_cast<std::size_t>(i)]), this);
            buttons_->addButton(b, i);
            // Filled column by column, as a radio group lists its items.
            grid->addWidget(b, i % rows, i / rows);
        }
    }
    // None checked is a state of its own: exclusivity would keep the old one.
    buttons_->setExclusive(false);
    for (auto* b : buttons_->buttons()) b->setChecked(buttons_->id(b) == state.itemIndex);
    buttons_->setExclusive(true);
    setEnabled(state.enabled);
}

int RadioGroup::checkedIndex() const { return buttons_->checkedId(); }

QzAboutForm::QzAboutForm(QzAboutModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName("TFormAbout");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    auto* product = new QLabel(this);
    product->setObjectName("ProductLabel");
    QFont big = product->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    product->setFont(big);
    layout->addWidget(product, 0, Qt::AlignHCenter);
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(this);
    caption->setObjectName("VersionCaption");
    auto* version = new QLabel(this);
    version->setObjectName("VersionLabel");
    row->addStretch();
    row->addWidget(caption);
    row->addWidget(version);
    row->addStretch();
    layout->addLayout(row);
    auto* ok = new QPushButton(this);
    ok->setObjectName("OkButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    model_.onChanged([this] { refresh(); });
    refresh();
    resize(260, 130);
}

void QzAboutForm::refresh() { ui::bindControls(*this, model_); }

void QzAboutForm::showEvent(QShowEvent* event) {
    centreOnScreen(*this);
    QDialog::showEvent(event);
}

QzCheckMainForm::QzCheckMainForm(QzCheckMainModel& model, QWidget* parent) : QMainWindow(parent), model_(model) {
    setObjectName("TFormQzCheckMain");
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* main = new QVBoxLayout(central);

    auto* fileGroup = new QGroupBox(central);
    fileGroup->setObjectName("FileGroup");
    auto* fileRow = new QHBoxLayout(fileGroup);
    fileName_ = new ui::HistoryCombo(fileGroup);
    fileName_->setObjectName("FileName");
    // Only a run that succeeded takes its file into the history.
    fileName_->setManualUpdate(true);
    fileName_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* browse = new QPushButton(fileGroup);
    browse->setObjectName("Browse");
    browse->setAutoDefault(false);
    fileRow->addWidget(fileName_);
    fileRow->addWidget(browse);
    main->addWidget(fileGroup);

    auto* settings = new QHBoxLayout;
    auto* groupsGrid = new QGridLayout;
    const struct {
        const char* name;
        int columns, row, column, span;
    } kGroups[] = {{"FormatGroup", 1, 0, 0, 1},  {"CpuGroup", 1, 0, 1, 1},      {"MsgLvlGroup", 1, 0, 2, 1},
                   {"CompilerGroup", 2, 1, 0, 1}, {"RegBankGroup", 4, 1, 1, 2}};
    for (const auto& g : kGroups) {
        auto* group = new RadioGroup(g.name, g.columns, central);
        const std::string name = g.name;
        connect(group, &RadioGroup::chosen, this, [this, name](int index) { model_.choose(name, index); });
        groupsGrid->addWidget(group, g.row, g.column, 1, g.span);
        groups_.push_back(group);
    }
    settings->addLayout(groupsGrid, 1);
    auto* buttons = new QVBoxLayout;
    auto* go = new QPushButton(central);
    go->setObjectName("GoButton");
    go->setDefault(true);
    auto* clear = new QPushButton(central);
    clear->setObjectName("ClearButton");
    clear->setAutoDefault(false);
    auto* exitButton = new QPushButton(central);
    exitButton->setObjectName("ExitButton");
    exitButton->setAutoDefault(false);
    for (auto* b : {go, clear, exitButton}) buttons->addWidget(b);
    buttons->addStretch();
    settings->addLayout(buttons);
    main->addLayout(settings);

    list_ = new QListWidget(central);
    list_->setObjectName("MsgListBox");
    QFont fixed("Monospace");
    fixed.setStyleHint(QFont::TypeWriter);
    list_->setFont(fixed);
    main->addWidget(list_, 1);

    auto* fileMenu = menuBar()->addMenu("&File");
    auto* exitAction = fileMenu->addAction("&Exit");
    exitAction->setObjectName("MenuExit");
    exitAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    auto* helpMenu = menuBar()->addMenu("&Help");
    auto* content = helpMenu->addAction("&Content");
    content->setObjectName("MenuContent");
    helpMenu->addSeparator();
    auto* about = helpMenu->addAction("&About...");
    about->setObjectName("MenuAbout");

    connect(browse, &QPushButton::clicked, this, &QzCheckMainForm::BrowseClick);
    connect(go, &QPushButton::clicked, this, &QzCheckMainForm::GoClick);
    connect(clear, &QPushButton::clicked, this, [this] { model_.clear(); });
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(exitAction, &QAction::triggered, this, &QWidget::close);
    connect(content, &QAction::triggered, this, [this] { model_.content(); });
    connect(about, &QAction::triggered, this, &QzCheckMainForm::AboutClick);
    // "E&xit" is the form's Escape button.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    connect(fileName_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!refreshing_) model_.setFileName(text.toStdString());
    });

    model_.onChanged([this] { refresh(); });
    refresh();
    resize(600, 480);
}

QzCheckMainForm::~QzCheckMainForm() { model_.onChanged(nullptr); }

void QzCheckMainForm::refresh() {
    refreshing_ = true;
    setWindowTitle(q(model_.caption()));
    for (const char* name : {"FileGroup", "Browse", "GoButton", "ClearButton", "ExitButton"}) {
        const auto& c = model_.control(name);
        if (auto* box = findChild<QGroupBox*>(name)) box->setTitle(q(c.text));
        if (auto* button = findChild<QPushButton*>(name)) button->setText(q(c.text));
    }
    for (auto* group : groups_) group->show(model_.control(group->objectName().toStdString()));

    const auto& history = model_.control("FileName").items;
    bool same = fileName_->count() == static_cast<int>(history.size());
    for (int i = 0; same && i < fileName_->count(); ++i)
        same = fileName_->itemText(i).toStdString() == history[static_cast<std::size_t>(i)];
    if (!same) {
        fileName_->clear();
        for (const auto& item : history) fileName_->addItem(q(item));
    }
    if (fileName_->currentText().toStdString() != model_.fileName()) fileName_->setEditText(q(model_.fileName()));

    // The report grows line by line while a run writes it: append, do not rebuild.
    const auto& lines = model_.report();
    if (list_->count() > static_cast<int>(lines.size())) list_->clear();
    for (auto i = static_cast<std::size_t>(list_->count()); i < lines.size(); ++i) list_->addItem(q(lines[i]));
    refreshing_ = false;
}

void QzCheckMainForm::BrowseClick() { model_.browse(); }

void QzCheckMainForm::GoClick() {
    model_.go();
    list_->scrollToBottom();
}

void QzCheckMainForm::AboutClick() {
    if (!about_) return;
    model_.about(about_->model());
    about_->exec();
}

void QzCheckMainForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        model_.help();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void QzCheckMainForm::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        centreOnScreen(*this);
    }
    QMainWindow::showEvent(event);
}

}  // namespace tarvex::checkwin
