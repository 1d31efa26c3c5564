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

const Form& iapForm() {
    static const Form form{
        "TIAPForm",
        "In Application Programming",
        560,
        338,
        false,
        {
            Control{Kind::GroupBox, "CallGroup", "", 8, 6, 544, 70},
            Control{Kind::Label, "LabelR0", "R0:", 10, 18, 50, 16, NoFlags, "CallGroup", 1, "EditR0"},
            Control{Kind::Edit, "EditR0", "", 10, 36, 50, 21, NoFlags, "CallGroup"},
            Control{Kind::Label, "LabelR1", "R1:", 66, 18, 50, 16, NoFlags, "CallGroup", 1, "EditR1"},
            Control{Kind::Edit, "EditR1", "", 66, 36, 50, 21, NoFlags, "CallGroup"},
            Control{Kind::Label, "LabelDptr", "DPTR:", 122, 18, 50, 16, NoFlags, "CallGroup", 1, "EditDptr"},
            Control{Kind::Edit, "EditDptr", "", 122, 36, 50, 21, NoFlags, "CallGroup"},
            Control{Kind::Label, "LabelAcc", "A:", 178, 18, 50, 16, NoFlags, "CallGroup", 1, "EditAcc"},
            Control{Kind::Edit, "EditAcc", "", 178, 36, 50, 21, NoFlags, "CallGroup"},
            Control{Kind::Label, "LabelReturnCaption", "Return:", 234, 18, 50, 16, NoFlags, "CallGroup"},
            Control{Kind::Label, "LabelReturn", "", 234, 39, 50, 16, NoFlags, "CallGroup"},
            Control{Kind::Button, "SendCall", "", 418, 34, 76, 25, NoFlags, "CallGroup"},
            Control{Kind::GroupBox, "UpdateGroup", "", 8, 82, 544, 140},
            Control{Kind::Label, "DateinameLabel", "Dateiname:", 10, 22, 76, 16, NoFlags, "UpdateGroup", 1,
                    "Dateiname"},
            withHistory(Control{Kind::ComboEdit, "Dateiname", "", 90, 19, 226, 21, NoFlags, "UpdateGroup"},
                        "IAPDateiname"),
            Control{Kind::Button, "Suchen", "", 322, 17, 84, 25, NoFlags, "UpdateGroup"},
            Control{Kind::Button, "SendBlock", "", 410, 17, 84, 25, NoFlags, "UpdateGroup"},
            Control{Kind::Label, "LabelMeldung", "", 10, 50, 484, 16, NoFlags, "UpdateGroup"},
            Control{Kind::Label, "LabelVersion", "", 10, 70, 484, 16, NoFlags, "UpdateGroup"},
            Control{Kind::Label, "LabelHWKennungCaption", "", 10, 94, 240, 16, NoFlags, "UpdateGroup"},
            Control{Kind::Label, "LabelHWKennung", "", 254, 94, 100, 16, NoFlags, "UpdateGroup"},
            Control{Kind::Label, "LabelSerieCaption", "", 10, 114, 240, 16, NoFlags, "UpdateGroup"},
            Control{Kind::Label, "LabelSerie", "", 254, 114, 100, 16, NoFlags, "UpdateGroup"},
            Control{Kind::GroupBox, "EndGroup", "", 8, 228, 140, 60},
            Control{Kind::Button, "Start", "", 10, 22, 120, 25, DefaultButton, "EndGroup"},
            Control{Kind::GroupBox, "EraseGroup", "", 156, 228, 396, 102},
            Control{Kind::Label, "EraseNote1", "", 10, 20, 376, 16, NoFlags, "EraseGroup"},
            Control{Kind::Label, "EraseNote2", "", 10, 40, 376, 16, NoFlags, "EraseGroup"},
            Control{Kind::Button, "EraseAll", "", 10, 66, 120, 25, NoFlags, "EraseGroup"},
        },
    };
    return form;
}

}  // namespace tarvex::ui::forms
