// The scan of one block of code: decode it instruction by instruction,
// staying aligned with the source lines and routine entries, and make a hook
// for every port access the board can carry out.
#include <algorithm>
#include <vector>

#include "core/line_table.hpp"
#include "core/messages.hpp"
#include "core/opcode_table.hpp"
#include "core/pellunar.hpp"
#include "core/pellunar_forms.hpp"
#include "core/symbol_table.hpp"

namespace tarvex {

namespace {

// Base types of data objects whose bytes are data, never code.
bool IsDataType(int type) {
    return (type >= 1 && type <= 9) || type == 12 || type == 13 || (type >= 24 && type <= 26) || type == 30 ||
           type == 33;
}

TBankAdresse Advance(TBankAdresse a, std::size_t by) {
    a.offset = static_cast<std::uint16_t>(a.offset + by);
    return a;
}

}  // namespace

class PellunarScan {
public:
    PellunarScan(TPellunarComp& comp, const TBankAdresse& start)
        : comp_(comp),
          symbols_(comp.symbols_),
          lines_(comp.lines_ && comp.lines_->Count() > 0 ? comp.lines_ : nullptr),
          maxBytes_(comp.Banking() ? comp.Banking()->maxCountBefehlsBytes() : 3),
          newEntries_(comp.UsesNewEntries()),
          start_(start) {}

    void Run(std::span<const std::uint8_t> block);

private:
    void LookBack(std::span<const std::uint8_t> block);
    // Tries to make a hook of the instruction at i. False when no form
    // matched; else true with the hook's length, or 0 when it was dropped
    // (qzStep_ set when a "_qz_" entry lies inside).
    bool TryHook(std::size_t i, const TBankAdresse& a, std::size_t& length);
    bool Placed(const TPellunarItem& item);
    void Replace(std::unique_ptr<TPellunarItem> item);
    void CantEmulateAt(std::size_t i, const TBankAdresse& a);
    std::string Location(const TBankAdresse& a, int mode) const;
    std::string AddressText(const TBankAdresse& a) const { return BankAdresseToStr(a, comp_.Banking()); }
    bool LineCovers(const TBankAdresse& a, std::size_t length, bool& found) const;

    TPellunarComp& comp_;
    TSymboltabelle* symbols_;
    TZeilennummertabelle* lines_;  // null when there are no line records
    int maxBytes_;
    bool newEntries_;
    TBankAdresse start_;
    std::vector<std::uint8_t> buf_;  // the code as decoded, look-back bytes first
    std::size_t qzStep_ = 0;
};

void PellunarScan::LookBack(std::span<const std::uint8_t> block) {
    int back = 0;
    if (lines_) {
        if (const TZeilennummer* r = lines_->FindByAddress(start_, 4)) {
            back = start_.offset - r->address.offset;
            if (back == 0 && r->functionId == 0) {
                const TZeilennummer* below = lines_->FindByAddress(start_, 3);
                if (below && !comp_.list_.IndexOfAddress(below->address)) back = start_.offset - below->address.offset;
            }
        }
    }
    if (back < 0 || back > TPellunarComp::LookBack) back = 0;
    back = std::min<int>(back, start_.offset);
    if (back > 0) {
        const TBankAdresse from = Advance(start_, static_cast<std::size_t>(0x10000 - back));
        buf_ = comp_.ImageBytes(from, static_cast<std::size_t>(back));
        // Hooks there already stand in their substitute form in the image;
        // the instruction cut by the block's start is decoded from the
        // program's own bytes.
        for (std::size_t k = 0; k < buf_.size(); ++k) {
            const TPellunarItem* hook = comp_.list_.IndexOfAddress(Advance(from, k));
            if (!hook || hook->scannedBytes.empty()) continue;
            // The hook may start before the look-back bytes.
            const int into = static_cast<int>(hook->address.offset) - static_cast<int>(from.offset);
            for (std::size_t j = 0; j < hook->scannedBytes.size(); ++j) {
                const int at = into + static_cast<int>(j);
                if (at >= 0 && static_cast<std::size_t>(at) < buf_.size()) buf_[static_cast<std::size_t>(at)] = hook->scannedBytes[j];
            }
        }
        start_ = from;
    }
    buf_.insert(buf_.end(), block.begin(), block.end());
}

bool PellunarScan::LineCovers(const TBankAdresse& a, std::size_t length, bool& found) const {
    TZeilennummer* r = lines_->FindByAddress(a, 4);
    found = r != nullptr;
    return r && CompareBankAdresse(lines_->LineEndAddress(r), Advance(a, length - 1)) >= 0;
}

std::string PellunarScan::Location(const TBankAdresse& a, int mode) const {
    if (lines_ && symbols_) {
        if (const TZeilennummer* r = lines_->FindByAddress(a, mode)) {
            const std::string file = symbols_->LocationText(r, false);
            if (!file.empty()) return file + "(" + std::to_string(r->line) + ")";
        }
    }
    return AddressText(a);
}

bool PellunarScan::Placed(const TPellunarItem& item) {
    const TBankAdresse& a = item.address;
    const TBankAdresse end = item.EndAddress();
    if (lines_) {
        TZeilennummer* r = lines_->FindByAddress(a, 4);
        bool ok = (!r && !comp_.lineNumbersRequired_) || (r && CompareBankAdresse(lines_->LineEndAddress(r), end) >= 0);
        if (!ok) {
            // A sequence may end its own line exactly, when it starts its
            // first line or the line of its last byte is that byte alone.
            if (TZeilennummer* r2 = lines_->FindByAddress(end, 4)) {
                const TBankAdresse end2 = lines_->LineEndAddress(r2);
                ok = CompareBankAdresse(end2, end) == 0 &&
                     ((r && CompareBankAdresse(r->address, a) == 0) || CompareBankAdresse(r2->address, end2) == 0);
            }
        }
        if (ok) return true;
        std::string message = FmtResStr(rs::IgnorePellunar, item.ReplacementText());
        if (!r) {
            message += ": " + std::string(LoadResStr(rs::WithoutLineNumbers));
            comp_.MessageOutput(PellunarWarning, message, AddressText(a));
        } else {
            comp_.MessageOutput(PellunarWarning, message, Location(a, 1));
        }
        return false;
    }
    if (symbols_) {
        // Without line records a "_qz_" entry inside the sequence shows that
        // its bytes belong to two places.
        const TSymbol* qz = symbols_->FindQzEntryNear(a);
        if (qz && qz->address.offset > a.offset && CompareBankAdresse(qz->address, end) <= 0) {
            qzStep_ = static_cast<std::size_t>(qz->address.offset - a.offset);
            comp_.MessageOutput(PellunarWarning, FmtResStr(rs::IgnorePellunar, item.CodeBytesText()), AddressText(a));
            return false;
        }
    }
    return true;
}

bool PellunarScan::TryHook(std::size_t i, const TBankAdresse& a, std::size_t& length) {
    length = 0;
    std::span<const std::uint8_t> code(buf_.data() + i, buf_.size() - i);

    // A port read routine call becomes a direct port read (MOV ACC,P0/P2).
    PellunarBytes callBytes;
    if (comp_.substitution_ && code.size() >= 3 && code[0] == 0x12 && code[1] == 0xFF) {
        const std::uint8_t readP0 = newEntries_ ? 0xB9 : 0xF9, readP2 = newEntries_ ? 0xD9 : 0xFB;
        if (code[2] == readP0 || code[2] == readP2) {
            callBytes = PellunarBytes(code.first(3));
            buf_[i] = 0x85;
            buf_[i + 1] = code[2] == readP0 ? 0x80 : 0xA0;
            buf_[i + 2] = 0xE0;
        }
    }

    const auto match = MatchPellunarForm(code, comp_.variant_, newEntries_);
    if (!match) return false;
    auto item = std::make_unique<TPellunarItem>(&comp_, match->extraByte, match->classCode, a);
    item->substitutedCall = !callBytes.empty();
    // Every byte the hook covers, as the program has it: what the program's
    // own code is wherever the hook must give way.
    item->scannedBytes = item->substitutedCall ? callBytes : PellunarBytes(code.first(match->length));
    if (symbols_) {
        TSymbol* object = symbols_->FindByAddress(sspProgram, a, 4);
        item->inTypedData = object && IsDataType(symbols_->BaseTypeCode(object));
    }
    // Port-like bytes in a constant table are data: a hook there would put
    // its substitute into the table. A replaced call keeps its hook; the
    // checkers put the call bytes back when they write the program.
    if (item->inTypedData && !item->IsSubstituted()) {
        comp_.MessageOutput(PellunarWarning, FmtResStr(rs::IgnorePellunar, item->ReplacementText()), Location(a, 1));
        return true;
    }
    if (!Placed(*item)) return true;

    const PellunarBytes image = item->InstructionBytes();
    comp_.StoreCode(a, image.span());
    const std::string text = item->ReplacementText();
    Replace(std::move(item));
    comp_.MessageOutput(PellunarNote, FmtResStr(rs::Pellunar, text), Location(a, 5));
    length = image.size();
    return true;
}

void PellunarScan::Replace(std::unique_ptr<TPellunarItem> item) {
    // A block scanned again replaces the hooks it held. The same hook found
    // again is updated in place: a second download of a large program then
    // costs no shifting of the list.
    const TBankAdresse& a = item->address;
    const std::size_t covered = item->Length();
    TPellunarItem* same = comp_.list_.IndexOfAddress(a);
    if (same && BankAdresseEqual(same->address, a) && same->classCode == item->classCode && same->address == a) {
        bool alone = true;
        for (std::size_t k = 1; k < covered && alone; ++k) alone = comp_.list_.IndexOfAddress(Advance(a, k)) == same;
        if (alone) {
            const bool differs = same->extraByte != item->extraByte || same->substitutedCall != item->substitutedCall ||
                                 same->inTypedData != item->inTypedData || !(same->scannedBytes == item->scannedBytes);
            if (differs) {
                if (!comp_.changed_) comp_.HookAdded(true);
                if (same->IsSubstituted()) --comp_.substitutedCount_;
                same->extraByte = item->extraByte;
                same->scannedBytes = item->scannedBytes;
                same->substitutedCall = item->substitutedCall;
                same->inTypedData = item->inTypedData;
                if (same->IsSubstituted()) ++comp_.substitutedCount_;
                comp_.changed_ = true;
            }
            return;
        }
    }
    for (std::size_t k = 0; k < covered; ++k)
        while (TPellunarItem* old = comp_.list_.IndexOfAddress(Advance(a, k))) comp_.DeleteHook(old);
    comp_.AddHook(std::move(item));
}

void PellunarScan::CantEmulateAt(std::size_t i, const TBankAdresse& a) {
    const auto cant = CantEmulateTest({buf_.data() + i, buf_.size() - i}, comp_.variant_, newEntries_);
    if (!cant) return;
    if (lines_) {
        bool found = false;
        const bool covered = LineCovers(a, static_cast<std::size_t>(cant->length), found);
        if (!found && comp_.lineNumbersRequired_) return;
        if (found && !covered) return;
    }
    comp_.MessageOutput(PellunarError, cant->message, Location(a, 5));
}

void PellunarScan::Run(std::span<const std::uint8_t> block) {
    LookBack(block);
    // A block never runs past the end of its bank.
    buf_.resize(std::min<std::size_t>(buf_.size(), 0x10000u - start_.offset));
    const std::size_t len = buf_.size();

    TZeilennummer* nextLine = nullptr;
    if (lines_) {
        nextLine = lines_->FindByAddress(start_, 0);
        if (!nextLine) nextLine = lines_->FindByAddress(start_, 2);
    }

    std::size_t i = 0;
    TBankAdresse a = start_;
    bool skipped = false;
    while (i + 1 < len) {
        const int n = OpcodeLength(buf_[i], maxBytes_);
        // A line at A itself cannot start inside the instruction: look at the
        // next one.
        if (nextLine && CompareBankAdresse(nextLine->address, a) <= 0) nextLine = lines_->FindByAddress(a, 2);

        // Realignment: a line or routine that starts inside the instruction
        // shows that decoding is out of step; go on from there.
        int skip = 0;
        if (nextLine) {
            const int d1 = nextLine->address.offset - a.offset;
            if (d1 > 0 && d1 < n) skip = d1;
        }
        if (symbols_ && n >= 2) {
            if (const TSymbol* routine = symbols_->FindRoutineInRange(Advance(a, 1), static_cast<std::uint32_t>(n - 2))) {
                const int d2 = routine->address.offset - a.offset;
                if (d2 > 0 && d2 < n && (skip == 0 || d2 < skip)) skip = d2;
            }
        }
        if (skip > 0) {
            i += static_cast<std::size_t>(skip);
            a = Advance(a, static_cast<std::size_t>(skip));
            skipped = true;
            continue;
        }
        skipped = false;

        qzStep_ = 0;
        std::size_t step = 0;
        if (!TryHook(i, a, step)) CantEmulateAt(i, a);
        if (step == 0) {
            step = qzStep_ > 0 ? qzStep_ : static_cast<std::size_t>(n);
            comp_.RemoveHookAt(a);
        }
        i += step;
        a = Advance(start_, i);
    }
    if (i + 1 == len && !skipped) comp_.RemoveHookAt(a);
}

bool TPellunarComp::UsesNewEntries() const {
    if (!symbols_) return false;
    const TSymbol* routine = symbols_->PellunarReadRoutine();
    if (!routine) routine = symbols_->FindByName("READP0", sspProgram);
    return routine && routine->address.offset != 0xFFF9;
}

void TPellunarComp::ScanCode(const TBankAdresse& start, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    if (start.offset >= 0xFFA0) hookAreaUsed_ = true;
    StoreCode(start, bytes);
    if (bytes.size() < 2) RemoveHookAt(start);
    PellunarScan(*this, start).Run(bytes);
}

}  // namespace tarvex
