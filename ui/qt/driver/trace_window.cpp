#include "ui/qt/driver/trace_window.hpp"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QShowEvent>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cstdlib>
#include <map>

#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/utilities.hpp"
#include "ui/forms/status_forms.hpp"
#include "emulator/validator.hpp"
#include "ui/qt/colors.hpp"
#include "ui/qt/driver/trace_dialogs.hpp"
#include "ui/model/guarded.hpp"

namespace tarvex::ui {

namespace {

constexpr int kContextStateRole = Qt::UserRole;
constexpr int kContextNumberRole = Qt::UserRole + 1;
constexpr int kContextRowHeight = 16;

}  // namespace

// ---- Context list

// One source line of the context list: the cell of its trace-range state,
// its number in grey, and its text on the colour of the line with the
// comment in green.
class ContextLineDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    int numberWidth = 0;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kContextRowHeight};
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        p->save();
        const QRect r = option.rect;
        const QColor light = option.palette.color(QPalette::Light);
        const int state = index.data(kContextStateRole).toInt();
        const auto range = static_cast<TraceContextLine::Range>(state & 0x0F);
        // The state cell: grey inside one trace range, and its mark.
        const QRect cell(r.left(), r.top(), kContextRowHeight, r.height());
        p->fillRect(cell, range == TraceContextLine::Inside ? fromColorRef(0x808080) : light);
        if (range != TraceContextLine::NoCode) {
            const QRect mark = cell.adjusted(3, 3, -4, -4);
            p->setPen(Qt::black);
            p->setBrush(Qt::NoBrush);
            p->drawRect(mark);
            if (range == TraceContextLine::Inside)
                p->fillRect(mark.adjusted(1, 1, 0, 0), Qt::black);
            else if (range == TraceContextLine::Partly)
                p->fillRect(QRect(mark.left() + 1, mark.top() + mark.height() / 2, mark.width(),
                                  mark.height() - mark.height() / 2 + 1),
                            Qt::black);
        }
        const QRect number(cell.right() + 1, r.top(), numberWidth, r.height());
        p->fillRect(number, light);
        p->setFont(option.font);
        p->setPen(fromColorRef(0x808080));
        p->drawText(number.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                    index.data(kContextNumberRole).toString());
        const QRect text(number.right() + 1, r.top(), r.right() - number.right(), r.height());
        p->fillRect(text, index.data(Qt::BackgroundRole).value<QBrush>());
        const std::string line = index.data(Qt::DisplayRole).toString().toStdString();
        const CommentSpan comment = FindComment(line);
        const auto start = static_cast<std::size_t>(comment.start > 0 ? comment.start - 1 : line.size());
        const auto end = comment.start > 0 && comment.end > 0 ? static_cast<std::size_t>(comment.end) : line.size();
        const QFontMetrics metrics(option.font);
        int x = text.left() + 3;
        const auto part = [&](std::size_t from, std::size_t to, const QColor& colour) {
            if (from >= to || from >= line.size()) return;
            const QString s = QString::fromStdString(line.substr(from, to - from));
            p->setPen(colour);
            p->drawText(QRect(x, text.top(), text.right() - x + 1, text.height()), Qt::AlignLeft | Qt::AlignVCenter,
                        s);
            x += metrics.horizontalAdvance(s);
        };
        part(0, start, Qt::black);
        part(start, end, fromColorRef(0x008000));
        part(end, line.size(), option.palette.color(QPalette::Text));
        p->restore();
    }
};

// ---- Reading dialog

ReadingTraceDialog::ReadingTraceDialog(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), form_(*this, forms::readingTraceForm(), model_, model_.events()) {
    // While it is up, the events let through reach only this dialog: the
    // trace it reads for cannot be scrolled, switched or closed under it.
    setWindowModality(Qt::ApplicationModal);
}

void ReadingTraceDialog::show() {
    model_.resetCancel();
    QWidget::show();
    QApplication::processEvents();
}

bool ReadingTraceDialog::cancelRequested() {
    QApplication::processEvents();
    return model_.cancelRequested();
}

void ReadingTraceDialog::close() { hide(); }

// ---- Box view

TraceBoxView::TraceBoxView(TraceWindow& window, TraceBoxModel& box, QWidget* parent)
    : CaretListView(box, parent), window_(window), box_(box) {
    setMitCaret(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TraceBoxView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        guarded([&] { window_.model().help(); });
        return;
    }
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    bool used = false;
    guarded([&] {
        switch (event->key()) {
        case Qt::Key_PageUp: used = box_.pageUp(ctrl); break;
        case Qt::Key_PageDown: used = box_.pageDown(ctrl); break;
        case Qt::Key_Up: used = !shift && box_.lineUp(); break;
        case Qt::Key_Down: used = !shift && box_.lineDown(); break;
        default: break;
        }
    });
    if (!used) {
        CaretListView::keyPressEvent(event);
        box_.setCaretRow(list().caretRow());
    }
    window_.rowsChanged();
}

void TraceBoxView::mousePressEvent(QMouseEvent* event) {
    CaretListView::mousePressEvent(event);
    box_.setCaretRow(list().caretRow());
    window_.rowsChanged();
}

void TraceBoxView::mouseDoubleClickEvent(QMouseEvent*) {
    guarded([&] { window_.model().doubleClick(); });
    list().releaseLeft();
    window_.rowsChanged();
}

void TraceBoxView::resizeEvent(QResizeEvent* event) {
    CaretListView::resizeEvent(event);
    // Rows are made before painting, never while painting.
    guarded([&] { box_.setVisibleRows(list().geometry.visibleRows()); });
    window_.rowsChanged();
}

void TraceBoxView::drawCellExtras(QPainter& painter, int row, int section, const QRect& cell, bool selected) {
    if (row < 0 || row >= box_.rowCount()) return;
    const TTraceItem& item = box_.item(row);
    const QFontMetrics metrics = fontMetrics();
    if (item.kind == TTraceItem::Collapsed && (section == 0 || section == 6)) {
        // "+" framed in the cell's text colour, "..." in silver: from three
        // pixels below the row's top to two above its bottom.
        const QString mark = section == 0 ? QStringLiteral("+") : QStringLiteral("...");
        const int width = metrics.horizontalAdvance(mark) + 2 * OffsetX;
        painter.setPen(fromColorRef(box_.GetCellFontColor(row, section)));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(cell.left(), cell.top() + 3, width, cell.height() - 5).adjusted(0, 0, -1, -1));
        return;
    }
    if (selected || section != 9 || item.kind != TTraceItem::Source || box_.mode() != tdSource) return;
    const std::string text = box_.GetCellText(row, section);
    const CommentSpan comment = FindComment(text);
    if (comment.start <= 0) return;
    const auto start = static_cast<std::size_t>(comment.start - 1);
    const std::size_t end = comment.end > 0 ? static_cast<std::size_t>(comment.end) : text.size();
    const QColor fore = fromColorRef(box_.GetCellFontColor(row, section));
    painter.fillRect(cell, fromColorRef(box_.GetCellColor(row, section)));
    int x = cell.left() + OffsetX;
    const int baseline = cell.top() + metrics.ascent();
    const auto part = [&](std::size_t from, std::size_t to, const QColor& colour) {
        if (from >= to || from >= text.size()) return;
        const QString s = QString::fromStdString(text.substr(from, to - from));
        painter.setPen(colour);
        painter.drawText(QPoint(x, baseline), s);
        x += metrics.horizontalAdvance(s);
    };
    part(0, start, fore);
    part(start, end, fromColorRef(0x008000));
    part(end, text.size(), fore);
}

void TraceBoxView::wheelEvent(QWheelEvent* event) {
    window_.wheel(event->angleDelta().y());
    event->accept();
}

void TraceBoxView::contextMenuEvent(QContextMenuEvent* event) {
    window_.refresh();
    window_.popupMenu().popup(event->globalPos());
}

// ---- Window

TraceWindow::TraceWindow(std::unique_ptr<TraceWindowModel> model, platform::SettingsStore& store, QWidget* parent,
                         std::unique_ptr<ReadingTraceDialog> reading)
    : QWidget(parent, Qt::Window), model_(std::move(model)), store_(store) {
    setObjectName("TTraceForm");
    resize(900, 420);
    if (auto g = model_->storedGeometry()) {
        if (g->width > 100 && g->height > 80) resize(g->width, g->height);
        // The stored corner only where a screen shows it (a monitor may have
        // gone since).
        for (const auto* screen : QGuiApplication::screens())
            if (screen->availableGeometry().contains(g->left, g->top)) {
                move(g->left, g->top);
                break;
            }
    }

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    // The trace area with its scroll bar left of the splitter, the context
    // list right of it; with the context hidden the area fills the window.
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName("Splitter1");
    splitter_->setChildrenCollapsible(false);
    auto* left = new QWidget(splitter_);
    auto* row = new QHBoxLayout(left);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto* area = new QWidget(left);
    area->setObjectName("ScrollBox1");
    auto* areaLayout = new QVBoxLayout(area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    areaLayout->setSpacing(0);
    header_ = new QHeaderView(Qt::Horizontal, area);
    header_->setObjectName("Header");
    columns_ = new QStandardItemModel(0, kTraceColumns, header_);
    header_->setModel(columns_);
    header_->setSectionResizeMode(QHeaderView::Interactive);
    header_->setMinimumSectionSize(0);
    header_->setStretchLastSection(false);
    header_->setFixedHeight(header_->sizeHint().height());
    box_ = new TraceBoxView(*this, model_->box(), area);
    box_->setObjectName("TraceBox");
    areaLayout->addWidget(header_);
    areaLayout->addWidget(box_, 1);
    row->addWidget(area, 1);
    context_ = new QListWidget(splitter_);
    context_->setObjectName("ContextBox");
    context_->setUniformItemSizes(true);
    context_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    contextLines_ = new ContextLineDelegate(context_);
    context_->setItemDelegate(contextLines_);
    context_->hide();
    scroll_ = new QScrollBar(Qt::Vertical, left);
    scroll_->setObjectName("VScrollBar");
    scroll_->setSingleStep(1);
    row->addWidget(scroll_);
    splitter_->addWidget(left);
    splitter_->addWidget(context_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    outer->addWidget(splitter_, 1);
    status_ = new QStatusBar(this);
    status_->setObjectName("StatusBar");
    status_->setSizeGripEnabled(false);
    const int widths[4] = {65, 70, 100, 75};
    for (int i = 0; i < 4; ++i) {
        panels_[i] = new QLabel(status_);
        panels_[i]->setObjectName(QString("StatusPanel%1").arg(i));
        panels_[i]->setMinimumWidth(widths[i]);
        panels_[i]->setAutoFillBackground(true);
        status_->addWidget(panels_[i]);
    }
    outer->addWidget(status_);
    box_->setHeaderLink(header_);
    connect(header_, &QHeaderView::sectionResized, this, [this](int index, int, int size) {
        if (!applyingHeader_) model_->setWidth(index, size);
    });
    connect(scroll_, &QScrollBar::actionTriggered, this, [this](int action) { onScrollAction(action); });
    scroll_->installEventFilter(this);
    connect(scroll_, &QScrollBar::sliderReleased, this, [this] {
        guarded([&] { model_->box().showFrame(static_cast<std::uint32_t>(scroll_->value())); });
        rowsChanged();
        box_->setFocus();
    });
    buildMenu();
    setContextMenuPolicy(Qt::DefaultContextMenu);
    if (reading) {
        // A child from now on: it goes with the window, after the model.
        reading_ = reading.release();
        reading_->setParent(this, reading_->windowFlags());
        model_->box().setReadingDialog(reading_);
    } else if (model_->box().wantsReadingDialog()) {
        reading_ = new ReadingTraceDialog(this);
        model_->box().setReadingDialog(reading_);
    }
    model_->onChanged([this] { refresh(); });
    applyHeader();
    refresh();
}

TraceWindow::~TraceWindow() { model_->onChanged({}); }

void TraceWindow::buildMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName("aPopupMenu");
    std::map<std::string, QMenu*> menus{{"", menu_}};
    std::map<std::string, QActionGroup*> groups;
    for (const TraceMenuItem& item : TraceWindowModel::menuItems()) {
        QMenu* into = menus.at(item.parent);
        if (item.kind == TraceMenuItem::Separator) {
            into->addSeparator()->setObjectName(item.name);
        } else if (item.kind == TraceMenuItem::Submenu) {
            auto* sub = into->addMenu(QString());
            sub->menuAction()->setObjectName(item.name);
            if (std::string(item.name) == "cmPopDarstellung") sub->setObjectName("cmPopDarstellungMenu");
            sub->installEventFilter(this);
            menus[item.name] = sub;
        } else {
            auto* a = into->addAction(QString());
            a->setObjectName(item.name);
            a->setCheckable(item.checkable);
            if (item.radio) {
                QActionGroup*& group = groups[item.parent];
                if (!group) group = new QActionGroup(into);
                group->addAction(a);
            }
            if (*item.key) {
                a->setShortcut(QKeySequence(QString::fromLatin1(item.key)));
                // The window's own short cuts (F3, F5) work without the menu open.
                addAction(a);
            }
            connect(a, &QAction::triggered, this, [this, n = std::string(item.name)] { runItem(n); });
        }
    }
    menu_->installEventFilter(this);
}

void TraceWindow::wheel(int angleDelta) {
    // High-resolution wheels send parts of a notch: they add up.
    wheelRest_ += angleDelta;
    const int notches = wheelRest_ / 120;
    if (notches == 0) return;
    wheelRest_ -= notches * 120;
    const int lines = std::abs(notches) * std::max(1, QApplication::wheelScrollLines());
    auto& box = model_->box();
    guarded([&] {
        if (notches > 0)
            box.scrollUp(lines);
        else
            box.scrollDown(lines);
    });
    rowsChanged();
}

bool TraceWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && watched == scroll_) {
        wheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        if (auto* m = qobject_cast<QMenu*>(watched)) {
            const QAction* item = m->activeAction();
            // A submenu's own item has no help of its own: the window's.
            const std::string name = item ? item->objectName().toStdString() : std::string();
            guarded([&] { model_->help(name); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TraceWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        guarded([&] { model_->help(); });
        return;
    }
    QWidget::keyPressEvent(event);
}

void TraceWindow::runItem(const std::string& name) {
    auto& m = *model_;
    guarded([&] {
        std::vector<int> rows;
        const auto& sel = box_->list().selection;
        if (sel.shown())
            for (int r = sel.start().row; r <= sel.end().row; ++r) rows.push_back(r);
        const TraceMenuRun run = m.runItem(name, rows);
        if (run == TraceMenuRun::SelectionUsed) box_->list().selection.hide();
        if (run != TraceMenuRun::Dialog) return;
        if (name == "cmPopSuche" || name == "cmPopTimeFilter") {
            TVokWinValidator validator(m.context().symbols, m.context().lines, nullptr, nullptr);
            FramePatternModel fm(store_, validator);
            fm.setFiltern(name == "cmPopTimeFilter");
            FrameSearchDialog d(fm, store_, this);
            if (d.exec() == QDialog::Accepted) {
                if (fm.filtern())
                    m.setTimeFilter(fm.pattern(), fm.emptyPattern());
                else
                    m.search(fm.pattern(), fm.emptyPattern());
            }
        } else if (name == "cmPopSprung") {
            GotoModel gm(store_);
            gm.setAufruf(saTrace);
            GotoDialog d(gm, store_, this);
            if (d.exec() == QDialog::Accepted) m.goToFrame(gm.target());
        } else if (name == "cmPopSpalten") {
            TraceColumnsModel cm(store_, m.darstellung());
            const auto shown = m.columnsShown();
            for (int c = 0; c < kTraceColumns; ++c) cm.setColumn(c, shown[c]);
            TraceColumnsDialog d(cm, this);
            if (d.exec() == QDialog::Accepted) {
                std::array<bool, kTraceColumns> now{};
                for (int c = 0; c < kTraceColumns; ++c) now[c] = cm.column(c);
                m.applyColumns(now);
                applyHeader();
            }
        }
    });
    rowsChanged();
}

void TraceWindow::onScrollAction(int action) {
    auto& box = model_->box();
    guarded([&] {
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: box.scrollDown(1); break;
        case QAbstractSlider::SliderSingleStepSub: box.scrollUp(1); break;
        case QAbstractSlider::SliderPageStepAdd: box.scrollDown(box.visibleRows()); break;
        case QAbstractSlider::SliderPageStepSub: box.scrollUp(box.visibleRows()); break;
        case QAbstractSlider::SliderToMinimum: box.showFrame(0); break;
        case QAbstractSlider::SliderToMaximum: box.goToEnd(); break;
        default: return;
        }
    });
    rowsChanged();
    box_->setFocus();
}

void TraceWindow::applyHeader() {
    applyingHeader_ = true;
    for (int c = 0; c < kTraceColumns; ++c) {
        columns_->setHeaderData(c, Qt::Horizontal, QString::fromStdString(model_->headerTitle(c)));
        header_->resizeSection(c, model_->widths()[static_cast<std::size_t>(c)]);
    }
    applyingHeader_ = false;
}

void TraceWindow::rowsChanged() {
    auto& box = model_->box();
    box_->setItemCount(box.rowCount());
    box_->list().setCaretRow(box.caretRow());
    const QSignalBlocker block(scroll_);
    scroll_->setRange(0, box.scrollMaximum());
    scroll_->setPageStep(std::max(1, box.visibleRows()));
    scroll_->setValue(std::max(0, box.currentFrame()));
    box_->viewport()->update();
    refresh();
}

void TraceWindow::refresh() {
    setWindowTitle(QString::fromStdString(model_->caption()));
    for (auto* a : findChildren<QAction*>()) {
        const std::string name = a->objectName().toStdString();
        if (name.empty() || !model_->controls().count(name)) continue;
        const auto& c = model_->control(name);
        a->setText(QString::fromStdString(c.text));
        a->setEnabled(c.enabled);
        a->setVisible(c.visible);
        if (a->isCheckable()) a->setChecked(c.checked);
    }
    applyHeader();
    if (context_->isVisibleTo(this) != model_->contextShown()) {
        context_->setVisible(model_->contextShown());
        if (model_->contextShown()) {
            // The trace keeps the columns up to the address; the context
            // list takes the rest.
            int columns = scroll_->sizeHint().width() + 2;
            for (int c = 0; c <= 6; ++c) columns += model_->widths()[static_cast<std::size_t>(c)];
            const int total = std::max(splitter_->width(), width());
            splitter_->setSizes({columns, std::max(total - columns, 100)});
        }
    }
    const auto& box = model_->box();
    if (box.contextGeneration() != contextGeneration_) {
        contextGeneration_ = box.contextGeneration();
        context_->clear();
        const auto& lines = box.contextLines();
        const int digits = static_cast<int>(std::to_string(lines.size()).size());
        contextLines_->numberWidth = QFontMetrics(context_->font()).horizontalAdvance(QString(digits, '0')) + 4;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            auto* item = new QListWidgetItem(QString::fromStdString(lines[i].text), context_);
            item->setData(kContextStateRole, lines[i].state);
            item->setData(kContextNumberRole, QString("%1").arg(i + 1, digits, 10, QChar('0')));
            const std::uint32_t colour = lines[i].state & 0x10 ? 0x00FFFF : lines[i].state & 0x20 ? 0xFFFFFF : 0xF0F0F0;
            item->setBackground(fromColorRef(colour));
        }
        if (!lines.empty()) context_->scrollToItem(context_->item(box.contextTopLine()), QAbstractItemView::PositionAtTop);
    }
    for (int i = 0; i < 4; ++i) {
        const std::string text = model_->panelText(i);
        QPalette p = panels_[i]->palette();
        switch (TraceWindowModel::panelStyle(text)) {
        case TraceWindowModel::PanelStyle::OnWhite:
            p.setColor(QPalette::Window, Qt::white);
            p.setColor(QPalette::WindowText, Qt::black);
            break;
        case TraceWindowModel::PanelStyle::WhiteOnRed:
            p.setColor(QPalette::Window, Qt::red);
            p.setColor(QPalette::WindowText, Qt::white);
            break;
        case TraceWindowModel::PanelStyle::Plain: p = status_->palette(); break;
        }
        panels_[i]->setPalette(p);
        panels_[i]->setText(QString::fromStdString(text));
    }
}

void TraceWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        model_->activated(static_cast<std::uintptr_t>(winId()));
}

void TraceWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // After the opener took the window, so that the closing reaches what
    // the opener set up for it.
    if (model_->boardAbsent()) QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

void TraceWindow::closeEvent(QCloseEvent* event) {
    guarded([&] { model_->close({x(), y(), width(), height()}); });
    event->accept();
}

}  // namespace tarvex::ui
