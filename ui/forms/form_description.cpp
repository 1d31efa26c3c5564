#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

const Control* Form::find(const std::string& controlName) const {
    for (const auto& c : controls)
        if (c.name == controlName) return &c;
    return nullptr;
}

}  // namespace tarvex::ui::forms
