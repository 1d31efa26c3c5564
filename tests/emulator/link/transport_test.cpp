// The simulator plugged in at the transport seam: the link's command layer,
// handshake and time-outs run unchanged over a transport that is not one of
// the three link kinds.
#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "tests/support/target/link_fixture.hpp"
#include "tests/emulator/sim_transport.hpp"

namespace tarvex {
namespace {

TEST(TransportSeam, PluggedSimulatorStartsTheBoardAndTimesOutOnTheLinkClock) {
    test::SimLink s;
    test::SimTransport* plugged = nullptr;
    s.link->plugTransport(TBasisEmulator::IfSerial, [&](TransportHost& host) {
        auto t = std::make_unique<test::SimTransport>(host, s.board);
        plugged = t.get();
        return t;
    });
    int serialOpens = 0;
    s.link->setSerialPortOpener([&](const std::string&) -> std::unique_ptr<platform::SerialPort> {
        ++serialOpens;
        return std::make_unique<sim::SimSerialPort>(s.board, s.clock);
    });
    s.link->Startup();
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
    EXPECT_EQ(s.link->EpromVersion(), "5.1 ");
    for (const auto& c : s.board.log()) EXPECT_NE(c.name, "y");  // the plugged transport switches no rate
    s.board.setMaster(0x7F00, 0x5A);
    EXPECT_EQ(s.link->ReadN(0x7F00), 0x5A);
    EXPECT_EQ(serialOpens, 0);
    EXPECT_EQ(plugged->opens, 1);

    s.board.setSilent(true);
    const auto before = s.clock.monotonicMs();
    EXPECT_THROW(s.link->ReadN(0x7F00), EEmulatorTimeoutError);
    EXPECT_EQ(s.clock.monotonicMs() - before, s.link->TimeoutReadWrite());
    EXPECT_TRUE(s.link->TimeoutFlag());
    EXPECT_FALSE(s.link->HandleOpen());
    EXPECT_EQ(plugged->closes, 1);

    // An empty maker puts the serial port back.
    s.link->plugTransport(TBasisEmulator::IfSerial, {});
    s.board.setSilent(false);
    s.link->SetTimeoutError(false);
    s.link->InitStringEinlesen();
    EXPECT_EQ(serialOpens, 1);
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateIdentified);
}

}  // namespace
}  // namespace tarvex
