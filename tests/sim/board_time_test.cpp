// The board acts on its own between commands, as a running target's stop
// byte will: the simulator-only command "~" makes it send a byte some time
// later. The link reads that byte when the clock has moved on, whichever
// way it reaches the board.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "emulator/link/basis_emulator.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "tests/support/target/link_fixture.hpp"
#ifdef TARVEX_STANDIN_DIR
#include "emulator/link/d2xx.hpp"
#include "emulator/link/io_library.hpp"
#include "platform/dynlib.hpp"
#include "platform/parallel_port.hpp"
#include "sim/lpt_port.hpp"
#include "sim/usb_bus.hpp"
#endif
#ifndef _WIN32
#include "sim/posix/pty_server.hpp"
#endif

namespace tarvex {
namespace {

const std::string Later = std::string("~\x00\x64\x5A", 4);  // 0x5A, 100 ms from now

std::vector<std::uint8_t> drain(sim::Board& board) {
    std::vector<std::uint8_t> out(board.available());
    out.resize(board.read(out.data(), out.size()));
    return out;
}

void send(sim::Board& board, std::string_view bytes) {
    board.receive(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

TEST(BoardTime, WhatFallsDueHappensAtItsOwnMomentAndInOrder) {
    platform::FakeClock clock;
    sim::Board board(clock);
    send(board, Later);
    EXPECT_EQ(board.nextReadyAt(), clock.monotonicMs() + 100);
    clock.advance(150);
    // The command at 150 comes after the byte sent at 100.
    board.setMaster(7, 0x77);
    send(board, std::string("RN\x00\x07", 4));
    EXPECT_EQ(drain(board), (std::vector<std::uint8_t>{0x5A, 0x77}));
    // A reset ends what the board was about to do.
    send(board, Later);
    board.reset();
    clock.advance(200);
    EXPECT_EQ(board.available(), 0u);
    EXPECT_FALSE(board.nextReadyAt());
    // A read that waits for it wakes exactly when it is sent.
    sim::SimSerialPort port(board, clock);
    platform::SerialTimeouts t;
    t.readTotalConstant = 500;
    port.setTimeouts(t);
    const std::uint8_t later[4] = {'~', 0x00, 0x28, 0x33};
    port.write(later, 4);
    const auto start = clock.monotonicMs();
    std::uint8_t b = 0;
    ASSERT_EQ(port.read(&b, 1), 1u);
    EXPECT_EQ(b, 0x33);
    EXPECT_EQ(clock.monotonicMs() - start, 40u);
}

// The link asks as its stop poll will: is a byte waiting? Then it reads one.
// `pump` lets the board's side catch up where a medium lies between.
void expectLateByte(TBasisEmulator& link, platform::FakeClock& boardClock, const std::function<void()>& pump) {
    ASSERT_EQ(link.Schreiben(Later), 4u);
    pump();
    EXPECT_FALSE(link.BytesAvailable());
    boardClock.advance(99);
    pump();
    EXPECT_FALSE(link.BytesAvailable());
    boardClock.advance(1);
    pump();
    EXPECT_TRUE(link.BytesAvailable());
    EXPECT_EQ(link.Lesen(1), "\x5A");
    EXPECT_FALSE(link.TimeoutFlag());
}

TEST(BoardTime, TheLinkReadsALateByteInProcess) {
    test::SimLink s;
    expectLateByte(*s.link, s.clock, [] {});
}

#ifdef TARVEX_STANDIN_DIR
TEST(BoardTime, TheLinkReadsALateByteThroughTheD2xxLibrary) {
    test::SimLink s;
    auto library = platform::DynamicLibrary::load(ftd2xx::LibraryName());
    ASSERT_TRUE(library.loaded()) << library.errorText();
    auto* get = library.function<sim::UsbBus* (*)()>("tarvex_sim_usb_bus");
    ASSERT_NE(get, nullptr);
    sim::UsbBus& bus = *get();
    bus.clear();
    bus.setClock(&s.clock);
    bus.addDevice("TX1", "TARVEX Emulator");
    s.link->SetPortName("USB");
    expectLateByte(*s.link, s.clock, [] {});
    s.link.reset();
    bus.clear();
    bus.setClock(nullptr);
}

TEST(BoardTime, TheLinkReadsALateByteThroughTheIoLibrary) {
    test::SimLink s;
    auto library = platform::DynamicLibrary::load(std::string(TARVEX_STANDIN_DIR) + "/" + iodll::LibraryFileName());
    ASSERT_TRUE(library.loaded()) << library.errorText();
    auto* get = library.function<sim::LptPort* (*)()>("tarvex_sim_lpt_port");
    ASSERT_NE(get, nullptr);
    sim::LptPort& port = *get();
    port.attach(s.clock);
    port.setBase(0x378);
    s.link->setIoSearchDirs("/nonexistent", TARVEX_STANDIN_DIR);
    s.link->setParallelPortOpener([](const std::string&) { return std::make_unique<platform::PortHold>(); });
    s.link->SetPortName("LPT1");
    expectLateByte(*s.link, s.clock, [] {});
    s.link.reset();
    port.detach();
}
#endif

#ifndef _WIN32
TEST(BoardTime, TheLinkReadsALateByteOverAPseudoTerminal) {
    platform::FakeClock boardClock;
    sim::Board board(boardClock);
    sim::PtyServer server(board);
    test::SimLink s;
    s.settings.writeString(TBasisEmulator::RegistryKey, "Ports", "COM5", server.devicePath());
    s.link->setSerialPortOpener(platform::openSystemSerialPort);
    s.link->SetPortName("COM5");
    // The server runs on this thread, so the board's clock has one user. The
    // kernel hands bytes between the two ends on its own time: wait for
    // them, bounded, without sleeping.
    const auto pump = [&] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        do server.serveOnce(0);
        while (board.bytesReceived() < Later.size() && std::chrono::steady_clock::now() < giveUp);
        if (server.bytesSent() == 0) return;
        while (!s.link->BytesAvailable() && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
    };
    expectLateByte(*s.link, boardClock, pump);
}
#endif

}  // namespace
}  // namespace tarvex
