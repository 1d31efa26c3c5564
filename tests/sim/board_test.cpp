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
    const std::string s = std::string("\x20RQ", 3) + std::string("RV\x00\x01", 4) + "aFxk";
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

void send(Board& board, std::string_view bytes) {
    board.receive(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

TEST(FirmwareProfile, FormsFollowTheFirmwareCode) {
    struct Row {
        const char* version;
        std::uint8_t deviceVersion, code, generation;
        const char* iap;
        std::size_t frameCommand;
        bool countSent, byteWise, flashBlocks;
    };
    const Row rows[] = {
        {"3.05", 0, 12, 0, "aIaP", 3, false, true, false},  {"4.0 ", 0, 13, 1, "aIaP", 3, false, true, true},
        {"4.0 ", 2, 14, 1, "aIaP", 3, false, true, true},    {"4.2 ", 0, 15, 1, "aFlC", 3, false, true, true},
        {"4.35", 0, 16, 1, "aFlC", 4, true, true, true},     {"4.31", 0, 17, 1, "aFlC", 5, true, true, true},
        {"5.0 ", 0, 18, 1, "aFlC", 5, true, false, true},    {"6.1 ", 0, 22, 2, "aFlC", 5, true, false, true},
    };
    for (const Row& r : rows) {
        const FirmwareProfile p = FirmwareProfile::of(r.version, r.deviceVersion);
        SCOPED_TRACE(r.version);
        EXPECT_EQ(p.code, r.code);
        EXPECT_EQ(p.generation, r.generation);
        EXPECT_EQ(p.iapCommand, r.iap);
        EXPECT_EQ(p.transferCommand[1], p.iapCommand[1]);
        EXPECT_EQ(p.frameCommandLength, r.frameCommand);
        EXPECT_EQ(p.framesAnswered(4), r.countSent ? 4u : 1u);
        EXPECT_EQ(p.byteWiseTransfer, r.byteWise);
        EXPECT_EQ(p.flashBlocks, r.flashBlocks);
    }
}

TEST(Board, AFormTheFirmwareDoesNotKnowIsSkipped) {
    platform::FakeClock clock;
    BoardConfig old;
    old.version = "3.05";
    Board iv(clock, old), v(clock);
    for (Board* b : {&iv, &v}) send(*b, std::string("zaIaP\x16\x03\x3F\xFC\x00", 10));
    // The TARVEX-IV knows no "z"; a 5.1 board takes
    // "aIaP" for bytes it cannot place.
    EXPECT_EQ(names(iv), (std::vector<std::string>{"?", "aIaP"}));
    EXPECT_EQ(drain(iv), (std::vector<std::uint8_t>{0x04}));
    EXPECT_EQ(names(v).front(), "z");
    EXPECT_EQ(names(v)[1], "?");
    EXPECT_EQ(v.flashBlock(), 1);
}

// Every command with an answer passes every fault, whatever the command.
TEST(Board, FaultsWrapEveryAnswer) {
    const std::string commands[] = {"x", "k", std::string("RN\x00\x01", 4), std::string("RV\x00\x01", 4),
                                    std::string("RI\x00\x01", 4), std::string("aFlC\x16\x03\x00\x00\x00", 9),
                                    std::string("n\x00\x00\x00\x02", 5), std::string("~\x00\x00\x61", 4)};
    for (const std::string& c : commands) {
        SCOPED_TRACE(c);
        platform::FakeClock clock;
        Board plain(clock), silent(clock), cut(clock), garbled(clock), late(clock);
        silent.setSilent(true);
        cut.shortenNextAnswer(1);
        garbled.garbleNextAnswer({0xDE, 0xAD});
        late.setAnswerDelay(30);
        for (Board* b : {&plain, &silent, &cut, &garbled, &late}) send(*b, c);
        const auto full = drain(plain);
        ASSERT_FALSE(full.empty());
        EXPECT_TRUE(drain(silent).empty());
        EXPECT_EQ(drain(cut), std::vector<std::uint8_t>(full.begin(), full.begin() + 1));
        EXPECT_EQ(drain(garbled), (std::vector<std::uint8_t>{0xDE, 0xAD}));
        EXPECT_TRUE(drain(late).empty());
        EXPECT_EQ(late.nextReadyAt(), clock.monotonicMs() + 30);
        clock.advance(30);
        EXPECT_EQ(drain(late), full);
        // A fault of the next answer is spent on one answer only.
        send(cut, c);
        send(plain, c);
        EXPECT_EQ(drain(cut), drain(plain));
    }
}

TEST(Board, BlockTransferInOneWriteAnswersAFailureAtTheEnd) {
    platform::FakeClock clock;
    Board board(clock);
    board.failFlashByteAt(1, 0x33);
    send(board, std::string("bFlC\x03\x16\x02\x20\x00", 9) + std::string("\x03\x02\x01", 3));
    EXPECT_EQ(drain(board), (std::vector<std::uint8_t>{0x33}));
    EXPECT_EQ(board.flash(0, 0x2000), 1);
    EXPECT_EQ(board.flash(0, 0x2002), 3);
    EXPECT_EQ(names(board), (std::vector<std::string>{"bFlC", "flash data"}));
}

TEST(Board, TheExternalResetRegisterHoldsTheTarget) {
    platform::FakeClock clock;
    Board board(clock);
    const auto held = [&board] {
        bool on = false;
        board.withTarget([&on](Target& t, TraceRecorder&) { on = t.resetHeld(); });
        return on;
    };
    send(board, std::string("WN\xF5\x00\x03", 5));
    EXPECT_TRUE(held());
    EXPECT_EQ(board.master(0xF500), 3);
    send(board, std::string("WN\xF5\x00\x00", 5));
    EXPECT_FALSE(held());
}

TEST(TraceRecorder, RecordedFramesReplaceThePatternInARingWithA24BitCounter) {
    TraceRecorder trace(12, 256);
    EXPECT_EQ(trace.frames(0xFFFFFF, 2), trace.frames(0xFF, 2));
    const auto pattern = trace.frames(1, 1);
    EXPECT_EQ(pattern.front(), 12);
    trace.setCounter(0xFFFFFF);
    const std::uint8_t frame[3] = {0xA1, 0xA2, 0xA3};
    trace.record(frame, 3);
    trace.record(frame, 3);
    EXPECT_EQ(trace.counter(), 1u);
    const auto both = trace.frames(0xFFFFFF, 2);
    ASSERT_EQ(both.size(), 24u);
    EXPECT_EQ(std::vector<std::uint8_t>(both.begin(), both.begin() + 4), (std::vector<std::uint8_t>{0xA1, 0xA2, 0xA3, 0}));
    // The slot behind them is still the pattern; slot 0 is frame 256 too.
    EXPECT_EQ(trace.frames(1, 1), pattern);
    EXPECT_EQ(trace.frames(256, 1), trace.frames(0, 1));
}

TEST(CommandLog, TalliesOutliveTheRing) {
    platform::FakeClock clock;
    BoardConfig config;
    config.logCapacity = 3;
    Board board(clock, config);
    send(board, std::string("kkk") + std::string("RN\x00\x00", 4) + "\x20");
    EXPECT_EQ(names(board), (std::vector<std::string>{"k", "RN", "?"}));
    EXPECT_EQ(board.droppedLogEntries(), 2u);
    EXPECT_EQ(board.tally("k").commands, 3u);
    EXPECT_EQ(board.tally("RN").bytes, 4u);
    board.setLogCapacity(1);
    EXPECT_EQ(names(board), (std::vector<std::string>{"?"}));
    EXPECT_EQ(board.droppedLogEntries(), 4u);
    EXPECT_EQ(board.tally("k").commands, 3u);
}

}  // namespace
}  // namespace tarvex::sim
