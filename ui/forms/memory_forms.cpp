#include "ui/forms/memory_forms.hpp"

namespace tarvex::ui::forms {

const Form& copyFillForm() {
    static const Form form{
        "TFormCopyFill",
        "",
        452,
        216,
        false,
        {
            Control{Kind::Label, "StartLabel", "", 8, 12, 120, 16, NoFlags, "", 1, "StartAdresse"},
            Control{Kind::ComboEdit, "StartAdresse", "", 130, 9, 200, 21},
            Control{Kind::Button, "SucheStart", "?", 334, 8, 24, 23},
            Control{Kind::Label, "EndLabel", "", 8, 40, 120, 16, NoFlags, "", 1, "EndAdresse"},
            Control{Kind::ComboEdit, "EndAdresse", "", 130, 37, 200, 21},
            Control{Kind::Button, "SucheEnde", "?", 334, 36, 24, 23},
            Control{Kind::Label, "NachOderMit", "", 8, 68, 120, 16, NoFlags, "", 1, "ZielAdresse"},
            Control{Kind::ComboEdit, "ZielAdresse", "", 130, 65, 200, 21},
            Control{Kind::Button, "SucheZiel", "?", 334, 64, 24, 23},
            Control{Kind::RadioGroup, "SpeicherGroup", "", 8, 98, 350, 110, NoFlags, "", 2},
            Control{Kind::Button, "OkButton", "&Ok", 368, 8, 76, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "Cancel", 368, 38, 76, 25, CancelButton},
            Control{Kind::Button, "HilfeButton", "He&lp", 368, 68, 76, 25},
        },
    };
    return form;
}

const Form& saveMemoryForm() {
    static const Form form{
        "TFormSaveFile",
        "",
        440,
        312,
        false,
        {
            Control{Kind::RadioGroup, "FormatGroup", "", 8, 6, 200, 122},
            Control{Kind::GroupBox, "SpeicherGroup", "", 216, 6, 216, 122},
            Control{Kind::RadioButton, "RadioProgram", "", 12, 20, 190, 20, NoFlags, "SpeicherGroup"},
            Control{Kind::RadioButton, "RadioIntData", "", 12, 44, 190, 20, NoFlags, "SpeicherGroup"},
            Control{Kind::RadioButton, "RadioExtData", "", 12, 68, 190, 20, NoFlags, "SpeicherGroup"},
            Control{Kind::RadioButton, "RadioSys", "", 12, 92, 190, 20, NoFlags, "SpeicherGroup"},
            Control{Kind::Label, "StartLabel", "", 8, 134, 300, 16, NoFlags, "", 1, "StartAdresse"},
            Control{Kind::ComboEdit, "StartAdresse", "", 8, 152, 330, 21},
            Control{Kind::Button, "SucheStart", "?", 344, 151, 24, 23},
            Control{Kind::Label, "EndLabel", "", 8, 180, 300, 16, NoFlags, "", 1, "EndAdresse"},
            Control{Kind::ComboEdit, "EndAdresse", "", 8, 198, 330, 21},
            Control{Kind::Button, "SucheEnde", "?", 344, 197, 24, 23},
            Control{Kind::Label, "DateiLabel", "", 8, 226, 300, 16, NoFlags, "", 1, "DateiName"},
            Control{Kind::ComboEdit, "DateiName", "", 8, 244, 330, 21},
            Control{Kind::Button, "SucheDatei", "", 344, 243, 88, 23},
            Control{Kind::Button, "OkButton", "", 196, 280, 76, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "", 276, 280, 76, 25, CancelButton},
            Control{Kind::Button, "HilfeButton", "", 356, 280, 76, 25},
        },
    };
    return form;
}

}  // namespace tarvex::ui::forms
