#include "ui/qt/driver/performance_dialogs.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/qt/history_combo.hpp"
#include "ui/qt/radio_group.hpp"

namespace tarvex::ui {
namespace {

QPushButton* button(QWidget* parent, const char* name) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel* label(QWidget* parent, const char* name, QWidget* buddy = nullptr) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    if (buddy) l->setBuddy(buddy);
    return l;
}

QTreeWidget* reportView(QWidget* parent, const QStringList& headers, const std::vector<int>& widths) {
    auto* view = new QTreeWidget(parent);
    view->setObjectName("ListView");
    view->setRootIsDecorated(false);
    view->setColumnCount(static_cast<int>(headers.size()));
    view->setHeaderLabels(headers);
    view->header()->setSectionsClickable(false);
    view->header()->setStretchLastSection(false);
    for (std::size_t c = 0; c < widths.size(); ++c) view->header()->resizeSection(static_cast<int>(c), widths[c]);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    return view;
}

// What a cell adds to its text: the view's margins on both sides.
constexpr int kCellPadding = 12;

// The share of the run as a red bar over the blank column.
class BarDelegate final : public QStyledItemDelegate {
public:
    BarDelegate(const PerfAnalyseModel& model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QRect bar = option.rect.adjusted(0, 1, 0, 0);
        bar.setWidth(model_.BarWidth(index.row(), option.rect.width()));
        if (bar.width() > 0) painter->fillRect(bar, QColor(255, 0, 0));
    }

private:
    const PerfAnalyseModel& model_;
};

}  // namespace

// ------------------------------------------------------------ definitions

PerformanceDefineDialog::PerformanceDefineDialog(PerfDefineModel& model, platform::SettingsStore& store,
                                                 QWidget* parent)
    : DialogBase(model, parent), form_(model) {
    auto* newGroup = new QGroupBox(this);
    newGroup->setObjectName("NewGroup");
    range_ = new HistoryCombo(newGroup, store);
    range_->setObjectName("BereichAdresse");
    range_->setRegistryPath(kDriverKey);
    range_->setIniSection("PerfFormAdresse");
    comment_ = new HistoryCombo(newGroup, store);
    comment_->setObjectName("Kommentar");
    comment_->setRegistryPath(kDriverKey);
    comment_->setIniSection("PerfFormName");
    for (auto* combo : {range_, comment_}) {
        combo->setManualUpdate(true);
        combo->setText("");
        const std::string name = combo->objectName().toStdString();
        connect(combo, &QComboBox::editTextChanged, this, [this, name](const QString& text) {
            if (!refreshing_) form_.EditText(name, text.toStdString());
        });
    }
    auto* symbol = button(newGroup, "SymbolButton");
    symbol->setFixedWidth(28);
    connect(symbol, &QPushButton::clicked, this, [this] {
        form_.Browse();
        range_->setFocus();
    });
    auto* newGrid = new QGridLayout(newGroup);
    newGrid->addWidget(label(newGroup, "BereichLabel", range_), 0, 0, 1, 2);
    newGrid->addWidget(range_, 1, 0);
    newGrid->addWidget(symbol, 1, 1);
    newGrid->addWidget(label(newGroup, "KommentarLabel", comment_), 2, 0, 1, 2);
    newGrid->addWidget(comment_, 3, 0);

    auto* listGroup = new QGroupBox(this);
    listGroup->setObjectName("ListGroup");
    std::vector<int> widths;
    for (int c = 0; c < 4; ++c) widths.push_back(form_.ColumnWidth(c));
    list_ = reportView(listGroup, {"Address range", "Start", "End", "Comment"}, widths);
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] {
        if (!refreshing_) form_.SelectRow(list_->currentIndex().isValid() ? list_->currentIndex().row() : -1);
    });
    auto* insert = button(listGroup, "InsertButton");
    connect(insert, &QPushButton::clicked, this, [this] {
        range_->setFocus();
        const std::string range = range_->text(), comment = comment_->text();
        if (!form_.Insert()) return;
        // The histories keep what was inserted, not what was refused.
        for (auto [combo, text] : {std::pair{range_, range}, std::pair{comment_, comment}}) {
            combo->setText(text);
            combo->AddHistory();
            combo->setText("");
        }
    });
    auto* del = button(listGroup, "DeleteButton");
    connect(del, &QPushButton::clicked, this, [this] { form_.Delete(); });
    auto* editB = button(listGroup, "EditButton");
    connect(editB, &QPushButton::clicked, this, [this] {
        form_.Edit();
        range_->setFocus();
    });
    auto* listButtons = new QHBoxLayout;
    for (auto* b : {insert, del, editB}) listButtons->addWidget(b);
    listButtons->addStretch(1);
    auto* listLayout = new QVBoxLayout(listGroup);
    listLayout->addLayout(listButtons);
    listLayout->addWidget(list_);

    auto* measure = new QGroupBox(this);
    measure->setObjectName("MeasureGroup");
    frames_ = new QSpinBox(measure);
    frames_->setObjectName("FrameCount");
    frames_->setRange(static_cast<int>(form_.Settings().minFrames),
                      static_cast<int>(std::min<std::uint32_t>(form_.Settings().maxFrames, 0x7FFFFFFF)));
    frames_->setSingleStep(100);
    frames_->setValue(static_cast<int>(form_.Settings().frames));
    connect(frames_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!refreshing_) form_.SetFrameCount(static_cast<std::uint32_t>(v));
    });
    auto* timeBase = new RadioGroup("TimeBaseGroup", 3, measure);
    timeBase->onClicked([this](int index) { form_.SetTimeBase(index); });
    auto* function = button(measure, "FunctionButton");
    connect(function, &QPushButton::clicked, this, [this] { form_.DefaultSettings(); });
    auto* mode = new QCheckBox(measure);
    mode->setObjectName("CheckBoxPerfMode");
    connect(mode, &QCheckBox::toggled, this, [this](bool on) {
        if (!refreshing_) form_.SetPerfMode(on);
    });
    auto* measureGrid = new QGridLayout(measure);
    measureGrid->addWidget(label(measure, "FrameLabel", frames_), 0, 0);
    measureGrid->addWidget(frames_, 0, 1);
    measureGrid->addWidget(timeBase, 0, 2, 2, 1);
    measureGrid->addWidget(function, 1, 0);
    measureGrid->addWidget(mode, 1, 1);

    auto* ok = button(this, "OkButton");
    connect(ok, &QPushButton::clicked, this, [this] { okClick(); });
    auto* cancel = button(this, "CancelButton");
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* help = button(this, "HelpButton");
    connect(help, &QPushButton::clicked, this, [this] { HilfeClick(); });
    auto* buttons = new QVBoxLayout;
    for (auto* b : {ok, cancel, help}) buttons->addWidget(b);
    buttons->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addWidget(newGroup);
    left->addWidget(listGroup, 1);
    left->addWidget(measure);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addLayout(buttons);
    resize(514, 373);

    focusConnection_ =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusMoved(now); });
    form_.onChanged([this] { refresh(); });
    refresh();
}

PerformanceDefineDialog::~PerformanceDefineDialog() {
    // The base destructors move the focus while they delete the controls,
    // when this dialog is no longer one.
    disconnect(focusConnection_);
    form_.onChanged({});
}

void PerformanceDefineDialog::focusMoved(QWidget* now) {
    // The combos' line edits and the spin box's editor are children of the
    // named controls.
    for (QWidget* w = now; w && w != this; w = w->parentWidget()) {
        const std::string name = w->objectName().toStdString();
        if (name == "BereichAdresse" || name == "Kommentar" || name == "ListView" || name == "FrameCount") {
            form_.FocusEntered(name);
            return;
        }
    }
}

void PerformanceDefineDialog::refresh() {
    refreshing_ = true;
    bindControls(*this, form_);
    bindRadioGroups(*this, form_);
    for (auto* combo : {range_, comment_}) {
        const std::string& text = form_.control(combo->objectName().toStdString()).text;
        if (combo->text() != text) combo->setText(text);
    }
    // A selection arrives from the list's own signal: the rows are rebuilt
    // only when they changed, never under the item that sent it.
    const auto rows = form_.Rows();
    bool same = list_->topLevelItemCount() == static_cast<int>(rows.size());
    for (int r = 0; same && r < list_->topLevelItemCount(); ++r)
        for (int c = 0; c < 4; ++c)
            same = same && list_->topLevelItem(r)->text(c).toStdString() ==
                               rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
    if (!same) {
        list_->clear();
        for (const auto& row : rows) {
            auto* item = new QTreeWidgetItem(list_);
            for (int c = 0; c < 4; ++c) item->setText(c, QString::fromStdString(row[static_cast<std::size_t>(c)]));
        }
    }
    if (form_.SelectedRow() >= 0) list_->setCurrentItem(list_->topLevelItem(form_.SelectedRow()));
    frames_->setValue(static_cast<int>(form_.Settings().frames));
    if (auto* def = findChild<QPushButton*>(QString::fromStdString(form_.DefaultButton()))) def->setDefault(true);
    refreshing_ = false;
}

void PerformanceDefineDialog::okClick() {
    std::vector<int> widths;
    for (int c = 0; c < 4; ++c) widths.push_back(list_->header()->sectionSize(c));
    form_.Ok(widths);
    accept();
}

// --------------------------------------------------------------- analysis

PerformanceAnalyseDialog::PerformanceAnalyseDialog(PerfAnalyseModel& model, QWidget* parent)
    : DialogBase(model, parent), form_(model) {
    auto* measure = new QGroupBox(this);
    measure->setObjectName("MeasureGroup");
    list_ = reportView(measure, {"Start", "End", "Total duration", "Count", "%", " ", "Comment"},
                       {40, 40, 100, 45, 45, 100, 233});
    list_->headerItem()->setTextAlignment(4, Qt::AlignRight | Qt::AlignVCenter);
    // Every column in view and room for a handful of ranges.
    list_->setMinimumSize(40 + 40 + 100 + 45 + 45 + 100 + 233 + 8, 150);
    list_->setItemDelegateForColumn(kBarColumn, new BarDelegate(form_, list_));
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] {
        if (!refreshing_) form_.SelectRow(list_->currentIndex().isValid() ? list_->currentIndex().row() : -1);
    });
    (new QVBoxLayout(measure))->addWidget(list_);

    auto* analysis = new QGroupBox(this);
    analysis->setObjectName("AnalysisGroup");
    auto* grid = new QGridLayout(analysis);
    const char* const names[][2] = {{"MinimalLabel", "LabelMinimal"}, {"MaximalLabel", "LabelMaximal"},
                                    {"MittelLabel", "LabelMittel"}, {"GesamtDiffLabel", "LabelGesamtDiff"}};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(label(analysis, names[i][0]), i / 2, (i % 2) * 2);
        auto* value = label(analysis, names[i][1]);
        value->setAutoFillBackground(true);
        value->setStyleSheet("background: white");
        value->setMinimumWidth(110);
        grid->addWidget(value, i / 2, (i % 2) * 2 + 1);
    }
    auto* sentence = new QHBoxLayout;
    for (const char* name : {"BasedLabel", "LabelFrames", "FramesLabel", "LabelTimeStamp"})
        sentence->addWidget(label(analysis, name));
    sentence->addStretch(1);
    grid->addLayout(sentence, 2, 0, 1, 4);

    auto* messages = new QGroupBox(this);
    messages->setObjectName("MessagesGroup");
    auto* box = new QListWidget(messages);
    box->setObjectName("ListBox");
    (new QVBoxLayout(messages))->addWidget(box);

    auto* ok = button(this, "OkButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* help = button(this, "HelpButton");
    connect(help, &QPushButton::clicked, this, [this] { HilfeClick(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(help);

    auto* top = new QVBoxLayout(this);
    top->addWidget(measure, 1);
    top->addWidget(analysis);
    top->addWidget(messages);
    top->addLayout(buttons);
    resize(615, 397);

    form_.onChanged([this] { refresh(); });
    refresh();
}

PerformanceAnalyseDialog::~PerformanceAnalyseDialog() { form_.onChanged({}); }

void PerformanceAnalyseDialog::refresh() {
    refreshing_ = true;
    bindControls(*this, form_);
    bindRadioGroups(*this, form_);
    const auto rows = form_.Rows();
    if (list_->topLevelItemCount() != static_cast<int>(rows.size())) {
        list_->clear();
        for (const auto& row : rows) {
            auto* item = new QTreeWidgetItem(list_);
            for (int c = 0; c < 7; ++c) item->setText(c, QString::fromStdString(row[static_cast<std::size_t>(c)]));
            item->setTextAlignment(4, Qt::AlignRight | Qt::AlignVCenter);
        }
        // The given widths are a minimum: a text column is never cut ("100.00"
        // in "%"), and the list keeps every column in view.
        int total = 0;
        const QFontMetrics metrics = list_->fontMetrics();
        for (int c = 0; c < list_->columnCount(); ++c) {
            if (c != kBarColumn) {
                int width = std::max(list_->header()->sectionSize(c), list_->header()->sectionSizeHint(c));
                for (int r = 0; r < list_->topLevelItemCount(); ++r)
                    width = std::max(width, metrics.horizontalAdvance(list_->topLevelItem(r)->text(c)) + kCellPadding);
                list_->header()->resizeSection(c, width);
            }
            total += list_->header()->sectionSize(c);
        }
        list_->setMinimumWidth(std::max(list_->minimumWidth(), total + 2 * list_->frameWidth() + 2));
    }
    if (form_.SelectedRow() >= 0) list_->setCurrentItem(list_->topLevelItem(form_.SelectedRow()));
    refreshing_ = false;
}

// ---------------------------------------------------------------- entries

bool RunPerformanceDefinitions(TPerformance& perf, std::uint32_t traceCapacity, const DialogTables& tables,
                               platform::SettingsStore& store, QWidget* parent) {
    PerfDefineModel model(tables, store, PerfSettingsOf(perf, traceCapacity));
    model.SetDefinitionen(perf.Definitionen());
    {
        PerformanceDefineDialog dialog(model, store, parent);
        if (dialog.exec() != QDialog::Accepted) return false;
    }
    model.ApplyTo(perf);
    return true;
}

void RunPerformanceAnalysis(const TPerformanceList& result, const IPerformanceTrace* trace, const IBankingInfo* banking,
                            platform::SettingsStore& store, QWidget* parent) {
    PerfAnalyseModel model(store, banking, trace);
    model.SetErgebnis(result);
    PerformanceAnalyseDialog dialog(model, parent);
    dialog.exec();
}

}  // namespace tarvex::ui
