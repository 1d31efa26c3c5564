#include "emulator/debug/select_table.hpp"

#include <algorithm>
#include <charconv>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/line_table.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/notice.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/target_options.hpp"
#include "emulator/trace_info.hpp"

namespace tarvex {

namespace {

constexpr int kMsgRangeSet = 129, kMsgValueNotValid = 211, kMsgAccessDenied = 272, kMsgTriggerA = 281;
constexpr int kMsgAddress = 66, kMsgBankedAddress = 67, kMsgNoCommonBank = 71;
constexpr std::uint16_t kClassesCode = 0x802, kClassesLine = 0x800, kClassesData = 0x008, kClassesTraceCode = 0x803,
                        kClassesDataBus = 0x040;

[[noreturn]] void accessDenied() { throw ESelectError(std::string(LoadStr(kMsgAccessDenied))); }
[[noreturn]] void valueNotValid(const char* what) { throw ESelectError(FmtLoadStr(kMsgValueNotValid, what)); }

// The address one element further; only used where the result stays
// inside the item it is cut from.
TBankAdresse stepped(const TBankAdresse& a, int delta) {
    const std::uint32_t k = SelectKey(a) + static_cast<std::uint32_t>(delta);
    TBankAdresse r = a;
    r.offset = static_cast<std::uint16_t>(k);
    if (a.banked && !a.allBanks) r.bank = static_cast<std::uint8_t>(k >> 16);
    return r;
}

int cycleCode(int mode) {
    static constexpr std::uint8_t codes[6] = {5, 6, 4, 1, 2, 3};
    return mode >= 0 && mode <= 5 ? codes[mode] : 7;
}

std::uint8_t breakModeCode(int mode) {
    switch (mode) {
        case bmBreak2: return 1;
        case bmBreak1orBreak2: return 2;
        case bmBreak1andBreak2: return 3;
        case bmBreak1nachBreak2: return 4;
        case bmBreak2nachBreak1: return 5;
        case bmKeinBreak: return 7;
        case bmHllSingleStep: return 6;
        default: return 0;  // bmBreak1, bmLogicProbes, bmTraceOverflow
    }
}

// A name of the cleared range that a cut end is named after: an expression
// the validator resolves again. A whole-object name has no such form.
std::string cutName(const std::string& name, const char* step) {
    if (name.empty() || name.front() == '\0') return {};
    return "(" + name + step + ")";
}

}  // namespace

std::string_view SelectModeName(int mode) {
    static constexpr std::string_view names[6] = {"OPCODE", "LINE NUMBER", "PROGRAM", "READ", "WRITE", "READ+WRITE"};
    return mode >= 0 && mode <= 5 ? names[mode] : std::string_view();
}

// ---------------------------------------------------------------- construction

TSelectTabelle::TSelectTabelle(const TSelectWiring& w)
    : emulator_(w.emulator),
      banking_(w.banking),
      spaces_(w.spaces),
      memory_(w.memory),
      options_(w.options),
      notifier_(w.notifier),
      trace_(w.trace),
      lines_(w.lines),
      symbols_(w.symbols),
      disassembler_(w.disassembler),
      programCounter_(w.programCounter) {
    context_.spaces = &spaces_;
    context_.banking = &banking_;
    context_.options = w.optionsInfo;
    validator_ = std::make_unique<TVokWinValidator>(w.symbols, w.lines, w.registers, w.trace, context_);
    validator_->SetTrennung(trennung_);
    for (int k = FirstKind; k <= LastKind; ++k)
        lists_[static_cast<std::size_t>(k - FirstKind)] = std::make_unique<TSelectList>(static_cast<std::uint8_t>(k));
    initialSettings();
}

void TSelectTabelle::initialSettings() {
    // The images a start puts onto the board: every data value breaks,
    // program emulated and external data on the target.
    breakData_.fill(0xFF);
    map_.fill(2);
    modes_.fill(select_mode::ReadWrite);
    for (int k = 10; k <= 14; ++k) storeSelectMode(k, select_mode::Opcode);
    storeSelectMode(select_kind::Filter2, select_mode::Read);
    storeSelectMode(select_kind::Filter3, select_mode::Write);
    registers_[4] = static_cast<std::uint8_t>((registers_[4] & ~7) | breakModeCode(breakMode_));
    computeCounterRegisters();
    ComputeControlBytes();
    SetTriggerCounter(0);
}

void TSelectTabelle::ResetForNewSession() {
    // Nothing is sent: the start that follows rebuilds the qualifier memory
    // from these lists and writes every image.
    temporary_ = TemporaryBreak{};
    for (auto& l : lists_) {
        l->Clear();
        l->SetChanged(false);
    }
    logicProbes_.fill(0);
    logicProbeText_.clear();
    registers_.fill(0);
    savedChannel1Mode_ = select_mode::Opcode;
    endTrigger_ = startTrigger_ = 3;
    filterSwitch_ = false;
    limits_ = {0xFFFFFF, 255, 255, 0};
    counters_ = {1, 1, 1};
    breakMode_ = bmBreak1;
    timeBase_ = 0;
    timeBaseChanged_ = false;
    lineStepBreakMode_ = bmBreak1;
    lineStepProbeText_.clear();
    initialSettings();
    registersDirty_ = counterDirty_ = breakDataDirty_ = mapDirty_ = logicProbesDirty_ = true;
}

TSelectTabelle::~TSelectTabelle() = default;

void TSelectTabelle::checkKind(int kind) {
    if (kind < FirstKind || kind > LastKind) accessDenied();
}

TSelectList& TSelectTabelle::list(int kind) {
    checkKind(kind);
    return *lists_[static_cast<std::size_t>(kind - FirstKind)];
}

TSelectList& TSelectTabelle::GetList(int kind) { return list(kind); }

const TSelectList& TSelectTabelle::GetList(int kind) const {
    checkKind(kind);
    return *lists_[static_cast<std::size_t>(kind - FirstKind)];
}

std::uint8_t TSelectTabelle::ChannelBit(int kind) {
    const SelectKindInfo* row = SelectKindRow(kind);
    return row != nullptr ? row->channelBit : 0;
}

int TSelectTabelle::ChannelIndex(int kind) {
    const SelectKindInfo* row = SelectKindRow(kind);
    return row != nullptr ? row->channelIndex : -1;
}

int TSelectTabelle::modeChannel(int kind) {
    const SelectKindInfo* row = SelectKindRow(kind);
    if (row == nullptr) return -1;
    const bool moded = row->role == SelectRole::Break || row->role == SelectRole::Trace || row->role == SelectRole::BreakData;
    return moded ? row->channel : -1;
}

bool TSelectTabelle::codeMode(int kind) const { return GetSelectMode(kind) <= select_mode::Program; }

SpaceKind TSelectTabelle::spaceOf(int kind) const {
    const SelectKindInfo* row = SelectKindRow(kind);
    switch (row != nullptr ? row->space : SelectSpace::Program) {
        case SelectSpace::ByMode: return codeMode(kind) ? SpaceKind::Program : SpaceKind::ExtData;
        case SelectSpace::IntData: return SpaceKind::IntData;
        case SelectSpace::ExtData: return SpaceKind::ExtData;
        case SelectSpace::Program: break;
    }
    return SpaceKind::Program;
}

// The memory space's own address check, raised as a select error.
void TSelectTabelle::checkSpaceAddress(SpaceKind space, const TBankAdresse& address) const {
    if (memory_ != nullptr) {
        try {
            memory_->Space(space).CheckAdresse(address);
        } catch (const EVokWinAddressError& e) {
            throw ESelectError(e.what());
        }
        return;
    }
    const TBankAdresse min = spaces_.minAddress(space);
    const TBankAdresse max = spaces_.maxAddress(space);
    TBankAdresse a = address;
    if (a.allBanks) {
        if (!max.banked) throw ESelectError(std::string(LoadStr(kMsgNoCommonBank)));
        a.bank = max.bank;
    }
    const bool bankOutside = a.banked && max.banked && (a.bank > max.bank || (min.banked && a.bank < min.bank));
    if (!bankOutside && a.offset >= min.offset && a.offset <= max.offset) return;
    if (a.banked) throw ESelectError(FmtLoadStr(kMsgBankedAddress, a.bank, a.offset));
    throw ESelectError(FmtLoadStr(kMsgAddress, a.offset));
}

std::unique_ptr<TSelectItem> TSelectTabelle::wholeSpaceItem(SpaceKind space) const {
    auto item = std::make_unique<TSelectItem>();
    item->flag = true;
    item->start = spaces_.minAddress(space);
    item->end = spaces_.maxAddress(space);
    return item;
}

// ---------------------------------------------------------------- texts

std::string TSelectTabelle::addressText(const TBankAdresse& a, int kind) const {
    if (HasSelectRole(kind, SelectRole::BreakData)) return Format("%.2X", a.offset & 0xFF);
    return BankAdresseToStr(a, &banking_);
}

std::string TSelectTabelle::ItemText(const TSelectItem& item, int kind) const {
    std::string text = item.named && !item.name1.empty() ? item.name1 : addressText(item.start, kind);
    if (item.named && !item.name2.empty()) {
        text += trennung_ + item.name2;
    } else if (item.start != item.end) {
        text += trennung_ + addressText(item.end, kind);
    }
    return text;
}

std::string TSelectTabelle::GetItemText(int kind) const {
    std::string text;
    for (const auto& item : GetList(kind)) {
        if (!text.empty()) text += ';';
        text += ItemText(*item, kind);
    }
    return text;
}

std::string TSelectTabelle::GetItemTextPlain(int kind) const {
    std::string text = GetItemText(kind);
    std::erase(text, '\0');
    return text;
}

void TSelectTabelle::GetItems(int kind, std::vector<std::string>& lines) const {
    lines.clear();
    for (const auto& item : GetList(kind)) lines.push_back(ItemText(*item, kind));
}

void TSelectTabelle::SetTrennung(std::string separator) {
    trennung_ = std::move(separator);
    validator_->SetTrennung(trennung_);
}

void TSelectTabelle::setUpValidator(int kind) {
    const SelectKindInfo& row = *SelectKindRow(kind);
    std::uint16_t classes = kClassesTraceCode;
    switch (row.classes) {
        case SelectClasses::ByBreakMode: {
            const int mode = GetSelectMode(kind);
            classes = mode == select_mode::LineNumber ? kClassesLine
                      : mode <= select_mode::Program  ? kClassesCode
                                                      : kClassesData;
            break;
        }
        case SelectClasses::ByTraceMode: classes = codeMode(kind) ? kClassesTraceCode : kClassesData; break;
        case SelectClasses::Line: classes = kClassesLine; break;
        case SelectClasses::DataBus: classes = kClassesDataBus; break;
        case SelectClasses::TraceCode: classes = kClassesTraceCode; break;
        case SelectClasses::Data: classes = kClassesData; break;
    }
    validator_->SetKonvertierung(TVokWinKonvertierung::vwkString2BankAdresse);
    validator_->SetZugelassen(vwzBereich | vwzSymbole);
    validator_->SetGanzeGroesse(row.wholeObject);
    validator_->SetSymbolKlassen(classes);
}

std::unique_ptr<TSelectItem> TSelectTabelle::TextToItem(std::string_view text, int kind) {
    checkKind(kind);
    if (kind == select_kind::ProgramMap) banking_.CheckNoBanking();
    if (kind == select_kind::ExtDataMap) CheckExtDataMapping();
    setUpValidator(kind);
    validator_->Konvertieren(text);
    TBankAdresse from = validator_->OutAdresse(TVokWinValidator::kVon);
    TBankAdresse to = validator_->OutAdresse(TVokWinValidator::kBis);
    const SpaceKind space = spaceOf(kind);
    checkSpaceAddress(space, from);
    checkSpaceAddress(space, to);
    SortBankAdressen(from, to);
    auto item = std::make_unique<TSelectItem>();
    item->start = from;
    item->end = to;
    const int fromClass = validator_->OutKlasse(TVokWinValidator::kVon);
    const int toClass = validator_->OutKlasse(TVokWinValidator::kBis);
    const std::string& toText = validator_->OutText(TVokWinValidator::kBis);
    if (fromClass >= 0) {
        item->name1 = validator_->OutText(TVokWinValidator::kVon);
        if (toClass >= 0) {
            item->name2 = toText;
        } else if (toText.empty() && validator_->GanzeGroesse() && fromClass == 0) {
            item->name2 = std::string(1, '\0') + item->name1;
        }
        item->symbolClass = static_cast<std::uint8_t>(fromClass);
        item->named = true;
    } else if (toClass >= 0) {
        item->name2 = toText;
        item->named = true;
    }
    return item;
}

// ---------------------------------------------------------------- set and clear

void TSelectTabelle::applySet(TSelectList& target, std::unique_ptr<TSelectItem> item, bool transmit, bool progress) {
    const int kind = target.Kind();
    if (HasSelectRole(kind, SelectRole::Map)) {
        item->start.offset = static_cast<std::uint16_t>(item->start.offset & ~0x3F);
        item->end.offset = static_cast<std::uint16_t>(item->end.offset | 0x3F);
    }
    const std::int32_t low = target.FindContaining(item->start, false);
    const std::int32_t high = target.FindContaining(item->end, true);
    if (low >= 0 && low == high) throw ESelectError(std::string(LoadStr(kMsgRangeSet)));
    if (low >= 0) {
        item->start = target[low].start;
        item->name1 = target[low].name1;
    }
    if (high >= 0) {
        item->end = target[high].end;
        item->name2 = target[high].name2;
    }
    item->flag = true;
    target.DeleteOverlapping(item->start, item->end);
    const std::int32_t at = target.InsertSorted(std::move(item));
    if (transmit) TransmitSelectItem(target[at], kind, true, progress);
    target.Merge();
    target.SetChanged(true);
}

bool TSelectTabelle::applyClear(TSelectList& target, const TSelectItem& request, bool transmit, bool progress) {
    const int kind = target.Kind();
    TSelectItem range = request;
    range.flag = false;
    if (HasSelectRole(kind, SelectRole::Map)) {
        range.start.offset = static_cast<std::uint16_t>(range.start.offset & ~0x3F);
        range.end.offset = static_cast<std::uint16_t>(range.end.offset | 0x3F);
    }
    if (target.FindOverlap(range.start, range.end) < 0) return false;
    if (transmit) TransmitSelectItem(range, kind, false, progress);
    const std::uint32_t cs = SelectKey(range.start), ce = SelectKey(range.end);
    const std::string beforeName = range.named ? cutName(range.name1, "-1") : std::string();
    const std::string afterName =
        !range.named ? std::string() : cutName(range.name2.empty() ? range.name1 : range.name2, "+1");
    for (std::int32_t i = target.Count() - 1; i >= 0; --i) {
        TSelectItem& item = target[i];
        if (!SelectOverlaps(item, cs, ce)) continue;
        const std::uint32_t ks = SelectKey(item.start), ke = SelectKey(item.end);
        if (ks >= cs && ke <= ce) {
            target.DeleteItem(i);
            continue;
        }
        // A part that loses its start keeps the end of a whole object as
        // the object's end ("@name").
        const auto cutStart = [&](TSelectItem& part) {
            part.start = stepped(range.end, 1);
            part.name1 = afterName;
            if (!part.name2.empty() && part.name2.front() == '\0') part.name2.front() = '@';
            part.named = part.named && (!part.name1.empty() || !part.name2.empty());
        };
        if (ks < cs && ke > ce) {
            auto after = std::make_unique<TSelectItem>(item);
            cutStart(*after);
            target.Insert(i + 1, std::move(after));
        }
        if (ks < cs) {
            item.end = stepped(range.start, -1);
            item.name2 = beforeName;
            item.named = item.named && (!item.name1.empty() || !item.name2.empty());
        } else {
            cutStart(item);
        }
    }
    target.SetChanged(true);
    return true;
}

void TSelectTabelle::listChanged(int kind) {
    if (!live_) return;
    std::uint8_t code = 0;
    if (HasSelectRole(kind, SelectRole::Break)) code = notify::BreakTablesChanged;
    if (HasSelectRole(kind, SelectRole::Trace)) code = notify::TraceTablesChanged;
    if (HasSelectRole(kind, SelectRole::Map))
        code = spaceOf(kind) == SpaceKind::Program ? notify::ProgramChanged : notify::ExtDataChanged;
    if (code != 0) notifier_.send(code, this);
}

void TSelectTabelle::SetRange(std::string_view text, int kind) {
    auto item = TextToItem(text, kind);
    applySet(list(kind), std::move(item), true, true);
    listChanged(kind);
}

void TSelectTabelle::ClearRange(std::string_view text, int kind) {
    const auto item = TextToItem(text, kind);
    if (applyClear(list(kind), *item, true, true)) listChanged(kind);
}

void TSelectTabelle::DeleteItem(int kind, std::int32_t index) {
    TSelectList& target = list(kind);
    if (index < 0 || index >= target.Count()) return;
    const TSelectItem copy = target[index];
    if (applyClear(target, copy, true, false)) listChanged(kind);
}

bool TSelectTabelle::SetItemText(int kind, std::string_view text) {
    if (text == GetItemText(kind)) return false;
    // Every piece is converted and set on a scratch list first: a piece that
    // is refused (by the conversion or by an earlier piece) changes nothing.
    std::vector<std::unique_ptr<TSelectItem>> items;
    std::size_t from = 0;
    while (from <= text.size()) {
        std::size_t to = text.find(';', from);
        if (to == std::string_view::npos) to = text.size();
        const std::string_view piece = text.substr(from, to - from);
        if (piece.find_first_not_of(" \t") != std::string_view::npos) items.push_back(TextToItem(piece, kind));
        from = to + 1;
    }
    TSelectList scratch(static_cast<std::uint8_t>(kind));
    for (const auto& item : items) applySet(scratch, std::make_unique<TSelectItem>(*item), false, false);

    TSelectList& target = list(kind);
    bool changed = false;
    for (std::int32_t i = target.Count() - 1; i >= 0; --i) {
        if (i >= target.Count()) continue;
        const TSelectItem copy = target[i];
        changed = applyClear(target, copy, true, false) || changed;
    }
    for (auto& item : items) {
        applySet(target, std::move(item), true, false);
        changed = true;
    }
    if (changed) listChanged(kind);
    return changed;
}

void TSelectTabelle::AddAddress(const TBankAdresse& address, bool set) {
    const TBankAdresse a = banking_.NormalizeAddress(address);
    int kind = select_kind::Break1;
    switch (BreakChannelAt(a)) {
        case 1: kind = select_kind::Break1; break;
        case 2: kind = select_kind::Break2; break;
        default:
            kind = breakMode_ == bmBreak2 || breakMode_ == bmBreak2nachBreak1 ? select_kind::Break2 : select_kind::Break1;
    }
    if (!codeMode(kind)) accessDenied();
    const std::string text = BankAdresseToStr(a, &banking_);
    if (set) {
        SetRange(text, kind);
    } else {
        ClearRange(text, kind);
    }
}

int TSelectTabelle::BreakChannelAt(const TBankAdresse& address) const {
    const auto holds = [&](int kind) {
        for (const auto& item : GetList(kind))
            if (BankAdresseInRange(address, item->start, item->end)) return true;
        return false;
    };
    const int m = breakMode_;
    if (codeMode(select_kind::Break1) && (m == bmBreak1 || (m >= bmBreak1orBreak2 && m <= bmBreak2nachBreak1)) && holds(select_kind::Break1)) return 1;
    if (codeMode(select_kind::Break2) && m >= bmBreak2 && m <= bmBreak2nachBreak1 && holds(select_kind::Break2)) return 2;
    return 0;
}

bool TSelectTabelle::ProgramMapped(TBankAdresse start, TBankAdresse end) const {
    for (const auto& item : GetList(select_kind::ProgramMap))
        if (BankAdresseInRange(start, item->start, item->end) && BankAdresseInRange(end, item->start, item->end))
            return true;
    return false;
}

int TSelectTabelle::TraceRangeState(std::int32_t linearStart, std::int32_t linearEnd) const {
    const TBankAdresse start = LinearToBankAdresse(linearStart, &banking_);
    const TBankAdresse end = LinearToBankAdresse(linearEnd, &banking_);
    for (int kind = select_kind::Filter1; kind <= select_kind::Filter3; ++kind) {
        if (!codeMode(kind)) continue;
        const TSelectList& l = GetList(kind);
        const std::int32_t a = l.FindContaining(start, false);
        const std::int32_t b = l.FindContaining(end, true);
        if (a >= 0 && a == b) return 1;
        if (a >= 0 || b >= 0) return 2;
    }
    return 0;
}

void TSelectTabelle::AddTracePair(const TBankAdresse& entry, const TBankAdresse& exit) {
    const SpaceKind space = spaceOf(select_kind::Filter1);
    checkSpaceAddress(space, entry);
    checkSpaceAddress(space, exit);
    const auto pair = [&](const TBankAdresse& from, const TBankAdresse& to, int kind) {
        auto item = std::make_unique<TSelectItem>();
        item->start = from;
        item->end = to;
        SortBankAdressen(item->start, item->end);
        applySet(list(kind), std::move(item), true, false);
        listChanged(kind);
    };
    pair(entry, entry, 14);
    pair(exit, exit, 14);
    pair(entry, exit, 15);
}

bool TSelectTabelle::HighLevelMode() const {
    return lines_ != nullptr && lines_->Count() > 0 && GetSelectMode(select_kind::Filter1) == select_mode::LineNumber;
}

void TSelectTabelle::RefreshTraceCodeMode() {
    const int previous = StoredSelectMode(select_kind::Filter1);
    StoreSelectMode(select_kind::Filter1, 0xFF);
    storeSelectMode(select_kind::Filter1, previous);
    TransmitBreakTraceRegister();
}

// ---------------------------------------------------------------- modes

int TSelectTabelle::GetSelectMode(int kind) const {
    kind = modeChannel(kind);
    if (kind < 0) accessDenied();
    const int mode = StoredSelectMode(kind);
    return mode == select_mode::Channel1Taken ? savedChannel1Mode_ : mode;
}

void TSelectTabelle::SetSelectMode(int kind, int mode) {
    const int channel = modeChannel(kind);
    checkSelectMode(channel, mode);
    // The ranges of a channel lie in the space of its mode: moved between
    // code and data they would stay on the planes of the old space, where
    // neither the list nor a later clear reaches them. They leave board and
    // list; the new space starts empty.
    const bool toCode = mode <= select_mode::Program;
    if (mode <= select_mode::ReadWrite && toCode != codeMode(channel)) dropRanges(channel);
    storeSelectMode(channel, mode);
}

void TSelectTabelle::checkSelectMode(int kind, int mode) const {
    if (kind < 0 || mode < 0 || mode > select_mode::Unused) accessDenied();
    if (mode == select_mode::Channel1Taken && kind != select_kind::Break1) accessDenied();
    if (HasSelectRole(kind, SelectRole::Trace) && mode >= select_mode::Channel1Taken) accessDenied();
    if (kind == select_kind::Filter1 && mode >= select_mode::Read) accessDenied();
}

void TSelectTabelle::dropRanges(int kind) {
    TSelectList& target = list(kind);
    if (target.Empty()) return;
    clearBoardSpace(kind);
    target.Clear();
    target.SetChanged(true);
    listChanged(kind);
}

void TSelectTabelle::storeSelectMode(int kind, int mode) {
    checkSelectMode(kind, mode);
    if (kind == select_kind::Break1 && BreakModeTakesChannel1(breakMode_) && mode != select_mode::Channel1Taken) {
        if (mode != select_mode::Unused) savedChannel1Mode_ = static_cast<std::uint8_t>(mode);
        return;
    }
    const auto before = registers_;
    const int old = StoredSelectMode(kind);
    if (HasSelectRole(kind, SelectRole::Break)) {
        auto& r = registers_[static_cast<std::size_t>(ChannelIndex(kind))];
        r = static_cast<std::uint8_t>((r & ~7) | cycleCode(mode));
    } else if (mode >= select_mode::Read) {
        if (kind == select_kind::Filter2) {
            static constexpr std::uint8_t bits[3] = {0x02, 0x01, 0x03};
            registers_[11] = static_cast<std::uint8_t>((registers_[11] & ~0x03) | bits[mode - 3]);
        } else {
            static constexpr std::uint8_t bits[3] = {0x20, 0x10, 0x30};
            registers_[11] = static_cast<std::uint8_t>((registers_[11] & ~0x30) | bits[mode - 3]);
        }
    } else {
        static constexpr std::uint8_t codes[3] = {1, 2, 0};
        const bool system = trace_ != nullptr && trace_->systemMode();
        registers_[12] = static_cast<std::uint8_t>((registers_[12] & ~0x03) | (system ? 3 : codes[mode]));
        if (kind != select_kind::Filter1) {
            registers_[11] = static_cast<std::uint8_t>(registers_[11] & (kind == select_kind::Filter2 ? ~0x03 : ~0x30));
            StoreSelectMode(select_kind::Filter1, mode);
        }
    }
    if (kind == select_kind::Break1 && mode == select_mode::Channel1Taken && old != select_mode::Channel1Taken)
        savedChannel1Mode_ = static_cast<std::uint8_t>(old);
    if (mode != select_mode::Unused) StoreSelectMode(kind, mode);
    if (registers_ != before || old != StoredSelectMode(kind)) registersDirty_ = true;
}

void TSelectTabelle::SetBreakMode(int mode) {
    if (mode < bmBreak1 || mode > bmHllSingleStep) accessDenied();
    if (mode == breakMode_) return;
    const TBreakMode old = breakMode_;
    if (old == bmLogicProbes) {
        logicProbeText_.clear();
        logicProbesDirty_ = true;
    }
    breakMode_ = static_cast<TBreakMode>(mode);
    registers_[4] = static_cast<std::uint8_t>((registers_[4] & ~7) | breakModeCode(mode));
    registersDirty_ = true;
    if (BreakModeTakesChannel1(mode) && !BreakModeTakesChannel1(old)) SetSelectMode(select_kind::Break1, select_mode::Channel1Taken);
    if (!BreakModeTakesChannel1(mode) && BreakModeTakesChannel1(old)) SetSelectMode(select_kind::Break1, savedChannel1Mode_);
    if (BreakModeTakesChannel1(mode)) SetTriggerBit(true);
    if (live_) notifier_.send(notify::BreakTablesChanged, this);
}

void TSelectTabelle::SaveBreakMode() {
    lineStepBreakMode_ = breakMode_;
    // Leaving the logic-probe mode clears the pattern; a line step only
    // borrows the break logic, so the user's pattern comes back with it.
    lineStepProbeText_ = logicProbeText_;
    SetBreakMode(bmHllSingleStep);
    TransmitBreakTraceRegister();
}

void TSelectTabelle::RestoreBreakMode() {
    SetBreakMode(lineStepBreakMode_);
    if (breakMode_ == bmLogicProbes && logicProbeText_ != lineStepProbeText_) {
        logicProbeText_ = lineStepProbeText_;
        logicProbesDirty_ = true;
    }
}

// ---------------------------------------------------------------- counters

std::int32_t TSelectTabelle::GetSelectValue(int kind) const {
    if (kind >= select_kind::Break1 && kind <= select_kind::Break2) return counters_[static_cast<std::size_t>(kind - select_kind::Break1)];
    if (kind == select_kind::Clear2) return 1;
    accessDenied();
}

std::int32_t TSelectTabelle::CounterLimit(int kind) const {
    if (!HasSelectRole(kind, SelectRole::Break)) accessDenied();
    return limits_[static_cast<std::size_t>(kind - select_kind::Break1)];
}

void TSelectTabelle::ApplyCounterLimits(int kind, std::int32_t value) {
    if (kind < select_kind::Break1 || kind > select_kind::Break2) accessDenied();
    if (value < 1 || value > limits_[static_cast<std::size_t>(kind - select_kind::Break1)]) valueNotValid("Break counter");
    counters_[static_cast<std::size_t>(kind - select_kind::Break1)] = value;
    switch (kind) {
        case 10:
            limits_[1] = value < 65536 ? 255 : 0;
            limits_[2] = value < 256 ? 255 : 0;
            break;
        case 11:
            if (limits_[0] >= 256) limits_[0] = value > 1 ? 65535 : 0xFFFFFF;
            break;
        default:
            limits_[0] = value > 1 ? 255 : counters_[1] == 1 ? 0xFFFFFF : 65535;
            break;
    }
}

void TSelectTabelle::SetCounter(int kind, std::int32_t value) {
    if (kind < select_kind::Break1 || kind > select_kind::Break2) accessDenied();
    if (counters_[static_cast<std::size_t>(kind - select_kind::Break1)] == value) return;
    ApplyCounterLimits(kind, value);
    computeCounterRegisters();
    registersDirty_ = true;
}

void TSelectTabelle::computeCounterRegisters() {
    const auto c10 = static_cast<std::uint32_t>(counters_[0]);
    const std::uint32_t t10 = (0x1000000u - c10) & 0xFFFFFF;
    const int chain = c10 < 256 ? 0 : c10 < 65536 ? 1 : 3;
    registers_[8] = static_cast<std::uint8_t>((registers_[8] & ~3) | chain);
    registers_[9] = static_cast<std::uint8_t>(t10);
    const auto c11 = static_cast<std::uint32_t>(counters_[1]), c12 = static_cast<std::uint32_t>(counters_[2]);
    registers_[10] = static_cast<std::uint8_t>(chain == 0 ? 0x100u - c12 : t10 >> 8);
    registers_[7] = static_cast<std::uint8_t>(chain == 3 ? t10 >> 16 : 0x100u - c11);
    registers_[5] = registers_[9];
    registers_[6] = registers_[10];
}

void TSelectTabelle::SetTriggerCounter(std::uint32_t count) {
    const std::uint32_t stored = 0xFFFFFF - (count & 0xFFFFFF);
    for (std::size_t i = 0; i < 3; ++i) triggerCounter_[i] = static_cast<std::uint8_t>(stored >> (8 * i));
    counterDirty_ = true;
}

std::uint32_t TSelectTabelle::GetTriggerCounter() const {
    const std::uint32_t stored = triggerCounter_[0] | (triggerCounter_[1] << 8) | (triggerCounter_[2] << 16);
    return 0xFFFFFF - stored;
}

// ---------------------------------------------------------------- triggers

bool TSelectTabelle::GetTriggerBit() const { return (registers_[4] & 0x20) != 0; }

void TSelectTabelle::DropDisallowedTriggers(bool triggerBit) {
    for (std::uint8_t* source : {&endTrigger_, &startTrigger_})
        if ((*source == 0 && triggerBit) || (*source == 2 && !triggerBit)) *source = 3;
}

void TSelectTabelle::SetTriggerBit(bool on) {
    if (!on && BreakModeTakesChannel1(breakMode_)) throw ESelectError(std::string(LoadStr(kMsgTriggerA)));
    registers_[4] = static_cast<std::uint8_t>(on ? registers_[4] | 0x20 : registers_[4] & ~0x20);
    registersDirty_ = true;
    DropDisallowedTriggers(on);
    ComputeControlBytes();
}

void TSelectTabelle::SetTrigger(int which, int source) {
    if ((which != 0 && which != 1) || source < 0 || source > 3) accessDenied();
    const bool triggerBit = GetTriggerBit();
    if ((source == 0 && triggerBit) || (source == 2 && !triggerBit)) valueNotValid("Trace trigger");
    if (source == 0 && BreakModeTakesChannel1(breakMode_)) throw ESelectError(std::string(LoadStr(kMsgTriggerA)));
    // One source serves one trigger; "off" is no source.
    if (source != 3 && which == 1 && source == endTrigger_) {
        endTrigger_ = 3;
        Beep();
    }
    if (source != 3 && which == 0 && source == startTrigger_) {
        Beep();
        return;
    }
    (which == 0 ? endTrigger_ : startTrigger_) = static_cast<std::uint8_t>(source);
    ComputeControlBytes();
}

void TSelectTabelle::SetFilterSwitch(bool on) {
    filterSwitch_ = on;
    ComputeControlBytes();
}

void TSelectTabelle::ComputeControlBytes() {
    const int e = endTrigger_, s = startTrigger_;
    const bool triggerBit = GetTriggerBit();
    const bool anyOn = e != 3 || s != 3;
    auto r11 = static_cast<std::uint8_t>(registers_[11] & 0x33);
    auto r12 = static_cast<std::uint8_t>(registers_[12] & 0x03);
    if (anyOn) r12 |= 0x80;
    if (s == 3) r12 |= 0x70;
    if (filterSwitch_ && e == 3) r12 |= 0x40;
    if (s == 0 || (s == 1 && triggerBit)) {
        r12 |= 0x04;
        r11 |= 0x44;
    }
    if (s == 2 || (s == 1 && !triggerBit)) {
        r12 |= 0x08;
        r11 |= 0x88;
    }
    registers_[11] = r11;
    registers_[12] = r12;
    const auto setCode = [this](int kind, int code) {
        auto& r = registers_[static_cast<std::size_t>(ChannelIndex(kind))];
        r = static_cast<std::uint8_t>((r & ~7) | code);
    };
    for (int kind : {select_kind::Break1, select_kind::Clear1, select_kind::Clear2}) setCode(kind, cycleCode(StoredSelectMode(kind)));
    if (anyOn) {
        // Trigger inputs that no trigger uses are switched off.
        const std::pair<int, int> inputs[2] = {triggerBit ? std::pair{11, 1} : std::pair{10, 0},
                                               triggerBit ? std::pair{13, 2} : std::pair{11, 1}};
        for (const auto& [kind, source] : inputs)
            if (e != source && s != source) setCode(kind, 7);
    }
    auto r4 = static_cast<std::uint8_t>(registers_[4] & ~0x18);
    if (e != 1 && s != 1) r4 |= 0x08;
    if (e != 2 && s != 2) r4 |= 0x10;
    registers_[4] = r4;
    registersDirty_ = true;
}

// ---------------------------------------------------------------- time base, overflow, logic probes

int TSelectTabelle::GetTimeBase() const { return timeBase_; }

void TSelectTabelle::SetTimeBase(int timeBase) {
    if (timeBase < 0 || timeBase > 2) valueNotValid("Time base");
    timeBase_ = static_cast<std::uint8_t>(timeBase);
    if (trace_ != nullptr && trace_->timeBase() != timeBase) timeBaseChanged_ = true;
}

std::string TSelectTabelle::GetOverflowText() const {
    if (breakMode_ != bmTraceOverflow || trace_ == nullptr) return {};
    return std::to_string(trace_->overflowCounter());
}

void TSelectTabelle::SetOverflowText(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    const std::string_view digits = first == std::string_view::npos ? text : text.substr(first, last - first + 1);
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        throw ETraceError(FmtLoadStr(kMsgValueNotValid, "Trace counter"));
    if (trace_ != nullptr) trace_->setOverflowCounter(value);
}

void TSelectTabelle::SetLogicProbeText(std::string_view text) {
    validator_->SetKonvertierung(TVokWinKonvertierung::vwkString2LogicProbe);
    validator_->Konvertieren(text);
    const std::string& pattern = validator_->OutLogicProbe();
    if (pattern == logicProbeText_) return;
    logicProbeText_ = pattern;
    logicProbesDirty_ = true;
    TransmitLogicProbes();
}

std::string TSelectTabelle::GetLogicProbeText() const {
    return breakMode_ == bmLogicProbes ? logicProbeText_ : std::string();
}

void TSelectTabelle::buildLogicProbeImage() {
    logicProbes_.fill(0);
    if (logicProbeText_.empty()) return;
    std::string t = logicProbeText_;
    if (t.size() < 12) t.insert(0, 12 - t.size(), 'X');
    const auto match = [](char c, int value) { return c == 'X' || (c == '1') == (value != 0); };
    std::uint8_t first = 0;
    for (int k = 0; k < 8; ++k)
        if (match(t[9], (k >> 2) & 1) && match(t[10], (k >> 1) & 1) && match(t[11], k & 1))
            first = static_cast<std::uint8_t>(first | (1 << k));
    logicProbes_[0] = first;
    // Characters 9 down to 1 select the bits of the byte index, 9 bit 0.
    std::size_t block = 1;
    for (int c = 8; c >= 0; --c, block *= 2) {
        for (std::size_t i = 0; i < block; ++i) {
            std::uint8_t& lower = logicProbes_[i];
            std::uint8_t& upper = logicProbes_[block + i];
            switch (t[static_cast<std::size_t>(c)]) {
                case '1': upper = lower; lower = 0; break;
                case 'X': upper = lower; break;
                default: upper = 0; break;
            }
        }
    }
    // The bank lines share the top inputs.
    const int mode = banking_.bankingMode();
    if (mode == 1) std::copy_n(logicProbes_.begin(), 256, logicProbes_.begin() + 256);
    if (mode >= 2 && mode <= 4)
        for (std::size_t i = 1; i < 8; ++i) std::copy_n(logicProbes_.begin(), 64, logicProbes_.begin() + 64 * i);
}

void TSelectTabelle::SetBreakOnReturn(bool on) {
    for (auto& b : breakData_) b = static_cast<std::uint8_t>(b & ~0x20);
    if (on) {
        breakData_[0x22] |= 0x20;  // RET
        breakData_[0x32] |= 0x20;  // RETI
    } else {
        for (auto& b : breakData_) b |= 0x20;
    }
    breakDataDirty_ = true;
}

// ---------------------------------------------------------------- defaults and maps

void TSelectTabelle::SetDefaults() {
    SetBreakMode(bmBreak1);
    for (int kind = select_kind::Break1; kind <= select_kind::Break2; ++kind) SetCounter(kind, 1);
    for (int kind = select_kind::Break1; kind <= select_kind::Clear2; ++kind) SetSelectMode(kind, select_mode::Opcode);
    for (int kind = select_kind::Break1; kind <= select_kind::Clear2; ++kind) {
        bool cleared = applyClear(list(kind), *wholeSpaceItem(SpaceKind::Program), true, false);
        if (spaces_.maxAddress(SpaceKind::Program).banked) {
            TSelectItem all;
            all.start = AllBanksAdresse(spaces_.minAddress(SpaceKind::Program).offset);
            all.end = AllBanksAdresse(spaces_.maxAddress(SpaceKind::Program).offset);
            cleared = applyClear(list(kind), all, true, false) || cleared;
        }
        if (cleared) listChanged(kind);
    }
    for (int kind = select_kind::Break1Data; kind <= select_kind::Clear2Data; ++kind) {
        auto all = std::make_unique<TSelectItem>();
        all->start = UnbankedAdresse(0x00);
        all->end = UnbankedAdresse(0xFF);
        TSelectList& target = list(kind);
        const std::int32_t at = target.FindContaining(all->start, false);
        if (at >= 0 && at == target.FindContaining(all->end, true)) continue;
        applySet(target, std::move(all), true, false);
    }
    logicProbeText_.clear();
    logicProbesDirty_ = true;
    TransmitBreakTraceRegister();
}

void TSelectTabelle::SetMapDefaults() {
    TSelectList& program = list(select_kind::ProgramMap);
    auto whole = wholeSpaceItem(SpaceKind::Program);
    const std::int32_t at = program.FindContaining(whole->start, false);
    if (at < 0 || at != program.FindContaining(whole->end, true)) {
        applySet(program, std::move(whole), true, false);
        listChanged(select_kind::ProgramMap);
    }
    if (applyClear(list(select_kind::ExtDataMap), *wholeSpaceItem(SpaceKind::ExtData), true, false)) listChanged(select_kind::ExtDataMap);
}

void TSelectTabelle::ResetExtDataMap() {
    if (GetList(select_kind::ExtDataMap).Empty()) return;
    InformationBox(FmtResStr(rs::NoMappingOfExtData, options_.podName()) + " Clearing map addresses",
                   platform::mb::IconInformation);
    if (applyClear(list(select_kind::ExtDataMap), *wholeSpaceItem(SpaceKind::ExtData), true, false)) listChanged(select_kind::ExtDataMap);
}

void TSelectTabelle::CheckExtDataMapping() const {
    const int pod = options_.podKennung();
    if ((pod == 0 || pod == 11) && !options_.systemMode())
        throw ESelectError(FmtResStr(rs::NoMappingOfExtData, options_.podName()));
}

// ---------------------------------------------------------------- notifications

void TSelectTabelle::Notify(std::uint8_t code, const void* data) {
    switch (code) {
        case notify::SymbolFileFound:
        case notify::ProgramLoaded:
            // Named ranges follow the table that reports new content (both
            // when the sender is neither).
            validator_->Notify(code);
            if (data != static_cast<const void*>(lines_)) ResolveSymbolItems();
            if (data != static_cast<const void*>(symbols_)) ResolveLineItems();
            break;
        case notify::TablesCleared: validator_->Notify(code); break;
        case notify::TargetReset:
            if (breakMode_ == bmLogicProbes) {
                logicProbesDirty_ = true;
                TransmitLogicProbes();
            }
            break;
        case notify::BankingChanged:
            ResetLists();
            RebuildImages();
            breakData_.fill(0xFF);
            breakDataDirty_ = true;
            TransmitBreakData();
            map_.fill(2);
            mapDirty_ = true;
            TransmitMapData();
            break;
        case notify::ProcessorChanged: TransmitBreakTraceRegister(); break;
        case notify::BankedAreaChanged: NormalizeRanges(); break;
        default: break;
    }
}

void TSelectTabelle::CopySettingsFrom(const TSelectTabelle& source) {
    for (int kind = FirstKind; kind <= LastKind; ++kind) {
        list(kind).CopyFrom(source.GetList(kind));
        list(kind).SetChanged(source.GetList(kind).Changed());
    }
    counters_ = source.counters_;
    limits_ = source.limits_;
    modes_ = source.modes_;
    savedChannel1Mode_ = source.savedChannel1Mode_;
    breakMode_ = source.breakMode_;
    logicProbeText_ = source.logicProbeText_;
    triggerCounter_ = source.triggerCounter_;
    filterSwitch_ = source.filterSwitch_;
    endTrigger_ = source.endTrigger_;
    startTrigger_ = source.startTrigger_;
    registers_ = source.registers_;
}

}  // namespace tarvex
