#include "ui/forms/select_forms.hpp"

namespace tarvex::ui::forms {

const Form& basicBreakForm() {
    static const Form form{
        "TFormVok4BasicBreak",
        "",
        560,
        400,
        false,
        {
            Control{Kind::GroupBox, "BreakInputGroup", "", 8, 6, 544, 150},
            Control{Kind::GroupBox, "EventGroup", "", 10, 18, 430, 50, NoFlags, "BreakInputGroup"},
            Control{Kind::ComboEdit, "Event", "", 10, 20, 376, 21, NoFlags, "EventGroup"},
            Control{Kind::Button, "SymbolButton", "", 394, 19, 26, 23, NoFlags, "EventGroup"},
            Control{Kind::RadioGroup, "MemoryGroup", "", 10, 74, 430, 68, NoFlags, "BreakInputGroup"},
            Control{Kind::Button, "EnterButton", "", 450, 22, 84, 25, NoFlags, "BreakInputGroup"},
            Control{Kind::Button, "DeleteButton", "", 450, 52, 84, 25, NoFlags, "BreakInputGroup"},
            Control{Kind::Button, "DefaultButton", "", 450, 82, 84, 25, NoFlags, "BreakInputGroup"},
            Control{Kind::GroupBox, "ProgramGroup", "", 8, 162, 220, 196},
            Control{Kind::ListBox, "ProgramListBox", "", 10, 20, 200, 166, FixedPitch, "ProgramGroup"},
            Control{Kind::GroupBox, "ExtDataGroup", "", 236, 162, 316, 196},
            Control{Kind::ListBox, "ExtDataListBox", "", 10, 20, 296, 116, FixedPitch, "ExtDataGroup"},
            Control{Kind::RadioGroup, "ExtDataCycleGroup", "", 10, 142, 296, 46, NoFlags, "ExtDataGroup", 3},
            Control{Kind::Button, "OkButton", "", 312, 366, 76, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "", 394, 366, 76, 25, CancelButton},
            Control{Kind::Button, "HelpButton", "", 476, 366, 76, 25},
        },
    };
    return form;
}

const Form& mapForm() {
    static const Form form{
        "TFormMap",
        "",
        546,
        400,
        false,
        {
            Control{Kind::GroupBox, "MapGroup", "", 8, 6, 410, 386},
            Control{Kind::Label, "LabelExtData", "", 10, 18, 390, 16, NoFlags, "MapGroup"},
            Control{Kind::GroupBox, "AdrGroup", "", 10, 38, 390, 52, NoFlags, "MapGroup"},
            Control{Kind::ComboEdit, "AdrName", "", 10, 20, 370, 21, NoFlags, "AdrGroup"},
            Control{Kind::GroupBox, "ProgramGroup", "", 10, 96, 390, 140, NoFlags, "MapGroup"},
            Control{Kind::ListBox, "ProgramListBox", "", 10, 20, 280, 110, FixedPitch, "ProgramGroup"},
            Control{Kind::Button, "EnterProgram", "", 298, 20, 82, 25, NoFlags, "ProgramGroup"},
            Control{Kind::Button, "DeleteProgram", "", 298, 50, 82, 25, NoFlags, "ProgramGroup"},
            Control{Kind::GroupBox, "ExtDataGroup", "", 10, 240, 390, 140, NoFlags, "MapGroup"},
            Control{Kind::ListBox, "ExtDataListBox", "", 10, 20, 280, 110, FixedPitch, "ExtDataGroup"},
            Control{Kind::Button, "EnterExtData", "", 298, 20, 82, 25, NoFlags, "ExtDataGroup"},
            Control{Kind::Button, "DeleteExtData", "", 298, 50, 82, 25, NoFlags, "ExtDataGroup"},
            Control{Kind::Button, "DefaultButton", "", 426, 12, 112, 25},
            Control{Kind::Button, "OkButton", "", 426, 42, 112, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "", 426, 72, 112, 25, CancelButton},
            Control{Kind::Button, "HilfeButton", "", 426, 102, 112, 25},
        },
    };
    return form;
}

}  // namespace tarvex::ui::forms
