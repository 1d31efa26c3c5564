#include "ui/qt/driver/symbol_browser_dialog.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "ui/qt/history_combo.hpp"
#include "ui/qt/caret_list_view.hpp"
#include "ui/qt/radio_group.hpp"

namespace tarvex::ui {

// The rows of one of the two lists, read from the model as they are drawn.
class SymbolBrowserDialog::Rows final : public CaretCellSource {
public:
    explicit Rows(std::function<std::string(int, int)> cell) : cell_(std::move(cell)) {}
    std::string GetItemText(int row) const override { return cell_(row, 0); }
    std::string GetCellText(int row, int section) const override { return cell_(row, section); }

private:
    std::function<std::string(int, int)> cell_;
};

namespace {

// A list whose caret row is the chosen entry: whole rows are marked, and a
// click or a key that moves the caret reports the row.
class EntryList final : public CaretListView {
public:
    using CaretListView::CaretListView;
    std::function<void(int)> chosen;

    void showRow(int row) {
        if (row < 0) {
            list().selection.hide();
        } else {
            list().setCaretRow(row);
            list().selection.set({0, row}, {0, row});
            if (row < list().topRow() || row >= list().topRow() + list().geometry.visibleRows())
                verticalScrollBar()->setValue(row);
        }
        viewport()->update();
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        CaretListView::mousePressEvent(event);
        report();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        CaretListView::mouseReleaseEvent(event);
        report();
    }
    void keyPressEvent(QKeyEvent* event) override {
        CaretListView::keyPressEvent(event);
        report();
    }

private:
    void report() {
        if (chosen && list().caretRow() >= 0) chosen(list().caretRow());
    }
};

QLabel* buddyLabel(const char* name, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

SymbolBrowserDialog::SymbolBrowserDialog(SymbolBrowserModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), browser_(model) {
    moduleRows_ = std::make_unique<Rows>([this](int row, int) {
        const auto& items = browser_.control("ModuleBox").items;
        return row >= 0 && row < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(row)] : std::string();
    });
    symbolRows_ = std::make_unique<Rows>([this](int row, int section) { return browser_.CellText(row, section); });

    auto* modules = new EntryList(*moduleRows_, this);
    modules->setObjectName("ModuleBox");
    modules->setMitCaret(false);
    modules->chosen = [this](int row) {
        if (!refreshing_ && row != browser_.ModuleIndex()) browser_.SelectModule(row);
    };
    moduleBox_ = modules;

    auto* symbols = new EntryList(*symbolRows_, this);
    symbols->setObjectName("SymbolBox");
    symbols->setMitCaret(false);
    symbols->chosen = [this](int row) {
        if (!refreshing_) browser_.ClickEntry(row);
    };
    symbolBox_ = symbols;
    headerModel_ = new QStandardItemModel(0, SymbolBrowserModel::kSections, this);
    headerModel_->setHorizontalHeaderLabels({"Symbol", "Address", "Class"});
    header_ = new QHeaderView(Qt::Horizontal, this);
    header_->setModel(headerModel_);
    header_->setFixedHeight(header_->sizeHint().height());
    symbols->setHeaderLink(header_);

    name_ = new HistoryCombo(this, store);
    name_->setObjectName("SymbolName");
    name_->setManualUpdate(true);
    name_->setRegistryPath(kDriverKey);
    name_->setIniSection(browser_.NameHistorySection());

    auto* lists = new QGridLayout;
    lists->addWidget(buddyLabel("LabelModuleBox", modules, this), 0, 0);
    lists->addWidget(buddyLabel("LabelSymbolBox", symbols, this), 0, 1);
    lists->addWidget(modules, 1, 0, 2, 1);
    lists->addWidget(header_, 1, 1);
    lists->addWidget(symbols, 2, 1);
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(1, 2);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(buddyLabel("LabelSymbolName", name_, this));
    nameRow->addWidget(name_, 1);
    lists->addLayout(nameRow, 3, 1);

    auto* details = new QGridLayout;
    const char* const rows[][2] = {{"GroesseLabel", "Groesse"}, {"AdresseLabel", "Adresse"},
                                   {"KlasseLabel", "Klasse"},   {"TypLabel", "Typ"},
                                   {"ModulLabel", "Modul"},     {"FunktionLabel", "Funktion"},
                                   {"EndAdrLabel", "EndAdresse"}};
    int r = 0;
    for (const auto& row : rows) {
        auto* caption = new QLabel(this);
        caption->setObjectName(row[0]);
        auto* value = new QLabel(this);
        value->setObjectName(row[1]);
        value->setMinimumWidth(160);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        details->addWidget(caption, r, 0);
        details->addWidget(value, r++, 1);
    }
    details->setRowStretch(r, 1);

    auto* classes = new QGroupBox(this);
    classes->setObjectName("KlassenGroupBox");
    auto* classGrid = new QGridLayout(classes);
    int i = 0;
    for (const auto& [boxName, bit] : SymbolBrowserModel::ClassBoxes()) {
        auto* box = new QCheckBox(classes);
        box->setObjectName(boxName);
        const std::string n = boxName;
        connect(box, &QCheckBox::clicked, this, [this, n](bool on) { browser_.ClickClass(n, on); });
        classGrid->addWidget(box, i / 3, i % 3);
        ++i;
    }
    auto* alle = new QCheckBox(this);
    alle->setObjectName("CheckAlle");
    connect(alle, &QCheckBox::clicked, this, [this](bool on) { browser_.ClickCheckAlle(on); });
    auto* sort = new RadioGroup("RadioGroupSort", 1, this);
    sort->onClicked([this](int index) { browser_.SelectSort(index); });

    auto* right = new QVBoxLayout;
    right->addLayout(details);
    right->addWidget(classes);
    right->addWidget(alle);
    right->addWidget(sort);
    right->addLayout(okCancelHelp(Qt::Horizontal, [this] { okClick(); }));

    auto* top = new QHBoxLayout(this);
    top->addLayout(lists, 3);
    top->addLayout(right, 1);
    resize(1000, 500);

    connect(name_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!refreshing_) browser_.TypeName(text.toStdString());
    });
    browser_.onChanged([this] { refresh(); });
    refresh();
}

SymbolBrowserDialog::~SymbolBrowserDialog() { browser_.onChanged({}); }

void SymbolBrowserDialog::refresh() {
    refreshing_ = true;
    bindControls(*this, browser_);
    bindRadioGroups(*this, browser_);
    const auto& modules = browser_.control("ModuleBox");
    moduleBox_->setItemCount(static_cast<int>(modules.items.size()));
    static_cast<EntryList*>(moduleBox_)->showRow(modules.itemIndex);
    const auto columns = browser_.SectionColumns();
    const int charWidth = symbolBox_->list().geometry.charWidth();
    for (int s = 0; s < SymbolBrowserModel::kSections; ++s)
        if (header_->sectionSize(s) != (columns[static_cast<std::size_t>(s)] + 2) * charWidth)
            header_->resizeSection(s, (columns[static_cast<std::size_t>(s)] + 2) * charWidth);
    // A new filling with the same count must still be drawn anew.
    symbolBox_->setItemCount(-1);
    symbolBox_->setItemCount(browser_.EntryCount());
    static_cast<EntryList*>(symbolBox_)->showRow(browser_.Selected());
    const QString name = QString::fromStdString(browser_.control("SymbolName").text);
    if (name_->currentText() != name) name_->setText(browser_.control("SymbolName").text);
    refreshing_ = false;
}

void SymbolBrowserDialog::okClick() {
    if (browser_.Selected() < 0) return;
    name_->AddHistory();
    browser_.Ok();
    accept();
}

QtSymbolPicker::QtSymbolPicker(std::function<SymbolBrowserSources()> sources, platform::SettingsStore& store)
    : sources_(std::move(sources)), store_(store) {}

std::optional<PickedSymbol> QtSymbolPicker::pick(const SymbolPickRequest& request) {
    SymbolBrowserModel model(sources_(), store_);
    model.SetZeilenNummern(request.mode == PickMode::Lines);
    model.SetRegisterAnzeigen(request.mode == PickMode::Registers);
    if (request.mode == PickMode::Symbols && request.klassen) model.SetKlassen(*request.klassen);
    model.SetAcceptCaption(request.acceptCaption);
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent) parent = QApplication::activeWindow();
    SymbolBrowserDialog dialog(model, store_, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return model.GetSymbol();
}

}  // namespace tarvex::ui
