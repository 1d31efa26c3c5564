#pragma once
// The seam through which a dialog's "?" button asks the user for a symbol,
// a line number or a register: the symbol browser answers it in the driver,
// a scripted picker in the tests, and nothing at all where no browser is
// installed.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"

namespace tarvex {
struct TSymbol;
struct TZeilennummer;
struct TRegister;
}  // namespace tarvex

namespace tarvex::ui {

// The browser's own class bits. They are not the validator's symbol classes
// (bit k there is kind k): ValidatorClasses maps between the two.
using Klassen = std::uint16_t;
namespace klasse {
inline constexpr Klassen Program = 1, IntData = 2, ExtData = 4, Bit = 8, Konstante = 16, DateiName = 32,
                         Modul = 64, Typedef = 128, Sfr = 256;
// Every class but the type records.
inline constexpr Klassen Alle = 383;
inline constexpr Klassen Every = 511;
}  // namespace klasse

// The symbol kind a single class bit lists; -1 for anything else.
int KlassenKind(Klassen bit);
// The class bits in the order the browser fills its list.
const std::vector<Klassen>& KlassenFillOrder();
// The validator's class set (bit k = kind k) that admits the same kinds.
std::uint16_t ValidatorClasses(Klassen klassen);

enum class PickMode { Symbols, Lines, Registers };

struct SymbolPickRequest {
    PickMode mode = PickMode::Symbols;
    // Symbol mode: the classes to list; nothing keeps the browser's own.
    std::optional<Klassen> klassen;
    // The accept button's caption; empty keeps "Ok".
    std::string acceptCaption;
};

// What the user accepted. The record pointers follow the tables' rule: valid
// until the table is cleared (notification 9).
struct PickedSymbol {
    std::string name;  // the qualified name
    int kind = -1;     // symbol kind; 11 for a line, the register's kind for a register
    TBankAdresse address{};
    const TSymbol* symbol = nullptr;
    const TZeilennummer* line = nullptr;
    const TRegister* reg = nullptr;
};

class SymbolPicker {
public:
    virtual ~SymbolPicker() = default;
    // Nothing when the user cancelled or no entry was selected.
    virtual std::optional<PickedSymbol> pick(const SymbolPickRequest& request) = 0;
};

// The picker in use, process-wide; none by default.
SymbolPicker* currentSymbolPicker();
// Asks the current picker; nothing without one.
std::optional<PickedSymbol> pickSymbol(const SymbolPickRequest& request);

class ScopedSymbolPicker {
public:
    explicit ScopedSymbolPicker(SymbolPicker* picker);
    ~ScopedSymbolPicker();
    ScopedSymbolPicker(const ScopedSymbolPicker&) = delete;
    ScopedSymbolPicker& operator=(const ScopedSymbolPicker&) = delete;

private:
    SymbolPicker* saved_;
};

// Answers from a script (nothing once it is used up) and keeps the requests.
class ScriptedSymbolPicker final : public SymbolPicker {
public:
    std::optional<PickedSymbol> pick(const SymbolPickRequest& request) override {
        requests_.push_back(request);
        if (answers_.empty()) return std::nullopt;
        auto answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    void answer(std::optional<PickedSymbol> picked) { answers_.push_back(std::move(picked)); }
    const std::vector<SymbolPickRequest>& requests() const { return requests_; }

private:
    std::deque<std::optional<PickedSymbol>> answers_;
    std::vector<SymbolPickRequest> requests_;
};

}  // namespace tarvex::ui
