#include "host/run_hand_over.hpp"

#include <chrono>

namespace tarvex {

void RunHandOver::BeginRun() {
    std::lock_guard<std::mutex> g(mutex_);
    runThread_ = std::this_thread::get_id();
    lastRunFaulted_ = false;
    waiting_ = true;
}

void RunHandOver::EndRun(bool faulted) {
    std::lock_guard<std::mutex> g(mutex_);
    lastRunFaulted_ = faulted;
    waiting_ = false;
    // A stop request nobody answered: the run ended by itself, or the stop's
    // own exchange failed.
    if (stopPending_ && !stopOutcome_.has_value()) {
        stopTaken_ = true;
        stopOutcome_ = faulted ? 0 : 1;
        done_.notify_all();
    }
    if (handed_ && !handedTaken_) done_.notify_all();
}

bool RunHandOver::TakeRequests(const std::function<std::uint32_t()>& stop) {
    bool took = false;
    std::unique_lock<std::mutex> g(mutex_);
    if (stopPending_ && !stopTaken_) {
        stopTaken_ = true;
        g.unlock();
        event_("stop taken");
        const std::uint32_t outcome = stop();
        g.lock();
        stopOutcome_ = outcome;
        done_.notify_all();
        took = true;
    }
    if (handed_ && !handedTaken_) {
        handedTaken_ = true;
        const std::function<void()>* work = handed_;
        g.unlock();
        event_("request taken");
        (*work)();
        g.lock();
        handedDone_ = true;
        done_.notify_all();
        took = true;
    }
    return took;
}

bool RunHandOver::HandToRun(const std::function<void()>& work) {
    std::lock_guard<std::mutex> one(handMutex_);
    std::unique_lock<std::mutex> g(mutex_);
    if (!waiting_.load()) return false;
    handed_ = &work;
    handedTaken_ = false;
    handedDone_ = false;
    event_("request handed");
    // The run takes it at its next poll, or gives it back when it ends first.
    done_.wait(g, [this] { return handedDone_ || (!handedTaken_ && !waiting_.load()); });
    const bool done = handedDone_;
    handed_ = nullptr;
    handedTaken_ = false;
    handedDone_ = false;
    return done;
}

std::optional<std::uint32_t> RunHandOver::RequestStop(const std::function<std::uint32_t()>& boundMs) {
    std::unique_lock<std::mutex> g(mutex_);
    stopPending_ = true;
    stopTaken_ = false;
    stopOutcome_.reset();
    event_("stop requested");
    // The run ended between the caller's look and now.
    if (!waiting_.load()) {
        stopPending_ = false;
        return lastRunFaulted_ ? 0 : 1;
    }
    const bool answered =
        done_.wait_for(g, std::chrono::milliseconds(boundMs()), [this] { return stopOutcome_.has_value(); });
    stopPending_ = false;
    if (!answered) {
        stopTaken_ = true;
        return std::nullopt;
    }
    const std::uint32_t outcome = *stopOutcome_;
    event_("stop answered " + std::to_string(outcome));
    return outcome;
}

}  // namespace tarvex
