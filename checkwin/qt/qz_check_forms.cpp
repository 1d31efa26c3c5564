#include "checkwin/qt/qz_check_forms.hpp"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>

#include "checkwin/qz_check_layout.hpp"

namespace tarvex::checkwin {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

void centreOnScreen(QWidget& w) {
    if (const auto* screen = QGuiApplication::primaryScreen())
        w.move(screen->availableGeometry().center() - w.rect().center());
}

}  // namespace

QzAboutForm::QzAboutForm(QzAboutModel& model, QWidget* parent)
    : QDialog(parent), model_(model),
      form_(*this, aboutFormLayout(), model, model.events(ui::dialogWindow(*this, form_))) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void QzAboutForm::showEvent(QShowEvent* event) {
    centreOnScreen(*this);
    QDialog::showEvent(event);
}

QzCheckMainForm::QzCheckMainForm(QzCheckMainModel& model, QWidget* parent)
    : QMainWindow(parent), model_(model), central_(new QWidget(this)) {
    setCentralWidget(central_);
    auto* fileMenu = menuBar()->addMenu("&File");
    auto* exitAction = fileMenu->addAction("&Exit");
    exitAction->setObjectName("MenuExit");
    exitAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    auto* helpMenu = menuBar()->addMenu("&Help");
    auto* content = helpMenu->addAction("&Content");
    content->setObjectName("MenuContent");
    helpMenu->addSeparator();
    auto* about = helpMenu->addAction("&About...");
    about->setObjectName("MenuAbout");
    connect(exitAction, &QAction::triggered, this, &QWidget::close);
    connect(content, &QAction::triggered, this, [this] { model_.content(); });
    connect(about, &QAction::triggered, this, &QzCheckMainForm::AboutClick);

    ui::forms::FormWindow window;
    window.end = [this](bool) { close(); };
    auto events = model_.events(std::move(window));
    // The window's title is the model's caption.
    events.changed = [this] { setWindowTitle(q(model_.caption())); };
    form_ = std::make_unique<ui::QtForm>(*central_, mainFormLayout(), model_, std::move(events));
    setWindowTitle(q(model_.caption()));
}

void QzCheckMainForm::AboutClick() {
    if (!about_) return;
    model_.about(about_->model());
    about_->exec();
}

void QzCheckMainForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        model_.help();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void QzCheckMainForm::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        centreOnScreen(*this);
    }
    QMainWindow::showEvent(event);
}

}  // namespace tarvex::checkwin
