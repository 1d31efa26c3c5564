#include "ui/model/break_form.hpp"

#include <charconv>

#include "core/errors.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/utilities.hpp"
#include "host/command_chains.hpp"

namespace tarvex::ui {
namespace {

constexpr const char* kSection = "BreakForm";
constexpr int kModes[] = {bmBreak1, bmBreak2, bmBreak1orBreak2, bmBreak1andBreak2, bmBreak2nachBreak1,
                          bmBreak1nachBreak2, bmKeinBreak, bmLogicProbes, bmTraceOverflow};
const char* const kLabels[] = {"Break1Label", "Clear1Label", "Break2Label", "Clear2Label"};
constexpr const char* kInitialProbes = "XXXXXXXXXXXXXXXX";
constexpr std::int32_t kTriggerCounterMax = 0xFFFFFF;

// A decimal number, blanks around it allowed; nothing else.
std::optional<std::int64_t> Decimal(const std::string& text) {
    const std::string_view t = TrimBlanks(text);
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
    return value;
}

}  // namespace

int BreakFormModel::ModeIndex(int mode) {
    for (int i = 0; i < 9; ++i)
        if (kModes[i] == mode) return i;
    return 0;
}

int BreakFormModel::IndexMode(int index) { return index >= 0 && index < 9 ? kModes[index] : bmBreak1; }

BreakFormModel::BreakFormModel(platform::SettingsStore& store, const ITraceControl* trace)
    : SelectFormModel(kSection, 505, store), store_(store), trace_(trace) {
    const char* const texts[][2] = {{"EventsGroup", " Break &events: "},
                                    {"Break1Label", "Break  1:"},
                                    {"Clear1Label", "Clear   1:"},
                                    {"Break2Label", "Break 2:"},
                                    {"Clear2Label", "Clear  2:"},
                                    {"TriggerALabel", "= Trigger A"},
                                    {"TriggerBLabel", "= Trigger B"},
                                    {"TriggerCLabel", "= Trigger C"},
                                    {"InputGroup", " Event input: "},
                                    {"EventGroup", " &Hex value/range, Name: "},
                                    {"SymbolButton", "?"},
                                    {"AdressenGroup", " &Addresses: "},
                                    {"EnterAdresse", "Set"},
                                    {"DeleteAdresse", "Clear"},
                                    {"DataGroup", " &Data: "},
                                    {"EnterData", "Set"},
                                    {"DeleteData", "Clear"},
                                    {"CycleGroup", " &Cycle type: "},
                                    {"CounterGroup", " Counte&r: "},
                                    {"Zaehler", "1"},
                                    {"OptionsGroup", " Break &mode: "},
                                    {"ProbesLabel", "Logic &probes:"},
                                    {"Probes", kInitialProbes},
                                    {"TraceCountLabel", "&Trace counter:"},
                                    {"DelayGroup", " Trace after break: "},
                                    {"CheckBreakDelay", "Trace after Break"},
                                    {"Label1", "Trace after counter:"},
                                    {"DefaultButton", "De&fault settings"},
                                    {"Ok", "Ok"},
                                    {"CancelButton", "Cancel"},
                                    {"Hilfe", "He&lp"}};
    for (const auto& t : texts) edit(t[0]).text = t[1];
    setCaption("Break settings");
    edit("CycleGroup").items = {"Opcode", "Line numbers", "all program accesses", "Read", "Write", "Read+Write"};
    edit("OptionsGroup").items = {"Break 1",           "Break 2",           "Break1 or Break2",
                                  "Break1 and Break2", "Break1 --> Break2", "Break2 --> Break1",
                                  "No break",          "Logic probes",      "Trace overflow"};
    for (const char* label : {"TriggerALabel", "TriggerBLabel", "TriggerCLabel"}) edit(label).visible = trace_;
    for (const char* combo : {"Probes", "TraceCount", "BreakDelayCount"}) edit(combo).enabled = false;
    // A line saved by another build may not exist.
    channel_ = store.readInteger(kDriverKey, kSection, "EventTypIndex", 0);
    if (channel_ < 0 || channel_ > 3) channel_ = 0;
}

void BreakFormModel::Refresh() {
    std::vector<std::string> lines;
    for (int kind : SelectKindsOf(SelectRole::Break)) lines.push_back(table_ ? ChannelLineText(*table_, kind) : " ");
    edit("EventListBox").items = lines;
    edit("EventListBox").itemIndex = channel_;
    const int mode = table_ ? table_->BreakMode() : bmBreak1;
    edit("OptionsGroup").itemIndex = ModeIndex(mode);
    edit("Probes").enabled = mode == bmLogicProbes;
    edit("TraceCount").enabled = mode == bmTraceOverflow;
    edit("InputGroup").enabled = mode != bmLogicProbes && mode != bmTraceOverflow;
    if (table_) {
        const std::string probes = table_->GetLogicProbeText();
        edit("Probes").text = probes.empty() ? kInitialProbes : probes;
        edit("TraceCount").text = table_->GetOverflowText();
        const std::uint32_t delay = table_->GetTriggerCounter();
        edit("BreakDelayCount").text = std::to_string(delay);
        edit("CheckBreakDelay").checked = delay != 0;
        edit("BreakDelayCount").enabled = delay != 0;
    }
    edited_.clear();
    RefreshChannel();
}

void BreakFormModel::RefreshChannel() {
    edit("EventListBox").itemIndex = channel_;
    edit("AdressenListBox").items = Items(Kind());
    edit("DataListBox").items = Items(DataBusKind(Kind()));
    if (table_) {
        edit("Zaehler").text = std::to_string(table_->GetSelectValue(Kind()));
        edit("Zaehler").enabled = table_->CounterLimit(Kind()) > 0;
        const int mode = table_->GetSelectMode(Kind());
        edit("CycleGroup").itemIndex = mode <= select_mode::ReadWrite ? mode : -1;
    }
    changed();
}

void BreakFormModel::SelectChannel(int line) {
    if (line < 0 || line > 3) return;
    channel_ = line;
    RefreshChannel();
}

void BreakFormModel::ClickLabel(const std::string& label) {
    for (int i = 0; i < 4; ++i)
        if (label == kLabels[i]) SelectChannel(i);
}

void BreakFormModel::SetData() { SetOrClear(DataBusKind(Kind()), true); }
void BreakFormModel::ClearData() { SetOrClear(DataBusKind(Kind()), false); }

void BreakFormModel::ClickCycle(int index) {
    if (index < 0 || index > select_mode::ReadWrite) return;
    Guarded([&] { table_->SetSelectMode(Kind(), index); });
    Refresh();
}

void BreakFormModel::ClickMode(int index) {
    if (table_ == nullptr || index < 0 || index > 8) return;
    const int mode = IndexMode(index);
    // Logic probes and trace overflow are the trace board's trigger hardware.
    if ((mode == bmLogicProbes || mode == bmTraceOverflow) && trace_ == nullptr) {
        Beep();
        Guarded([&] { table_->SetBreakMode(bmBreak1); });
        Refresh();
        return;
    }
    const bool inputOff = mode == bmLogicProbes || mode == bmTraceOverflow;
    if (inputOff && (table_->GetTrigger(0) == 0 || table_->GetTrigger(1) == 0))
        WarningBox("Trigger A for trace start/stop disabled!", platform::mb::Ok | platform::mb::IconWarning);
    Guarded([&] { table_->SetBreakMode(mode); });
    Refresh();
}

void BreakFormModel::ClickBreakDelay(bool on) {
    if (table_ == nullptr) return;
    if (!on) Guarded([&] { table_->SetTriggerCounter(0); });
    Refresh();
    edit("CheckBreakDelay").checked = on;
    edit("BreakDelayCount").enabled = on;
    changed();
}

void BreakFormModel::Default() {
    Guarded([&] { table_->SetDefaults(); });
    Refresh();
}

void BreakFormModel::ClickList(const std::string& list, int row) {
    const auto& items = control(list).items;
    if (row < 0 || row >= static_cast<int>(items.size())) return;
    setText("Event", items[static_cast<std::size_t>(row)]);
}

void BreakFormModel::EditCombo(const std::string& combo, const std::string& text) {
    edit(combo).text = text;
    edited_[combo] = true;
}

bool BreakFormModel::Refuse(const std::string& fieldName) {
    ErrorBox(FmtLoadStr(211, fieldName), platform::mb::Ok | platform::mb::IconError);
    Refresh();
    return false;
}

bool BreakFormModel::LeaveCombo(const std::string& combo) {
    if (table_ == nullptr || !edited_[combo]) return true;
    edited_[combo] = false;
    const std::string text = control(combo).text;
    if (TrimBlanks(text).empty()) {
        // An emptied field shows the value in force.
        Refresh();
        return true;
    }
    const auto number = Decimal(text);
    bool ok = true;
    if (combo == "Zaehler") {
        if (!number || *number < 1 || *number > 0x7FFFFFFF) return Refuse("Break counter");
        ok = Guarded([&] { table_->SetCounter(Kind(), static_cast<std::int32_t>(*number)); });
    } else if (combo == "Probes") {
        ok = Guarded([&] { table_->SetLogicProbeText(text); });
    } else if (combo == "TraceCount") {
        // Checked here: the offline table keeps the text unchecked, and the
        // board would refuse it only when the chain runs.
        const int capacity = trace_ ? trace_->capacity() : 0;
        if (!number || *number < 1 || *number > capacity) return Refuse(std::string(LoadStr(347)));
        ok = Guarded([&] { table_->SetOverflowText(std::to_string(*number)); });
    } else if (combo == "BreakDelayCount") {
        // The board's counter has 24 bits.
        if (!number || *number < 0 || *number > kTriggerCounterMax) return Refuse("Trace after counter");
        ok = Guarded([&] { table_->SetTriggerCounter(static_cast<std::uint32_t>(*number)); });
    }
    Refresh();
    return ok;
}

bool BreakFormModel::Ok() {
    for (const char* combo : {"Zaehler", "Probes", "TraceCount", "BreakDelayCount"})
        if (!LeaveCombo(combo)) return false;
    return true;
}

void BreakFormModel::Close() { store_.writeInteger(kDriverKey, kSection, "EventTypIndex", channel_); }

std::unique_ptr<TVokWinKommando> BreakFormModel::GetKommandos() const { return BreakKommandos(table_); }

SelectFormModel::Routing BreakFormModel::routing() {
    Routing r;
    r.actions = {
        {"EventListBox", [this](int row) { SelectChannel(row); }},
        {"SymbolButton", [this](int) { BrowseSymbol(); }, true},
        {"EnterAdresse", [this](int) { SetAddress(); }, true},
        {"DeleteAdresse", [this](int) { ClearAddress(); }, true},
        {"EnterData", [this](int) { SetData(); }, true},
        {"DeleteData", [this](int) { ClearData(); }, true},
        {"AdressenListBox", [this](int row) { ClickList("AdressenListBox", row); }},
        {"DataListBox", [this](int row) { ClickList("DataListBox", row); }},
        {"CycleGroup", [this](int i) { ClickCycle(i); }},
        {"OptionsGroup", [this](int i) { ClickMode(i); }},
        {"DefaultButton", [this](int) { Default(); }},
    };
    for (const char* label : {"Break1Label", "Clear1Label", "Break2Label", "Clear2Label"})
        r.actions.push_back({label, [this, label](int) { ClickLabel(label); }});
    r.ok = "Ok", r.help = "Hilfe";
    r.accept = [this] { return Ok(); };
    r.closed = [this] { Close(); };
    r.text = [this](const std::string& name, const std::string& text) { EditCombo(name, text); };
    r.leave = [this](const std::string& name) { return LeaveCombo(name); };
    return r;
}

forms::FormEvents BreakFormModel::events(forms::FormWindow window) {
    auto focus = window.focus;
    auto events = SelectFormModel::events(std::move(window));
    // The delay counts once it is on: its field takes the focus.
    events.check = [this, check = std::move(events.check), focus](const std::string& name, bool on) {
        check(name, on);
        if (name == "CheckBreakDelay") {
            ClickBreakDelay(on);
            if (on && focus) focus("BreakDelayCount");
        }
    };
    return events;
}

}  // namespace tarvex::ui
