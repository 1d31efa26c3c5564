#include "host/host_components.hpp"

#include <algorithm>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/messages.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/banking.hpp"
#include "emulator/disassembler.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/performance.hpp"
#include "emulator/debug/run_control.hpp"
#include "emulator/debug/run_select.hpp"
#include "emulator/debug/select_table.hpp"
#include "emulator/sfr_config.hpp"
#include "emulator/debug/trace_board.hpp"
#include "emulator/validator.hpp"
#include "emulator/debug/watches.hpp"
#include "host/command_history.hpp"
#include "host/copy_fill.hpp"
#include "host/debug_run_control.hpp"
#include "host/load/loader.hpp"
#include "host/options.hpp"
#include "host/project_files.hpp"
#include "host/status_line.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"

namespace tarvex {

platform::Clock& ClockOf(const DriverEnvironment& env) {
    return env.clock ? *env.clock : platform::systemClock();
}

platform::SettingsStore& SettingsOf(const DriverEnvironment& env) {
    return env.settings ? *env.settings : platform::defaultSettings();
}

// One row per slot, in the order of creation.
struct HostComponents::Slot {
    const char* name;
    // The place in the broadcast, 1 first; 0: the slot hears nothing. The
    // emulator hears first and the options right after it (their handler of
    // 25 checks the target, the watchdog and the pod against the link).
    std::uint8_t hears;
    // Keeps pointers to symbol or line records: hears notification 9 first.
    bool holdsTableRecords;
    // Makes and wires the component; false when the slot stays empty (a
    // stand-in was handed in).
    bool (*make)(HostComponents&);
    // Unwires and frees it; runs whether or not the slot was filled.
    void (*free)(HostComponents&);
    void (*notify)(HostComponents&, std::uint8_t, const void*);
};

// A slot as its broadcast list sees it: the row's name and holder mark, the
// delivery under the failure rule.
class HostComponents::Receiver final : public TComponent {
public:
    Receiver(HostComponents& owner, const Slot& slot) : owner_(owner), slot_(slot) {}
    std::string_view Name() const override { return slot_.name; }
    bool HoldsTableRecords() const override { return slot_.holdsTableRecords; }
    void Notify(std::uint8_t code, const void* data) override {
        owner_.deliver(slot_.name, code, [&] { slot_.notify(owner_, code, data); });
    }
    const Slot& slot() const { return slot_; }

private:
    HostComponents& owner_;
    const Slot& slot_;
};

// The register table and the SFR configuration come before the memory spaces,
// which keep references to both. A plain array of constants: a host object
// kept in a static of its own (the IDE's library, a fuzzer) is destroyed at
// exit after any table built at run time would be.
std::span<const HostComponents::Slot> HostComponents::Slots() {
    static constexpr Slot slots[] = {
        {"Dll_Optionen", 2, false,
         [](HostComponents& c) {
             OptionsEnvironment environment;
             if (!c.w_.env.root.empty()) {
                 environment.root = c.w_.env.root;
                 environment.registryRoot = c.w_.env.root;
             }
             c.options = std::make_unique<TVokWinOptionen>(SettingsOf(c.w_.env), environment);
             c.options->SetNotifier(&c.w_.notifier);
             c.options->SetLogSink([&c](std::string_view t) { c.Protocol(t); });
             return true;
         },
         [](HostComponents& c) { c.options.reset(); },
         [](HostComponents& c, std::uint8_t code, const void* data) { c.options->Notify(code, data); }},
        {"Dll_Emulator", 1, false,
         [](HostComponents& c) {
             c.emulator = std::make_unique<TEmulator>(*c.options, ClockOf(c.w_.env), SettingsOf(c.w_.env));
             if (c.w_.env.serialPortOpener) c.emulator->setSerialPortOpener(c.w_.env.serialPortOpener);
             if (!c.w_.env.d2xxLibrary.empty()) c.emulator->setUsbLibrary(c.w_.env.d2xxLibrary);
             c.emulator->SetNotifier(&c.w_.notifier);
             // The tool chain decides how a download treats port-read calls.
             c.emulator->Download().SetOptionsInfo(c.options.get());
             c.options->SetEmulator(c.emulator.get());
             return true;
         },
         [](HostComponents& c) {
             if (c.options) c.options->SetEmulator(nullptr);
             c.emulator.reset();
         },
         [](HostComponents& c, std::uint8_t code, const void* data) { c.emulator->Notify(code, data); }},
        {"TracePlatine", 0, false,
         [](HostComponents& c) {
             // A trace board part handed in (tests) stands instead of the board's.
             if (c.w_.env.traceBoard) return false;
             c.trace = std::make_unique<TTracePlatine>(*c.emulator, c.w_.notifier);
             c.trace->SetOptionsInfo(c.options.get());
             c.w_.env.traceBoard = c.trace.get();
             return true;
         },
         [](HostComponents& c) {
             if (!c.trace) return;
             c.parts.traceBoard = nullptr;
             if (c.emulator) c.emulator->SetParts(c.parts);
             c.w_.env.traceBoard = nullptr;
             c.trace.reset();
         },
         nullptr},
        {"Banking", 3, false,
         [](HostComponents& c) {
             c.banking = std::make_unique<TBanking>(*c.emulator, c.w_.notifier);
             if (c.trace) c.trace->SetBanking(c.banking.get());
             return true;
         },
         [](HostComponents& c) {
             if (c.trace) c.trace->SetBanking(nullptr);
             c.banking.reset();
         },
         [](HostComponents& c, std::uint8_t code, const void* data) { c.banking->Notify(code, data); }},
        {"RegisterTabelle", 0, false,
         [](HostComponents& c) {
             c.registers = std::make_unique<TRegisterTabelle>();
             if (c.trace) c.trace->SetTables(nullptr, nullptr, c.registers.get());
             return true;
         },
         [](HostComponents& c) {
             if (c.trace) c.trace->SetTables(nullptr, nullptr, nullptr);
             c.registers.reset();
         },
         nullptr},
        {"SfrConfig", 0, false,
         [](HostComponents& c) {
             c.sfr = std::make_unique<TSfrConfig>(*c.registers, *c.emulator, *c.options);
             c.emulator->SetSfrConfig(c.sfr.get());
             c.options->SetSfrConfig(c.sfr.get());
             if (c.trace) c.trace->SetSfrConfig(c.sfr.get());
             return true;
         },
         [](HostComponents& c) {
             if (c.emulator) c.emulator->SetSfrConfig(nullptr);
             if (c.options) c.options->SetSfrConfig(nullptr);
             if (c.trace) c.trace->SetSfrConfig(nullptr);
             c.sfr.reset();
         },
         nullptr},
        {"Dll_Debug", 4, true,
         [](HostComponents& c) {
             // A run control handed in (tests) stands instead of the board's.
             if (c.w_.env.runControl) return false;
             c.debug = std::make_unique<TDebug>(*c.emulator, *c.sfr, *c.registers, c.w_.notifier);
             c.debug->SetBanking(c.banking.get());
             c.debug->SetTracePlatine(c.trace.get());
             // A stop the target does not obey asks whether to interrupt it
             // hard: in the windows' form, else through the message boxes.
             platform::StopErrorForm* form = c.w_.env.stopErrorForm;
             if (!form) {
                 c.ownStopErrorForm = std::make_unique<platform::BoxStopErrorForm>(
                     "Error", std::string(LoadResStr(rs::NoReactionOfTarget)) + "\r\nPerform hardware reset?");
                 form = c.ownStopErrorForm.get();
             }
             c.debug->SetStopErrorForm(form);
             c.ownRunControl = std::make_unique<DebugRunControl>(*c.debug, form);
             c.w_.env.runControl = c.ownRunControl.get();
             c.parts.runControl = c.debug.get();
             return true;
         },
         [](HostComponents& c) {
             if (!c.debug) return;
             c.w_.env.runControl = nullptr;
             c.ownRunControl.reset();
             c.debug.reset();
         },
         [](HostComponents& c, std::uint8_t code, const void* data) { c.debug->Notify(code, data); }},
        {"EmulSpeicher", 5, false,
         [](HostComponents& c) {
             c.parts.banking = c.banking.get();
             c.parts.traceBoard = c.w_.env.traceBoard;
             c.emulator->SetParts(c.parts);
             c.spaces = std::make_unique<TEmulSpaces>(*c.emulator, *c.sfr, *c.registers, c.w_.notifier, c.parts);
             c.spaces->SetBanking(c.banking.get());
             c.emulator->Download().SetBanking(c.banking.get());
             c.banking->SetRegisterTable(c.registers.get());
             if (c.debug) c.debug->SetSpaces(c.spaces.get());
             if (c.trace) c.trace->SetSpaces(c.spaces.get());
             c.options->SetSpaces(c.spaces.get());
             c.programClear = std::make_unique<TProgramClear>(*c.spaces);
             c.parts.programClear = c.programClear.get();
             c.emulator->SetParts(c.parts);
             return true;
         },
         [](HostComponents& c) {
             c.parts.programClear = nullptr;
             if (c.emulator) {
                 c.emulator->SetParts(c.parts);
                 c.emulator->Download().SetBanking(nullptr);
             }
             c.programClear.reset();
             if (c.trace) c.trace->SetSpaces(nullptr);
             if (c.options) c.options->SetSpaces(nullptr);
             c.spaces.reset();
         },
         [](HostComponents& c, std::uint8_t code, const void* data) { c.spaces->EmulSpeicherNotify(code, data); }},
        {"SymbolTabelle", 7, false,
         [](HostComponents& c) {
             TargetContext context;
             context.spaces = c.spaces.get();
             context.notifier = &c.w_.notifier;
             context.options = c.options.get();
             context.banking = c.banking.get();
             c.symbols = std::make_unique<TSymboltabelle>(context);
             return true;
         },
         [](HostComponents& c) { c.symbols.reset(); },
         [](HostComponents& c, std::uint8_t code, const void* data) { c.symbols->Notify(code, data); }},
        {"ZeilennummernTabelle", 0, false,
         [](HostComponents& c) {
             TargetContext context;
             context.spaces = c.spaces.get();
             context.notifier = &c.w_.notifier;
             context.options = c.options.get();
             context.banking = c.banking.get();
             c.lines = std::make_unique<TZeilennummertabelle>(*c.symbols, context);
             if (c.debug) c.debug->SetLineTable(c.lines.get());
             // The trace rows read their labels and source lines from the
             // session's tables.
             if (c.trace) c.trace->SetTables(c.symbols.get(), c.lines.get(), c.registers.get());
             return true;
         },
         [](HostComponents& c) {
             if (c.debug) c.debug->SetLineTable(nullptr);
             c.lines.reset();
         },
         nullptr},
        {"SelectTabelle", 6, false,
         [](HostComponents& c) {
             c.selectDisassembler =
                 std::make_unique<Disassembler>(c.symbols.get(), c.lines.get(), c.registers.get(), c.DialogContext());
             c.select = std::make_unique<TSelectTabelle>(c.SelectWiring());
             c.runSelect = std::make_unique<TRunSelectTable>(*c.select);
             c.parts.selectTable = c.select.get();
             c.emulator->SetParts(c.parts);
             if (c.debug) c.debug->SetSelectTable(c.runSelect.get());
             c.options->SetResetExtDataMap([&c] { c.select->ResetExtDataMap(); });
             return true;
         },
         [](HostComponents& c) {
             if (c.debug) c.debug->SetSelectTable(nullptr);
             c.parts.selectTable = nullptr;
             if (c.emulator) c.emulator->SetParts(c.parts);
             if (c.options) c.options->SetResetExtDataMap({});
             c.runSelect.reset();
             c.select.reset();
             c.selectDisassembler.reset();
         },
         [](HostComponents& c, std::uint8_t code, const void* data) { c.select->Notify(code, data); }},
        {"VokWinStatusZeile", 0, false,
         [](HostComponents& c) {
             c.statusLine = std::make_unique<TVokWinStatusZeile>([&c](const std::string& text) { c.w_.status(text); });
             if (c.debug) c.debug->SetRunIndicator(c.statusLine.get());
             return true;
         },
         [](HostComponents& c) {
             if (c.debug) c.debug->SetRunIndicator(nullptr);
             c.statusLine.reset();
         },
         nullptr},
        // The watches keep the symbols they resolved.
        {"WatchTabelle", 8, true,
         [](HostComponents& c) {
             c.watchTarget =
                 std::make_unique<TEmulWatchTarget>(*c.spaces, *c.emulator, c.debug.get(), c.options.get());
             c.watches = std::make_unique<TWatchTabelle>(*c.symbols, *c.registers, *c.watchTarget, c.w_.notifier);
             c.watchCommands = std::make_unique<TWatchTableCommands>(*c.watches);
             return true;
         },
         [](HostComponents& c) {
             c.watchCommands.reset();
             c.watches.reset();
             c.watchTarget.reset();
         },
         [](HostComponents& c, std::uint8_t code, const void* data) { c.watches->Notify(code, data); }},
        {"Kommando", 9, false,
         [](HostComponents& c) {
             c.kommando = std::make_unique<TKommando>(c.w_.notifier);
             c.kommando->SetTracePresent([&c] { return c.TraceBoardPresent(); });
             c.kommando->SetBanking(c.banking.get());
             return true;
         },
         [](HostComponents& c) { c.kommando.reset(); },
         [](HostComponents& c, std::uint8_t code, const void* data) { c.kommando->Notify(code, data); }},
        {"PerformanceComp", 10, false,
         [](HostComponents& c) {
             if (c.trace) c.perfTrace = std::make_unique<TTracePerformance>(*c.trace);
             TPerformanceWiring wiring;
             wiring.trace = c.perfTrace.get();
             wiring.select = c.select.get();
             wiring.debug = c.debug.get();
             auto validator = std::make_unique<TVokWinValidator>(c.symbols.get(), c.lines.get(), c.registers.get(),
                                                                 c.trace.get(), c.DialogContext());
             c.performance = std::make_unique<TPerformance>(std::move(validator), wiring);
             // Its ranges and saved set-up travel in the select file's section.
             c.select->SetPerformance(c.performance.get());
             return true;
         },
         [](HostComponents& c) {
             if (c.select) c.select->SetPerformance(nullptr);
             c.performance.reset();
             c.perfTrace.reset();
         },
         [](HostComponents& c, std::uint8_t code, const void* data) { c.performance->Notify(code, data); }},
        {"VokWinLoader", 0, false,
         [](HostComponents& c) {
             c.loader = std::make_unique<TVokWinLoader>(
                 LoaderTarget{*c.spaces, *c.emulator, *c.sfr, *c.options, *c.symbols, *c.lines, c.banking.get(),
                              c.debug.get(), c.registers.get(), &ClockOf(c.w_.env)});
             return true;
         },
         [](HostComponents& c) { c.loader.reset(); },
         nullptr},
    };
    return slots;
}

HostComponents::HostComponents(HostWiring wiring) : w_(std::move(wiring)) {}

HostComponents::~HostComponents() { Destroy(); }

void HostComponents::logLine(std::string line) {
    log_.push_back(std::move(line));
    if (w_.env.lifecycleLog) w_.env.lifecycleLog->push_back(log_.back());
}

void HostComponents::Create() {
    created_ = true;
    std::vector<const Slot*> hearing;
    for (const Slot& slot : Slots()) {
        const bool filled = slot.make(*this);
        logLine(std::string("create ") + slot.name);
        if (filled && slot.hears != 0) hearing.push_back(&slot);
    }
    std::stable_sort(hearing.begin(), hearing.end(), [](const Slot* a, const Slot* b) { return a->hears < b->hears; });
    for (const Slot* slot : hearing) {
        receiverSlots_.push_back(std::make_unique<Receiver>(*this, *slot));
        hearing_.Add(*receiverSlots_.back());
    }
    // The project's two files hold the sections of the components above.
    ProjectComponents files;
    files.options = options.get();
    files.symbols = symbols.get();
    if (debug) {
        files.runControl = debug.get();
        files.clearRunControlOptions = [this] { debug->SetOptionByte(0); };
    }
    files.emulator = emulator.get();
    files.banking = banking.get();
    files.selectTable = select.get();
    projectFiles = std::make_unique<TProjectFiles>(std::move(files));
}

void HostComponents::Destroy() {
    if (!created_) return;
    created_ = false;
    projectFiles.reset();
    const auto& slots = Slots();
    for (auto slot = slots.rbegin(); slot != slots.rend(); ++slot) {
        const auto hears = std::find_if(receiverSlots_.begin(), receiverSlots_.end(),
                                        [&](const auto& r) { return &r->slot() == &*slot; });
        if (hears != receiverSlots_.end()) {
            hearing_.Remove(**hears);
            receiverSlots_.erase(hears);
        }
        slot->free(*this);
        logLine(std::string("free ") + slot->name);
    }
}

void HostComponents::deliver(const char* name, std::uint8_t code, const std::function<void()>& receive) {
    w_.event(std::string("receive ") + name + " " + std::to_string(code));
    try {
        receive();
    } catch (const EEmulatorError&) {
        throw;
    } catch (...) {
        if (failure_ && !*failure_) *failure_ = std::current_exception();
    }
}

void HostComponents::Broadcast(std::uint8_t code, const void* data) {
    std::exception_ptr first;
    struct Scope {
        std::exception_ptr*& slot;
        std::exception_ptr* outer;
        ~Scope() { slot = outer; }
    } scope{failure_, failure_};
    failure_ = &first;
    hearing_.Broadcast(code, data);
    for (auto& receiver : receivers_) deliver("receiver", code, [&] { receiver(code, data); });
    if (first) std::rethrow_exception(first);
}

TSelectWiring HostComponents::SelectWiring() {
    TSelectWiring wiring{*emulator, *banking, *spaces, *options, w_.notifier};
    wiring.trace = trace.get();
    wiring.symbols = symbols.get();
    // Line steps and line-number ranges need the lines' qualifier on the
    // board, which the select table puts there from this table.
    wiring.lines = lines.get();
    wiring.disassembler = selectDisassembler.get();
    wiring.programCounter = [this] {
        const IRunControl* run = w_.env.runControl;
        return run ? run->ProgramCounter() : TBankAdresse{};
    };
    wiring.optionsInfo = options.get();
    wiring.registers = registers.get();
    wiring.memory = spaces.get();
    return wiring;
}

TargetContext HostComponents::DialogContext() {
    return TargetContext{spaces.get(), &spaces->CodeReader(), &w_.notifier, options.get(), banking.get()};
}

bool HostComponents::TraceBoardPresent() const {
    return w_.env.traceBoard != nullptr && (!trace || trace->BoardPresent());
}

void HostComponents::Protocol(std::string_view text) {
    if (emulator) emulator->Protokoll(text);
}

}  // namespace tarvex
