#include "checkwin/win32/qz_check_win32.hpp"

#include "checkwin/qz_check_layout.hpp"

namespace tarvex::checkwin {

namespace {

HMENU mainMenu() {
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, MenuExit, "&Exit\tAlt+F4");
    HMENU help = CreatePopupMenu();
    AppendMenuA(help, MF_STRING, MenuContent, "&Content");
    AppendMenuA(help, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(help, MF_STRING, MenuAbout, "&About...");
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    return bar;
}

}  // namespace

QzCheckMainWin32::QzCheckMainWin32(QzCheckMainModel& model, QzAboutModel& about) : model_(model), about_(about) {
    ui::win32::FormEvents events{model_.events({[this](bool) { form_->end(IDCANCEL); }, {}, {}, {}})};
    events.help = [this] { model_.help(); };
    events.command = [this](unsigned id) {
        if (id == MenuExit) form_->end(IDCANCEL);
        if (id == MenuContent) model_.content();
        if (id == MenuAbout) AboutClick();
    };
    form_ = std::make_unique<ui::win32::Win32Form>(mainFormLayout(), model_, std::move(events), nullptr, mainMenu());
    form_->centre();
}

QzCheckMainWin32::~QzCheckMainWin32() = default;

void QzCheckMainWin32::run() {
    form_->show();
    ui::win32::runMessages([this] { return form_->ended(); });
}

void QzCheckMainWin32::AboutClick() {
    model_.about(about_);
    ui::win32::FormEvents events{about_.events({[this](bool) { aboutForm_->end(IDOK); }, {}, {}, {}})};
    aboutForm_ = std::make_unique<ui::win32::Win32Form>(aboutFormLayout(), about_, std::move(events), form_->handle());
    aboutForm_->centre();
    aboutForm_->runModal();
    aboutForm_.reset();
}

}  // namespace tarvex::checkwin
