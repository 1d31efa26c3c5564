// Go, step and stop, the wait loop, and the stop that another thread asks
// for while a go or step waits.
#include <cassert>
#include <chrono>
#include <exception>

#include "core/errors.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "host/agdi_object.hpp"
#include "host/status_line.hpp"
#include "platform/clock.hpp"
#include "platform/host_text.hpp"

namespace tarvex {

namespace {

constexpr std::uint32_t PollIntervalMs = 10;

platform::Clock& clockOf(const DriverEnvironment& env) {
    return env.clock ? *env.clock : platform::systemClock();
}

}  // namespace

void TAgdiObject::status(const std::string& text) {
    std::string copy = platform::hostText(text);
    CallCallback(agdi::code::CallbackStatus, copy.data());
}

std::uint32_t TAgdiObject::AG_GoStep(std::uint16_t code, std::uint32_t count, std::uint32_t* address) {
    if (sessionEnded_) return 0;
    if (otherThreadDuringRun()) return code == 1 ? stopFromOtherThread() : 0;
    return entry<std::uint32_t>(0, true, [&](std::uint32_t& result) {
        if (sessionEnded_) return;
        EndDownloadSession();
        result = goStep(code, count, address);
    });
}

std::uint32_t TAgdiObject::goStep(std::uint16_t code, std::uint32_t count, std::uint32_t* address) {
    if (code == 1) return stop();
    if (code < 2 || code > 4) return 0;
    if (code == 2 && count == 0) return 0;
    IRunControl* run = env_.runControl;
    if (!run) {
        Log("AGDI: no run control in this build");
        return 0;
    }
    if (run->IsRunning()) {
        ErrorBox(std::string(LoadStr(72)), platform::mb::IconError);
        return 0;
    }
    TBankAdresse until;
    if (code == 3) {
        if (!address) return 0;
        TEmulSpeicher& program = c_.spaces->Space(SpaceKind::Program);
        try {
            until = c_.banking->NormalizeAddress(checkedAdresse(program, *address));
        } catch (const EVokWinAddressError& e) {
            ErrorBox(e.message(), platform::mb::IconError);
            return 0;
        }
    }
    // A stop that came while nothing ran must not end this run at once.
    stopRequested_ = false;
    struct Running {
        TAgdiObject& o;
        const int exceptionsBefore = std::uncaught_exceptions();
        Running(TAgdiObject& owner) : o(owner) {
            std::lock_guard<std::mutex> g(o.stopMutex_);
            o.runThread_ = std::this_thread::get_id();
            o.lastRunFaulted_ = false;
            o.runWaiting_ = true;
        }
        ~Running() {
            // A run left by an exception ended in a fault of the link, not
            // in a stop: the board may still run the target.
            const bool faulted = std::uncaught_exceptions() > exceptionsBefore;
            std::lock_guard<std::mutex> g(o.stopMutex_);
            o.lastRunFaulted_ = faulted;
            o.runWaiting_ = false;
            // A stop request nobody answered: the run ended by itself, or
            // the stop's own exchange failed.
            if (o.stopPending_ && !o.stopOutcome_.has_value()) {
                o.stopTaken_ = true;
                o.stopOutcome_ = faulted ? 0 : 1;
                o.stopDone_.notify_all();
            }
            // A request nobody took goes back to its caller.
            if (o.handed_ && !o.handedTaken_) o.stopDone_.notify_all();
        }
    } running{*this};
    // The run control switches the running indicator itself; the steps are
    // this request's own. A run that ends in a link fault leaves no
    // indicator on for a target that no longer runs.
    struct Indicators {
        TVokWinStatusZeile* line;
        IRunControl* run;
        bool stepping;
        ~Indicators() {
            if (!line) return;
            try {
                if (stepping) line->SetIndicator(TVokWinStatusZeile::Stepping, false);
                if (line->IndicatorOn(TVokWinStatusZeile::Running) && !run->IsRunning())
                    line->SetIndicator(TVokWinStatusZeile::Running, false);
            } catch (...) {
                // Only the status bar's text is lost.
            }
        }
    } indicators{c_.statusLine.get(), run, code == 2};
    if (code == 2) {
        if (indicators.line) indicators.line->SetIndicator(TVokWinStatusZeile::Stepping, true);
        for (std::uint32_t i = 0; i < count && !stopRequested_; ++i)
            if (run->Step()) waitLoop();
    } else {
        if (code == 3 ? run->GoUntil(until) : run->Go()) waitLoop();
    }
    stopRequested_ = false;
    return 0;
}

void TAgdiObject::waitLoop() {
    // The loop gives the lock away while it sleeps: it must hold it once.
    assert(lockDepth_ == 1);
    IRunControl* run = env_.runControl;
    platform::Clock& clock = clockOf(env_);
    for (;;) {
        bool stillRunning = run->Poll();
        {
            std::unique_lock<std::mutex> g(stopMutex_);
            if (stopPending_ && !stopTaken_) {
                stopTaken_ = true;
                g.unlock();
                event("stop taken");
                const std::uint32_t outcome = stop();
                g.lock();
                stopOutcome_ = outcome;
                stopDone_.notify_all();
                stillRunning = run->IsRunning();
            }
            if (handed_ && !handedTaken_) {
                handedTaken_ = true;
                const std::function<void()>* work = handed_;
                g.unlock();
                event("request taken");
                (*work)();
                g.lock();
                handedDone_ = true;
                stopDone_.notify_all();
                stillRunning = run->IsRunning();
            }
        }
        if (!stillRunning || stopRequested_) break;
        lock_.unlock();
        clock.sleepMs(PollIntervalMs);
        lock_.lock();
    }
}

bool TAgdiObject::handToRun(const std::function<void()>& work) {
    std::lock_guard<std::mutex> one(handMutex_);
    std::unique_lock<std::mutex> g(stopMutex_);
    if (!runWaiting_.load()) return false;
    handed_ = &work;
    handedTaken_ = false;
    handedDone_ = false;
    event("request handed");
    // The run takes it at its next poll, or gives it back when it ends first.
    stopDone_.wait(g, [this] { return handedDone_ || (!handedTaken_ && !runWaiting_.load()); });
    const bool done = handedDone_;
    handed_ = nullptr;
    handedTaken_ = false;
    handedDone_ = false;
    return done;
}

std::uint32_t TAgdiObject::stop() {
    Log("AGDI Stop");
    IRunControl* run = env_.runControl;
    if (!run) return 1;
    if (!run->IsRunning()) return 1;
    run->Stop();
    if (run->StopErrorVisible()) {
        stopRequested_ = false;
        Log("AGDI Stop Error: CPU l\xC3\xA4uft noch");
        return 0;
    }
    stopRequested_ = true;
    Log("AGDI Stop OK");
    return 1;
}

std::uint32_t TAgdiObject::stopFromOtherThread() {
    std::unique_lock<std::mutex> g(stopMutex_);
    stopPending_ = true;
    stopTaken_ = false;
    stopOutcome_.reset();
    event("stop requested");
    // The run ended between the caller's look and now: nothing runs, and a
    // stop of nothing succeeds, unless the run ended in a link fault.
    if (!runWaiting_.load()) {
        stopPending_ = false;
        return lastRunFaulted_ ? 0 : 1;
    }
    // The longest a stop itself can take: twice the read time-out, or a
    // target reset's raised time-out.
    const std::uint32_t boundMs = std::max<std::uint32_t>(2 * c_.emulator->TimeoutReadWrite(), 15000);
    const bool answered =
        stopDone_.wait_for(g, std::chrono::milliseconds(boundMs), [this] { return stopOutcome_.has_value(); });
    stopPending_ = false;
    if (!answered) {
        stopTaken_ = true;
        g.unlock();
        Log("AGDI Stop Error: CPU l\xC3\xA4uft noch");
        return 0;
    }
    const std::uint32_t outcome = *stopOutcome_;
    event("stop answered " + std::to_string(outcome));
    return outcome;
}

}  // namespace tarvex
