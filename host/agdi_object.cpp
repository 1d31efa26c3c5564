// The host-interface object: construction and destruction of the
// components, the entry points' frame (driver lock, download mode, exception
// hook), AG_Init with start-up and tear-down, the capability exports, the
// serial message and the end of the session.
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
#include "host/loader.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/kdo_select_table.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/performance.hpp"
#include "emulator/run_control.hpp"
#include "emulator/run_select.hpp"
#include "emulator/select_table.hpp"
#include "emulator/sfr_config.hpp"
#include "emulator/target_options.hpp"
#include "emulator/trace_board.hpp"
#include "emulator/validator.hpp"
#include "emulator/watches.hpp"
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

}  // namespace

// ---------------------------------------------------------------- lifetime

// One row per component slot, in the order of creation; an empty `make` is
// a slot that a later component fills.
struct TAgdiObject::Slot {
    const char* name;
    std::function<void(TAgdiObject&)> make;
    std::function<void(TAgdiObject&)> free;
};

TAgdiObject::TAgdiObject(DriverEnvironment environment) : env_(std::move(environment)) {
    if (!env_.windows) {
        ownWindows_ = std::make_unique<NoDriverWindows>([this](std::string_view text) { Log(text); });
        env_.windows = ownWindows_.get();
    }
    windows_ = env_.windows;
    // Exceptions raised in the driver's windows' events come to the hook as
    // those of the entry points do.
    previousHandler_ = platform::setApplicationExceptionHandler([this](std::exception_ptr error) {
        std::lock_guard<std::recursive_mutex> lock(lock_);
        HandleException(std::move(error));
    });
    features_ = InitialFeatures;
    createComponents();
    runCommands_ = std::make_unique<HostRunCommands>([this] { return debug_.get(); },
                                                     [this] { return env_.runControl; });
    traceCommands_ = std::make_unique<HostTraceCommands>([this] { return trace_.get(); },
                                                         [this] { return env_.traceBoard; });
    CommandTargets targets;
    targets.run = runCommands_.get();
    targets.trace = traceCommands_.get();
    targets.selectTable = select_.get();
    targets.pellunarPortMode = [this] { return emulator_ && emulator_->PellunarsOn(); };
    targets.options = options_.get();
    targets.history = kommando_.get();
    targets.watches = watchCommands_.get();
    targets.log = [this](std::string_view text) { Log(text); };
    targets.copy = [this](const TBasisVokWinKommando& c) { ExecuteCopyCommand(c, copyFillTargets(c)); };
    targets.initialize = [this](const TBasisVokWinKommando& c) { ExecuteInitializeCommand(c, copyFillTargets(c)); };
    targets.load = [this](const TKommandoStruktur& c) {
        // "LoadSystem" goes to the loader directly, without a notification.
        if (c.code != cmd::LoadSystem) return ExecuteLoadCommand(*loader_, notifier_, c);
        loader_->Load(c);
        return !loader_->Refused() && !loader_->WasCancelled();
    };
    targets.save = [this](const TBasisVokWinKommando& c) { saveMemory(c); };
    executor_ = std::make_unique<TCommandExecutor>(std::move(targets));
    commands_ = env_.commands ? env_.commands : executor_.get();
    buildRegisterView();
    buildMenu();
    currentObject.store(this);
}

TCopyFillTargets TAgdiObject::copyFillTargets(const TBasisVokWinKommando& command) {
    return TCopyFillTargets{*spaces_, select_.get(), command.SelectTable()};
}

// The listings decode with the project's symbols, so that an assembler
// source's automatic labels stay program symbols; trace memory goes out
// through the export the trace window set.
void TAgdiObject::saveMemory(const TBasisVokWinKommando& command) {
    TargetContext context{spaces_.get(), &spaces_->CodeReader(), &notifier_, nullptr, banking_.get()};
    Disassembler disassembler(symbols_.get(), nullptr, registers_.get(), context);
    TSaveTargets targets{*spaces_, &disassembler, executor_->Targets().traceExport};
    if (debug_ && debug_->PC().banked && !debug_->PC().allBanks) targets.currentBank = debug_->PC().bank;
    ExecuteSaveCommand(command, targets);
}

TAgdiObject::~TAgdiObject() {
    TAgdiObject* self = this;
    currentObject.compare_exchange_strong(self, nullptr);
    platform::setApplicationExceptionHandler(std::move(previousHandler_));
    destroyComponents();
    attributes_.Clear();
}

TAgdiObject* TAgdiObject::Current() {
    return currentObject.load();
}

namespace {

platform::Clock& clockOf(const DriverEnvironment& env) {
    return env.clock ? *env.clock : platform::systemClock();
}
platform::SettingsStore& settingsOf(const DriverEnvironment& env) {
    return env.settings ? *env.settings : platform::defaultSettings();
}

}  // namespace

// The register table and the SFR configuration come before the memory spaces,
// which keep references to both.
void TAgdiObject::createComponents() {
    static const std::vector<Slot> slots = {
        {"Dll_Optionen",
         [](TAgdiObject& o) {
             OptionsEnvironment environment;
             if (!o.env_.root.empty()) {
                 environment.root = o.env_.root;
                 environment.registryRoot = o.env_.root;
             }
             o.options_ = std::make_unique<TVokWinOptionen>(settingsOf(o.env_), environment);
             o.options_->SetNotifier(&o.notifier_);
             o.options_->SetLogSink([&o](std::string_view t) { o.Log(t); });
         },
         [](TAgdiObject& o) { o.options_.reset(); }},
        {"Dll_Emulator",
         [](TAgdiObject& o) {
             o.emulator_ = std::make_unique<TEmulator>(*o.options_, clockOf(o.env_), settingsOf(o.env_));
             if (o.env_.serialPortOpener) o.emulator_->setSerialPortOpener(o.env_.serialPortOpener);
             if (!o.env_.d2xxLibrary.empty()) o.emulator_->setUsbLibrary(o.env_.d2xxLibrary);
             o.emulator_->SetNotifier(&o.notifier_);
             // The tool chain decides how a download treats port-read calls.
             o.emulator_->Download().SetOptionsInfo(o.options_.get());
             o.options_->SetEmulator(o.emulator_.get());
         },
         [](TAgdiObject& o) { o.emulator_.reset(); }},
        {"TracePlatine",
         [](TAgdiObject& o) {
             // A trace board part handed in (tests) stands instead of the board's.
             if (o.env_.traceBoard) return;
             o.trace_ = std::make_unique<TTracePlatine>(*o.emulator_, o.notifier_);
             o.trace_->SetOptionsInfo(o.options_.get());
             o.env_.traceBoard = o.trace_.get();
         },
         {}},
        {"Banking",
         [](TAgdiObject& o) {
             o.banking_ = std::make_unique<TBanking>(*o.emulator_, o.notifier_);
             if (o.trace_) o.trace_->SetBanking(o.banking_.get());
         },
         [](TAgdiObject& o) { o.banking_.reset(); }},
        {"RegisterTabelle",
         [](TAgdiObject& o) {
             o.registers_ = std::make_unique<TRegisterTabelle>();
             if (o.trace_) o.trace_->SetTables(nullptr, nullptr, o.registers_.get());
         },
         [](TAgdiObject& o) { o.registers_.reset(); }},
        {"SfrConfig",
         [](TAgdiObject& o) {
             o.sfr_ = std::make_unique<TSfrConfig>(*o.registers_, *o.emulator_, *o.options_);
             o.emulator_->SetSfrConfig(o.sfr_.get());
             o.options_->SetSfrConfig(o.sfr_.get());
             if (o.trace_) o.trace_->SetSfrConfig(o.sfr_.get());
         },
         [](TAgdiObject& o) {
             o.emulator_->SetSfrConfig(nullptr);
             o.sfr_.reset();
         }},
        {"Dll_Debug",
         [](TAgdiObject& o) {
             // A run control handed in (tests) stands instead of the board's.
             if (o.env_.runControl) return;
             o.debug_ = std::make_unique<TDebug>(*o.emulator_, *o.sfr_, *o.registers_, o.notifier_);
             o.debug_->SetBanking(o.banking_.get());
             o.debug_->SetTracePlatine(o.trace_.get());
             // A stop the target does not obey asks whether to interrupt it
             // hard: in the windows' form, else through the message boxes.
             platform::StopErrorForm* form = o.env_.stopErrorForm;
             if (!form) {
                 o.ownStopErrorForm_ = std::make_unique<platform::BoxStopErrorForm>(
                     "Error", std::string(LoadResStr(rs::NoReactionOfTarget)) + "\r\nPerform hardware reset?");
                 form = o.ownStopErrorForm_.get();
             }
             o.debug_->SetStopErrorForm(form);
             o.ownRunControl_ = std::make_unique<DebugRunControl>(*o.debug_, form);
             o.env_.runControl = o.ownRunControl_.get();
             o.parts_.runControl = o.debug_.get();
         },
         {}},
        {"EmulSpeicher",
         [](TAgdiObject& o) {
             o.parts_.banking = o.banking_.get();
             o.parts_.traceBoard = o.env_.traceBoard;
             o.emulator_->SetParts(o.parts_);
             o.spaces_ = std::make_unique<TEmulSpaces>(*o.emulator_, *o.sfr_, *o.registers_, o.notifier_, o.parts_);
             o.spaces_->SetBanking(o.banking_.get());
             o.emulator_->Download().SetBanking(o.banking_.get());
             o.banking_->SetRegisterTable(o.registers_.get());
             if (o.debug_) o.debug_->SetSpaces(o.spaces_.get());
             if (o.trace_) o.trace_->SetSpaces(o.spaces_.get());
             o.options_->SetSpaces(o.spaces_.get());
             o.programClear_ = std::make_unique<TProgramClear>(*o.spaces_);
             o.parts_.programClear = o.programClear_.get();
             o.emulator_->SetParts(o.parts_);
         },
         [](TAgdiObject& o) {
             o.parts_.programClear = nullptr;
             o.emulator_->SetParts(o.parts_);
             o.programClear_.reset();
             o.emulator_->Download().SetBanking(nullptr);
             o.spaces_.reset();
         }},
        {"SymbolTabelle",
         [](TAgdiObject& o) {
             TargetContext context;
             context.spaces = o.spaces_.get();
             context.notifier = &o.notifier_;
             context.options = o.options_.get();
             context.banking = o.banking_.get();
             o.symbols_ = std::make_unique<TSymboltabelle>(context);
         },
         {}},
        {"ZeilennummernTabelle",
         [](TAgdiObject& o) {
             TargetContext context;
             context.spaces = o.spaces_.get();
             context.notifier = &o.notifier_;
             context.options = o.options_.get();
             context.banking = o.banking_.get();
             o.lines_ = std::make_unique<TZeilennummertabelle>(*o.symbols_, context);
             if (o.debug_) o.debug_->SetLineTable(o.lines_.get());
             // The trace rows read their labels and source lines from the
             // session's tables.
             if (o.trace_) o.trace_->SetTables(o.symbols_.get(), o.lines_.get(), o.registers_.get());
         },
         {}},
        {"SelectTabelle",
         [](TAgdiObject& o) {
             o.select_ = std::make_unique<TSelectTabelle>(o.selectWiring());
             o.runSelect_ = std::make_unique<TRunSelectTable>(*o.select_);
             o.parts_.selectTable = o.select_.get();
             o.emulator_->SetParts(o.parts_);
             if (o.debug_) o.debug_->SetSelectTable(o.runSelect_.get());
             o.options_->SetResetExtDataMap([&o] { o.select_->ResetExtDataMap(); });
         },
         {}},
        {"VokWinStatusZeile",
         [](TAgdiObject& o) {
             o.statusLine_ = std::make_unique<TVokWinStatusZeile>([&o](const std::string& text) { o.status(text); });
             if (o.debug_) o.debug_->SetRunIndicator(o.statusLine_.get());
         },
         {}},
        {"WatchTabelle",
         [](TAgdiObject& o) {
             o.watchTarget_ =
                 std::make_unique<TEmulWatchTarget>(*o.spaces_, *o.emulator_, o.debug_.get(), o.options_.get());
             o.watches_ = std::make_unique<TWatchTabelle>(*o.symbols_, *o.registers_, *o.watchTarget_, o.notifier_);
             o.watchCommands_ = std::make_unique<TWatchTableCommands>(*o.watches_);
         },
         {}},
        {"Kommando",
         [](TAgdiObject& o) {
             o.kommando_ = std::make_unique<TKommando>(o.notifier_);
             o.kommando_->SetTracePresent([&o] { return o.traceBoardPresent(); });
             o.kommando_->SetBanking(o.banking_.get());
         },
         {}},
        {"PerformanceComp",
         [](TAgdiObject& o) {
             if (o.trace_) o.perfTrace_ = std::make_unique<TTracePerformance>(*o.trace_);
             TPerformanceWiring wiring;
             wiring.trace = o.perfTrace_.get();
             wiring.select = o.select_.get();
             wiring.debug = o.debug_.get();
             auto validator = std::make_unique<TVokWinValidator>(o.symbols_.get(), o.lines_.get(), o.registers_.get(),
                                                                 o.trace_.get(), o.DialogContext());
             o.performance_ = std::make_unique<TPerformance>(std::move(validator), wiring);
             // Its ranges and saved set-up travel in the select file's section.
             o.select_->SetPerformance(o.performance_.get());
         },
         {}},
        {"VokWinLoader",
         [](TAgdiObject& o) {
             o.loader_ = std::make_unique<TVokWinLoader>(
                 LoaderTarget{*o.spaces_, *o.emulator_, *o.sfr_, *o.options_, *o.symbols_, *o.lines_,
                              o.banking_.get(), o.debug_.get(), o.registers_.get(), &clockOf(o.env_)});
         },
         {}},
    };
    for (const Slot& slot : slots) {
        if (!slot.make) continue;
        slot.make(*this);
        componentLog_.push_back(std::string("create ") + slot.name);
        if (env_.lifecycleLog) env_.lifecycleLog->push_back(componentLog_.back());
    }
    // The project's two files hold the sections of the components above.
    ProjectComponents files;
    files.options = options_.get();
    files.symbols = symbols_.get();
    if (debug_) {
        files.runControl = debug_.get();
        files.clearRunControlOptions = [this] { debug_->SetOptionByte(0); };
    }
    files.emulator = emulator_.get();
    files.banking = banking_.get();
    files.selectTable = select_.get();
    projectFiles_ = std::make_unique<TProjectFiles>(std::move(files));
}

void TAgdiObject::destroyComponents() {
    projectFiles_.reset();
    static const std::vector<std::pair<const char*, std::function<void(TAgdiObject&)>>> order = {
        {"VokWinLoader", [](TAgdiObject& o) { o.loader_.reset(); }},
        {"PerformanceComp",
         [](TAgdiObject& o) {
             if (o.select_) o.select_->SetPerformance(nullptr);
             o.performance_.reset();
             o.perfTrace_.reset();
         }},
        {"Kommando",
         [](TAgdiObject& o) {
             if (o.executor_) o.executor_->Targets().history = nullptr;
             o.kommando_.reset();
         }},
        {"WatchTabelle",
         [](TAgdiObject& o) {
             if (o.executor_) o.executor_->Targets().watches = nullptr;
             o.watchCommands_.reset();
             o.watches_.reset();
             o.watchTarget_.reset();
         }},
        {"VokWinStatusZeile",
         [](TAgdiObject& o) {
             if (o.debug_) o.debug_->SetRunIndicator(nullptr);
             o.statusLine_.reset();
         }},
        {"SelectTabelle",
         [](TAgdiObject& o) {
             if (o.debug_) o.debug_->SetSelectTable(nullptr);
             o.parts_.selectTable = nullptr;
             if (o.emulator_) o.emulator_->SetParts(o.parts_);
             if (o.options_) o.options_->SetResetExtDataMap({});
             o.runSelect_.reset();
             o.select_.reset();
         }},
        {"ZeilennummernTabelle",
         [](TAgdiObject& o) {
             if (o.debug_) o.debug_->SetLineTable(nullptr);
             o.lines_.reset();
         }},
        {"SymbolTabelle", [](TAgdiObject& o) { o.symbols_.reset(); }},
        {"EmulSpeicher",
         [](TAgdiObject& o) {
             if (o.emulator_) o.emulator_->Download().SetBanking(nullptr);
             if (o.trace_) o.trace_->SetSpaces(nullptr);
             if (o.options_) o.options_->SetSpaces(nullptr);
             o.spaces_.reset();
         }},
        {"Dll_Debug",
         [](TAgdiObject& o) {
             if (!o.debug_) return;
             o.env_.runControl = nullptr;
             o.ownRunControl_.reset();
             o.debug_.reset();
         }},
        {"SfrConfig",
         [](TAgdiObject& o) {
             if (o.emulator_) o.emulator_->SetSfrConfig(nullptr);
             if (o.options_) o.options_->SetSfrConfig(nullptr);
             if (o.trace_) o.trace_->SetSfrConfig(nullptr);
             o.sfr_.reset();
         }},
        {"RegisterTabelle",
         [](TAgdiObject& o) {
             if (o.trace_) o.trace_->SetTables(nullptr, nullptr, nullptr);
             o.registers_.reset();
         }},
        {"Banking",
         [](TAgdiObject& o) {
             if (o.trace_) o.trace_->SetBanking(nullptr);
             o.banking_.reset();
         }},
        {"TracePlatine",
         [](TAgdiObject& o) {
             if (!o.trace_) return;
             o.parts_.traceBoard = nullptr;
             if (o.emulator_) o.emulator_->SetParts(o.parts_);
             o.env_.traceBoard = nullptr;
             o.trace_.reset();
         }},
        {"Dll_Emulator",
         [](TAgdiObject& o) {
             if (o.options_) o.options_->SetEmulator(nullptr);
             o.emulator_.reset();
         }},
        {"Dll_Optionen", [](TAgdiObject& o) { o.options_.reset(); }},
    };
    for (const auto& [name, free] : order) {
        free(*this);
        componentLog_.push_back(std::string("free ") + name);
        if (env_.lifecycleLog) env_.lifecycleLog->push_back(componentLog_.back());
    }
}

TSelectWiring TAgdiObject::selectWiring() {
    TSelectWiring wiring{*emulator_, *banking_, *spaces_, *options_, notifier_};
    wiring.trace = trace_.get();
    wiring.symbols = symbols_.get();
    wiring.optionsInfo = options_.get();
    wiring.registers = registers_.get();
    wiring.memory = spaces_.get();
    return wiring;
}

TargetContext TAgdiObject::DialogContext() {
    return TargetContext{spaces_.get(), &spaces_->CodeReader(), &notifier_, options_.get(), banking_.get()};
}

std::unique_ptr<TKdoSelectTabelle> TAgdiObject::OfflineSelectTable() {
    auto offline = std::make_unique<TKdoSelectTabelle>(selectWiring());
    offline->CopyFrom(*select_);
    return offline;
}

bool TAgdiObject::RunMenuCommand(std::unique_ptr<TBasisVokWinKommando> command) {
    return commands_->Run(std::move(command));
}

IPerformanceTrace* TAgdiObject::PerformanceTrace() {
    return perfTrace_.get();
}

const TPerformanceList& TAgdiObject::PerformanceErgebnis(platform::BusyCursor* cursor) {
    // The rest of the run is counted over the program space of the current
    // processor and banking, which may have changed since the start.
    TPerformanceWiring wiring;
    wiring.trace = perfTrace_.get();
    wiring.select = select_.get();
    wiring.debug = debug_.get();
    wiring.cursor = cursor;
    const TEmulSpeicher& program = spaces_->Space(SpaceKind::Program);
    wiring.programMin = program.GetMinAdresse();
    wiring.programMax = program.GetMaxAdresse();
    performance_->SetWiring(wiring);
    // The cursor is the caller's: the measurement keeps none beyond this call.
    struct Release {
        TPerformance& perf;
        TPerformanceWiring wiring;
        ~Release() {
            wiring.cursor = nullptr;
            perf.SetWiring(wiring);
        }
    } release{*performance_, wiring};
    return performance_->GetErgebnis();
}

void TAgdiObject::SetMaintenanceForms(IMaintenanceForms* forms) {
    parts_.maintenanceForms = forms;
    emulator_->SetParts(parts_);
}

// The defaults need the target list, which the initial settings read.
void TAgdiObject::optionDefaults() {
    options_->InitialSettings();
    projectFiles_->SetProjectDefaults();
}

bool TAgdiObject::traceBoardPresent() const {
    return env_.traceBoard != nullptr && (!trace_ || trace_->BoardPresent());
}

// ---------------------------------------------------------------- frame

bool TAgdiObject::otherThreadDuringRun() const {
    return runWaiting_.load() && std::this_thread::get_id() != runThread_;
}

void TAgdiObject::Log(std::string_view text) {
    if (emulator_) emulator_->Protokoll(text);
}

void TAgdiObject::HandleException(std::exception_ptr error) {
    if (inHook_) {
        // A failure inside the hook's own restart: that restart failed.
        hookRestartFailed_ = true;
        return;
    }
    enum class Kind { Other, Timeout, Abort } kind = Kind::Other;
    std::string message;
    try {
        std::rethrow_exception(error);
    } catch (const EEmulatorTimeoutError& e) {
        kind = Kind::Timeout;
        message = e.message();
    } catch (const ETarvexAbort& e) {
        kind = Kind::Abort;
        message = e.message();
    } catch (const Exception& e) {
        message = e.message();
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown exception";
    }
    event("hook " + message);
    if (!message.empty()) platform::currentUi().boxes->show(ApplicationTitle, message, platform::mb::IconError);
    if (kind == Kind::Timeout) {
        inHook_ = true;
        hookRestartFailed_ = false;
        std::uint32_t started = 1;
        try {
            emulator_->Restart();
            started = StartEmulator();
        } catch (...) {
            started = 1;
        }
        inHook_ = false;
        if (started != 0 || hookRestartFailed_) EndSession();
    } else if (kind == Kind::Abort) {
        EndSession();
    }
}

std::uint32_t TAgdiObject::StartEmulator() {
    try {
        emulator_->Startup();
        return 0;
    } catch (const Exception& e) {
        if (!e.message().empty())
            platform::currentUi().boxes->show(ApplicationTitle, e.message(), platform::mb::IconError);
    } catch (const std::exception& e) {
        platform::currentUi().boxes->show(ApplicationTitle, e.what(), platform::mb::IconError);
    } catch (...) {
        platform::currentUi().boxes->show(ApplicationTitle, "Unknown exception", platform::mb::IconError);
    }
    return 1;
}

void TAgdiObject::EndSession() {
    event("end of session");
    try {
        emulator_->ResetMaster();
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
            emulator_->SetPellunarMode(false);
        }
        downloadMode_ = true;
    } else {
        downloadMode_ = false;
        emulator_->Download().UpdatePellunars();
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
        defaultAttributes();
        optionDefaults();
        emulator_->LoadFromRegistry();
        // A file that cannot be read was shown in its own box already.
        if (!projectFiles_->LoadProjectOptions() && windows_->OptionsDialog()) projectFiles_->ConfirmProjectOptions();
        if (sfr_->TargetName().empty()) {
            sfr_->SetTargetName("80C51");
            sfr_->SetOptionNummer(1);
        }
        helpFileName_ = options_->HelpFileName();
        emulator_->SetSessionStart();
        result = StartEmulator();
        if (env_.runControl && env_.runControl->NotYetReset()) {
            selectFileDeferred_ = true;
            projectFiles_->DeferSelectFile(projectFiles_->SelectFileName());
        } else {
            selectFileDeferred_ = false;
            projectFiles_->LoadSelectFile(projectFiles_->SelectFileName(), false);
        }
        UpdateCopyMapEnable();
        if (result != 0) {
            emulator_->ResetMaster();
            return result;
        }
        CallCallback(agdi::code::CallbackRegView, &regView_);
        if (!programFileName_.empty() && platform::fileKind(programFileName_) == platform::FileKind::Regular) {
            auto load = std::make_unique<TVokWinKommando>(cmd::LoadSymbols);
            load->memoryKind = memkind::Symbol;
            load->fileFormat = fileformat::Omf51;
            load->flag = false;
            load->options = loadflag::ClearSymbols;
            load->text1 = programFileName_;
            load->start = spaces_->minAddress(SpaceKind::Program);
            commands_->Run(std::move(load));
        }
        if (options_->BootLoaderLoad()) {
            const std::string file = options_->BootLoaderFile();
            if (platform::fileKind(file) != platform::FileKind::Regular) {
                ErrorBox("Boot loader: " + FmtLoadStr(331, file), platform::mb::IconError);
            } else {
                try {
                    auto load = std::make_unique<TVokWinKommando>(cmd::Load);
                    load->flag = true;
                    load->text1 = file;
                    load->start = UnbankedAdresse(options_->BootLoaderAddress());
                    commands_->Run(std::move(load));
                } catch (const Exception& e) {
                    ErrorBox(e.message(), platform::mb::IconError);
                }
            }
        }
    } catch (const Exception& e) {
        result = 1;
        if (!e.message().empty()) platform::currentUi().boxes->show(ApplicationTitle, e.message(), platform::mb::IconError);
        try {
            emulator_->ResetMaster();
        } catch (...) {
        }
    } catch (...) {
        result = 1;
        platform::currentUi().boxes->show(ApplicationTitle, "Unknown exception", platform::mb::IconError);
        try {
            emulator_->ResetMaster();
        } catch (...) {
        }
    }
    return result;
}

void TAgdiObject::teardown() {
    // Every step runs whatever the one before it did: a project folder that
    // refuses the option file must not leave the link open.
    const auto step = [](const std::function<void()>& body) {
        try {
            body();
        } catch (const EEmulatorError&) {
            // The link is gone: nothing to tell.
        } catch (const Exception& e) {
            platform::currentUi().boxes->show(ApplicationTitle, e.message(), platform::mb::IconError);
        } catch (const std::exception& e) {
            platform::currentUi().boxes->show(ApplicationTitle, e.what(), platform::mb::IconError);
        }
    };
    step([this] { Log("AGDI: Exec AG_UNINIT"); });
    step([this] {
        EndDownloadSession();
        projectFiles_->SaveAtTearDown();
    });
    step([this] { CloseAllDialogs(); });
    step([this] {
        emulator_->ResetMaster();
    });
    step([this] {
        // The library goes now, not at unload: on Windows the unload runs
        // under the loader lock, where no other library may be called. The
        // IDE may keep the driver loaded: the next start binds it again.
        emulator_->ReleaseTransport();
    });
    step([this] {
        if (!hostProject_) return;
        copyBounded(hostProject_->optionString, sizeof hostProject_->optionString, options_->GetOptionFileName());
    });
    hostWindow_ = 0;
    applicationHandle_ = 0;
}

// ---------------------------------------------------------------- capability

void TAgdiObject::takeProjectDir(const char* projectFile) {
    if (!projectFile) return;
    options_->SetProjectDir(boundedText(projectFile, 4096));
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
            options_->SetExeName(boundedText(reinterpret_cast<const char*>(cap->slot[1]), 260));
            const char* project = reinterpret_cast<const char*>(cap->slot[6]);
            takeProjectDir(project);
            buffer = reinterpret_cast<const char*>(cap->slot[5]);
            const std::string option = boundedText(buffer, cap->slot[3] ? cap->slot[3] : 1024);
            options_->SetOptionFileName(!option.empty() ? option : boundedText(project, 4096));
        }
        optionDefaults();
        projectFiles_->LoadProjectOptions();
        if (!windows_->OptionsDialog()) return;
        projectFiles_->ConfirmProjectOptions();
        result = 1;
        if (cap && buffer)
            copyBounded(reinterpret_cast<char*>(cap->slot[5]), cap->slot[3], options_->GetOptionFileName());
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
        options_->SetExeName(hostExeName_);
        takeProjectDir(project->projectFile);
        options_->SetOptionFileName(boundedText(project->optionString, sizeof project->optionString));
        projectText2_ = boundedText(project->text2, sizeof project->text2);
        projectText1_ = boundedText(project->text1, sizeof project->text1);
        programFileName_ = boundedText(project->programFile, sizeof project->programFile);
        if (options_->HasOptionFileName()) return;
        optionDefaults();
        projectFiles_->LoadProjectOptions();
        if (!windows_->OptionsDialog()) return;
        projectFiles_->ConfirmProjectOptions();
        copyBounded(project->optionString, sizeof project->optionString, options_->GetOptionFileName());
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

void TAgdiObject::broadcast(std::uint8_t code, const void* data) {
    // A link fault stops the broadcast (the hook restarts the link); any
    // other failure of one receiver must not leave the later ones with stale
    // caches, so it is raised only after all of them ran.
    std::exception_ptr first;
    const auto deliver = [&](const char* name, const std::function<void()>& receive) {
        event(std::string("receive ") + name + " " + std::to_string(code));
        try {
            receive();
        } catch (const EEmulatorError&) {
            throw;
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    };
    deliver("Dll_Emulator", [&] { emulator_->Notify(code, data); });
    deliver("Dll_Optionen", [&] { options_->Notify(code, data); });
    deliver("Banking", [&] { banking_->Notify(code, data); });
    if (debug_) deliver("Dll_Debug", [&] { debug_->Notify(code, data); });
    deliver("EmulSpeicher", [&] { spaces_->EmulSpeicherNotify(code, data); });
    deliver("SelectTabelle", [&] { select_->Notify(code, data); });
    if (symbols_) deliver("SymbolTabelle", [&] { symbols_->Notify(code, data); });
    if (watches_) deliver("WatchTabelle", [&] { watches_->Notify(code, data); });
    if (kommando_) deliver("Kommando", [&] { kommando_->Notify(code, data); });
    if (performance_) deliver("PerformanceComp", [&] { performance_->Notify(code, data); });
    for (auto& receiver : receivers_) deliver("receiver", [&] { receiver(code, data); });
    if (first) std::rethrow_exception(first);
}

void TAgdiObject::Notify(const agdi::NotificationRecord& record) {
    if (record.id == agdi::code::DialogClosedId) {
        for (auto& entry : menu_) {
            if (entry.id == record.code && entry.descriptor) {
                entry.descriptor->state = 0;
                entry.descriptor->window = nullptr;
            }
        }
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
        UpdateTraceEnable(traceBoardPresent());
        UpdateCopyMapEnable();
        break;
    default:
        break;
    }
    std::exception_ptr failed;
    try {
        broadcast(code, record.data);
    } catch (const EEmulatorError&) {
        throw;
    } catch (...) {
        failed = std::current_exception();
    }
    if (code == notify::TargetReset && selectFileDeferred_ && !failed) {
        selectFileDeferred_ = false;
        event("select file");
        projectFiles_->LoadSelectFile(projectFiles_->SelectFileName(), false);
    }
    if (windows_->TraceWindowExists()) windows_->NotifyTraceWindow(record.id, record.code, record.data);
    if (refresh && emulator_->ConnectionState() == TBasisEmulator::StateReady) {
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
