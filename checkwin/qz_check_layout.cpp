#include "checkwin/qz_check_layout.hpp"

namespace tarvex::checkwin {

using ui::forms::Control;
using ui::forms::Form;
using ui::forms::Kind;
namespace f = ui::forms;

const Form& mainFormLayout() {
    static const Form form{
        "TFormQzCheckMain",
        "Pellunar Checker",
        600,
        470,
        true,
        {
            Control{Kind::GroupBox, "FileGroup", " &File name: ", 8, 6, 584, 54, f::GrowWidth},
            Control{Kind::ComboEdit, "FileName", "", 10, 22, 474, 21, f::GrowWidth, "FileGroup"},
            Control{Kind::Button, "Browse", "&Browse", 494, 20, 80, 25, f::MoveRight, "FileGroup"},
            Control{Kind::RadioGroup, "FormatGroup", " Format: ", 8, 68, 132, 88},
            Control{Kind::RadioGroup, "CpuGroup", " CPU: ", 148, 68, 160, 88},
            Control{Kind::RadioGroup, "MsgLvlGroup", " Messages: ", 316, 68, 180, 88},
            Control{Kind::RadioGroup, "CompilerGroup", " Compiler: ", 8, 162, 236, 46, f::NoFlags, "", 2},
            Control{Kind::RadioGroup, "RegBankGroup", " Register bank Read/WritePxRegBank: ", 252, 162, 244, 46,
                    f::NoFlags, "", 4},
            Control{Kind::Button, "GoButton", "Go", 510, 74, 82, 25, f::MoveRight | f::DefaultButton},
            Control{Kind::Button, "ClearButton", "&Clear", 510, 104, 82, 25, f::MoveRight},
            Control{Kind::Button, "ExitButton", "E&xit", 510, 134, 82, 25, f::MoveRight | f::CancelButton},
            Control{Kind::ListBox, "MsgListBox", "", 8, 216, 584, 246,
                    f::GrowWidth | f::GrowHeight | f::FixedPitch},
        },
    };
    return form;
}

const Form& aboutFormLayout() {
    static const Form form{
        "TFormAbout",
        "About",
        250,
        112,
        false,
        {
            Control{Kind::Label, "ProductLabel", "Pellunar Checker ", 20, 14, 210, 18},
            Control{Kind::Label, "VersionCaption", "Version:", 60, 44, 52, 16},
            Control{Kind::Label, "VersionLabel", "", 114, 44, 90, 16},
            Control{Kind::Button, "OkButton", "Ok", 87, 76, 76, 25, f::DefaultButton | f::CancelButton},
        },
    };
    return form;
}

}  // namespace tarvex::checkwin
