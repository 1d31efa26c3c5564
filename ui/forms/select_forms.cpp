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
            withHistory(Control{Kind::ComboEdit, "Event", "", 10, 20, 376, 21, NoFlags, "EventGroup"}, "BreakFormEvent"),
            Control{Kind::Button, "SymbolButton", "", 394, 19, 26, 23, NoFlags, "EventGroup"},
            Control{Kind::RadioGroup, "MemoryGroup", "", 10, 74, 430, 68, NoFlags, "BreakInputGroup"},
            withTip(Control{Kind::Button, "EnterButton", "", 450, 22, 84, 25, NoFlags, "BreakInputGroup"}, "Set address condition"),
            withTip(Control{Kind::Button, "DeleteButton", "", 450, 52, 84, 25, NoFlags, "BreakInputGroup"}, "Clear address condition"),
            withTip(Control{Kind::Button, "DefaultButton", "", 450, 82, 84, 25, NoFlags, "BreakInputGroup"}, "Default settings: no breaks"),
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
            withHistory(withTip(Control{Kind::ComboEdit, "AdrName", "", 10, 20, 370, 21, NoFlags, "AdrGroup"},
                                "Address/range to be mapped to emulator memory"),
                        "MapFormAdrName"),
            Control{Kind::GroupBox, "ProgramGroup", "", 10, 96, 390, 140, NoFlags, "MapGroup"},
            withTip(Control{Kind::ListBox, "ProgramListBox", "", 10, 20, 280, 110, FixedPitch, "ProgramGroup"}, "Program memory ranges mapped to emulator memory"),
            Control{Kind::Button, "EnterProgram", "", 298, 20, 82, 25, NoFlags, "ProgramGroup"},
            Control{Kind::Button, "DeleteProgram", "", 298, 50, 82, 25, NoFlags, "ProgramGroup"},
            Control{Kind::GroupBox, "ExtDataGroup", "", 10, 240, 390, 140, NoFlags, "MapGroup"},
            withTip(Control{Kind::ListBox, "ExtDataListBox", "", 10, 20, 280, 110, FixedPitch, "ExtDataGroup"}, "ExtData memory ranges mapped to emulator memory"),
            Control{Kind::Button, "EnterExtData", "", 298, 20, 82, 25, NoFlags, "ExtDataGroup"},
            Control{Kind::Button, "DeleteExtData", "", 298, 50, 82, 25, NoFlags, "ExtDataGroup"},
            withTip(Control{Kind::Button, "DefaultButton", "", 426, 12, 112, 25}, "Default settings: map Program memory to emulator memory and map ExtData memory to user board"),
            Control{Kind::Button, "OkButton", "", 426, 42, 112, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "", 426, 72, 112, 25, CancelButton},
            Control{Kind::Button, "HilfeButton", "", 426, 102, 112, 25},
        },
    };
    return form;
}

const Form& breakForm() {
    static const Form form{
        "TFormVok4Break",
        "",
        720,
        563,
        false,
        {
            Control{Kind::GroupBox, "EventsGroup", "", 8, 6, 704, 100},
            rowLabel("Break1Label", "EventListBox", 0, 10, 62, "EventsGroup"),
            rowLabel("Clear1Label", "EventListBox", 1, 10, 62, "EventsGroup"),
            rowLabel("Break2Label", "EventListBox", 2, 10, 62, "EventsGroup"),
            rowLabel("Clear2Label", "EventListBox", 3, 10, 62, "EventsGroup"),
            Control{Kind::ListBox, "EventListBox", "", 76, 18, 520, 76, FixedPitch, "EventsGroup"},
            rowLabel("TriggerALabel", "EventListBox", 0, 604, 90, "EventsGroup"),
            rowLabel("TriggerBLabel", "EventListBox", 1, 604, 90, "EventsGroup"),
            rowLabel("TriggerCLabel", "EventListBox", 3, 604, 90, "EventsGroup"),
            Control{Kind::GroupBox, "InputGroup", "", 8, 112, 704, 272},
            Control{Kind::GroupBox, "EventGroup", "", 10, 18, 684, 50, NoFlags, "InputGroup"},
            withHistory(Control{Kind::ComboEdit, "Event", "", 10, 20, 630, 21, NoFlags, "EventGroup"}, "BreakFormEvent"),
            Control{Kind::Button, "SymbolButton", "", 648, 19, 26, 23, NoFlags, "EventGroup"},
            Control{Kind::GroupBox, "AdressenGroup", "", 10, 74, 336, 110, NoFlags, "InputGroup"},
            Control{Kind::ListBox, "AdressenListBox", "", 10, 20, 240, 80, FixedPitch, "AdressenGroup"},
            withTip(Control{Kind::Button, "EnterAdresse", "", 258, 20, 68, 25, NoFlags, "AdressenGroup"}, "Set address condition"),
            withTip(Control{Kind::Button, "DeleteAdresse", "", 258, 50, 68, 25, NoFlags, "AdressenGroup"}, "Clear address condition"),
            Control{Kind::GroupBox, "DataGroup", "", 354, 74, 340, 110, NoFlags, "InputGroup"},
            Control{Kind::ListBox, "DataListBox", "", 10, 20, 244, 80, FixedPitch, "DataGroup"},
            Control{Kind::Button, "EnterData", "", 262, 20, 68, 25, NoFlags, "DataGroup"},
            Control{Kind::Button, "DeleteData", "", 262, 50, 68, 25, NoFlags, "DataGroup"},
            Control{Kind::RadioGroup, "CycleGroup", "", 10, 190, 336, 74, NoFlags, "InputGroup", 2},
            Control{Kind::GroupBox, "CounterGroup", "", 354, 190, 340, 74, NoFlags, "InputGroup"},
            withHistory(Control{Kind::ComboEdit, "Zaehler", "", 10, 24, 150, 21, HistoryOffers, "CounterGroup"}, "BreakFormZaehler"),
            Control{Kind::RadioGroup, "OptionsGroup", "", 8, 390, 440, 74, NoFlags, "", 3},
            Control{Kind::Label, "ProbesLabel", "", 456, 400, 92, 16, NoFlags, "", 1, "Probes"},
            withHistory(Control{Kind::ComboEdit, "Probes", "", 552, 397, 160, 21, HistoryOffers}, "BreakFormProbes"),
            Control{Kind::Label, "TraceCountLabel", "", 456, 436, 92, 16, NoFlags, "", 1, "TraceCount"},
            withHistory(Control{Kind::ComboEdit, "TraceCount", "", 552, 433, 160, 21, HistoryOffers}, "BreakFormTraceCount"),
            Control{Kind::GroupBox, "DelayGroup", "", 8, 470, 704, 52},
            Control{Kind::CheckBox, "CheckBreakDelay", "", 10, 20, 140, 20, NoFlags, "DelayGroup"},
            Control{Kind::Label, "Label1", "", 170, 22, 130, 16, NoFlags, "DelayGroup", 1, "BreakDelayCount"},
            withHistory(Control{Kind::ComboEdit, "BreakDelayCount", "", 304, 19, 150, 21, HistoryOffers | HistoryUnkept, "DelayGroup"}, "BreakFormBreakDelayCount"),
            Control{Kind::Button, "DefaultButton", "", 8, 530, 120, 25},
            Control{Kind::Button, "Ok", "", 476, 530, 76, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "", 556, 530, 76, 25, CancelButton},
            Control{Kind::Button, "Hilfe", "", 636, 530, 76, 25},
        },
    };
    return form;
}

const Form& traceSettingsForm() {
    static const Form form{
        "TFormVok4Trace",
        "",
        700,
        619,
        false,
        {
            Control{Kind::GroupBox, "FilterGroup", "", 8, 6, 684, 82},
            rowLabel("Trace1Label", "EventListBox", 0, 10, 56, "FilterGroup"),
            rowLabel("Trace2Label", "EventListBox", 1, 10, 56, "FilterGroup"),
            rowLabel("Trace3Label", "EventListBox", 2, 10, 56, "FilterGroup"),
            Control{Kind::ListBox, "EventListBox", "", 70, 18, 604, 58, FixedPitch, "FilterGroup"},
            Control{Kind::GroupBox, "ConditionsGroup", "", 8, 94, 684, 196},
            rowLabel("TriggerALabel", "TriggerListBox", 0, 10, 70, "ConditionsGroup"),
            rowLabel("TriggerBLabel", "TriggerListBox", 1, 10, 70, "ConditionsGroup"),
            rowLabel("TriggerCLabel", "TriggerListBox", 2, 10, 70, "ConditionsGroup"),
            Control{Kind::ListBox, "TriggerListBox", "", 84, 18, 590, 58, FixedPitch | NoSelection, "ConditionsGroup"},
            Control{Kind::GroupBox, "StartGroup", "", 10, 82, 220, 104, NoFlags, "ConditionsGroup"},
            Control{Kind::RadioButton, "StartTriggerA", "", 10, 18, 200, 20, NoFlags, "StartGroup"},
            Control{Kind::RadioButton, "StartTriggerB", "", 10, 38, 200, 20, NoFlags, "StartGroup"},
            Control{Kind::RadioButton, "StartTriggerC", "", 10, 58, 200, 20, NoFlags, "StartGroup"},
            Control{Kind::RadioButton, "StartTriggerDefault", "", 10, 78, 200, 20, NoFlags, "StartGroup"},
            Control{Kind::GroupBox, "StopGroup", "", 238, 82, 220, 104, NoFlags, "ConditionsGroup"},
            Control{Kind::RadioButton, "StopTriggerA", "", 10, 18, 200, 20, NoFlags, "StopGroup"},
            Control{Kind::RadioButton, "StopTriggerB", "", 10, 38, 200, 20, NoFlags, "StopGroup"},
            Control{Kind::RadioButton, "StopTriggerC", "", 10, 58, 200, 20, NoFlags, "StopGroup"},
            Control{Kind::RadioButton, "StopTriggerDefault", "", 10, 78, 200, 20, NoFlags, "StopGroup"},
            Control{Kind::GroupBox, "TriggerGroup", "", 466, 82, 208, 104, NoFlags, "ConditionsGroup"},
            Control{Kind::RadioButton, "TriggerAB", "", 10, 18, 180, 20, NoFlags, "TriggerGroup"},
            Control{Kind::RadioButton, "TriggerBC", "", 10, 38, 180, 20, NoFlags, "TriggerGroup"},
            Control{Kind::GroupBox, "InputGroup", "", 8, 296, 684, 176},
            Control{Kind::GroupBox, "EventGroup", "", 10, 18, 664, 50, NoFlags, "InputGroup"},
            withHistory(Control{Kind::ComboEdit, "Event", "", 10, 20, 610, 21, NoFlags, "EventGroup"}, "TraceFormEvent"),
            Control{Kind::Button, "SymbolButton", "", 628, 19, 26, 23, NoFlags, "EventGroup"},
            Control{Kind::RadioGroup, "CycleGroup", "", 10, 74, 180, 92, NoFlags, "InputGroup"},
            Control{Kind::GroupBox, "AdressenGroup", "", 198, 74, 476, 92, NoFlags, "InputGroup"},
            Control{Kind::ListBox, "AdressenListBox", "", 10, 20, 370, 62, FixedPitch, "AdressenGroup"},
            withTip(Control{Kind::Button, "EnterAdresse", "", 388, 20, 78, 25, NoFlags, "AdressenGroup"}, "Set address condition"),
            withTip(Control{Kind::Button, "DeleteAdresse", "", 388, 50, 78, 25, NoFlags, "AdressenGroup"}, "Clear address condition"),
            Control{Kind::GroupBox, "OptionsGroup", "", 8, 478, 684, 100},
            Control{Kind::RadioGroup, "ProgramOptionGroup", "", 10, 18, 200, 74, NoFlags, "OptionsGroup"},
            Control{Kind::CheckBox, "CheckBoxFilterType", "", 222, 45, 206, 20, NoFlags, "OptionsGroup"},
            Control{Kind::RadioGroup, "TimeBaseGroup", "", 440, 18, 234, 74, NoFlags, "OptionsGroup"},
            Control{Kind::Button, "DefaultButton", "", 8, 586, 120, 25},
            Control{Kind::Button, "OkButton", "", 456, 586, 76, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "", 536, 586, 76, 25, CancelButton},
            Control{Kind::Button, "HilfeButton", "", 616, 586, 76, 25},
        },
    };
    return form;
}

}  // namespace tarvex::ui::forms
