#pragma once
// The driver's menu in the IDE: the table the IDE keeps a pointer into while
// the library is loaded, the enabling of its entries, and the trace window's
// dialog descriptor. What an entry does is the host object's
// (TAgdiObject::menuAction); a disabled entry keeps its caption and its
// handler says why it does nothing.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "host/agdi_records.hpp"

namespace tarvex {

class DriverMenu {
public:
    // Positions in the table.
    enum Entry : std::size_t {
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

    // Every item's handler is `handler`; the trace entries stay off until
    // the board says whether it has a trace board.
    void Build(agdi::MenuHandler handler, agdi::DialogFn update, agdi::DialogFn close);
    agdi::MenuEntry* Table() { return entries_.data(); }
    // The position of an entry of this table; nothing for any other pointer.
    std::optional<std::size_t> IndexOf(const agdi::MenuEntry* entry) const;
    // The caption, without the dots of an entry that opens a dialog.
    std::string Name(std::size_t index) const;
    std::string Caption(std::size_t index) const;
    // Its modal dialog would hold a run up (its polls and the stop) for as
    // long as it is open.
    static bool OpensModalDialog(std::size_t index);

    // Copy and map only without pellunars.
    void EnableCopyMap(bool on);
    void EnableTrace(bool tracePresent);
    agdi::DialogDescriptor& TraceDescriptor() { return traceDescriptor_; }

    // Closes every dialog that is open.
    void CloseDialogs();
    // The IDE closed the dialog of entries with this id.
    void DialogClosed(std::uint32_t id);
    // The IDE's periodic update of the open dialogs.
    void UpdateDialogs();

private:
    agdi::MenuHandler handler_ = nullptr;
    std::vector<agdi::MenuEntry> entries_;
    agdi::DialogDescriptor traceDescriptor_{};
};

}  // namespace tarvex
