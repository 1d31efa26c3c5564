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

#include "emulator/d2xx.hpp"
#include "emulator/io_library.hpp"
#include "host/agdi_object.hpp"
#include "host/agdi_records.hpp"
#include "host/command_history.hpp"
#include "platform/host_window.hpp"
#include "platform/ui.hpp"
#ifdef _WIN32
#include "platform/win32/message_boxes_win32.hpp"
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
        object_ = std::make_unique<TAgdiObject>();
    }
    ~Library() {
        object_.reset();
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
    std::unique_ptr<TAgdiObject> object_;
};

// Made once, thread-safe, at the first call; destroyed when the library is
// unloaded.
TAgdiObject& object() {
    static Library library;
    return library.object();
}

}  // namespace

TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_Init(std::uint16_t code, std::uintptr_t value) {
    return object().AG_Init(code, value);
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_MemAcc(std::uint16_t code, std::uint8_t* buffer,
                                                       agdi::MemRequest* request, std::uint32_t count) {
    return object().AG_MemAcc(code, buffer, request, count);
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_RegAcc(std::uint16_t code, std::uint32_t id, void* value) {
    return object().AG_RegAcc(code, id, value);
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_AllReg(std::uint16_t code, std::uint8_t* block) {
    return object().AG_AllReg(code, block);
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_MemAtt(std::uint16_t code, std::uint32_t attribute,
                                                       agdi::AttRequest* request) {
    return object().AG_MemAtt(code, attribute, request);
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_BpInfo(std::uint16_t code, std::uint32_t* address) {
    return object().AG_BpInfo(code, address);
}
TARVEX_EXPORT agdi::BpRecord* TARVEX_AGDI_CALL AG_BreakFunc(std::uint16_t code, std::uint32_t ignored,
                                                            std::uint32_t* address, agdi::BpRecord* record) {
    return object().AG_BreakFunc(code, ignored, address, record);
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_GoStep(std::uint16_t code, std::uint32_t count,
                                                       std::uint32_t* address) {
    return object().AG_GoStep(code, count, address);
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_Serial(std::uint16_t code, std::uint32_t value1,
                                                       std::uint32_t value2, std::uint32_t value3) {
    return object().AG_Serial(code, value1, value2, value3);
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL AG_HistFunc(std::uint32_t a, std::int32_t b, std::int32_t c, void* d) {
    return object().AG_HistFunc(a, b, c, d);
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL DllUv3Cap(std::uint32_t code, void* data) {
    return object().DllUv3Cap(code, data);
}
TARVEX_EXPORT std::uint32_t TARVEX_AGDI_CALL EnumUv351(void* data, std::uint32_t code) {
    return object().EnumUv351(data, code);
}
