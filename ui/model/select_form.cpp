#include "ui/model/select_form.hpp"

#include "core/errors.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "emulator/banking.hpp"
#include "host/command_chains.hpp"

namespace tarvex::ui {

SelectFormModel::SelectFormModel(std::string section, unsigned helpContext, platform::SettingsStore& store,
                                 std::string eventField)
    : DialogModel(std::move(section), helpContext, store), eventField_(std::move(eventField)) {}

void SelectFormModel::SetSettings(TKdoSelectTabelle* table) {
    table_ = table;
    Refresh();
}

bool SelectFormModel::Guarded(const std::function<void()>& action) {
    if (table_ == nullptr) return false;
    try {
        action();
        return true;
    } catch (const EVokWinError& e) {
        ErrorBox(e.what(), platform::mb::Ok | platform::mb::IconError);
        Refresh();
        return false;
    }
}

bool SelectFormModel::EventGiven() {
    if (!control(eventField_).text.empty()) return true;
    Beep();
    return false;
}

bool SelectFormModel::SetOrClear(int kind, bool set) {
    if (table_ == nullptr || !EventGiven()) return false;
    const std::string text = control(eventField_).text;
    if (!Guarded([&] { set ? table_->SetRange(text, kind) : table_->ClearRange(text, kind); })) return false;
    edit(eventField_).text.clear();
    Refresh();
    return true;
}

void SelectFormModel::BrowseSymbol() {
    const auto picked = pickSymbol({PickMode::Symbols, std::nullopt, std::string(LoadStr(325))});
    if (picked) setText(eventField_, picked->name);
}

std::vector<std::string> SelectFormModel::Items(int kind) const {
    std::vector<std::string> lines;
    if (table_) table_->GetItems(kind, lines);
    return lines;
}

std::string ChannelLineText(const TSelectTabelle& table, int kind) {
    std::string text;
    if (table.GetList(kind).Count() > 0) text = "(" + table.GetItemText(kind) + ") * ";
    // The whole data bus is no condition; compared by value, as the item's
    // text carries the table's separator.
    const int dataKind = DataBusKind(kind);
    const TSelectList& data = table.GetList(dataKind);
    const bool anyData = data.Count() == 0 || (data.Count() == 1 && (*data.begin())->start.offset == 0x00 &&
                                               (*data.begin())->end.offset == 0xFF);
    if (!anyData) text += "(" + table.GetItemText(dataKind) + ") * ";
    if (text.empty()) return " ";
    text += SelectModeName(table.GetSelectMode(kind));
    if (const auto n = table.GetSelectValue(kind); n != 1) text += " Count=" + std::to_string(n);
    return text;
}

BasicBreakFormModel::BasicBreakFormModel(platform::SettingsStore& store) : SelectFormModel("BreakForm", 0, store) {
    const char* const labels[][2] = {{"BreakInputGroup", " Break input: "},
                                     {"EventGroup", " &Hex value/range, Name: "},
                                     {"SymbolButton", "?"},
                                     {"MemoryGroup", " Break on: "},
                                     {"EnterButton", "Set"},
                                     {"DeleteButton", "Clear"},
                                     {"DefaultButton", "&Default"},
                                     {"ProgramGroup", "Breaks on Program memory:"},
                                     {"ExtDataGroup", " Breaks on ExtData memory: "},
                                     {"ExtDataCycleGroup", " Break on: "},
                                     {"OkButton", "Ok"},
                                     {"CancelButton", "Cancel"},
                                     {"HelpButton", "He&lp"}};
    for (const auto& l : labels) edit(l[0]).text = l[1];
    setCaption("Break settings");
    edit("MemoryGroup").items = {"&Program memory", "E&xtData memory"};
    edit("MemoryGroup").itemIndex = 0;
    edit("ExtDataCycleGroup").items = {"Read", "Write", "Read+Write"};
    edit("ExtDataCycleGroup").itemIndex = 0;
}

void BasicBreakFormModel::Refresh() {
    edit("ProgramListBox").items = Items(select_kind::Break1);
    edit("ExtDataListBox").items = Items(select_kind::Break2);
    const int mode = table_ ? table_->GetSelectMode(select_kind::Break2) : select_mode::Read;
    edit("ExtDataCycleGroup").itemIndex = mode == select_mode::Write ? 1 : mode == select_mode::ReadWrite ? 2 : 0;
    edit("MemoryGroup").itemIndex = memory_;
    changed();
}

void BasicBreakFormModel::SelectMemory(int index) {
    if (index < 0 || index > 1) return;
    memory_ = index;
    Refresh();
}

void BasicBreakFormModel::ClickCycle(int index) {
    if (index < 0 || index > 2) return;
    Guarded([&] { table_->SetSelectMode(select_kind::Break2, select_mode::Read + index); });
    Refresh();
}

void BasicBreakFormModel::Default() {
    Guarded([&] { table_->SetDefaults(); });
    Refresh();
}

void BasicBreakFormModel::ClickList(const std::string& list, int row) {
    const auto& items = control(list).items;
    if (row < 0 || row >= static_cast<int>(items.size())) return;
    edit("Event").text = items[static_cast<std::size_t>(row)];
    memory_ = list == "ExtDataListBox" ? 1 : 0;
    Refresh();
}

std::unique_ptr<TVokWinKommando> BasicBreakFormModel::GetKommandos() const { return BreakKommandos(table_); }

MapFormModel::MapFormModel(platform::SettingsStore& store) : SelectFormModel("MapForm", 320, store, "AdrName") {
    const char* const labels[][2] = {{"MapGroup", " Map address ranges: "},
                                     {"AdrGroup", " &Hex address/range "},
                                     {"ProgramGroup", " &Program memory: "},
                                     {"EnterProgram", "Set"},
                                     {"DeleteProgram", "Clear"},
                                     {"ExtDataGroup", " E&xtData memory: "},
                                     {"EnterExtData", "Set"},
                                     {"DeleteExtData", "Clear"},
                                     {"DefaultButton", "&Default settings"},
                                     {"OkButton", "Ok"},
                                     {"CancelButton", "Cancel"},
                                     {"HilfeButton", "He&lp"}};
    for (const auto& l : labels) edit(l[0]).text = l[1];
    edit("LabelExtData").visible = false;
    setCaption("Mapping");
}

bool MapFormModel::MayOpen(const TBanking* banking, const TSelectTabelle& table) {
    try {
        if (banking) banking->CheckNoBanking();
        table.CheckExtDataMapping();
        return true;
    } catch (const EVokWinError& e) {
        ErrorBox(e.what(), platform::mb::Ok | platform::mb::IconError);
        return false;
    }
}

void MapFormModel::Fill(const char* list, int kind) {
    auto& c = edit(list);
    const int old = c.itemIndex;
    c.items = Items(kind);
    const int count = static_cast<int>(c.items.size());
    // The line chosen before where it still exists, else the last one.
    c.itemIndex = old >= 0 && old < count ? old : count - 1;
}

void MapFormModel::Refresh() {
    Fill("ProgramListBox", select_kind::ProgramMap);
    Fill("ExtDataListBox", select_kind::ExtDataMap);
    changed();
}

void MapFormModel::Default() {
    Guarded([&] { table_->SetMapDefaults(); });
    Refresh();
}

void MapFormModel::ClickList(const std::string& list, int row) {
    const auto& items = control(list).items;
    if (row < 0 || row >= static_cast<int>(items.size())) return;
    edit(list).itemIndex = row;
    edit("AdrName").text = items[static_cast<std::size_t>(row)];
    changed();
}

std::unique_ptr<TVokWinKommando> MapFormModel::GetKommandos() const { return MapKommandos(table_); }

forms::FormEvents SelectFormModel::events(forms::FormWindow window) {
    struct Shared {
        Routing routing;
        forms::FormWindow window;
        bool ended = false;
    };
    auto shared = std::make_shared<Shared>(Shared{routing(), std::move(window)});
    const auto act = [this, shared](const std::string& name, int value) {
        for (const auto& a : shared->routing.actions) {
            if (a.control != name) continue;
            a.run(value);
            if (a.thenEvent && shared->window.focus) shared->window.focus(EventField());
            return;
        }
    };
    forms::FormEvents events;
    events.click = [this, shared, act](const std::string& name) {
        const Routing& r = shared->routing;
        if (name == r.ok) {
            if ((!r.accept || r.accept()) && shared->window.end) shared->window.end(true);
        } else if (name == r.cancel) {
            if (shared->window.end) shared->window.end(false);
        } else if (name == r.help) {
            help();
        } else {
            act(name, 0);
        }
    };
    events.choose = act;
    events.check = [act](const std::string& name, bool on) { act(name, on ? 1 : 0); };
    events.text = [this, shared](const std::string& name, const std::string& text) {
        if (name == EventField()) {
            EditEvent(text);
        } else if (shared->routing.text) {
            shared->routing.text(name, text);
        }
    };
    // A field left because the dialog went is not checked any more.
    if (shared->routing.leave)
        events.leave = [shared](const std::string& name) { return shared->ended || shared->routing.leave(name); };
    events.ended = [shared](bool) {
        shared->ended = true;
        if (shared->window.keepHistories) shared->window.keepHistories();
        if (shared->routing.closed) shared->routing.closed();
    };
    return events;
}

SelectFormModel::Routing BasicBreakFormModel::routing() {
    Routing r;
    r.actions = {
        {"SymbolButton", [this](int) { BrowseSymbol(); }, true},
        {"EnterButton", [this](int) { Set(); }, true},
        {"DeleteButton", [this](int) { Clear(); }, true},
        {"DefaultButton", [this](int) { Default(); }},
        {"MemoryGroup", [this](int i) { SelectMemory(i); }},
        {"ExtDataCycleGroup", [this](int i) { ClickCycle(i); }},
        {"ProgramListBox", [this](int row) { ClickList("ProgramListBox", row); }},
        {"ExtDataListBox", [this](int row) { ClickList("ExtDataListBox", row); }},
    };
    r.help = "HelpButton";
    return r;
}

SelectFormModel::Routing MapFormModel::routing() {
    Routing r;
    r.actions = {
        {"EnterProgram", [this](int) { SetProgram(); }, true},
        {"DeleteProgram", [this](int) { ClearProgram(); }, true},
        {"EnterExtData", [this](int) { SetExtData(); }, true},
        {"DeleteExtData", [this](int) { ClearExtData(); }, true},
        {"DefaultButton", [this](int) { Default(); }},
        {"ProgramListBox", [this](int row) { ClickList("ProgramListBox", row); }},
        {"ExtDataListBox", [this](int row) { ClickList("ExtDataListBox", row); }},
    };
    return r;
}

}  // namespace tarvex::ui
