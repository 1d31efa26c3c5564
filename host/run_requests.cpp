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
        RunHandOver& hand;
        const int exceptionsBefore = std::uncaught_exceptions();
        explicit Running(RunHandOver& h) : hand(h) { hand.BeginRun(); }
        // A run left by an exception ended in a fault of the link, not in a
        // stop: the board may still run the target.
        ~Running() { hand.EndRun(std::uncaught_exceptions() > exceptionsBefore); }
    } running{hand_};
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
    assert(hand_.Depth() == 1);
    IRunControl* run = env_.runControl;
    platform::Clock& clock = ClockOf(env_);
    for (;;) {
        bool stillRunning = run->Poll();
        if (hand_.TakeRequests([this] { return stop(); })) stillRunning = run->IsRunning();
        if (!stillRunning || stopRequested_) break;
        hand_.Lock().unlock();
        clock.sleepMs(PollIntervalMs);
        hand_.Lock().lock();
    }
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
    // The longest a stop itself can take: twice the read time-out, or a
    // target reset's raised time-out.
    const auto outcome = hand_.RequestStop(
        [this] { return std::max<std::uint32_t>(2 * c_.emulator->TimeoutReadWrite(), 15000); });
    if (outcome) return *outcome;
    Log("AGDI Stop Error: CPU l\xC3\xA4uft noch");
    return 0;
}

}  // namespace tarvex
