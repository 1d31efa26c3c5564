#pragma once
// The command component "Kommando": the history of the commands that ran
// (oldest first, as the user sees their protocol texts) and the commands the
// user may choose from. The clipboard format of command lists is named here.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "core/component.hpp"
#include "host/command.hpp"

namespace tarvex {

class INotifier;

// Owns its commands; clearing frees them from the last to the first.
class TKommandoListe {
public:
    TKommandoListe() = default;
    ~TKommandoListe() { Clear(); }
    TKommandoListe(const TKommandoListe&) = delete;
    TKommandoListe& operator=(const TKommandoListe&) = delete;

    std::size_t Count() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    TBasisVokWinKommando& operator[](std::size_t i) { return *items_.at(i); }
    const TBasisVokWinKommando& operator[](std::size_t i) const { return *items_.at(i); }
    void Add(std::unique_ptr<TBasisVokWinKommando> command) { items_.push_back(std::move(command)); }
    void Delete(std::size_t i) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i)); }
    void Clear() {
        while (!items_.empty()) items_.pop_back();
    }

private:
    std::vector<std::unique_ptr<TBasisVokWinKommando>> items_;
};

// The name under which the command dialogs put command lists on the
// clipboard, and the MIME type the Qt dialogs will use for it.
inline constexpr std::string_view ClipboardFormatName = "VokWin KommandoListe";
inline constexpr std::string_view ClipboardMimeType = "application/x-vokwin-kommandoliste";
// The format's identifier, registered when the library is loaded on
// Windows; 0 where nothing registers it.
std::uint32_t ClipboardFormat();
void SetClipboardFormat(std::uint32_t id);

class TBasisKommando : public TComponent {
public:
    // The notification that the history changed; its data is the component.
    static constexpr std::uint8_t NotifyHistoryChanged = 24;
    static constexpr std::int32_t DefaultProtokollLaenge = 50, MinProtokollLaenge = 1, MaxProtokollLaenge = 100;

    // Notification 24 goes out through the notifier after every addition.
    explicit TBasisKommando(INotifier& notifier);
    ~TBasisKommando() override;

    std::string_view Name() const override { return "Kommando"; }
    // Code 25 (the emulator's state changed) rebuilds the offered commands.
    void Notify(std::uint8_t code, const void* data) override;

    // Answers whether the trace board is fitted; unset: none.
    void SetTracePresent(std::function<bool()> present) { tracePresent_ = std::move(present); }
    // The banking the command texts are written with; null: none.
    void SetBanking(const IBankingInfo* banking) { banking_ = banking; }
    const IBankingInfo* Banking() const { return banking_; }

    std::int32_t MaximaleProtokollLaenge() const { return maxLength_; }
    // Values outside 1..100 are ignored; a lower limit drops the newest
    // entries.
    void SetMaximaleProtokollLaenge(std::int32_t limit);
    bool NoDuplicates() const { return noDuplicates_; }
    void SetNoDuplicates(bool on) { noDuplicates_ = on; }

    // Takes the command; the oldest entry leaves when the history is full.
    void AddToProtokoll(std::unique_ptr<TBasisVokWinKommando> command);
    virtual void BuildOfferedCommands();

    const TKommandoListe& Protokoll() const { return history_; }
    TKommandoListe& Protokoll() { return history_; }
    const TKommandoListe& OfferedCommands() const { return offered_; }

private:
    INotifier& notifier_;
    std::function<bool()> tracePresent_;
    const IBankingInfo* banking_ = nullptr;
    std::int32_t maxLength_ = DefaultProtokollLaenge;
    bool noDuplicates_ = false;
    TKommandoListe history_;
    TKommandoListe offered_;
};

class TKommando final : public TBasisKommando {
public:
    using TBasisKommando::TBasisKommando;
};

}  // namespace tarvex
