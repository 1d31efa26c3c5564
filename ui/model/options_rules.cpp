#include "ui/model/options_rules.hpp"

#include <cctype>

#include "core/conversions.hpp"
#include "core/errors.hpp"

namespace tarvex::ui {
namespace {

// The rule for the port modes shared by the direct plug, the cable's A0/A3
// and the debug connector: codes for P2 Bus, P2 and P0 Port with pellunars,
// the same with hooks, P2 Mixed, P2 Port alone with pellunars, with hooks.
struct PortCodes {
    int bus, portPortPellunars, portPortHooks, mixed, portPellunars, portHooks;
    bool hooks = true;
};
constexpr PortCodes kA0A3{10, 14, 12, 20, 15, 13};
constexpr PortCodes kDirect{5, 8, 6, 18, 9, 7};
// The debug connector has no hooks: the same codes either way.
constexpr PortCodes kDebug40{11, 16, 16, 19, 17, 17, false};
constexpr PortCodes kIce30{21, 22, 22, 24, 23, 23, false};

int fromPorts(const PortCodes& codes, const AdapterChoices& c) {
    const bool pellunars = c.hooks == PortHooks::Pellunars;
    if (c.p2 == PortMode::Bus) return codes.bus;
    if (c.p2 == PortMode::Port && c.p0 == PortMode::Port)
        return pellunars ? codes.portPortPellunars : codes.portPortHooks;
    if ((pellunars || !codes.hooks) && c.p2 == PortMode::Mixed) return codes.mixed;
    return pellunars ? codes.portPellunars : codes.portHooks;
}

bool portsGive(const PortCodes& codes, int pod, AdapterChoices& c) {
    c.hooks = PortHooks::Pellunars;
    if (pod == codes.bus) {
        c.p0 = c.p2 = PortMode::Bus;
    } else if (pod == codes.portPortPellunars || pod == codes.portPortHooks) {
        c.p0 = c.p2 = PortMode::Port;
        if (pod != codes.portPortPellunars) c.hooks = PortHooks::HardwareHooks;
    } else if (pod == codes.mixed) {
        // P2 "Mixed" is offered only while P0 "Mixed" is checked.
        c.p0 = c.p2 = PortMode::Mixed;
    } else if (pod == codes.portPellunars || pod == codes.portHooks) {
        c.p0 = PortMode::Bus;
        c.p2 = PortMode::Port;
        if (pod != codes.portPellunars) c.hooks = PortHooks::HardwareHooks;
    } else {
        return false;
    }
    return true;
}

}  // namespace

int PodKennungFrom(const AdapterChoices& c) {
    // The cable's sub-choices count only while the cable is the POD type:
    // elsewhere they are disabled.
    const bool cable = c.pod == PodType::Cable;
    if (cable && c.cable == CableChoice::A1) return 2;
    if (cable && c.cable == CableChoice::A2) {
        if (c.p0 == PortMode::Port) return 3;
        if (c.p0 == PortMode::Bus) return 4;
    }
    if (c.pod == PodType::Universal) return 0;
    if (c.pod == PodType::Tarvex51III) return 1;
    if (cable && c.cable == CableChoice::A0A3) return fromPorts(kA0A3, c);
    if (c.pod != PodType::DebugConnector) return fromPorts(kDirect, c);
    return fromPorts(c.ice30 ? kIce30 : kDebug40, c);
}

AdapterChoices ChoicesFrom(int pod) {
    AdapterChoices c;
    switch (pod) {
        case 1: c.pod = PodType::Tarvex51III; return c;
        case 2: c.pod = PodType::Cable; return c;
        case 3:
        case 4:
            c.pod = PodType::Cable;
            c.cable = CableChoice::A2;
            c.p2 = PortMode::Port;
            c.p0 = pod == 3 ? PortMode::Port : PortMode::Bus;
            return c;
        default: break;
    }
    AdapterChoices ported;
    ported.pod = PodType::Cable;
    ported.cable = CableChoice::A0A3;
    if (portsGive(kA0A3, pod, ported)) return ported;
    ported.pod = PodType::DirectPlug;
    if (portsGive(kDirect, pod, ported)) return ported;
    ported.pod = PodType::DebugConnector;
    if (portsGive(kDebug40, pod, ported)) return ported;
    ported.ice30 = true;
    if (portsGive(kIce30, pod, ported)) return ported;
    return c;
}

int BankingVersionFrom(int sizeIndex, bool memory512) { return 2 * sizeIndex + (memory512 ? 1 : 0); }

std::optional<int> BankingModeFrom(EmulationMemory memory, int sizeIndex) {
    if (memory == EmulationMemory::M64_64) return 0;
    if (memory == EmulationMemory::M512_0 && sizeIndex == 2) return std::nullopt;
    return 4 * sizeIndex + static_cast<int>(memory);
}

int BankCount(EmulationMemory memory, int sizeIndex) {
    static constexpr int kBanks[] = {1, 2, 2, 4, 8};
    return kBanks[static_cast<int>(memory)] << sizeIndex;
}

std::array<bool, 5> BitPositionsEnabled(EmulationMemory memory, int sizeIndex) {
    const bool a16 = memory != EmulationMemory::M64_64;
    const bool a17 = memory == EmulationMemory::M256_64 || memory == EmulationMemory::M512_0;
    return {a16 && sizeIndex == 2, a16 && sizeIndex != 0, a16, a17, memory == EmulationMemory::M512_0};
}

std::optional<int> FirstEqualBitPosition(const std::array<std::string, 5>& texts, const std::array<bool, 5>& enabled) {
    for (int i = 0; i < 5; ++i)
        for (int j = i + 1; j < 5; ++j)
            if (enabled[i] && enabled[j] && texts[i] == texts[j]) return i;
    return std::nullopt;
}

bool BitPositionValid(const std::string& text) { return text.size() == 1 && text[0] >= '0' && text[0] <= '7'; }

std::optional<int> ResetTimeoutTenths(const std::string& text) {
    if (text.empty()) return 0;
    int whole = 0, digits = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) whole = whole * 10 + (text[i] - '0');
    if (digits == 0 || digits > 2) return std::nullopt;
    int tenths = whole * 10;
    if (i < text.size()) {
        if ((text[i] != ',' && text[i] != '.') || i + 2 != text.size()) return std::nullopt;
        const char d = text[i + 1];
        if (d < '0' || d > '9') return std::nullopt;
        tenths += d - '0';
    }
    if (tenths > 255) return std::nullopt;
    return tenths;
}

std::string ResetTimeoutText(int tenths) { return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10); }

std::optional<std::uint16_t> Hex16(const std::string& text) {
    const std::string hex = HexStrNormalize(text);
    if (hex.empty()) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 1; i < hex.size(); ++i) {
        const char c = hex[i];
        value = value * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
        if (value > 0xFFFF) return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

bool KeepsStoredAddress(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return true;
    const auto last = text.find_last_not_of(" \t");
    std::string word = text.substr(first, last - first + 1);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word == "default";
}

std::optional<std::uint16_t> LoadAddress(const std::string& text, std::uint16_t stored) {
    if (KeepsStoredAddress(text)) return stored;
    return Hex16(text);
}

bool BankedAreaValid(std::uint16_t start, std::uint16_t end) { return start <= end; }

ProcessorRules ProcessorRulesFor(int option, int firmwareCode, int watchdogNumber, const AdapterChoices& pod) {
    ProcessorRules r;
    const bool hookFamily = option >= 5 && option <= 7;
    const bool cable = pod.pod == PodType::Cable;
    r.a2Available = hookFamily && cable;
    r.hooksAvailable = hookFamily && !(cable && pod.cable == CableChoice::A1) && pod.pod != PodType::Universal &&
                       pod.pod != PodType::Tarvex51III && pod.pod != PodType::DebugConnector;
    const bool plainBus = option == 2 || option == 8 || option == 10 || option == 11 || option == 15 || option == 18;
    r.nonMultiplexed = firmwareCode > 15 && pod.pod == PodType::Universal && plainBus;
    r.addressingShown = firmwareCode != 11 && firmwareCode != 13 &&
                        (option == 8 || option == 10 || option == 11 || option == 15);
    if (r.addressingShown) r.addressingPreset = option == 8 ? 0 : option == 10 ? 1 : 2;
    r.configureShown = option == 9;
    r.watchdogEnabled = watchdogNumber != 0;
    return r;
}

namespace {
// The run time's own message for a text that is no integer.
std::optional<std::string> integerError(const std::string& text) {
    try {
        (void)StrToIntRt(text);
        return std::nullopt;
    } catch (const EConvertError& e) {
        return std::string(e.what());
    }
}
}  // namespace

std::optional<std::string> EditError(OptionsEdit kind, const std::string& text) {
    switch (kind) {
        case OptionsEdit::Integer: return integerError(text);
        case OptionsEdit::BitPosition:
            if (BitPositionValid(text)) return std::nullopt;
            return "Invalid bit position " + text + "; valid: 0..7";
        case OptionsEdit::Hex16:
            if (Hex16(text)) return std::nullopt;
            return "Invalid 16 bit constant " + text;
        case OptionsEdit::LoadAddress:
            if (LoadAddress(text, 0)) return std::nullopt;
            return "Invalid 16 bit constant " + text;
        case OptionsEdit::ExternBank: {
            const std::string hex = HexStrNormalize(text);
            return integerError(hex.empty() ? text : hex);
        }
        case OptionsEdit::ResetTimeout:
            // The board keeps tenths of a second in one byte.
            if (ResetTimeoutTenths(text)) return std::nullopt;
            return std::string("Value in Reset timeout not valid");
    }
    return std::nullopt;
}

std::optional<std::string> BankedAreaError(const std::string& start, const std::string& end) {
    if (auto e = EditError(OptionsEdit::Hex16, start)) return e;
    if (auto e = EditError(OptionsEdit::Hex16, end)) return e;
    if (BankedAreaValid(*Hex16(start), *Hex16(end))) return std::nullopt;
    return std::string("Value in Banked area not valid");
}

}  // namespace tarvex::ui
