#include "emulator/debug/performance.hpp"

#include <algorithm>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/messages.hpp"
#include "core/value_stream.hpp"
#include "emulator/debug/run_control.hpp"
#include "emulator/debug/trace_board.hpp"
#include "emulator/validator.hpp"
#include "platform/ui.hpp"

namespace tarvex {

namespace {
constexpr int MsgOverflow = 171, MsgUndefined = 172, MsgNoRange = 174, MsgNoStart = 175, MsgWithoutEnd = 209;
constexpr std::uint8_t OpRet = 0x22, OpReti = 0x32;
constexpr int KindTraceAddress = 14, KindTraceRange = 15, KindTraceData = 16;

void writeItem(ValueWriter& w, const TPerformanceItem& item) {
    w.WriteString(item.RangeText);
    WriteBankAdresse(w, item.EntryAddress);
    WriteBankAdresse(w, item.ExitAddress);
    w.WriteString(item.Name);
    w.WriteExtended(item.Percent);
    for (std::uint32_t v : {item.MaxTime, item.MinTime, item.NetTime, item.TotalTime, item.Count})
        w.WriteInteger(static_cast<std::int32_t>(v));
}

std::uint32_t clampedDifference(std::int64_t v) { return v < 0 ? 0 : static_cast<std::uint32_t>(v); }
}  // namespace

// ---------------------------------------------------------------- trace adapter

std::uint32_t TTracePerformance::frameCount() { return trace_.FrameCount(); }
TPerformanceFrame TTracePerformance::frame(std::uint32_t i) {
    const TTraceFrame& f = trace_.GetFrame(i);
    return {trace_.GetAddress(f), f.Data, f.CycleKind(), f.TimeStamp};
}
std::uint32_t TTracePerformance::currentTimeStamp() { return trace_.CurrentTimeStamp(); }
int TTracePerformance::timeBase() const { return trace_.GetTimeBase(); }
int TTracePerformance::capacity() const { return static_cast<int>(trace_.Capacity()); }
int TTracePerformance::overflowCounter() const { return trace_.OverflowCounter(); }
void TTracePerformance::setOverflowCounter(int count) { trace_.SetOverflowCounter(count); }
void TTracePerformance::setTraceModus(int modus) { trace_.SetTraceModus(modus); }
std::string TTracePerformance::timeText(std::uint32_t value) const { return trace_.TimeText(value); }

// ---------------------------------------------------------------- items

void TPerformanceItem::SetBereich(std::string_view text, TVokWinValidator& validator) {
    Resolved = false;
    validator.Konvertieren(text);
    EntryAddress = validator.OutAdresse(TVokWinValidator::kVon);
    ExitAddress = validator.OutAdresse(TVokWinValidator::kBis);
    Resolved = true;
    RangeText = std::string(text);
}

std::string TPerformanceItem::GetWert(int column, const IPerformanceTrace* trace) const {
    std::uint32_t v = 0;
    switch (column) {
    case 0: v = TotalTime; break;
    case 1: v = MaxTime; break;
    case 2: v = MinTime; break;
    case 3: v = Count == 0 ? 0 : TotalTime / Count; break;
    case 4: v = NetTime; break;
    default: return {};
    }
    return trace != nullptr ? trace->timeText(v) : TBasisTracePlatine::TimeText(v, 0);
}

std::string TPerformanceItem::GetFloatText() const { return FixedText(Percent, 2); }

void TPerformanceItem::AddCall(std::uint32_t dt) {
    ++Count;
    TotalTime += dt;
    MinTime = std::min(MinTime, dt);
    MaxTime = std::max(MaxTime, dt);
}

std::string TPerformanceList::GetZeitText(const IPerformanceTrace* trace) const {
    return trace != nullptr ? trace->timeText(RunTime) : TBasisTracePlatine::TimeText(RunTime, 0);
}

TPerformanceItem* TPerformanceList::Find(std::string_view name) const {
    for (const auto& i : Items)
        if (i->Name == name) return i.get();
    return nullptr;
}

// ---------------------------------------------------------------- component

TPerformance::TPerformance(std::unique_ptr<TVokWinValidator> validator, const TPerformanceWiring& wiring)
    : validator_(std::move(validator)), wiring_(wiring) {
    if (validator_ != nullptr) validator_->SetGanzeGroesse(true);
}

TPerformance::~TPerformance() = default;

void TPerformance::resolveAll(bool raise) {
    bool raised = false;
    for (auto& item : definitionen_.Items) {
        if (item->Resolved || validator_ == nullptr) continue;
        // A range named by a symbol not loaded yet stays unresolved until
        // the symbols arrive; only the user's switching on reports it.
        try {
            item->SetBereich(item->RangeText, *validator_);
        } catch (const EVokWinError&) {
            if (raise && !raised) {
                raised = true;
                rebuildIndex();
                throw;
            }
        }
    }
    rebuildIndex();
}

void TPerformance::rebuildIndex() {
    index_.clear();
    for (auto& item : definitionen_.Items)
        if (item->Resolved) index_.push_back(item.get());
    std::stable_sort(index_.begin(), index_.end(), [](const TPerformanceItem* a, const TPerformanceItem* b) {
        return CompareBankAdresse(a->EntryAddress, b->EntryAddress) < 0;
    });
}

TPerformanceItem* TPerformance::FindItem(const TBankAdresse& address, int& kind) const {
    for (TPerformanceItem* item : index_) {
        const int entry = CompareBankAdresse(address, item->EntryAddress);
        if (entry < 0) return nullptr;
        if (entry == 0) {
            kind = 0;
            return item;
        }
        const int exit = CompareBankAdresse(address, item->ExitAddress);
        if (exit < 0) {
            kind = 2;
            return item;
        }
        if (exit == 0) {
            kind = 1;
            return item;
        }
    }
    return nullptr;
}

void TPerformance::SetDefinitionen(const TPerformanceList& list) {
    definitionen_.Items.clear();
    for (const auto& item : list.Items) definitionen_.Items.push_back(std::make_unique<TPerformanceItem>(*item));
    resolveAll(false);
    ergebnis_.reset();
    if (active_) transmitRanges();
}

void TPerformance::SetActive(bool on) {
    if (on == active_) return;
    if (on) {
        activate(true);
        return;
    }
    if (IPerformanceTrace* t = wiring_.trace) {
        t->setTraceModus(savedTimeBase_ + 1);
        t->setOverflowCounter(savedOverflowCounter_);
    }
    if (TSelectTabelle* s = wiring_.select) {
        s->SetBreakOnReturn(false);
        // The break mode goes back before the trigger bit: switching the bit
        // off is refused while the overflow still owns channel 1.
        s->SetBreakMode(savedBreakMode_);
        s->SetTriggerBit(savedTriggerBit_);
        for (int kind : {KindTraceAddress, KindTraceRange, KindTraceData}) s->SetItemText(kind, "");
        s->SetSelectMode(KindTraceAddress, savedMode14_);
        s->SetSelectMode(KindTraceRange, savedMode15_);
        s->SetItemText(KindTraceAddress, savedText14_);
        s->SetItemText(KindTraceRange, savedText15_);
        s->SetItemText(KindTraceData, savedText16_);
        s->ComputeControlBytes();
        s->TransmitBreakTraceRegister();
    }
    if (wiring_.debug != nullptr) wiring_.debug->SetClearTimeAtGo(false);
    active_ = false;
}

void TPerformance::activate(bool raise) {
    resolveAll(raise);
    if (IPerformanceTrace* t = wiring_.trace) {
        savedOverflowCounter_ = t->overflowCounter();
        savedTimeBase_ = t->timeBase();
    }
    if (TSelectTabelle* s = wiring_.select) {
        savedBreakMode_ = s->BreakMode();
        savedTriggerBit_ = s->GetTriggerBit();
        savedText14_ = s->GetItemText(KindTraceAddress);
        savedText15_ = s->GetItemText(KindTraceRange);
        savedText16_ = s->GetItemText(KindTraceData);
        savedMode14_ = s->GetSelectMode(KindTraceAddress);
        savedMode15_ = s->GetSelectMode(KindTraceRange);
    }
    applySetup();
    active_ = true;
}

void TPerformance::applySetup() {
    if (IPerformanceTrace* t = wiring_.trace) {
        maxFrames_ = std::clamp<std::uint32_t>(maxFrames_, minFrames_,
                                               static_cast<std::uint32_t>(std::max(t->capacity(), 1)));
        t->setOverflowCounter(static_cast<int>(maxFrames_));
        t->setTraceModus(TraceModus() + 1);
    }
    if (TSelectTabelle* s = wiring_.select) {
        s->SetBreakMode(bmTraceOverflow);
        if (savedMode15_ >= select_mode::Read && savedMode15_ <= select_mode::ReadWrite)
            s->SetItemText(KindTraceRange, "");
        s->SetSelectMode(KindTraceAddress, select_mode::Opcode);
        s->SetItemText(KindTraceRange, "");
        s->SetSelectMode(KindTraceRange, select_mode::Opcode);
    }
    if (wiring_.debug != nullptr) wiring_.debug->SetClearTimeAtGo(true);
    transmitRanges();
}

void TPerformance::transmitRanges() {
    TSelectTabelle* s = wiring_.select;
    if (s == nullptr) return;
    for (int kind : {KindTraceAddress, KindTraceRange, KindTraceData}) s->SetItemText(kind, "");
    for (const auto& item : definitionen_.Items)
        if (item->Resolved) s->AddTracePair(item->EntryAddress, item->ExitAddress);
    s->SetBreakOnReturn(true);
    s->ComputeControlBytes();
    s->TransmitBreakTraceRegister();
}

void TPerformance::SetMaxFrames(std::uint32_t value) {
    const std::uint32_t top = wiring_.trace != nullptr ? static_cast<std::uint32_t>(std::max(wiring_.trace->capacity(), 1))
                                                       : 0x20000u;
    value = std::clamp(value, minFrames_, std::max(top, minFrames_));
    if (value == maxFrames_) return;
    maxFrames_ = value;
    if (active_ && wiring_.trace != nullptr) wiring_.trace->setOverflowCounter(static_cast<int>(value));
}

int TPerformance::TraceModus() {
    if (traceModus_ < 0) traceModus_ = wiring_.trace != nullptr ? wiring_.trace->timeBase() : 0;
    return traceModus_;
}

void TPerformance::SetTraceModus(int value) {
    if (value == traceModus_) return;
    traceModus_ = value;
    if (active_ && wiring_.trace != nullptr) wiring_.trace->setTraceModus(value + 1);
}

void TPerformance::Notify(std::uint8_t code, const void*) {
    switch (code) {
    case notify::SymbolFileFound:
    case notify::ProgramLoaded:
        for (auto& item : definitionen_.Items) item->Resolved = false;
        if (validator_ != nullptr) validator_->Invalidate();
        resolveAll(false);
        break;
    case notify::TargetHalted:
        ergebnis_.reset();
        resultPending_ = active_;
        break;
    case notify::EmulatorState:
        if (active_) applySetup();
        break;
    default: break;
    }
}

// ---------------------------------------------------------------- evaluation

const TPerformanceList& TPerformance::GetErgebnis() {
    if (ergebnis_ != nullptr) return *ergebnis_;
    platform::BusyCursorScope busy(wiring_.cursor);
    auto result = std::make_unique<TPerformanceList>();
    for (const auto& item : definitionen_.Items) result->Items.push_back(std::make_unique<TPerformanceItem>(*item));
    result->Resolved = true;
    walk(*result);
    ergebnis_ = std::move(result);
    resultPending_ = false;
    return *ergebnis_;
}

void TPerformance::walk(TPerformanceList& result) {
    IPerformanceTrace* trace = wiring_.trace;
    result.RunTime = trace != nullptr ? trace->currentTimeStamp() : 0;
    // The lookup over the result's own items, sorted by entry address.
    std::vector<TPerformanceItem*> sorted;
    for (auto& item : result.Items)
        if (item->Resolved) sorted.push_back(item.get());
    std::stable_sort(sorted.begin(), sorted.end(), [](const TPerformanceItem* a, const TPerformanceItem* b) {
        return CompareBankAdresse(a->EntryAddress, b->EntryAddress) < 0;
    });
    auto find = [&](const TBankAdresse& address, int& kind) -> TPerformanceItem* {
        for (TPerformanceItem* item : sorted) {
            const int entry = CompareBankAdresse(address, item->EntryAddress);
            if (entry < 0) return nullptr;
            if (entry == 0) return kind = 0, item;
            const int exit = CompareBankAdresse(address, item->ExitAddress);
            if (exit < 0) return kind = 2, item;
            if (exit == 0) return kind = 1, item;
        }
        return nullptr;
    };
    std::vector<TSchachtel> stack;
    result.FrameCount = trace != nullptr ? trace->frameCount() : 0;
    for (std::uint32_t i = 0; i < result.FrameCount; ++i) {
        const TPerformanceFrame f = trace->frame(i);
        int kind = 0;
        TPerformanceItem* item = find(f.address, kind);
        if (item == nullptr) {
            result.Messages.push_back(
                FmtLoadStr(MsgNoRange, static_cast<int>(i), BankAdresseToStr(f.address, banking())));
            continue;
        }
        if (kind == 0) {
            stack.push_back({item, f.timeStamp, 0});
            continue;
        }
        if (kind == 2) {
            if (f.data != OpRet && f.data != OpReti) {
                result.Messages.push_back(
                    FmtLoadStr(MsgNoRange, static_cast<int>(i), BankAdresseToStr(f.address, banking())));
                continue;
            }
            auto early = std::make_unique<TPerformanceItem>();
            early->RangeText =
                BankAdresseToStr(item->EntryAddress, banking()) + " " + BankAdresseToStr(f.address, banking());
            early->Name = "?RET/RETI? " + item->Name;
            early->EntryAddress = item->EntryAddress;
            early->ExitAddress = f.address;
            early->Resolved = true;
            TPerformanceItem* added = early.get();
            const auto at = std::find_if(result.Items.begin(), result.Items.end(),
                                         [&](const auto& p) { return p.get() == item; });
            result.Items.insert(at, std::move(early));
            sorted.insert(std::find(sorted.begin(), sorted.end(), item), added);
            item = added;
        }
        if (stack.empty()) {
            result.Messages.push_back(
                FmtLoadStr(MsgNoStart, static_cast<int>(i), BankAdresseToStr(item->EntryAddress, banking())));
            continue;
        }
        TSchachtel& top = stack.back();
        const bool sameExit = BankAdresseEqual(top.Item->ExitAddress, f.address);
        if (!sameExit) {
            if (!BankAdresseEqual(top.Item->EntryAddress, item->EntryAddress)) {
                result.Messages.push_back(
                    FmtLoadStr(MsgNoStart, static_cast<int>(i), BankAdresseToStr(item->EntryAddress, banking())));
                continue;
            }
            top.Item = item;
        }
        const std::int64_t dt = static_cast<std::int64_t>(f.timeStamp) - top.StartTime;
        if (dt < 0) throw EPerformanceError(std::string(LoadStr(MsgOverflow)));
        const std::uint32_t d = static_cast<std::uint32_t>(dt);
        if (stack.size() > 1) stack[stack.size() - 2].InnerTime += d;
        TPerformanceItem* range = top.Item;
        range->AddCall(d);
        range->NetTime += clampedDifference(static_cast<std::int64_t>(d) - top.InnerTime);
        stack.pop_back();
    }
    while (!stack.empty()) {
        const TSchachtel top = stack.back();
        stack.pop_back();
        const std::int64_t dt = static_cast<std::int64_t>(result.RunTime) - top.StartTime;
        if (dt < 0) throw EPerformanceError(std::string(LoadStr(MsgOverflow)));
        const std::uint32_t d = static_cast<std::uint32_t>(dt);
        if (!stack.empty()) stack.back().InnerTime += d;
        TPerformanceItem* range = top.Item;
        if (range->Count > 0) {
            auto open = std::make_unique<TPerformanceItem>(*range);
            open->Name = std::string(LoadStr(MsgWithoutEnd)) + " " + range->Name;
            open->Count = 0;
            open->TotalTime = open->NetTime = open->MaxTime = 0;
            open->MinTime = 0xFFFFFFFFu;
            open->AddCall(d);
            open->NetTime = clampedDifference(static_cast<std::int64_t>(d) - top.InnerTime);
            result.Items.push_back(std::move(open));
        } else {
            range->TotalTime = d;
            range->MinTime = std::min(range->MinTime, d);
            range->MaxTime = std::max(range->MaxTime, d);
            range->NetTime += clampedDifference(static_cast<std::int64_t>(d) - top.InnerTime);
        }
    }
    std::int64_t net = 0;
    for (auto& item : result.Items) {
        if (item->Count == 0 && item->TotalTime == 0) {
            item->MinTime = std::min(item->MinTime, 0u);
            item->MaxTime = std::max(item->MaxTime, 0u);
        }
        net += item->NetTime;
    }
    auto undefined = std::make_unique<TPerformanceItem>();
    undefined->Name = std::string(LoadStr(MsgUndefined));
    undefined->EntryAddress = wiring_.programMin;
    undefined->ExitAddress = wiring_.programMax;
    undefined->RangeText =
        BankAdresseToStr(wiring_.programMin, banking()) + " " + BankAdresseToStr(wiring_.programMax, banking());
    undefined->Resolved = true;
    undefined->AddCall(clampedDifference(static_cast<std::int64_t>(result.RunTime) - net));
    result.Items.push_back(std::move(undefined));
    for (auto& item : result.Items)
        item->Percent = result.RunTime == 0 ? 0.0 : static_cast<double>(item->TotalTime) / result.RunTime * 100.0;
}

// ---------------------------------------------------------------- stream

void TPerformance::writeSettings(ValueWriter& w) const {
    w.WriteListBegin();
    for (const auto& item : definitionen_.Items) writeItem(w, *item);
    w.WriteListEnd();
    for (std::int32_t v : {static_cast<std::int32_t>(minFrames_), static_cast<std::int32_t>(maxFrames_), traceModus_,
                           static_cast<std::int32_t>(savedTriggerBit_ ? 1 : 0), savedOverflowCounter_, savedMode14_,
                           savedMode15_})
        w.WriteInteger(v);
    w.WriteString(savedText14_);
    w.WriteString(savedText15_);
    w.WriteString(savedText16_);
    w.WriteInteger(savedTimeBase_);
    w.WriteBoolean(active_);
}

void TPerformance::readSettings(ValueReader& r, int version, bool apply) {
    TPerformanceList list;
    r.ReadListBegin();
    while (!r.EndOfList()) {
        auto item = std::make_unique<TPerformanceItem>();
        item->RangeText = r.ReadString();
        item->EntryAddress = ReadBankAdresse(r, version >= 5, banking());
        item->ExitAddress = ReadBankAdresse(r, version >= 5, banking());
        item->Name = r.ReadString();
        item->Percent = r.ReadExtended();
        item->MaxTime = static_cast<std::uint32_t>(r.ReadInteger());
        item->MinTime = static_cast<std::uint32_t>(r.ReadInteger());
        item->NetTime = static_cast<std::uint32_t>(r.ReadInteger());
        item->TotalTime = static_cast<std::uint32_t>(r.ReadInteger());
        item->Count = static_cast<std::uint32_t>(r.ReadInteger());
        list.Items.push_back(std::move(item));
    }
    r.ReadListEnd();
    std::int32_t v[7];
    for (std::int32_t& x : v) x = r.ReadInteger();
    std::string texts[3];
    for (std::string& t : texts) t = r.ReadString();
    const std::int32_t timeBase = r.ReadInteger();
    const bool active = r.ReadBoolean();
    if (!apply) return;
    if (active_) SetActive(false);
    definitionen_.Items = std::move(list.Items);
    minFrames_ = static_cast<std::uint32_t>(std::max(v[0], 1));
    maxFrames_ = std::max(static_cast<std::uint32_t>(v[1]), minFrames_);
    traceModus_ = v[2];
    savedTriggerBit_ = v[3] != 0;
    savedOverflowCounter_ = v[4];
    savedMode14_ = v[5];
    savedMode15_ = v[6];
    savedText14_ = texts[0];
    savedText15_ = texts[1];
    savedText16_ = texts[2];
    savedTimeBase_ = timeBase;
    ergebnis_.reset();
    for (auto& item : definitionen_.Items) item->Resolved = false;
    resolveAll(false);
    if (active) {
        // The stored set-up is what deactivation restores; the break mode is
        // not stored, so the select table's own one stands for it unless it
        // is the measurement's.
        savedBreakMode_ = wiring_.select != nullptr && wiring_.select->BreakMode() != bmTraceOverflow
                              ? wiring_.select->BreakMode()
                              : bmBreak1;
        applySetup();
        active_ = true;
    }
}

}  // namespace tarvex
