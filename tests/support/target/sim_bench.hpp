#pragma once
// The board simulator on virtual time, with scripted user interaction: what
// every rig that drives a link or a driver against the simulator stands on.
#include <utility>

#include "emulator/monitor_data.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex::test {

// A board of the firmware version ("5.1 "), the rest as configured by default.
inline sim::BoardConfig boardOf(const char* version) {
    sim::BoardConfig config;
    config.version = version;
    return config;
}

struct SimBench {
    // `boardClock`: a clock of the caller's that drives the board instead of the bench's own.
    explicit SimBench(sim::BoardConfig config = {}, platform::Clock* boardClock = nullptr)
        : board(boardClock ? *boardClock : clock, withMonitor(std::move(config))) {}

    // Without a monitor of its own the board plays the repository's monitor
    // data, which the driver reads from the stand-in roots.
    static sim::BoardConfig withMonitor(sim::BoardConfig config) {
        if (!config.monitor) config.monitor = LoadMonitorData((sourceDir() / "data").string(), "");
        return config;
    }

    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    sim::Board board;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedErrorDialog errorDialog;
    platform::RecordingNoticeWindow notice;
    platform::ScopedUi ui{&boxes, &errorDialog, &notice};
};

}  // namespace tarvex::test
