#include "host/load/attribute_map.hpp"

namespace tarvex {

bool TAttributeMap::IsCodeAddress(std::uint32_t hostAddress) {
    switch (hostAddress >> 24) {
    case 0x01:
    case 0xFE:
    case 0xF0:
    case 0xF3:
        return false;
    default:
        return true;
    }
}

std::uint32_t TAttributeMap::WithoutBankedMark(std::uint32_t hostAddress) {
    return IsCodeAddress(hostAddress) ? hostAddress & ~BankedAreaMark : hostAddress;
}

std::size_t TAttributeMap::PageOf(std::uint32_t hostAddress) {
    hostAddress = WithoutBankedMark(hostAddress);
    const std::uint32_t space = hostAddress >> 24;
    const std::uint32_t bank = (hostAddress >> 16) & 0xFF;
    switch (space) {
    case 0x01:
    case 0xFE:
        return 256 + bank;
    case 0xF0:
        return (hostAddress & 0x80) ? 512 : 513;
    case 0xF3:
        return 513;
    default:
        return bank;
    }
}

std::uint32_t* TAttributeMap::page(std::size_t index, bool create) {
    if (index >= PageCount) return nullptr;
    if (!pages_[index] && create) pages_[index] = std::make_unique<std::uint32_t[]>(PageCells);
    return pages_[index].get();
}

void TAttributeMap::SetRange(std::uint32_t hostAddress, std::uint32_t n, std::uint32_t attribute) {
    if (attribute == 0) attribute = Access;
    std::uint32_t* cells = page(PageOf(hostAddress), true);
    const std::uint32_t offset = hostAddress & 0xFFFF;
    // A count beyond the page's end would write into the next allocation.
    if (n > PageCells - offset) n = PageCells - offset;
    for (std::uint32_t i = 0; i < n; ++i) cells[offset + i] = (cells[offset + i] & Access) | attribute;
}

std::uint32_t* TAttributeMap::Cell(std::uint32_t hostAddress) {
    std::uint32_t* cells = page(PageOf(hostAddress), false);
    return cells ? cells + (hostAddress & 0xFFFF) : nullptr;
}

const std::uint32_t* TAttributeMap::Cell(std::uint32_t hostAddress) const {
    const std::size_t index = PageOf(hostAddress);
    return pages_[index] ? pages_[index].get() + (hostAddress & 0xFFFF) : nullptr;
}

std::vector<std::size_t> TAttributeMap::Pages() const {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < PageCount; ++i)
        if (pages_[i]) out.push_back(i);
    return out;
}

void TAttributeMap::Clear() {
    for (auto& p : pages_) p.reset();
}

}  // namespace tarvex
