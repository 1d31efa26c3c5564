// The options dialog's window, offscreen, on a recording target: the six
// pages, help by page, the checks when a field is left and the way to Cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <fstream>
#include <iterator>

#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "host/options.hpp"
#include "host/agdi_object.hpp"
#include "platform/clock.hpp"
#include "platform/host_window.hpp"
#include "platform/settings.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "sim/standin_root.hpp"
#include "tests/support/host/sim_host.hpp"
#include "tests/support/test_support.hpp"
#include "platform/ui.hpp"
#include "tests/ui/qt/ui_test_support.hpp"
#include "ui/qt/driver/options_dialog.hpp"
#include "ui/qt/driver/qt_driver_windows.hpp"
#include "ui/qt/radio_group.hpp"

namespace tarvex::ui {
namespace {

RecordingOptionsTarget usbTarget() {
    RecordingOptionsTarget t;
    auto& s = t.snapshot;
    s.targetName = "P89C51";
    s.podKennung = 14;
    s.firmwareCode = 21;
    s.firmwareText = "V5.21";
    s.deviceNumber = "1234-56";
    s.portName = "USB";
    s.usbSerial = "TX0002";
    s.bankingVersion = 3;
    s.bankingMode = 7;  // 256k / 64k in 32k banks
    s.resetBank = 2;
    s.sfrPort = "P1";
    s.xdataPort = "8000";
    s.areaStart = 0x8000;
    s.waitTimeReset = 25;
    s.clockNames = {"  1,8432", "  3,6864", " 11,0592", " 22,1184"};
    s.internalClock = 2;
    t.boards = {"TX0001", "TX0002"};
    t.manufacturerOfProcessor = {{"P89C51", "Philips"}, {"LPC932", "Philips"}, {"80C51", "Intel"}};
    t.entries = {{"P89C51", {5, 2}}, {"LPC932", {9, 3}}, {"80C51", {2, 0}}, {"DS80C390", {10, 0}}};
    t.manufacturerOfProcessor["DS80C390"] = "Dallas";
    return t;
}

struct Shown {
    RecordingOptionsTarget t = usbTarget();
    platform::MemorySettingsStore store;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    OptionsFormModel model{t, store};
    std::unique_ptr<OptionsDialog> dialog;
    Shown() {
        model.fill();
        dialog = std::make_unique<OptionsDialog>(model, store);
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }
    template <class W>
    W* find(const char* name) const {
        auto* w = dialog->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void type(const char* edit, const char* text) {
        auto* e = find<QLineEdit>(edit);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
    }
};

TEST(OptionsDialog, SixPagesShowTheComponentsAndHelpFollowsThePage) {
    Shown s;
    platform::RecordingHelpViewer viewer;
    auto& ui = platform::currentUi();
    auto* savedHelp = ui.help;
    ui.help = &viewer;
    auto& d = *s.dialog;
    EXPECT_EQ(d.windowTitle(), "Options");
    const char* shots[] = {"Preferences", "Interface", "Processor", "Hardware", "Banking", "Watchdog"};
    for (int i = 0; i < kOptionsPageCount; ++i) {
        d.pages()->setCurrentIndex(i);
        EXPECT_EQ(d.pages()->tabText(i), shots[i]);
        QTest::mouseClick(s.find<QPushButton>("HelpButton"), Qt::LeftButton);
        saveShot(d, std::string("TFormOptions-") + shots[i]);
    }
    ASSERT_EQ(viewer.calls().size(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(viewer.calls()[static_cast<std::size_t>(i)].second, i == 4 ? 910u : 905u);
    ui.help = savedHelp;
    EXPECT_EQ(s.find<QListWidget>("UsbList")->count(), 2);
    EXPECT_EQ(s.find<QListWidget>("UsbList")->currentRow(), 1);
    EXPECT_EQ(s.find<QComboBox>("ResetBank")->currentText(), "2");
    EXPECT_EQ(s.find<QComboBox>("ResetBank")->count(), 8);
    EXPECT_TRUE(s.find<QLineEdit>("EditA15")->isEnabled());
    EXPECT_FALSE(s.find<QLineEdit>("EditA14")->isEnabled());
    EXPECT_EQ(s.find<QLineEdit>("ResetTimeout")->text(), "2,5");
    // 32k banks: the banked area is shown, not edited.
    EXPECT_TRUE(s.find<QLineEdit>("BankStart")->isReadOnly());
    EXPECT_TRUE(s.find<QLineEdit>("BankEnd")->isReadOnly());
    EXPECT_EQ(s.find<QLineEdit>("BankStart")->text(), "8000");
    EXPECT_EQ(s.find<QListWidget>("WatchdogList")->count(), 1);
    // TARVEX-6 renames the direct plug.
    d.pages()->setCurrentIndex(3);
    s.find<RadioGroup>("EmulatorTypeGroup")->button(2)->click();
    EXPECT_EQ(s.find<RadioGroup>("PodGroup")->button(3)->text(), "Processor adapter");
    EXPECT_FALSE(s.find<RadioGroup>("PodGroup")->button(2)->isVisible());

    // "Ok" stores the page and applies.
    d.move(50, 40);
    QTest::mouseClick(s.find<QPushButton>("OkButton"), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(s.store.readInteger(kDriverKey, "FormOptions", "Active", -1), 3);
    EXPECT_EQ(s.t.writesOf("Generation"), std::vector<std::string>{"2"});
    EXPECT_EQ(s.t.writesOf("UsbSerial"), std::vector<std::string>{"TX0002"});
    EXPECT_TRUE(s.boxes.shown().empty());
}

TEST(OptionsDialog, InvalidFieldsHoldTheFocusButNeverTheWayToCancel) {
    Shown s;
    auto& d = *s.dialog;
    d.pages()->setCurrentIndex(4);
    // A page change away from an invalid field is refused with the box.
    s.type("EditA16", "9");
    const QRect tab = d.pages()->tabBar()->tabRect(0);
    QTest::mouseClick(d.pages()->tabBar(), Qt::LeftButton, {}, tab.center());
    EXPECT_EQ(d.pages()->currentIndex(), 4);
    ASSERT_EQ(s.boxes.shown().size(), 1u);
    EXPECT_EQ(s.boxes.shown()[0].text, "Invalid bit position 9; valid: 0..7");
    EXPECT_TRUE(s.find<QLineEdit>("EditA16")->hasFocus());
    s.type("EditA16", "0");
    s.type("EditA17", "0");
    QTest::mouseClick(s.find<QPushButton>("OkButton"), Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(s.boxes.shown().back().text, "Bit positions must be different");
    EXPECT_TRUE(s.find<QLineEdit>("EditA16")->hasFocus());
    s.type("EditA17", "1");
    // The extern bank number is only marked while it is typed.
    s.boxes.clear();
    s.model.chooseManufacturer(0);  // " All "
    const auto& cpus = s.model.processor.control("ProcessorList").items;
    s.model.chooseProcessor(static_cast<int>(std::find(cpus.begin(), cpus.end(), "DS80C390") - cpus.begin()));
    s.find<QRadioButton>("CodeDallas")->click();
    ASSERT_TRUE(s.find<QLineEdit>("ExternBankNumber")->isEnabled());
    s.type("ExternBankNumber", "G");
    for (const auto& b : s.boxes.shown()) ADD_FAILURE() << b.text;
    EXPECT_FALSE(s.find<QPushButton>("OkButton")->isEnabled());
    s.type("ExternBankNumber", "61");
    EXPECT_TRUE(s.find<QPushButton>("OkButton")->isEnabled());
    // An invalid Xdata left for Cancel: no box, and Cancel closes.
    s.model.chooseProcessor(static_cast<int>(std::find(cpus.begin(), cpus.end(), "P89C51") - cpus.begin()));
    s.find<RadioGroup>("SwitchViaGroup")->button(1)->click();
    s.type("XdataPort", "XYZ");
    QTest::mouseClick(s.find<QPushButton>("CancelButton"), Qt::LeftButton);
    for (const auto& b : s.boxes.shown()) ADD_FAILURE() << b.text;
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_TRUE(s.t.writes.empty());
}

// A fresh dialog offers "default" as the load address: ticked, browsed and
// OK, it closes and keeps the stored address.
TEST(OptionsDialog, ABootLoaderBrowsedOnAFreshDialogTakesTheDefaultAddress) {
    Shown s;
    platform::ScriptedFileDialog files;
    auto& ui = platform::currentUi();
    auto* savedFiles = ui.files;
    ui.files = &files;
    files.answer(platform::FileChoice{"/boot/loader.bin", 1});
    auto& d = *s.dialog;
    d.pages()->setCurrentIndex(0);
    EXPECT_EQ(s.find<QComboBox>("BootAddress")->currentText(), "default");
    s.find<QCheckBox>("BootLoaderCheck")->click();
    EXPECT_TRUE(s.find<QPushButton>("BrowseButton")->isEnabled());
    QTest::mouseClick(s.find<QPushButton>("BrowseButton"), Qt::LeftButton);
    ui.files = savedFiles;
    ASSERT_EQ(files.requests().size(), 1u);
    EXPECT_EQ(files.requests()[0].filter, "Binary files (*.bin)|*.bin");
    EXPECT_EQ(s.find<QComboBox>("BootFileName")->currentText(), "/boot/loader.bin");
    QTest::mouseClick(s.find<QPushButton>("OkButton"), Qt::LeftButton);
    for (const auto& b : s.boxes.shown()) ADD_FAILURE() << b.text;
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(s.t.writesOf("BootLoaderLoad"), std::vector<std::string>{"1"});
    EXPECT_EQ(s.t.writesOf("BootLoader"), std::vector<std::string>{"/boot/loader.bin,0"});
}

// The host object over the simulated board, started on COM1.
struct LiveHost : tarvex::test::SimHost {
    LiveHost() { open(environment()); }
};

TEST(LiveOptionsTarget, ANewPortWhileStartedWaitsForTheNextStartAndIsSaved) {
    LiveHost h;
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    TEmulator& emulator = h.object->Emulator();
    ASSERT_GE(emulator.ConnectionState(), TBasisEmulator::StateIdentified);
    const std::string file = h.root.file("p.bopt");
    h.object->Options().SetOptionFileName(file);
    h.boxes.clear();
    LiveOptionsTarget target(LiveComponentsOf(*h.object, h.settings));
    OptionsFormModel model(target, h.settings);
    model.fill();
    EXPECT_EQ(model.snapshot().portName, emulator.PortName());
    const int bank = h.object->Banking().ResetBankNummer();
    // "Ok" without a change keeps every value; then a new port name.
    ApplyResult same = OptionsApplier(model).apply();
    EXPECT_TRUE(same.failures.empty());
    EXPECT_EQ(h.object->Banking().ResetBankNummer(), bank);
    EXPECT_FALSE(emulator.PortSettingsPending());
    model.interface.setItems("PortName", {"COM1", "COM3"}, 1);
    const ApplyResult result = OptionsApplier(model).apply();
    for (const auto& f : result.failures) ADD_FAILURE() << f;
    EXPECT_TRUE(result.projectFileWritten);
    EXPECT_TRUE(h.boxes.shown().empty());
    EXPECT_EQ(emulator.PortName(), "COM1");
    EXPECT_EQ(h.settings.readString(TBasisEmulator::RegistryKey, "Interface", "Port", ""), "COM3");
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("COM3"), std::string::npos);
}

TEST(QtDriverWindows, OptionsDialogOpensOnTheHostObject) {
    LiveHost h;
    QtDriverWindows windows(h.settings);
    EXPECT_FALSE(windows.OptionsDialog());  // not attached: as without windows
    windows.attach(h.object.get());
    std::string caption;
    test::whenModal([&](QWidget& w) {
        caption = w.windowTitle().toStdString();
        QTest::mouseClick(w.findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
    });
    EXPECT_FALSE(windows.OptionsDialog());
    EXPECT_EQ(caption, "Options");
    test::whenModal([&](QWidget& w) { QTest::mouseClick(w.findChild<QPushButton*>("OkButton"), Qt::LeftButton); });
    h.object->Options().SetOptionFileName(h.root.file("q.bopt"));
    EXPECT_TRUE(windows.OptionsDialog());
}

}  // namespace
}  // namespace tarvex::ui
