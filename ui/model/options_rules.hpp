#pragma once
// The rules of the options dialog that turn its choices into the values the
// components keep, and back: the processor adapter, the banking version and
// mode, the reset bank list, the reset time-out and the checks of the edits.
// One function serves both directions where the dialog must show what a
// component holds, so that "Ok" without a change writes back what was read.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvex::ui {

// " &POD type: " and its cable sub-choices.
enum class PodType { Cable, Universal, Tarvex51III, DirectPlug, DebugConnector };
enum class CableChoice { A0A3, A1, A2 };
enum class PortMode { Bus, Port, Mixed };
enum class PortHooks { Pellunars, HardwareHooks };

struct AdapterChoices {
    PodType pod = PodType::Universal;
    CableChoice cable = CableChoice::A1;
    PortMode p0 = PortMode::Bus;
    PortMode p2 = PortMode::Bus;
    PortHooks hooks = PortHooks::Pellunars;
    // "ICE connect (30 pin)" of the debug connector; false is the 40-pin one.
    bool ice30 = false;
    bool operator==(const AdapterChoices&) const = default;
};

inline constexpr int kAdapterCount = 25;

// The processor adapter stored as the pod code, first matching rule.
int PodKennungFrom(const AdapterChoices& choices);
// The choices that give the code back; a code outside 0..24 (read from an
// old file) shows as the universal adapter.
AdapterChoices ChoicesFrom(int podKennung);

// " Program/ExtData: " items, in their order.
enum class EmulationMemory { M64_64, M128_0, M128_64, M256_64, M512_0 };

// sizeIndex: 0 "64k", 1 "32k", 2 "16k".
int BankingVersionFrom(int sizeIndex, bool memory512);
// Nothing where the mode stays as it is (16k banks with "512k /   0k").
std::optional<int> BankingModeFrom(EmulationMemory memory, int sizeIndex);
int BankCount(EmulationMemory memory, int sizeIndex);

// "A14:".."A18:" enabled, in that order.
std::array<bool, 5> BitPositionsEnabled(EmulationMemory memory, int sizeIndex);
// The index of the first edit of the first pair of enabled edits with the
// same text, in the order A14..A18.
std::optional<int> FirstEqualBitPosition(const std::array<std::string, 5>& texts, const std::array<bool, 5>& enabled);
// A decimal number 0..7.
bool BitPositionValid(const std::string& text);

// Seconds with at most one decimal ("," or "."), in tenths; empty is 0.
// Nothing for a text that is no such number or lies above 25,5 s, the most
// the board's byte holds.
std::optional<int> ResetTimeoutTenths(const std::string& text);
// Tenths shown the way the edit takes them: "2,5".
std::string ResetTimeoutText(int tenths);

// A hexadecimal constant 0..0xFFFF ("$" or "0x" or a trailing "H" allowed).
std::optional<std::uint16_t> Hex16(const std::string& text);
// The boot loader's "Load address:": "default" (the field's text until an
// address is set) or an empty field keeps the stored address; anything else
// is a 16-bit constant, or nothing when it is none.
bool KeepsStoredAddress(const std::string& text);
std::optional<std::uint16_t> LoadAddress(const std::string& text, std::uint16_t stored);
// The banked area must not end before it starts.
bool BankedAreaValid(std::uint16_t start, std::uint16_t end);

// What the Processor page shows for the chosen processor (its option and
// watchdog numbers), the board's firmware code and the Hardware page's POD.
struct ProcessorRules {
    bool addressingShown = false;
    int addressingPreset = -1;  // 0 "Standard", 1 "22 Bit paged", 2 "Contiguous"
    bool configureShown = false;
    bool nonMultiplexed = false;
    bool hooksAvailable = false;
    bool a2Available = false;
    bool watchdogEnabled = false;
    bool operator==(const ProcessorRules&) const = default;
};
ProcessorRules ProcessorRulesFor(int optionNumber, int firmwareCode, int watchdogNumber, const AdapterChoices& pod);

// The checks of the dialog's edits when they are left, by kind of edit: the
// text of the error box, or nothing for valid input.
enum class OptionsEdit {
    Integer,       // "Setup &communication:", "&Read/write:", "&Address:"
    BitPosition,   // "A14:".."A18:"
    Hex16,         // "Xdata:", "Start:", "End:"
    ExternBank,    // "Extern bank number:"
    ResetTimeout,  // the reset time-out edit
    LoadAddress,   // "Load address:" (see LoadAddress)
};
std::optional<std::string> EditError(OptionsEdit kind, const std::string& text);
// Both edits of the banked area valid on their own, start after end refused.
std::optional<std::string> BankedAreaError(const std::string& start, const std::string& end);

}  // namespace tarvex::ui
