#include "checker/pellunar_checker.hpp"

#include "core/pellunar.hpp"

namespace tarvex {

std::string PellunarVersion() { return "1.13"; }

TPellunarItem* TSubstitutedCursor::FirstSubstituted(TPellunarList& list) {
    list_ = &list;
    list.SetSortOrder(TPellunarList::ByAddress);
    for (index_ = 0; index_ < list.Count(); ++index_) {
        if (list.Items(index_)->IsSubstituted()) {
            valid_ = true;
            return list.Items(index_);
        }
    }
    valid_ = false;
    return nullptr;
}

TPellunarItem* TSubstitutedCursor::NextSubstituted() {
    if (!valid_ || !list_) return nullptr;
    while (++index_ < list_->Count()) {
        if (list_->Items(index_)->IsSubstituted()) return list_->Items(index_);
    }
    valid_ = false;
    return nullptr;
}

std::vector<std::uint8_t> OutputBytes(TPellunarComp& analyser, const TBankAdresse& address, std::uint32_t count) {
    std::vector<std::uint8_t> result = analyser.ImageBytes(address, count);
    if (result.empty()) return result;
    TBankAdresse last = address;
    last.offset = static_cast<std::uint16_t>(address.offset + result.size() - 1);

    TSubstitutedCursor cursor;
    TPellunarItem* item = cursor.FirstSubstituted(analyser.Hooks());
    while (item && CompareBankAdresse(item->EndAddress(), address) < 0) item = cursor.NextSubstituted();
    for (; item && CompareBankAdresse(item->address, last) <= 0; item = cursor.NextSubstituted()) {
        if (!item->inTypedData) continue;
        const std::int64_t base = static_cast<std::int64_t>(item->address.offset) - address.offset;
        for (std::size_t k = 0; k < item->scannedBytes.size(); ++k) {
            const std::int64_t place = base + static_cast<std::int64_t>(k);
            if (place >= 0 && place < static_cast<std::int64_t>(result.size()))
                result[static_cast<std::size_t>(place)] = item->scannedBytes[k];
        }
        analyser.MessageOutput(1, "LCALL code not substituted: " + item->ScannedBytesHex(),
                               BankAdresseToStrFull(item->address));
    }
    return result;
}

}  // namespace tarvex
