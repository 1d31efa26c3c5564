#pragma once
// Answers a modal dialog the test is about to open: the action runs on the
// first modal widget once it shows.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace tarvex::ui::test {

inline void whenModal(std::function<void(QWidget&)> action, int tries = 200) {
    QTimer::singleShot(5, [action, tries] {
        if (auto* w = QApplication::activeModalWidget(); w && w->isVisible()) {
            action(*w);
        } else if (tries > 0) {
            whenModal(action, tries - 1);
        }
    });
}

}  // namespace tarvex::ui::test
