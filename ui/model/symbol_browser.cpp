#include "ui/model/symbol_browser.hpp"

#include <algorithm>
#include <map>
#include <memory>

#include "core/ansi_case.hpp"
#include "core/line_table.hpp"
#include "core/messages.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"

namespace tarvex::ui {

const IBankingInfo* SymbolBrowserModel::banking() const {
    return src_.symbols ? src_.symbols->context().banking : nullptr;
}

namespace {

constexpr const char* kSection = "SymbolForm";
const char* const kSortItems[] = {"no Sort", "by Name", "by Address"};

// Starts with the typed text, regardless of case as the names are compared
// everywhere else.
bool BeginsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && AnsiSameText(std::string_view(text).substr(0, prefix.size()), prefix);
}

}  // namespace

const std::vector<std::pair<const char*, Klassen>>& SymbolBrowserModel::ClassBoxes() {
    static const std::vector<std::pair<const char*, Klassen>> boxes{
        {"CheckProgramm", klasse::Program},  {"CheckIntData", klasse::IntData},   {"CheckExtData", klasse::ExtData},
        {"CheckBit", klasse::Bit},           {"CheckKonstante", klasse::Konstante}, {"CheckDateiName", klasse::DateiName},
        {"CheckModul", klasse::Modul},       {"CheckTypedef", klasse::Typedef},   {"CheckSfr", klasse::Sfr}};
    return boxes;
}

SymbolBrowserModel::SymbolBrowserModel(const SymbolBrowserSources& sources, platform::SettingsStore& store)
    : DialogModel(kSection, 0, store), src_(sources), store_(store) {
    const char* const labels[][2] = {
        {"LabelModuleBox", "&Modules/functions:"}, {"LabelSymbolBox", "S&ymbols:"},   {"LabelSymbolName", "&Name:"},
        {"GroesseLabel", "Size:"},                 {"AdresseLabel", "Address:"},      {"KlasseLabel", "Class:"},
        {"TypLabel", "Type:"},                     {"ModulLabel", "Module:"},         {"FunktionLabel", "Function:"},
        {"EndAdrLabel", "End Addr:"},              {"KlassenGroupBox", " Symbol &classes: "},
        {"CheckProgramm", "Program"},              {"CheckIntData", "IntData"},       {"CheckExtData", "ExtData"},
        {"CheckBit", "Bit"},                       {"CheckKonstante", "Constant"},    {"CheckDateiName", "File name"},
        {"CheckModul", "Modul/function"},          {"CheckTypedef", "Typedef"},       {"CheckSfr", "SFR"},
        {"CheckAlle", "Show &all symbols"},        {"RadioGroupSort", " &Sort Symbols: "},
        {"OkButton", "Ok"},                        {"CancelButton", "Cancel"},        {"HilfeButton", "&Help"}};
    for (const auto& l : labels) edit(l[0]).text = l[1];
    edit("CheckTypedef").visible = src_.systemMode;
    setCaption(std::string(LoadStr(241)));
    ReadSettings();
    FillModules();
    Refill();
}

void SymbolBrowserModel::ReadSettings() {
    const std::string key = kDriverKey;
    if (mode_ == PickMode::Symbols) {
        // Bits beyond the nine classes would list nothing and never clear.
        klassen_ = static_cast<Klassen>(store_.readInteger(key, kSection, "Klassen", klasse::Alle) & klasse::Every);
    }
    moduleIndex_ = mode_ == PickMode::Registers ? 0 : store_.readInteger(key, kSection, "ModulIndex", 0);
    sortierung_ = store_.readInteger(key, kSection, "Sortierung", 1);
    if (sortierung_ < 0 || sortierung_ > 2) sortierung_ = 1;
    symbolIndex_ = store_.readInteger(key, kSection, "SymbolIndex", 0);
}

void SymbolBrowserModel::WriteSettings() {
    const std::string key = kDriverKey;
    if (mode_ == PickMode::Symbols) store_.writeInteger(key, kSection, "Klassen", klassen_);
    if (mode_ != PickMode::Registers) store_.writeInteger(key, kSection, "ModulIndex", moduleIndex_);
    store_.writeInteger(key, kSection, "Sortierung", sortierung_);
    store_.writeInteger(key, kSection, "SymbolIndex", std::max(selected_, 0));
}

void SymbolBrowserModel::SetKlassen(Klassen klassen) {
    klassen_ = static_cast<Klassen>(klassen & klasse::Every);
    Refill();
}

void SymbolBrowserModel::SetRegisterAnzeigen(bool on) {
    if (on != RegisterAnzeigen()) SwitchMode(on ? PickMode::Registers : PickMode::Symbols);
}

void SymbolBrowserModel::SetZeilenNummern(bool on) {
    if (on != ZeilenNummern()) SwitchMode(on ? PickMode::Lines : PickMode::Symbols);
}

void SymbolBrowserModel::SwitchMode(PickMode mode) {
    WriteSettings();
    mode_ = mode;
    setCaption(std::string(LoadStr(mode == PickMode::Registers ? 240 : 241)));
    ReadSettings();
    Refill();
}

void SymbolBrowserModel::SetAcceptCaption(const std::string& caption) {
    setText("OkButton", caption.empty() ? std::string("Ok") : caption);
}

std::string SymbolBrowserModel::NameHistorySection() const {
    switch (mode_) {
        case PickMode::Lines: return "SymbolFormZeilenName";
        case PickMode::Registers: return "SymbolFormRegisterName";
        default: return "SymbolFormSymbolName";
    }
}

void SymbolBrowserModel::FillModules() {
    modules_.clear();
    if (src_.symbols == nullptr) return;
    modules_.push_back(&src_.symbols->AllModules());
    const TSymbolList* list = src_.symbols->KindList(sspModuleFunction);
    if (list == nullptr) return;
    // Each module followed by its functions, both in the order the loader
    // entered them (loaders enter functions before their modules, too);
    // functions of no listed module come last.
    const auto records = list->Snapshot(TSymbolList::Order::Unsorted);
    std::map<std::uint16_t, std::vector<const TSymbol*>> functions;
    for (const TSymbol* r : records)
        if (r->functionId != 0) functions[r->moduleId].push_back(r);
    for (const TSymbol* r : records) {
        if (r->functionId != 0) continue;
        modules_.push_back(r);
        const auto it = functions.find(r->moduleId);
        if (it == functions.end()) continue;
        modules_.insert(modules_.end(), it->second.begin(), it->second.end());
        functions.erase(it);
    }
    for (const auto& [id, orphans] : functions) modules_.insert(modules_.end(), orphans.begin(), orphans.end());
}

void SymbolBrowserModel::Refill() {
    // The module list changes with every program: a remembered index past
    // its end means "all Modules".
    if (moduleIndex_ < 0 || moduleIndex_ >= static_cast<int>(modules_.size())) moduleIndex_ = 0;
    std::uint16_t moduleId = 0, functionId = 0;
    if (moduleIndex_ > 0) {
        moduleId = modules_[static_cast<std::size_t>(moduleIndex_)]->moduleId;
        functionId = modules_[static_cast<std::size_t>(moduleIndex_)]->functionId;
    }
    entries_.clear();
    switch (mode_) {
        case PickMode::Symbols: FillSymbols(moduleId, functionId); break;
        case PickMode::Lines: FillLines(moduleId, functionId); break;
        case PickMode::Registers: FillRegisters(); break;
    }
    widest_ = 0;
    for (const auto& e : entries_) widest_ = std::max(widest_, static_cast<int>(e.text.size()));
    selected_ = symbolIndex_ >= 0 && symbolIndex_ < EntryCount() ? symbolIndex_ : -1;
    ShowControls();
}

void SymbolBrowserModel::FillSymbols(std::uint16_t moduleId, std::uint16_t functionId) {
    if (src_.symbols == nullptr) return;
    for (Klassen bit : KlassenFillOrder()) {
        if ((klassen_ & bit) == 0) continue;
        const TSymbolList* list = src_.symbols->KindList(KlassenKind(bit));
        if (list == nullptr) continue;
        // A snapshot: the list's own order changes with every search.
        for (TSymbol* s : list->Snapshot(TSymbolList::Order::Unsorted)) {
            if (moduleId != 0 && s->moduleId != moduleId) continue;
            if (moduleId != 0 && functionId != 0 && s->functionId != functionId) continue;
            entries_.push_back({s->name, s, nullptr, nullptr});
        }
    }
    if (sortierung_ == 1) {
        std::stable_sort(entries_.begin(), entries_.end(),
                         [](const Entry& a, const Entry& b) { return AnsiCompareText(a.text, b.text) < 0; });
    } else if (sortierung_ == 2) {
        std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
            if (BankAdresseLess(a.symbol->address, b.symbol->address)) return true;
            if (BankAdresseLess(b.symbol->address, a.symbol->address)) return false;
            return AnsiCompareText(a.text, b.text) < 0;
        });
    }
}

void SymbolBrowserModel::FillLines(std::uint16_t moduleId, std::uint16_t functionId) {
    if (src_.lines == nullptr) return;
    std::vector<TZeilennummer*> lines;
    src_.lines->CollectLines(lines, moduleId, functionId);
    // Sorted here, not in the table: others walk the table in its own order.
    if (sortierung_ == 1) {
        std::stable_sort(lines.begin(), lines.end(), [](const TZeilennummer* a, const TZeilennummer* b) {
            return std::tie(a->moduleId, a->fileNumber, a->line) < std::tie(b->moduleId, b->fileNumber, b->line);
        });
    } else if (sortierung_ == 2) {
        std::stable_sort(lines.begin(), lines.end(), [](const TZeilennummer* a, const TZeilennummer* b) {
            return BankAdresseLess(a->address, b->address);
        });
    }
    entries_.reserve(lines.size());
    for (TZeilennummer* l : lines) entries_.push_back({src_.lines->LineRefText(l), nullptr, l, nullptr});
}

void SymbolBrowserModel::FillRegisters() {
    if (src_.registers == nullptr) return;
    std::vector<TRegister*> regs;
    src_.registers->CollectAll(regs);
    const auto address = [](const TRegister* r) { return (r->highAddr << 8) | r->lowAddr; };
    if (sortierung_ == 1) {
        std::stable_sort(regs.begin(), regs.end(), [&](const TRegister* a, const TRegister* b) {
            if (const int c = AnsiCompareText(a->name, b->name); c != 0) return c < 0;
            if (a->kind != b->kind) return a->kind < b->kind;
            return address(a) < address(b);
        });
    } else if (sortierung_ == 2) {
        std::stable_sort(regs.begin(), regs.end(), [&](const TRegister* a, const TRegister* b) {
            if (address(a) != address(b)) return address(a) < address(b);
            if (const int c = AnsiCompareText(a->name, b->name); c != 0) return c < 0;
            return a->kind < b->kind;
        });
    }
    for (const TRegister* r : regs) entries_.push_back({r->name, nullptr, nullptr, r});
}

void SymbolBrowserModel::ShowControls() {
    const bool symbols = mode_ == PickMode::Symbols;
    const bool registers = mode_ == PickMode::Registers;
    std::vector<std::string> moduleTexts;
    moduleTexts.reserve(modules_.size());
    for (const TSymbol* m : modules_) moduleTexts.push_back((m->functionId != 0 ? "   " : "") + m->name);
    auto& moduleBox = edit("ModuleBox");
    moduleBox.items = std::move(moduleTexts);
    moduleBox.itemIndex = modules_.empty() ? -1 : moduleIndex_;
    for (const char* name : {"ModuleBox", "LabelModuleBox", "CheckAlle"}) edit(name).visible = !registers;
    edit("KlassenGroupBox").visible = symbols;
    for (const auto& [box, bit] : ClassBoxes()) edit(box).checked = (klassen_ & bit) != 0;
    edit("CheckAlle").checked = klassen_ == klasse::Alle && moduleIndex_ == 0;
    auto& sort = edit("RadioGroupSort");
    sort.items = {kSortItems[0], mode_ == PickMode::Lines ? std::string(LoadStr(262)) : std::string(LoadStr(263)),
                  kSortItems[2]};
    sort.itemIndex = sortierung_;
    edit("EndAdrLabel").enabled = mode_ == PickMode::Lines;
    edit("SymbolBox").itemIndex = selected_;
    ShowDetails();
}

std::string SymbolBrowserModel::KindText(const Entry& e) const {
    if (e.symbol) return SymbolKindName(e.symbol->kind);
    if (e.line) return "Line number symbol";
    return TRegisterTabelle::KindName(e.reg);
}

TBankAdresse SymbolBrowserModel::AddressOf(const Entry& e) const {
    if (e.symbol) return e.symbol->address;
    if (e.line) return e.line->address;
    return TRegisterTabelle::Address(e.reg);
}

void SymbolBrowserModel::ShowDetails() {
    std::string size, address, klass, type, module, function, end;
    if (selected_ >= 0) {
        const Entry& e = entries_[static_cast<std::size_t>(selected_)];
        klass = KindText(e);
        if (e.symbol) {
            auto& t = *src_.symbols;
            auto* s = const_cast<TSymbol*>(e.symbol);  // the size text caches type sizes
            size = t.TypeSizeText(s);
            address = BankAdresseToStr(s->address, banking());
            type = t.TypeText(s);
            module = t.ModuleName(s->moduleId);
            if (s->functionId != 0) function = t.FunctionName(s->moduleId, s->functionId);
            if (s->kind == sspModuleFunction) end = BankAdresseToStr(t.SymbolEndAddress(s), banking());
        } else if (e.line) {
            address = BankAdresseToStr(e.line->address, banking());
            if (src_.symbols) {
                module = src_.symbols->ModuleName(e.line->moduleId);
                if (e.line->functionId != 0) function = src_.symbols->FunctionName(e.line->moduleId, e.line->functionId);
            }
            end = BankAdresseToStr(src_.lines->LineEndAddress(e.line), banking());
        } else {
            size = TRegisterTabelle::WidthText(e.reg);
            address = TRegisterTabelle::ValueText(e.reg);
            type = TRegisterTabelle::KindText(e.reg);
        }
    }
    edit("Groesse").text = size;
    edit("Adresse").text = address;
    edit("Klasse").text = klass;
    edit("Typ").text = type;
    edit("Modul").text = module;
    edit("Funktion").text = function;
    edit("EndAdresse").text = end;
    edit("OkButton").enabled = selected_ >= 0;
    changed();
}

void SymbolBrowserModel::Select(int row) {
    selected_ = row >= 0 && row < EntryCount() ? row : -1;
    edit("SymbolBox").itemIndex = selected_;
    ShowDetails();
}

void SymbolBrowserModel::SelectModule(int index) {
    if (index < 0 || index >= static_cast<int>(modules_.size())) return;
    moduleIndex_ = index;
    Refill();
}

void SymbolBrowserModel::ClickCheckAlle(bool checked) {
    if (checked) {
        klassen_ = klasse::Alle;
        moduleIndex_ = 0;
    }
    Refill();
    // Unticked by hand it stays unticked until the choice is "all" again.
    if (!checked) {
        edit("CheckAlle").checked = false;
        changed();
    }
}

void SymbolBrowserModel::ClickClass(const std::string& box, bool checked) {
    for (const auto& [name, bit] : ClassBoxes()) {
        if (box == name) klassen_ = static_cast<Klassen>(checked ? (klassen_ | bit) : (klassen_ & ~bit));
    }
    Refill();
}

void SymbolBrowserModel::SelectSort(int index) {
    if (index < 0 || index > 2) return;
    sortierung_ = index;
    Refill();
}

void SymbolBrowserModel::TypeName(const std::string& text) {
    edit("SymbolName").text = text;
    if (text.empty()) return;
    int best = -1;
    for (int i = 0; i < EntryCount(); ++i) {
        const std::string& entry = entries_[static_cast<std::size_t>(i)].text;
        if (entry.size() == text.size() && AnsiSameText(entry, text)) {
            best = i;
            break;
        }
        if (!BeginsWith(entry, text)) continue;
        if (best < 0) {
            best = i;
        } else if (!SortedByName() && entry.size() < entries_[static_cast<std::size_t>(best)].text.size()) {
            best = i;
        } else if (SortedByName()) {
            // The first match in a name-sorted list is also the best one,
            // unless an exact match follows: keep looking only for that.
            continue;
        }
    }
    if (best >= 0) Select(best);
}

void SymbolBrowserModel::ClickEntry(int row) {
    if (row < 0 || row >= EntryCount()) return;
    edit("SymbolName").text = entries_[static_cast<std::size_t>(row)].text;
    Select(row);
}

void SymbolBrowserModel::Ok() { WriteSettings(); }

std::string SymbolBrowserModel::CellText(int row, int section) const {
    if (row < 0 || row >= EntryCount()) return {};
    const Entry& e = entries_[static_cast<std::size_t>(row)];
    switch (section) {
        case 0: return e.text;
        case 1:
            return e.reg ? TRegisterTabelle::ValueText(e.reg) : BankAdresseToStr(AddressOf(e), banking());
        case 2: return KindText(e);
        default: return {};
    }
}

std::vector<int> SymbolBrowserModel::SectionColumns() const {
    return {std::max(widest_, 8), 9, 24};
}

std::optional<PickedSymbol> SymbolBrowserModel::GetSymbol() const {
    if (selected_ < 0) return std::nullopt;
    const Entry& e = entries_[static_cast<std::size_t>(selected_)];
    PickedSymbol p;
    p.name = GetSymbolName();
    p.address = AddressOf(e);
    p.symbol = e.symbol;
    p.line = e.line;
    p.reg = e.reg;
    p.kind = e.symbol ? e.symbol->kind : e.line ? static_cast<int>(sspZeilennummer) : TRegisterTabelle::SymbolKind(e.reg);
    return p;
}

std::string SymbolBrowserModel::GetSymbolName() const {
    if (selected_ < 0) return {};
    // The selected entry's text, not the typed one: a typed prefix selects
    // an entry, and the name must name the record GetSymbol gives.
    const std::string& name = entries_[static_cast<std::size_t>(selected_)].text;
    // A line reference carries its module already.
    if (mode_ == PickMode::Lines) return name;
    std::string out;
    if (const auto& m = control("Modul").text; !m.empty()) out += ":" + m + ":";
    if (const auto& f = control("Funktion").text; !f.empty()) out += f + ":";
    return out + name;
}

forms::FormEvents SymbolBrowserModel::events(forms::FormWindow window) {
    struct State {
        std::string section;
        bool loading = false;
    };
    auto state = std::make_shared<State>();
    forms::FormEvents events;
    events.click = [this, window](const std::string& name) {
        if (name == "OkButton") {
            if (Selected() < 0) return;
            if (window.keepHistories) window.keepHistories();
            Ok();
            if (window.end) window.end(true);
        } else if (name == "CancelButton") {
            if (window.end) window.end(false);
        } else if (name == "HilfeButton") {
            help();
        }
    };
    events.check = [this](const std::string& name, bool checked) {
        if (name == "CheckAlle") {
            ClickCheckAlle(checked);
        } else {
            ClickClass(name, checked);
        }
    };
    events.choose = [this](const std::string& name, int index) {
        if (name == "ModuleBox" && index != ModuleIndex()) SelectModule(index);
        if (name == "RadioGroupSort") SelectSort(index);
    };
    events.text = [this, state](const std::string& name, const std::string& text) {
        if (name == "SymbolName" && !state->loading) TypeName(text);
    };
    // The history's newest name stays in the drop-down: the field keeps its text.
    events.changed = [this, state, history = window.history] {
        if (!history || state->section == NameHistorySection()) return;
        state->section = NameHistorySection();
        const std::string text = control("SymbolName").text;
        state->loading = true;
        history("SymbolName", state->section);
        state->loading = false;
        edit("SymbolName").text = text;
    };
    return events;
}

}  // namespace tarvex::ui
