#pragma once
// A link wired to the board simulator in the same process, on virtual time,
// with scripted user interaction.
#include <memory>

#include "emulator/link/basis_emulator.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "tests/support/target/sim_bench.hpp"

namespace tarvex::test {

struct SimLink : SimBench {
    explicit SimLink(sim::BoardConfig config = {})
        : SimBench(std::move(config)), link(std::make_unique<TBasisEmulator>(clock, settings)) {
        link->setSerialPortOpener(sim::SimSerialPort::opener(board, clock));
    }

    // Runs the handshake and the version check, as the start does.
    void identify() {
        link->InitStringEinlesen();
        link->CheckEpromVersion();
    }

    std::unique_ptr<TBasisEmulator> link;
};

inline std::vector<std::uint8_t> bytesOf(std::string_view s) { return {s.begin(), s.end()}; }

}  // namespace tarvex::test
