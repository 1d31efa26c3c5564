// The USB transport through the stand-in D2XX library, bound by name like
// the real one.
// Needs the stand-in libraries, which only the POSIX build makes.
#ifdef TARVEX_STANDIN_DIR
#include <gtest/gtest.h>

#include <functional>

#include "core/errors.hpp"
#include "core/logger.hpp"
#include "emulator/link/d2xx.hpp"
#include "platform/dynlib.hpp"
#include "sim/usb_bus.hpp"
#include "tests/support/target/link_fixture.hpp"

namespace tarvex {
namespace {

class UsbLink : public ::testing::Test {
protected:
    void SetUp() override {
        library = platform::DynamicLibrary::load(ftd2xx::LibraryName());
        ASSERT_TRUE(library.loaded()) << library.errorText();
        auto* get = library.function<sim::UsbBus* (*)()>("tarvex_sim_usb_bus");
        ASSERT_NE(get, nullptr);
        bus = get();
        bus->clear();
        bus->setClock(&s.clock);
    }
    void TearDown() override {
        s.link.reset();
        if (bus) {
            bus->clear();
            bus->setClock(nullptr);
        }
    }

    std::size_t countCalls(const std::string& prefix) const {
        std::size_t n = 0;
        for (const auto& c : bus->calls()) n += c.rfind(prefix, 0) == 0;
        return n;
    }

    test::SimLink s;
    platform::DynamicLibrary library;
    sim::UsbBus* bus = nullptr;
};

TEST_F(UsbLink, PortNameUsbSelectsTheTransportAndStartsTheBoard) {
    sim::Board& board = bus->addDevice("TX1234", "TARVEX Emulator");
    s.link->SetPortName("usb");
    EXPECT_EQ(s.link->Interface(), TBasisEmulator::IfUsb);
    EXPECT_EQ(s.link->PortName(), "USB");
    s.link->Startup();
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
    EXPECT_EQ(s.link->FirmwareCode(), 19);
    EXPECT_EQ(s.link->UsbSerialNumber(), "TX1234");
    // No baud switch on USB; the buffers are purged after open and handshake.
    for (const auto& c : board.log()) EXPECT_NE(c.name, "y");
    EXPECT_EQ(countCalls("FT_Purge 3"), 2u);
    board.setMaster(0x4000, 0x99);
    EXPECT_EQ(s.link->ReadN(0x4000), 0x99);
}

TEST_F(UsbLink, OnlyDevicesDescribedExactlyAsTarvexEmulatorCount) {
    bus->addDevice("A1", "TARVEX Emulator 2");
    bus->addDevice("B2", "tarvex emulator");
    bus->addDevice("C3", "FT232R USB UART");
    s.link->SetPortName("USB");
    s.link->ListUsbDevices();
    ASSERT_EQ(s.link->UsbDevices().size(), 1u);
    EXPECT_EQ(s.link->UsbDevices()[0]->serialNumber, "B2");
    EXPECT_EQ(s.link->UsbDevices()[0]->deviceIndex, 1u);
}

TEST_F(UsbLink, TwoBoardsAndNoChoiceAskTheUserToSelect) {
    bus->addDevice("A1", "TARVEX Emulator");
    bus->addDevice("B2", "TARVEX Emulator");
    s.link->SetPortName("USB");
    try {
        s.link->CreateEmulHandle();
        FAIL();
    } catch (const EEmulatorCommError& e) {
        EXPECT_EQ(e.message(), "Please select TARVEX emulator from USB list");
        EXPECT_EQ(e.errorCode(), 2);
    }
    try {
        s.link->InitStringEinlesen();
        FAIL();
    } catch (const EEmulatorStartError& e) {
        EXPECT_EQ(e.message(), "Please select TARVEX emulator from USB list");
        EXPECT_EQ(e.value(), 2);
    }
    s.link->SetUsbSerialNumber("B2");
    s.link->InitStringEinlesen();
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateIdentified);
}

TEST_F(UsbLink, NoBoardAsksToPlugItIn) {
    s.link->SetPortName("USB");
    try {
        s.link->InitStringEinlesen();
        FAIL();
    } catch (const EEmulatorStartError& e) {
        EXPECT_EQ(e.message(), "No TARVEX emulator found on USB\r\n Plug in USB and/or switch on emulator");
        EXPECT_EQ(e.value(), 1);
    }
}

TEST_F(UsbLink, AMissingWantedBoardOffersTheConnectedOne) {
    bus->addDevice("NEW7", "TARVEX Emulator");
    s.link->SetPortName("USB");
    s.link->SetUsbSerialNumber("OLD1");
    s.boxes.answer(platform::IdYes);
    try {
        s.link->CreateEmulHandle();
        FAIL();
    } catch (const EEmulatorCommError& e) {
        EXPECT_EQ(e.message(), "ERROR: TARVEX emulator NEW7 not found on USB");
        EXPECT_EQ(e.errorCode(), 1);
    }
    ASSERT_EQ(s.boxes.shown().size(), 1u);
    EXPECT_EQ(s.boxes.shown()[0].text,
              "ERROR: TARVEX emulator OLD1 not found on USB!\nChange to TARVEX emulator NEW7 ?");
    EXPECT_EQ(s.link->UsbSerialNumber(), "NEW7");
    s.link->CreateEmulHandle();  // the next start uses the new choice
    EXPECT_TRUE(s.link->HandleOpen());
}

TEST_F(UsbLink, AReadThatFailsHalfwayIsCompletedAfterOneRecovery) {
    sim::Board& board = bus->addDevice("TX1", "TARVEX Emulator");
    s.link->SetPortName("USB");
    s.link->InitStringEinlesen();
    for (std::uint8_t a = 0; a < 5; ++a) board.setMaster(a, static_cast<std::uint8_t>(0xA0 + a));
    // Eight answer bytes: RN, RN, k (3 bytes), RN, RN, RN.
    s.link->Schreiben(std::string("RN\x00\x00", 4) + std::string("RN\x00\x01", 4) + "k" + std::string("RN\x00\x02", 4) +
                      std::string("RN\x00\x03", 4) + std::string("RN\x00\x04", 4));
    bus->failNextRead(ftd2xx::FT_IO_ERROR, 5);
    const auto before = s.clock.monotonicMs();
    const auto answer = s.link->Lesen(8);
    EXPECT_EQ(answer, std::string("\xA0\xA1\x12\x34\x04\xA2\xA3\xA4", 8));
    EXPECT_GE(s.clock.monotonicMs() - before, 6000u);
    EXPECT_FALSE(s.link->TimeoutFlag());
    EXPECT_EQ(countCalls("FT_ResetDevice"), 1u);
    EXPECT_EQ(countCalls("FT_Read 3"), 1u);
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateIdentified);  // kept across the recovery
}

TEST_F(UsbLink, AnIoErrorOnTheRetryIsFatalUntilANewStart) {
    bus->addDevice("TX1", "TARVEX Emulator");
    s.link->SetPortName("USB");
    s.link->Startup();
    s.link->Schreiben(std::string("RN\x00\x00", 4));
    bus->failNextRead(ftd2xx::FT_IO_ERROR, 0, 2);
    try {
        s.link->Lesen(1);
        FAIL();
    } catch (const ETarvexAbort& e) {
        EXPECT_EQ(e.message(), "Fatal USB error!\nPlease switch off emulator and start again.");
    }
    EXPECT_TRUE(s.link->FatalUsbError());
    EXPECT_EQ(bus->openHandles(), 0u);
    bus->clearCalls();
    EXPECT_EQ(s.link->ReadN(0), 0);
    EXPECT_EQ(s.link->Schreiben("k"), 0u);
    EXPECT_FALSE(s.link->BytesAvailable());
    EXPECT_TRUE(bus->calls().empty());
    // A new debugging session in the same loaded driver connects again.
    s.link->Restart();
    s.link->Startup();
    EXPECT_FALSE(s.link->FatalUsbError());
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
}

TEST_F(UsbLink, AWriteRetrySendsOnlyTheRest) {
    sim::Board& board = bus->addDevice("TX1", "TARVEX Emulator");
    s.link->SetPortName("USB");
    s.link->InitStringEinlesen();
    bus->failNextWrite(18, 2);
    EXPECT_EQ(s.link->Schreiben(std::string("WN\x12\x34\x56", 5)), 5u);
    EXPECT_EQ(board.master(0x1234), 0x56);
    EXPECT_EQ(countCalls("FT_Write 3"), 1u);
    // A write that fails again is a time-out with the library's text.
    bus->failNextWrite(18, 0, 2);
    try {
        s.link->Schreiben("k");
        FAIL();
    } catch (const EEmulatorTimeoutError& e) {
        EXPECT_EQ(e.message(), "ERROR USB Write: FT_OTHER_ERROR");
    }
    EXPECT_TRUE(s.link->TimeoutFlag());
}

TEST_F(UsbLink, QueueStatusFailureRecoversAndReportsNothingWaiting) {
    bus->addDevice("TX1", "TARVEX Emulator");
    s.link->SetPortName("USB");
    s.link->InitStringEinlesen();
    s.link->Schreiben("k");
    bus->failNextQueueStatus(4);
    EXPECT_FALSE(s.link->BytesAvailable());
    EXPECT_EQ(countCalls("FT_ResetDevice"), 1u);
    EXPECT_TRUE(s.link->HandleOpen());
}

// A recovery in the handshake takes longer than the handshake's own time:
// the reopened board gets its full time again and the start succeeds.
TEST_F(UsbLink, ARecoveryDuringTheHandshakeStillStarts) {
    const std::function<void()> faults[] = {
        [this] { bus->failNextWrite(sim::UsbBus::DeviceNotOpened, 0); },
        [this] { bus->failNextQueueStatus(sim::UsbBus::IoError); },
        [this] { bus->failNextRead(sim::UsbBus::DeviceNotOpened, 0); },
    };
    for (const auto& fault : faults) {
        bus->clear();
        bus->addDevice("TX1", "TARVEX Emulator");
        s.link->SetPortName("USB");
        s.link->Restart();
        fault();
        s.link->Startup();
        EXPECT_EQ(countCalls("FT_ResetDevice"), 1u);
        EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
        s.link->Restart();
    }
}

// Over USB as well, a late board starts and its answers stay in step; the
// purge after the handshake drops only what the board already sent.
TEST_F(UsbLink, ABoardAnsweringLateStartsAndStaysInStep) {
    sim::Board& board = bus->addDevice("TX1", "TARVEX Emulator");
    board.setAnswerDelay(300);
    s.link->SetPortName("USB");
    s.link->Startup();
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
    EXPECT_EQ(s.link->GetSeriennummerText(), "61234.04");
    board.setMaster(0x4000, 0x99);
    EXPECT_EQ(s.link->ReadN(0x4000), 0x99);
}

TEST_F(UsbLink, AFailedConfigurationCallShowsItsStatusAndResetsThePort) {
    bus->addDevice("TX1", "TARVEX Emulator");
    s.link->SetPortName("USB");
    bus->failNextSetTimeouts(6);
    s.link->GetHandle();
    ASSERT_EQ(s.boxes.shown().size(), 1u);
    EXPECT_EQ(s.boxes.shown()[0].text, "FT_INVALID_PARAMETER");
    EXPECT_EQ(s.boxes.shown()[0].caption, "Error");
}

TEST_F(UsbLink, AfterAReconnectWithoutResetTheFlashIsNeverWrittenBlindly) {
    // Whether "y 04" selects block 0 is the firmware's affair: the link must
    // be right with either.
    for (const bool baudResetSelectsBlock0 : {true, false}) {
        SCOPED_TRACE(baudResetSelectsBlock0);
        s.link.reset();
        bus->clear();
        sim::BoardConfig config;
        config.baudResetSelectsBlock0 = baudResetSelectsBlock0;
        sim::Board& board = bus->addDevice("TX1", "TARVEX Emulator", config);
        s.link = std::make_unique<TBasisEmulator>(s.clock, s.settings);
        s.link->SetPortName("USB");
        s.link->Startup();  // block 1 selected for the serial number
        ASSERT_EQ(board.flashBlock(), 1);
        // While the block is known, the flash is erased and written.
        EXPECT_EQ(s.link->IAPBlockErase(1), 0);
        EXPECT_EQ(s.link->FlashBlockTransfer(0x2000, "\x01\x02"), 0);
        EXPECT_EQ(board.flash(0, 0x2001), 0x02);
        s.link->FlashBlockSwitch(1);

        board.shortenNextAnswer(0);
        EXPECT_THROW(s.link->ReadN(0), EEmulatorTimeoutError);
        s.link->Restart();
        s.link->Startup();
        EXPECT_EQ(s.link->FlashBlock(), 1);
        EXPECT_EQ(board.flashBlock(), baudResetSelectsBlock0 ? 1 : 0);  // a board that kept its block now differs
        EXPECT_FALSE(s.link->FlashBlockKnown());

        std::vector<std::uint8_t> flashBefore;
        for (std::uint8_t b : {0, 1})
            for (std::uint16_t a : {0x2000, 0x2001, 0x3FFC}) flashBefore.push_back(board.flash(b, a));
        const std::function<void()> writes[] = {[&] { s.link->IAPBlockErase(1); },
                                                [&] { s.link->FlashBlockTransfer(0x2000, "\x09"); },
                                                [&] { s.link->WriteHardwareId(7); }};
        for (const auto& write : writes) {
            try {
                write();
                FAIL();
            } catch (const EEmulatorError& e) {
                EXPECT_EQ(e.message().rfind("Flash block of the emulator not known", 0), 0u) << e.message();
            }
        }
        std::vector<std::uint8_t> flashAfter;
        for (std::uint8_t b : {0, 1})
            for (std::uint16_t a : {0x2000, 0x2001, 0x3FFC}) flashAfter.push_back(board.flash(b, a));
        EXPECT_EQ(flashAfter, flashBefore);
        EXPECT_FALSE(s.link->TimeoutFlag());
        board.setMaster(0x10, 0x5A);
        EXPECT_EQ(s.link->ReadN(0x10), 0x5A);  // reading goes on
    }
}

TEST_F(UsbLink, TheListIsTakenBesideALiveSerialSession) {
    bus->addDevice("TX1", "TARVEX Emulator");
    s.link->Startup();  // on COM1, the simulated serial board
    s.board.clearLog();
    s.link->ListUsbDevices();
    ASSERT_EQ(s.link->UsbDevices().size(), 1u);
    EXPECT_EQ(s.link->UsbDevices()[0]->serialNumber, "TX1");
    EXPECT_FALSE(ftd2xx::UsbDllBound());  // bound for the list only
    EXPECT_EQ(s.link->Interface(), TBasisEmulator::IfSerial);
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
    EXPECT_EQ(s.link->ReadN(0), 0);
    for (const auto& c : s.board.log()) EXPECT_TRUE(c.name != "x" && c.name != "reset") << c.name;
}

TEST_F(UsbLink, AFailedSwitchToTheParallelPortKeepsUsb) {
    bus->addDevice("TX1", "TARVEX Emulator");
    s.link->SetPortName("USB");
    s.link->setIoSearchDirs("/nonexistent-a", "/nonexistent-b");
    EXPECT_THROW(s.link->SetPortName("LPT1"), EEmulatorCommError);
    EXPECT_EQ(s.link->PortName(), "USB");
    EXPECT_EQ(s.link->Interface(), TBasisEmulator::IfUsb);
    EXPECT_TRUE(ftd2xx::UsbDllBound());
    s.link->Startup();
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
}

TEST_F(UsbLink, LongTextsOfOtherDevicesListWithoutOverrun) {
    // The library writes up to 63 characters and a zero; the link keeps 50.
    bus->addDevice(std::string(63, 'S'), std::string(63, 'D'));
    bus->addDevice("TX1", "TARVEX Emulator");
    s.link->SetPortName("USB");
    std::string text;
    EXPECT_EQ(ftd2xx::UsbListDevices(0, ftd2xx::ListByIndexDescription, text), ftd2xx::FT_OK);
    EXPECT_EQ(text, std::string(50, 'D'));
    EXPECT_EQ(ftd2xx::UsbListDevices(0, ftd2xx::ListByIndexSerial, text), ftd2xx::FT_OK);
    EXPECT_EQ(text, std::string(50, 'S'));
    s.link->ListUsbDevices();
    ASSERT_EQ(s.link->UsbDevices().size(), 1u);
    EXPECT_EQ(s.link->UsbDevices()[0]->deviceIndex, 1u);
}

TEST_F(UsbLink, EveryLibraryCallLeavesADebugLogLine) {
    bus->addDevice("TX1", "TARVEX Emulator");
    std::vector<std::string> lines;
    debugLog().SetSink([&lines](const std::string& line) { lines.push_back(line); });
    debugLog().SetEnabled(true);
    s.link->SetPortName("USB");
    s.link->GetHandle();
    debugLog().SetEnabled(false);
    debugLog().SetSink(nullptr);
    auto has = [&lines](const std::string& text) {
        for (const auto& l : lines)
            if (l.find(text) != std::string::npos) return true;
        return false;
    };
    EXPECT_TRUE(has("UsbDllInit End"));
    EXPECT_TRUE(has("UsbListDeviceCount=1 FT_OK"));
    EXPECT_TRUE(has("UsbListDevices DeviceNumber=0 Flags=40000001 FT_OK Buffer=TX1"));
    EXPECT_TRUE(has("UsbOpen Handle=256 FT_OK"));
    EXPECT_TRUE(has("UsbSetTimeouts Handle=256 ReadTimeout=2000 FT_OK"));
    EXPECT_TRUE(has("UsbSetResetPipe Handle=256 Count=100 FT_OK"));  // missing on Linux: a no-op
}

TEST(UsbBinding, StatusTexts) {
    EXPECT_EQ(ftd2xx::FtStatusText(0), "FT_OK");
    EXPECT_EQ(ftd2xx::FtStatusText(4), "FT_IO_ERROR");
    EXPECT_EQ(ftd2xx::FtStatusText(18), "FT_OTHER_ERROR");
    EXPECT_EQ(ftd2xx::FtStatusText(19), "FT_STATUS: 19 unknown");
}

TEST(UsbBinding, ALibraryThatIsMissingOrIncompleteIsReportedWhenUsbIsChosen) {
    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    {
        TBasisEmulator link(clock, settings);
        link.setUsbLibrary("libftd2xx-absent.so");
        try {
            link.SetPortName("USB");
            FAIL();
        } catch (const EUsbDllError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Load error libftd2xx-absent.so: ", 0), 0u) << e.what();
        }
        // The link itself goes on working on another transport.
        EXPECT_EQ(link.Interface(), TBasisEmulator::IfSerial);
    }
    {
        TBasisEmulator link(clock, settings);
        link.setUsbLibrary(std::string(TARVEX_STANDIN_DIR) + "/broken/" + ftd2xx::LibraryName());
        try {
            link.SetPortName("USB");
            FAIL();
        } catch (const EUsbDllError& e) {
            EXPECT_EQ(std::string(e.what()), "Load error " + ftd2xx::LibraryName() + ": FT_GetQueueStatus: 127");
        }
        EXPECT_FALSE(ftd2xx::UsbDllBound());
    }
}

}  // namespace
}  // namespace tarvex
#endif
