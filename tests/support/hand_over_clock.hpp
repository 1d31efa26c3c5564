#pragma once
// Virtual time on which, once armed, the first sleep after `when` holds waits
// for the test's thread: a fault or a request from another thread then meets
// a running go at a known point, by hand-over rather than by the scheduler's
// timing.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "platform/clock.hpp"

namespace tarvex::test {

class HandOverClock final : public platform::Clock {
public:
    explicit HandOverClock(platform::FakeClock& time) : time_(time) {}
    std::uint32_t tickMs() override { return time_.tickMs(); }
    std::uint64_t monotonicMs() override { return time_.monotonicMs(); }
    std::chrono::system_clock::time_point wallNow() override { return time_.wallNow(); }
    void sleepMs(std::uint32_t ms) override {
        time_.sleepMs(ms);
        if (!armed_ || !when_() || !armed_.exchange(false)) return;
        std::unique_lock<std::mutex> g(mutex_);
        sleeping_ = true;
        changed_.notify_all();
        changed_.wait(g, [this] { return released_; });
    }
    void arm(std::function<bool()> when) {
        when_ = std::move(when);
        sleeping_ = released_ = false;
        armed_ = true;
    }
    void awaitSleeper() {
        std::unique_lock<std::mutex> g(mutex_);
        changed_.wait(g, [this] { return sleeping_; });
    }
    void release() {
        {
            std::lock_guard<std::mutex> g(mutex_);
            released_ = true;
        }
        changed_.notify_all();
    }

private:
    platform::FakeClock& time_;
    std::function<bool()> when_;
    std::atomic<bool> armed_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    bool sleeping_ = false, released_ = false;
};

}  // namespace tarvex::test
