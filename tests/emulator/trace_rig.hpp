#pragma once
// The trace board (and run control) on the simulator target, with a tap on
// the serial line: while `scripted` is set, writes are recorded and not sent
// on, and reads are answered from a script, so that a test pins a wire form
// the board answers in a way the simulator does not (yet) give.
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "emulator/debug/trace_board.hpp"
#include "tests/emulator/emulator_fixture.hpp"
#include "tests/support/target/sim_target.hpp"

namespace tarvex::test {

struct Tap {
    bool scripted = false;
    std::vector<std::string> writes;
    std::deque<std::uint8_t> answers;
    // Called on the caller's thread while it holds the link lock: where a
    // thread test hands over to a second thread. Set them while no other
    // thread runs.
    std::function<void()> onInputQueued;
    std::function<void(const std::string&)> onWrite;
    void answer(std::initializer_list<int> bytes) {
        for (int b : bytes) answers.push_back(static_cast<std::uint8_t>(b));
    }
    void script() {
        scripted = true;
        writes.clear();
        answers.clear();
    }
};

class TapPort final : public platform::SerialPort {
public:
    TapPort(sim::Board& board, platform::Clock& clock, Tap& tap) : port_(board, clock), tap_(tap) {}

    void configure(std::uint32_t baud) override { port_.configure(baud); }
    void setTimeouts(const platform::SerialTimeouts& t) override { port_.setTimeouts(t); }
    void setRts(bool on) override { port_.setRts(on); }
    void setDtr(bool on) override { port_.setDtr(on); }
    // The script holds the answers the commands read, never bytes the board
    // sends unasked: none of them waits in the input before its read.
    std::size_t inputQueued() override {
        if (tap_.onInputQueued) tap_.onInputQueued();
        return tap_.scripted ? 0 : port_.inputQueued();
    }
    void purgeInput() override {
        if (!tap_.scripted) port_.purgeInput();
    }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override {
        if (!tap_.scripted) return port_.read(buffer, count);
        std::size_t n = 0;
        for (; n < count && !tap_.answers.empty(); ++n) {
            buffer[n] = tap_.answers.front();
            tap_.answers.pop_front();
        }
        return n;
    }
    std::size_t write(const std::uint8_t* buffer, std::size_t count) override {
        if (tap_.onWrite) tap_.onWrite(std::string(reinterpret_cast<const char*>(buffer), count));
        if (!tap_.scripted) return port_.write(buffer, count);
        tap_.writes.push_back(wireLine(std::string(reinterpret_cast<const char*>(buffer), count)));
        return count;
    }

private:
    sim::SimSerialPort port_;
    Tap& tap_;
};

struct TraceRig : SimTarget {
    explicit TraceRig(sim::BoardConfig config = {}) : SimTarget(std::move(config)), trace(*emu, notifier) {
        emu->setSerialPortOpener([this](const std::string&) -> std::unique_ptr<platform::SerialPort> {
            return std::make_unique<TapPort>(board, clock, tap);
        });
        parts.traceBoard = &trace;
        emu->SetParts(parts);
        trace.SetSpaces(spaces.get());
        trace.SetBanking(banking.get());
        trace.SetSfrConfig(sfr.get());
    }
    // Handshake and version check only: the link knows the board.
    void identify() {
        emu->InitStringEinlesen();
        emu->CheckEpromVersion();
        emu->SetConnectionState(TBasisEmulator::StateReady);
    }

    Tap tap;
    TTracePlatine trace;
};

}  // namespace tarvex::test
