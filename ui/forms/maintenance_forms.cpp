#include "ui/forms/maintenance_forms.hpp"

namespace tarvex::ui::forms {

const Form& generationChooserForm() {
    static const Form form{
        "TFormTarvex",
        "Emulator:",
        180,
        132,
        false,
        {
            Control{Kind::RadioGroup, "TarvexGroup", "", 8, 4, 164, 88},
            Control{Kind::Button, "OkButton", "Ok", 52, 100, 76, 25, DefaultButton},
        },
    };
    return form;
}

}  // namespace tarvex::ui::forms
