// The driver library's twelve exports: each finds the host-interface object
// (made at the first call, not while the library loads: on Windows that runs
// under the loader lock) and forwards. The object takes the driver lock,
// switches the download mode and catches everything.
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>

#include "emulator/link/d2xx.hpp"
#include "emulator/link/io_library.hpp"
#include "host/agdi_object.hpp"
#include "host/agdi_records.hpp"
#include "host/command_history.hpp"
#include "platform/host_window.hpp"
#include "platform/ui.hpp"
#include "ui/model/host_trace_export.hpp"
#ifdef TARVEX_DRIVER_WINDOWS
#include "platform/settings.hpp"
#include "ui/qt/qt_runtime.hpp"
#include "ui/qt/driver/qt_driver_windows.hpp"
#endif
#ifdef _WIN32
#include "platform/win32/message_boxes_win32.hpp"
#endif
#ifdef TARVEX_WIN32_WINDOWS
#include "platform/settings.hpp"
#include "ui/win32/driver/win32_driver_windows.hpp"
#endif

#ifdef _WIN32
#define TARVEX_EXPORT extern "C"
#else
#define TARVEX_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using tarvex::TAgdiObject;
namespace agdi = tarvex::agdi;

// The message boxes the driver shows: console ones that never wait for
// input with TARVEX_UI=console (tests, the main job) and wherever there is
// no windowed box yet; the system's boxes in the IDE on Windows.
class Library {
public:
    Library() {
        // The bindings of the D2XX and io libraries live in statics of their
        // own; made first, they are destroyed after the object, whose
        // destructor still releases them.
        tarvex::ftd2xx::USBDllRelease();
        tarvex::iodll::IoDllRelease();
        const char* ui = std::getenv("TARVEX_UI");
        const bool console = ui && std::string(ui) == "console";
#ifdef _WIN32
        if (!console) {
            windowBoxes_ = std::make_unique<tarvex::platform::Win32MessageBoxes>();
            boxes_ = windowBoxes_.get();
        }
#endif
        (void)console;
        if (!boxes_) {
            consoleBoxes_ = std::make_unique<tarvex::platform::ConsoleMessageBoxes>(std::cin, std::cerr, false);
            boxes_ = consoleBoxes_.get();
        }
        errorDialog_ = std::make_unique<tarvex::platform::ConsoleErrorDialog>(*boxes_);
        ui_ = std::make_unique<tarvex::platform::ScopedUi>(boxes_, errorDialog_.get());
        // The command dialogs exchange command lists through this format.
        tarvex::SetClipboardFormat(
            tarvex::platform::registerClipboardFormat(std::string(tarvex::ClipboardFormatName).c_str()));
        tarvex::DriverEnvironment environment;
#ifdef TARVEX_DRIVER_WINDOWS
        // Windows only where a display is reachable: Qt aborts the process
        // otherwise. The console mode never opens one.
        if (!console && tarvex::ui::QtRuntime::ensure()) {
            windows_ = std::make_unique<tarvex::ui::QtDriverWindows>(tarvex::platform::defaultSettings());
            environment.windows = windows_.get();
            environment.stopErrorForm = windows_->stopErrorForm();
        }
#endif
#ifdef TARVEX_WIN32_WINDOWS
        // The console mode never opens one.
        if (!console) {
            windows_ = std::make_unique<tarvex::ui::win32::Win32DriverWindows>(tarvex::platform::defaultSettings());
            environment.windows = windows_.get();
            environment.stopErrorForm = windows_->stopErrorForm();
        }
#endif
        object_ = std::make_unique<TAgdiObject>(std::move(environment));
#if defined(TARVEX_DRIVER_WINDOWS) || defined(TARVEX_WIN32_WINDOWS)
        if (windows_) windows_->attach(object_.get());
#endif
        // The save-trace command writes the trace text in every build.
        traceExport_ = std::make_unique<tarvex::ui::HostTraceExport>(*object_);
    }
    ~Library() {
        traceExport_.reset();
#if defined(TARVEX_DRIVER_WINDOWS) || defined(TARVEX_WIN32_WINDOWS)
        // The windows read the object's board: they go first.
        if (windows_) windows_->FreeTraceWindow();
#endif
        object_.reset();
#ifdef TARVEX_WIN32_WINDOWS
        windows_.reset();
#endif
#ifdef TARVEX_DRIVER_WINDOWS
        windows_.reset();
        tarvex::ui::QtRuntime::shutdown();
#endif
        ui_.reset();
    }
    TAgdiObject& object() { return *object_; }

private:
    std::unique_ptr<tarvex::platform::ConsoleMessageBoxes> consoleBoxes_;
#ifdef _WIN32
    std::unique_ptr<tarvex::platform::Win32MessageBoxes> windowBoxes_;
#endif
    tarvex::platform::MessageBoxes* boxes_ = nullptr;
    std::unique_ptr<tarvex::platform::ConsoleErrorDialog> errorDialog_;
    std::unique_ptr<tarvex::platform::ScopedUi> ui_;
#ifdef TARVEX_DRIVER_WINDOWS
    std::unique_ptr<tarvex::ui::QtDriverWindows> windows_;
#endif
#ifdef TARVEX_WIN32_WINDOWS
    std::unique_ptr<tarvex::ui::win32::Win32DriverWindows> windows_;
#endif
    std::unique_ptr<TAgdiObject> object_;
    std::unique_ptr<tarvex::ui::HostTraceExport> traceExport_;
};

// With our own windows open, their events get through at the start and the
// end of every call from the IDE (on the application's thread only), so a
// modeless window repaints and answers between the calls.
class EventPump {
public:
    EventPump() { pump(); }
    ~EventPump() { pump(); }
    EventPump(const EventPump&) = delete;
    EventPump& operator=(const EventPump&) = delete;

private:
    static void pump() {
#ifdef TARVEX_DRIVER_WINDOWS
        tarvex::ui::QtRuntime::pumpEvents();
#endif
    }
};

// Made once, thread-safe, at the first call; destroyed when the library is
// unloaded.
TAgdiObject& object() {
    static Library library;
    return library.object();
}

// Nothing may leave an export towards the IDE. The object catches what its
// calls raise; what is left is the making of the object itself (and the
// window events around a call): the call is then refused as after the end
// of a session.
template <typename R, typename Fn>
R guarded(R refused, Fn&& fn) noexcept {
    try {
        const EventPump pump;
        return fn(object());
    } catch (...) {
        return refused;
    }
}

}  // namespace

TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_Init(std::uint16_t code, std::uintptr_t value) {
    return guarded(std::uint32_t{1}, [&](TAgdiObject& o) { return o.AG_Init(code, value); });
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_MemAcc(std::uint16_t code, std::uint8_t* buffer,
                                                       agdi::MemRequest* request, std::uint32_t count) {
    return guarded(std::uint32_t{1}, [&](TAgdiObject& o) { return o.AG_MemAcc(code, buffer, request, count); });
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_RegAcc(std::uint16_t code, std::uint32_t id, void* value) {
    return guarded(std::uint32_t{1}, [&](TAgdiObject& o) { return o.AG_RegAcc(code, id, value); });
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_AllReg(std::uint16_t code, std::uint8_t* block) {
    return guarded(std::uint32_t{1}, [&](TAgdiObject& o) { return o.AG_AllReg(code, block); });
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_MemAtt(std::uint16_t code, std::uint32_t attribute,
                                                       agdi::AttRequest* request) {
    return guarded(std::uint32_t{1}, [&](TAgdiObject& o) { return o.AG_MemAtt(code, attribute, request); });
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_BpInfo(std::uint16_t code, std::uint32_t* address) {
    return guarded(std::uint32_t{0}, [&](TAgdiObject& o) { return o.AG_BpInfo(code, address); });
}
TARVEX_EXPORT agdi::BpRecord* TARVEX_AGDI_CALL AG_BreakFunc(std::uint16_t code, std::uint32_t ignored,
                                                            std::uint32_t* address, agdi::BpRecord* record) {
    return guarded(static_cast<agdi::BpRecord*>(nullptr),
                   [&](TAgdiObject& o) { return o.AG_BreakFunc(code, ignored, address, record); });
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_GoStep(std::uint16_t code, std::uint32_t count,
                                                       std::uint32_t* address) {
    return guarded(std::uint32_t{0}, [&](TAgdiObject& o) { return o.AG_GoStep(code, count, address); });
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_Serial(std::uint16_t code, std::uint32_t value1,
                                                       std::uint32_t value2, std::uint32_t value3) {
    return guarded(std::uint32_t{0}, [&](TAgdiObject& o) { return o.AG_Serial(code, value1, value2, value3); });
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_HistFunc(std::uint32_t a, std::int32_t b, std::int32_t c, void* d) {
    return guarded(std::uint32_t{0}, [&](TAgdiObject& o) { return o.AG_HistFunc(a, b, c, d); });
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL DllUv3Cap(std::uint32_t code, void* data) {
    return guarded(std::uint32_t{0}, [&](TAgdiObject& o) { return o.DllUv3Cap(code, data); });
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL EnumUv351(void* data, std::uint32_t code) {
    return guarded(std::uint32_t{0}, [&](TAgdiObject& o) { return o.EnumUv351(data, code); });
}
