#include "host/command_history.hpp"

#include <atomic>

#include "core/target_interfaces.hpp"

namespace tarvex {

namespace {
std::atomic<std::uint32_t> clipboardFormat{0};
}

std::uint32_t ClipboardFormat() {
    return clipboardFormat.load();
}

void SetClipboardFormat(std::uint32_t id) {
    clipboardFormat.store(id);
}

TBasisKommando::TBasisKommando(INotifier& notifier) : notifier_(notifier) {}

TBasisKommando::~TBasisKommando() = default;

void TBasisKommando::Notify(std::uint8_t code, const void*) {
    if (code == notify::EmulatorState) BuildOfferedCommands();
}

void TBasisKommando::SetMaximaleProtokollLaenge(std::int32_t limit) {
    if (limit < MinProtokollLaenge || limit > MaxProtokollLaenge) return;
    maxLength_ = limit;
    while (history_.Count() > static_cast<std::size_t>(maxLength_)) history_.Delete(history_.Count() - 1);
}

void TBasisKommando::AddToProtokoll(std::unique_ptr<TBasisVokWinKommando> command) {
    if (!command) return;
    if (noDuplicates_) {
        const std::string text = ProtocolText(*command, banking_);
        for (std::size_t i = history_.Count(); i-- > 0;) {
            if (ProtocolText(history_[i], banking_) == text) {
                history_.Delete(i);
                break;
            }
        }
    }
    history_.Add(std::move(command));
    if (history_.Count() > static_cast<std::size_t>(maxLength_)) history_.Delete(0);
    notifier_.send(NotifyHistoryChanged, this);
}

void TBasisKommando::BuildOfferedCommands() {
    offered_.Clear();
    const bool trace = tracePresent_ && tracePresent_();
    for (std::uint8_t code = cmd::Load; code <= cmd::SaveTrace; ++code) {
        if (code == cmd::MapShared || code == cmd::BreakChannel || code == cmd::TraceFilter) continue;
        const bool traceCommand = code == cmd::TraceSettings || code == cmd::ClearTrace ||
                                  code == cmd::ResetTimeCounter || code == cmd::SaveTrace;
        if (traceCommand && !trace) continue;
        offered_.Add(std::make_unique<TVokWinKommando>(code));
    }
}

}  // namespace tarvex
