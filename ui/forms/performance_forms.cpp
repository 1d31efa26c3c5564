#include "ui/forms/performance_forms.hpp"

namespace tarvex::ui::forms {

const Form& performanceDefineForm() {
    static const Form form{
        "TFormPerformanceDefine",
        "",
        536,
        386,
        false,
        {
            Control{Kind::GroupBox, "NewGroup", "", 8, 6, 436, 110},
            Control{Kind::Label, "BereichLabel", "", 10, 18, 300, 16, NoFlags, "NewGroup", 1, "BereichAdresse"},
            // Both fields start empty; their histories keep what was inserted.
            withHistory(Control{Kind::ComboEdit, "BereichAdresse", "", 10, 36, 366, 21, HistoryOffers | HistoryUnkept,
                                "NewGroup"},
                        "PerfFormAdresse"),
            Control{Kind::Button, "SymbolButton", "", 384, 35, 26, 23, NoFlags, "NewGroup"},
            Control{Kind::Label, "KommentarLabel", "", 10, 62, 200, 16, NoFlags, "NewGroup", 1, "Kommentar"},
            withHistory(Control{Kind::ComboEdit, "Kommentar", "", 10, 80, 366, 21, HistoryOffers | HistoryUnkept,
                                "NewGroup"},
                        "PerfFormName"),
            Control{Kind::GroupBox, "ListGroup", "", 8, 122, 436, 166},
            Control{Kind::Button, "InsertButton", "", 10, 18, 76, 25, NoFlags, "ListGroup"},
            Control{Kind::Button, "DeleteButton", "", 92, 18, 76, 25, NoFlags, "ListGroup"},
            Control{Kind::Button, "EditButton", "", 174, 18, 76, 25, NoFlags, "ListGroup"},
            reportList("ListView", "Address range\nStart\nEnd\nComment", {200, 40, 40, 233}, 10, 50, 400, 106, NoFlags,
                       "ListGroup"),
            Control{Kind::GroupBox, "MeasureGroup", "", 8, 294, 436, 86},
            Control{Kind::Label, "FrameLabel", "", 10, 22, 80, 16, NoFlags, "MeasureGroup", 1, "FrameCount"},
            // The arrows beside it are the view's.
            Control{Kind::Edit, "FrameCount", "", 92, 19, 74, 21, NoFlags, "MeasureGroup"},
            Control{Kind::Button, "FunctionButton", "", 10, 50, 100, 25, NoFlags, "MeasureGroup"},
            Control{Kind::CheckBox, "CheckBoxPerfMode", "", 116, 52, 186, 20, NoFlags, "MeasureGroup"},
            Control{Kind::RadioGroup, "TimeBaseGroup", "", 304, 8, 130, 72, NoFlags, "MeasureGroup"},
            Control{Kind::Button, "OkButton", "", 452, 12, 76, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "", 452, 42, 76, 25, CancelButton},
            Control{Kind::Button, "HelpButton", "", 452, 72, 76, 25},
        },
    };
    return form;
}

const Form& performanceAnalyseForm() {
    static const Form form{
        "TFormPerformanceAnalyse",
        "",
        646,
        420,
        false,
        {
            Control{Kind::GroupBox, "MeasureGroup", "", 8, 6, 630, 170},
            reportList("ListView", "Start\nEnd\nTotal duration\nCount\n%\n \nComment", {40, 40, 100, 45, 45, 100, 233},
                       10, 20, 610, 140, NoFlags, "MeasureGroup"),
            Control{Kind::GroupBox, "AnalysisGroup", "", 8, 182, 630, 94},
            Control{Kind::Label, "MinimalLabel", "", 10, 22, 120, 16, NoFlags, "AnalysisGroup"},
            Control{Kind::Edit, "LabelMinimal", "", 132, 19, 170, 21, ReadOnly, "AnalysisGroup"},
            Control{Kind::Label, "MaximalLabel", "", 318, 22, 120, 16, NoFlags, "AnalysisGroup"},
            Control{Kind::Edit, "LabelMaximal", "", 440, 19, 170, 21, ReadOnly, "AnalysisGroup"},
            Control{Kind::Label, "MittelLabel", "", 10, 47, 120, 16, NoFlags, "AnalysisGroup"},
            Control{Kind::Edit, "LabelMittel", "", 132, 44, 170, 21, ReadOnly, "AnalysisGroup"},
            Control{Kind::Label, "GesamtDiffLabel", "", 318, 47, 120, 16, NoFlags, "AnalysisGroup"},
            Control{Kind::Edit, "LabelGesamtDiff", "", 440, 44, 170, 21, ReadOnly, "AnalysisGroup"},
            Control{Kind::Label, "BasedLabel", "", 10, 70, 112, 16, NoFlags, "AnalysisGroup"},
            Control{Kind::Label, "LabelFrames", "", 124, 70, 52, 16, NoFlags, "AnalysisGroup"},
            Control{Kind::Label, "FramesLabel", "", 178, 70, 304, 16, NoFlags, "AnalysisGroup"},
            Control{Kind::Label, "LabelTimeStamp", "", 484, 70, 136, 16, NoFlags, "AnalysisGroup"},
            Control{Kind::GroupBox, "MessagesGroup", "", 8, 282, 630, 100},
            Control{Kind::ListBox, "ListBox", "", 10, 20, 610, 70, NoFlags, "MessagesGroup"},
            Control{Kind::Button, "OkButton", "", 480, 388, 76, 25, DefaultButton},
            Control{Kind::Button, "HelpButton", "", 562, 388, 76, 25},
        },
    };
    return form;
}

}  // namespace tarvex::ui::forms
