#include "core/target_interfaces.hpp"

#include <algorithm>
#include <cstring>

namespace tarvex {

namespace {

TBankAdresse Unbanked(std::uint16_t offset) { return UnbankedAdresse(offset); }
TBankAdresse Banked(std::uint8_t bank, std::uint16_t offset) { return BankedAdresse(bank, offset); }

}  // namespace

StandardAddressSpaces::StandardAddressSpaces() : programMax_(Unbanked(0xFFFF)), extDataMax_(Unbanked(0xFFFF)) {}

TBankAdresse StandardAddressSpaces::maxAddress(SpaceKind space) const {
    switch (space) {
    case SpaceKind::Program:
        return programMax_;
    case SpaceKind::ExtData:
        return extDataMax_;
    case SpaceKind::IntData:
    case SpaceKind::Bit:
    case SpaceKind::Sfr:
        return Unbanked(0xFF);
    case SpaceKind::EmulSystem:
    case SpaceKind::EmulSystemHigh:
    case SpaceKind::EmulSelect:
        return Banked(1, 0xFFFF);
    case SpaceKind::System:
    case SpaceKind::Trace:
        break;
    }
    return Unbanked(0xFFFF);
}

TBankAdresse StandardAddressSpaces::minAddress(SpaceKind space) const {
    const TBankAdresse max = maxAddress(space);
    if (space == SpaceKind::Sfr) return Unbanked(0x80);
    if (max.banked && space != SpaceKind::Trace) return Banked(0, 0);
    return Unbanked(0);
}

TBankAdresse StandardAddressSpaces::normalize(SpaceKind space, TBankAdresse address) const {
    const TBankAdresse max = maxAddress(space);
    if (!address.banked && space != SpaceKind::Trace) {
        // An unbanked address in a banked space stands for bank 0.
        if (max.banked) {
            SetBankGueltig(address, true);
            address.bank = 0;
        }
    }
    if (address.banked && !address.allBanks && max.banked && address.bank > max.bank)
        address.bank = static_cast<std::uint8_t>(address.bank & max.bank);
    if (address.offset > max.offset) address.offset = static_cast<std::uint16_t>(address.offset & max.offset);
    return address;
}

int BufferCodeReader::read(TBankAdresse at, std::uint8_t* buf, int n) {
    if (buf == nullptr || n <= 0 || at.offset >= image_.size()) return 0;
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(n), image_.size() - at.offset);
    std::memcpy(buf, image_.data() + at.offset, count);
    return static_cast<int>(count);
}

const IAddressSpaces& TargetContext::spacesOrDefault() const {
    static const StandardAddressSpaces standard;
    return spaces != nullptr ? *spaces : standard;
}

ICodeReader& TargetContext::codeOrDefault() const {
    static NoCodeReader none;
    return code != nullptr ? *code : none;
}

INotifier& TargetContext::notifierOrDefault() const {
    static NullNotifier none;
    return notifier != nullptr ? *notifier : none;
}

const IOptionsInfo& TargetContext::optionsOrDefault() const {
    static const DefaultOptionsInfo defaults;
    return options != nullptr ? *options : defaults;
}

const IBankingInfo& TargetContext::bankingOrDefault() const {
    static const NoBanking none;
    return banking != nullptr ? *banking : none;
}

}  // namespace tarvex
