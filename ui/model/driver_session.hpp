#pragma once
// What the driver's windows install on the object they are attached to, in
// every build that has windows: the symbol browser behind every "?" button,
// the maintenance forms of the emulator's start, the help of every Help
// button and F1, and the build's progress forms. Each build makes its own
// forms; this piece puts them in place for as long as the object stays
// attached and takes them out again, one object at a time.
#include <functional>
#include <memory>

#include "emulator/target_parts.hpp"
#include "platform/ui.hpp"
#include "ui/model/symbol_picker.hpp"

namespace tarvex {
class TAgdiObject;
}

namespace tarvex::ui {

struct SessionForms {
    std::unique_ptr<SymbolPicker> picker;
    std::unique_ptr<IMaintenanceForms> maintenance;
    // Installed in platform::currentUi() for the session; null keeps what
    // is there. Owned by the build's windows, which outlive the session.
    platform::LoadStatusWindow* loadStatus = nullptr;
    platform::SaveStatusWindow* saveStatus = nullptr;
};

class DriverAttachment {
public:
    // Makes the forms of a session on the object.
    using MakeForms = std::function<SessionForms(TAgdiObject& object)>;
    explicit DriverAttachment(MakeForms make);
    ~DriverAttachment();
    DriverAttachment(const DriverAttachment&) = delete;
    DriverAttachment& operator=(const DriverAttachment&) = delete;

    // Ends the session on the object attached before (if any) and starts
    // one on this object; null only ends it. The object must not have
    // started yet: its start shows the maintenance forms.
    void attach(TAgdiObject* object);
    TAgdiObject* object() const { return object_; }

private:
    struct Session;
    MakeForms make_;
    TAgdiObject* object_ = nullptr;
    std::unique_ptr<Session> session_;
};

}  // namespace tarvex::ui
