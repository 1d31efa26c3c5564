#pragma once
// The memory attributes the IDE and the driver share: one 32-bit cell per
// byte of every memory, in pages of 0x10000 cells made zero-filled on first
// use. The IDE reads the cells through the pointer it is handed; the
// breakpoint bits live in the same cells.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace tarvex {

class TAttributeMap {
public:
    static constexpr std::size_t PageCount = 520;
    static constexpr std::uint32_t PageCells = 0x10000;
    // Cell bits.
    static constexpr std::uint32_t Access = 0x07, BreakEnabled = 0x08, Reported = 0x10, BreakDisabled = 0x40,
                                   BreakBits = 0x58;

    // Bit 23 of a code address is the driver's mark of the banked area in
    // the IDE's PC variable (no bank has it); the IDE hands that form back
    // in every code address it took from there.
    static constexpr std::uint32_t BankedAreaMark = 0x800000;
    static bool IsCodeAddress(std::uint32_t hostAddress);
    // The address the mark stands for: the same for both forms of a code
    // address; other spaces unchanged.
    static std::uint32_t WithoutBankedMark(std::uint32_t hostAddress);

    // The page of a host address word: external data 256 + bank, SFRs 512,
    // internal data 513, anything else (code) the bank.
    static std::size_t PageOf(std::uint32_t hostAddress);

    // Attribute a (0 means 7) for n cells from the address, within its page:
    // cell := (cell & 7) | a.
    void SetRange(std::uint32_t hostAddress, std::uint32_t n, std::uint32_t attribute);
    // Null when the page does not exist.
    std::uint32_t* Cell(std::uint32_t hostAddress);
    const std::uint32_t* Cell(std::uint32_t hostAddress) const;
    bool PageExists(std::size_t page) const { return page < PageCount && pages_[page] != nullptr; }
    // The pages that exist, in order.
    std::vector<std::size_t> Pages() const;
    void Clear();

private:
    std::uint32_t* page(std::size_t index, bool create);
    std::array<std::unique_ptr<std::uint32_t[]>, PageCount> pages_;
};

}  // namespace tarvex
