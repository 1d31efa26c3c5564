#include "ui/forms/status_forms.hpp"

namespace tarvex::ui::forms {

const Form& errorForm() {
    static const Form form{
        "TFormEmulError",
        "Error",
        360,
        152,
        false,
        {
            Control{Kind::Label, "FirstLabel", "", 12, 10, 336, 16},
            Control{Kind::Label, "ErrorLabel", "", 12, 32, 336, 52, Multiline},
            Control{Kind::Label, "QuestionLabel", "Change configuration?", 12, 90, 336, 16},
            Control{Kind::Button, "YesButton", "Yes", 100, 118, 76, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "Cancel", 180, 118, 76, 25, CancelButton},
            Control{Kind::Button, "RetryButton", "Retry", 260, 118, 76, 25},
        },
    };
    return form;
}

const Form& noticeForm() {
    static const Form form{
        "TFormHinweis",
        "VokWin",
        320,
        72,
        false,
        {
            Control{Kind::Label, "Hinweis", "", 12, 12, 296, 48, Multiline},
        },
    };
    return form;
}

const Form& readingTraceForm() {
    static const Form form{
        "ReadingTrace",
        "VokWin",
        260,
        84,
        false,
        {
            Control{Kind::Label, "Hinweis", "Reading trace", 16, 16, 228, 16},
            Control{Kind::Button, "CancelButton", "Cancel", 92, 44, 76, 25, CancelButton | DefaultButton},
        },
    };
    return form;
}

const Form& loadStatusForm() {
    static const Form form{
        "TFormLadeStatus",
        "Lade-Status",
        400,
        313,
        true,
        {
            Control{Kind::Label, "DateiLabel", "", 10, 10, 58, 16},
            Control{Kind::Label, "Dateiname", "", 70, 10, 320, 16, GrowWidth},
            Control{Kind::Label, "CodeBytes", "", 10, 30, 58, 16},
            Control{Kind::Label, "CodeAnzahl", "", 70, 30, 320, 16, GrowWidth},
            Control{Kind::Label, "ZeilenLabel", "", 10, 50, 58, 16},
            Control{Kind::Label, "ZeilenAnzahl", "", 70, 50, 320, 16, GrowWidth},
            Control{Kind::Label, "SymboleLabel", "", 10, 70, 58, 16},
            Control{Kind::Label, "SymbolAnzahl", "", 70, 70, 320, 16, GrowWidth},
            Control{Kind::Label, "PellunarLabel", "", 10, 90, 58, 16},
            Control{Kind::Label, "PellunarAnzahl", "", 70, 90, 320, 16, GrowWidth},
            Control{Kind::Label, "StatusLabel", "", 10, 110, 58, 16},
            Control{Kind::Label, "Warnung", "", 70, 110, 320, 16, GrowWidth},
            Control{Kind::ListBox, "MessageBox", "", 8, 137, 384, 134, GrowWidth | GrowHeight},
            Control{Kind::Button, "AbbruchButton", "", 162, 280, 76, 25, DefaultButton | CancelButton | MoveDown},
        },
    };
    return form;
}

const Form& saveStatusForm() {
    static const Form form{
        "TFormSaveStatus",
        "",
        427,
        200,
        false,
        {
            Control{Kind::GroupBox, "SpeichernGroup", "", 8, 6, 411, 96},
            Control{Kind::Label, "DateiLabel", "", 10, 22, 62, 16, NoFlags, "SpeichernGroup"},
            Control{Kind::Label, "Dateiname", "", 74, 22, 330, 16, NoFlags, "SpeichernGroup"},
            Control{Kind::Label, "SpeicherLabel", "", 10, 46, 62, 16, NoFlags, "SpeichernGroup"},
            Control{Kind::Label, "Speichertyp", "", 74, 46, 330, 16, NoFlags, "SpeichernGroup"},
            Control{Kind::Label, "BereichLabel", "", 10, 70, 62, 16, NoFlags, "SpeichernGroup"},
            Control{Kind::Label, "AdressBereich", "", 74, 70, 330, 16, NoFlags, "SpeichernGroup"},
            Control{Kind::GroupBox, "StatusGroup", "", 8, 108, 411, 48},
            Control{Kind::Label, "GesichertLabel", "", 10, 22, 62, 16, NoFlags, "StatusGroup"},
            Control{Kind::Label, "Status", "", 74, 22, 330, 16, NoFlags, "StatusGroup"},
            Control{Kind::Button, "CancelButton", "", 176, 166, 76, 25, CancelButton},
        },
    };
    return form;
}

const Form& stopErrorForm() {
    static const Form form{
        "TFormStopError",
        "Error",
        224,
        96,
        false,
        {
            Control{Kind::Label, "Label1", "", 12, 10, 200, 16},
            Control{Kind::Label, "Label2", "", 12, 30, 200, 16},
            Control{Kind::Button, "OkBtn", "", 74, 60, 76, 25, DefaultButton},
        },
    };
    return form;
}

}  // namespace tarvex::ui::forms
