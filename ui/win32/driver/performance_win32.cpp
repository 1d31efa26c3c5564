#include "ui/win32/driver/performance_win32.hpp"

#include <commctrl.h>

#include <algorithm>

#include "ui/forms/performance_forms.hpp"

namespace tarvex::ui::win32 {

// ------------------------------------------------------------ definitions

PerformanceDefineWin32::PerformanceDefineWin32(PerfDefineModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), histories_(model, store) {
    const forms::Form& description = forms::performanceDefineForm();
    histories_.load(description);
    FormEvents events{model_.events(formWindow(form_, histories_))};
    // A frame count checked when left shows in the arrows too.
    events.leave = [this, leave = std::move(events.leave)](const std::string& name) {
        const bool left = leave(name);
        if (arrows_) SendMessageA(arrows_, UDM_SETPOS32, 0, static_cast<LPARAM>(model_.Settings().frames));
        return left;
    };
    events.help = [this] { model_.help(); };
    form_ = std::make_unique<Win32Form>(description, model_, std::move(events), owner);
    HWND list = form_->control("ListView");
    for (int c = 0; c < 4; ++c) SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), model_.ColumnWidth(c));

    // The frame count's arrows, in hundreds, up to the trace memory.
    HWND frames = form_->control("FrameCount");
    RECT r;
    GetWindowRect(frames, &r);
    MapWindowPoints(nullptr, form_->handle(), reinterpret_cast<POINT*>(&r), 2);
    arrows_ = CreateWindowExA(0, UPDOWN_CLASSA, "",
                              WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, r.right, r.top,
                              16, r.bottom - r.top, form_->handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(arrows_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(frames), 0);
    const auto& settings = model_.Settings();
    SendMessageA(arrows_, UDM_SETRANGE32, settings.minFrames,
                 static_cast<LPARAM>(std::min<std::uint32_t>(settings.maxFrames, 0x7FFFFFFF)));
    SendMessageA(arrows_, UDM_SETPOS32, 0, static_cast<LPARAM>(settings.frames));
    UDACCEL step{0, 100};
    SendMessageA(arrows_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&step));
}

// --------------------------------------------------------------- analysis

namespace {

// What a cell adds to its text: the list's margins on both sides.
constexpr int kCellPadding = 12;

}  // namespace

PerformanceAnalyseWin32::PerformanceAnalyseWin32(PerfAnalyseModel& model, HWND owner) : model_(model) {
    FormEvents events{model_.events(formWindow(form_))};
    // The share of the run as a red bar over the blank column.
    events.paintCell = [this](const std::string&, int row, int column, HDC dc, const RECT& cell) {
        if (column != kBarColumn) return false;
        RECT bar{cell.left, cell.top + 1, cell.left + model_.BarWidth(row, cell.right - cell.left), cell.bottom};
        if (bar.right > bar.left) {
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            FillRect(dc, &bar, red);
            DeleteObject(red);
        }
        return true;
    };
    events.help = [this] { model_.help(); };
    form_ = std::make_unique<Win32Form>(forms::performanceAnalyseForm(), model_, std::move(events), owner);
    HWND list = form_->control("ListView");
    LVCOLUMNA right{};
    right.mask = LVCF_FMT;
    right.fmt = LVCFMT_RIGHT;
    SendMessageA(list, LVM_SETCOLUMNA, 4, reinterpret_cast<LPARAM>(&right));
    fitColumns();
}

void PerformanceAnalyseWin32::fitColumns() {
    HWND list = form_->control("ListView");
    const auto rows = model_.Rows();
    const auto& given = form_->description().find("ListView")->columnWidths;
    const int count = static_cast<int>(given.size());
    std::vector<int> widths(given.begin(), given.end());
    std::vector<int> needed(given.size(), 0);
    for (int c = 0; c < count; ++c) {
        if (c == kBarColumn) continue;
        for (const auto& row : rows) {
            const std::string text = toAnsi(row[static_cast<std::size_t>(c)]);
            needed[static_cast<std::size_t>(c)] = std::max(
                needed[static_cast<std::size_t>(c)],
                static_cast<int>(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str()))) +
                    kCellPadding);
        }
        widths[static_cast<std::size_t>(c)] =
            std::max(widths[static_cast<std::size_t>(c)], needed[static_cast<std::size_t>(c)]);
    }
    // The comment, last, takes what the others leave of the list, as long
    // as its texts fit: every column in view where the list has room.
    RECT client;
    GetClientRect(list, &client);
    int others = 0;
    for (int c = 0; c + 1 < count; ++c) others += widths[static_cast<std::size_t>(c)];
    auto& last = widths.back();
    last = std::max(needed.back(), std::min(last, static_cast<int>(client.right) - others));
    for (int c = 0; c < count; ++c)
        SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), widths[static_cast<std::size_t>(c)]);
}

// ---------------------------------------------------------------- entries

bool runPerformanceDefinitions(TPerformance& perf, std::uint32_t traceCapacity, const DialogTables& tables,
                               platform::SettingsStore& store, HWND owner) {
    PerfDefineModel model(tables, store, PerfSettingsOf(perf, traceCapacity));
    model.SetDefinitionen(perf.Definitionen());
    {
        PerformanceDefineWin32 view(model, store, owner);
        if (runDialog(view.form(), model) != IDOK) return false;
    }
    model.ApplyTo(perf);
    return true;
}

void runPerformanceAnalysis(const TPerformanceList& result, const IPerformanceTrace* trace, const IBankingInfo* banking,
                            platform::SettingsStore& store, HWND owner) {
    PerfAnalyseModel model(store, banking, trace);
    model.SetErgebnis(result);
    PerformanceAnalyseWin32 view(model, owner);
    runDialog(view.form(), model);
}

}  // namespace tarvex::ui::win32
