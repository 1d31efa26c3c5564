// The select lists kept valid when what they were entered against
// changes: the default lists, the banked area moving, symbols and line
// numbers reloaded, and the run control's temporary breakpoint.
#include <algorithm>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/notice.hpp"
#include "core/symbol_table.hpp"
#include "emulator/banking.hpp"
#include "emulator/disassembler.hpp"
#include "emulator/emulator.hpp"
#include "emulator/debug/select_table.hpp"

namespace tarvex {

namespace {

constexpr int kMsgUpdateBreak = 140, kMsgUpdateTrace = 141, kMsgUpdateMap = 142, kMsgCheckTrace = 278,
              kMsgCheckBreak = 279;

bool perBank(const TBankAdresse& a) { return a.banked && !a.allBanks; }

TBankAdresse withOffset(TBankAdresse a, int offset) {
    a.offset = static_cast<std::uint16_t>(offset);
    return a;
}

}  // namespace

void TSelectTabelle::ResetList(int kind) {
    TSelectList& target = list(kind);
    target.Clear();
    target.SetChanged(false);
    const auto add = [&target](TBankAdresse start, TBankAdresse end) {
        auto item = std::make_unique<TSelectItem>();
        item->flag = true;
        item->start = start;
        item->end = end;
        target.Add(std::move(item));
    };
    const TBankAdresse pMin = spaces_.minAddress(SpaceKind::Program);
    const TBankAdresse pMax = spaces_.maxAddress(SpaceKind::Program);
    if (HasSelectRole(kind, SelectRole::Trace)) {
        if (!codeMode(kind)) {
            add(spaces_.minAddress(SpaceKind::ExtData), spaces_.maxAddress(SpaceKind::ExtData));
            return;
        }
        const std::uint16_t s = banking_.BankedAreaStart();
        const std::uint16_t e = banking_.BankedAreaEnd();
        if (s != 0 && pMax.banked) {
            for (int b = pMin.banked ? pMin.bank : 0; b <= pMax.bank; ++b) {
                const auto bank = static_cast<std::uint8_t>(b);
                if (banking_.PrepareAccess(BankedAdresse(bank, s)).empty())
                    add(BankedAdresse(bank, s), BankedAdresse(bank, e));
            }
            add(AllBanksAdresse(pMin.offset), AllBanksAdresse(static_cast<std::uint16_t>(s - 1)));
        } else {
            add(pMin, pMax);
        }
        if (e != 0 && pMax.offset > e && pMax.banked)
            add(AllBanksAdresse(static_cast<std::uint16_t>(e + 1)), AllBanksAdresse(pMax.offset));
        target.Sort([](const TSelectItem& a, const TSelectItem& b) { return SelectKey(a.start) < SelectKey(b.start); });
    } else if (HasSelectRole(kind, SelectRole::BreakData)) {
        add(UnbankedAdresse(0x00), UnbankedAdresse(0xFF));
    } else if (kind == select_kind::ProgramMap) {
        add(pMin, pMax);
    }
}

void TSelectTabelle::ResetLists() {
    for (int kind = FirstKind; kind <= LastKind; ++kind)
        if (kind != select_kind::LineTrace) ResetList(kind);
}

// ---------------------------------------------------------------- re-resolution of named items

bool TSelectTabelle::resolveItem(TSelectList& target, std::int32_t index, int kind, bool transmit) {
    TSelectItem& item = target[index];
    setUpValidator(kind);
    item.named = !item.name1.empty() || !item.name2.empty();
    // A whole object was entered by its name alone; a single address named
    // alone would read as the whole object on the kinds that take those.
    const bool whole = !item.name2.empty() && item.name2.front() == '\0';
    std::string text = whole && !item.name1.empty() ? item.name1 : ItemText(item, kind);
    if (item.name2.empty() && !item.name1.empty() && item.start == item.end) text = item.name1 + trennung_ + item.name1;
    try {
        validator_->Konvertieren(text);
    } catch (const EVokWinConvertError&) {
        item.named = false;
        return false;
    }
    const int fromClass = validator_->OutKlasse(TVokWinValidator::kVon);
    const int toClass = validator_->OutKlasse(TVokWinValidator::kBis);
    // Only a part that still names something moves its end of the range
    // (a name alone moves both). A stored name that now reads as a plain
    // number ("2", or a vanished symbol "add") is no name: the address kept
    // beside it stays, so that converting the names again never changes
    // what the last conversion gave.
    const bool nameAlone = validator_->OutText(TVokWinValidator::kBis).empty();
    const TBankAdresse from = fromClass >= 0 ? validator_->OutAdresse(TVokWinValidator::kVon) : item.start;
    const TBankAdresse to =
        toClass >= 0 || (nameAlone && fromClass >= 0) ? validator_->OutAdresse(TVokWinValidator::kBis) : item.end;
    item.named = fromClass >= 0 || toClass >= 0;
    const bool named = item.named;
    if (CompareBankAdresse(from, item.start) == 0 && CompareBankAdresse(to, item.end) == 0) return named;
    // The range moved: it leaves its place and comes back through the set
    // path, so that the list stays sorted and free of overlaps.
    if (transmit) TransmitSelectItem(item, kind, false, false);
    auto moved = target.Extract(index);
    moved->start = from;
    moved->end = to;
    SortBankAdressen(moved->start, moved->end);
    if (fromClass >= 0) moved->symbolClass = static_cast<std::uint8_t>(fromClass);
    try {
        applySet(target, std::move(moved), transmit, false);
    } catch (const ESelectError&) {
        // Another item already holds the new range.
    }
    return named;
}

void TSelectTabelle::transmitList(TSelectList& target) {
    const int kind = target.Kind();
    for (std::int32_t i = target.Count() - 1; i >= 0; --i) {
        if (i >= target.Count()) continue;
        if (!target[i].name1.empty() || !target[i].name2.empty()) resolveItem(target, i, kind, false);
    }
    for (const auto& item : target) TransmitSelectItem(*item, kind, true, false);
}

void TSelectTabelle::TransmitList(int kind) { transmitList(list(kind)); }

// ---------------------------------------------------------------- the banked area moved

void TSelectTabelle::normalizeTraceList(int kind, std::uint16_t s, std::uint16_t e, std::uint16_t ps,
                                        std::uint16_t pe) {
    TSelectList& target = list(kind);
    const TBankAdresse pMin = spaces_.minAddress(SpaceKind::Program);
    const TBankAdresse pMax = spaces_.maxAddress(SpaceKind::Program);
    bool isDefault = false;
    if (ps != 0) {
        const std::int32_t expected = banking_.MaxBank() + 2 + (pMax.offset != pe ? 1 : 0);
        isDefault = target.Count() == expected;
        for (const auto& item : target) {
            if (!isDefault) break;
            if (perBank(item->start)) {
                isDefault = item->start.offset == ps && item->end.offset == pe;
            } else {
                const bool startFits = item->start.offset == pMin.offset || item->start.offset == pe + 1;
                const bool endFits = item->end.offset == ps - 1 || item->end.offset == pMax.offset;
                isDefault = item->start.allBanks && startFits && endFits;
            }
        }
    } else {
        isDefault = target.Count() == 1 && target[0].start == pMin && target[0].end == pMax;
    }
    if (isDefault) {
        ResetList(kind);
        return;
    }
    const auto range = [this, kind](const TBankAdresse& like, int from, int to) {
        return addressText(withOffset(like, from), kind) + trennung_ + addressText(withOffset(like, to), kind);
    };
    // A range that an item already holds needs nothing more.
    const auto setRange = [this](const std::string& text, int k) {
        try {
            TSelectTabelle::SetRange(text, k);
        } catch (const ESelectError&) {
        }
    };
    // The changes shift items: every step looks at the list as it now is.
    const auto forEach = [&target](bool fromLast, const std::function<void(const TSelectItem&)>& step) {
        std::vector<TSelectItem> copies;
        for (const auto& item : target) copies.push_back(*item);
        if (fromLast) std::reverse(copies.begin(), copies.end());
        for (const TSelectItem& item : copies) step(item);
    };
    if (s < ps) {
        forEach(true, [&](const TSelectItem& item) {
            if (item.start.allBanks && item.end.offset == ps - 1) ClearRange(range(item.start, s, ps - 1), kind);
            else if (perBank(item.start) && item.start.offset == ps) setRange(range(item.start, s, ps - 1), kind);
        });
    } else if (s > ps) {
        forEach(false, [&](const TSelectItem& item) {
            if (perBank(item.start) && item.start.offset == ps) ClearRange(range(item.start, ps, s - 1), kind);
            else if (item.start.allBanks && item.end.offset == ps - 1) setRange(range(item.start, ps, s - 1), kind);
        });
    }
    if (e < pe) {
        forEach(false, [&](const TSelectItem& item) {
            if (perBank(item.start) && item.end.offset == pe) {
                ClearRange(range(item.start, e + 1, pe), kind);
                if (pMax.offset == pe) setRange(range(AllBanksAdresse(0), e + 1, pe), kind);
            } else if (item.start.allBanks && item.start.offset == pe + 1) {
                setRange(range(item.start, e + 1, pe), kind);
            }
        });
    } else if (e > pe) {
        forEach(true, [&](const TSelectItem& item) {
            if (item.start.allBanks && item.start.offset == pe + 1) ClearRange(range(item.start, pe + 1, e), kind);
            else if (perBank(item.start) && item.end.offset == pe) setRange(range(item.start, pe + 1, e), kind);
        });
    }
    WarningBox(std::string(LoadStr(kMsgCheckTrace)), platform::mb::IconWarning);
}

bool TSelectTabelle::normalizeBreakList(int kind, std::uint16_t s, std::uint16_t e, std::uint16_t ps,
                                        std::uint16_t pe) {
    TSelectList& target = list(kind);
    bool removed = false;
    for (std::int32_t i = target.Count() - 1; i >= 0; --i) {
        if (i >= target.Count()) continue;
        const TSelectItem item = target[i];
        const bool banked = perBank(item.start);
        const bool all = item.start.allBanks;
        // Only what the move put on the wrong side goes: a bank's range now
        // (partly) in the common area, an all-banks range now (partly) in
        // the banked area. Ranges the move did not touch stay, X7000 below
        // the area as much as one above it.
        // Without a banked area (start 0) neither kind has a place.
        const bool moved = s != ps || e != pe;
        const bool drop = moved && (s == 0 ? banked || all
                                           : (banked && (item.start.offset < s || item.end.offset > e)) ||
                                                 (all && item.start.offset <= e && item.end.offset >= s));
        if (!drop) continue;
        std::string text = addressText(item.start, kind);
        if (item.start.offset != item.end.offset) text += trennung_ + addressText(item.end, kind);
        ClearRange(text, kind);
        removed = true;
    }
    return removed;
}

void TSelectTabelle::NormalizeRanges() {
    const std::uint16_t s = banking_.BankedAreaStart(), e = banking_.BankedAreaEnd();
    const std::uint16_t ps = banking_.PreviousBankedAreaStart(), pe = banking_.PreviousBankedAreaEnd();
    for (int kind = select_kind::Filter1; kind <= select_kind::Filter3; ++kind)
        if (codeMode(kind)) normalizeTraceList(kind, s, e, ps, pe);
    bool removed = false;
    for (int kind = select_kind::Break1; kind <= select_kind::Clear2; ++kind)
        if (codeMode(kind)) removed = normalizeBreakList(kind, s, e, ps, pe) || removed;
    if (removed) WarningBox(std::string(LoadStr(kMsgCheckBreak)), platform::mb::IconWarning);
}

// ---------------------------------------------------------------- symbols and lines reloaded

void TSelectTabelle::resolveNamed(bool lineItems) {
    std::unique_ptr<TFormHinweis> notice;
    for (int kind = select_kind::First; kind <= select_kind::Last; ++kind) {
        if (HasSelectRole(kind, SelectRole::LineTrace) || HasSelectRole(kind, SelectRole::BreakData)) continue;
        if (kind == select_kind::Break1) notice = HinweisZeigen(std::string(LoadStr(kMsgUpdateBreak)));
        if (kind == select_kind::Filter1) notice = HinweisZeigen(std::string(LoadStr(kMsgUpdateTrace)));
        if (kind == select_kind::ProgramMap) notice = HinweisZeigen(std::string(LoadStr(kMsgUpdateMap)));
        TSelectList& target = list(kind);
        bool changed = false;
        for (std::int32_t i = target.Count() - 1; i >= 0; --i) {
            if (i >= target.Count()) continue;
            const TSelectItem& item = target[i];
            const bool take = lineItems ? item.symbolClass == 11
                                        : (!item.name1.empty() || !item.name2.empty()) && item.symbolClass != 11;
            if (!take) continue;
            const TSelectItem* before = &item;
            const TSelectItem copy = item;
            const bool named = resolveItem(target, i, kind, true);
            changed = true;
            if (named) continue;
            // The name is gone: list and board lose the range.
            if (i < target.Count() && &target[i] == before) applyClear(target, copy, true, false);
        }
        if (changed) listChanged(kind);
    }
}

void TSelectTabelle::ResolveSymbolItems() { resolveNamed(false); }

void TSelectTabelle::ResolveLineItems() {
    resolveNamed(true);
    if (BoardReady()) {
        auto lock = emulator_.LockLink();
        transmitRange(*wholeSpaceItem(SpaceKind::Program), SpaceKind::Program, ChannelBit(select_kind::LineTrace), false);
    }
    TransmitLineNumbers();
}

// ---------------------------------------------------------------- the temporary breakpoint

void TSelectTabelle::SetTemporaryBreak(const TBankAdresse& address, bool opcode) {
    if (temporary_.active) RemoveTemporaryBreak();
    temporary_.breakMode = breakMode_;
    temporary_.item = wholeSpaceItem(SpaceKind::Program);
    SetBreakMode(bmBreak2);
    temporary_.mode = GetSelectMode(select_kind::Break2);
    // Channel 12 is borrowed, its list kept for the end of the run: ranges
    // in the data space leave the data planes here, code ones below.
    if (!codeMode(select_kind::Break2) && !GetList(select_kind::Break2).Empty()) clearBoardSpace(select_kind::Break2);
    storeSelectMode(select_kind::Break2, opcode ? select_mode::Opcode : select_mode::LineNumber);
    temporary_.counter = static_cast<std::uint16_t>(GetSelectValue(select_kind::Break2));
    try {
        SetCounter(select_kind::Break2, 1);
    } catch (const ESelectError&) {
        // Kind 10's counter holds channel 12's hardware; it counts on.
    }
    if (!GetList(select_kind::Break2).Empty()) TransmitSelectItem(*temporary_.item, select_kind::Break2, false, false);
    TransmitBreakTraceRegister();
    temporary_.active = true;

    TSelectItem& item = *temporary_.item;
    item.start = item.end = address;
    TZeilennummer* line = nullptr;
    if (!opcode && lines_ != nullptr) {
        line = lines_->FindExact(address);
        TSymbol* function = line != nullptr && line->functionId != 0 && symbols_ != nullptr
                                ? symbols_->FunctionRecord(line->moduleId, line->functionId)
                                : nullptr;
        if (function != nullptr) {
            item.start = function->address;
            item.end = withOffset(function->address, static_cast<std::uint16_t>(function->size));
        } else {
            line = nullptr;
        }
    }
    if (!opcode && line == nullptr && programCounter_ && disassembler_ != nullptr &&
        CompareBankAdresse(address, programCounter_()) == 0) {
        // Going until the instruction at the program counter means after it.
        item.start.offset = static_cast<std::uint16_t>(address.offset + disassembler_->InstructionLengthAt(address));
        item.end = item.start;
    }
    TransmitSelectItem(item, 12, true, false);
    if (line != nullptr) {
        // The break fires on any other line of the function.
        TSelectItem own;
        own.start = line->address;
        own.end = lines_->LineEndAddress(line);
        if (SelectKey(own.end) >= SelectKey(own.start)) TransmitSelectItem(own, 12, false, false);
    }
}

void TSelectTabelle::RemoveTemporaryBreak() {
    if (!temporary_.active) return;
    TransmitSelectItem(*temporary_.item, select_kind::Break2, false, false);
    temporary_.item.reset();
    temporary_.active = false;
    try {
        SetCounter(select_kind::Break2, temporary_.counter);
    } catch (const ESelectError&) {
    }
    storeSelectMode(select_kind::Break2, temporary_.mode);
    SetBreakMode(temporary_.breakMode);
    TransmitBreakTraceRegister();
    TransmitList(select_kind::Break2);
}
}  // namespace tarvex
