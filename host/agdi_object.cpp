// The host-interface object: its construction and destruction, the entry
// points' frame (driver lock, download mode, exception hook, the one
// description of a failure), AG_Init with start-up and tear-down, the
// capability exports, the serial message, the notification dispatcher and
// the end of the session.
#include "host/agdi_object.hpp"
#include "host/status_line.hpp"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "host/command_history.hpp"
#include "host/copy_fill.hpp"
#include "host/save_memory.hpp"
#include "emulator/disassembler.hpp"
#include "host/debug_run_control.hpp"
#include "host/load_command.hpp"
#include "host/load/loader.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/debug/kdo_select_table.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/performance.hpp"
#include "emulator/debug/run_control.hpp"
#include "emulator/debug/run_select.hpp"
#include "emulator/debug/select_table.hpp"
#include "emulator/sfr_config.hpp"
#include "emulator/target_options.hpp"
#include "emulator/debug/trace_board.hpp"
#include "emulator/validator.hpp"
#include "emulator/debug/watches.hpp"
#include "host/options.hpp"
#include "host/project_files.hpp"
#include "platform/clock.hpp"
#include "platform/files.hpp"
#include "platform/host_text.hpp"
#include "platform/host_window.hpp"
#include "platform/settings.hpp"
#include "platform/stream.hpp"
#include "platform/ui.hpp"

namespace tarvex {

namespace {

std::atomic<TAgdiObject*> currentObject{nullptr};

// A text field of the IDE's records, read with its size as the bound.
std::string boundedText(const char* field, std::size_t size) {
    if (!field) return {};
    const auto* end = static_cast<const char*>(std::memchr(field, 0, size));
    return std::string(field, end ? static_cast<std::size_t>(end - field) : size);
}

// Copies at most size - 1 bytes and the terminating zero, never splitting a
// UTF-8 character.
void copyBounded(char* out, std::size_t size, const std::string& text) {
    if (!out || size == 0) return;
    std::size_t n = std::min(text.size(), size - 1);
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

// What a failure caught at an entry point means for the IDE: its kind, and
// the text of its box (empty: it was shown already).
struct Failure {
    enum class Kind { Other, Link, Timeout, Abort } kind = Kind::Other;
    std::string message;
};

Failure describeFailure(std::exception_ptr error) {
    using Kind = Failure::Kind;
    try {
        std::rethrow_exception(error);
    } catch (const EEmulatorTimeoutError& e) {
        return {Kind::Timeout, e.message()};
    } catch (const EEmulatorError& e) {
        return {Kind::Link, e.message()};
    } catch (const ETarvexAbort& e) {
        return {Kind::Abort, e.message()};
    } catch (const Exception& e) {
        return {Kind::Other, e.message()};
    } catch (const std::exception& e) {
        return {Kind::Other, e.what()};
    } catch (...) {
        return {Kind::Other, "Unknown exception"};
    }
}

}  // namespace

// ---------------------------------------------------------------- lifetime

TAgdiObject::TAgdiObject(DriverEnvironment environment) : env_(std::move(environment)) {
    if (!env_.windows) {
        ownWindows_ = std::make_unique<NoDriverWindows>([this](std::string_view text) { Log(text); });
        env_.windows = ownWindows_.get();
    }
    windows_ = env_.windows;
    // Exceptions raised in the driver's windows' events come to the hook as
    // those of the entry points do.
    previousHandler_ = platform::setApplicationExceptionHandler([this](std::exception_ptr error) {
        std::lock_guard<std::recursive_mutex> lock(hand_.Lock());
        HandleException(std::move(error));
    });
    features_ = InitialFeatures;
    c_.Create();
    runCommands_ = std::make_unique<HostRunCommands>([this] { return c_.debug.get(); },
                                                     [this] { return env_.runControl; });
    traceCommands_ = std::make_unique<HostTraceCommands>([this] { return c_.trace.get(); },
                                                         [this] { return env_.traceBoard; });
    CommandTargets targets;
    targets.run = runCommands_.get();
    targets.trace = traceCommands_.get();
    targets.selectTable = c_.select.get();
    targets.pellunarPortMode = [this] { return c_.emulator && c_.emulator->PellunarsOn(); };
    targets.options = c_.options.get();
    targets.history = c_.kommando.get();
    targets.watches = c_.watchCommands.get();
    targets.log = [this](std::string_view text) { Log(text); };
    targets.copy = [this](const TBasisVokWinKommando& c) { ExecuteCopyCommand(c, copyFillTargets(c)); };
    targets.initialize = [this](const TBasisVokWinKommando& c) { ExecuteInitializeCommand(c, copyFillTargets(c)); };
    targets.load = [this](const TKommandoStruktur& c) {
        // "LoadSystem" goes to the loader directly, without a notification.
        if (c.code != cmd::LoadSystem) return ExecuteLoadCommand(*c_.loader, notifier_, c);
        c_.loader->Load(c);
        return !c_.loader->Refused() && !c_.loader->WasCancelled();
    };
    targets.save = [this](const TBasisVokWinKommando& c) { saveMemory(c); };
    executor_ = std::make_unique<TCommandExecutor>(std::move(targets));
    commands_ = env_.commands ? env_.commands : executor_.get();
    regView_.Build(&RegViewReadEntry, &RegViewWriteEntry);
    menu_.Build(&MenuEntryHandler, &DescriptorUpdateEntry, &DescriptorCloseEntry);
    currentObject.store(this);
}

TCopyFillTargets TAgdiObject::copyFillTargets(const TBasisVokWinKommando& command) {
    return TCopyFillTargets{*c_.spaces, c_.select.get(), command.SelectTable()};
}

// The listings decode with the project's symbols, so that an assembler
// source's automatic labels stay program symbols; trace memory goes out
// through the export the trace window set.
void TAgdiObject::saveMemory(const TBasisVokWinKommando& command) {
    TargetContext context{c_.spaces.get(), &c_.spaces->CodeReader(), &notifier_, nullptr, c_.banking.get()};
    Disassembler disassembler(c_.symbols.get(), nullptr, c_.registers.get(), context);
    TSaveTargets targets{*c_.spaces, &disassembler, executor_->Targets().traceExport};
    if (c_.debug && c_.debug->PC().banked && !c_.debug->PC().allBanks) targets.currentBank = c_.debug->PC().bank;
    ExecuteSaveCommand(command, targets);
}

TAgdiObject::~TAgdiObject() {
    TAgdiObject* self = this;
    currentObject.compare_exchange_strong(self, nullptr);
    platform::setApplicationExceptionHandler(std::move(previousHandler_));
    if (executor_) {
        executor_->Targets().history = nullptr;
        executor_->Targets().watches = nullptr;
    }
    c_.Destroy();
    attributes_.Clear();
}

TAgdiObject* TAgdiObject::Current() {
    return currentObject.load();
}

TSelectWiring TAgdiObject::selectWiring() { return c_.SelectWiring(); }

TargetContext TAgdiObject::DialogContext() { return c_.DialogContext(); }

std::unique_ptr<TKdoSelectTabelle> TAgdiObject::OfflineSelectTable() {
    auto offline = std::make_unique<TKdoSelectTabelle>(selectWiring());
    offline->CopyFrom(*c_.select);
    return offline;
}

bool TAgdiObject::RunMenuCommand(std::unique_ptr<TBasisVokWinKommando> command) {
    return commands_->Run(std::move(command));
}

IPerformanceTrace* TAgdiObject::PerformanceTrace() {
    return c_.perfTrace.get();
}

const TPerformanceList& TAgdiObject::PerformanceErgebnis(platform::BusyCursor* cursor) {
    // The rest of the run is counted over the program space of the current
    // processor and banking, which may have changed since the start.
    TPerformanceWiring wiring;
    wiring.trace = c_.perfTrace.get();
    wiring.select = c_.select.get();
    wiring.debug = c_.debug.get();
    wiring.cursor = cursor;
    const TEmulSpeicher& program = c_.spaces->Space(SpaceKind::Program);
    wiring.programMin = program.GetMinAdresse();
    wiring.programMax = program.GetMaxAdresse();
    c_.performance->SetWiring(wiring);
    // The cursor is the caller's: the measurement keeps none beyond this call.
    struct Release {
        TPerformance& perf;
        TPerformanceWiring wiring;
        ~Release() {
            wiring.cursor = nullptr;
            perf.SetWiring(wiring);
        }
    } release{*c_.performance, wiring};
    return c_.performance->GetErgebnis();
}

void TAgdiObject::SetMaintenanceForms(IMaintenanceForms* forms) {
    c_.parts.maintenanceForms = forms;
    c_.emulator->SetParts(c_.parts);
}

// The defaults need the target list, which the initial settings read.
void TAgdiObject::optionDefaults() {
    c_.options->InitialSettings();
    c_.projectFiles->SetProjectDefaults();
}

// ---------------------------------------------------------------- frame

void TAgdiObject::Log(std::string_view text) { c_.Protocol(text); }

void TAgdiObject::HandleException(std::exception_ptr error) {
    if (inHook_) {
        // A failure inside the hook's own restart: that restart failed.
        hookRestartFailed_ = true;
        return;
    }
    const Failure failure = describeFailure(std::move(error));
    event("hook " + failure.message);
    showFailure(failure.message);
    if (failure.kind == Failure::Kind::Timeout) {
        inHook_ = true;
        hookRestartFailed_ = false;
        std::uint32_t started = 1;
        try {
            c_.emulator->Restart();
            started = StartEmulator();
        } catch (...) {
            started = 1;
        }
        inHook_ = false;
        if (started != 0 || hookRestartFailed_) EndSession();
    } else if (failure.kind == Failure::Kind::Abort) {
        EndSession();
    }
}

std::uint32_t TAgdiObject::StartEmulator() {
    try {
        c_.emulator->Startup();
        return 0;
    } catch (...) {
        showFailure(describeFailure(std::current_exception()).message);
    }
    return 1;
}

void TAgdiObject::showFailure(const std::string& message) {
    if (!message.empty()) platform::currentUi().boxes->show(ApplicationTitle, message, platform::mb::IconError);
}

void TAgdiObject::EndSession() {
    event("end of session");
    try {
        c_.emulator->ResetMaster();
    } catch (...) {
        // The link is gone already; the IDE leaves debugging all the same.
    }
    if (hostWindow_ && messageId_) {
        platform::postHostMessage(hostWindow_, messageId_, agdi::code::MessageEndSession, 0);
    } else {
        Log("AGDI: no host window for the end of the session");
    }
    sessionEnded_ = true;
}

void TAgdiObject::SetDownloadMode(bool on) {
    if (on == downloadMode_) return;
    if (on) {
        // Only a new download session starts the pellunar bookkeeping
        // afresh; switching on again inside one keeps the earlier blocks'
        // hooks.
        if (!downloadSession_) {
            downloadSession_ = true;
            c_.emulator->SetPellunarMode(false);
        }
        downloadMode_ = true;
    } else {
        downloadMode_ = false;
        c_.emulator->Download().UpdatePellunars();
    }
}

void TAgdiObject::EndDownloadSession() {
    SetDownloadMode(false);
    downloadSession_ = false;
}

void TAgdiObject::SendOutput(const std::string& text) {
    if (!hostWindow_ || !messageId_) return;
    const std::string host = platform::hostText(text);
    platform::sendHostMessage(hostWindow_, messageId_, agdi::code::MessageOutput,
                              reinterpret_cast<std::intptr_t>(host.c_str()));
}

std::uint32_t TAgdiObject::ShowHelp(std::uint32_t context, void*) {
    platform::HelpViewer* viewer = platform::currentUi().help;
    return viewer && viewer->show(1, context) ? 1 : 0;
}

void TAgdiObject::CallCallback(std::uint32_t code, void* data) {
    if (!callback_) {
        Log("AGDI: no callback for code " + std::to_string(code));
        return;
    }
    callback_(code, data);
}

// ---------------------------------------------------------------- AG_Init

std::uint32_t TAgdiObject::AG_Init(std::uint16_t code, std::uintptr_t value) {
    if (otherThreadDuringRun()) return initDuringRun(code, value);
    return initBody(code, value);
}

std::uint32_t TAgdiObject::initDuringRun(std::uint16_t code, std::uintptr_t value) {
    switch (code & 0xFF00) {
    case agdi::code::Feature:
        // The feature word never changes after construction: no lock needed.
        return feature(code & 0xFF);
    case agdi::code::Startup:
        ErrorBox("Start-up: not possible while the target runs", platform::mb::IconError);
        return 1;
    case agdi::code::Exec:
        if ((code & 0xFF) == agdi::code::ExecEnd) {
            // The run ends first: the target is stopped (or given up when it
            // refuses), and the tear-down follows here once the go returned.
            handToRun([this] {
                entry<int>(0, true, [this](int&) {
                    stop();
                    stopRequested_ = true;
                });
            });
            return initBody(code, value);
        }
        break;
    default:
        break;
    }
    std::uint32_t result = 0;
    if (!handToRun([&] { result = AG_Init(code, value); })) result = AG_Init(code, value);
    return result;
}

std::uint32_t TAgdiObject::initBody(std::uint16_t code, std::uintptr_t value) {
    return entry<std::uint32_t>(0, true, [&](std::uint32_t& result) {
        const std::uint8_t item = code & 0xFF;
        switch (code & 0xFF00) {
        case agdi::code::Startup:
            result = startup();
            break;
        case agdi::code::Feature:
            result = feature(item);
            break;
        case agdi::code::Item:
            switch (item) {
            case agdi::code::ItemMenu:
                if (value) *reinterpret_cast<std::uintptr_t*>(value) = reinterpret_cast<std::uintptr_t>(MenuTable());
                break;
            case agdi::code::ItemDialogUpdate:
                if (value) *reinterpret_cast<std::uintptr_t*>(value) = reinterpret_cast<std::uintptr_t>(&DialogUpdateEntry);
                break;
            case agdi::code::ItemActiveWindow:
                activeWindowVar_ = reinterpret_cast<void**>(value);
                break;
            case agdi::code::ItemHostWindow:
                hostWindow_ = value;
                applicationHandle_ = value;
                break;
            case agdi::code::ItemInstance:
                instance_ = value;
                break;
            case agdi::code::ItemBreakpointList:
                breakpointListHead_ = reinterpret_cast<agdi::BpRecord**>(value);
                break;
            case agdi::code::ItemPcVar:
                pcVar_ = reinterpret_cast<std::uint32_t*>(value);
                break;
            case agdi::code::ItemMessageId:
                messageId_ = static_cast<std::uint32_t>(value);
                break;
            case agdi::code::ItemCallback:
                callback_ = reinterpret_cast<agdi::CallbackFn>(value);
                break;
            case agdi::code::ItemDownloadOn:
                SetDownloadMode(true);
                break;
            case agdi::code::ItemDownloadOff:
                EndDownloadSession();
                break;
            default:
                break;
            }
            break;
        case agdi::code::Exec:
            if (item == agdi::code::ExecEnd) {
                teardown();
            } else if (item == agdi::code::ExecReset && hostWindow_) {
                IRunControl* run = env_.runControl;
                if (run) {
                    // A reset that raises is a failure to the IDE as well.
                    result = 1;
                    int r = run->ResetAll();
                    if (r > 0) r = run->ResetAll();
                    if (r < 0) throw ETarvexResetError(std::string(LoadResStr(65273)));
                    result = 0;
                }
                static char commandText[] = "U $\n\r";
                CallCallback(agdi::code::CallbackCommand, commandText);
            }
            break;
        default:
            break;
        }
    });
}

void TAgdiObject::defaultAttributes() {
    attributes_.SetRange(0xF0000000u, 256, 6);
    attributes_.SetRange(0xF3000080u, 128, 6);
    attributes_.SetRange(0x01000000u, 0x10000, 6);
    attributes_.SetRange(0xFF000000u, 0x10000, 3);
}

std::uint32_t TAgdiObject::startup() {
    // A host that keeps the library loaded starts the next session afresh.
    sessionEnded_ = false;
    refreshPending_ = false;
    stopRequested_ = false;
    timeValid_ = false;
    downloadMode_ = false;
    downloadSession_ = false;
    std::uint32_t result = 0;
    try {
        // The breakpoints and trace settings are the project's: what the
        // last session left must not reach this one's board.
        if (c_.select) c_.select->ResetForNewSession();
        defaultAttributes();
        optionDefaults();
        c_.emulator->LoadFromRegistry();
        // A file that cannot be read was shown in its own box already.
        if (!c_.projectFiles->LoadProjectOptions() && windows_->OptionsDialog()) c_.projectFiles->ConfirmProjectOptions();
        if (c_.sfr->TargetName().empty()) {
            c_.sfr->SetTargetName("80C51");
            c_.sfr->SetOptionNummer(1);
        }
        helpFileName_ = c_.options->HelpFileName();
        c_.emulator->SetSessionStart();
        result = StartEmulator();
        if (env_.runControl && env_.runControl->NotYetReset()) {
            selectFileDeferred_ = true;
            c_.projectFiles->DeferSelectFile(c_.projectFiles->SelectFileName());
        } else {
            selectFileDeferred_ = false;
            c_.projectFiles->LoadSelectFile(c_.projectFiles->SelectFileName(), false);
        }
        UpdateCopyMapEnable();
        if (result != 0) {
            c_.emulator->ResetMaster();
            return result;
        }
        CallCallback(agdi::code::CallbackRegView, &regView_.Descriptor());
        if (!programFileName_.empty() && platform::fileKind(programFileName_) == platform::FileKind::Regular) {
            auto load = std::make_unique<TVokWinKommando>(cmd::LoadSymbols);
            load->memoryKind = memkind::Symbol;
            load->fileFormat = fileformat::Omf51;
            load->flag = false;
            load->options = loadflag::ClearSymbols;
            load->text1 = programFileName_;
            load->start = c_.spaces->minAddress(SpaceKind::Program);
            commands_->Run(std::move(load));
        }
        if (c_.options->BootLoaderLoad()) {
            const std::string file = c_.options->BootLoaderFile();
            if (platform::fileKind(file) != platform::FileKind::Regular) {
                ErrorBox("Boot loader: " + FmtLoadStr(331, file), platform::mb::IconError);
            } else {
                try {
                    auto load = std::make_unique<TVokWinKommando>(cmd::Load);
                    load->flag = true;
                    load->text1 = file;
                    load->start = UnbankedAdresse(c_.options->BootLoaderAddress());
                    commands_->Run(std::move(load));
                } catch (const Exception& e) {
                    ErrorBox(e.message(), platform::mb::IconError);
                }
            }
        }
    } catch (...) {
        result = 1;
        showFailure(describeFailure(std::current_exception()).message);
        try {
            c_.emulator->ResetMaster();
        } catch (...) {
        }
    }
    return result;
}

void TAgdiObject::teardown() {
    // Every step runs whatever the one before it did: a project folder that
    // refuses the option file must not leave the link open.
    const auto step = [this](const std::function<void()>& body) {
        try {
            body();
        } catch (...) {
            const Failure failure = describeFailure(std::current_exception());
            // The link is gone: nothing to tell.
            if (failure.kind != Failure::Kind::Link && failure.kind != Failure::Kind::Timeout)
                showFailure(failure.message);
        }
    };
    step([this] { Log("AGDI: Exec AG_UNINIT"); });
    step([this] {
        EndDownloadSession();
        c_.projectFiles->SaveAtTearDown();
    });
    step([this] { CloseAllDialogs(); });
    step([this] {
        c_.emulator->ResetMaster();
    });
    step([this] {
        // The library goes now, not at unload: on Windows the unload runs
        // under the loader lock, where no other library may be called. The
        // IDE may keep the driver loaded: the next start binds it again.
        c_.emulator->ReleaseTransport();
    });
    step([this] {
        if (!hostProject_) return;
        copyBounded(hostProject_->optionString, sizeof hostProject_->optionString, c_.options->GetOptionFileName());
    });
    hostWindow_ = 0;
    applicationHandle_ = 0;
}

// ---------------------------------------------------------------- capability

void TAgdiObject::takeProjectDir(const char* projectFile) {
    if (!projectFile) return;
    c_.options->SetProjectDir(boundedText(projectFile, 4096));
}

std::uint32_t TAgdiObject::DllUv3Cap(std::uint32_t code, void* data) {
    if (code == 2) return 8051;
    if (code != 1) return 0;
    if (otherThreadDuringRun()) return 0;
    return entry<std::uint32_t>(0, false, [&](std::uint32_t& result) {
        auto* cap = static_cast<agdi::CapRecord*>(data);
        const char* buffer = nullptr;
        if (cap) {
            applicationHandle_ = cap->slot[0];
            c_.options->SetExeName(boundedText(reinterpret_cast<const char*>(cap->slot[1]), 260));
            const char* project = reinterpret_cast<const char*>(cap->slot[6]);
            takeProjectDir(project);
            buffer = reinterpret_cast<const char*>(cap->slot[5]);
            const std::string option = boundedText(buffer, cap->slot[3] ? cap->slot[3] : 1024);
            c_.options->SetOptionFileName(!option.empty() ? option : boundedText(project, 4096));
        }
        optionDefaults();
        c_.projectFiles->LoadProjectOptions();
        if (!windows_->OptionsDialog()) return;
        c_.projectFiles->ConfirmProjectOptions();
        result = 1;
        if (cap && buffer)
            copyBounded(reinterpret_cast<char*>(cap->slot[5]), cap->slot[3], c_.options->GetOptionFileName());
    });
}

std::uint32_t TAgdiObject::EnumUv351(void* data, std::uint32_t code) {
    if (code != 2) return 0;
    if (otherThreadDuringRun()) return 0;
    return entry<std::uint32_t>(8051, false, [&](std::uint32_t&) {
        auto* project = static_cast<agdi::ProjectRecord*>(data);
        hostProject_ = project;
        if (!project) return;
        hostExeName_ = boundedText(project->exePath, sizeof project->exePath);
        c_.options->SetExeName(hostExeName_);
        takeProjectDir(project->projectFile);
        c_.options->SetOptionFileName(boundedText(project->optionString, sizeof project->optionString));
        projectText2_ = boundedText(project->text2, sizeof project->text2);
        projectText1_ = boundedText(project->text1, sizeof project->text1);
        programFileName_ = boundedText(project->programFile, sizeof project->programFile);
        if (c_.options->HasOptionFileName()) return;
        optionDefaults();
        c_.projectFiles->LoadProjectOptions();
        if (!windows_->OptionsDialog()) return;
        c_.projectFiles->ConfirmProjectOptions();
        copyBounded(project->optionString, sizeof project->optionString, c_.options->GetOptionFileName());
    });
}

std::uint32_t TAgdiObject::AG_Serial(std::uint16_t code, std::uint32_t value1, std::uint32_t value2,
                                     std::uint32_t value3) {
    if (otherThreadDuringRun() || sessionEnded_) return 0;
    return entry<std::uint32_t>(0, true, [&](std::uint32_t&) {
        if (sessionEnded_ || code != 1) return;
        agdi::SerialRecord record{{value1, value2, 0, 0, value3}};
        if (!hostWindow_) {
            Log("AGDI: no host window for the serial message");
            return;
        }
        platform::sendHostMessage(hostWindow_, messageId_, agdi::code::MessageSerial,
                                  reinterpret_cast<std::intptr_t>(&record));
    });
}

// ---------------------------------------------------------------- notifications

void TAgdiObject::SendVokWinMessage(std::uint8_t code, const void* data) {
    const agdi::NotificationRecord record{agdi::code::NotifyId, code, data, 0};
    PerformVokWinMessage(record);
}

void TAgdiObject::SendDialogClosed(std::uint32_t dialogId) {
    const agdi::NotificationRecord record{agdi::code::DialogClosedId, dialogId, nullptr, 0};
    PerformVokWinMessage(record);
}

void TAgdiObject::PerformVokWinMessage(const agdi::NotificationRecord& record) {
    const agdi::NotificationRecord copy = record;
    Notify(copy);
}

void TAgdiObject::Notify(const agdi::NotificationRecord& record) {
    if (record.id == agdi::code::DialogClosedId) {
        menu_.DialogClosed(record.code);
        event("dialog closed " + std::to_string(record.code));
        return;
    }
    if (record.id != agdi::code::NotifyId) return;
    const auto code = static_cast<std::uint8_t>(record.code);
    bool refresh = false;
    switch (code) {
    case notify::ProgramChanged:
    case notify::IntDataChanged:
    case notify::ExtDataChanged:
    case notify::TargetReset:
        if (refreshPending_) {
            refreshPending_ = false;
            refresh = true;
        }
        break;
    case notify::TargetHalted:
        timeValid_ = false;
        if (env_.runControl) setPcVariable(hostPc());
        break;
    case notify::TimeCounterReset:
        timeValid_ = false;
        refresh = true;
        break;
    case notify::EmulatorState:
        UpdateTraceEnable(c_.TraceBoardPresent());
        UpdateCopyMapEnable();
        break;
    default:
        break;
    }
    std::exception_ptr failed;
    try {
        c_.Broadcast(code, record.data);
    } catch (const EEmulatorError&) {
        throw;
    } catch (...) {
        failed = std::current_exception();
    }
    if (code == notify::TargetReset && selectFileDeferred_ && !failed) {
        selectFileDeferred_ = false;
        event("select file");
        c_.projectFiles->LoadSelectFile(c_.projectFiles->SelectFileName(), false);
    }
    if (windows_->TraceWindowExists()) windows_->NotifyTraceWindow(record.id, record.code, record.data);
    if (refresh && c_.emulator->ConnectionState() == TBasisEmulator::StateReady) {
        event("callback 5");
        CallCallback(agdi::code::CallbackRefresh, nullptr);
    }
    if (failed) std::rethrow_exception(failed);
}

// ---------------------------------------------------------------- defaults

bool NoDriverWindows::OptionsDialog() {
    if (log_) log_("Options dialog: not available in this build");
    return false;
}

void* NoDriverWindows::OpenTraceWindow(std::uint32_t, void*) {
    InformationBox("Trace memory: not available in this build", platform::mb::IconInformation);
    return nullptr;
}

void NoDriverWindows::RunMenuDialog(MenuDialog, const std::string& caption) {
    std::string name = caption;
    while (!name.empty() && name.back() == '.') name.pop_back();
    InformationBox(name + ": not available in this build", platform::mb::IconInformation);
}

}  // namespace tarvex
