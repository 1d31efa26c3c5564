// The driver's menu in the IDE: the table, its enabling, the trace window's
// descriptor, the dialog update, closing all dialogs and the handlers.
#include "core/message_box.hpp"
#include "emulator/emulator.hpp"
#include "emulator/performance.hpp"
#include "host/agdi_object.hpp"

namespace tarvex {

namespace {

using agdi::MenuEnd;
using agdi::MenuItem;
using agdi::MenuPopup;
using agdi::MenuPopupEnd;

struct MenuRow {
    std::int32_t kind;
    const char* caption;
    std::uint32_t id;
};

// Positions in the table.
enum : std::size_t {
    EntryFill = 1,
    EntryCopy = 2,
    EntryMap = 3,
    EntrySaveMemory = 4,
    EntryOptions = 6,
    EntryBreaks = 7,
    EntryTracePopup = 8,
    EntryTraceSettings = 9,
    EntryTraceMemory = 10,
    EntryFlying = 11,
    EntrySaveTrace = 12,
    EntryPerfDefinitions = 13,
    EntryPerfAnalysis = 14,
    EntryResetCpu = 17,
    EntryClearTrace = 18,
    EntryResetTime = 19,
    MenuSize = 22,
};

constexpr MenuRow Rows[MenuSize] = {
    {MenuPopup, "TARVEX Memory", 0},
    {MenuItem, "Initialize...", 1},
    {MenuItem, "Copy...", 2},
    {MenuItem, "Map...", 0},
    {MenuItem, "Save...", 0},
    {MenuPopupEnd, "", 0},
    {MenuItem, "TARVEX Options...", 0},
    {MenuItem, "TARVEX Breaks...", 0},
    {MenuPopup, "TARVEX Trace", 0},
    {MenuItem, "Settings...", 0},
    {MenuItem, "Trace memory", 7},
    {MenuItem, "On the fly mode", 3},
    {MenuItem, "Save...", 0},
    {MenuItem, "Performance definitions...", 0},
    {MenuItem, "Performance analysis...", 0},
    {MenuPopupEnd, "", 0},
    {MenuPopup, "TARVEX Reset", 0},
    {MenuItem, "Reset CPU", 3},
    {MenuItem, "Clear trace memory", 1},
    {MenuItem, "Reset real time counter", 2},
    {MenuPopupEnd, "", 0},
    {MenuEnd, nullptr, 0},
};

constexpr std::size_t TraceEntries[] = {EntryTraceSettings, EntryTraceMemory, EntryFlying,  EntrySaveTrace,
                                        EntryPerfDefinitions, EntryPerfAnalysis, EntryClearTrace, EntryResetTime};

// A disabled entry keeps its caption; its handler says why it does nothing.
void TARVEX_AGDI_CALL copyDisabled(agdi::MenuEntry*) {
    InformationBox("Copy only available without pellunars", platform::mb::IconInformation);
}
void TARVEX_AGDI_CALL mapDisabled(agdi::MenuEntry*) {
    InformationBox("Map only available without pellunars", platform::mb::IconInformation);
}
void TARVEX_AGDI_CALL traceDisabled(agdi::MenuEntry*) {
    InformationBox("Not available: No trace board", platform::mb::IconInformation);
}

}  // namespace

void TAgdiObject::buildMenu() {
    menu_.assign(MenuSize, agdi::MenuEntry{});
    for (std::size_t i = 0; i < MenuSize; ++i) {
        menu_[i].kind = Rows[i].kind;
        menu_[i].caption = Rows[i].caption;
        menu_[i].id = Rows[i].id;
        menu_[i].handler = Rows[i].kind == MenuItem ? &MenuEntryHandler : nullptr;
    }
    traceDescriptor_ = agdi::DialogDescriptor{};
    for (auto& r : traceDescriptor_.rect) r = -1;
    traceDescriptor_.update = &DescriptorUpdateEntry;
    traceDescriptor_.close = &DescriptorCloseEntry;
    // Until the board says whether it has a trace board, the trace entries
    // are off.
    UpdateTraceEnable(false);
}

void TAgdiObject::UpdateCopyMapEnable() {
    const bool on = !c_.emulator->PellunarsOn();
    menu_[EntryCopy].handler = on ? &MenuEntryHandler : &copyDisabled;
    menu_[EntryMap].handler = on ? &MenuEntryHandler : &mapDisabled;
}

void TAgdiObject::UpdateTraceEnable(bool tracePresent) {
    for (std::size_t i : TraceEntries) menu_[i].handler = tracePresent ? &MenuEntryHandler : &traceDisabled;
    menu_[EntryTraceMemory].descriptor = tracePresent ? &traceDescriptor_ : nullptr;
}

void TAgdiObject::CloseAllDialogs() {
    for (auto& entry : menu_)
        if (entry.descriptor && entry.descriptor->window && entry.descriptor->close)
            entry.descriptor->close(entry.descriptor);
    // Closing frees the trace window already; free only what is left.
    if (windows_->TraceWindowExists()) windows_->FreeTraceWindow();
}

std::uint32_t TAgdiObject::DialogUpdate() {
    if (otherThreadDuringRun()) {
        std::uint32_t result = 0;
        if (!handToRun([&] { result = DialogUpdate(); })) result = DialogUpdate();
        return result;
    }
    return entry<std::uint32_t>(0, false, [&](std::uint32_t&) {
        for (auto& entry : menu_)
            if (entry.descriptor && entry.descriptor->update) entry.descriptor->update(entry.descriptor);
    });
}

void TAgdiObject::DescriptorUpdate(agdi::DialogDescriptor*) {
    if (windows_->TraceWindowExists()) windows_->UpdateTraceWindow();
}

void TAgdiObject::DescriptorClose(agdi::DialogDescriptor* descriptor) {
    if (windows_->TraceWindowExists()) windows_->CloseTraceWindow();
    if (descriptor) {
        descriptor->state = 0;
        descriptor->window = nullptr;
    }
}

void TAgdiObject::runCommand(std::uint8_t code) {
    refreshPending_ = true;
    commands_->Run(std::make_unique<TVokWinKommando>(code));
}

namespace {

// The entries whose modal dialog would hold a run up (its polls and the
// stop) for as long as it is open.
bool opensModalDialog(std::size_t index) {
    switch (index) {
    case EntryFill:
    case EntryCopy:
    case EntryMap:
    case EntrySaveMemory:
    case EntryOptions:
    case EntryBreaks:
    case EntryTraceSettings:
    case EntrySaveTrace:
    case EntryPerfDefinitions:
    case EntryPerfAnalysis:
        return true;
    default:
        return false;
    }
}

}  // namespace

void TAgdiObject::MenuSelected(agdi::MenuEntry* selected) {
    if (otherThreadDuringRun()) {
        // Picked while a go or step waits on the IDE's other thread: carried
        // out by the run, or refused with a word.
        if (!selected || selected < menu_.data() || selected >= menu_.data() + menu_.size()) return;
        const auto index = static_cast<std::size_t>(selected - menu_.data());
        if (opensModalDialog(index)) {
            std::string name = menu_[index].caption ? menu_[index].caption : "";
            while (!name.empty() && name.back() == '.') name.pop_back();
            InformationBox(name + ": not possible while the target runs", platform::mb::IconInformation);
            return;
        }
        if (!handToRun([&] { MenuSelected(selected); })) MenuSelected(selected);
        return;
    }
    entry<int>(0, true, [&](int&) {
        if (!selected || selected < menu_.data() || selected >= menu_.data() + menu_.size()) return;
        menuAction(static_cast<std::size_t>(selected - menu_.data()));
    });
}

void TAgdiObject::menuAction(std::size_t index) {
    const std::string caption = menu_[index].caption ? menu_[index].caption : "";
    switch (index) {
    case EntryFill:
        windows_->RunMenuDialog(MenuDialog::Fill, caption);
        break;
    case EntryCopy:
        windows_->RunMenuDialog(MenuDialog::Copy, caption);
        break;
    case EntryMap:
        windows_->RunMenuDialog(MenuDialog::Map, caption);
        break;
    case EntrySaveMemory:
        windows_->RunMenuDialog(MenuDialog::SaveMemory, caption);
        break;
    case EntryOptions:
        if (windows_->OptionsDialog()) UpdateCopyMapEnable();
        break;
    case EntryBreaks:
        windows_->RunMenuDialog(c_.TraceBoardPresent() ? MenuDialog::Break : MenuDialog::BasicBreak, caption);
        break;
    case EntryTraceSettings:
        windows_->RunMenuDialog(MenuDialog::TraceSettings, caption);
        break;
    case EntryTraceMemory:
        if (!traceDescriptor_.window) {
            void* window = windows_->OpenTraceWindow(7, activeWindowVar_);
            traceDescriptor_.window = window;
        } else {
            DescriptorClose(&traceDescriptor_);
        }
        break;
    case EntryFlying: {
        IRunControl* run = env_.runControl;
        if (!run || !run->IsRunning()) {
            InformationBox("CPU isn't running.\r\nNo trace on the fly!", platform::mb::IconInformation);
            break;
        }
        run->SetFlyingTrace(!run->FlyingTrace());
        if (run->FlyingTrace() && !windows_->TraceWindowExists())
            traceDescriptor_.window = windows_->OpenTraceWindow(7, activeWindowVar_);
        if (windows_->TraceWindowExists()) windows_->SendTraceWindow(agdi::code::TraceWindowId, 4, 0);
        break;
    }
    case EntrySaveTrace:
        windows_->RunMenuDialog(MenuDialog::SaveTrace, caption);
        break;
    case EntryPerfDefinitions:
        windows_->RunMenuDialog(MenuDialog::PerformanceDefinitions, caption);
        break;
    case EntryPerfAnalysis:
        if (c_.performance && c_.performance->HasErgebnis())
            windows_->RunMenuDialog(MenuDialog::PerformanceAnalysis, caption);
        else
            InformationBox("No performance analysis available", platform::mb::IconInformation);
        break;
    case EntryResetCpu:
        runCommand(cmd::ResetCpu);
        break;
    case EntryClearTrace:
        runCommand(cmd::ClearTrace);
        break;
    case EntryResetTime:
        runCommand(cmd::ResetTimeCounter);
        break;
    default:
        break;
    }
}

void TARVEX_AGDI_CALL TAgdiObject::MenuEntryHandler(agdi::MenuEntry* entry) {
    if (TAgdiObject* o = Current()) o->MenuSelected(entry);
}

std::uint32_t TARVEX_AGDI_CALL TAgdiObject::DialogUpdateEntry() {
    TAgdiObject* o = Current();
    return o ? o->DialogUpdate() : 0;
}

void TARVEX_AGDI_CALL TAgdiObject::DescriptorUpdateEntry(agdi::DialogDescriptor* descriptor) {
    if (TAgdiObject* o = Current()) o->DescriptorUpdate(descriptor);
}

void TARVEX_AGDI_CALL TAgdiObject::DescriptorCloseEntry(agdi::DialogDescriptor* descriptor) {
    if (TAgdiObject* o = Current()) o->DescriptorClose(descriptor);
}

}  // namespace tarvex
