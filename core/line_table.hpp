#pragma once
// The line-number table: source lines to code addresses and back.
//
// Records keep their addresses until Clear, which sends notification 9 with
// the table as data so that holders of record pointers drop them. Address
// searches sort the list by address (order 2), so an iteration with
// First/Current in another order must not interleave them; end-address
// queries keep the order.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/component.hpp"
#include "core/target_interfaces.hpp"

namespace tarvex {

class TSymboltabelle;

struct TZeilennummer {
    TBankAdresse address{};
    std::int32_t line = 0;
    std::uint16_t moduleId = 0;
    std::uint16_t functionId = 0;
    std::uint16_t fileNumber = 0;
    std::uint8_t endKnown = 0;
    TBankAdresse endAddress{};

private:
    friend class TZeilennummertabelle;
    std::uint32_t position_ = 0;  // index in the list's current order
};

class TZeilennummertabelle : public TComponent {
public:
    // The symbol table gives module names and function ranges; it must
    // outlive this table.
    explicit TZeilennummertabelle(TSymboltabelle& symbols, const TargetContext& context = {});
    ~TZeilennummertabelle();
    TZeilennummertabelle(const TZeilennummertabelle&) = delete;
    TZeilennummertabelle& operator=(const TZeilennummertabelle&) = delete;

    const TargetContext& context() const { return ctx_; }
    void SetContext(const TargetContext& context) { ctx_ = context; }

    TZeilennummer* AddLine(TBankAdresse address, std::int32_t line, std::uint16_t fileNumber,
                           std::uint16_t functionId, std::uint16_t moduleId);
    // False, adding nothing, when the record added last has the same module
    // id and line number.
    bool AddLineOnce(TBankAdresse address, std::int32_t line, std::uint16_t fileNumber, std::uint16_t functionId,
                     std::uint16_t moduleId);
    // Empties the table and sends notification 9 with this table as data.
    void Clear();

    std::size_t Count() const { return items_.size(); }
    TZeilennummer* Items(std::size_t i) const { return i < items_.size() ? items_[i].get() : nullptr; }
    TZeilennummer* First();
    TZeilennummer* Current();
    void SetCurrent(const TZeilennummer* record);
    void CollectLines(std::vector<TZeilennummer*>& out, std::uint16_t moduleId, std::uint16_t functionId) const;

    // 0 unsorted, 1 by module, file and line, 2 by address.
    std::uint8_t SortOrder() const { return order_; }
    void SetSortOrder(std::uint8_t order);

    // Modes: 0 exact (first), 1 exact (highest line), 2 next above, 3 next
    // below, 4 containing, 5 containing with the highest line at its start.
    // Never raises.
    TZeilennummer* FindByAddress(TBankAdresse address, int mode);
    TZeilennummer* FindExact(TBankAdresse address) { return FindByAddress(address, 0); }
    bool IsLineAt(std::uint16_t offset) const { return (bits_[offset >> 3] & (1u << (offset & 7))) != 0; }

    // Address of the line's last code byte; reads code through the context's
    // code reader and never raises.
    TBankAdresse LineEndAddress(TZeilennummer* record);
    void RecomputeEnds();

    // ":MODULE:#42", or "#42" outside any module.
    std::string LineRefText(const TZeilennummer* record);
    std::string LineText(TBankAdresse address);
    TZeilennummer* FindLineRef(std::string_view text);

    bool IgnoreBanking() const { return ignoreBank_; }
    void SetIgnoreBanking(bool value) { ignoreBank_ = value; }

    // Changes with every addition and Clear.
    std::uint32_t Generation() const { return generation_; }

    bool ModifiedSelect = false;
    bool ModifiedWatch = false;

    std::string_view Name() const override { return "ZeilennummernTabelle"; }
    // The table reacts to no notification and publishes no settings.
    void Notify(std::uint8_t, const void*) override {}

private:
    void Sort(std::uint8_t order);
    void Renumber();
    template <typename Records>
    TZeilennummer* Exact(const Records& items, const TBankAdresse& address, bool highestLine) const;
    template <typename Records>
    TZeilennummer* Next(const Records& items, const TBankAdresse& address, bool upwards) const;
    // The records in address order without reordering the list.
    const std::vector<TZeilennummer*>& AddressIndex();

    TSymboltabelle& symbols_;
    TargetContext ctx_;
    std::vector<std::unique_ptr<TZeilennummer>> items_;
    // (module id, line) -> records, for line references.
    std::map<std::pair<std::uint16_t, std::int32_t>, std::vector<TZeilennummer*>> byLine_;
    std::array<std::uint8_t, 8192> bits_{};
    bool ignoreBank_ = false;
    std::uint8_t order_ = 0;
    std::size_t iter_ = 0;
    TZeilennummer* last_ = nullptr;  // the record added last
    std::vector<TZeilennummer*> byAddress_;
    bool byAddressValid_ = false;
    bool endsStale_ = false;
    std::uint32_t generation_ = 0;
};

}  // namespace tarvex
