#pragma once
// Time as the rest of the system sees it. Every wait, sleep and time-out goes
// through a Clock so that tests run on virtual time and never sleep.
#include <atomic>
#include <chrono>
#include <cstdint>

namespace tarvex::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps like the system tick count.
    virtual std::uint32_t tickMs() = 0;
    // Monotonic milliseconds that never wrap; deadlines use this.
    virtual std::uint64_t monotonicMs() = 0;
    virtual void sleepMs(std::uint32_t ms) = 0;
    virtual std::chrono::system_clock::time_point wallNow() = 0;
};

class SystemClock final : public Clock {
public:
    std::uint32_t tickMs() override;
    std::uint64_t monotonicMs() override;
    void sleepMs(std::uint32_t ms) override;
    std::chrono::system_clock::time_point wallNow() override;
};

// Virtual time: sleeping advances it, nothing ever blocks. One clock may
// serve several threads of a test.
class FakeClock final : public Clock {
public:
    explicit FakeClock(std::uint64_t startMs = 1000) : now_(startMs) {}
    std::uint32_t tickMs() override { return static_cast<std::uint32_t>(now_.load()); }
    std::uint64_t monotonicMs() override { return now_.load(); }
    void sleepMs(std::uint32_t ms) override {
        now_ += ms;
        slept_ += ms;
        ++sleeps_;
    }
    std::chrono::system_clock::time_point wallNow() override {
        return std::chrono::system_clock::time_point(
            std::chrono::milliseconds(wallBaseMs_ + static_cast<std::int64_t>(now_.load())));
    }
    void advance(std::uint64_t ms) { now_ += ms; }
    void set(std::uint64_t ms) { now_ = ms; }
    std::uint64_t totalSlept() const { return slept_.load(); }
    std::uint64_t sleepCount() const { return sleeps_.load(); }

private:
    std::atomic<std::uint64_t> now_;
    std::atomic<std::uint64_t> slept_{0};
    std::atomic<std::uint64_t> sleeps_{0};
    std::int64_t wallBaseMs_ = 1'700'000'000'000;  // a fixed, plausible date
};

// The clock components use unless one is injected.
Clock& systemClock();

// A point in time after which a wait gives up.
class Deadline {
public:
    Deadline(Clock& clock, std::uint32_t ms) : clock_(&clock), end_(clock.monotonicMs() + ms) {}
    bool expired() const { return clock_->monotonicMs() >= end_; }
    std::uint32_t remainingMs() const {
        const auto now = clock_->monotonicMs();
        return now >= end_ ? 0u : static_cast<std::uint32_t>(end_ - now);
    }
    Clock& clock() const { return *clock_; }

private:
    Clock* clock_;
    std::uint64_t end_;
};

}  // namespace tarvex::platform
