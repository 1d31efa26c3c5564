#include "core/notice.hpp"

namespace tarvex {

TFormHinweis::~TFormHinweis() {
    // A notice left open by an exception must not outlive its operation.
    Close();
}

void TFormHinweis::Show() {
    window_.show(message_);
    visible_ = true;
}

void TFormHinweis::Close() {
    if (!visible_) return;
    visible_ = false;
    window_.close();
}

std::unique_ptr<TFormHinweis> HinweisErzeugen(const std::string& message, platform::NoticeWindow* window) {
    if (!window) window = platform::currentUi().notice;
    static platform::NullNoticeWindow none;
    return std::make_unique<TFormHinweis>(message, window ? *window : none);
}

void HinweisAnzeigen(TFormHinweis* notice) {
    if (notice) notice->Show();
}

std::unique_ptr<TFormHinweis> HinweisZeigen(const std::string& message, platform::NoticeWindow* window) {
    auto notice = HinweisErzeugen(message, window);
    HinweisAnzeigen(notice.get());
    return notice;
}

void HinweisSchliessen(std::unique_ptr<TFormHinweis>& notice) {
    if (notice) notice->Close();
    notice.reset();
}

}  // namespace tarvex
