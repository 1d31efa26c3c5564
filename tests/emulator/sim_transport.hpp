#pragma once
// The board simulator plugged in as the link's transport itself, below the
// command layer and without a serial line: no reset lines, no baud switch,
// answers waited for on the link's clock up to its read/write time-out.
#include <algorithm>
#include <memory>

#include "emulator/link/basis_emulator.hpp"
#include "emulator/link/transport.hpp"
#include "sim/board.hpp"

namespace tarvex::test {

class SimTransport final : public Transport {
public:
    SimTransport(TransportHost& host, sim::Board& board) : host_(host), board_(board) {}

    static TBasisEmulator::TransportMaker maker(sim::Board& board) {
        return [&board](TransportHost& host) { return std::make_unique<SimTransport>(host, board); };
    }

    void open() override { ++opens; }
    void configure() override {}
    std::size_t read(std::uint8_t* buffer, std::size_t count) override {
        host_.ensureOpen();
        platform::Clock& clock = host_.linkClock();
        const std::uint64_t end = clock.monotonicMs() + host_.readWriteTimeout();
        std::size_t done = 0;
        while (done < count) {
            done += board_.read(buffer + done, count - done);
            if (done == count) break;
            const std::uint64_t now = clock.monotonicMs();
            const auto next = board_.nextReadyAt();
            const std::uint64_t until = next && *next <= end ? std::max(*next, now) : end;
            if (until > now) clock.sleepMs(static_cast<std::uint32_t>(until - now));
            if (!next || *next > end) break;
        }
        return done;
    }
    std::size_t write(const std::uint8_t* buffer, std::size_t count) override {
        host_.ensureOpen();
        board_.receive(buffer, count);
        return count;
    }
    bool bytesAvailable() override { return board_.available() > 0; }
    void purge() override { board_.purgeOutput(); }
    void close() override { ++closes; }

    int opens = 0;
    int closes = 0;

private:
    TransportHost& host_;
    sim::Board& board_;
};

}  // namespace tarvex::test
