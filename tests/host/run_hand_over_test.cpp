// The hand-over between the thread whose run waits and the IDE's other
// thread, alone: no board, no host object.
#include "host/run_hand_over.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace tarvex {
namespace {

struct Log {
    std::mutex m;
    std::vector<std::string> lines;
    std::function<void(std::string)> sink() {
        return [this](std::string line) {
            std::lock_guard<std::mutex> g(m);
            lines.push_back(std::move(line));
        };
    }
};

// The run polls until the other thread's request was taken.
void pollUntilTaken(RunHandOver& hand, const std::function<std::uint32_t()>& stop) {
    while (!hand.TakeRequests(stop)) std::this_thread::yield();
}

TEST(RunHandOver, WithoutAWaitingRunAStopAnswersByHowTheLastRunEnded) {
    Log log;
    RunHandOver hand(log.sink());
    EXPECT_EQ(hand.RequestStop([] { return 1000u; }), 1u);
    EXPECT_FALSE(hand.HandToRun([] {}));
    hand.BeginRun();
    hand.EndRun(true);
    EXPECT_EQ(hand.RequestStop([] { return 1000u; }), 0u);
    hand.BeginRun();
    hand.EndRun(false);
    EXPECT_EQ(hand.RequestStop([] { return 1000u; }), 1u);
    EXPECT_FALSE(hand.OtherThreadDuringRun());
}

TEST(RunHandOver, TheWaitingRunCarriesOutTheStopAndTheWorkOfTheOtherThread) {
    Log log;
    RunHandOver hand(log.sink());
    hand.BeginRun();
    std::optional<std::uint32_t> answer;
    std::thread asker([&] {
        EXPECT_TRUE(hand.OtherThreadDuringRun());
        answer = hand.RequestStop([] { return 60000u; });
    });
    std::thread::id stoppedOn;
    pollUntilTaken(hand, [&] {
        stoppedOn = std::this_thread::get_id();
        return 0u;
    });
    asker.join();
    EXPECT_EQ(answer, 0u);
    EXPECT_EQ(stoppedOn, std::this_thread::get_id());

    std::thread::id workedOn;
    bool handed = false;
    std::thread other([&] { handed = hand.HandToRun([&] { workedOn = std::this_thread::get_id(); }); });
    pollUntilTaken(hand, [] { return 1u; });
    other.join();
    EXPECT_TRUE(handed);
    EXPECT_EQ(workedOn, std::this_thread::get_id());
    EXPECT_FALSE(hand.OtherThreadDuringRun());
    hand.EndRun(false);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"stop requested", "stop taken", "stop answered 0", "request handed",
                                                   "request taken"}));
}

// A run that ends before it took a stop answers it itself: a stopped target
// after a normal end, a failure after a link fault.
TEST(RunHandOver, ARunEndingBeforeItTookTheStopAnswersIt) {
    for (const bool faulted : {false, true}) {
        Log log;
        RunHandOver hand(log.sink());
        hand.BeginRun();
        std::optional<std::uint32_t> answer;
        std::thread asker([&] {
            answer = hand.RequestStop([] { return 60000u; });
        });
        // The request is pending once its line is logged.
        for (;;) {
            {
                std::lock_guard<std::mutex> g(log.m);
                if (!log.lines.empty()) break;
            }
            std::this_thread::yield();
        }
        hand.EndRun(faulted);
        asker.join();
        EXPECT_EQ(answer, faulted ? 0u : 1u) << faulted;
    }
}

}  // namespace
}  // namespace tarvex
