// The parallel-port transport through the stand-in io library, found and
// bound by name like the real one.
// Needs the stand-in libraries, which only the POSIX build makes.
#ifdef TARVEX_STANDIN_DIR
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/errors.hpp"
#include "emulator/link/io_library.hpp"
#include "platform/callconv.hpp"
#include "platform/dynlib.hpp"
#include "platform/parallel_port.hpp"
#include "sim/lpt_port.hpp"
#include "tests/support/target/link_fixture.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

class LptLink : public ::testing::Test {
protected:
    void SetUp() override {
        library = platform::DynamicLibrary::load(std::string(TARVEX_STANDIN_DIR) + "/" + iodll::LibraryFileName());
        ASSERT_TRUE(library.loaded()) << library.errorText();
        auto* get = library.function<sim::LptPort* (*)()>("tarvex_sim_lpt_port");
        ASSERT_NE(get, nullptr);
        port = get();
        board = &port->attach(s.clock);
        port->setBase(0x378);
        s.link->setIoSearchDirs("/nonexistent", TARVEX_STANDIN_DIR);
        // Windows would open the port by name; the tests that hold a real
        // node say so.
        s.link->setParallelPortOpener([](const std::string&) { return std::make_unique<platform::PortHold>(); });
    }
    void TearDown() override {
        s.link.reset();
        if (port) port->detach();
    }

    test::SimLink s;
    platform::DynamicLibrary library;
    sim::LptPort* port = nullptr;
    sim::Board* board = nullptr;
};

TEST_F(LptLink, LptAndUnknownNamesChooseTheParallelPort) {
    s.link->SetPortName("LPT1");
    EXPECT_EQ(s.link->Interface(), TBasisEmulator::IfParallel);
    s.link->SetPortName("XYZ");
    EXPECT_EQ(s.link->Interface(), TBasisEmulator::IfParallel);
    s.link->SetPortName("COM2");
    EXPECT_EQ(s.link->Interface(), TBasisEmulator::IfSerial);
    EXPECT_FALSE(iodll::IoDllBound());
}

TEST_F(LptLink, StartsTheBoardThroughStrobeAndAcknowledge) {
    s.link->SetPortName("LPT1");
    s.link->Startup();
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
    EXPECT_EQ(s.link->EpromVersion(), "5.1 ");
    EXPECT_EQ(port->ecr(), 0x30);                               // byte mode
    for (const auto& c : board->log()) EXPECT_NE(c.name, "y");  // no baud switch off the serial port
    board->setMaster(0x7F00, 0xAB);
    EXPECT_EQ(s.link->ReadN(0x7F00), 0xAB);
    s.link->WriteN(0x7F01, 0xCD);
    EXPECT_EQ(board->master(0x7F01), 0xCD);
    EXPECT_EQ(s.link->BusyCount(), 0);
}

// The IDE keeps the driver loaded between debug sessions: the end of one
// releases the io library, and the next start binds it again.
TEST_F(LptLink, ASecondSessionAfterTheReleaseBindsTheLibraryAgain) {
    s.link->SetPortName("LPT1");
    for (int session = 0; session < 2; ++session) {
        s.link->Startup();
        ASSERT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady) << "session " << session;
        EXPECT_TRUE(iodll::IoDllBound());
        board->setMaster(0x7F00, static_cast<std::uint8_t>(0xA0 + session));
        EXPECT_EQ(s.link->ReadN(0x7F00), 0xA0 + session);
        s.link->ResetMaster();
        s.link->ReleaseTransport();
        EXPECT_FALSE(iodll::IoDllBound());
        EXPECT_FALSE(s.link->HandleOpen());
    }
}

TEST_F(LptLink, AnAbsentBoardIsNotReadyRatherThanACommunicationError) {
    s.link->SetPortName("LPT1");
    board->setSilent(true);
    const auto before = s.clock.monotonicMs();
    try {
        s.link->InitStringEinlesen();
        FAIL();
    } catch (const EEmulatorStartError& e) {
        EXPECT_EQ(e.message(), "Emulator on port LPT1 not ready");
    }
    EXPECT_GE(s.clock.monotonicMs() - before, 4000u);
    // Polled every 50 ms, not flooded.
    EXPECT_LE(board->log().size(), 81u);
}

TEST_F(LptLink, AReadWhoseStrobeNeverComesFailsAfterTheReadWriteTimeout) {
    s.link->SetPortName("LPT1");
    s.link->InitStringEinlesen();
    s.link->SetTimeoutReadWrite(700);
    board->setSilent(true);
    s.link->Schreiben(std::string("RN\x00\x00", 4));
    const auto before = s.clock.monotonicMs();
    try {
        s.link->Lesen(1);
        FAIL();
    } catch (const EEmulatorTimeoutError& e) {
        EXPECT_EQ(e.message(), "Communication error! Please restart emulator");
    }
    EXPECT_GE(s.clock.monotonicMs() - before, 700u);
    EXPECT_LT(s.clock.monotonicMs() - before, 800u);
    EXPECT_TRUE(s.link->TimeoutFlag());
}

TEST_F(LptLink, AWriteWithoutAcknowledgeFailsToo) {
    s.link->SetPortName("LPT1");
    s.link->InitStringEinlesen();
    port->setDeaf(true);
    EXPECT_THROW(s.link->Schreiben("k"), EEmulatorTimeoutError);
}

TEST_F(LptLink, WithoutTheLibraryThereIsNoAccess) {
    s.link->setIoSearchDirs("/nonexistent-a", "/nonexistent-b");
    try {
        s.link->SetPortName("LPT2");
        FAIL();
    } catch (const EEmulatorCommError& e) {
        const std::string file = iodll::LibraryFileName();
        // The platform's separator: "\" on Windows, as the original names them.
        const auto in = [&file](const char* dir) { return (std::filesystem::path(dir) / file).string(); };
        EXPECT_NE(e.message().find("File " + file + ", " + in("/nonexistent-a") + ", " + in("/nonexistent-b") +
                                   " does not exist"),
                  std::string::npos)
            << e.message();
        EXPECT_NE(e.message().find("\nNo access to parallel port"), std::string::npos);
    }
}

TEST_F(LptLink, ThePortIsHeldWhileTheHandleIsOpen) {
    struct CountedHold : platform::PortHold {
        explicit CountedHold(int& n) : alive(n) { ++alive; }
        ~CountedHold() override { --alive; }
        int& alive;
    };
    int alive = 0;
    std::vector<std::string> devices;
    s.link->setParallelPortOpener([&](const std::string& device) {
        devices.push_back(device);
        return std::make_unique<CountedHold>(alive);
    });
    s.settings.writeString(TBasisEmulator::RegistryKey, "Ports", "LPT1", "/dev/parport0");
    s.link->SetPortName("LPT1");
    s.link->Startup();
    EXPECT_EQ(alive, 1);
    EXPECT_EQ(devices, std::vector<std::string>{platform::TargetIsWindows ? "LPT1" : "/dev/parport0"});
    s.link->Restart();
    EXPECT_EQ(alive, 0);
    // A port the system refuses stops the start.
    s.link->setParallelPortOpener([](const std::string&) -> std::unique_ptr<platform::PortHold> {
        throw platform::PortHoldError(32, "in use", true);
    });
    try {
        s.link->InitStringEinlesen();
        FAIL();
    } catch (const EEmulatorStartError& e) {
        EXPECT_EQ(e.message(), "Open error 32 on port LPT1\r\n Emulator on port LPT1 not ready");
    }
}

TEST_F(LptLink, ANamedNodeIsLockedAgainstASecondLinkAndAnUnopenableOneSkipped) {
    if (platform::TargetIsWindows) GTEST_SKIP() << "Windows holds the port by its name";
    test::TempDir dir;
    const std::string node = dir.file("lpt1");
    test::writeBytes(node, {});
    s.settings.writeString(TBasisEmulator::RegistryKey, "Ports", "LPT1", node);
    s.link->setParallelPortOpener(platform::holdSystemParallelPort);
    s.link->SetPortName("LPT1");
    s.link->Startup();
    {
        TBasisEmulator second(s.clock, s.settings);
        second.setIoSearchDirs("/nonexistent", TARVEX_STANDIN_DIR);
        second.SetPortName("LPT1");
        try {
            second.GetHandle();
            FAIL();
        } catch (const EEmulatorCommError& e) {
            EXPECT_EQ(e.message().rfind("Open error ", 0), 0u) << e.message();
            EXPECT_NE(e.message().find(" on port LPT1"), std::string::npos);
        }
        EXPECT_FALSE(second.HandleOpen());
        board->setMaster(0x20, 0x21);
        EXPECT_EQ(s.link->ReadN(0x20), 0x21);
        s.link->Restart();  // lets go of the port
        second.GetHandle();
        EXPECT_TRUE(second.HandleOpen());
        second.DestroyEmulHandle();
    }
    // A node that exists but is no port (here a folder) is logged and skipped.
    s.link = std::make_unique<TBasisEmulator>(s.clock, s.settings);
    s.link->setIoSearchDirs("/nonexistent", TARVEX_STANDIN_DIR);
    s.settings.writeString(TBasisEmulator::RegistryKey, "Ports", "LPT1", dir.path().string());
    s.link->SetProtFileName(dir.file("prot.txt"));
    s.link->SetProtokollieren(true);
    s.link->SetPortName("LPT1");
    s.link->Startup();
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
    s.link->SetProtokollieren(false);
    std::ifstream in(dir.file("prot.txt"));
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("LPT-Port nicht gehalten: " + dir.path().string()), std::string::npos) << text;
}

}  // namespace
}  // namespace tarvex
#endif
