#pragma once
// The register table: the SFRs, register pairs, SFR bits, working registers
// and program counter of the selected processor, filled from the SFR
// definition file.
//
// The order of the SFR list is the file's order and defines wire layouts
// (the register string, the SFR image, the monitor's access table); it is
// never sorted. SetSortOrder sorts copies for display.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/component.hpp"

namespace tarvex {

struct TRegister {
    std::string name;
    std::string highPartName;
    std::string lowPartName;
    std::uint8_t highAddr = 0;
    std::uint8_t lowAddr = 0;
    std::uint8_t bitMask = 0;
    // 0 SFR, 1 double SFR, 2 SFR bit, 3 and 5 program counter, 4 register.
    std::uint8_t kind = 0;
};

class TRegisterList {
public:
    std::size_t Count() const { return items_.size(); }
    TRegister* Items(std::size_t i) const { return i < items_.size() ? items_[i].get() : nullptr; }

private:
    friend class TRegisterTabelle;
    std::vector<std::unique_ptr<TRegister>> items_;
};

class TRegisterTabelle : public TComponent {
public:
    // List indices.
    static constexpr int kSfrList = 0, kDoubleSfrList = 1, kSfrBitList = 2, kOtherList = 3;
    // The lowest address of the SFR space.
    static constexpr std::uint8_t kSfrMin = 0x80;

    // Raises ESymbolError 127 (kind, empty name, address checks) or 126
    // (name already in the list); a pair is checked whole before anything
    // of it is added.
    TRegister* AddRegister(std::string_view name, std::string_view lowPartName, std::uint8_t kind,
                           std::uint8_t bitMask, std::uint8_t highAddress, std::uint8_t lowAddress,
                           std::string_view highPartName);
    void Clear();
    // Takes over the other table's four lists and leaves it empty. Both
    // generations end above both old ones, so caches of either table
    // resolve again.
    void Assign(TRegisterTabelle&& other);

    const TRegisterList& List(int index) const { return lists_[static_cast<std::size_t>(index & 3)]; }
    TRegister* FindByName(int kind, std::string_view name) const;
    TRegister* FindAnyByName(std::string_view name) const;
    TRegister* FindByAddressInKind(int kind, std::uint16_t address) const;
    TRegister* FindByAddress(std::uint16_t address) const;
    void CollectAll(std::vector<TRegister*>& out) const;

    int SfrCount() const { return static_cast<int>(lists_[kSfrList].Count()); }
    std::uint8_t SfrAddress(int i) const;
    int IndexOfSfr(std::uint8_t address) const;

    // Per-entry texts (empty for nil).
    static std::string ValueText(const TRegister* r);
    static std::string WidthText(const TRegister* r);
    static std::string KindText(const TRegister* r);
    static std::string KindName(const TRegister* r);
    // Per-entry values; raise ESymbolError 203 for nil.
    static TBankAdresse Address(const TRegister* r);
    static int SymbolKind(const TRegister* r);
    static int Width(const TRegister* r);

    // A copy of a list sorted for display: 1 by name, kind, address; 2 by
    // address, name, kind. Other orders keep the list's order.
    std::vector<TRegister*> SetSortOrder(int list, int order) const;

    // Changes with every Clear and AddRegister, so that caches of resolved
    // names know when to resolve again.
    std::uint32_t Generation() const { return generation_; }

    std::string_view Name() const override { return "RegisterTabelle"; }
    // The table reacts to no notification and publishes no settings.
    void Notify(std::uint8_t, const void*) override {}

private:
    TRegisterList lists_[4];
    std::uint32_t generation_ = 0;
};

}  // namespace tarvex
