#include "core/message_box.hpp"

#include "core/messages.hpp"

namespace tarvex {

namespace {
int box(int captionId, const std::string& text, unsigned flags) {
    return platform::currentUi().boxes->show(std::string(LoadResStr(captionId)), text, flags);
}
}  // namespace

int ConfirmBox(const std::string& text, unsigned flags) { return box(rs::Confirm, text, flags); }
int ErrorBox(const std::string& text, unsigned flags) { return box(rs::Error, text, flags); }
int InformationBox(const std::string& text, unsigned flags) { return box(rs::Information, text, flags); }
int WarningBox(const std::string& text, unsigned flags) { return box(rs::Warning, text, flags); }
void Beep() { platform::currentUi().boxes->beep(); }

int EmulErrorDialog(const std::string& message, const std::string& firstLine) {
    const int answer = platform::currentUi().errorDialog->ask(message, firstLine);
    return answer == platform::IdRetry || answer == platform::IdYes ? answer : platform::IdCancel;
}

}  // namespace tarvex
