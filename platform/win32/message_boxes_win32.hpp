#pragma once
// Message boxes through the system's MessageBoxA, modal to the program.
#include "platform/ui.hpp"

namespace tarvex::platform {

class Win32MessageBoxes final : public MessageBoxes {
public:
    int show(const std::string& caption, const std::string& text, unsigned flags) override;
    void beep() override;
};

}  // namespace tarvex::platform
