// The select file's section: the break and trace settings with their
// lists, and the map lists, each behind its own flag so that a project
// keeps only what its options save.
#include "core/bank_adressen.hpp"
#include "core/value_stream.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/debug/select_table.hpp"
#include "emulator/trace_info.hpp"

namespace tarvex {

namespace {

void writeItem(ValueWriter& w, const TSelectItem& item) {
    w.WriteBoolean(item.flag);
    WriteBankAdresse(w, item.start);
    WriteBankAdresse(w, item.end);
    w.WriteString(item.name1);
    w.WriteString(item.name2);
    w.WriteInteger(item.symbolClass);
    w.WriteBoolean(item.named);
}

}  // namespace

void TSelectTabelle::writeListBlock(ValueWriter& w, int first, int last) const {
    w.WriteListBegin();
    for (int kind = first; kind <= last; ++kind) {
        const TSelectList& l = GetList(kind);
        w.WriteInteger(kind);
        w.WriteBoolean(l.Changed());
        w.WriteListBegin();
        for (const auto& item : l) writeItem(w, *item);
        w.WriteListEnd();
    }
    w.WriteListEnd();
}

void TSelectTabelle::writePerformance(ValueWriter& w) const {
    if (performance_ != nullptr) {
        performance_->writeSettings(w);
        return;
    }
    // An inactive measurement without ranges.
    w.WriteListBegin();
    w.WriteListEnd();
    for (std::int32_t v : {1, 1000, -1, 0, 32768, 0, 0}) w.WriteInteger(v);
    for (int i = 0; i < 3; ++i) w.WriteString("");
    w.WriteInteger(0);
    w.WriteBoolean(false);
}

void TSelectTabelle::readPerformance(ValueReader& r, std::int32_t version, bool apply) {
    if (performance_ != nullptr) {
        performance_->readSettings(r, version, apply);
        return;
    }
    r.ReadListBegin();
    while (!r.EndOfList()) r.SkipValue();
    r.ReadListEnd();
    for (int i = 0; i < 7; ++i) r.ReadInteger();
    for (int i = 0; i < 3; ++i) r.ReadString();
    r.ReadInteger();
    r.ReadBoolean();
}

void TSelectTabelle::WriteToStream(ValueWriter& w) const {
    const bool breakTrace = options_.breakTraceSave();
    w.WriteBoolean(breakTrace);
    if (breakTrace) {
        w.WriteInteger(breakMode_);
        w.WriteInteger(trace_ != nullptr ? trace_->overflowCounter() : 32768);
        w.WriteInteger(GetTimeBase());
        w.WriteInteger(static_cast<std::int32_t>(GetTriggerCounter()));
        w.WriteBoolean(true);
        for (std::int32_t c : counters_) w.WriteInteger(c);
        writeListBlock(w, 10, 16);
        // Channel 1's own mode, also while the logic probes or the overflow
        // hold the channel: that is what it returns to after a reload.
        for (int kind = select_kind::Break1; kind <= select_kind::Filter3; ++kind) w.WriteInteger(GetSelectMode(kind));
        w.WriteString(logicProbeText_);
        w.WriteBoolean(filterSwitch_);
        w.WriteInteger(endTrigger_);
        w.WriteInteger(startTrigger_);
        w.WriteBoolean(GetTriggerBit());
        writePerformance(w);
    }
    const bool map = options_.mapSave();
    w.WriteBoolean(map);
    if (map) {
        w.WriteBoolean(false);
        w.WriteBoolean(true);
        writeListBlock(w, 22, 23);
    }
}

std::vector<std::unique_ptr<TSelectList>> TSelectTabelle::readListBlock(ValueReader& r, std::int32_t version) {
    std::vector<std::unique_ptr<TSelectList>> lists;
    r.ReadListBegin();
    while (!r.EndOfList()) {
        const std::int32_t kind = r.ReadInteger();
        checkKind(kind);
        auto read = std::make_unique<TSelectList>(static_cast<std::uint8_t>(kind));
        read->SetChanged(r.ReadBoolean());
        r.ReadListBegin();
        while (!r.EndOfList()) {
            auto item = std::make_unique<TSelectItem>();
            item->flag = r.ReadBoolean();
            item->start = ReadBankAdresse(r, version >= 5, &banking_);
            item->end = ReadBankAdresse(r, version >= 5, &banking_);
            SortBankAdressen(item->start, item->end);
            item->name1 = r.ReadString();
            if (version >= 4) item->name2 = r.ReadString();
            item->symbolClass = static_cast<std::uint8_t>(r.ReadInteger());
            item->named = r.ReadBoolean();
            read->InsertSorted(std::move(item));
        }
        r.ReadListEnd();
        lists.push_back(std::move(read));
    }
    r.ReadListEnd();
    return lists;
}

void TSelectTabelle::applyReadList(std::unique_ptr<TSelectList> read) {
    const int kind = read->Kind();
    TSelectList& current = list(kind);
    if (!read->Changed() && !current.Changed()) return;
    if ((kind == select_kind::ProgramMap || kind == select_kind::ExtDataMap) && emulator_.PellunarsOn()) {
        SetMapDefaults();
        return;
    }
    // The board loses the whole kind, then gets every read range.
    const SpaceKind space = spaceOf(kind);
    clearBoardSpace(kind);
    // The ranges are taken as a set takes them: one outside the kind's
    // space is dropped, overlapping ones merge.
    const bool bankedSpace = spaces_.maxAddress(space).banked;
    const bool changed = read->Changed();
    auto checked = std::make_unique<TSelectList>(static_cast<std::uint8_t>(kind));
    while (!read->Empty()) {
        std::unique_ptr<TSelectItem> item = read->Extract(0);
        bool fits = item->start.banked == bankedSpace && item->end.banked == bankedSpace;
        try {
            if (fits) {
                checkSpaceAddress(space, item->start);
                checkSpaceAddress(space, item->end);
            }
        } catch (const ESelectError&) {
            fits = false;
        }
        if (!fits) {
            emulator_.Log("SelectTabelle: Bereich ausserhalb des Speichers verworfen: " +
                          BankAdresseToStrFull(item->start) + "-" + BankAdresseToStrFull(item->end));
            continue;
        }
        const std::int32_t low = checked->FindContaining(item->start, false);
        if (low >= 0 && low == checked->FindContaining(item->end, true)) continue;
        applySet(*checked, std::move(item), false, false);
    }
    current.Clear();
    transmitList(*checked);
    while (!checked->Empty()) current.Add(checked->Extract(0));
    current.SetChanged(changed);
    listChanged(kind);
}

void TSelectTabelle::ReadFromStream(ValueReader& r, std::int32_t version) {
    if (r.ReadBoolean()) {
        const bool on = options_.breakTraceSave();
        if (on && version > 2 && performance_ != nullptr) performance_->deactivate();
        const std::int32_t breakMode = r.ReadInteger();
        const std::int32_t overflow = r.ReadInteger();
        const std::int32_t timeBase = r.ReadInteger();
        const std::int32_t triggerCount = version > 5 ? r.ReadInteger() : 0;
        if (on) {
            SetBreakMode(breakMode);
            SetOverflowText(std::to_string(overflow));
            SetTimeBase(timeBase);
            if (version > 5) SetTriggerCounter(static_cast<std::uint32_t>(triggerCount));
        }
        if (r.ReadBoolean()) {
            std::int32_t counters[3] = {};
            for (auto& c : counters) c = r.ReadInteger();
            if (on) {
                // The counters share their hardware: from the defaults, each
                // value then finds the limits the others left when it was set.
                counters_ = {1, 1, 1};
                limits_ = {0xFFFFFF, 255, 255, 0};
                for (int kind = select_kind::Break1; kind <= select_kind::Break2; ++kind)
                    if (counters[kind - select_kind::Break1] != counters_[static_cast<std::size_t>(kind - select_kind::Break1)])
                        SetCounter(kind, counters[kind - select_kind::Break1]);
                computeCounterRegisters();
                registersDirty_ = true;
            }
            auto lists = readListBlock(r, version);
            std::int32_t modes[7] = {};
            for (auto& m : modes) m = r.ReadInteger();
            const std::string probes = r.ReadString();
            const bool filter = r.ReadBoolean();
            const std::int32_t endSource = r.ReadInteger();
            const std::int32_t startSource = r.ReadInteger();
            const bool triggerBit = r.ReadBoolean();
            if (on) {
                // The modes first: they decide the space of the ranges and
                // which symbols their names may be.
                // Channel 1 is given to the probes or the overflow only in
                // their break modes; elsewhere a stored 6 means its own mode.
                if (modes[0] == select_mode::Channel1Taken && !BreakModeTakesChannel1(breakMode_)) modes[0] = savedChannel1Mode_;
                for (int kind = select_kind::Break1; kind <= select_kind::Filter3; ++kind) SetSelectMode(kind, modes[kind - select_kind::Break1]);
                for (auto& read : lists) applyReadList(std::move(read));
                if (!probes.empty()) SetLogicProbeText(probes);
                StoreFilterSwitch(filter);
                // Both triggers off first, so that neither the stored pair
                // nor the live trigger bit can refuse the other.
                StoreTriggerSources(3, 3);
                // The probe and overflow modes hold trigger A: the bit is on
                // with them, whatever an offline table wrote.
                SetTriggerBit(triggerBit || BreakModeTakesChannel1(BreakMode()));
                SetTrigger(1, startSource);
                SetTrigger(0, endSource);
                ComputeControlBytes();
            }
            if (version > 2) readPerformance(r, version, on);
        } else {
            for (int i = 0; i < 3; ++i) r.ReadInteger();
            for (int i = 0; i < 3; ++i) readListBlock(r, version);
            r.ReadInteger();
            r.ReadBoolean();
        }
    }
    if (r.ReadBoolean()) {
        // Read also when the map is not kept, so that what follows the
        // section in the file is read where it is.
        r.ReadBoolean();
        if (r.ReadBoolean()) {
            auto lists = readListBlock(r, version);
            if (options_.mapSave())
                for (auto& read : lists) applyReadList(std::move(read));
        }
    }
}

}  // namespace tarvex
