// The Qt renderer of the forms described as data: every kind of control,
// bound by name both ways, with the keyboard and resize roles.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include "ui/qt/dialog_base.hpp"
#include "ui/qt/history_combo.hpp"
#include "ui/qt/layout_check.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/qt/radio_group.hpp"

namespace tarvex::ui {
namespace {

using forms::Control;
using forms::Kind;

struct OpenModel : FormModel {
    using FormModel::changed;
};

const forms::Form& everyKind() {
    static const forms::Form form{
        "TFormEveryKind",
        "Every kind",
        420,
        300,
        true,
        {
            Control{Kind::Label, "NameLabel", "&Name:", 8, 10, 60, 16, forms::NoFlags, "", 1, "Name"},
            Control{Kind::Edit, "Name", "", 70, 8, 200, 21, forms::GrowWidth},
            Control{Kind::Edit, "Shown", "", 70, 34, 200, 21, forms::ReadOnly | forms::FixedPitch},
            Control{Kind::ComboEdit, "Address", "", 70, 60, 200, 21},
            Control{Kind::DropDownList, "Width", "", 70, 86, 200, 21},
            Control{Kind::CheckBox, "Verify", "Verify", 8, 112, 120, 20},
            Control{Kind::GroupBox, "Space", "Space", 8, 136, 150, 70},
            Control{Kind::RadioButton, "Code", "Code", 10, 20, 130, 20, forms::NoFlags, "Space"},
            Control{Kind::RadioButton, "Data", "Data", 10, 42, 130, 20, forms::NoFlags, "Space"},
            Control{Kind::RadioGroup, "Format", "Format", 166, 136, 246, 70, forms::NoFlags, "", 2},
            Control{Kind::ListBox, "Lines", "", 8, 212, 150, 80, forms::GrowHeight | forms::NoSelection},
            forms::rowLabel("Second", "Lines", 1, 162, 60),
            forms::reportList("Table", "Address\nValue", {70, 70}, 230, 212, 150, 80),
            Control{Kind::Button, "OkButton", "Ok", 336, 8, 76, 25, forms::DefaultButton | forms::MoveRight},
            Control{Kind::Button, "CancelButton", "Cancel", 336, 38, 76, 25,
                    forms::CancelButton | forms::MoveRight | forms::MoveDown},
        },
    };
    return form;
}

TEST(QtForm, BuildsEveryKindAndBindsItByNameBothWays) {
    platform::MemorySettingsStore store;
    OpenModel model;
    model.setText("Name", "P1");
    model.setText("Shown", "0x10");
    model.setText("Address", "C:0x100");
    model.setItems("Width", {"8", "16"}, 1);
    model.setChecked("Verify", true);
    model.setChecked("Data", true);
    model.setItems("Format", {"Intel HEX", "Binary", "OMF"}, 2);
    model.setItems("Lines", {"one", "two", "three"}, -1);
    model.setItems("Table", {"C:0000\t12", "C:0001\t34"}, 1);
    model.setEnabled("Space", false);
    std::vector<std::string> seen;
    QtFormEvents events;
    events.click = [&](const std::string& n) { seen.push_back("click " + n); };
    events.text = [&](const std::string& n, const std::string& t) { seen.push_back("text " + n + "=" + t); };
    events.choose = [&](const std::string& n, int i) { seen.push_back("choose " + n + " " + std::to_string(i)); };
    events.check = [&](const std::string& n, bool c) { seen.push_back("check " + n + (c ? " on" : " off")); };

    QDialog window;
    QtForm form(window, everyKind(), model, events, store);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    EXPECT_EQ(window.objectName(), "TFormEveryKind");
    EXPECT_EQ(window.windowTitle(), "Every kind");
    EXPECT_EQ(form.control<QLabel>("NameLabel")->buddy(), form.control("Name"));
    EXPECT_EQ(form.control<QLineEdit>("Name")->text(), "P1");
    EXPECT_TRUE(form.control<QLineEdit>("Shown")->isReadOnly());
    EXPECT_TRUE(QFontInfo(form.control("Shown")->font()).fixedPitch());
    EXPECT_EQ(form.combo("Address")->text(), "C:0x100");
    EXPECT_EQ(form.control<QComboBox>("Width")->currentText(), "16");
    EXPECT_TRUE(form.control<QCheckBox>("Verify")->isChecked());
    EXPECT_EQ(form.control("Data")->parentWidget(), form.control("Space"));
    EXPECT_TRUE(form.control<QRadioButton>("Data")->isChecked());
    EXPECT_FALSE(form.control("Data")->isEnabled());
    EXPECT_TRUE(form.control<RadioGroup>("Format")->button(2)->isChecked());
    EXPECT_EQ(form.control<QListWidget>("Lines")->count(), 3);
    auto* table = form.control<QTreeWidget>("Table");
    ASSERT_EQ(table->topLevelItemCount(), 2);
    EXPECT_EQ(table->topLevelItem(1)->text(1), "34");
    EXPECT_EQ(table->currentItem(), table->topLevelItem(1));
    EXPECT_TRUE(form.control<QPushButton>("OkButton")->isDefault());
    EXPECT_TRUE(layoutFaults(window).empty());
    saveShot(window, "QtFormEveryKind");

    // The model changes, the form follows; nothing of it is an event.
    model.setText("Name", "P2");
    model.setItems("Format", {"Intel HEX", "Binary"}, 0);
    model.setVisible("Verify", false);
    EXPECT_EQ(form.control<QLineEdit>("Name")->text(), "P2");
    EXPECT_TRUE(form.control<RadioGroup>("Format")->button(0)->isChecked());
    EXPECT_EQ(form.control<RadioGroup>("Format")->button(2), nullptr);
    EXPECT_TRUE(form.control("Verify")->isHidden());
    model.setVisible("Verify", true);
    EXPECT_TRUE(seen.empty());

    QTest::keyClicks(form.control("Name"), "x");
    QTest::keyClicks(form.combo("Address")->lineEdit(), "y");
    QTest::mouseClick(form.control("Verify"), Qt::LeftButton, {}, QPoint(4, 8));
    form.control<RadioGroup>("Format")->button(1)->click();
    form.control<QPushButton>("OkButton")->click();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(seen, (std::vector<std::string>{"text Name=P2x", "text Address=C:0x100y", "check Verify off",
                                              "choose Format 1", "click OkButton", "click CancelButton"}));
    EXPECT_TRUE(window.isVisible()) << "Escape is the Cancel button's, not the window's";
}

TEST(QtForm, SizesToTheFontAndFollowsAResize) {
    OpenModel model;
    QDialog window;
    QtForm form(window, everyKind(), model);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const double sx = formScale(window).first;
    EXPECT_GE(window.minimumWidth(), 420);
    EXPECT_EQ(window.minimumSize(), window.size());
    const QRect ok = form.control("OkButton")->geometry();
    const QRect cancel = form.control("CancelButton")->geometry();
    const QRect name = form.control("Name")->geometry();
    const QRect lines = form.control("Lines")->geometry();
    const QRect label = form.control("NameLabel")->geometry();
    EXPECT_EQ(ok.left(), static_cast<int>(std::lround(336 * sx)));
    window.resize(window.width() + 40, window.height() + 30);
    EXPECT_EQ(form.control("OkButton")->geometry(), ok.translated(40, 0));
    EXPECT_EQ(form.control("CancelButton")->geometry(), cancel.translated(40, 30));
    EXPECT_EQ(form.control("Name")->geometry(), name.adjusted(0, 0, 40, 0));
    EXPECT_EQ(form.control("Lines")->geometry(), lines.adjusted(0, 0, 0, 30));
    EXPECT_EQ(form.control("NameLabel")->geometry(), label);
}

// What a view adds: a widget of its own in a control's place, the focus and
// the close requests as events; a list whose rows stay is not made anew.
TEST(QtForm, TakesTheViewsWidgetsAndReportsFocusAndClosing) {
    OpenModel model;
    model.setText("Name", "7");
    model.setItems("Table", {"C:0000\t12"}, 0);
    std::vector<std::string> seen;
    bool mayClose = false;
    QtFormEvents events;
    events.text = [&](const std::string& n, const std::string& t) { seen.push_back("text " + n + "=" + t); };
    events.focus = [&](const std::string& n) { seen.push_back("focus " + n); };
    events.closing = [&] {
        seen.push_back("closing");
        return mayClose;
    };
    events.custom = [](const forms::Control& c, QWidget* parent) -> QWidget* {
        return c.name == "Name" ? new QSpinBox(parent) : nullptr;
    };
    const forms::Form described{"TFormViewMade", "", 300, 120, false,
                                {Control{Kind::Edit, "Name", "", 8, 8, 100, 21},
                                 Control{Kind::Edit, "Shown", "", 8, 34, 100, 21},
                                 forms::reportList("Table", "Address\nValue", {70, 70}, 120, 8, 170, 100)}};
    QDialog window;
    QtForm form(window, described, model, events);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* spin = form.control<QSpinBox>("Name");
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->value(), 7);
    auto* row = form.control<QTreeWidget>("Table")->topLevelItem(0);
    seen.clear();
    model.setText("Name", "9");
    EXPECT_EQ(spin->value(), 9);
    EXPECT_EQ(form.control<QTreeWidget>("Table")->topLevelItem(0), row);
    spin->setValue(12);
    form.control("Shown")->setFocus();
    QApplication::processEvents();
    window.close();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    mayClose = true;
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(seen, (std::vector<std::string>{"text Name=12", "focus Shown", "closing", "closing", "closing"}));
}

}  // namespace
}  // namespace tarvex::ui
