// The link against boards of different firmware profiles.
#include <gtest/gtest.h>

#include "tests/support/target/link_fixture.hpp"

namespace tarvex {
namespace {

std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

// Below code 16 `n` names no count and the board answers one frame; from 16
// on it answers as many as asked. The link gets the frames it asks for from
// both, in either frame size.
TEST(ProfileLink, FramesComeWhateverTheFrameCommandAnswers) {
    struct Row {
        const char* version;
        std::uint8_t frameSize;
        std::size_t commands, commandLength;
    };
    for (const Row& r : {Row{"4.2 ", 11, 3, 3}, Row{"4.0 ", 12, 3, 3}, Row{"4.3 ", 12, 1, 4}, Row{"5.0 ", 11, 1, 5}}) {
        SCOPED_TRACE(r.version);
        sim::BoardConfig config;
        config.version = r.version;
        config.frameSize = r.frameSize;
        test::SimLink s(config);
        s.identify();
        s.link->SetTraceFrameSize(r.frameSize);
        const std::uint8_t frame[2] = {0xC1, 0xC2};
        std::vector<std::uint8_t> expected;
        s.board.withTarget([&](sim::Target&, sim::TraceRecorder& trace) {
            trace.setCounter(0x0FFFF);
            trace.record(frame, 2);
            expected = trace.frames(0x0FFFF, 3);
        });
        s.board.clearLog();
        EXPECT_EQ(bytesOf(s.link->FrameLesen(0x0FFFF, 3)), expected);
        EXPECT_EQ(s.board.tally("n").commands, r.commands);
        EXPECT_EQ(s.board.tally("n").bytes, r.commands * r.commandLength);
        // Nothing is left over to answer the next command.
        s.board.setMaster(0x10, 0x42);
        EXPECT_EQ(s.link->ReadN(0x10), 0x42);
        EXPECT_TRUE(s.link->FrameLesen(0, 0).empty());
        EXPECT_EQ(s.link->ReadN(0x10), 0x42);
    }
}

TEST(ProfileLink, ABoardCanKeepItsFlashBlockOnTheReturnTo9600) {
    for (const bool selects : {true, false}) {
        sim::BoardConfig config;
        config.baudResetSelectsBlock0 = selects;
        test::SimLink s(config);
        s.link->Startup();  // ends in flash block 1
        ASSERT_EQ(s.board.flashBlock(), 1);
        const std::string y04("y\x04", 2);
        s.link->Schreiben(y04);
        EXPECT_EQ(s.board.flashBlock(), selects ? 0 : 1);
        EXPECT_EQ(s.board.profile().baudResetSelectsBlock0, selects);
    }
}

}  // namespace
}  // namespace tarvex
