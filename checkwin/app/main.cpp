// QzCheckWin: the windowed checker. One main form to pick the file and the
// settings, run the check and read the report.
#include <QApplication>

#include "checkwin/qt/qz_check_forms.hpp"
#include "ui/qt/qt_runtime.hpp"
#include "ui/qt/qt_ui.hpp"

int main(int argc, char** argv) {
    using namespace tarvex;
    QApplication app(argc, argv);
    // Boxes, error form and file dialog become the Qt ones: the engine's
    // question whether to write the HEX file then comes as a window.
    ui::QtRuntime::ensure();
    // No engine for its WinHelp file here: the viewer says so.
    checkwin::CheckerHelpViewer help(QCoreApplication::applicationDirPath().toStdString());
    platform::currentUi().help = &help;
    ui::QtBusyCursor cursor;

    checkwin::QzCheckMainModel model(platform::defaultSettings(), &cursor);
    // A bare file name not in the working folder is looked for beside the program.
    model.engine().SetProgramDirectory(QCoreApplication::applicationDirPath().toStdString());
    checkwin::QzCheckMainForm form(model);
    checkwin::QzAboutModel aboutModel;
    checkwin::QzAboutForm about(aboutModel, &form);
    form.setAboutForm(&about);
    // The error form is made on its first use by the runtime's error dialog.
    form.show();
    const int rc = app.exec();
    ui::QtRuntime::shutdown();
    return rc;
}
