#include "ui/model/trace_dialogs.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "core/messages.hpp"
#include "ui/model/guarded.hpp"

namespace tarvex::ui {

// ---- Columns

TraceColumnsModel::TraceColumnsModel(platform::SettingsStore& store, TTraceDarstellung mode)
    : DialogModel("", 0, store), mode_(mode) {
    setCaption("Show columns");
    static const char* const captions[kTraceColumns] = {"Index",   "Brk",  "Logic probes", "h:m",  "s.ms",
                                                         "us.ns",   "Address", "Data",      "Cycle", "Command"};
    for (int c = 0; c < kTraceColumns; ++c) {
        setText(boxName(c), captions[c]);
        setChecked(boxName(c), true);
    }
    setText("CheckBoxAll", "all");
    setChecked("CheckBoxAll", true);
    setText("OkButton", "Ok");
    setText("CancelButton", "Cancel");
    setMode(mode);
}

void TraceColumnsModel::setMode(TTraceDarstellung mode) {
    mode_ = mode;
    switch (mode) {
    case tdZyklus:
        setText(boxName(9), std::string(LoadStr(345)));
        setText(boxName(8), std::string(LoadStr(344)));
        break;
    case tdDisassembliert:
        setText(boxName(9), std::string(LoadStr(345)));
        setText(boxName(8), "Label");
        break;
    case tdMixedMode:
        setText(boxName(9), std::string(LoadStr(342)));
        setText(boxName(8), "Label");
        break;
    case tdSource: break;
    }
    changed();
}

bool TraceColumnsModel::column(int index) const { return control(boxName(index)).checked; }

void TraceColumnsModel::setColumn(int index, bool shown) {
    if (index < 0 || index >= kTraceColumns) return;
    setChecked(boxName(index), shown);
    if (!shown) setChecked("CheckBoxAll", false);
    changed();
}

forms::FormEvents TraceColumnsModel::events(forms::FormWindow window) {
    forms::FormEvents events;
    events.check = [this](const std::string& name, bool on) {
        if (name == "CheckBoxAll") return setAll(on);
        for (int c = 0; c < kTraceColumns; ++c)
            if (name == boxName(c)) setColumn(c, on);
    };
    events.click = [end = std::move(window.end)](const std::string& name) {
        if (name == "OkButton" && end) end(true);
        if (name == "CancelButton" && end) end(false);
    };
    return events;
}

void TraceColumnsModel::setAll(bool checked) {
    setChecked("CheckBoxAll", checked);
    if (checked)
        for (int c = 0; c < kTraceColumns; ++c) setChecked(boxName(c), true);
    changed();
}

// ---- Goto

GotoModel::GotoModel(platform::SettingsStore& store, GotoBanking banking)
    : DialogModel("SprungForm", 0, store), banking_(banking) {
    setText("BankNummerGroup", " or switch bank: ");
    setText("SymbolButton", "?");
    setText("OkButton", "Ok");
    setText("CancelButton", "Cancel");
    setText("HilfeButton", "&Help");
    aufruf_ = saTrace;  // so that the first call acts
    setAufruf(saProgram);
}

void GotoModel::setAufruf(TSprungAufruf aufruf) {
    if (aufruf == aufruf_ && !historySection_.empty()) return;
    aufruf_ = aufruf;
    int caption = 256, label = 257;
    bool symbols = true;
    switch (aufruf) {
    case saSource:
        caption = 258, label = 259;
        historySection_ = "SprungFormZielZeile";
        break;
    case saTrace:
        caption = 260, label = 261;
        historySection_ = "SprungFormZielFrame";
        symbols = false;
        break;
    case saSysEmul:
        historySection_ = "SprungFormZielSysAdresse";
        symbols = false;
        break;
    default: historySection_ = "SprungFormZielAdresse"; break;
    }
    setCaption(std::string(LoadStr(caption)));
    setText("ZielLabel", std::string(LoadStr(label)));
    setVisible("SymbolButton", symbols);
    setUpBankGroup();
    changed();
}

int GotoModel::highestBank() const {
    int h = -1;
    switch (aufruf_) {
    case saProgram: h = banking_.highestCodeBank; break;
    case saExtData: h = banking_.highestVarBank; break;
    case saSysEmul: h = banking_.hardwareBankLimit; break;
    default: break;
    }
    return std::min(h, kMaxBank);
}

void GotoModel::setUpBankGroup() {
    const int h = highestBank();
    std::vector<std::string> items;
    for (int b = 0; b <= h; ++b) items.push_back(b < 10 ? "&" + std::to_string(b) : std::string("&") + char('A' + b - 10));
    setItems("BankNummerGroup", std::move(items), -1);
    setVisible("BankNummerGroup", h >= 0);
}

void GotoModel::setTarget(std::string text) {
    setText("Ziel", std::move(text));
    fromSymbol_ = false;
    symbolAddress_.reset();
    changed();
}

bool GotoModel::clickOk() {
    const std::string& t = target();
    if (aufruf_ == saProgram && banking_.highestCodeBank >= 0 && t.size() == 1 &&
        std::isxdigit(static_cast<unsigned char>(t[0]))) {
        const int bank = std::isdigit(static_cast<unsigned char>(t[0])) ? t[0] - '0'
                                                                          : std::toupper(static_cast<unsigned char>(t[0])) - 'A' + 10;
        if (bank <= highestBank()) edit("BankNummerGroup").itemIndex = bank;
    }
    changed();
    return true;
}

void GotoModel::clickBank(int bank) {
    if (bank < 0 || bank > highestBank()) return;
    edit("BankNummerGroup").itemIndex = bank;
    chosenBank_ = bank;
    changed();
}

void GotoModel::clickSymbol() {
    if (!control("SymbolButton").visible) return;
    SymbolPickRequest r;
    r.acceptCaption = std::string(LoadStr(325));
    switch (aufruf_) {
    case saIntData: r.klassen = klasse::IntData; break;
    case saExtData: r.klassen = klasse::ExtData; break;
    case saSource: r.mode = PickMode::Lines; break;
    default: r.klassen = static_cast<Klassen>(klasse::Program | klasse::Modul); break;
    }
    auto choice = pickSymbol(r);
    if (!choice) return;
    setTarget(choice->name);
    fromSymbol_ = true;
    symbolAddress_ = choice->address;
}

forms::FormEvents GotoModel::events(forms::FormWindow window) {
    auto events = dialogEvents(*this, {window.end, {}, {}, {}}, [this] { clickOk(); },
                               [this, focus = window.focus](const std::string& name) {
                                   if (name != "SymbolButton") return;
                                   guarded([this] { clickSymbol(); });
                                   if (focus) focus("Ziel");
                               });
    events.text = [this](const std::string& name, const std::string& text) {
        if (name == "Ziel" && text != control(name).text) setTarget(text);
    };
    events.choose = [this, end = window.end](const std::string& name, int index) {
        if (name != "BankNummerGroup") return;
        clickBank(index);
        if (chosenBank() && end) end(true);
    };
    // Each call has its own history, showing its latest entry.
    events.changed = [this, history = window.history] {
        if (history) history("Ziel", historySection());
    };
    events.ended = [keep = window.keepHistories](bool) {
        if (keep) keep();
    };
    return events;
}

std::optional<long long> GotoModel::targetValue() const {
    const std::string& t = target();
    std::size_t b = 0, e = t.size();
    while (b < e && std::isspace(static_cast<unsigned char>(t[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(t[e - 1]))) --e;
    const std::string s = t.substr(b, e - b);
    if (s.empty() || s.size() > 18) return std::nullopt;
    std::size_t i = s[0] == '-' || s[0] == '+' ? 1 : 0;
    if (i == s.size()) return std::nullopt;
    for (std::size_t k = i; k < s.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(s[k]))) return std::nullopt;
    return std::strtoll(s.c_str(), nullptr, 10);
}

}  // namespace tarvex::ui
