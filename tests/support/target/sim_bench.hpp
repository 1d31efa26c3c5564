#pragma once
// The board simulator on virtual time, with scripted user interaction: what
// every rig that drives a link or a driver against the simulator stands on.
#include <utility>

#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"

namespace tarvex::test {

struct SimBench {
    // `boardClock`: a clock of the caller's that drives the board instead of the bench's own.
    explicit SimBench(sim::BoardConfig config = {}, platform::Clock* boardClock = nullptr)
        : board(boardClock ? *boardClock : clock, std::move(config)) {}

    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    sim::Board board;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedErrorDialog errorDialog;
    platform::RecordingNoticeWindow notice;
    platform::ScopedUi ui{&boxes, &errorDialog, &notice};
};

}  // namespace tarvex::test
