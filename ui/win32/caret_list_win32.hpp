#pragma once
// The owner-drawn list with a text caret on Windows: a child window that
// paints the rows its source gives, in the sections of a header or as one
// text a row, and hands keys and the mouse to CaretList, which works out
// every position. A list that needs more (the trace list) takes the hooks.
#include <windows.h>

#include <vector>

#include "ui/model/caret_list.hpp"

namespace tarvex::ui::win32 {

class Win32CaretList {
public:
    static constexpr int OffsetX = 2;

    Win32CaretList(const CaretCellSource& source, HWND parent, int id);
    virtual ~Win32CaretList();
    Win32CaretList(const Win32CaretList&) = delete;
    Win32CaretList& operator=(const Win32CaretList&) = delete;

    HWND handle() const { return hwnd_; }
    CaretList& list() { return list_; }
    const CaretList& list() const { return list_; }
    HFONT font() const { return font_; }

    // The header's section widths; none: a plain caret list.
    void setSections(std::vector<int> widths);
    // The same count leaves the scroll positions alone.
    void setItemCount(int count);
    int itemCount() const { return list_.geometry.itemCount(); }
    // Off: no caret, an arrow cursor, and a drag selects whole rows.
    void setMitCaret(bool on);
    bool mitCaret() const { return mitCaret_; }
    // Whether the list scrolls its rows itself (a plain list does; the
    // trace list scrolls the trace instead).
    void setOwnRows(bool on);
    int scrollX() const { return scrollX_; }
    void setScrollX(int x);
    // Paints now what changed.
    void repaint();

protected:
    // A key before the list's own handling; true when it was used.
    virtual bool keyDown(WPARAM /*key*/, bool /*shift*/, bool /*ctrl*/) { return false; }
    // After every key and mouse press that may have moved the caret.
    virtual void caretMoved() {}
    virtual void doubleClicked() {}
    virtual void contextMenu(POINT /*screen*/) {}
    // The wheel, in 120ths of a notch; by default the rows scroll.
    virtual void wheel(int delta);
    virtual void resized() {}
    // The horizontal scroll moved (a header follows it).
    virtual void scrolledX(int /*x*/) {}
    // Drawn over a cell once its text is, clipped to the cell: the marks a
    // list adds. `selected`: the selection covers part of it.
    virtual void drawCellExtras(HDC /*dc*/, int /*row*/, int /*section*/, const RECT& /*cell*/, bool /*selected*/) {}

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void paint(HDC dc, const RECT& client);
    void updateGeometry();
    void updateScrollBars();
    void followCaret();
    void onKey(WPARAM key);
    void onScroll(int bar, int code);

    const CaretCellSource& source_;
    CaretList list_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    int scrollX_ = 0;
    int wheelRest_ = 0;
    bool mitCaret_ = true;
    bool ownRows_ = true;
    bool dragging_ = false;
    bool inside_ = false;
};

}  // namespace tarvex::ui::win32
