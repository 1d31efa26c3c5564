#include "ui/forms/memory_forms.hpp"

namespace tarvex::ui::forms {

const Form& copyFillForm() {
    static const Form form{
        "TFormCopyFill",
        "",
        460,
        216,
        false,
        {
            Control{Kind::Label, "StartLabel", "", 8, 12, 132, 16, NoFlags, "", 1, "StartAdresse"},
            withHistory(Control{Kind::ComboEdit, "StartAdresse", "", 142, 9, 196, 21}, "CopyFillFormAdresse1"),
            Control{Kind::Button, "SucheStart", "?", 342, 8, 24, 23},
            Control{Kind::Label, "EndLabel", "", 8, 40, 132, 16, NoFlags, "", 1, "EndAdresse"},
            withHistory(Control{Kind::ComboEdit, "EndAdresse", "", 142, 37, 196, 21}, "CopyFillFormAdresse2"),
            Control{Kind::Button, "SucheEnde", "?", 342, 36, 24, 23},
            Control{Kind::Label, "NachOderMit", "", 8, 68, 132, 16, NoFlags, "", 1, "ZielAdresse"},
            // Its history follows the task.
            Control{Kind::ComboEdit, "ZielAdresse", "", 142, 65, 196, 21},
            Control{Kind::Button, "SucheZiel", "?", 342, 64, 24, 23},
            Control{Kind::RadioGroup, "SpeicherGroup", "", 8, 98, 358, 110, NoFlags, "", 2},
            Control{Kind::Button, "OkButton", "&Ok", 376, 8, 76, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "Cancel", 376, 38, 76, 25, CancelButton},
            Control{Kind::Button, "HilfeButton", "He&lp", 376, 68, 76, 25},
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
            withHistory(Control{Kind::ComboEdit, "StartAdresse", "", 8, 152, 330, 21}, "FormSaveStartAdresse"),
            Control{Kind::Button, "SucheStart", "?", 344, 151, 24, 23},
            Control{Kind::Label, "EndLabel", "", 8, 180, 300, 16, NoFlags, "", 1, "EndAdresse"},
            withHistory(Control{Kind::ComboEdit, "EndAdresse", "", 8, 198, 330, 21}, "FormSaveEndAdresse"),
            Control{Kind::Button, "SucheEnde", "?", 344, 197, 24, 23},
            Control{Kind::Label, "DateiLabel", "", 8, 226, 300, 16, NoFlags, "", 1, "DateiName"},
            withHistory(Control{Kind::ComboEdit, "DateiName", "", 8, 244, 330, 21}, "FormSaveDateiName"),
            Control{Kind::Button, "SucheDatei", "", 344, 243, 88, 23},
            Control{Kind::Button, "OkButton", "", 196, 280, 76, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "", 276, 280, 76, 25, CancelButton},
            Control{Kind::Button, "HilfeButton", "", 356, 280, 76, 25},
        },
    };
    return form;
}

}  // namespace tarvex::ui::forms
