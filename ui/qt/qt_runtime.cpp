#include "ui/qt/qt_runtime.hpp"

#include <QApplication>
#include <QThread>
#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/ui.hpp"
#include "ui/qt/qt_ui.hpp"

namespace tarvex::ui {
namespace {

struct Runtime {
    std::unique_ptr<QApplication> own;
    int argc = 1;
    char name[7] = "Tarvex";
    char* argv[2] = {name, nullptr};
    QtMessageBoxes boxes;
    QtErrorDialog errorDialog;
    QtFileDialog files;
    std::unique_ptr<QtNoticeWindow> notice;
    std::optional<platform::Ui> saved;
};

Runtime& runtime() {
    static Runtime r;
    return r;
}

}  // namespace

bool QtRuntime::displayReachable(const std::function<const char*(const char*)>& getenv) {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = getenv(name);
        if (value && *value) return true;
    }
    return false;
}

bool QtRuntime::ensure() {
    auto& r = runtime();
    if (r.saved) return true;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        if (QCoreApplication::instance()) return false;  // a console Qt host: no widgets
        if (!displayReachable([](const char* n) { return std::getenv(n); })) return false;
        r.own = std::make_unique<QApplication>(r.argc, r.argv);
    }
    r.notice = std::make_unique<QtNoticeWindow>();
    r.saved = platform::currentUi();
    auto& ui = platform::currentUi();
    ui.boxes = &r.boxes;
    ui.errorDialog = &r.errorDialog;
    ui.notice = r.notice.get();
    ui.files = &r.files;
    return true;
}

void QtRuntime::shutdown() {
    auto& r = runtime();
    if (!r.saved) return;
    platform::currentUi() = *r.saved;
    r.saved.reset();
    r.notice.reset();
    r.own.reset();
}

bool QtRuntime::active() { return runtime().saved.has_value(); }

void QtRuntime::pumpEvents() {
    auto* app = QCoreApplication::instance();
    if (!active() || !app || QThread::currentThread() != app->thread()) return;
    QCoreApplication::processEvents();
}

}  // namespace tarvex::ui
