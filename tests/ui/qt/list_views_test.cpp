// The owner-drawn list and the status line's view.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>
#include <QVBoxLayout>

#include "host/status_line.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/caret_list_view.hpp"
#include "ui/qt/status_line_view.hpp"

namespace tarvex::ui {
namespace {

class Rows final : public CaretCellSource {
public:
    std::string GetItemText(int row) const override { return "row " + std::to_string(row) + " MOV A,#12h"; }
    std::string GetCellText(int row, int section) const override {
        return section == 0 ? std::to_string(row) : section == 1 ? "0x" + std::to_string(100 + row) : "NOP";
    }
    std::uint32_t GetCellColor(int, int section) const override { return section == 0 ? 0xC0C0C0 : 0xF0F0F0; }
};

struct HeaderList {
    QWidget form;
    QHeaderView* header;
    CaretListView* view;
    QStandardItemModel columns{0, 3};
    HeaderList(const CaretCellSource& rows, bool withHeader) {
        auto* layout = new QVBoxLayout(&form);
        header = new QHeaderView(Qt::Horizontal, &form);
        header->setModel(&columns);
        columns.setHorizontalHeaderLabels({"Index", "Address", "Instruction"});
        header->resizeSection(0, 50);
        header->resizeSection(1, 70);
        header->resizeSection(2, 400);
        view = new CaretListView(rows, &form);
        layout->addWidget(header);
        layout->addWidget(view);
        header->setFixedHeight(header->sizeHint().height());
        header->setVisible(withHeader);
        if (withHeader) view->setHeaderLink(header);
        form.resize(340, 260);
        form.show();
    }
};

TEST(CaretListView, KeysMouseAndBounds) {
    Rows rows;
    HeaderList list(rows, false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list.form));
    auto* view = list.view;
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);  // empty list
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, QPoint(20, 200));
    EXPECT_EQ(view->list().caretRow(), -1);
    view->setItemCount(40);
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, QPoint(20, view->viewport()->height() - 1));
    EXPECT_LT(view->list().caretRow(), 40);
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(view->list().caretColumn(), view->list().geometry.MaxColumn());
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view->list().caretRow(), 39);
    view->setMitCaret(false);
    QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
    const int h = view->list().geometry.itemHeight();
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(30, h / 2));
    QTest::mouseMove(view->viewport(), QPoint(40, 2 * h + h / 2));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(40, 2 * h + h / 2));
    const auto span = view->list().selection.GetSelectionSpan(view->list().geometry, 0, 500);
    ASSERT_TRUE(span);
    EXPECT_EQ(*span, std::make_pair(0, 500));  // whole rows without a caret
}

TEST(CaretListView, HeaderColumnsAndTheSameCount) {
    Rows rows;
    HeaderList list(rows, true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list.form));
    auto* view = list.view;
    view->setItemCount(30);
    view->horizontalScrollBar()->setValue(15);
    const int offset = list.header->offset();
    EXPECT_EQ(offset, 15);  // the header scrolls along
    view->setItemCount(30);
    EXPECT_EQ(list.header->offset(), offset);
    view->horizontalScrollBar()->setValue(0);
    const int cw = view->list().geometry.charWidth();
    EXPECT_EQ(view->list().geometry.ColumnToX(50 / cw), 50);
    view->setFocus();
    view->list().selection.set({1, 2}, {12, 4});
    view->viewport()->update();
    const QImage image = list.form.grab().toImage();
    saveShot(list.form, "CaretListView");
    // Index cells are silver.
    const QPoint index = view->viewport()->mapTo(&list.form, QPoint(40, 1));
    EXPECT_EQ(image.pixelColor(index), QColor(0xC0, 0xC0, 0xC0));
}

TEST(StatusLineView, PanelsFollowTheDriversStatusLine) {
    std::vector<std::string> handed;
    TVokWinStatusZeile line([&](const std::string& text) { handed.push_back(text); });
    HostStatusLine source(line);
    StatusLineView view(source);
    view.resize(500, 24);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    line.SetRunning(true);
    line.SetMacroName("macros/init.mac");
    line.SetIndicator(TVokWinStatusZeile::Macro, true);
    EXPECT_EQ(view.panel(2)->text(), " Running...");
    EXPECT_EQ(view.panel(3)->text(), " Executing macro init.mac");
    EXPECT_EQ(handed.back(), " Running...");
    const QImage image = view.grab().toImage();
    const QRect running = view.panel(2)->geometry(), macro = view.panel(3)->geometry();
    EXPECT_EQ(image.pixelColor(running.right() - 3, running.center().y()), QColor(Qt::red));
    // The text begins with a blank: the panel's own colour shows there.
    EXPECT_EQ(image.pixelColor(macro.left() + 3, macro.center().y()), QColor(0, 0x80, 0));
    saveShot(view, "VokWinStatusZeile");
    line.SetRunning(false);
    EXPECT_EQ(view.panel(2)->text(), "");
    EXPECT_NE(view.grab().toImage().pixelColor(running.right() - 3, running.center().y()), QColor(Qt::red));
}

}  // namespace
}  // namespace tarvex::ui
