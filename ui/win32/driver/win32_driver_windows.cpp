#include "ui/win32/driver/win32_driver_windows.hpp"

#include "host/agdi_object.hpp"
#include "host/command.hpp"
#include "emulator/kdo_select_table.hpp"
#include "emulator/trace_board.hpp"
#include "host/options.hpp"
#include "ui/win32/driver/copy_fill_win32.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/driver/maintenance_win32.hpp"
#include "ui/win32/driver/save_memory_win32.hpp"
#include "ui/win32/driver/select_win32.hpp"

namespace tarvex::ui::win32 {

namespace {

DialogTables tablesOf(TAgdiObject& object) {
    DialogTables tables;
    tables.symbols = &object.Symbols();
    tables.lines = &object.Lines();
    tables.registers = object.Registers();
    tables.trace = object.TracePlatine();
    tables.context = object.DialogContext();
    tables.systemMode = object.Options().SystemMode();
    return tables;
}

}  // namespace

Win32DriverWindows::Win32DriverWindows(platform::SettingsStore& store) : store_(store) {}

Win32DriverWindows::~Win32DriverWindows() {
    // An object that is still alive must not keep forms that go now.
    if (object_ && TAgdiObject::Current() == object_ && maintenance_) object_->SetMaintenanceForms(nullptr);
}

void Win32DriverWindows::attach(TAgdiObject* object) {
    if (object_ && object_ != object && TAgdiObject::Current() == object_) object_->SetMaintenanceForms(nullptr);
    maintenance_.reset();
    object_ = object;
    if (!object) return;
    maintenance_ = std::make_unique<Win32MaintenanceForms>([object] { return ownerOf(object->HostWindow()); });
    object->SetMaintenanceForms(maintenance_.get());
}

// Each dialog is made, shown modally and gone before what follows its OK
// runs; a dialog cancelled leaves no command behind. Errors of the steps
// after OK pass to the menu's exception hook.
void Win32DriverWindows::RunMenuDialog(MenuDialog which, const std::string& caption) {
    if (!object_) return fallback_.RunMenuDialog(which, caption);
    switch (which) {
        case MenuDialog::Fill: copyFill(cfFuellen); break;
        case MenuDialog::Copy: copyFill(cfKopieren); break;
        case MenuDialog::SaveMemory: saveMemory(); break;
        case MenuDialog::Map: map(); break;
        case MenuDialog::BasicBreak: basicBreak(); break;
        default: fallback_.RunMenuDialog(which, caption); break;
    }
}

void Win32DriverWindows::copyFill(int task) {
    auto command = std::make_unique<TVokWinKommando>();
    CopyFillFormModel model(tablesOf(*object_), store_);
    model.SetAufgabe(static_cast<TCFAufgabe>(task));
    if (!runCopyFillDialog(model, store_, ownerOf(object_->HostWindow()))) return;
    model.Ausfuehren(*command);
    if (command->code == cmd::None) return;
    object_->SetRefreshPending(true);
    object_->RunMenuCommand(std::move(command));
}

void Win32DriverWindows::saveMemory() {
    auto command = std::make_unique<TVokWinKommando>();
    SaveMemoryFormModel model(tablesOf(*object_), store_, object_->Options().ObjectDirName());
    if (!runSaveMemoryDialog(model, store_, ownerOf(object_->HostWindow()))) return;
    model.GetKommando(*command);
    if (command->code == cmd::None) return;
    object_->RunMenuCommand(std::move(command));
}

void Win32DriverWindows::map() {
    // Refused with code banking on, or without external data to map; the
    // model shows why.
    if (!MapFormModel::MayOpen(&object_->Banking(), object_->SelectTable())) return;
    const auto offline = object_->OfflineSelectTable();
    MapFormModel model(store_);
    model.SetSettings(offline.get());
    SelectWin32 view(model, store_, ownerOf(object_->HostWindow()));
    if (!runSelectDialog(view, model)) return;
    auto chain = model.GetKommandos();
    if (!chain) return;
    object_->SetRefreshPending(true);
    object_->RunMenuCommand(std::move(chain));
}

void Win32DriverWindows::basicBreak() {
    const auto offline = object_->OfflineSelectTable();
    BasicBreakFormModel model(store_);
    model.SetSettings(offline.get());
    SelectWin32 view(model, store_, ownerOf(object_->HostWindow()));
    if (!runSelectDialog(view, model)) return;
    if (auto chain = model.GetKommandos()) object_->RunMenuCommand(std::move(chain));
}

}  // namespace tarvex::ui::win32
