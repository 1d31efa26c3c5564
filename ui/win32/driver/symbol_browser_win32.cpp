#include "ui/win32/driver/symbol_browser_win32.hpp"

#include <commctrl.h>

#include <cstring>

#include "ui/forms/symbol_forms.hpp"

namespace tarvex::ui::win32 {

SymbolBrowserWin32::SymbolBrowserWin32(SymbolBrowserModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), histories_(model, store) {
    FormEvents events{model_.events(formWindow(form_, histories_))};
    events.custom = [this](const forms::Control& control, HWND parent, int id) {
        return control.name == forms::kSymbolEntries ? makeList(parent, id) : nullptr;
    };
    events.message = [this](UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
        return onMessage(message, lParam, result);
    };
    events.changed = [this, changed = std::move(events.changed)] {
        if (changed) changed();
        showEntries();
    };
    events.help = [this] { model_.help(); };
    form_ = std::make_unique<Win32Form>(forms::symbolBrowserForm(), model_, std::move(events), owner);
}

HWND SymbolBrowserWin32::makeList(HWND parent, int id) {
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_OWNERDATA |
                                LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleA(nullptr), nullptr);
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const char* const headers[SymbolBrowserModel::kSections] = {"Symbol", "Address", "Class"};
    for (int s = 0; s < SymbolBrowserModel::kSections; ++s) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(headers[s]);
        column.cx = 80;
        column.iSubItem = s;
        SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(s), reinterpret_cast<LPARAM>(&column));
    }
    return list_;
}

bool SymbolBrowserWin32::onMessage(UINT message, LPARAM lParam, LRESULT& result) {
    if (message != WM_NOTIFY || !list_) return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->hwndFrom != list_) return false;
    result = 0;
    switch (header->code) {
        case LVN_GETDISPINFOA: {
            auto& item = reinterpret_cast<NMLVDISPINFOA*>(lParam)->item;
            if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
                cell_ = toAnsi(model_.CellText(item.iItem, item.iSubItem));
                lstrcpynA(item.pszText, cell_.c_str(), item.cchTextMax);
            }
            return true;
        }
        case LVN_GETDISPINFOW: {
            auto& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
            if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
                cell_ = model_.CellText(item.iItem, item.iSubItem);
                const int n = MultiByteToWideChar(CP_UTF8, 0, cell_.c_str(), -1, item.pszText, item.cchTextMax);
                if (n == 0) item.pszText[0] = L'\0';
                item.pszText[item.cchTextMax - 1] = L'\0';
            }
            return true;
        }
        case LVN_ITEMCHANGED: {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
            // A row the user selects (a click, the keys): the model's pick.
            if (!refreshing_ && change->iItem >= 0 && (change->uNewState & LVIS_SELECTED) &&
                !(change->uOldState & LVIS_SELECTED))
                model_.ClickEntry(change->iItem);
            return true;
        }
        default:
            return false;
    }
}

void SymbolBrowserWin32::showEntries() {
    if (!list_ || refreshing_) return;
    refreshing_ = true;
    HDC dc = GetDC(list_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list_, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
    const auto columns = model_.SectionColumns();
    for (int s = 0; s < SymbolBrowserModel::kSections; ++s) {
        const int width = (columns[static_cast<std::size_t>(s)] + 2) * metrics.tmAveCharWidth;
        if (SendMessageA(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(s), 0) != width)
            SendMessageA(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(s), width);
    }
    // A new filling with the same count is drawn anew as well.
    SendMessageA(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(model_.EntryCount()), 0);
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    if (const int row = model_.Selected(); row >= 0) {
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        SendMessageA(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
    InvalidateRect(list_, nullptr, TRUE);
    refreshing_ = false;
}

Win32SymbolPicker::Win32SymbolPicker(std::function<SymbolBrowserSources()> sources, std::function<HWND()> owner,
                                     platform::SettingsStore& store)
    : sources_(std::move(sources)), owner_(std::move(owner)), store_(store) {}

std::optional<PickedSymbol> Win32SymbolPicker::pick(const SymbolPickRequest& request) {
    SymbolBrowserModel model(sources_(), store_);
    model.SetZeilenNummern(request.mode == PickMode::Lines);
    model.SetRegisterAnzeigen(request.mode == PickMode::Registers);
    if (request.mode == PickMode::Symbols && request.klassen) model.SetKlassen(*request.klassen);
    model.SetAcceptCaption(request.acceptCaption);
    HWND owner = GetActiveWindow();
    if (!owner && owner_) owner = owner_();
    SymbolBrowserWin32 view(model, store_, owner);
    if (runDialog(view.form(), model) != IDOK) return std::nullopt;
    return model.GetSymbol();
}

}  // namespace tarvex::ui::win32
