#include <gtest/gtest.h>

#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"

namespace tarvex::sim {
namespace {


std::vector<std::string> names(const Board& board) {
    std::vector<std::string> out;
    for (const auto& c : board.log()) out.push_back(c.name);
    return out;
}

std::vector<std::uint8_t> drain(Board& board) {
    std::vector<std::uint8_t> out(board.available());
    out.resize(board.read(out.data(), out.size()));
    return out;
}

const std::string Stream = std::string("WN\x10\x00\x42", 5) + std::string("RN\x10\x00", 4) + "k" + "z" +
                           std::string("RI\x00\x05", 4) + std::string("aFlC\x16\x03\x3F\xFC\x00", 9) + "x" +
                           std::string("y\x00", 2);

TEST(Board, ParsesByCommandNotByWrite) {
    platform::FakeClock clock;
    Board whole(clock), single(clock);
    whole.receive(reinterpret_cast<const std::uint8_t*>(Stream.data()), Stream.size());
    for (char c : Stream) {
        const auto b = static_cast<std::uint8_t>(c);
        single.receive(&b, 1);
    }
    const std::vector<std::string> expected{"WN", "RN", "k", "z", "RI", "aFlC", "x", "y"};
    EXPECT_EQ(names(whole), expected);
    EXPECT_EQ(names(single), expected);
    // RN 42, k: 12 34 04, RI 00, IAP read of the hardware id in block 1: 04, then '5'.
    const std::vector<std::uint8_t> answers{0x42, 0x12, 0x34, 0x04, 0x00, 0x04, '5'};
    EXPECT_EQ(drain(whole), answers);
    EXPECT_EQ(drain(single), answers);
    EXPECT_EQ(whole.baud(), 115200u);
    EXPECT_EQ(whole.flashBlock(), 1);
}

TEST(Board, UnknownBytesAreSkippedAndLogged) {
    platform::FakeClock clock;
    Board board(clock);
    const std::string s = std::string("\x20Rq", 3) + std::string("RV\x00\x01", 4) + "aFxk";
    board.receive(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    EXPECT_EQ(names(board), (std::vector<std::string>{"?", "?", "?", "RV", "?", "?", "x", "k"}));
}

TEST(Board, IdentificationCyclesAfterTheJunk) {
    platform::FakeClock clock;
    BoardConfig config;
    config.junkPrefix = {0xEE};
    Board board(clock, config);
    std::string got;
    for (int i = 0; i < 14; ++i) {
        const std::uint8_t x = 'x';
        board.receive(&x, 1);
        const auto b = drain(board);
        ASSERT_EQ(b.size(), 1u);
        got += static_cast<char>(b[0]);
    }
    EXPECT_EQ(got, "\xEE" "5.1 TARVEX515");
}

TEST(Board, ResetByTheLinePulseAndDeafWhileRtsIsOff) {
    platform::FakeClock clock;
    Board board(clock);
    const std::string y = std::string("y\x00", 2);
    board.receive(reinterpret_cast<const std::uint8_t*>(y.data()), 2);
    EXPECT_EQ(board.baud(), 115200u);
    board.setLines(false, true);
    const std::uint8_t k = 'k';
    board.receive(&k, 1);
    EXPECT_EQ(board.available(), 0u);
    // At the wrong rate nothing is understood either.
    board.setLines(true, true);
    board.receive(&k, 1, 9600);
    EXPECT_EQ(board.available(), 0u);
    board.receive(&k, 1, 115200);
    EXPECT_EQ(board.available(), 3u);
    board.setLines(false, false);
    board.setLines(true, true);
    EXPECT_EQ(board.baud(), 9600u);
    EXPECT_EQ(board.available(), 0u);
}

TEST(SimSerialPort, ReadsWaitOnTheClockForLateAnswers) {
    platform::FakeClock clock;
    Board board(clock);
    SimSerialPort port(board, clock);
    platform::SerialTimeouts t;
    t.readTotalConstant = 100;
    port.setTimeouts(t);
    board.setAnswerDelay(60);
    const std::uint8_t k = 'k';
    port.write(&k, 1);
    std::uint8_t buf[3];
    const auto start = clock.monotonicMs();
    EXPECT_EQ(port.read(buf, 3), 3u);
    EXPECT_EQ(clock.monotonicMs() - start, 60u);
    // Nothing comes: the read takes its whole time-out.
    EXPECT_EQ(port.read(buf, 1), 0u);
    EXPECT_EQ(clock.monotonicMs() - start, 160u);
    // A short answer arrives short.
    board.setAnswerDelay(0);
    board.shortenNextAnswer(2);
    port.write(&k, 1);
    EXPECT_EQ(port.read(buf, 3), 2u);
}

}  // namespace
}  // namespace tarvex::sim
