#pragma once
// The notice window: a modeless window that tells the user what a long
// operation is doing. The window itself comes from the user interface in
// use (platform::currentUi().notice); these wrappers keep its life cycle.
#include <memory>
#include <string>

#include "platform/ui.hpp"

namespace tarvex {

class TFormHinweis {
public:
    static constexpr const char* Caption = "VokWin";

    TFormHinweis(std::string message, platform::NoticeWindow& window) : message_(std::move(message)), window_(window) {}
    ~TFormHinweis();
    TFormHinweis(const TFormHinweis&) = delete;
    TFormHinweis& operator=(const TFormHinweis&) = delete;

    const std::string& Message() const { return message_; }
    bool Visible() const { return visible_; }
    // Shown without a Cancel button: the operation behind it cannot stop.
    void Show();
    void Close();

private:
    std::string message_;
    platform::NoticeWindow& window_;
    bool visible_ = false;
};

// Creates the notice (not yet shown) on the given window, by default the
// current user interface's.
std::unique_ptr<TFormHinweis> HinweisErzeugen(const std::string& message,
                                              platform::NoticeWindow* window = nullptr);
// Shows it at once; a null notice does nothing.
void HinweisAnzeigen(TFormHinweis* notice);
std::unique_ptr<TFormHinweis> HinweisZeigen(const std::string& message, platform::NoticeWindow* window = nullptr);
// Closes and frees it; a null notice does nothing.
void HinweisSchliessen(std::unique_ptr<TFormHinweis>& notice);

}  // namespace tarvex
