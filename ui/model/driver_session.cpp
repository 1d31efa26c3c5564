#include "ui/model/driver_session.hpp"

#include <optional>

#include "host/agdi_object.hpp"
#include "host/options.hpp"
#include "ui/model/help_viewer.hpp"

namespace tarvex::ui {

struct DriverAttachment::Session {
    TAgdiObject& object;
    SessionForms forms;
    std::optional<ScopedSymbolPicker> picker;
    HelpFileViewer help;
    platform::Ui saved = platform::currentUi();

    Session(TAgdiObject& o, SessionForms f)
        : object(o),
          forms(std::move(f)),
          help([&o] { return o.Options().HelpFileName(); }, [&o] { return o.HostWindow(); }) {
        if (forms.picker) picker.emplace(forms.picker.get());
        platform::Ui& ui = platform::currentUi();
        if (forms.loadStatus) ui.loadStatus = forms.loadStatus;
        if (forms.saveStatus) ui.saveStatus = forms.saveStatus;
        ui.help = &help;
        if (forms.maintenance) object.SetMaintenanceForms(forms.maintenance.get());
    }
    ~Session() {
        // An object that is still alive must not keep forms that go now.
        if (forms.maintenance && TAgdiObject::Current() == &object) object.SetMaintenanceForms(nullptr);
        platform::Ui& ui = platform::currentUi();
        if (forms.loadStatus && ui.loadStatus == forms.loadStatus) ui.loadStatus = saved.loadStatus;
        if (forms.saveStatus && ui.saveStatus == forms.saveStatus) ui.saveStatus = saved.saveStatus;
        if (ui.help == &help) ui.help = saved.help;
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

DriverAttachment::DriverAttachment(MakeForms make) : make_(std::move(make)) {}

DriverAttachment::~DriverAttachment() { session_.reset(); }

void DriverAttachment::attach(TAgdiObject* object) {
    session_.reset();
    object_ = object;
    if (object) session_ = std::make_unique<Session>(*object, make_(*object));
}

}  // namespace tarvex::ui
