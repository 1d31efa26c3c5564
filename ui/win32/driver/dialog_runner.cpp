#include "ui/win32/driver/dialog_runner.hpp"

#include <commctrl.h>

namespace tarvex::ui::win32 {

namespace {

BOOL CALLBACK addScreen(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoA(monitor, &info)) {
        const RECT& r = info.rcWork;
        reinterpret_cast<std::vector<ScreenRect>*>(data)->push_back(
            ScreenRect{r.left, r.top, r.right - r.left, r.bottom - r.top});
    }
    return TRUE;
}

}  // namespace

HWND ownerOf(std::uintptr_t hostWindow) {
    const auto window = reinterpret_cast<HWND>(hostWindow);
    if (!window || !IsWindow(window)) return nullptr;
    return GetAncestor(window, GA_PARENT) == GetDesktopWindow() ? window : nullptr;
}

void placeDialog(Win32Form& form, const DialogModel& model) {
    std::vector<ScreenRect> screens;
    EnumDisplayMonitors(nullptr, nullptr, addScreen, reinterpret_cast<LPARAM>(&screens));
    if (const auto stored = model.storedPosition(screens)) {
        SetWindowPos(form.handle(), nullptr, stored->left, stored->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        form.centre();
    }
}

void keepPosition(const Win32Form& form, const DialogModel& model) {
    RECT r;
    if (GetWindowRect(form.handle(), &r)) model.savePosition(FormPosition{r.left, r.top});
}

void FieldHistories::load(const std::string& field, const std::string& section) {
    Field& f = fields_[field];
    f.section = section;
    f.history.Load(store_, kDriverKey, section);
    const auto& items = f.history.Items();
    model_.setItems(field, items, -1);
    model_.setText(field, items.empty() ? std::string() : items.front());
}

void FieldHistories::load(const forms::Form& description) {
    for (const auto& c : description.controls) {
        if (c.history.empty()) continue;
        if (c.flags & forms::HistoryOffers)
            loadItems(c.name, c.history, !(c.flags & forms::HistoryUnkept));
        else
            load(c.name, c.history);
    }
}

void FieldHistories::follow(const std::string& field, const std::string& section) {
    if (section != this->section(field)) load(field, section);
}

void FieldHistories::loadItems(const std::string& field, const std::string& section, bool kept) {
    Field& f = fields_[field];
    f.section = section;
    f.kept = kept;
    f.history.Load(store_, kDriverKey, section);
    model_.setItems(field, f.history.Items(), -1);
}

void FieldHistories::add(const std::string& field, const std::string& text) {
    Field& f = fields_[field];
    f.history.AddHistory(text);
    f.history.Save(store_, kDriverKey, f.section);
    model_.setItems(field, f.history.Items(), -1);
}

void FieldHistories::keep() {
    for (auto& [name, f] : fields_) {
        if (!f.kept || !model_.control(name).visible) continue;
        f.history.AddHistory(model_.control(name).text);
        f.history.Save(store_, kDriverKey, f.section);
    }
}

forms::FormWindow formWindow(const std::unique_ptr<Win32Form>& form) {
    forms::FormWindow window;
    window.end = [&form](bool ok) { form->end(ok ? IDOK : IDCANCEL); };
    window.focus = [&form](const std::string& name) {
        // A radio group takes it on its checked item, else on its first.
        HWND target = form->control(name);
        for (int i = 0; HWND item = form->item(name, i); ++i)
            if (i == 0 || SendMessageA(item, BM_GETCHECK, 0, 0) == BST_CHECKED) target = item;
        if (target) SetFocus(target);
    };
    window.defaultButton = [&form](const std::string& name) {
        // Not while the form is being made: its description's default stands.
        if (form) form->setDefaultButton(name);
    };
    window.columnWidths = [&form](const std::string& list) {
        std::vector<int> widths;
        const forms::Control* described = form->description().find(list);
        HWND control = form->control(list);
        for (std::size_t c = 0; described && control && c < described->columnWidths.size(); ++c)
            widths.push_back(static_cast<int>(SendMessageA(control, LVM_GETCOLUMNWIDTH, c, 0)));
        return widths;
    };
    return window;
}

forms::FormWindow formWindow(const std::unique_ptr<Win32Form>& form, FieldHistories& histories) {
    forms::FormWindow window = formWindow(form);
    window.keepHistories = [&histories] { histories.keep(); };
    window.history = [&histories](const std::string& field, const std::string& section) {
        histories.follow(field, section);
    };
    window.addHistory = [&histories](const std::string& field, const std::string& text) {
        histories.add(field, text);
    };
    window.focused = [&form] { return form->nameOf(GetFocus()); };
    return window;
}

int runDialog(Win32Form& form, const DialogModel& model) {
    placeDialog(form, model);
    const int result = form.runModal();
    keepPosition(form, model);
    return result;
}

}  // namespace tarvex::ui::win32
