#include "host/command_chains.hpp"

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "emulator/debug/kdo_select_table.hpp"
#include "emulator/debug/select_kinds.hpp"
#include "emulator/debug/select_table.hpp"

namespace tarvex {

namespace {

std::unique_ptr<TVokWinKommando> head(std::uint8_t code) {
    auto c = std::make_unique<TVokWinKommando>(code);
    c->Anker = true;
    return c;
}

TBasisVokWinKommando& append(TBasisVokWinKommando& last, std::uint8_t code) {
    last.Nachfolger = std::make_unique<TVokWinKommando>(code);
    return *last.Nachfolger;
}

}  // namespace

std::unique_ptr<TVokWinKommando> BreakKommandos(const TSelectTabelle* table) {
    if (!table) return nullptr;
    auto chain = head(cmd::BreakMode);
    chain->breakMode = static_cast<std::uint8_t>(table->BreakMode());
    if (table->BreakMode() == bmLogicProbes) chain->text2 = table->GetLogicProbeText();
    if (table->BreakMode() == bmTraceOverflow) chain->text2 = table->GetOverflowText();
    chain->count = static_cast<std::int32_t>(table->GetTriggerCounter());
    TBasisVokWinKommando* last = chain.get();
    for (int kind : SelectKindsOf(SelectRole::Break)) {
        TBasisVokWinKommando& c = append(*last, cmd::BreakChannel);
        c.text2 = table->GetItemText(kind);
        c.text1 = table->GetItemText(DataBusKind(kind));
        c.selectKind = static_cast<std::uint8_t>(kind);
        c.value = 0;
        c.count = table->GetSelectValue(kind);
        c.cycleType = static_cast<std::uint8_t>(table->GetSelectMode(kind));
        last = &c;
    }
    return chain;
}

std::unique_ptr<TVokWinKommando> MapKommandos(const TSelectTabelle* table) {
    if (!table) return nullptr;
    auto chain = head(cmd::Map);
    chain->text2 = table->GetItemText(select_kind::ProgramMap);
    chain->text1 = table->GetItemText(select_kind::ExtDataMap);
    chain->selectKind = select_kind::ProgramMap;
    chain->value = 0;
    append(*chain, cmd::MapShared).flag = false;
    return chain;
}

std::unique_ptr<TVokWinKommando> TraceKommandos(const TSelectTabelle* table) {
    if (!table) return nullptr;
    auto chain = head(cmd::TraceSettings);
    const auto* offline = dynamic_cast<const TKdoSelectTabelle*>(table);
    if (offline && offline->TraceSettingsReset()) chain->text1 = "Default";
    chain->flag = table->FilterSwitch();
    chain->value = table->GetTriggerBit() ? 1 : 0;
    chain->count = table->GetTimeBase();
    chain->startTrigger = static_cast<std::uint8_t>(table->GetTrigger(1));
    chain->endTrigger = static_cast<std::uint8_t>(table->GetTrigger(0));
    TBasisVokWinKommando* last = chain.get();
    for (int kind : SelectKindsOf(SelectRole::Trace)) {
        TBasisVokWinKommando& c = append(*last, cmd::TraceFilter);
        c.text2 = table->GetItemText(kind);
        c.selectKind = static_cast<std::uint8_t>(kind);
        c.value = 0;
        c.cycleType = static_cast<std::uint8_t>(table->GetSelectMode(kind));
        last = &c;
    }
    return chain;
}

bool ExecuteSelectTableCommand(const TKommandoStruktur& c, TSelectTabelle& t, bool pellunarPortMode) {
    bool changed = false;
    // Each setter runs only when the table holds another value, so that a
    // chain equal to the table leaves it (and the board) untouched.
    // The table answers "changed" for any text it took, and a text may name
    // the ranges it holds in another spelling ("0000-7FFF" for "0000 -
    // 7FFF"): what counts is whether its own text moved.
    const auto items = [&](int kind, const std::string& text) {
        const std::string before = t.GetItemText(kind);
        if (before == text) return;
        if (t.SetItemText(kind, text) && t.GetItemText(kind) != before) changed = true;
    };
    const auto mode = [&](int kind, int cycle) {
        if (t.GetSelectMode(kind) != cycle) {
            t.SetSelectMode(kind, cycle);
            changed = true;
        }
    };
    const int kind = c.selectKind;
    switch (c.code) {
    case cmd::Map:
        if (pellunarPortMode) throw ETarvexAccessError(std::string(LoadStr(309)));
        items(kind, c.text2);
        items(OtherMapKind(kind), c.text1);
        return changed;
    case cmd::MapShared:
        return false;
    case cmd::BreakChannel:
        mode(kind, c.cycleType);
        items(kind, c.text2);
        items(DataBusKind(kind), c.text1);
        if (kind != select_kind::Clear2 && t.GetSelectValue(kind) != c.count) {
            t.SetCounter(kind, c.count);
            changed = true;
        }
        break;
    case cmd::BreakMode:
        if (t.BreakMode() != c.breakMode) {
            t.SetBreakMode(c.breakMode);
            changed = true;
        }
        if (c.breakMode == bmLogicProbes && t.GetLogicProbeText() != c.text2) {
            t.SetLogicProbeText(c.text2);
            changed = true;
        }
        if (c.breakMode == bmTraceOverflow && t.GetOverflowText() != c.text2) {
            t.SetOverflowText(c.text2);
            changed = true;
        }
        if (static_cast<std::int64_t>(t.GetTriggerCounter()) != c.count) {
            if (c.count < 0) throw ESelectError(FmtLoadStr(211, "Counter"));
            t.SetTriggerCounter(static_cast<std::uint32_t>(c.count));
            changed = true;
        }
        break;
    case cmd::TraceFilter:
        mode(kind, c.cycleType);
        items(kind, c.text2);
        break;
    case cmd::TraceSettings:
        // Back to the defaults first: what follows compares with them, and
        // the reset itself is a change.
        if (c.text1 == "Default") {
            t.ResetTraceSettings();
            changed = true;
        }
        if (t.FilterSwitch() != c.flag) {
            t.SetFilterSwitch(c.flag);
            changed = true;
        }
        if (t.GetTimeBase() != c.count) {
            t.SetTimeBase(c.count);
            changed = true;
        }
        if (t.GetTriggerBit() != (c.value != 0)) {
            t.SetTriggerBit(c.value != 0);
            changed = true;
        }
        if (t.GetTrigger(1) != c.startTrigger) {
            t.SetTrigger(1, c.startTrigger);
            changed = true;
        }
        if (t.GetTrigger(0) != c.endTrigger) {
            t.SetTrigger(0, c.endTrigger);
            changed = true;
        }
        break;
    default:
        return false;
    }
    if (changed) t.TransmitBreakTraceRegister();
    return changed;
}

}  // namespace tarvex
