// The options dialog's model on a recording target: the fill from the
// components, the page rules across pages, the checks and the apply's order.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "ui/model/options_form.hpp"

namespace tarvex::ui {
namespace {

using Names = std::vector<std::string>;

// A board on COM3 with a non-default adapter, reset bank 2 of 256k/64k in
// 32k banks, a processor with hooks (option 5) and one with LPC bytes.
RecordingOptionsTarget target() {
    RecordingOptionsTarget t;
    auto& s = t.snapshot;
    s.targetName = "P89C51";
    s.podKennung = 14;
    s.generation = 1;
    s.firmwareCode = 21;
    s.portName = "COM3";
    s.portAddress = 0x278;
    s.baudRate = 1;
    s.resetBank = 2;
    s.bankingVersion = 3;  // 512k, 32k banks
    s.bankingMode = 7;     // 256k / 64k
    s.sfrPort = "P1";
    s.xdataPort = "8000";
    s.areaStart = 0x8000;
    s.waitTimeReset = 25;
    s.internalClock = 3;
    s.clockNames = {"a", "b", "c", "d"};
    s.extReset = true;
    s.pellunarOption = 2;
    s.externBank = 0x60;
    t.manufacturerOfProcessor = {{"P89C51", "Philips"}, {"LPC932", "Philips"}, {"80C51", "Intel"}};
    t.entries = {{"P89C51", {5, 0}}, {"LPC932", {9, 3}}, {"80C51", {2, 0}}};
    return t;
}

struct Fixture {
    RecordingOptionsTarget t = target();
    platform::MemorySettingsStore store;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    OptionsFormModel model{t, store};
    Fixture() { model.fill(); }
    ApplyResult apply(OptionsApplier::AskFileName ask = {}) { return OptionsApplier(model, std::move(ask)).apply(); }
};

std::vector<std::string> names(const std::vector<std::string>& writes) {
    std::vector<std::string> out;
    for (const auto& w : writes) out.push_back(w.substr(0, w.find('(')));
    return out;
}

TEST(OptionsForm, OkWithoutChangeWritesBackWhatWasReadInTheFixedOrder) {
    Fixture f;
    EXPECT_EQ(f.model.interface.control("PortName").items[static_cast<std::size_t>(
                  f.model.interface.control("PortName").itemIndex)],
              "COM3");
    EXPECT_EQ(f.model.banking.control("ResetBank").items, (Names{"0", "1", "2", "3", "4", "5", "6", "7"}));
    const auto result = f.apply();
    EXPECT_TRUE(result.failures.empty());
    EXPECT_TRUE(result.projectFileWritten);
    const Names order = {"Log", "BreakTraceSave", "MapSave", "SingleStepInterrupt", "BootLoaderLoad", "Generation",
                         "PodKennung", "PellunarOption", "ExternalClock", "U32Size", "TargetName", "InternalClock",
                         "DallasAddressingMode", "WaitTimeReset", "WatchdogSupport", "FpgaVariante", "ExtReset",
                         "LockUpdate", "BankingVersion", "BankingMode", "ResetBank", "SfrPort", "XdataPort",
                         "XdataSwitch", "BitNummer", "BitNummer", "BitNummer", "BitNummer", "BitNummer",
                         "DallasBanking", "VarBanking", "ExternBank", "BankedArea", "LockUpdate", "BaudRate",
                         "Timeouts", "Protocol", "PortSettings", "SaveRegistry", "SaveProjectOptions",
                         "ConfirmProjectOptions", "Log"};
    EXPECT_EQ(names(f.t.writes), order);
    EXPECT_EQ(f.t.writes.front(), "Log(Optionen-Dialog: Eingaben übernehmen)");
    EXPECT_EQ(f.t.writes.back(), "Log(Optionen-Dialog: Eingaben übernehmen Ende)");
    const std::pair<const char*, Names> values[] = {
        {"PodKennung", {"14"}},       {"Generation", {"1"}},           {"PellunarOption", {"2"}},
        {"BankingVersion", {"3"}},    {"BankingMode", {"7"}},          {"ResetBank", {"2"}},
        {"SfrPort", {"P1"}},          {"XdataPort", {"8000"}},         {"WaitTimeReset", {"25"}},
        {"InternalClock", {"3"}},     {"PortSettings", {"COM3,632,1"}}, {"BaudRate", {"1"}},
        {"BankedArea", {"32768,65535"}}, {"ExtReset", {"1,1"}},       {"TargetName", {"P89C51"}},
        {"LockUpdate", {"1", "0"}},   {"Timeouts", {"4000,2000"}},     {"ExternBank", {"96"}},
    };
    for (const auto& [name, expected] : values) EXPECT_EQ(f.t.writesOf(name), expected) << name;
    EXPECT_TRUE(f.boxes.shown().empty());
}

TEST(OptionsForm, AllAdaptersSurviveFillAndDerive) {
    for (int pod = 0; pod < kAdapterCount; ++pod) {
        Fixture f;
        f.t.snapshot.podKennung = pod;
        f.t.snapshot.generation = 2;  // the 30-pin connector is offered
        f.t.snapshot.bankingMode = 0;
        f.model.fill();
        EXPECT_EQ(PodKennungFrom(f.model.hardware.choices()), pod);
        f.apply();
        EXPECT_EQ(f.t.writesOf("PodKennung"), Names{std::to_string(pod)});
    }
}

TEST(OptionsForm, ChecksRefuseTheFirstBadFieldOnItsPage) {
    struct Case {
        const char* control;
        const char* text;
        const char* message;
        OptionsPage page;
        const char* focus;
    };
    const Case cases[] = {
        {"EditA16", "8", "Invalid bit position 8; valid: 0..7", OptionsPage::Banking, "EditA16"},
        {"EditA17", "0", "Bit positions must be different", OptionsPage::Banking, "EditA16"},
        {"ResetTimeout", "30,0", "Value in Reset timeout not valid", OptionsPage::Processor, "ResetTimeout"},
        {"BankEnd", "7000", "Value in Banked area not valid", OptionsPage::Banking, "BankStart"},
        {"XdataPort", "1G", "Invalid 16 bit constant 1G", OptionsPage::Banking, "XdataPort"},
        {"TimeoutInit", "x", "", OptionsPage::Interface, "TimeoutInit"},
        {"SfrPort", "Q7", "Invalid port address Q7", OptionsPage::Banking, "SfrPort"},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.model.editText("EditA16", "0");
        f.model.editText("BankStart", "8000");
        f.model.banking.chooseSize(0);  // 64k banks: the area can be edited
        f.model.banking.chooseSize(1);
        f.model.banking.chooseSize(0);
        f.model.editText("BankStart", "8000");
        f.model.editText("EditA17", "1");
        f.model.banking.chooseSwitchVia(1);
        EXPECT_FALSE(f.model.validateAll()) << c.control;
        f.model.editText(c.control, c.text, true);
        const auto e = f.model.validateAll();
        ASSERT_TRUE(e) << c.control;
        if (*c.message) {
            EXPECT_EQ(e->message, c.message);
        }
        EXPECT_EQ(e->page, c.page) << c.control;
        EXPECT_EQ(e->control, c.focus) << c.control;
        if (e->control == c.control) {
            EXPECT_EQ(f.model.okCaption(), "Ok") << c.control;  // invalid input does not accept
        }
    }
    Fixture f;
    f.model.editText("ResetTimeout", "25,5", true);
    EXPECT_EQ(f.model.okCaption(), "Accept");
    f.model.editText("ExternBankNumber", "G");
    EXPECT_FALSE(f.model.externBankValid());
    EXPECT_TRUE(f.boxes.shown().empty());  // the live check never asks
    f.model.editText("ExternBankNumber", "61");
    f.apply();
    EXPECT_EQ(f.t.writesOf("WaitTimeReset"), Names{"255"});
}

// 32k banks fix the banked area at 8000..FFFF: a typed start does not
// count. The boot loader's address takes the 16-bit forms of the other
// fields, or "default" and nothing for the stored address (the field's own
// text on a fresh dialog), and refuses anything else, on leaving and on OK.
TEST(OptionsForm, TheFixedBankedAreaAndTheBootLoaderAddress) {
    {
        Fixture f;
        ASSERT_TRUE(f.model.banking.readOnly("BankStart"));
        ASSERT_TRUE(f.model.banking.readOnly("BankEnd"));
        f.model.editText("BankStart", "9000", true);
        EXPECT_EQ(f.model.banking.control("BankStart").text, "8000");
        EXPECT_FALSE(f.model.validateAll());
        f.apply();
        EXPECT_EQ(f.t.writesOf("BankedArea"), Names{"32768,65535"});
    }
    struct Case {
        const char* text;
        int address;  // -1: refused
        int stored;
    };
    const Case cases[] = {{"8000", 0x8000, 0},   {"$8000", 0x8000, 0}, {"0x8000", 0x8000, 0}, {"8000h", 0x8000, 0},
                          {"ffff", 0xFFFF, 0},   {"XYZ", -1, 0},       {"12345", -1, 0},      {"$", -1, 0},
                          {"default", 0, 0},     {"", 0, 0},           {"default", 0x4000, 0x4000},
                          {" Default ", 0x4000, 0x4000}, {"", 0x4000, 0x4000}, {"defaults", -1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "' over " + std::to_string(c.stored));
        Fixture f;
        if (c.stored) {
            f.t.snapshot.bootLoaderFile = "old.bin";
            f.t.snapshot.bootLoaderAddress = static_cast<std::uint16_t>(c.stored);
            f.model.fill();
        }
        // A fresh dialog shows "default" in the field.
        if (!c.stored) {
            EXPECT_EQ(f.model.preferences.control("BootAddress").text, "default");
        }
        f.model.setBootLoaderLoad(true);
        f.model.editText("BootFileName", "boot.hex");
        f.model.editText("BootAddress", c.text, true);
        const auto leaving = f.model.checkControl("BootAddress");
        const auto ok = f.model.validateAll();
        if (c.address < 0) {
            ASSERT_TRUE(leaving);
            EXPECT_EQ(*leaving, std::string("Invalid 16 bit constant ") + c.text);
            ASSERT_TRUE(ok);
            EXPECT_EQ(ok->page, OptionsPage::Preferences);
            EXPECT_EQ(ok->control, "BootAddress");
        } else {
            EXPECT_FALSE(leaving);
            EXPECT_FALSE(ok);
            f.apply();
            EXPECT_EQ(f.t.writesOf("BootLoader"), Names{"boot.hex," + std::to_string(c.address)});
        }
    }
}

TEST(OptionsForm, PageRulesAcrossPages) {
    Fixture f;
    // TARVEX-6 renames the direct plug; another processor accepts.
    f.model.chooseGeneration(2);
    EXPECT_EQ(f.model.hardware.control("PodGroup").items[3], "Processor adapter");
    EXPECT_TRUE(f.model.hardware.control("ConnectorGroup").visible);
    f.model.chooseGeneration(1);
    EXPECT_EQ(f.model.hardware.control("PodGroup").items[3], "POD direct plug");
    EXPECT_EQ(f.model.okCaption(), "Ok");
    const auto& cpus = f.model.processor.control("ProcessorList").items;
    const int lpc = static_cast<int>(std::find(cpus.begin(), cpus.end(), "LPC932") - cpus.begin());
    f.model.chooseProcessor(lpc);
    EXPECT_EQ(f.model.okCaption(), "Accept");
    EXPECT_TRUE(f.model.processor.control("ConfigureButton").visible);
    EXPECT_EQ(f.model.watchdog.control("WatchdogList").items, Names{"0000 ORL WDT3,#01H"});
    EXPECT_TRUE(f.model.watchdog.control("WatchdogCheck").enabled);
    // Option 9 has no hooks: the A0/A3 hooks choice gave way to pellunars.
    EXPECT_EQ(f.model.hardware.control("HooksGroup#1").enabled, false);
    f.model.setLpcBytes(0x85, 0xFF);
    // A TARVEX-IV with banking refuses P2 "Port".
    f.model.chooseGeneration(0);
    f.model.chooseP2(PortMode::Port);
    EXPECT_EQ(f.model.hardware.control("P2Group").itemIndex, 0);
    ASSERT_FALSE(f.boxes.shown().empty());
    EXPECT_EQ(f.boxes.shown().back().text, "No banking with P2 portmode");
    f.apply();
    EXPECT_EQ(f.t.writesOf("LpcConfig"), Names{"133,255"});
    EXPECT_EQ(f.t.writesOf("TargetName"), Names{"LPC932"});
    // Help follows the page; a stored page out of range opens the default.
    f.model.setActivePage(static_cast<int>(OptionsPage::Banking));
    EXPECT_EQ(f.model.pageHelpContext(), 910u);
    f.model.setActivePage(static_cast<int>(OptionsPage::Hardware));
    EXPECT_EQ(f.model.pageHelpContext(), 905u);
    f.store.writeInteger(kDriverKey, "FormOptions", "Active", 9);
    EXPECT_EQ(f.model.storedPage(), 0);
}

TEST(OptionsForm, FailuresDoNotStopTheApplyAndFilesAreStillWritten) {
    Fixture f;
    f.t.failing = {"WaitTimeReset", "SfrPort"};
    const auto result = f.apply();
    EXPECT_EQ(result.failures.size(), 2u);
    const auto n = names(f.t.writes);
    for (const char* later : {"FpgaVariante", "XdataPort", "PortSettings", "SaveRegistry", "SaveProjectOptions"})
        EXPECT_NE(std::find(n.begin(), n.end(), later), n.end()) << later;
    EXPECT_EQ(f.t.writesOf("LockUpdate"), (Names{"1", "0"}));
    ASSERT_EQ(f.boxes.shown().size(), 1u);
    EXPECT_NE(f.boxes.shown()[0].text.find("WaitTimeReset failed"), std::string::npos);

    // No option file name: the user names one, or cancels and nothing is saved.
    Fixture g;
    g.t.snapshot.hasOptionFileName = false;
    g.t.snapshot.projectDir = "/p/";
    g.model.fill();
    std::string askedIn;
    g.apply([&](const std::string& dir) {
        askedIn = dir;
        return std::optional<std::string>("/p/a.bopt");
    });
    EXPECT_EQ(askedIn, "/p/");
    EXPECT_EQ(g.t.writesOf("OptionFileName"), Names{"/p/a.bopt"});
    g.t.writes.clear();
    const auto cancelled = g.apply([](const std::string&) { return std::optional<std::string>(); });
    EXPECT_FALSE(cancelled.projectFileWritten);
    EXPECT_TRUE(g.t.writesOf("SaveProjectOptions").empty());
    EXPECT_EQ(g.boxes.shown().back().text, "Options not saved to a project file.");
}

TEST(OptionsForm, PortListAndUsbBoards) {
    Fixture f;
    f.t.portsFail = true;
    f.model.chooseLinkKind(1);
    EXPECT_EQ(f.boxes.shown().back().text, "Die COM-Port-Liste konnte nicht erstellt werden.");
    // The ports of the last enumeration stay.
    EXPECT_EQ(f.model.interface.control("PortName").items, (Names{"LPT1", "LPT2"}));
    f.t.portsFail = false;
    f.model.chooseLinkKind(2);
    f.model.refreshUsb();
    EXPECT_EQ(f.model.interface.control("UsbList").items, (Names{"ERROR:", "No TARVEX emulator found on USB"}));
    f.t.boards = {"TX01"};
    f.model.refreshUsb();  // a second refresh enumerates again
    EXPECT_EQ(f.model.interface.control("UsbList").items, Names{"TX01"});
    f.model.interface.selectBoard(0);
    f.apply();
    EXPECT_EQ(f.t.writesOf("UsbSerial"), Names{"TX01"});
}

// The one routing of the frame's and the pages' events, as both window
// systems hand them over: by the controls' names, with a window that says
// where the focus is.
TEST(OptionsForm, TheRoutingOfTheFramesAndThePagesEvents) {
    Fixture f;
    f.model.editText("EditA16", "0");
    f.model.editText("EditA17", "1");
    ASSERT_FALSE(f.model.validateAll());
    std::string focus;
    std::vector<std::string> log;
    forms::FormWindow window;
    window.end = [&log](bool ok) { log.push_back(ok ? "end ok" : "end cancel"); };
    window.keepHistories = [&log] { log.push_back("histories"); };
    window.focus = [&log](const std::string& name) { log.push_back("focus " + name); };
    window.focused = [&focus] { return focus; };
    int lpcOpened = 0;
    auto events = f.model.events(window, [&lpcOpened](int option, std::uint8_t& ucfg1, std::uint8_t& part) {
        ++lpcOpened;
        EXPECT_EQ(option, 5);
        ucfg1 = 0x81;
        part = 0xE6;
        return true;
    });

    // Picks and checks reach the control's page.
    events.choose("BaudRateGroup", 0);
    events.choose("ResetBank", 1);
    events.choose("ClockGroup", 1);
    events.check("ProtocolCheck", true);
    events.check("ExtResetCheck", false);
    EXPECT_EQ(f.model.interface.control("BaudRateGroup").itemIndex, 0);
    EXPECT_EQ(f.model.banking.control("ResetBank").itemIndex, 1);
    EXPECT_EQ(f.model.hardware.control("ClockGroup").itemIndex, 1);
    EXPECT_TRUE(f.model.interface.control("ProtocolCheck").checked);
    EXPECT_FALSE(f.model.processor.control("ExtResetCheck").checked);
    events.click("ConfigureButton");
    EXPECT_EQ(lpcOpened, 1);
    EXPECT_EQ(f.model.lpcUcfg1(), 0x81);
    EXPECT_EQ(f.model.lpcPartConfig(), 0xE6);
    events.choose("PageControl", 4);
    EXPECT_EQ(f.model.activePage(), 4);
    EXPECT_EQ(f.model.control("PageControl").itemIndex, 4);  // the tabs show it
    EXPECT_EQ(f.model.helpContext(), OptionsFormModel::kBankingHelpContext);

    // A field is checked as it is left, never for "Cancel"; the tabs wait
    // for valid input in the focused field without a second box.
    events.text("EditA16", "9");
    EXPECT_EQ(f.model.banking.control("EditA16").text, "9");
    EXPECT_FALSE(events.leave("EditA16"));
    EXPECT_EQ(f.boxes.shown().size(), 1u);
    focus = "EditA16";
    EXPECT_FALSE(events.leave("PageControl"));
    focus = "CancelButton";
    EXPECT_TRUE(events.leave("EditA16"));
    EXPECT_TRUE(events.leave("PageControl"));
    EXPECT_EQ(f.boxes.shown().size(), 1u);
    // "Ok" shows the first bad field's page and focuses it.
    focus.clear();
    events.choose("PageControl", 0);
    events.click("OkButton");
    EXPECT_EQ(f.boxes.shown().size(), 2u);
    EXPECT_EQ(f.model.activePage(), 4);
    EXPECT_EQ(log, Names{"focus EditA16"});
    // Valid, "Ok" keeps the page and the histories, applies and ends.
    events.text("EditA16", "0");
    EXPECT_TRUE(events.leave("EditA16"));
    events.click("OkButton");
    EXPECT_EQ(log, (Names{"focus EditA16", "histories", "end ok"}));
    ASSERT_TRUE(f.model.applied());
    EXPECT_EQ(f.store.readInteger(kDriverKey, "FormOptions", "Active", -1), 4);
    // The dialog ended: nothing is checked any more.
    events.text("EditA16", "9");
    EXPECT_TRUE(events.leave("EditA16"));
    EXPECT_EQ(f.boxes.shown().size(), 2u);

    Fixture cancelled;
    auto cancel = cancelled.model.events(window, {});
    cancel.click("CancelButton");
    EXPECT_EQ(log.back(), "end cancel");
    EXPECT_TRUE(cancelled.t.writes.empty());
}

}  // namespace
}  // namespace tarvex::ui
