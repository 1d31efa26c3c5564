// The trace window on Windows over a scripted trace: driven by keys, the
// mouse, the wheel and its scroll bar, its rows compared after every step
// with those of a second model given the same operations directly; its
// menu, help, close and end; and the driver's windows opening it from the
// menu on the simulated board. Rendered into ui-shots/.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/emulator.hpp"
#include "emulator/debug/trace_board.hpp"
#include "host/agdi_records.hpp"
#include "tests/support/host/windowed_host.hpp"
#include "tests/ui/win32/win32_test_support.hpp"
#include "ui/model/scripted_trace_source.hpp"
#include "ui/win32/driver/trace_window_win32.hpp"
#include "ui/win32/driver/win32_driver_windows.hpp"
#include "ui/win32/form_shot.hpp"

namespace tarvex::ui::win32 {
namespace {

struct TraceBench {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    platform::RecordingHelpViewer help;
    platform::HelpViewer* savedHelp = platform::currentUi().help;
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};

    TraceBench() {
        platform::currentUi().help = &help;
        lines.AddLine(UnbankedAdresse(0x0000), 6, 0, 0, 0);
        lines.AddLine(UnbankedAdresse(0x0003), 8, 0, 0, 0);
    }
    ~TraceBench() { platform::currentUi().help = savedHelp; }

    static ScriptedTraceSource source() {
        ScriptedTraceSource s = sampleLoopTrace(150);
        s.sourceTexts[0x0000] = "    P1 = 0x01;   /* LED on */";
        s.sourceTexts[0x0003] = "    goto again;";
        return s;
    }
    TraceContext context() {
        TraceContext c{&lines, &symbols};
        c.sourceFile = [](const TZeilennummer&) {
            return std::vector<std::string>{"#include <reg51.h>", "", "void main(void)", "{",
                                            "again:", "    P1 = 0x01;   /* LED on */", "", "    goto again;", "}"};
        };
        return c;
    }
};

std::vector<std::string> rowsOf(const TraceBoxModel& box) {
    std::vector<std::string> rows;
    for (int r = 0; r < box.rowCount(); ++r) {
        std::string row;
        for (int c = 0; c < kTraceColumns; ++c) row += box.GetCellText(r, c) + "|";
        rows.push_back(row);
    }
    return rows;
}

int scrollPos(HWND bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_POS;
    GetScrollInfo(bar, SB_CTL, &info);
    return info.nPos;
}

void setCtrl(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

// What a reviewer would see as cut: a control outside the window, a header
// title wider than its section, a status text wider than its panel.
std::vector<std::string> clipped(Win32TraceWindow& w) {
    std::vector<std::string> found;
    RECT client;
    GetClientRect(w.handle(), &client);
    for (HWND child : {w.list().handle(), w.scrollBar(), w.contextList(), w.statusBar()}) {
        if (!IsWindowVisible(child)) continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, w.handle(), reinterpret_cast<POINT*>(&r), 2);
        if (r.left < 0 || r.top < 0 || r.right > client.right || r.bottom > client.bottom)
            found.push_back("control " + std::to_string(GetDlgCtrlID(child)) + " outside the window");
    }
    HDC dc = GetDC(w.header());
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(w.header(), WM_GETFONT, 0, 0)));
    for (int c = 0; c < kTraceColumns; ++c) {
        char text[64] = {};
        HDITEMA item{};
        item.mask = HDI_WIDTH | HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(w.header(), HDM_GETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
        SIZE size{};
        GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
        if (item.cxy > 0 && size.cx + 12 > item.cxy) found.push_back(std::string("header \"") + text + "\" cut");
    }
    SelectObject(dc, old);
    ReleaseDC(w.header(), dc);
    dc = GetDC(w.statusBar());
    old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(w.header(), WM_GETFONT, 0, 0)));
    for (int i = 0; i < 4; ++i) {
        RECT part;
        SendMessageA(w.statusBar(), SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&part));
        SIZE size{};
        GetTextExtentPoint32A(dc, w.panel(i).c_str(), static_cast<int>(w.panel(i).size()), &size);
        if (size.cx > part.right - part.left) found.push_back("panel " + std::to_string(i) + " \"" + w.panel(i) + "\" cut");
    }
    SelectObject(dc, old);
    ReleaseDC(w.statusBar(), dc);
    return found;
}

TEST(TraceWindowWin32, KeysMouseWheelAndScrollBarMoveTheRowsAsTheModelDoes) {
    TraceBench b;
    ScriptedTraceSource source = TraceBench::source(), twinSource = TraceBench::source();
    platform::MemorySettingsStore store, twinStore;
    TraceWindowNumbers numbers, twinNumbers;
    std::uintptr_t slot = 0;
    std::vector<int> closedTags;
    TraceWindowHost host{&slot, [&](int tag) { closedTags.push_back(tag); }};
    Win32TraceWindow w(std::make_unique<TraceWindowModel>(source, b.context(), store, std::move(host), numbers), store,
                       nullptr);
    w.show();
    pumpMessages();
    TraceWindowModel twin(twinSource, b.context(), twinStore, {}, twinNumbers);
    TraceBoxModel& box = w.model().box();
    TraceBoxModel& other = twin.box();
    ASSERT_GT(box.visibleRows(), 5);
    other.setVisibleRows(box.visibleRows());
    other.goToEnd();

    EXPECT_EQ(test::textOf(w.handle()), "Trace memory");
    EXPECT_EQ(slot, reinterpret_cast<std::uintptr_t>(w.handle()));
    // It opens at the end of the trace, the caret on the last line (the
    // jump of frame 148 with its fetch).
    EXPECT_EQ(scrollPos(w.scrollBar()), 148);
    EXPECT_EQ(box.caretRow(), box.rowCount() - 1);
    const HWND list = w.list().handle();
    const int rowHeight = w.list().list().geometry.itemHeight();
    UINT perNotch = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &perNotch, 0);

    struct Step {
        const char* what;
        std::function<void()> user;
        std::function<void()> direct;
    };
    const auto key = [&](WPARAM k, bool ctrl = false) {
        return [&, k, ctrl] {
            test::focus(list);
            setCtrl(ctrl);
            test::pressKey(k);
            setCtrl(false);
        };
    };
    const auto scroll = [&](int code) {
        return [&, code] {
            SendMessageA(w.handle(), WM_VSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(w.scrollBar()));
        };
    };
    const Step steps[] = {
        {"Page Up", key(VK_PRIOR), [&] { other.pageUp(false); }},
        {"a click on row 3", [&] { SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at(20, 3 * rowHeight + 2));
                                   SendMessageA(list, WM_LBUTTONUP, 0, at(20, 3 * rowHeight + 2)); },
         [&] { other.setCaretRow(3); }},
        {"Up moves the caret", key(VK_UP), [&] { other.setCaretRow(2); }},
        {"Up twice more", [&] { key(VK_UP)(); key(VK_UP)(); }, [&] { other.setCaretRow(0); }},
        {"Up on the top row scrolls a line", key(VK_UP), [&] { other.lineUp(); }},
        {"Ctrl+Page Up goes to the start", key(VK_PRIOR, true), [&] { other.pageUp(true); }},
        {"the wheel a notch down", [&] { SendMessageA(list, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0); },
         [&] { other.scrollDown(static_cast<int>(perNotch)); }},
        {"the scroll bar's page down", scroll(SB_PAGEDOWN), [&] { other.scrollDown(other.visibleRows()); }},
        {"the scroll bar's line down", scroll(SB_LINEDOWN), [&] { other.scrollDown(1); }},
        {"a double click on row 1 sets the time zero",
         [&] { SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at(20, rowHeight + 2));
               SendMessageA(list, WM_LBUTTONUP, 0, at(20, rowHeight + 2));
               SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at(20, rowHeight + 2));
               SendMessageA(list, WM_LBUTTONUP, 0, at(20, rowHeight + 2)); },
         [&] { other.setCaretRow(1); twin.doubleClick(); }},
        {"the scroll bar's bottom", scroll(SB_BOTTOM), [&] { other.goToEnd(); }},
        {"the scroll bar's top", scroll(SB_TOP), [&] { other.showFrame(0); }},
        {"Ctrl+Page Down goes to the end", key(VK_NEXT, true), [&] { other.pageDown(true); }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.user();
        pumpMessages();
        step.direct();
        EXPECT_EQ(rowsOf(box), rowsOf(other));
        EXPECT_EQ(box.caretRow(), other.caretRow());
        EXPECT_EQ(box.times().hasManualZero(), other.times().hasManualZero());
        EXPECT_EQ(w.list().itemCount(), box.rowCount());
        // A box without a caret row leaves the list's caret where it was.
        if (box.caretRow() >= 0) {
            EXPECT_EQ(w.list().list().caretRow(), box.caretRow());
        }
        EXPECT_EQ(scrollPos(w.scrollBar()), std::max(0, box.currentFrame()));
        EXPECT_EQ(w.panel(0), twin.panelText(0));
    }
    EXPECT_TRUE(box.times().hasManualZero());
    EXPECT_EQ(clipped(w), std::vector<std::string>{});
    saveShot(w.handle(), "TTraceForm");

    // A drag selects whole rows; "Collapse selected" folds them into one.
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at(20, 2));
    SendMessageA(list, WM_MOUSEMOVE, MK_LBUTTON, at(20, 2 * rowHeight + 2));
    SendMessageA(list, WM_LBUTTONUP, 0, at(20, 2 * rowHeight + 2));
    const int before = box.rowCount();
    w.runItem("cmPopAusblenden");
    other.collapseRows({0, 1, 2});
    EXPECT_EQ(rowsOf(box), rowsOf(other));
    const auto folded = rowsOf(box);
    EXPECT_TRUE(std::any_of(folded.begin(), folded.end(), [](const std::string& r) { return r[0] == '+'; }));
    EXPECT_EQ(box.rowCount(), before);
    saveShot(w.handle(), "TTraceForm-collapsed");

    // The four modes: the rows, the header's titles and the cells' widths
    // as the model has them; Source mode last, with the context list.
    const auto headerOf = [&](int column) {
        char text[64] = {};
        HDITEMA item{};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(w.header(), HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        return fromAnsi(text) + "/" + std::to_string(item.cxy);
    };
    // A line clicked keeps its frame through the modes (the twin moves
    // alike, so the frame itself is compared); where Source mode has no
    // line for it, the caret takes the next line.
    int clicked = -1;
    for (int r = 0; r < box.rowCount() && clicked < 0; ++r)
        if (box.item(r).kind == TTraceItem::Line) clicked = r;
    ASSERT_GE(clicked, 0);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at(20, clicked * rowHeight + 2));
    SendMessageA(list, WM_LBUTTONUP, 0, at(20, clicked * rowHeight + 2));
    other.setCaretRow(clicked);
    const int frame = box.currentFrame();
    const std::pair<const char*, TTraceDarstellung> modes[] = {
        {"cmPopZyklus", tdZyklus}, {"cmPopDisassembliert", tdDisassembliert}, {"cmPopSource", tdSource}};
    for (const auto& [itemName, mode] : modes) {
        SCOPED_TRACE(itemName);
        w.runItem(itemName);
        twin.setDarstellung(mode);
        EXPECT_EQ(box.mode(), mode);
        EXPECT_EQ(rowsOf(box), rowsOf(other));
        EXPECT_EQ(w.list().list().caretRow(), box.caretRow());
        if (mode == tdSource) {
            EXPECT_GE(box.currentFrame(), frame);
        } else {
            EXPECT_EQ(box.currentFrame(), frame);
        }
        for (int c = 0; c < kTraceColumns; ++c) {
            const int width = w.model().widths()[static_cast<std::size_t>(c)];
            EXPECT_EQ(headerOf(c), w.model().headerTitle(c) + "/" + std::to_string(width));
            EXPECT_EQ(w.list().list().geometry.sections()[static_cast<std::size_t>(c)], width);
        }
    }
    w.runItem("cmPopShowContext");
    ASSERT_TRUE(w.model().contextShown());
    EXPECT_TRUE(IsWindowVisible(w.contextList()));
    for (int r = 0; r < box.rowCount(); ++r)
        if (box.item(r).kind == TTraceItem::Source) {
            SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at(20, r * rowHeight + 2));
            SendMessageA(list, WM_LBUTTONUP, 0, at(20, r * rowHeight + 2));
            break;
        }
    pumpMessages();
    ASSERT_FALSE(box.contextLines().empty());
    EXPECT_EQ(test::listItems(w.contextList()).size(), box.contextLines().size());
    EXPECT_EQ(test::listItems(w.contextList())[5], box.contextLines()[5].text);
    EXPECT_EQ(clipped(w), std::vector<std::string>{});
    saveShot(w.handle(), "TTraceForm-context");

    // The user widens a section: the model keeps the width, the cells
    // follow; scrolled sideways, the header moves along with them.
    HDITEMA wide{};
    wide.mask = HDI_WIDTH;
    wide.cxy = 333;
    SendMessageA(w.header(), HDM_SETITEMA, 8, reinterpret_cast<LPARAM>(&wide));
    EXPECT_EQ(w.model().widths()[8], 333);
    EXPECT_EQ(w.list().list().geometry.sections()[8], 333);
    SendMessageA(list, WM_HSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    ASSERT_GT(w.list().scrollX(), 0);
    RECT headerAt, listAt;
    GetWindowRect(w.header(), &headerAt);
    GetWindowRect(list, &listAt);
    EXPECT_EQ(headerAt.left, listAt.left + GetSystemMetrics(SM_CXEDGE) - w.list().scrollX());

    // Closing keeps the layout, clears the active-window slot, reports the
    // tag; the window is gone for the host.
    SendMessageA(w.handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(w.gone());
    EXPECT_EQ(slot, 0u);
    EXPECT_EQ(closedTags, std::vector<int>{TraceWindowModel::kTag});
    EXPECT_EQ(store.readInteger(kDriverKey, "Trace1", "Darstellung", -1), tdSource);
    EXPECT_TRUE(store.readBool(kDriverKey, "Trace1", "ZeigeKontext", false));
    EXPECT_EQ(store.readInteger(kDriverKey, "Trace1", "Header8", 0), 333);
    for (const auto& shown : b.boxes.shown()) ADD_FAILURE() << shown.text;
}

TEST(TraceWindowWin32, TheMenuRunsItsItemsAndItsHelpAndTheDialogHooks) {
    TraceBench b;
    ScriptedTraceSource source = TraceBench::source();
    platform::MemorySettingsStore store;
    TraceWindowNumbers numbers;
    int searches = 0, gotos = 0;
    TraceWindowDialogs dialogs;
    dialogs.frameSearch = [&](FramePatternModel& model, platform::SettingsStore&, HWND owner) {
        ++searches;
        EXPECT_NE(owner, nullptr);
        EXPECT_FALSE(model.filtern());
        return false;
    };
    dialogs.gotoFrame = [&](GotoModel& model, platform::SettingsStore&, HWND) {
        ++gotos;
        model.setText("Ziel", "16");
        return true;
    };
    Win32TraceWindow w(std::make_unique<TraceWindowModel>(source, b.context(), store, TraceWindowHost{}, numbers),
                       store, nullptr, dialogs);
    w.show();
    pumpMessages();

    // The status panels in the model's styles, each as wide as its text:
    // the active time filter on white, the on-the-fly mode white on red.
    w.model().setFilterState(2);
    w.model().setRunState(true, true);
    EXPECT_EQ(w.panel(2), " Time filter active ");
    EXPECT_EQ(w.panel(3), " On the fly mode ");
    pumpMessages();
    UpdateWindow(w.statusBar());
    const auto colourIn = [&](int part) {
        RECT r;
        SendMessageA(w.statusBar(), SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&r));
        HDC dc = GetDC(w.statusBar());
        const COLORREF c = GetPixel(dc, r.right - 4, (r.top + r.bottom) / 2);
        ReleaseDC(w.statusBar(), dc);
        return c;
    };
    EXPECT_EQ(colourIn(2), RGB(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(colourIn(3), RGB(0xFF, 0, 0));
    EXPECT_EQ(clipped(w), std::vector<std::string>{});
    saveShot(w.handle(), "TTraceForm-panels");
    w.model().setFilterState(0);
    w.model().setRunState(false, false);

    // The menu as the model has it: the hidden "Double click" is left out,
    // the format's modes are radio items with Mixed Mode checked.
    HMENU menu = w.buildMenu();
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        texts.push_back(text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"&Search...", "Search again\tF3", "Go to...\tF5", "", "Time stamp = &0",
                                               "Time &Filter...", "", "Collapse selected", "Collapse function",
                                               "Expand", "For&mat"}));
    HMENU format = GetSubMenu(menu, 10);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(GetMenuState(format, Win32TraceWindow::commandOf("cmPopMixedMode"), MF_BYCOMMAND) & MF_CHECKED,
              static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(GetMenuState(format, Win32TraceWindow::commandOf("cmPopZyklus"), MF_BYCOMMAND) & MF_CHECKED, 0u);
    DestroyMenu(menu);

    // The right button opens it; Down and Enter pick the first item, whose
    // dialog the window asks for.
    {
        test::Later pick([&] {
            PostMessageA(w.list().handle(), WM_KEYDOWN, VK_DOWN, 1);
            PostMessageA(w.list().handle(), WM_KEYDOWN, VK_RETURN, 1);
        });
        SendMessageA(w.list().handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.list().handle()), at(100, 100));
    }
    EXPECT_EQ(searches, 1);
    // F1 on a highlighted item asks the help of that item.
    {
        test::Later ask([&] {
            PostMessageA(w.list().handle(), WM_KEYDOWN, VK_DOWN, 1);
            PostMessageA(w.list().handle(), WM_KEYDOWN, VK_F1, 1);
            PostMessageA(w.list().handle(), WM_KEYDOWN, VK_ESCAPE, 1);
        });
        SendMessageA(w.list().handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.list().handle()), at(100, 100));
    }
    // F1 on the list: the window's own.
    test::focus(w.list().handle());
    test::pressKey(VK_F1);
    EXPECT_EQ(b.help.calls(), (std::vector<std::pair<unsigned, unsigned>>{{1, 2001}, {1, 220}}));

    // F5 is "Go to...": frame 16 is shown with the caret on it; the key
    // works from the scroll bar too.
    test::pressKey(VK_F5);
    EXPECT_EQ(gotos, 1);
    test::focus(w.scrollBar());
    test::pressKey(VK_F5);
    EXPECT_EQ(gotos, 2);
    EXPECT_EQ(w.model().box().currentFrame(), 16);
    // Without a dialog the item says it is not there.
    w.runItem("cmPopSpalten");
    ASSERT_EQ(b.boxes.shown().size(), 1u);
    EXPECT_EQ(b.boxes.shown()[0].text, "Columns: not available in this build");
    // The hidden double-click choice is a radio item: choosing it keeps it
    // chosen and leaves the time alone.
    const bool zero = w.model().box().times().hasManualZero();
    w.runItem("cmPopDoppelTime0");
    EXPECT_EQ(w.model().box().times().hasManualZero(), zero);
    EXPECT_TRUE(w.model().control("cmPopDoppelTime0").checked);
}

TEST(TraceWindowWin32, DestroyedWithItsOwnerItEndsTheOnTheFlyTrace) {
    TraceBench b;
    ScriptedTraceSource source = TraceBench::source();
    platform::MemorySettingsStore store;
    TraceWindowNumbers numbers;
    int stops = 0, closes = 0;
    TraceWindowHost host;
    host.dialogClosed = [&](int) { ++closes; };
    host.stopFlyingTrace = [&] { ++stops; };
    HWND owner = CreateWindowExA(0, "STATIC", "IDE", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    auto w = std::make_unique<Win32TraceWindow>(
        std::make_unique<TraceWindowModel>(source, b.context(), store, std::move(host), numbers), store, owner);
    int destroyed = 0;
    w->onDestroyed = [&] { ++destroyed; };
    w->show();
    pumpMessages();
    EXPECT_EQ(GetWindow(w->handle(), GW_OWNER), owner);
    DestroyWindow(owner);
    pumpMessages();
    EXPECT_TRUE(w->gone());
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(closes, 0);
    // Freed later, the model ends it too (the run control's stop is
    // harmless once it is off).
    w.reset();
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(numbers.acquire(), 1);
}

TEST(TraceWindowWin32, TheReadingDialogCancelsAndHoldsTheWindowMeanwhile) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes);
    HWND window = CreateWindowExA(0, "STATIC", "trace", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ReadingTraceWin32 d(window);
    d.show();
    EXPECT_TRUE(IsWindowVisible(d.form().handle()));
    EXPECT_FALSE(IsWindowEnabled(window));
    EXPECT_EQ(test::textOf(d.form().control("Hinweis")), "Reading trace");
    EXPECT_EQ(clippedControls(d.form()), std::vector<std::string>{});
    saveShot(d.form(), "ReadingTrace");
    EXPECT_FALSE(d.cancelRequested());
    test::click(d.form().control("CancelButton"));
    EXPECT_TRUE(d.cancelRequested());
    d.close();
    EXPECT_FALSE(IsWindowVisible(d.form().handle()));
    EXPECT_TRUE(IsWindowEnabled(window));
    DestroyWindow(window);
}

TEST(TraceWindowWin32, WithoutItsBoardItClosesAtOnce) {
    TraceBench b;
    ScriptedTraceSource source = TraceBench::source();
    source.isPresent = false;
    platform::MemorySettingsStore store;
    TraceWindowNumbers numbers;
    std::vector<int> closedTags;
    Win32TraceWindow w(std::make_unique<TraceWindowModel>(source, b.context(), store,
                                                          TraceWindowHost{nullptr, [&](int tag) { closedTags.push_back(tag); }},
                                                          numbers),
                       store, nullptr);
    w.show();
    EXPECT_FALSE(w.gone());
    pumpMessages();
    EXPECT_TRUE(w.gone());
    EXPECT_FALSE(IsWindowVisible(w.handle()));
    EXPECT_EQ(closedTags, std::vector<int>{TraceWindowModel::kTag});
}

using WindowedHost = ::tarvex::test::WindowedHost<Win32DriverWindows>;

TEST(Win32DriverWindows, TheMenuOpensTheTraceWindowAndAHaltRefreshesIt) {
    WindowedHost h;
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    ASSERT_EQ(h.object->AG_GoStep(2, 4, nullptr), 0u);
    h.boxes.clear();
    agdi::MenuEntry* traceMemory = h.entry("Trace memory");
    ASSERT_NE(traceMemory, nullptr);
    EXPECT_FALSE(h.windows.TraceWindowExists());

    h.object->MenuSelected(traceMemory);
    Win32TraceWindow* w = h.windows.traceWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsWindowVisible(w->handle()));
    EXPECT_EQ(traceMemory->descriptor->window, w->handle());
    EXPECT_EQ(w->model().section(), "Trace1");
    // The model was made with its reading dialog, so the reads of its own
    // making could show it; the window holds it since.
    auto* reading = dynamic_cast<ReadingTraceWin32*>(w->model().context().reading);
    ASSERT_NE(reading, nullptr);
    EXPECT_EQ(GetWindow(reading->form().handle(), GW_OWNER), w->handle());
    const int before = w->model().box().scrollMaximum();
    EXPECT_EQ(before, static_cast<int>(h.object->TracePlatine()->FrameCount()) - 1);

    // The halt after more steps reaches the open window.
    ASSERT_EQ(h.object->AG_GoStep(2, 5, nullptr), 0u);
    pumpMessages();
    EXPECT_GT(w->model().box().scrollMaximum(), before);
    EXPECT_EQ(w->list().itemCount(), w->model().box().rowCount());
    EXPECT_EQ(scrollPos(w->scrollBar()), w->model().box().currentFrame());
    saveShot(w->handle(), "TTraceForm-board");
    // The host's query with parameter 4 is answered with the window.
    EXPECT_EQ(h.windows.SendTraceWindow(agdi::code::TraceWindowId, 4, 0), reinterpret_cast<std::intptr_t>(w->handle()));
    EXPECT_EQ(h.windows.SendTraceWindow(agdi::code::TraceWindowId, 3, 0), 0);

    h.expectTraceEntryClosesAndReopens(traceMemory);
}

}  // namespace
}  // namespace tarvex::ui::win32
