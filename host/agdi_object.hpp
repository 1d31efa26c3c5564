#pragma once
// The host-interface object: everything the IDE asks of the driver enters
// here, through the driver library's twelve exports (driver/exports.cpp,
// which only forward). It holds what the IDE handed over, the session's
// flags and the attribute map; its parts by state are the components
// (host/host_components.hpp), the driver lock with the hand-over between
// threads (host/run_hand_over.hpp), the register view
// (host/register_view.hpp) and the menu (host/driver_menu.hpp).
//
// The driver lock: every entry point from the IDE holds one recursive mutex
// while it runs, except on another thread while a go or step waits. Such a
// call is answered at once (a memory request refused, a breakpoint change
// 0x80000000, a feature query), or handed to the waiting thread, which
// carries it out under the lock at its next poll (a stop, the other AG_Init
// codes, a menu entry without a modal dialog, the dialog update); a menu
// entry that would hold the run up in a modal dialog says that it cannot run
// now. So only one thread talks to the board and calls into the IDE at a
// time.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/target_parts.hpp"
#include "host/agdi_records.hpp"
#include "host/load/attribute_map.hpp"
#include "host/command_executor.hpp"
#include "host/driver_windows.hpp"
#include "host/driver_menu.hpp"
#include "host/host_components.hpp"
#include "host/register_view.hpp"
#include "host/run_hand_over.hpp"
#include "host/run_port.hpp"
#include "platform/serial_port.hpp"
#include "platform/ui.hpp"

namespace tarvex {

namespace platform {
class BusyCursor;
class Clock;
class SettingsStore;
class StopErrorForm;
}  // namespace platform

class TBanking;
class TComponent;
class TEmulator;
class TEmulSpaces;
class TProgramClear;
class TEmulSpeicher;
class TRegisterTabelle;
class TSfrConfig;
class TVokWinOptionen;
class TProjectFiles;
class TTracePlatine;
class TSymboltabelle;
class TZeilennummertabelle;
class TVokWinLoader;
class TDebug;
class TEmulWatchTarget;
class TKommando;
class TWatchTabelle;
struct TCopyFillTargets;
class TSelectTabelle;
class TKdoSelectTabelle;
struct TSelectWiring;
class TRunSelectTable;
class TVokWinStatusZeile;
class ITraceBoardPart;
class TPerformance;
class TTracePerformance;
class IPerformanceTrace;
struct TPerformanceList;

class TAgdiObject {
public:
    static constexpr const char* ApplicationTitle = "TARVEX Driver DLL";
    static constexpr std::uint32_t InitialFeatures = 0x30;
    static constexpr std::uint32_t Refused = 0x80000000u;

    explicit TAgdiObject(DriverEnvironment environment = {});
    ~TAgdiObject();
    TAgdiObject(const TAgdiObject&) = delete;
    TAgdiObject& operator=(const TAgdiObject&) = delete;

    // The object the functions handed to the IDE reach (the register view,
    // the menu handlers, the dialog update): the one alive, null when none.
    static TAgdiObject* Current();

    // ---- The twelve entry points
    std::uint32_t AG_Init(std::uint16_t code, std::uintptr_t value);
    std::uint32_t AG_MemAcc(std::uint16_t code, std::uint8_t* buffer, agdi::MemRequest* request, std::uint32_t count);
    std::uint32_t AG_RegAcc(std::uint16_t code, std::uint32_t id, void* value);
    std::uint32_t AG_AllReg(std::uint16_t code, std::uint8_t* block);
    std::uint32_t AG_MemAtt(std::uint16_t code, std::uint32_t attribute, agdi::AttRequest* request);
    std::uint32_t AG_BpInfo(std::uint16_t code, std::uint32_t* address);
    agdi::BpRecord* AG_BreakFunc(std::uint16_t code, std::uint32_t ignored, std::uint32_t* address,
                                 agdi::BpRecord* record);
    std::uint32_t AG_GoStep(std::uint16_t code, std::uint32_t count, std::uint32_t* address);
    std::uint32_t AG_Serial(std::uint16_t code, std::uint32_t value1, std::uint32_t value2, std::uint32_t value3);
    std::uint32_t AG_HistFunc(std::uint32_t, std::int32_t, std::int32_t, void*) { return 0; }
    std::uint32_t DllUv3Cap(std::uint32_t code, void* data);
    std::uint32_t EnumUv351(void* data, std::uint32_t code);

    // ---- The functions handed to the IDE (through trampolines)
    std::uint32_t RegViewRead(agdi::RegItem* item, std::uint32_t mode);
    std::uint32_t RegViewWrite(agdi::RegItem* item, std::uint32_t value);
    void MenuSelected(agdi::MenuEntry* entry);
    std::uint32_t DialogUpdate();
    void DescriptorUpdate(agdi::DialogDescriptor* descriptor);
    void DescriptorClose(agdi::DialogDescriptor* descriptor);

    // The same as the IDE calls them: they find the object through Current().
    static std::uint32_t TARVEX_AGDI_CALL RegViewReadEntry(agdi::RegItem* item, std::uint32_t mode);
    static std::uint32_t TARVEX_AGDI_CALL RegViewWriteEntry(agdi::RegItem* item, std::uint32_t value);
    static void TARVEX_AGDI_CALL MenuEntryHandler(agdi::MenuEntry* entry);
    static std::uint32_t TARVEX_AGDI_CALL DialogUpdateEntry();
    static void TARVEX_AGDI_CALL DescriptorUpdateEntry(agdi::DialogDescriptor* descriptor);
    static void TARVEX_AGDI_CALL DescriptorCloseEntry(agdi::DialogDescriptor* descriptor);

    // ---- Internal notifications
    // Builds the record {1152, code, data} and dispatches it completely.
    void SendVokWinMessage(std::uint8_t code, const void* data);
    void SendDialogClosed(std::uint32_t dialogId);
    void PerformVokWinMessage(const agdi::NotificationRecord& record);
    void Notify(const agdi::NotificationRecord& record);
    INotifier& Notifier() { return notifier_; }
    // The processing of the status forms while the board works; answers
    // whether the user cancelled. No forms yet: nothing to process.
    bool CheckAbbruch() const { return cancelled_; }
    void SetCancelled(bool on) { cancelled_ = on; }

    // ---- Session
    std::uint32_t StartEmulator();
    void EndSession();
    // The exception hook: shows and classifies what an entry point caught.
    void HandleException(std::exception_ptr error);
    // The box of a failure the IDE is answered for; nothing for an empty
    // text (its box was shown already).
    void showFailure(const std::string& message);
    void SetDownloadMode(bool on);
    void EndDownloadSession();
    void SendOutput(const std::string& text);
    void CallCallback(std::uint32_t code, void* data);
    // Help on a topic of the driver's help file through the installed
    // viewer: 1 when it was shown.
    std::uint32_t ShowHelp(std::uint32_t context, void* data);
    void Log(std::string_view text);

    // ---- Menu
    agdi::MenuEntry* MenuTable() { return menu_.Table(); }
    void UpdateCopyMapEnable();
    void UpdateTraceEnable(bool tracePresent);
    void CloseAllDialogs();

    // ---- State, for the tests and the dispatcher
    bool SessionEnded() const { return sessionEnded_; }
    bool DownloadMode() const { return downloadMode_; }
    bool RefreshPending() const { return refreshPending_; }
    void SetRefreshPending(bool on) { refreshPending_ = on; }
    bool SelectFileDeferred() const { return selectFileDeferred_; }
    bool StopRequested() const { return stopRequested_.load(); }
    std::uint32_t CurrentPc() const { return currentPc_; }
    std::uintptr_t HostWindow() const { return hostWindow_; }
    const std::string& ProgramFileName() const { return programFileName_; }
    const std::string& HostExeName() const { return hostExeName_; }
    const std::vector<std::string>& ComponentLog() const { return c_.Lifecycle(); }
    std::vector<std::string> EventLog() const {
        std::lock_guard<std::mutex> g(eventsMutex_);
        return events_;
    }
    void ClearEventLog() {
        std::lock_guard<std::mutex> g(eventsMutex_);
        events_.clear();
    }
    // One line of the ordered log of what the object did, for the tests.
    void event(std::string text) {
        std::lock_guard<std::mutex> g(eventsMutex_);
        events_.push_back(std::move(text));
    }
    TAttributeMap& Attributes() { return attributes_; }
    agdi::RegViewDescriptor& RegisterView() { return regView_.Descriptor(); }
    agdi::RegItem* RegisterItems() { return regView_.Items(); }
    TEmulator& Emulator() { return *c_.emulator; }
    TEmulSpaces& Spaces() { return *c_.spaces; }
    TBanking& Banking() { return *c_.banking; }
    TSfrConfig& SfrConfig() { return *c_.sfr; }
    TVokWinOptionen& Options() { return *c_.options; }
    TProjectFiles& ProjectFiles() { return *c_.projectFiles; }
    // The command component with the history.
    TKommando& Kommando() { return *c_.kommando; }
    // The executor's targets (tests fill the slots of later components).
    CommandTargets& Commands() { return executor_->Targets(); }
    TSymboltabelle& Symbols() { return *c_.symbols; }
    TZeilennummertabelle& Lines() { return *c_.lines; }
    TVokWinLoader& Loader() { return *c_.loader; }
    TWatchTabelle& Watches() { return *c_.watches; }
    // The status line; its first text goes to the IDE's status bar.
    TVokWinStatusZeile& StatusLine() { return *c_.statusLine; }
    // The run control component and the register table; null before they exist.
    TDebug* Debug() { return c_.debug.get(); }
    const TRegisterTabelle* Registers() const { return c_.registers.get(); }
    // The board's trace model; null when a trace board part was handed in.
    TTracePlatine* TracePlatine() { return c_.trace.get(); }
    // The run control the run requests go to; null when there is none.
    IRunControl* RunControl() { return env_.runControl; }

    // ---- What the menu's dialogs work on
    TSelectTabelle& SelectTable() { return *c_.select; }
    bool TraceBoardPresent() const { return c_.TraceBoardPresent(); }
    // The context the dialogs' validators resolve addresses in.
    TargetContext DialogContext();
    // An offline copy of the live select table for a dialog to edit: the
    // board sees its changes only when the dialog's chain runs.
    std::unique_ptr<TKdoSelectTabelle> OfflineSelectTable();
    // Runs a command the way the menu does: executed, and recorded in the
    // history when it answers true.
    bool RunMenuCommand(std::unique_ptr<TBasisVokWinKommando> command);
    // The performance measurement and the trace it reads (null without a
    // board of our own).
    TPerformance* Performance() { return c_.performance.get(); }
    IPerformanceTrace* PerformanceTrace();
    // The evaluation of the last measured run, over the program space as it
    // is now, under the busy cursor given; raises what the evaluation raises.
    const TPerformanceList& PerformanceErgebnis(platform::BusyCursor* cursor = nullptr);
    // The forms the emulator shows while it starts (generation, service
    // mode); null: none.
    void SetMaintenanceForms(IMaintenanceForms* forms);
    std::recursive_mutex& DriverLock() { return hand_.Lock(); }
    // A receiver of the broadcast, for tests; called after the built-in
    // ones in the order added.
    void AddReceiver(std::function<void(std::uint8_t, const void*)> receiver) {
        c_.AddReceiver(std::move(receiver));
    }

    // Register ids of AG_RegAcc.
    static constexpr std::uint32_t RegA = HostRegisterView::RegA, RegB = HostRegisterView::RegB,
                                   RegTime = HostRegisterView::RegTime, RegDptr = HostRegisterView::RegDptr,
                                   RegPc = HostRegisterView::RegPc, RegPsw = HostRegisterView::RegPsw,
                                   RegSp = HostRegisterView::RegSp;
    static constexpr std::size_t RegItemCount = 23;

private:
    class Dispatcher final : public INotifier {
    public:
        explicit Dispatcher(TAgdiObject& owner) : owner_(owner) {}
        void send(std::uint8_t code, const void* data) override { owner_.SendVokWinMessage(code, data); }

    private:
        TAgdiObject& owner_;
    };
    class EntryGuard;

    // Runs fn under the driver lock with the download-mode switch and the
    // exception hook; answers `result` as fn left it.
    template <typename R, typename Fn>
    R entry(R result, bool downloadOff, Fn&& fn);
    // A call on another thread while a go or step waits.
    bool otherThreadDuringRun() const { return hand_.OtherThreadDuringRun(); }

    // The live select table's wiring; the offline copies share it.
    TSelectWiring selectWiring();
    std::uint32_t startup();
    void teardown();
    void defaultAttributes();
    void takeProjectDir(const char* projectFile);
    void copyOptionPath(char* buffer, std::size_t size);

    // Memory requests.
    struct Target {
        TEmulSpeicher* space;
        std::uint32_t count;
        bool zeros;
    };
    Target memoryTarget(std::uint32_t hostAddress, std::uint32_t count, bool forWrite);
    TBankAdresse checkedAdresse(TEmulSpeicher& space, std::uint32_t hostAddress);
    bool readMemory(std::uint32_t hostAddress, std::uint8_t* buffer, std::uint32_t count);
    bool writeMemory(std::uint32_t hostAddress, const std::uint8_t* buffer, std::uint32_t count);
    bool download(std::uint32_t hostAddress, const std::uint8_t* buffer, std::uint32_t count);
    bool connected() const;
    bool targetRunning() const;

    // Registers.
    std::optional<std::uint32_t> readRegister(std::uint32_t id);
    bool writeRegister(std::uint32_t id, std::uint32_t value);
    std::uint8_t sfr(std::uint8_t address);
    void writeSfr(std::uint8_t address, std::uint8_t value);
    std::string registerBank();
    std::uint32_t hostPc();
    void setPcVariable(std::uint32_t hostForm);
    std::uint32_t pcForIde(std::uint32_t hostForm) const;
    TBankAdresse programAdresse(std::uint32_t hostAddress) const;
    // Refused with a box (the PC stays) when the address lies outside the
    // program space.
    bool writePc(std::uint32_t value);
    std::uint32_t timeValue();

    // Breakpoints.
    std::uint32_t changeBreak(std::uint32_t hostAddress, int mode);
    void mirrorBreak(std::uint32_t hostAddress, int mode);
    std::uint32_t forEachIdeBreak(const std::function<bool(agdi::BpRecord&)>& act);

    // Run requests.
    std::uint32_t goStep(std::uint16_t code, std::uint32_t count, std::uint32_t* address);
    std::uint32_t stop();
    std::uint32_t stopFromOtherThread();
    // Runs `work` on the thread whose go or step waits, at its next poll;
    // false when no run waits any more (the caller then runs it itself).
    bool handToRun(const std::function<void()>& work) { return hand_.HandToRun(work); }
    std::uint32_t initDuringRun(std::uint16_t code, std::uintptr_t value);
    std::uint32_t initBody(std::uint16_t code, std::uintptr_t value);
    std::uint32_t feature(std::uint8_t n) const { return n >= 1 && n <= 7 ? (features_ >> (n - 1)) & 1u : 0; }
    void waitLoop();
    void halted();
    void status(const std::string& text);

    // Menu.
    void menuAction(std::size_t index);
    void runCommand(std::uint8_t code);
    TCopyFillTargets copyFillTargets(const TBasisVokWinKommando& command);
    void saveMemory(const TBasisVokWinKommando& command);

    DriverEnvironment env_;
    std::unique_ptr<IDriverWindows> ownWindows_;
    std::unique_ptr<TCommandExecutor> executor_;
    std::unique_ptr<IRunCommands> runCommands_;
    std::unique_ptr<ITraceCommands> traceCommands_;
    IDriverWindows* windows_ = nullptr;
    platform::ApplicationExceptionHandler previousHandler_;
    ICommandRunner* commands_ = nullptr;
    Dispatcher notifier_{*this};

    // The state whose effect the IDE sees.
    std::string programFileName_;
    std::uint32_t currentPc_ = 0xFF000000u;
    std::string hostExeName_;
    bool downloadMode_ = false;
    bool downloadSession_ = false;
    bool refreshPending_ = false;
    std::string helpFileName_;
    std::uintptr_t hostWindow_ = 0;
    std::uintptr_t applicationHandle_ = 0;
    bool selectFileDeferred_ = false;
    agdi::ProjectRecord* hostProject_ = nullptr;
    std::atomic<bool> sessionEnded_{false};
    std::atomic<bool> stopRequested_{false};
    std::uint32_t features_ = InitialFeatures;
    std::string projectText1_, projectText2_;
    std::uint32_t timeValue_ = 0;
    bool timeValid_ = false;
    std::uintptr_t instance_ = 0;
    agdi::BpRecord** breakpointListHead_ = nullptr;
    agdi::CallbackFn callback_ = nullptr;
    void** activeWindowVar_ = nullptr;
    std::uint32_t* pcVar_ = nullptr;
    std::uint32_t messageId_ = 0;

    void optionDefaults();

    // The components, in their slots.
    HostComponents c_{HostWiring{env_, notifier_, [this](const std::string& text) { status(text); },
                                 [this](std::string text) { event(std::move(text)); }}};

    TAttributeMap attributes_;
    HostRegisterView regView_;
    DriverMenu menu_;
    bool cancelled_ = false;
    bool inHook_ = false;
    bool hookRestartFailed_ = false;
    mutable std::mutex eventsMutex_;
    std::vector<std::string> events_;

    // The driver lock and the hand-over between threads.
    RunHandOver hand_{[this](std::string text) { event(std::move(text)); }};
};

template <typename R, typename Fn>
inline R TAgdiObject::entry(R result, bool downloadOff, Fn&& fn) {
    RunHandOver::Entry hold(hand_);
    try {
        if (downloadOff) SetDownloadMode(false);
        fn(result);
    } catch (...) {
        HandleException(std::current_exception());
    }
    return result;
}

}  // namespace tarvex
