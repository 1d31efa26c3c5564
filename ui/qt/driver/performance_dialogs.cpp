#include "ui/qt/driver/performance_dialogs.hpp"

#include <QHeaderView>
#include <QPainter>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <algorithm>
#include <vector>

#include "ui/forms/performance_forms.hpp"

namespace tarvex::ui {
namespace {

// What a cell adds to its text: the view's margins on both sides.
constexpr int kCellPadding = 12;
// The column of the percentages.
constexpr int kPercentColumn = 4;

// The frame count, the form's one edit, as a spin box.
QtFormEvents withFrameArrows(const PerfDefineModel& model, QtFormEvents events) {
    events.custom = [&model](const forms::Control& control, QWidget* parent) -> QWidget* {
        if (control.kind != forms::Kind::Edit) return nullptr;
        auto* frames = new QSpinBox(parent);
        frames->setRange(static_cast<int>(model.Settings().minFrames),
                         static_cast<int>(std::min<std::uint32_t>(model.Settings().maxFrames, 0x7FFFFFFF)));
        frames->setSingleStep(100);
        frames->setValue(static_cast<int>(model.Settings().frames));
        return frames;
    };
    return events;
}

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
    : DialogBase(model, parent), model_(model),
      form_(*this, forms::performanceDefineForm(), model,
            withFrameArrows(model, model.events(dialogWindow(*this, form_))), store) {
    // The widths the list had when it was last closed (the form's one list).
    auto* list = findChild<QTreeWidget*>();
    for (int c = 0; c < list->columnCount(); ++c) list->header()->resizeSection(c, model_.ColumnWidth(c));
}

// --------------------------------------------------------------- analysis

PerformanceAnalyseDialog::PerformanceAnalyseDialog(PerfAnalyseModel& model, QWidget* parent)
    : DialogBase(model, parent), model_(model),
      form_(*this, forms::performanceAnalyseForm(), model, model.events(dialogWindow(*this, form_))),
      list_(findChild<QTreeWidget*>()) {
    list_->headerItem()->setTextAlignment(kPercentColumn, Qt::AlignRight | Qt::AlignVCenter);
    list_->setItemDelegateForColumn(kBarColumn, new BarDelegate(model_, list_));
    connect(&form_, &QtForm::refreshed, this, [this] { fitColumns(); });
    fitColumns();
}

void PerformanceAnalyseDialog::fitColumns() {
    const int rows = list_->topLevelItemCount();
    if (rows == fittedRows_) return;
    fittedRows_ = rows;
    for (int r = 0; r < rows; ++r)
        list_->topLevelItem(r)->setTextAlignment(kPercentColumn, Qt::AlignRight | Qt::AlignVCenter);
    const int count = list_->columnCount();
    std::vector<int> widths, needed;
    const QFontMetrics metrics = list_->fontMetrics();
    for (int c = 0; c < count; ++c) {
        int need = 0;
        if (c != kBarColumn) {
            need = list_->header()->sectionSizeHint(c);
            for (int r = 0; r < rows; ++r)
                need = std::max(need, metrics.horizontalAdvance(list_->topLevelItem(r)->text(c)) + kCellPadding);
        }
        needed.push_back(need);
        widths.push_back(std::max(list_->header()->sectionSize(c), need));
    }
    // The comment, last, takes what the others leave of the list, as long
    // as its texts fit: every column in view where the list has room.
    int others = 0;
    for (int c = 0; c + 1 < count; ++c) others += widths[static_cast<std::size_t>(c)];
    widths.back() = std::max(needed.back(), std::min(widths.back(), list_->contentsRect().width() - others));
    for (int c = 0; c < count; ++c) list_->header()->resizeSection(c, widths[static_cast<std::size_t>(c)]);
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
