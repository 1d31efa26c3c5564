#include "ui/model/frame_pattern.hpp"

#include <memory>

#include "core/errors.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "emulator/validator.hpp"
#include "ui/model/guarded.hpp"
#include "ui/model/symbol_picker.hpp"

namespace tarvex::ui {

namespace {

const char* const kBreakChecks[4] = {"CheckBreakNichtSuchen", "CheckBreak1", "CheckBreak2", "CheckWechsel"};
const char* const kInputs[3] = {"AdrName", "Data", "LogicProbes"};
const char* const kSettingsOfChecks[][2] = {
    {"CheckCycleNichtSuchen", "CheckCycle"}, {"CheckOpcode", "CheckOpcode"},   {"CheckFetch", "CheckFetch"},
    {"CheckRead", "CheckRead"},              {"CheckWrite", "CheckWrite"},     {"CheckBreakNichtSuchen", "CheckBreak"},
    {"CheckBreak1", "CheckBreak1"},          {"CheckBreak2", "CheckBreak2"},   {"CheckWechsel", "CheckWechsel"}};

// A stored index outside its items selects the default item.
int storedIndex(platform::SettingsStore& s, const std::string& name, int items) {
    const int v = s.readInteger(kDriverKey, "FrameForm", name, 0);
    return v >= 0 && v < items ? v : 0;
}

}  // namespace

const char* const FramePatternModel::kCycleChecks[5] = {"CheckCycleNichtSuchen", "CheckOpcode", "CheckFetch",
                                                        "CheckRead", "CheckWrite"};
const char* const FramePatternModel::kBottomPanelGroups[2] = {"RichtungGroup", "BeginnGroup"};

std::uint8_t encodeBreaks(std::uint8_t breaks) {
    if (breaks & 1) return 255;
    std::uint8_t q = 0;
    if (breaks & 2) q |= 1;
    if (breaks & 4) q |= 2;
    if (breaks & 8) q |= 16;
    return q;
}

FramePatternModel::FramePatternModel(platform::SettingsStore& store, TVokWinValidator& validator, ProgramSpace space)
    : DialogModel("FrameForm", kHelpContext, store), store_(store), validator_(validator), space_(space) {
    setCaption("Search trace frame");
    const char* const texts[][2] = {{"AdrNameLabel", "&Address / Address range:"},
                                    {"DataLabel", "&Data:"},
                                    {"LogicProbesLabel", "&Logic Probes:"},
                                    {"SymbolButton", "?"},
                                    {"BreakGroup", " &Break event: "},
                                    {"CheckBreakNichtSuchen", "Don't care"},
                                    {"CheckBreak1", "Break 1"},
                                    {"CheckBreak2", "Break 2"},
                                    {"CheckWechsel", "Changing event"},
                                    {"CycleGroup", " &Cycle type: "},
                                    {"CycleCheckGroup", " &Cycle type: "},
                                    {"CheckCycleNichtSuchen", "Don't care"},
                                    {"CheckOpcode", "Opcode"},
                                    {"CheckFetch", "Fetch"},
                                    {"CheckRead", "Read"},
                                    {"CheckWrite", "Write"},
                                    {"RichtungGroup", " Direction: "},
                                    {"BeginnGroup", " Start: "},
                                    {"OkButton", "Search"},
                                    {"CancelButton", "Cancel"},
                                    {"ResetButton", "Don't care"},
                                    {"HilfeButton", "&Help"}};
    for (const auto& t : texts) setText(t[0], t[1]);
    setItems("CycleGroup", {"Don't care", "Opcode", "Fetch", "Read", "Write"}, 0);
    setItems("RichtungGroup", {"&Foreward", "Bac&kward"}, 0);
    setItems("BeginnGroup", {"Index &0", "Actual &Index"}, 0);
    dontCare_ = std::string(LoadStr(349));
    for (const char* i : kInputs) setText(i, dontCare_);
    loadSettings();
    setFiltern(false);
}

void FramePatternModel::loadSettings() {
    auto& s = store_;
    edit("CycleGroup").itemIndex = storedIndex(s, "CycleIndex", 5);
    edit("RichtungGroup").itemIndex = storedIndex(s, "RichtungIndex", 2);
    edit("BeginnGroup").itemIndex = storedIndex(s, "BeginnIndex", 2);
    for (const auto& c : kSettingsOfChecks) {
        const bool fallback = std::string(c[1]) == "CheckCycle" || std::string(c[1]) == "CheckBreak";
        setChecked(c[0], s.readBool(kDriverKey, "FrameForm", c[1], fallback));
    }
    applyEnabling();
}

void FramePatternModel::saveSettings() const {
    auto& s = store_;
    s.writeInteger(kDriverKey, "FrameForm", "CycleIndex", control("CycleGroup").itemIndex);
    s.writeInteger(kDriverKey, "FrameForm", "RichtungIndex", control("RichtungGroup").itemIndex);
    s.writeInteger(kDriverKey, "FrameForm", "BeginnIndex", control("BeginnGroup").itemIndex);
    for (const auto& c : kSettingsOfChecks) s.writeBool(kDriverKey, "FrameForm", c[1], control(c[0]).checked);
}

void FramePatternModel::applyEnabling() {
    const bool anyBreak = !control("CheckBreakNichtSuchen").checked;
    for (int k = 1; k < 4; ++k) setEnabled(kBreakChecks[k], anyBreak);
    const bool anyCycle = !control("CheckCycleNichtSuchen").checked;
    for (int k = 1; k < 5; ++k) setEnabled(kCycleChecks[k], anyCycle);
}

void FramePatternModel::setFiltern(bool on) {
    filtern_ = on;
    const std::string old = dontCare_;
    dontCare_ = std::string(LoadStr(on ? 351 : 349));
    for (const char* i : kInputs)
        if (control(i).text == old) setText(i, dontCare_);
    setCaption(std::string(LoadStr(on ? 167 : 166)));
    setText("OkButton", std::string(LoadStr(on ? 353 : 352)));
    setVisible("CycleGroup", !on);
    setEnabled("CycleGroup", !on);
    setVisible("CycleCheckGroup", on);
    setEnabled("CycleCheckGroup", on);
    setVisible(kBottomPanel, !on);
    for (const char* group : kBottomPanelGroups) setVisible(group, !on);
    changed();
}

void FramePatternModel::setInput(const std::string& name, std::string text) {
    setText(name, std::move(text));
    changed();
}

void FramePatternModel::setCheck(const std::string& name, bool on) {
    setChecked(name, on);
    applyEnabling();
    changed();
}

void FramePatternModel::chooseCycle(int item) {
    if (item >= 0 && item < 5) edit("CycleGroup").itemIndex = item;
    changed();
}
void FramePatternModel::chooseDirection(int item) {
    if (item >= 0 && item < 2) edit("RichtungGroup").itemIndex = item;
    changed();
}
void FramePatternModel::chooseStart(int item) {
    if (item >= 0 && item < 2) edit("BeginnGroup").itemIndex = item;
    changed();
}

std::uint8_t FramePatternModel::cycleSelection() const {
    if (!filtern_) {
        static const std::uint8_t values[5] = {0, 1, 2, 4, 8};
        const int i = control("CycleGroup").itemIndex;
        return values[i >= 0 && i < 5 ? i : 0];
    }
    if (control("CheckCycleNichtSuchen").checked) return 0;
    std::uint8_t s = 0;
    if (control("CheckOpcode").checked) s |= 1;
    if (control("CheckFetch").checked) s |= 2;
    if (control("CheckRead").checked) s |= 4;
    if (control("CheckWrite").checked) s |= 8;
    return s == 15 ? 0 : s;
}

bool FramePatternModel::isDontCare(const std::string& name) const {
    const std::string& t = control(name).text;
    return t.empty() || t == dontCare_ || t == LoadStr(349) || t == LoadStr(351);
}

bool FramePatternModel::emptyPattern() const {
    for (const char* i : kInputs)
        if (!isDontCare(i)) return false;
    if (!control("CheckBreakNichtSuchen").checked) return false;
    return filtern_ ? control("CheckCycleNichtSuchen").checked : control("CycleGroup").itemIndex == 0;
}

bool FramePatternModel::convert(const std::string& name) {
    // Empty and "don't care" mean any value: never handed to the validator.
    if (isDontCare(name)) {
        if (name == "AdrName") {
            pattern_.addressLow = space_.low;
            pattern_.addressHigh = space_.high;
        } else if (name == "Data") {
            pattern_.dataLow = 0;
            pattern_.dataHigh = 0xFF;
        } else {
            pattern_.probes = "X";
        }
        return true;
    }
    const std::string& text = control(name).text;
    try {
        if (name == "AdrName") {
            const std::uint8_t sel = cycleSelection();
            std::uint16_t klassen = 0;
            if (sel & 12) klassen |= 8;
            if (!(sel != 0 && !(sel & 3))) klassen |= TVokWinValidator::kDefaultSymbolKlassen;
            validator_.SetKonvertierung(TVokWinKonvertierung::vwkString2BankAdresse);
            validator_.SetZugelassen(vwzBereich | vwzSymbole);
            validator_.SetSymbolKlassen(klassen);
            validator_.SetGanzeGroesse(true);
            validator_.Konvertieren(text);
            pattern_.addressLow = validator_.OutAdresse(TVokWinValidator::kVon);
            pattern_.addressHigh = validator_.OutAdresse(TVokWinValidator::kBis);
        } else if (name == "Data") {
            validator_.SetKonvertierung(TVokWinKonvertierung::vwkString2Byte);
            validator_.SetZugelassen(vwzBereich);
            validator_.SetGanzeGroesse(false);
            validator_.Konvertieren(text);
            pattern_.dataLow = static_cast<std::uint8_t>(validator_.OutVonInt());
            pattern_.dataHigh = static_cast<std::uint8_t>(validator_.OutBisInt());
        } else {
            validator_.SetKonvertierung(TVokWinKonvertierung::vwkString2LogicProbe);
            validator_.Konvertieren(text);
            pattern_.probes = validator_.OutLogicProbe();
            if (pattern_.probes.empty()) pattern_.probes = "X";
        }
    } catch (const EVokWinError& e) {
        ErrorBox(e.what(), platform::mb::Ok);
        return false;
    }
    return true;
}

bool FramePatternModel::leave(const std::string& name) { return convert(name); }

bool FramePatternModel::clickOk() {
    for (const char* i : kInputs)
        if (!convert(i)) return false;
    pattern_.forward = control("RichtungGroup").itemIndex == 0;
    pattern_.fromStart = control("BeginnGroup").itemIndex == 0;
    pattern_.cycles = cycleSelection();
    if (control("CheckBreakNichtSuchen").checked) {
        pattern_.breaks = 1;
    } else {
        pattern_.breaks = 0;
        if (control("CheckBreak1").checked) pattern_.breaks |= 2;
        if (control("CheckBreak2").checked) pattern_.breaks |= 4;
        if (control("CheckWechsel").checked) pattern_.breaks |= 8;
        if (pattern_.breaks == 0) pattern_.breaks = 1;
    }
    return true;
}

void FramePatternModel::clickDontCare() {
    for (const char* i : kInputs) setText(i, dontCare_);
    edit("CycleGroup").itemIndex = 0;
    setChecked("CheckCycleNichtSuchen", true);
    setChecked("CheckBreakNichtSuchen", true);
    for (int k = 1; k < 5; ++k) setChecked(kCycleChecks[k], false);
    for (int k = 1; k < 4; ++k) setChecked(kBreakChecks[k], false);
    edit("RichtungGroup").itemIndex = 0;
    edit("BeginnGroup").itemIndex = 0;
    applyEnabling();
    clickOk();
    changed();
}

forms::FormEvents FramePatternModel::events(forms::FormWindow window) {
    struct State {
        bool shown = false;
        bool checking = false;
        bool ended = false;
    };
    auto state = std::make_shared<State>();
    forms::FormEvents events;
    events.click = [this, end = window.end, focus = window.focus](const std::string& name) {
        if (name == "OkButton") {
            bool accepted = false;
            guarded([&] { accepted = clickOk(); });
            if (accepted && end) end(true);
        } else if (name == "CancelButton") {
            if (end) end(false);
        } else if (name == "ResetButton") {
            guarded([this] { clickDontCare(); });
            if (end) end(true);
        } else if (name == "HilfeButton") {
            help();
        } else if (name == "SymbolButton") {
            guarded([this] {
                SymbolPickRequest r;
                r.acceptCaption = "Accept";
                if (auto picked = pickSymbol(r)) setInput("AdrName", picked->name);
            });
            if (focus) focus("AdrName");
        }
    };
    events.text = [this](const std::string& name, const std::string& text) {
        if (text != control(name).text) setInput(name, text);
    };
    events.check = [this](const std::string& name, bool on) { setCheck(name, on); };
    events.choose = [this](const std::string& name, int index) {
        if (name == "CycleGroup") chooseCycle(index);
        if (name == "RichtungGroup") chooseDirection(index);
        if (name == "BeginnGroup") chooseStart(index);
    };
    events.leave = [this, state](const std::string& name) {
        if (state->ended || state->checking) return true;
        state->checking = true;
        bool ok = true;
        guarded([&] { ok = leave(name); });
        state->checking = false;
        return ok;
    };
    // The histories were read before: an input that has none shows "don't care".
    events.changed = [this, state] {
        if (state->shown) return;
        state->shown = true;
        for (const char* i : kInputs)
            if (control(i).text.empty()) edit(i).text = dontCare_;
    };
    events.ended = [this, state, keep = window.keepHistories](bool) {
        state->ended = true;
        if (keep) keep();
        saveSettings();
    };
    return events;
}

}  // namespace tarvex::ui
