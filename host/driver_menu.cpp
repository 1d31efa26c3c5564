// The driver's menu in the IDE: the table, its enabling, the trace window's
// descriptor, the dialog update, closing all dialogs and the handlers.
#include "host/driver_menu.hpp"

#include "core/message_box.hpp"
#include "emulator/emulator.hpp"
#include "emulator/debug/performance.hpp"
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

constexpr MenuRow Rows[DriverMenu::MenuSize] = {
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

constexpr std::size_t TraceEntries[] = {DriverMenu::EntryTraceSettings,   DriverMenu::EntryTraceMemory,
                                        DriverMenu::EntryFlying,          DriverMenu::EntrySaveTrace,
                                        DriverMenu::EntryPerfDefinitions, DriverMenu::EntryPerfAnalysis,
                                        DriverMenu::EntryClearTrace,      DriverMenu::EntryResetTime};

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

// ---------------------------------------------------------------- the table

void DriverMenu::Build(agdi::MenuHandler handler, agdi::DialogFn update, agdi::DialogFn close) {
    handler_ = handler;
    entries_.assign(MenuSize, agdi::MenuEntry{});
    for (std::size_t i = 0; i < MenuSize; ++i) {
        entries_[i].kind = Rows[i].kind;
        entries_[i].caption = Rows[i].caption;
        entries_[i].id = Rows[i].id;
        entries_[i].handler = Rows[i].kind == MenuItem ? handler : nullptr;
    }
    traceDescriptor_ = agdi::DialogDescriptor{};
    for (auto& r : traceDescriptor_.rect) r = -1;
    traceDescriptor_.update = update;
    traceDescriptor_.close = close;
    EnableTrace(false);
}

std::optional<std::size_t> DriverMenu::IndexOf(const agdi::MenuEntry* entry) const {
    if (!entry || entry < entries_.data() || entry >= entries_.data() + entries_.size()) return std::nullopt;
    return static_cast<std::size_t>(entry - entries_.data());
}

std::string DriverMenu::Caption(std::size_t index) const {
    return entries_[index].caption ? entries_[index].caption : "";
}

std::string DriverMenu::Name(std::size_t index) const {
    std::string name = Caption(index);
    while (!name.empty() && name.back() == '.') name.pop_back();
    return name;
}

bool DriverMenu::OpensModalDialog(std::size_t index) {
    switch (index) {
    case DriverMenu::EntryFill:
    case DriverMenu::EntryCopy:
    case DriverMenu::EntryMap:
    case DriverMenu::EntrySaveMemory:
    case DriverMenu::EntryOptions:
    case DriverMenu::EntryBreaks:
    case DriverMenu::EntryTraceSettings:
    case DriverMenu::EntrySaveTrace:
    case DriverMenu::EntryPerfDefinitions:
    case DriverMenu::EntryPerfAnalysis:
        return true;
    default:
        return false;
    }
}

void DriverMenu::EnableCopyMap(bool on) {
    entries_[EntryCopy].handler = on ? handler_ : &copyDisabled;
    entries_[EntryMap].handler = on ? handler_ : &mapDisabled;
}

void DriverMenu::EnableTrace(bool tracePresent) {
    for (std::size_t i : TraceEntries) entries_[i].handler = tracePresent ? handler_ : &traceDisabled;
    entries_[EntryTraceMemory].descriptor = tracePresent ? &traceDescriptor_ : nullptr;
}

void DriverMenu::CloseDialogs() {
    for (auto& entry : entries_)
        if (entry.descriptor && entry.descriptor->window && entry.descriptor->close)
            entry.descriptor->close(entry.descriptor);
}

void DriverMenu::DialogClosed(std::uint32_t id) {
    for (auto& entry : entries_) {
        if (entry.id == id && entry.descriptor) {
            entry.descriptor->state = 0;
            entry.descriptor->window = nullptr;
        }
    }
}

void DriverMenu::UpdateDialogs() {
    for (auto& entry : entries_)
        if (entry.descriptor && entry.descriptor->update) entry.descriptor->update(entry.descriptor);
}

// ---------------------------------------------------------------- the host's side

void TAgdiObject::UpdateCopyMapEnable() { menu_.EnableCopyMap(!c_.emulator->PellunarsOn()); }

void TAgdiObject::UpdateTraceEnable(bool tracePresent) { menu_.EnableTrace(tracePresent); }

void TAgdiObject::CloseAllDialogs() {
    menu_.CloseDialogs();
    // Closing frees the trace window already; free only what is left.
    if (windows_->TraceWindowExists()) windows_->FreeTraceWindow();
}

std::uint32_t TAgdiObject::DialogUpdate() {
    if (otherThreadDuringRun()) {
        std::uint32_t result = 0;
        if (!handToRun([&] { result = DialogUpdate(); })) result = DialogUpdate();
        return result;
    }
    return entry<std::uint32_t>(0, false, [&](std::uint32_t&) { menu_.UpdateDialogs(); });
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

void TAgdiObject::MenuSelected(agdi::MenuEntry* selected) {
    if (otherThreadDuringRun()) {
        // Picked while a go or step waits on the IDE's other thread: carried
        // out by the run, or refused with a word.
        const auto index = menu_.IndexOf(selected);
        if (!index) return;
        if (DriverMenu::OpensModalDialog(*index)) {
            InformationBox(menu_.Name(*index) + ": not possible while the target runs", platform::mb::IconInformation);
            return;
        }
        if (!handToRun([&] { MenuSelected(selected); })) MenuSelected(selected);
        return;
    }
    entry<int>(0, true, [&](int&) {
        if (const auto index = menu_.IndexOf(selected)) menuAction(*index);
    });
}

void TAgdiObject::menuAction(std::size_t index) {
    const std::string caption = menu_.Caption(index);
    auto& traceDescriptor = menu_.TraceDescriptor();
    switch (index) {
    case DriverMenu::EntryFill:
        windows_->RunMenuDialog(MenuDialog::Fill, caption);
        break;
    case DriverMenu::EntryCopy:
        windows_->RunMenuDialog(MenuDialog::Copy, caption);
        break;
    case DriverMenu::EntryMap:
        windows_->RunMenuDialog(MenuDialog::Map, caption);
        break;
    case DriverMenu::EntrySaveMemory:
        windows_->RunMenuDialog(MenuDialog::SaveMemory, caption);
        break;
    case DriverMenu::EntryOptions:
        if (windows_->OptionsDialog()) UpdateCopyMapEnable();
        break;
    case DriverMenu::EntryBreaks:
        windows_->RunMenuDialog(c_.TraceBoardPresent() ? MenuDialog::Break : MenuDialog::BasicBreak, caption);
        break;
    case DriverMenu::EntryTraceSettings:
        windows_->RunMenuDialog(MenuDialog::TraceSettings, caption);
        break;
    case DriverMenu::EntryTraceMemory:
        if (!traceDescriptor.window) {
            void* window = windows_->OpenTraceWindow(7, activeWindowVar_);
            traceDescriptor.window = window;
        } else {
            DescriptorClose(&traceDescriptor);
        }
        break;
    case DriverMenu::EntryFlying: {
        IRunControl* run = env_.runControl;
        if (!run || !run->IsRunning()) {
            InformationBox("CPU isn't running.\r\nNo trace on the fly!", platform::mb::IconInformation);
            break;
        }
        run->SetFlyingTrace(!run->FlyingTrace());
        if (run->FlyingTrace() && !windows_->TraceWindowExists())
            traceDescriptor.window = windows_->OpenTraceWindow(7, activeWindowVar_);
        if (windows_->TraceWindowExists()) windows_->SendTraceWindow(agdi::code::TraceWindowId, 4, 0);
        break;
    }
    case DriverMenu::EntrySaveTrace:
        windows_->RunMenuDialog(MenuDialog::SaveTrace, caption);
        break;
    case DriverMenu::EntryPerfDefinitions:
        windows_->RunMenuDialog(MenuDialog::PerformanceDefinitions, caption);
        break;
    case DriverMenu::EntryPerfAnalysis:
        if (c_.performance && c_.performance->HasErgebnis())
            windows_->RunMenuDialog(MenuDialog::PerformanceAnalysis, caption);
        else
            InformationBox("No performance analysis available", platform::mb::IconInformation);
        break;
    case DriverMenu::EntryResetCpu:
        runCommand(cmd::ResetCpu);
        break;
    case DriverMenu::EntryClearTrace:
        runCommand(cmd::ClearTrace);
        break;
    case DriverMenu::EntryResetTime:
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
