#pragma once
// The register view the IDE shows: its groups and items (the IDE keeps
// pointers into both while the library is loaded), the register id behind
// each item, the lock the IDE sets around its edits, and how an item shows
// a value. Reading and writing the registers is the host object's.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/agdi_records.hpp"

namespace tarvex {

class HostRegisterView {
public:
    // Register ids of AG_RegAcc.
    static constexpr std::uint32_t RegA = 20, RegB = 21, RegTime = 22, RegDptr = 24, RegPc = 0x500, RegPsw = 0x600,
                                   RegSp = 0x700;
    // Item numbers.
    static constexpr std::uint16_t ItemPc = 20, ItemTime = 21, ItemPsw = 256, ItemPswFirstField = 257,
                                   ItemEmpty = 264;

    // A flag field of the PSW, one item each.
    struct PswField {
        const char* name;
        std::uint8_t mask;
        std::uint8_t shift;
    };
    // The field an item number shows; null for any other item.
    static const PswField* PswFieldOf(std::uint16_t number);

    void Build(agdi::RegReadFn read, agdi::RegWriteFn write);
    agdi::RegViewDescriptor& Descriptor() { return descriptor_; }
    agdi::RegItem* Items() { return items_.data(); }
    // The register id behind an item of this view; nothing for any other
    // pointer.
    std::optional<std::uint32_t> IdOf(const agdi::RegItem* item) const;

    // Set while the IDE edits an item: writes wait.
    bool Locked() const { return locked_; }
    void SetLocked(bool on) { locked_ = on; }

    // Shows `value`: the text `text` makes when the value changed or nothing
    // shows yet; a change marks the item changed (not the PC and the time)
    // and to be redrawn, and the next read without one takes the mark away.
    static void Show(agdi::RegItem& item, std::uint32_t value, const std::function<std::string()>& text);

private:
    agdi::RegViewDescriptor descriptor_{};
    std::vector<agdi::RegGroup> groups_;
    std::vector<agdi::RegItem> items_;
    std::vector<std::uint32_t> ids_;
    bool locked_ = false;
};

}  // namespace tarvex
