// Column maths, selection spans and caret bounds of the owner-drawn list.
#include <gtest/gtest.h>

#include "ui/model/caret_list.hpp"

namespace tarvex::ui {
namespace {

CaretGeometry header(std::vector<int> sections) {
    CaretGeometry g;
    g.setCharWidth(7);
    g.setSections(std::move(sections));
    return g;
}

TEST(CaretGeometry, ColumnsFollowTheHeaderSections) {
    const auto g = header({50, 35});
    EXPECT_EQ(g.ColumnToX(8), 57);
    EXPECT_EQ(g.ColumnToX(0), 0);
    EXPECT_EQ(g.ColumnAtX(70), 9);
    EXPECT_EQ(g.ColumnAtX(90), 12);  // past the last section, counted from its right edge 85
    EXPECT_EQ(g.ColumnToX(14), 85 + 2 * 7);
    const auto plain = header({});
    for (int x : {0, 6, 7, 100}) EXPECT_EQ(plain.ColumnAtX(x), x / 7) << x;
}

TEST(CaretGeometry, MaxColumnAndAZeroCharacterWidth) {
    CaretGeometry g;
    g.setCharWidth(7);
    g.setClient(300, 200);
    g.setHorzScrollRange(703);
    EXPECT_EQ(g.MaxColumn(), 100);
    g.setHorzScrollRange(702);  // a remainder of 2 pixels is no column
    EXPECT_EQ(g.MaxColumn(), 99);
    g.setCharWidth(0);
    EXPECT_EQ(g.charWidth(), 1);
    EXPECT_EQ(g.ColumnAtX(10), 10);
}

TEST(CaretSelection, SpansPerRow) {
    auto g = header({50, 35, 70});
    CaretSelection s;
    s.set({9, 3}, {2, 1});  // normalised: start (2,1), end (9,3)
    EXPECT_FALSE(s.GetSelectionSpan(g, 0, 400));
    EXPECT_EQ(s.GetSelectionSpan(g, 1, 400), std::make_pair(14, 400));
    EXPECT_EQ(s.GetSelectionSpan(g, 2, 400), std::make_pair(0, 400));
    EXPECT_EQ(s.GetSelectionSpan(g, 3, 400), std::make_pair(0, 64));
    s.setSpaltenMarkierung(true);  // whole sections on the rows between
    EXPECT_EQ(s.GetSelectionSpan(g, 2, 400), std::make_pair(0, 85));
    EXPECT_EQ(s.GetSelectionSpan(g, 3, 400), std::make_pair(0, 64));
    s.setWithCaret(false);
    EXPECT_EQ(s.GetSelectionSpan(g, 1, 400), std::make_pair(0, 400));
    s.hide();
    EXPECT_FALSE(s.GetSelectionSpan(g, 2, 400));
}

TEST(CaretList, CaretStaysOnRowsThatExist) {
    CaretList list;
    list.geometry.setCharWidth(7);
    list.geometry.setItemHeight(16);
    list.geometry.setClient(200, 160);
    list.key(CaretList::Key::End, false, true);  // Ctrl+End on an empty list
    EXPECT_EQ(list.caretRow(), -1);
    list.pressRight(10, 100, 0);
    EXPECT_EQ(list.caretRow(), -1);
    list.setItemCount(3);
    list.pressRight(10, 150, 0);  // below the last row
    EXPECT_EQ(list.caretRow(), 2);
    list.key(CaretList::Key::Home, false, true);
    EXPECT_EQ(list.caretRow(), 0);
    EXPECT_EQ(list.caretColumn(), 0);
    list.key(CaretList::Key::End, false, false);
    EXPECT_EQ(list.caretColumn(), list.geometry.MaxColumn());
    list.setItemCount(1);
    EXPECT_EQ(list.caretRow(), 0);
}

TEST(CaretList, DragAndShiftSelect) {
    CaretList list;
    list.geometry.setCharWidth(7);
    list.geometry.setClient(200, 160);
    list.setItemCount(10);
    list.pressLeft(14, 5, 0);
    list.releaseLeft();
    EXPECT_FALSE(list.selection.shown());  // a click selects nothing
    list.pressLeft(14, 5, 0);
    list.dragTo(35, 40, 0);
    EXPECT_EQ(list.selection.start(), (CaretPoint{2, 0}));
    EXPECT_EQ(list.selection.end(), (CaretPoint{5, 2}));
    list.key(CaretList::Key::Down, true, false);
    EXPECT_EQ(list.selection.end(), (CaretPoint{5, 3}));
    list.key(CaretList::Key::Down, false, false);
    EXPECT_FALSE(list.selection.shown());

    // Dragged upwards from row 5 to row 2: Shift+Down moves the caret end,
    // the drag's start stays.
    list.pressLeft(14, 16 * 5 + 3, 0);
    list.dragTo(35, 16 * 2 + 3, 0);
    list.releaseLeft();
    list.key(CaretList::Key::Down, true, false);
    EXPECT_EQ(list.selection.start(), (CaretPoint{5, 3}));
    EXPECT_EQ(list.selection.end(), (CaretPoint{2, 5}));
}

}  // namespace
}  // namespace tarvex::ui
