#include "platform/ui.hpp"

#include <cctype>
#include <iostream>
#include <mutex>
#include <string>

namespace tarvex::platform {

std::vector<int> buttonsOf(unsigned flags) {
    switch (flags & mb::ButtonMask) {
        case mb::OkCancel: return {IdOk, IdCancel};
        case mb::AbortRetryIgnore: return {IdAbort, IdRetry, IdIgnore};
        case mb::YesNoCancel: return {IdYes, IdNo, IdCancel};
        case mb::YesNo: return {IdYes, IdNo};
        case mb::RetryCancel: return {IdRetry, IdCancel};
        case mb::YesCancelRetry: return {IdYes, IdCancel, IdRetry};
        default: return {IdOk};
    }
}

int defaultButtonOf(unsigned flags) {
    const auto buttons = buttonsOf(flags);
    std::size_t index = 0;
    if ((flags & mb::DefaultMask) == mb::DefButton2) index = 1;
    if ((flags & mb::DefaultMask) == mb::DefButton3) index = 2;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

namespace {

const char* buttonName(int id) {
    switch (id) {
        case IdOk: return "OK";
        case IdCancel: return "Cancel";
        case IdAbort: return "Abort";
        case IdRetry: return "Retry";
        case IdIgnore: return "Ignore";
        case IdYes: return "Yes";
        case IdNo: return "No";
        default: return "?";
    }
}

}  // namespace

ConsoleMessageBoxes::ConsoleMessageBoxes(std::istream& in, std::ostream& err, bool interactive)
    : in_(in), err_(err), interactive_(interactive) {}

int ConsoleMessageBoxes::show(const std::string& caption, const std::string& text, unsigned flags) {
    const auto buttons = buttonsOf(flags);
    const int fallback = defaultButtonOf(flags);
    err_ << caption << ": " << text << '\n';
    if (buttons.size() == 1) return buttons.front();
    if (!interactive_) {
        err_ << "(no terminal: answered " << buttonName(fallback) << ")\n";
        return fallback;
    }
    for (;;) {
        err_ << '[';
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            if (i) err_ << '/';
            err_ << buttonName(buttons[i]);
        }
        err_ << "] " << std::flush;
        std::string line;
        if (!std::getline(in_, line)) return fallback;
        std::size_t start = 0;
        while (start < line.size() && std::isspace(static_cast<unsigned char>(line[start]))) ++start;
        if (start == line.size()) return fallback;
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[start])));
        for (int id : buttons)
            if (std::tolower(static_cast<unsigned char>(buttonName(id)[0])) == c) return id;
    }
}

void BoxStopErrorForm::show() {
    answered_ = false;
    visible_ = true;
    MessageBoxes* boxes = currentUi().boxes;
    const int answer = boxes ? boxes->show(caption_, text_, mb::YesNo | mb::IconError) : IdYes;
    answered_ = answer == IdYes;
}

int ConsoleErrorDialog::ask(const std::string& message, const std::string& firstLine) {
    std::string text = firstLine.empty() ? message : firstLine + "\n" + message;
    text += "\nChange configuration?";
    const int answer = boxes_.show("Error", text, mb::YesCancelRetry | mb::IconError);
    return answer == IdYes || answer == IdRetry ? answer : IdCancel;
}

int ScriptedMessageBoxes::show(const std::string& caption, const std::string& text, unsigned flags) {
    shown_.push_back({caption, text, flags});
    if (!answers_.empty()) {
        const int id = answers_.front();
        answers_.pop_front();
        return id;
    }
    return defaultButtonOf(flags);
}

int ScriptedErrorDialog::ask(const std::string& message, const std::string& firstLine) {
    asked_.emplace_back(message, firstLine);
    if (!answers_.empty()) {
        const int id = answers_.front();
        answers_.pop_front();
        return id;
    }
    return IdCancel;
}

void ConsoleLoadStatusWindow::showModal() {
    if (lines_.empty()) return;
    std::string text;
    for (const std::string& line : lines_) text += (text.empty() ? "" : "\n") + line;
    currentUi().boxes->show(caption_, text, mb::Ok | mb::IconError);
}

Ui& currentUi() {
    static ConsoleErrorDialog dialog(defaultMessageBoxes());
    static NullNoticeWindow notice;
    static ConsoleLoadStatusWindow loadStatus;
    static NullHelpViewer help;
    static NullFileDialog files;
    static NullSaveStatusWindow saveStatus;
    static Ui ui{&defaultMessageBoxes(), &dialog, &notice, &loadStatus, &help, &files, &saveStatus, nullptr};
    return ui;
}

ScopedUi::ScopedUi(MessageBoxes* boxes, ErrorDialog* errorDialog, NoticeWindow* notice, LoadStatusWindow* loadStatus,
                   SaveStatusWindow* saveStatus)
    : saved_(currentUi()) {
    Ui& ui = currentUi();
    if (boxes) ui.boxes = boxes;
    if (errorDialog) ui.errorDialog = errorDialog;
    if (notice) ui.notice = notice;
    if (loadStatus) ui.loadStatus = loadStatus;
    if (saveStatus) ui.saveStatus = saveStatus;
}

ScopedUi::~ScopedUi() { currentUi() = saved_; }

namespace {

std::mutex applicationHandlerMutex;
ApplicationExceptionHandler& applicationHandler() {
    static ApplicationExceptionHandler handler;
    return handler;
}

}  // namespace

ApplicationExceptionHandler setApplicationExceptionHandler(ApplicationExceptionHandler handler) {
    std::lock_guard<std::mutex> g(applicationHandlerMutex);
    std::swap(applicationHandler(), handler);
    return handler;
}

bool passToApplicationHandler(std::exception_ptr error) {
    ApplicationExceptionHandler handler;
    {
        std::lock_guard<std::mutex> g(applicationHandlerMutex);
        handler = applicationHandler();
    }
    if (!handler) return false;
    handler(std::move(error));
    return true;
}

}  // namespace tarvex::platform
