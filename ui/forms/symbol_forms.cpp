#include "ui/forms/symbol_forms.hpp"

namespace tarvex::ui::forms {

const Form& symbolBrowserForm() {
    static const Form form{
        "TFormSymbol",
        "",
        860,
        440,
        true,
        {
            Control{Kind::Label, "LabelModuleBox", "", 8, 8, 192, 16, NoFlags, "", 1, "ModuleBox"},
            Control{Kind::ListBox, "ModuleBox", "", 8, 26, 192, 406, GrowHeight | FixedPitch},
            Control{Kind::Label, "LabelSymbolBox", "", 208, 8, 200, 16, NoFlags, "", 1, kSymbolEntries},
            Control{Kind::Custom, kSymbolEntries, "", 208, 26, 416, 372, GrowWidth | GrowHeight | FixedPitch},
            Control{Kind::Label, "LabelSymbolName", "", 208, 411, 44, 16, MoveDown, "", 1, "SymbolName"},
            Control{Kind::ComboEdit, "SymbolName", "", 254, 408, 370, 21, MoveDown | GrowWidth},
            Control{Kind::Label, "GroesseLabel", "", 634, 8, 64, 16, MoveRight},
            Control{Kind::Label, "Groesse", "", 700, 8, 152, 16, MoveRight},
            Control{Kind::Label, "AdresseLabel", "", 634, 26, 64, 16, MoveRight},
            Control{Kind::Label, "Adresse", "", 700, 26, 152, 16, MoveRight},
            Control{Kind::Label, "KlasseLabel", "", 634, 44, 64, 16, MoveRight},
            Control{Kind::Label, "Klasse", "", 700, 44, 152, 16, MoveRight},
            Control{Kind::Label, "TypLabel", "", 634, 62, 64, 16, MoveRight},
            Control{Kind::Label, "Typ", "", 700, 62, 152, 16, MoveRight},
            Control{Kind::Label, "ModulLabel", "", 634, 80, 64, 16, MoveRight},
            Control{Kind::Label, "Modul", "", 700, 80, 152, 16, MoveRight},
            Control{Kind::Label, "FunktionLabel", "", 634, 98, 64, 16, MoveRight},
            Control{Kind::Label, "Funktion", "", 700, 98, 152, 16, MoveRight},
            Control{Kind::Label, "EndAdrLabel", "", 634, 116, 64, 16, MoveRight},
            Control{Kind::Label, "EndAdresse", "", 700, 116, 152, 16, MoveRight},
            Control{Kind::GroupBox, "KlassenGroupBox", "", 634, 140, 218, 102, MoveRight},
            Control{Kind::CheckBox, "CheckProgramm", "", 8, 18, 116, 16, NoFlags, "KlassenGroupBox"},
            Control{Kind::CheckBox, "CheckIntData", "", 126, 18, 86, 16, NoFlags, "KlassenGroupBox"},
            Control{Kind::CheckBox, "CheckExtData", "", 8, 34, 116, 16, NoFlags, "KlassenGroupBox"},
            Control{Kind::CheckBox, "CheckBit", "", 126, 34, 86, 16, NoFlags, "KlassenGroupBox"},
            Control{Kind::CheckBox, "CheckKonstante", "", 8, 50, 116, 16, NoFlags, "KlassenGroupBox"},
            Control{Kind::CheckBox, "CheckDateiName", "", 126, 50, 86, 16, NoFlags, "KlassenGroupBox"},
            Control{Kind::CheckBox, "CheckModul", "", 8, 66, 116, 16, NoFlags, "KlassenGroupBox"},
            Control{Kind::CheckBox, "CheckSfr", "", 126, 66, 86, 16, NoFlags, "KlassenGroupBox"},
            Control{Kind::CheckBox, "CheckTypedef", "", 8, 82, 116, 16, NoFlags, "KlassenGroupBox"},
            Control{Kind::CheckBox, "CheckAlle", "", 642, 248, 210, 18, MoveRight},
            Control{Kind::RadioGroup, "RadioGroupSort", "", 634, 272, 218, 76, MoveRight},
            Control{Kind::Button, "OkButton", "", 634, 407, 70, 25, DefaultButton | MoveRight | MoveDown},
            Control{Kind::Button, "CancelButton", "", 708, 407, 70, 25, CancelButton | MoveRight | MoveDown},
            Control{Kind::Button, "HilfeButton", "", 782, 407, 70, 25, MoveRight | MoveDown},
        },
    };
    return form;
}

}  // namespace tarvex::ui::forms
