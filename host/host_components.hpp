#pragma once
// The driver's component singletons and the one registry of their slots.
//
// Each slot is one row: its name, how it is made and wired, how it is
// unwired and freed, its place in the broadcast of the internal
// notifications, and whether it keeps pointers to symbol or line records.
// The rows are walked forwards to create, backwards to free; the slots that
// hear the notifications join a TComponentList in their broadcast order, so
// that the list's rule (table-record holders hear notification 9 first) is
// the one that runs. The option file's sections are the project files' own
// (host/project_files.hpp): their order is the stored format's, not the
// slots'.
//
// A receiver's failure other than a link fault does not keep the later
// receivers from their notification: the first such failure reaches the
// sender once all of them had it. A link fault ends the broadcast at once
// (the host restarts the link).
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/target_parts.hpp"
#include "host/command_executor.hpp"
#include "host/driver_windows.hpp"
#include "host/run_port.hpp"
#include "platform/serial_port.hpp"

namespace tarvex {

namespace platform {
class Clock;
class SettingsStore;
class StopErrorForm;
}  // namespace platform

class Disassembler;
class TBanking;
class TDebug;
class TEmulator;
class TEmulSpaces;
class TEmulWatchTarget;
class TKommando;
class TPerformance;
class TProgramClear;
class TProjectFiles;
class TRegisterTabelle;
class TRunSelectTable;
class TSelectTabelle;
class TSfrConfig;
class TSymboltabelle;
class TTracePerformance;
class TTracePlatine;
class TVokWinLoader;
class TVokWinOptionen;
class TVokWinStatusZeile;
class TWatchTabelle;
class TZeilennummertabelle;
class ITraceBoardPart;
struct TSelectWiring;

// What the object works with; the library's instance takes the real ones,
// tests their fakes. Null or empty members mean the real ones.
struct DriverEnvironment {
    platform::Clock* clock = nullptr;
    platform::SettingsStore* settings = nullptr;
    platform::SerialPortOpener serialPortOpener;
    // The D2XX library's name or path.
    std::string d2xxLibrary;
    // The installation root (data files, FPGA images); empty: the usual
    // search ($TARVEX_ROOT, the program's folder).
    std::string root;
    IDriverWindows* windows = nullptr;
    // Runs the commands; null: the executor on the object's components.
    ICommandRunner* commands = nullptr;
    // The run control; null: run requests are refused.
    IRunControl* runControl = nullptr;
    // The question after a stop the target did not obey; null: the question
    // goes to the message boxes.
    platform::StopErrorForm* stopErrorForm = nullptr;
    ITraceBoardPart* traceBoard = nullptr;
    // Receives the lines of ComponentLog() as well, also those of the
    // destruction; for tests.
    std::vector<std::string>* lifecycleLog = nullptr;
};

platform::Clock& ClockOf(const DriverEnvironment& env);
platform::SettingsStore& SettingsOf(const DriverEnvironment& env);

// What the components are wired to outside themselves.
struct HostWiring {
    // The run control and the trace board slots fill it where nothing was
    // handed in, and empty it when they go.
    DriverEnvironment& env;
    // The host's dispatcher: every notification a component sends.
    INotifier& notifier;
    // The status line's first text, for the IDE's status bar.
    std::function<void(const std::string&)> status;
    // One line of the host's ordered event log.
    std::function<void(std::string)> event;
};

class HostComponents {
public:
    explicit HostComponents(HostWiring wiring);
    // Frees what is still there.
    ~HostComponents();
    HostComponents(const HostComponents&) = delete;
    HostComponents& operator=(const HostComponents&) = delete;

    // Makes and wires every slot in row order, then the project files.
    void Create();
    // The project files, then every slot in reverse row order.
    void Destroy();

    // One notification to every slot that hears it, then to the receivers
    // added for tests, in the order added.
    void Broadcast(std::uint8_t code, const void* data);
    void AddReceiver(std::function<void(std::uint8_t, const void*)> receiver) {
        receivers_.push_back(std::move(receiver));
    }
    // "create <slot>" and "free <slot>", in the order done.
    const std::vector<std::string>& Lifecycle() const { return log_; }
    // The slots that hear notifications, in broadcast order.
    const TComponentList& Hearing() const { return hearing_; }

    // The live select table's wiring; the offline copies share it.
    TSelectWiring SelectWiring();
    // The context the dialogs' validators resolve addresses in.
    TargetContext DialogContext();
    // The trace board is fitted: a part handed in, or the board said so.
    bool TraceBoardPresent() const;
    // A line of the link's protocol (nothing before the link exists).
    void Protocol(std::string_view text);

    // ---- The slots, in row order
    std::unique_ptr<TVokWinOptionen> options;
    std::unique_ptr<TEmulator> emulator;
    std::unique_ptr<TTracePlatine> trace;
    std::unique_ptr<TBanking> banking;
    std::unique_ptr<TRegisterTabelle> registers;
    std::unique_ptr<TSfrConfig> sfr;
    std::unique_ptr<TDebug> debug;
    // Before the run control, which points at it.
    std::unique_ptr<platform::StopErrorForm> ownStopErrorForm;
    std::unique_ptr<IRunControl> ownRunControl;
    std::unique_ptr<TEmulSpaces> spaces;
    std::unique_ptr<TProgramClear> programClear;
    std::unique_ptr<TSymboltabelle> symbols;
    std::unique_ptr<TZeilennummertabelle> lines;
    // The select table's, for the temporary breakpoint after the
    // instruction at the program counter.
    std::unique_ptr<Disassembler> selectDisassembler;
    std::unique_ptr<TSelectTabelle> select;
    std::unique_ptr<TRunSelectTable> runSelect;
    std::unique_ptr<TEmulWatchTarget> watchTarget;
    std::unique_ptr<TVokWinStatusZeile> statusLine;
    std::unique_ptr<TWatchTabelle> watches;
    std::unique_ptr<TWatchTableCommands> watchCommands;
    std::unique_ptr<TKommando> kommando;
    std::unique_ptr<TTracePerformance> perfTrace;
    std::unique_ptr<TPerformance> performance;
    std::unique_ptr<TVokWinLoader> loader;
    // Not a slot: the two files that hold the slots' sections.
    std::unique_ptr<TProjectFiles> projectFiles;
    TargetParts parts;

private:
    struct Slot;
    class Receiver;
    static std::span<const Slot> Slots();

    void logLine(std::string line);
    // Runs one receiver's part of a broadcast under the failure rule above.
    void deliver(const char* name, std::uint8_t code, const std::function<void()>& receive);

    HostWiring w_;
    bool created_ = false;
    std::vector<std::string> log_;
    TComponentList hearing_;
    std::vector<std::unique_ptr<Receiver>> receiverSlots_;
    std::vector<std::function<void(std::uint8_t, const void*)>> receivers_;
    // The first failure of the broadcast that runs now (nested ones keep
    // their own).
    std::exception_ptr* failure_ = nullptr;
};

}  // namespace tarvex
