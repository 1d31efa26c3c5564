#include "ui/qt/driver/symbol_browser_dialog.hpp"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "ui/qt/caret_list_view.hpp"
#include "ui/forms/symbol_forms.hpp"

namespace tarvex::ui {

// The rows of the entries, read from the model as they are drawn.
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

}  // namespace

SymbolBrowserDialog::SymbolBrowserDialog(SymbolBrowserModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), browser_(model),
      symbolRows_(std::make_unique<Rows>([this](int row, int section) { return browser_.CellText(row, section); })),
      form_(*this, forms::symbolBrowserForm(), model, events(), store) {}

SymbolBrowserDialog::~SymbolBrowserDialog() = default;

QtFormEvents SymbolBrowserDialog::events() {
    QtFormEvents events = browser_.events(dialogWindow(*this, form_));
    events.custom = [this](const forms::Control& control, QWidget* parent) {
        return control.name == forms::kSymbolEntries ? makeEntries(parent) : nullptr;
    };
    events.changed = [this, changed = std::move(events.changed)] {
        if (changed) changed();
        showEntries();
    };
    return events;
}

// The entries under a header of their sections.
QWidget* SymbolBrowserDialog::makeEntries(QWidget* parent) {
    auto* entries = new QWidget(parent);
    auto* layout = new QVBoxLayout(entries);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* headerModel = new QStandardItemModel(0, SymbolBrowserModel::kSections, this);
    headerModel->setHorizontalHeaderLabels({"Symbol", "Address", "Class"});
    header_ = new QHeaderView(Qt::Horizontal, entries);
    header_->setModel(headerModel);
    header_->setFixedHeight(header_->sizeHint().height());
    auto* symbols = new EntryList(*symbolRows_, entries);
    symbols->setMitCaret(false);
    symbols->chosen = [this](int row) {
        if (!refreshing_) browser_.ClickEntry(row);
    };
    symbols->setHeaderLink(header_);
    symbolBox_ = symbols;
    layout->addWidget(header_);
    layout->addWidget(symbols, 1);
    entries->setFocusProxy(symbols);
    return entries;
}

void SymbolBrowserDialog::showEntries() {
    if (!symbolBox_) return;
    refreshing_ = true;
    const auto columns = browser_.SectionColumns();
    const int charWidth = symbolBox_->list().geometry.charWidth();
    for (int s = 0; s < SymbolBrowserModel::kSections; ++s)
        if (header_->sectionSize(s) != (columns[static_cast<std::size_t>(s)] + 2) * charWidth)
            header_->resizeSection(s, (columns[static_cast<std::size_t>(s)] + 2) * charWidth);
    // A new filling with the same count must still be drawn anew.
    symbolBox_->setItemCount(-1);
    symbolBox_->setItemCount(browser_.EntryCount());
    static_cast<EntryList*>(symbolBox_)->showRow(browser_.Selected());
    refreshing_ = false;
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
