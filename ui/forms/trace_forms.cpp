#include "ui/forms/trace_forms.hpp"

#include <string>

namespace tarvex::ui::forms {

const Form& saveTraceForm() {
    static const Form form{
        "TFormSaveTrace",
        "",
        392,
        206,
        false,
        {
            Control{Kind::GroupBox, "FileGroup", "", 8, 6, 376, 52},
            withHistory(Control{Kind::ComboEdit, "DateiName", "", 10, 20, 270, 21, NoFlags, "FileGroup"},
                        "FormSaveTraceName"),
            Control{Kind::Button, "SucheDatei", "", 286, 19, 80, 23, NoFlags, "FileGroup"},
            Control{Kind::GroupBox, "StartGroup", "", 8, 64, 184, 52},
            withHistory(Control{Kind::ComboEdit, "StartAdresse", "", 10, 20, 164, 21, NoFlags, "StartGroup"},
                        "FormSaveTraceStart"),
            Control{Kind::GroupBox, "EndGroup", "", 200, 64, 184, 52},
            withHistory(Control{Kind::ComboEdit, "EndAdresse", "", 10, 20, 164, 21, NoFlags, "EndGroup"},
                        "FormSaveTraceEnd"),
            Control{Kind::RadioGroup, "FormatGroup", "", 8, 122, 376, 44, NoFlags, "", 4},
            Control{Kind::Button, "OkButton", "", 148, 174, 76, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "", 228, 174, 76, 25, CancelButton},
            Control{Kind::Button, "HilfeButton", "", 308, 174, 76, 25},
        },
    };
    return form;
}

const Form& traceColumnsForm() {
    static const Form form = [] {
        Form f{"TFormTraceSpalten", "", 672, 104, false, {}};
        // Two rows of six; "all" closes the second.
        for (int c = 0; c < 10; ++c)
            f.controls.push_back(Control{Kind::CheckBox, "CheckBox" + std::to_string(c + 1), "", 8 + (c % 6) * 110,
                                         10 + (c / 6) * 26, 106, 20});
        f.controls.push_back(Control{Kind::CheckBox, "CheckBoxAll", "", 8 + 5 * 110, 36, 106, 20});
        f.controls.push_back(Control{Kind::Button, "OkButton", "", 508, 72, 76, 25, DefaultButton});
        f.controls.push_back(Control{Kind::Button, "CancelButton", "", 588, 72, 76, 25, CancelButton});
        return f;
    }();
    return form;
}

const Form& gotoForm() {
    static const Form form{
        "TFormSprung",
        "",
        300,
        158,
        false,
        {
            Control{Kind::Label, "ZielLabel", "", 8, 10, 250, 16, NoFlags, "", 1, "Ziel"},
            // Its history is the call's (GotoModel::historySection).
            Control{Kind::ComboEdit, "Ziel", "", 8, 28, 254, 21},
            Control{Kind::Button, "SymbolButton", "", 268, 27, 24, 23},
            Control{Kind::RadioGroup, "BankNummerGroup", "", 8, 58, 284, 60, NoFlags, "", 8},
            Control{Kind::Button, "OkButton", "", 56, 126, 76, 25, DefaultButton | MoveDown},
            Control{Kind::Button, "CancelButton", "", 136, 126, 76, 25, CancelButton | MoveDown},
            Control{Kind::Button, "HilfeButton", "", 216, 126, 76, 25, MoveDown},
        },
    };
    return form;
}

const Form& frameSearchForm() {
    static const Form form{
        "TFormVok4Frame",
        "",
        372,
        318,
        false,
        {
            Control{Kind::Label, "AdrNameLabel", "", 8, 12, 150, 16, NoFlags, "", 1, "AdrName"},
            withHistory(Control{Kind::ComboEdit, "AdrName", "", 160, 9, 172, 21}, "FrameFormAdrName"),
            Control{Kind::Button, "SymbolButton", "", 338, 8, 26, 23},
            Control{Kind::Label, "DataLabel", "", 8, 40, 150, 16, NoFlags, "", 1, "Data"},
            withHistory(Control{Kind::ComboEdit, "Data", "", 160, 37, 172, 21}, "FrameFormData"),
            Control{Kind::Label, "LogicProbesLabel", "", 8, 68, 150, 16, NoFlags, "", 1, "LogicProbes"},
            withHistory(Control{Kind::ComboEdit, "LogicProbes", "", 160, 65, 172, 21}, "FrameFormLogicProbes"),
            Control{Kind::GroupBox, "BreakGroup", "", 8, 96, 174, 114},
            Control{Kind::CheckBox, "CheckBreakNichtSuchen", "", 10, 18, 156, 20, NoFlags, "BreakGroup"},
            Control{Kind::CheckBox, "CheckBreak1", "", 10, 40, 156, 20, NoFlags, "BreakGroup"},
            Control{Kind::CheckBox, "CheckBreak2", "", 10, 62, 156, 20, NoFlags, "BreakGroup"},
            Control{Kind::CheckBox, "CheckWechsel", "", 10, 84, 156, 20, NoFlags, "BreakGroup"},
            // Searching chooses one cycle type, filtering any of them: the
            // model shows one of the two groups.
            Control{Kind::RadioGroup, "CycleGroup", "", 190, 96, 174, 114},
            Control{Kind::GroupBox, "CycleCheckGroup", "", 190, 96, 174, 114},
            Control{Kind::CheckBox, "CheckCycleNichtSuchen", "", 10, 16, 156, 18, NoFlags, "CycleCheckGroup"},
            Control{Kind::CheckBox, "CheckOpcode", "", 10, 34, 156, 18, NoFlags, "CycleCheckGroup"},
            Control{Kind::CheckBox, "CheckFetch", "", 10, 52, 156, 18, NoFlags, "CycleCheckGroup"},
            Control{Kind::CheckBox, "CheckRead", "", 10, 70, 156, 18, NoFlags, "CycleCheckGroup"},
            Control{Kind::CheckBox, "CheckWrite", "", 10, 88, 156, 18, NoFlags, "CycleCheckGroup"},
            // The lower part (FramePatternModel::kBottomPanel) that the time
            // filter folds away.
            Control{Kind::RadioGroup, "RichtungGroup", "", 8, 216, 174, 58},
            Control{Kind::RadioGroup, "BeginnGroup", "", 190, 216, 174, 58},
            Control{Kind::Button, "OkButton", "", 32, 286, 80, 25, DefaultButton | MoveDown},
            Control{Kind::Button, "CancelButton", "", 116, 286, 80, 25, CancelButton | MoveDown},
            Control{Kind::Button, "ResetButton", "", 200, 286, 80, 25, MoveDown},
            Control{Kind::Button, "HilfeButton", "", 284, 286, 80, 25, MoveDown},
        },
    };
    return form;
}

}  // namespace tarvex::ui::forms
