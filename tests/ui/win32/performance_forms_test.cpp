// The performance windows on Windows: the default button following the
// focus, the frame count with its arrows up to the trace memory and its
// check when left, the histories and column widths after "&Ok", and the
// red bars of the analysis painted to the share of each row.
#include <gtest/gtest.h>

#include <cmath>

#include "core/symbol_table.hpp"
#include "tests/support/target/fake_performance_trace.hpp"
#include "tests/ui/win32/win32_test_support.hpp"
#include "ui/win32/driver/performance_win32.hpp"
#include "ui/win32/form_shot.hpp"

#include <commctrl.h>

namespace tarvex::ui::win32 {
namespace {

// The help viewer, recording what the forms ask of it.
struct ScopedHelp {
    platform::RecordingHelpViewer viewer;
    platform::HelpViewer* saved = platform::currentUi().help;
    ScopedHelp() { platform::currentUi().help = &viewer; }
    ~ScopedHelp() { platform::currentUi().help = saved; }
};

bool isDefault(HWND button) { return (GetWindowLongPtrA(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON; }

std::string cellText(HWND list, int row, int column) {
    char text[128] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

void selectRow(HWND list, int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    pumpMessages();
}

TEST(PerformanceWin32, DefineDefaultButtonFramesHistoriesAndWidths) {
    TSymboltabelle symbols;
    platform::MemorySettingsStore store;
    store.writeString(kDriverKey, "PerfFormAdresse", "History0", "0300 0380");
    DialogTables tables;
    tables.symbols = &symbols;
    tarvex::test::FakePerformanceTrace trace;
    TPerformance perf(std::make_unique<TVokWinValidator>(&symbols, nullptr, nullptr, nullptr),
                      TPerformanceWiring{&trace});
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes);
    ScopedHelp help;
    PerfDefineModel model(tables, store, PerfSettingsOf(perf, 131072));
    {
        PerformanceDefineWin32 view(model, store, nullptr);
        auto& form = view.form();
        placeDialog(form, model);
        form.show();
        pumpMessages();
        EXPECT_EQ(test::textOf(form.handle()), "Performance settings");
        EXPECT_EQ(test::textOf(form.control("FrameCount")), "1000");
        // The fields start empty, their histories offered.
        EXPECT_EQ(test::textOf(form.control("BereichAdresse")), "");
        EXPECT_EQ(SendMessageA(form.control("BereichAdresse"), CB_GETCOUNT, 0, 0), 1);
        const std::pair<const char*, const char*> steps[] = {{"Kommentar", "InsertButton"},
                                                             {"ListView", "EditButton"},
                                                             {"FrameCount", "OkButton"},
                                                             {"BereichAdresse", "InsertButton"}};
        for (const auto& [control, button] : steps) {
            test::focus(form.control(control));
            EXPECT_TRUE(isDefault(form.control(button))) << control;
            EXPECT_EQ(model.DefaultButton(), button) << control;
        }
        test::typeText(form.control("BereichAdresse"), "0100 0180");
        test::pressKey(VK_RETURN);  // the default button: Insert
        test::typeText(form.control("BereichAdresse"), "0200 0280");
        test::typeText(form.control("Kommentar"), "second");
        test::click(form.control("InsertButton"));
        // Refused: an error box, the list and the histories unchanged.
        test::typeText(form.control("BereichAdresse"), "0280 0200");
        test::click(form.control("InsertButton"));
        EXPECT_EQ(boxes.shown().size(), 1u);
        HWND list = form.control("ListView");
        ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
        EXPECT_EQ(cellText(list, 1, 3), "second");
        EXPECT_EQ(cellText(list, 0, 0), "0100 0180");
        // A row picked in the list is the model's; "&Edit" then takes it.
        selectRow(list, 0);
        EXPECT_EQ(model.SelectedRow(), 0);
        test::click(form.control("EditButton"));
        EXPECT_EQ(test::textOf(form.control("BereichAdresse")), "0100 0180");
        ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
        test::click(form.control("InsertButton"));
        ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
        EXPECT_EQ(cellText(list, 1, 0), "0100 0180");
        // The frame count is checked when left: clamped, or back to the
        // count in force when it is no number.
        test::typeText(form.control("FrameCount"), "999999");
        test::focus(form.control("Kommentar"));
        EXPECT_EQ(test::textOf(form.control("FrameCount")), "131072");
        test::typeText(form.control("FrameCount"), "12x");
        test::focus(form.control("Kommentar"));
        EXPECT_EQ(test::textOf(form.control("FrameCount")), "131072");
        // The arrows step in hundreds.
        test::typeText(form.control("FrameCount"), "300");
        SendMessageA(view.arrows(), UDM_SETPOS32, 0, 400);
        EXPECT_EQ(test::textOf(form.control("FrameCount")), "400");
        EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
        saveShot(form, "TFormPerformanceDefine");
        test::click(form.control("HelpButton"));
        EXPECT_EQ(help.viewer.calls(), (std::vector<std::pair<unsigned, unsigned>>{{1, 620}}));
        SendMessageA(list, LVM_SETCOLUMNWIDTH, 3, 150);
        test::focus(form.control("FrameCount"));
        test::pressKey(VK_RETURN);  // the focus is in the frame count: OK
        EXPECT_EQ(form.result(), IDOK);
        keepPosition(form, model);
    }
    model.ApplyTo(perf);
    EXPECT_EQ(perf.MaxFrames(), 400u);
    ASSERT_EQ(perf.Definitionen().Items.size(), 2u);
    EXPECT_EQ(store.readString(kDriverKey, "PerfFormAdresse", "History0", ""), "0100 0180");
    EXPECT_EQ(store.readString(kDriverKey, "PerfFormAdresse", "History1", ""), "0200 0280");
    EXPECT_EQ(store.readString(kDriverKey, "PerfFormAdresse", "History2", ""), "0300 0380");
    EXPECT_EQ(store.readString(kDriverKey, "PerfFormName", "History0", ""), "second");
    const int widths[] = {200, 40, 40, 150};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(store.readInteger(kDriverKey, "PerfForm", "Spalte" + std::to_string(c), -1), widths[c]);
}

TEST(PerformanceWin32, CancelLeavesTheComponent) {
    TSymboltabelle symbols;
    platform::MemorySettingsStore store;
    DialogTables tables;
    tables.symbols = &symbols;
    tarvex::test::FakePerformanceTrace trace;
    TPerformance perf(std::make_unique<TVokWinValidator>(&symbols, nullptr, nullptr, nullptr),
                      TPerformanceWiring{&trace});
    const auto frames = perf.MaxFrames();
    bool accepted = true;
    {
        test::Later answer([&] {
            Win32Form* f = Win32Form::of(GetActiveWindow());
            ASSERT_NE(f, nullptr);
            test::typeText(f->control("BereichAdresse"), "0100 0180");
            test::click(f->control("InsertButton"));
            test::typeText(f->control("FrameCount"), "200");
            test::pressKey(VK_ESCAPE);
        });
        accepted = runPerformanceDefinitions(perf, 32768, tables, store, nullptr);
    }
    EXPECT_FALSE(accepted);
    EXPECT_EQ(perf.MaxFrames(), frames);
    EXPECT_TRUE(perf.Definitionen().Items.empty());
    EXPECT_EQ(store.readString(kDriverKey, "PerfFormAdresse", "History0", ""), "0100 0180");
}

TEST(PerformanceWin32, AnalyseBarsFollowTheShareAndStayInTheirColumn) {
    platform::MemorySettingsStore store;
    tarvex::test::FakePerformanceTrace trace;
    TPerformanceList result;
    // The last two as a project option file may bring them back.
    const double percents[] = {25, 50, 100, std::nan(""), 1e300};
    for (std::size_t i = 0; i < std::size(percents); ++i) {
        auto item = std::make_unique<TPerformanceItem>();
        item->EntryAddress = UnbankedAdresse(static_cast<std::uint16_t>(0x100 * (i + 1)));
        item->ExitAddress = UnbankedAdresse(static_cast<std::uint16_t>(0x100 * (i + 1) + 0x40));
        item->Name = "range " + std::to_string(i);
        item->Percent = percents[i];
        item->AddCall(static_cast<std::uint32_t>(10 * (i + 1)));
        item->AddCall(5);
        item->NetTime = 3;
        result.Items.push_back(std::move(item));
    }
    result.FrameCount = 12;
    result.RunTime = 200;
    result.Messages = {"Trace frame 4 ignored: start address 0100 missing"};
    ScopedHelp help;
    PerfAnalyseModel model(store, nullptr, &trace);
    model.SetErgebnis(result);
    PerformanceAnalyseWin32 view(model, nullptr);
    auto& form = view.form();
    placeDialog(form, model);
    form.show();
    pumpMessages();
    EXPECT_EQ(test::textOf(form.handle()), "Performance analysis");
    HWND list = form.control("ListView");
    selectRow(list, 1);
    EXPECT_EQ(test::textOf(form.control("LabelMinimal")), "5");
    EXPECT_EQ(test::textOf(form.control("LabelMaximal")), "20");
    EXPECT_EQ(test::textOf(form.control("LabelMittel")), "12");
    EXPECT_EQ(test::textOf(form.control("LabelGesamtDiff")), "3");
    EXPECT_EQ(test::textOf(form.control("LabelFrames")), "12");
    EXPECT_EQ(test::listItems(form.control("ListBox")), result.Messages);
    // No text column cuts its text.
    for (int c = 0; c < 7; ++c) {
        if (c == PerformanceAnalyseWin32::kBarColumn) continue;
        for (int row = 0; row < 5; ++row) {
            const std::string text = cellText(list, row, c);
            EXPECT_LE(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())) + 12,
                      SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0))
                << text;
        }
    }

    // The rows unselected, so that only the bars are red.
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    // The share column in view: the "%" of the last row is as wide as its text.
    RECT shown{LVIR_BOUNDS, PerformanceAnalyseWin32::kBarColumn, 0, 0};
    SendMessageA(list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&shown));
    SendMessageA(list, LVM_SCROLL, static_cast<WPARAM>(shown.left - 20), 0);
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pumpMessages();
    HDC dc = GetDC(list);
    const auto red = [&](int row, double at) {
        RECT cell{LVIR_BOUNDS, PerformanceAnalyseWin32::kBarColumn, 0, 0};
        SendMessageA(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
        const COLORREF c = GetPixel(dc, cell.left + static_cast<int>((cell.right - cell.left) * at),
                                    (cell.top + cell.bottom) / 2);
        return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60;
    };
    struct Row {
        int row;
        bool inside, outside;  // at a fifth and at four fifths of the column
    } const rows[] = {{0, true, false}, {1, true, false}, {2, true, true}, {3, false, false}, {4, true, true}};
    for (const auto& r : rows) {
        EXPECT_EQ(red(r.row, 0.2), r.inside) << r.row;
        EXPECT_EQ(red(r.row, 0.8), r.outside) << r.row;
    }
    // Half of the column for the 50 % row: red just inside, not just past.
    EXPECT_TRUE(red(1, 0.45));
    EXPECT_FALSE(red(1, 0.55));
    // Nothing painted past the column.
    EXPECT_FALSE(red(4, 1.03));
    ReleaseDC(list, dc);
    EXPECT_EQ(clippedControls(form), std::vector<std::string>{});
    saveShot(form, "TFormPerformanceAnalyse");
    test::pressKey(VK_F1);
    EXPECT_EQ(help.viewer.calls(), (std::vector<std::pair<unsigned, unsigned>>{{1, 630}}));
    test::pressKey(VK_ESCAPE);
    EXPECT_TRUE(form.ended());
}

}  // namespace
}  // namespace tarvex::ui::win32
