#pragma once
// The trace window: header, the trace list, the scroll bar over the frame
// indices, the status bar and the popup menu, bound to TraceWindowModel.
#include <QWidget>
#include <functional>
#include <memory>

#include "ui/model/status_forms.hpp"
#include "ui/model/trace_window.hpp"
#include "ui/qt/caret_list_view.hpp"
#include "ui/qt/qt_form.hpp"

class QHeaderView;
class QLabel;
class QListWidget;
class QMenu;
class QScrollBar;
class QSplitter;
class QStandardItemModel;
class QStatusBar;

namespace tarvex::ui {

class TraceWindow;
class ContextLineDelegate;

// "Reading trace" with a working "Cancel", on top, while a long read runs.
class ReadingTraceDialog final : public QWidget, public TraceReadingDialog {
public:
    explicit ReadingTraceDialog(QWidget* parent = nullptr);
    void show() override;
    bool cancelRequested() override;
    void close() override;

private:
    ReadingTraceModel model_;
    QtForm form_;
};

// The trace list: the caret list over the box's rows; keys that leave the
// rows scroll the trace instead.
class TraceBoxView final : public CaretListView {
public:
    TraceBoxView(TraceWindow& window, TraceBoxModel& box, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // The frames of a collapsed row's marks, and in Source mode the comment
    // of a source line in green.
    void drawCellExtras(QPainter& painter, int row, int section, const QRect& cell, bool selected) override;

private:
    TraceWindow& window_;
    TraceBoxModel& box_;
};

class TraceWindow final : public QWidget {
public:
    // `reading` is the dialog the model was made with, when its opener made
    // one first so that the model's first reads could show it; the window
    // keeps it. Without one the window makes its own when the model wants it.
    TraceWindow(std::unique_ptr<TraceWindowModel> model, platform::SettingsStore& store, QWidget* parent = nullptr,
                std::unique_ptr<ReadingTraceDialog> reading = nullptr);
    ~TraceWindow() override;

    TraceWindowModel& model() { return *model_; }
    // Closed by the user or the host.
    bool gone() const { return model_->closed(); }
    TraceBoxView& boxView() { return *box_; }
    QMenu& popupMenu() { return *menu_; }
    // Re-reads the model into every widget.
    void refresh();
    // Rows changed in the box: the list follows.
    void rowsChanged();
    // Runs a menu item by its name (as the popup menu does).
    void runItem(const std::string& name);
    // The mouse wheel over the list or its scroll bar, in eighths of a
    // degree (120 a notch): the trace scrolls by the platform's lines per
    // notch, as the scroll bar's arrows do line by line.
    void wheel(int angleDelta);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Without its trace board the window closes at once.
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // F1 while a menu item is highlighted asks help on that item.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void onScrollAction(int action);
    void applyHeader();

    std::unique_ptr<TraceWindowModel> model_;
    platform::SettingsStore& store_;
    QHeaderView* header_ = nullptr;
    QStandardItemModel* columns_ = nullptr;
    TraceBoxView* box_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QListWidget* context_ = nullptr;
    QStatusBar* status_ = nullptr;
    QLabel* panels_[4] = {};
    QMenu* menu_ = nullptr;
    ContextLineDelegate* contextLines_ = nullptr;
    ReadingTraceDialog* reading_ = nullptr;
    bool applyingHeader_ = false;
    int wheelRest_ = 0;
    unsigned contextGeneration_ = ~0u;
};

}  // namespace tarvex::ui
