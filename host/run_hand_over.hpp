#pragma once
// The driver lock and what passes between the thread whose go or step waits
// and the IDE's other thread.
//
// Every entry point holds the recursive driver lock while it runs. A waiting
// run gives it away only while it sleeps between polls; a call on another
// thread meanwhile does not wait for it: it is answered at once, or handed
// to the run, which carries it out under the lock at its next poll and hands
// the outcome back. A stop is the one request with an answer of its own;
// every other request is a piece of work run on the run's thread. When the
// run ends before it took a request, the request goes back to its caller.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tarvex {

class RunHandOver {
public:
    // `event` receives one line of the ordered event log per hand-over step.
    explicit RunHandOver(std::function<void(std::string)> event) : event_(std::move(event)) {}
    RunHandOver(const RunHandOver&) = delete;
    RunHandOver& operator=(const RunHandOver&) = delete;

    std::recursive_mutex& Lock() { return lock_; }
    // How often the calling entry points hold the lock; a waiting run holds
    // it exactly once, so that its sleep gives it away.
    int Depth() const { return depth_; }
    // Counts one entry point's hold for as long as it lives.
    class Entry {
    public:
        explicit Entry(RunHandOver& h) : h_(h), lock_(h.lock_) { ++h_.depth_; }
        ~Entry() { --h_.depth_; }
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;

    private:
        RunHandOver& h_;
        std::lock_guard<std::recursive_mutex> lock_;
    };

    // A call on another thread than the one whose go or step waits.
    bool OtherThreadDuringRun() const { return waiting_.load() && std::this_thread::get_id() != runThread_; }

    // ---- The run's side
    // A go or step starts waiting on this thread.
    void BeginRun();
    // It ended; `faulted`: by a link fault, not by a stop, so the board may
    // still run the target. A stop asked for and not answered is answered
    // now (1, or 0 after a fault); a request not taken goes back.
    void EndRun(bool faulted);
    // At a poll: carries out the stop asked for (with `stop`, whose answer
    // goes back to the asker) and the work handed over. Answers whether it
    // did either.
    bool TakeRequests(const std::function<std::uint32_t()>& stop);

    // ---- The other thread's side
    // Runs `work` on the waiting run's thread at its next poll; false when no
    // run waits any more (the caller then runs it itself).
    bool HandToRun(const std::function<void()>& work);
    // Asks the waiting run for a stop and waits for its answer, at most
    // `boundMs()` milliseconds (asked only when a run waits). Without a
    // waiting run, a stop of nothing succeeds unless the last run ended in a
    // link fault. Nothing when no answer came in time.
    std::optional<std::uint32_t> RequestStop(const std::function<std::uint32_t()>& boundMs);

private:
    std::function<void(std::string)> event_;
    std::recursive_mutex lock_;
    int depth_ = 0;
    std::atomic<bool> waiting_{false};
    std::thread::id runThread_;
    // Guards everything below; `done_` wakes the asking thread.
    std::mutex mutex_;
    std::condition_variable done_;
    bool stopPending_ = false;
    bool stopTaken_ = false;
    std::optional<std::uint32_t> stopOutcome_;
    bool lastRunFaulted_ = false;
    // One request at a time is handed to the run.
    std::mutex handMutex_;
    const std::function<void()>* handed_ = nullptr;
    bool handedTaken_ = false;
    bool handedDone_ = false;
};

}  // namespace tarvex
