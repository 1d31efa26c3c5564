// The link's own serial-port code against the board simulator on a
// pseudo-terminal: real termios, real bytes through the kernel.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "core/errors.hpp"
#include "emulator/link/basis_emulator.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/posix/pty_server.hpp"

namespace tarvex {
namespace {

// Counts what passes through the link's port, so that the clock can tell
// when both sides have caught up.
class CountingPort final : public platform::SerialPort {
public:
    explicit CountingPort(std::unique_ptr<platform::SerialPort> port) : port_(std::move(port)) {}
    void configure(std::uint32_t baud) override { port_->configure(baud); }
    void setTimeouts(const platform::SerialTimeouts& t) override { port_->setTimeouts(t); }
    void setRts(bool on) override { port_->setRts(on); }
    void setDtr(bool on) override { port_->setDtr(on); }
    std::size_t read(std::uint8_t* b, std::size_t n) override {
        const std::size_t got = port_->read(b, n);
        read_ += got;
        return got;
    }
    std::size_t write(const std::uint8_t* b, std::size_t n) override {
        const std::size_t put = port_->write(b, n);
        written_ += put;
        return put;
    }
    std::size_t inputQueued() override { return port_->inputQueued(); }
    void purgeInput() override {
        // Drain rather than flush: what is dropped must still be counted.
        std::uint8_t b[256];
        while (const std::size_t n = std::min(port_->inputQueued(), sizeof b)) read_ += port_->read(b, n);
    }

    static inline std::atomic<std::uint64_t> read_{0};
    static inline std::atomic<std::uint64_t> written_{0};

private:
    std::unique_ptr<platform::SerialPort> port_;
};

// Virtual time whose sleeps first let the board behind the terminal catch
// up with everything sent, so that a poll after Wait() sees its answer as it
// would on a real line after the real wait. Nothing sleeps on real time.
class CatchUpClock final : public platform::Clock {
public:
    CatchUpClock(sim::Board& board, sim::PtyServer& server) : board_(board), server_(server) {}
    std::uint32_t tickMs() override { return fake_.tickMs(); }
    std::uint64_t monotonicMs() override { return fake_.monotonicMs(); }
    std::chrono::system_clock::time_point wallNow() override { return fake_.wallNow(); }
    void sleepMs(std::uint32_t ms) override {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < giveUp) {
            const bool received = board_.bytesReceived() == CountingPort::written_.load();
            const bool delivered = !server_.answersPending() &&
                                   CountingPort::read_.load() + queued() == server_.bytesSent();
            if (received && delivered) break;
            std::this_thread::yield();
        }
        fake_.sleepMs(ms);
    }
    std::function<std::size_t()> queued = [] { return std::size_t{0}; };

private:
    platform::FakeClock fake_;
    sim::Board& board_;
    sim::PtyServer& server_;
};

TEST(PtyLink, HandshakeAndBaudSwitchOverARealTerminal) {
    CountingPort::read_ = 0;
    CountingPort::written_ = 0;
    platform::FakeClock boardClock;
    sim::Board board(boardClock);
    sim::PtyServer server(board);
    CatchUpClock clock(board, server);
    platform::MemorySettingsStore settings;
    settings.writeString(TBasisEmulator::RegistryKey, "Ports", "COM5", server.devicePath());
    platform::RecordingNoticeWindow notice;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes, nullptr, &notice);

    CountingPort* port = nullptr;
    TBasisEmulator link(clock, settings);
    link.setSerialPortOpener([&port](const std::string& device) -> std::unique_ptr<platform::SerialPort> {
        auto p = std::make_unique<CountingPort>(platform::openSystemSerialPort(device));
        port = p.get();
        return p;
    });
    clock.queued = [&port] { return port ? port->inputQueued() : 0; };
    link.SetPortName("COM5");
    server.start();

    link.Startup();
    EXPECT_EQ(link.ConnectionState(), TBasisEmulator::StateReady);
    EXPECT_EQ(link.EpromVersion(), "5.1 ");
    EXPECT_EQ(link.CurrentBaudIndex(), 2);
    EXPECT_EQ(server.lineBaud(), 115200u);
    EXPECT_EQ(board.baud(), 115200u);
    int pollsAt9600 = 0, pollsAt115200 = 0;
    bool tailIgnored = false;
    for (const auto& c : board.log()) {
        if (c.name == "x") (c.baud == 9600 ? pollsAt9600 : pollsAt115200)++;
        if (c.name == "ignored" && c.bytes == std::vector<std::uint8_t>{0x20}) tailIgnored = true;
    }
    EXPECT_GE(pollsAt9600, 12);
    EXPECT_GE(pollsAt115200, 12);
    EXPECT_TRUE(tailIgnored);

    board.setMaster(0x7F00, 0x3C);
    EXPECT_EQ(link.ReadN(0x7F00), 0x3C);
    link.WriteN(0x7F01, 0x4D);
    EXPECT_EQ(link.ReadN(0x7F01), 0x4D);

    // Back to 9600 and a second start in the same session.
    link.Restart();
    EXPECT_FALSE(link.HandleOpen());
    link.Startup();
    EXPECT_EQ(link.ConnectionState(), TBasisEmulator::StateReady);
    EXPECT_EQ(link.ReadN(0x7F01), 0x4D);
    server.stop();
}

TEST(PtyLink, AnUnknownDeviceIsAnOpenError) {
    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    settings.writeString(TBasisEmulator::RegistryKey, "Ports", "COM9", "/dev/nonexistent-tarvex-port");
    TBasisEmulator link(clock, settings);
    link.SetPortName("COM9");
    try {
        link.GetHandle();
        FAIL();
    } catch (const EEmulatorCommError& e) {
        EXPECT_EQ(e.message(), "Open error 2 on port COM9");
    }
}

}  // namespace
}  // namespace tarvex
#endif
