#include "ui/model/trace_settings_form.hpp"

#include "host/command_chains.hpp"

namespace tarvex::ui {
namespace {

constexpr const char* kSection = "TraceForm";
const char* const kStart[] = {"StartTriggerA", "StartTriggerB", "StartTriggerC", "StartTriggerDefault"};
const char* const kStop[] = {"StopTriggerA", "StopTriggerB", "StopTriggerC", "StopTriggerDefault"};
const char* const kLabels[] = {"Trace1Label", "Trace2Label", "Trace3Label"};

}  // namespace

TraceSettingsFormModel::TraceSettingsFormModel(platform::SettingsStore& store)
    : SelectFormModel(kSection, 605, store), store_(store) {
    const char* const texts[][2] = {{"FilterGroup", " &Trace filter: "},
                                    {"Trace1Label", "Filter 1:"},
                                    {"Trace2Label", "Filter 2:"},
                                    {"Trace3Label", "Filter 3:"},
                                    {"ConditionsGroup", " Trace Start/Stop conditions: "},
                                    {"TriggerALabel", "Trigger A ="},
                                    {"TriggerBLabel", "Trigger B ="},
                                    {"TriggerCLabel", "Trigger C ="},
                                    {"StartGroup", " Trace &Start: "},
                                    {"StartTriggerA", "Trigger A"},
                                    {"StartTriggerB", "Trigger B"},
                                    {"StartTriggerC", "Trigger C"},
                                    {"StartTriggerDefault", "Program start"},
                                    {"StopGroup", " Trace &End: "},
                                    {"StopTriggerA", "Trigger A"},
                                    {"StopTriggerB", "Trigger B"},
                                    {"StopTriggerC", "Trigger C"},
                                    {"StopTriggerDefault", "Program end"},
                                    {"TriggerGroup", " Trigger selection: "},
                                    {"TriggerAB", "A + B"},
                                    {"TriggerBC", "B + C"},
                                    {"InputGroup", " Filter conditions: "},
                                    {"EventGroup", " &Hex address(range), Name(range) "},
                                    {"SymbolButton", "?"},
                                    {"CycleGroup", " &Cycle type: "},
                                    {"AdressenGroup", " &Addresses: "},
                                    {"EnterAdresse", "Set"},
                                    {"DeleteAdresse", "Clear"},
                                    {"OptionsGroup", " Options: "},
                                    {"ProgramOptionGroup", " &Program memory access: "},
                                    {"CheckBoxFilterType", "&Change Filter1+2 <-> Filter3"},
                                    {"TimeBaseGroup", " Time &base:"},
                                    {"DefaultButton", "&Default settings"},
                                    {"OkButton", "Ok"},
                                    {"CancelButton", "Cancel"},
                                    {"HilfeButton", "He&lp"}};
    for (const auto& t : texts) edit(t[0]).text = t[1];
    setCaption("Trace settings");
    edit("CycleGroup").items = {"Program", "Read", "Write", "Read + Write"};
    edit("ProgramOptionGroup").items = {"Opcodes", "Line numbers", "All"};
    edit("TimeBaseGroup").items = {"100 Nanoseconds", "    1 Mikroseconds", "  10 Mikroseconds"};
    edit("StartTriggerDefault").checked = true;
    edit("StopTriggerDefault").checked = true;
    edit("TriggerAB").checked = true;
    // A line saved by another build may not exist.
    filter_ = store.readInteger(kDriverKey, kSection, "EventTypIndex", 0);
    if (filter_ < 0 || filter_ > 2) filter_ = 0;
}

void TraceSettingsFormModel::Refresh() {
    if (table_ == nullptr) return;
    std::vector<std::string> lines;
    for (int kind : SelectKindsOf(SelectRole::Trace)) {
        lines.push_back(table_->GetList(kind).Count() > 0
                            ? "(" + table_->GetItemText(kind) + ") * " +
                                  std::string(SelectModeName(table_->GetSelectMode(kind)))
                            : " ");
    }
    edit("EventListBox").items = lines;
    std::vector<std::string> triggers;
    for (int kind : {select_kind::Break1, select_kind::Clear1, select_kind::Clear2}) triggers.push_back(ChannelLineText(*table_, kind));
    edit("TriggerListBox").items = triggers;
    const int firstMode = table_->GetSelectMode(select_kind::Filter1);
    edit("ProgramOptionGroup").itemIndex = firstMode <= select_mode::Program ? firstMode : 0;
    edit("CheckBoxFilterType").checked = table_->FilterSwitch();
    edit("TimeBaseGroup").itemIndex = table_->GetTimeBase();
    const bool bc = table_->GetTriggerBit();
    edit("TriggerAB").checked = !bc;
    edit("TriggerBC").checked = bc;
    for (const char* a : {"StartTriggerA", "StopTriggerA"}) edit(a).enabled = !bc;
    for (const char* c : {"StartTriggerC", "StopTriggerC"}) edit(c).enabled = bc;
    const int breakMode = table_->BreakMode();
    edit("TriggerGroup").enabled = breakMode != bmLogicProbes && breakMode != bmTraceOverflow;
    for (int s = 0; s < 4; ++s) {
        edit(kStart[s]).checked = table_->GetTrigger(1) == s;
        edit(kStop[s]).checked = table_->GetTrigger(0) == s;
    }
    RefreshFilter();
}

void TraceSettingsFormModel::RefreshFilter() {
    edit("EventListBox").itemIndex = filter_;
    edit("AdressenListBox").items = Items(Kind());
    const int mode = table_ ? table_->GetSelectMode(Kind()) : select_mode::Opcode;
    const bool code = mode <= select_mode::Program;
    edit("CycleGroup").itemIndex = code ? 0 : mode - select_mode::Read + 1;
    if (code) edit("ProgramOptionGroup").itemIndex = mode;
    // Filter 1 traces program accesses only.
    edit("CycleGroup").enabled = filter_ != 0;
    edit("ProgramOptionGroup").enabled = code;
    changed();
}

void TraceSettingsFormModel::SelectFilter(int line) {
    if (line < 0 || line > 2) return;
    filter_ = line;
    RefreshFilter();
}

void TraceSettingsFormModel::ClickLabel(const std::string& label) {
    for (int i = 0; i < 3; ++i)
        if (label == kLabels[i]) SelectFilter(i);
}

void TraceSettingsFormModel::ApplyMode() {
    const int cycle = control("CycleGroup").itemIndex;
    const int mode = cycle > 0 ? select_mode::Read + cycle - 1 : control("ProgramOptionGroup").itemIndex;
    Guarded([&] { table_->SetSelectMode(Kind(), mode < 0 ? select_mode::Opcode : mode); });
    Refresh();
}

void TraceSettingsFormModel::ClickCycle(int index) {
    if (index < 0 || index > 3) return;
    edit("CycleGroup").itemIndex = index;
    ApplyMode();
}

void TraceSettingsFormModel::ClickProgramOption(int index) {
    if (index < 0 || index > 2) return;
    edit("ProgramOptionGroup").itemIndex = index;
    ApplyMode();
}

void TraceSettingsFormModel::ClickStart(int source) {
    Guarded([&] { table_->SetTrigger(1, source); });
    Refresh();
}

void TraceSettingsFormModel::ClickStop(int source) {
    Guarded([&] { table_->SetTrigger(0, source); });
    Refresh();
}

void TraceSettingsFormModel::ClickTriggerSelection(bool bc) {
    Guarded([&] { table_->SetTriggerBit(bc); });
    Refresh();
}

void TraceSettingsFormModel::ClickFilterType(bool on) {
    Guarded([&] { table_->SetFilterSwitch(on); });
    Refresh();
}

void TraceSettingsFormModel::ClickTimeBase(int index) {
    Guarded([&] { table_->SetTimeBase(index); });
    Refresh();
}

void TraceSettingsFormModel::Default() {
    Guarded([&] { table_->ResetTraceSettings(); });
    Refresh();
}

void TraceSettingsFormModel::ClickList(int row) {
    const auto& items = control("AdressenListBox").items;
    if (row >= 0 && row < static_cast<int>(items.size())) setText("Event", items[static_cast<std::size_t>(row)]);
}

void TraceSettingsFormModel::Close() { store_.writeInteger(kDriverKey, kSection, "EventTypIndex", filter_); }

std::unique_ptr<TVokWinKommando> TraceSettingsFormModel::GetKommandos() const { return TraceKommandos(table_); }

SelectFormModel::Routing TraceSettingsFormModel::routing() {
    Routing r;
    r.actions = {
        {"EventListBox", [this](int row) { SelectFilter(row); }},
        {"SymbolButton", [this](int) { BrowseSymbol(); }, true},
        {"EnterAdresse", [this](int) { SetAddress(); }, true},
        {"DeleteAdresse", [this](int) { ClearAddress(); }, true},
        {"AdressenListBox", [this](int row) { ClickList(row); }},
        {"CycleGroup", [this](int i) { ClickCycle(i); }},
        {"ProgramOptionGroup", [this](int i) { ClickProgramOption(i); }},
        {"TimeBaseGroup", [this](int i) { ClickTimeBase(i); }},
        {"CheckBoxFilterType", [this](int on) { ClickFilterType(on != 0); }},
        {"TriggerAB", [this](int) { ClickTriggerSelection(false); }},
        {"TriggerBC", [this](int) { ClickTriggerSelection(true); }},
        {"DefaultButton", [this](int) { Default(); }},
    };
    const char* const start[] = {"StartTriggerA", "StartTriggerB", "StartTriggerC", "StartTriggerDefault"};
    const char* const stop[] = {"StopTriggerA", "StopTriggerB", "StopTriggerC", "StopTriggerDefault"};
    for (int s = 0; s < 4; ++s) {
        r.actions.push_back({start[s], [this, s](int) { ClickStart(s); }});
        r.actions.push_back({stop[s], [this, s](int) { ClickStop(s); }});
    }
    for (const char* label : {"Trace1Label", "Trace2Label", "Trace3Label"})
        r.actions.push_back({label, [this, label](int) { ClickLabel(label); }});
    r.closed = [this] { Close(); };
    return r;
}

}  // namespace tarvex::ui
