#include "core/pellunar.hpp"

#include <algorithm>

#include "core/value_stream.hpp"

namespace tarvex {

// ---------------------------------------------------------------- PellunarBytes

PellunarBytes::PellunarBytes(std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) push_back(b);
}

PellunarBytes::PellunarBytes(std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) push_back(b);
}

void PellunarBytes::push_back(std::uint8_t b) {
    if (size_ < Capacity) data_[size_++] = b;
}

std::string PellunarBytes::Hex() const {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(size_ * 2u);
    for (std::uint8_t b : *this) {
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

bool operator==(const PellunarBytes& a, const PellunarBytes& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// ---------------------------------------------------------------- TPellunarItem

TPellunarItem::TPellunarItem(TPellunarComp* owner_, std::uint8_t extra, std::uint16_t code, TBankAdresse at)
    : address(at), classCode(code), extraByte(extra), owner(owner_) {}

TBankAdresse TPellunarItem::EndAddress() const {
    TBankAdresse end = address;
    const std::size_t n = Length();
    if (n > 1) end.offset = static_cast<std::uint16_t>(end.offset + n - 1);
    return end;
}

std::uint16_t TPellunarItem::EndOffset() const { return static_cast<std::uint16_t>(address.offset + 3); }

std::uint8_t TPellunarItem::ThirdByte() const {
    if (!owner) return 0;
    TBankAdresse at = address;
    at.offset = static_cast<std::uint16_t>(at.offset + 2);
    return owner->ImageByte(at);
}

std::uint8_t TPellunarItem::R7Address() const { return owner ? owner->R7Address() : 15; }

int TPellunarItem::Overlap(const TBankAdresse& start, const TBankAdresse& end) const {
    const TBankAdresse last = EndAddress();
    const int sa = CompareBankAdresse(start, address);
    const int se = CompareBankAdresse(start, last);
    const int ea = CompareBankAdresse(end, address);
    const int ee = CompareBankAdresse(end, last);
    if (ea < 0) return -2;
    if (ea == 0) return -1;
    if (ee < 0) return sa < 0 ? -1 : 1;
    if (ee == 0) return sa > 0 ? 1 : 0;
    if (sa <= 0) return 0;
    return se <= 0 ? 2 : 3;
}

// ---------------------------------------------------------------- TPellunarList

namespace {

bool ItemLess(const std::unique_ptr<TPellunarItem>& a, const std::unique_ptr<TPellunarItem>& b) {
    return BankAdresseLess(a->address, b->address);
}

}  // namespace

TPellunarItem* TPellunarList::AddItem(std::unique_ptr<TPellunarItem> item) {
    if (!item) return nullptr;
    TPellunarItem* raw = item.get();
    if (order_ == ByAddress || items_.empty()) {
        // After the last item with an address not above the new one, so that
        // equal addresses keep the order in which they were added.
        const auto at = std::upper_bound(items_.begin(), items_.end(), item, ItemLess);
        items_.insert(at, std::move(item));
        order_ = ByAddress;
    } else {
        items_.push_back(std::move(item));
        order_ = Unsorted;
    }
    return raw;
}

void TPellunarList::SetSortOrder(std::uint8_t order) {
    if (order == order_) return;
    if (order == ByAddress) {
        std::stable_sort(items_.begin(), items_.end(), ItemLess);
    } else if (order == ByClass) {
        std::stable_sort(items_.begin(), items_.end(), [](const auto& a, const auto& b) {
            return a->HookClass() < b->HookClass();
        });
    }
    order_ = order;
}

TPellunarItem* TPellunarList::IndexOfAddress(const TBankAdresse& address) {
    SetSortOrder(ByAddress);
    return FindContaining(address);
}

namespace {

// The bank part of the list's order (BankAdresseSortKey): unbanked as bank
// 0, hooks for all banks after every bank.
std::uint32_t BankKey(const TBankAdresse& a) { return a.allBanks ? BankAll : a.banked ? a.bank : 0u; }
std::uint32_t GroupKey(const TBankAdresse& a) { return BankKey(a) << 16 | a.offset; }

bool Contains(const TPellunarItem& item, const TBankAdresse& address) {
    return CompareBankAdresse(item.address, address) <= 0 && CompareBankAdresse(item.EndAddress(), address) >= 0;
}

// Of two hooks that hold an address, the one that starts nearer to it;
// on a tie the first.
TPellunarItem* Nearer(TPellunarItem* best, TPellunarItem* candidate) {
    if (candidate == nullptr) return best;
    if (best == nullptr || candidate->address.offset > best->address.offset) return candidate;
    return best;
}

}  // namespace

std::size_t TPellunarList::LowerBound(std::uint32_t groupKey) const {
    const auto below = [groupKey](const std::unique_ptr<TPellunarItem>& p) { return GroupKey(p->address) < groupKey; };
    return static_cast<std::size_t>(std::partition_point(items_.begin(), items_.end(), below) - items_.begin());
}

TPellunarItem* TPellunarList::FindContainingIn(std::uint32_t bank, const TBankAdresse& address) const {
    // A hook is at most MaxLength bytes long: only hooks that start that
    // close below the address can hold it.
    const std::uint32_t below = std::min<std::uint32_t>(address.offset, TPellunarItem::MaxLength - 1);
    const std::size_t end = LowerBound((bank << 16) + address.offset + 1);
    TPellunarItem* best = nullptr;
    for (std::size_t i = LowerBound((bank << 16) + address.offset - below); i < end; ++i)
        if (Contains(*items_[i], address)) best = Nearer(best, items_[i].get());
    return best;
}

TPellunarItem* TPellunarList::FindContaining(const TBankAdresse& address) const {
    if (items_.empty()) return nullptr;
    // The list is ordered by a total key in which the hooks for all banks
    // come last; CompareBankAdresse lets such a hook equal its offset in any
    // bank, so they are searched apart from the address's own bank.
    if (address.allBanks) {
        // An address for all banks lies in every bank.
        TPellunarItem* best = nullptr;
        for (std::size_t i = 0; i < items_.size();) {
            const std::uint32_t bank = BankKey(items_[i]->address);
            best = Nearer(best, FindContainingIn(bank, address));
            i = LowerBound((bank + 1) << 16);
        }
        return best;
    }
    TPellunarItem* own = FindContainingIn(BankKey(address), address);
    if (!items_.back()->address.allBanks) return own;
    return Nearer(own, FindContainingIn(BankAll, address));
}

std::ptrdiff_t TPellunarList::IndexOf(const TPellunarItem* item) const {
    if (!item) return -1;
    std::size_t from = 0;
    if (order_ == ByAddress) {
        // Among the items at the item's address only.
        const auto at = std::lower_bound(items_.begin(), items_.end(), item->address,
                                         [](const std::unique_ptr<TPellunarItem>& p, const TBankAdresse& a) {
                                             return BankAdresseLess(p->address, a);
                                         });
        from = static_cast<std::size_t>(at - items_.begin());
    }
    for (std::size_t i = from; i < items_.size(); ++i)
        if (items_[i].get() == item) return static_cast<std::ptrdiff_t>(i);
    for (std::size_t i = 0; i < from; ++i)
        if (items_[i].get() == item) return static_cast<std::ptrdiff_t>(i);
    return -1;
}

void TPellunarList::DeleteObject(std::size_t i) {
    if (i < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
}

void TPellunarList::Clear() {
    while (!items_.empty()) items_.pop_back();
    order_ = Unsorted;
}

// ---------------------------------------------------------------- TPellunarComp

TPellunarComp::TPellunarComp() {
    for (int b = 0; b < bankCount_; ++b) images_[static_cast<std::size_t>(b)].assign(bankSize_, 0);
}

TPellunarComp::~TPellunarComp() = default;

void TPellunarComp::MessageOutput(int, const std::string&, const std::string&) {}

void TPellunarComp::HookAdded(bool) {}

void TPellunarComp::RemoveHookAt(const TBankAdresse& address) { DeleteHook(list_.IndexOfAddress(address)); }

void TPellunarComp::SetTables(TSymboltabelle* symbols, TZeilennummertabelle* lines) {
    symbols_ = symbols;
    lines_ = lines;
}

void TPellunarComp::SetHookVariant(std::uint8_t r7Address) {
    if (r7Address == r7Address_) return;
    r7Address_ = r7Address;
    if (list_.Count() > 0) changed_ = true;
}

void TPellunarComp::SetCodeBankCount(int n) {
    // Callers pass "highest bank + 1", which a byte-sized bank number can wrap
    // to 0; every address still needs an image.
    n = std::clamp(n, 1, MaxCodeBanks);
    if (n == bankCount_) return;
    bankCount_ = n;
    for (int b = 0; b < MaxCodeBanks; ++b) {
        auto& image = images_[static_cast<std::size_t>(b)];
        if (b < n)
            image.assign(bankSize_, 0);
        else
            std::vector<std::uint8_t>().swap(image);
    }
}

void TPellunarComp::SetCodeBankSize(std::uint32_t n) {
    n = std::clamp<std::uint32_t>(n, 1, ImageSize);
    if (n == bankSize_) return;
    bankSize_ = n;
    for (int b = 0; b < bankCount_; ++b) images_[static_cast<std::size_t>(b)].assign(bankSize_, 0);
}

void TPellunarComp::ClearImages() {
    for (auto& image : images_) std::fill(image.begin(), image.end(), std::uint8_t{0});
}

int TPellunarComp::ImageIndex(const TBankAdresse& address) const {
    if (!address.banked || address.allBanks) return 0;
    if (address.bank < bankCount_) return address.bank;
    return address.bank & (bankCount_ - 1);
}

std::uint8_t* TPellunarComp::ImageAt(const TBankAdresse& address, std::size_t& room) {
    auto& image = images_[static_cast<std::size_t>(ImageIndex(address))];
    if (address.offset >= image.size()) {
        room = 0;
        return nullptr;
    }
    room = image.size() - address.offset;
    return image.data() + address.offset;
}

void TPellunarComp::StoreCode(const TBankAdresse& address, std::span<const std::uint8_t> bytes) {
    std::size_t room = 0;
    std::uint8_t* at = ImageAt(address, room);
    if (!at) return;
    std::copy_n(bytes.begin(), std::min(room, bytes.size()), at);
}

std::vector<std::uint8_t> TPellunarComp::ImageBytes(const TBankAdresse& address, std::size_t n) const {
    const auto& image = images_[static_cast<std::size_t>(ImageIndex(address))];
    if (address.offset >= image.size()) return {};
    const std::size_t take = std::min(n, image.size() - address.offset);
    return {image.begin() + address.offset, image.begin() + static_cast<std::ptrdiff_t>(address.offset + take)};
}

std::uint8_t TPellunarComp::ImageByte(const TBankAdresse& address) const {
    const auto& image = images_[static_cast<std::size_t>(ImageIndex(address))];
    return address.offset < image.size() ? image[address.offset] : 0;
}

TPellunarItem* TPellunarComp::AddHook(std::unique_ptr<TPellunarItem> item) {
    if (!item) return nullptr;
    item->owner = this;
    if (!changed_) HookAdded(true);
    const bool substituted = item->IsSubstituted();
    TPellunarItem* raw = list_.AddItem(std::move(item));
    changed_ = true;
    if (substituted) ++substitutedCount_;
    return raw;
}

void TPellunarComp::DeleteHook(TPellunarItem* item) {
    if (!item) return;
    const std::ptrdiff_t i = list_.IndexOf(item);
    if (i < 0) return;
    if (item->IsSubstituted()) --substitutedCount_;
    list_.DeleteObject(static_cast<std::size_t>(i));
    changed_ = true;
}

void TPellunarComp::DeleteHooksInRange(const TBankAdresse& start, const TBankAdresse& end) {
    for (std::size_t i = list_.Count(); i-- > 0;) {
        TPellunarItem* item = list_.Items(i);
        const int o = item->Overlap(start, end);
        if (o >= -1 && o <= 2) {
            if (item->IsSubstituted()) --substitutedCount_;
            list_.DeleteObject(i);
            changed_ = true;
        }
    }
}

void TPellunarComp::CopyHooks(const TBankAdresse& sourceStart, const TBankAdresse& sourceEnd,
                              const TBankAdresse& destinationStart) {
    list_.SetSortOrder(TPellunarList::ByAddress);
    const auto shift = static_cast<std::uint16_t>(destinationStart.offset - sourceStart.offset);
    std::vector<std::unique_ptr<TPellunarItem>> copies;
    for (std::size_t i = 0; i < list_.Count(); ++i) {
        const TPellunarItem* item = list_.Items(i);
        if (item->Overlap(sourceStart, sourceEnd) != 0) continue;
        auto copy = std::make_unique<TPellunarItem>(*item);
        copy->address.offset = static_cast<std::uint16_t>(copy->address.offset + shift);
        copies.push_back(std::move(copy));
    }
    // What lay in the destination before is overwritten by the copy; without
    // clearing it first, a copy onto an overlapping range doubles hooks.
    TBankAdresse destinationEnd = destinationStart;
    destinationEnd.offset = static_cast<std::uint16_t>(destinationStart.offset + (sourceEnd.offset - sourceStart.offset));
    DeleteHooksInRange(destinationStart, destinationEnd);
    for (auto& copy : copies) AddHook(std::move(copy));
}

int PellunarImageReader::read(TBankAdresse at, std::uint8_t* buf, int n) noexcept {
    if (!buf || n <= 0) return 0;
    const std::vector<std::uint8_t> bytes = comp_.ImageBytes(at, static_cast<std::size_t>(n));
    std::copy(bytes.begin(), bytes.end(), buf);
    return static_cast<int>(bytes.size());
}

void TPellunarComp::ClearHooks() {
    if (list_.Count() > 0) changed_ = true;
    list_.Clear();
    substitutedCount_ = 0;
}

void TPellunarComp::WriteProperties(ValueWriter& writer) const {
    writer.WriteInteger(bankCount_);
    writer.WriteInteger(static_cast<std::int32_t>(bankSize_));
}

void TPellunarComp::ReadProperties(ValueReader& reader, std::int32_t) {
    const std::int32_t count = reader.ReadInteger();
    const std::int32_t size = reader.ReadInteger();
    // The setters bound both; a negative size must not wrap to a large one.
    SetCodeBankCount(count);
    SetCodeBankSize(static_cast<std::uint32_t>(std::max(size, 1)));
}

}  // namespace tarvex
