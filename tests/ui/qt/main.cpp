// The windows' tests run on the offscreen platform unless told otherwise:
// no display needed, and never the abort of a QApplication without one.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "ui/qt/layout_check.hpp"

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    // Every form whose picture a test takes is checked for layout faults.
    tarvex::ui::setShotChecker([](const std::string& name, const std::vector<std::string>& faults) {
        for (const std::string& f : faults) ADD_FAILURE() << name << ": " << f;
    });
    return RUN_ALL_TESTS();
}
