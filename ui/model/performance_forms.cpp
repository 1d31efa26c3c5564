#include "ui/model/performance_forms.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "core/bank_adressen.hpp"
#include "core/errors.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/symbol_table.hpp"
#include "ui/model/symbol_picker.hpp"

namespace tarvex::ui {
namespace {

constexpr const char* kDefineSection = "PerfForm";
constexpr const char* kAnalyseSection = "PerfAnalyseForm";
constexpr int kDefineColumns[] = {200, 40, 40, 233};

std::unique_ptr<TPerformanceItem> copyItem(const TPerformanceItem& item) {
    return std::make_unique<TPerformanceItem>(item);
}

template <std::size_t N>
std::vector<std::vector<std::string>> cells(const std::vector<std::array<std::string, N>>& rows) {
    std::vector<std::vector<std::string>> out;
    for (const auto& row : rows) out.emplace_back(row.begin(), row.end());
    return out;
}

// Bank first, then offset, as the walk's lookup compares.
bool below(const TBankAdresse& a, const TBankAdresse& b) {
    return a.bank != b.bank ? a.bank < b.bank : a.offset < b.offset;
}

}  // namespace

void CopyPerformanceList(const TPerformanceList& from, TPerformanceList& to) {
    if (&from == &to) return;
    to.Items.clear();
    for (const auto& item : from.Items) to.Items.push_back(copyItem(*item));
    to.FrameCount = from.FrameCount;
    to.Messages = from.Messages;
    to.RunTime = from.RunTime;
    to.Resolved = from.Resolved;
}

PerfDefineSettings PerfSettingsOf(TPerformance& perf, std::uint32_t capacity) {
    PerfDefineSettings s;
    s.minFrames = perf.MinFrames();
    s.maxFrames = std::max(capacity, s.minFrames);
    s.frames = std::clamp(perf.MaxFrames(), s.minFrames, s.maxFrames);
    s.timeBase = perf.TraceModus();
    s.active = perf.Active();
    return s;
}

// ------------------------------------------------------------ definitions

PerfDefineModel::PerfDefineModel(const DialogTables& tables, platform::SettingsStore& store,
                                 const PerfDefineSettings& settings)
    : DialogModel(kDefineSection, 620, store), store_(store), symbols_(tables.symbols),
      validator_(tables.symbols, tables.lines, tables.registers, tables.trace, tables.context), settings_(settings) {
    validator_.SetGanzeGroesse(true);
    setCaption("Performance settings");
    const char* const texts[][2] = {
        {"NewGroup", " &New definition: "},
        {"BereichLabel", "Start and end &address, function name:"},
        {"KommentarLabel", "&Comment:"},
        {"SymbolButton", "?"},
        {"ListGroup", " List: "},
        {"InsertButton", "&Insert"},
        {"DeleteButton", "&Delete"},
        {"EditButton", "&Edit"},
        {"MeasureGroup", " Measurment based on: "},
        {"FrameLabel", "&Trace frames"},
        {"FunctionButton", "Default &settings"},
        {"CheckBoxPerfMode", "enable performance &mode"},
        {"OkButton", "&Ok"},
        {"CancelButton", "Cancel"},
        {"HelpButton", "&Help"},
    };
    for (const auto& t : texts) edit(t[0]).text = t[1];
    settings_.maxFrames = std::max(settings_.maxFrames, settings_.minFrames);
    settings_.frames = std::clamp(settings_.frames, settings_.minFrames, settings_.maxFrames);
    settings_.timeBase = std::clamp(settings_.timeBase, 0, 2);
    auto& group = edit("TimeBaseGroup");
    group.text = " Time &base:";
    group.items = {"100 Nanosec.", "    1 Microsec.", "  10 Microsec."};
    group.itemIndex = settings_.timeBase;
    edit("FrameCount").text = std::to_string(settings_.frames);
    edit("CheckBoxPerfMode").checked = settings_.active;
    bool functions = false;
    if (TSymbolList* list = symbols_ != nullptr ? symbols_->KindList(0) : nullptr)
        for (std::size_t i = 0; i < list->Count() && !functions; ++i) functions = list->Items(i)->functionId != 0;
    edit("FunctionButton").enabled = functions;
    refill(-1);
}

void PerfDefineModel::SetDefinitionen(const TPerformanceList& list) {
    CopyPerformanceList(list, list_);
    refill(0);
}

std::vector<std::array<std::string, 4>> PerfDefineModel::Rows() const {
    std::vector<std::array<std::string, 4>> rows;
    for (const auto& i : list_.Items) {
        rows.push_back({i->RangeText,
                        i->Resolved ? BankAdresseToStr(i->EntryAddress, validator_.Banking()) : std::string(),
                        i->Resolved ? BankAdresseToStr(i->ExitAddress, validator_.Banking()) : std::string(), i->Name});
    }
    return rows;
}

void PerfDefineModel::refill(int select) {
    const int n = static_cast<int>(list_.Items.size());
    selected_ = n == 0 ? -1 : std::clamp(select, 0, n - 1);
    edit("DeleteButton").enabled = n > 0;
    edit("EditButton").enabled = n > 0;
    auto& view = edit("ListView");
    view.items.clear();
    for (const auto& i : list_.Items) view.items.push_back(i->RangeText);
    view.itemIndex = selected_;
    changed();
}

void PerfDefineModel::SelectRow(int row) {
    if (row < -1 || row >= static_cast<int>(list_.Items.size())) return;
    selected_ = row;
    edit("ListView").itemIndex = row;
    changed();
}

void PerfDefineModel::EditText(const std::string& combo, const std::string& text) { edit(combo).text = text; }

bool PerfDefineModel::Insert() {
    auto item = std::make_unique<TPerformanceItem>();
    try {
        item->SetBereich(control("BereichAdresse").text, validator_);
    } catch (const EVokWinError& e) {
        ErrorBox(e.what(), platform::mb::Ok | platform::mb::IconError);
        return false;
    }
    // The walk pairs a frame with the range whose entry lies below its exit;
    // an inverted range would misplace every frame after it.
    if (!below(item->EntryAddress, item->ExitAddress)) {
        ErrorBox(FmtLoadStr(211, "Address range"), platform::mb::Ok | platform::mb::IconError);
        return false;
    }
    item->Name = control("Kommentar").text;
    const int at = selected_ < 0 ? 0 : selected_ + 1;
    list_.Items.insert(list_.Items.begin() + at, std::move(item));
    edit("BereichAdresse").text.clear();
    edit("Kommentar").text.clear();
    defaultButton_ = "InsertButton";
    refill(at);
    return true;
}

void PerfDefineModel::removeRow(int row) {
    list_.Items.erase(list_.Items.begin() + row);
    refill(row);
}

void PerfDefineModel::Delete() {
    if (list_.Items.empty()) {
        Beep();
        return;
    }
    removeRow(std::max(selected_, 0));
}

void PerfDefineModel::Edit() {
    if (list_.Items.empty()) {
        Beep();
        return;
    }
    const int row = std::max(selected_, 0);
    const TPerformanceItem& item = *list_.Items[static_cast<std::size_t>(row)];
    edit("BereichAdresse").text = item.RangeText;
    edit("Kommentar").text = item.Name;
    removeRow(row);
}

void PerfDefineModel::Browse() {
    // Labels as well as functions, so that an entry and an exit can be
    // picked one after the other.
    SymbolPickRequest request{PickMode::Symbols, Klassen(klasse::Program | klasse::Modul), {}};
    const auto picked = pickSymbol(request);
    if (!picked) return;
    std::string& text = edit("BereichAdresse").text;
    if (picked->kind == 0) text = picked->name;
    else if (picked->kind == 1) text = text.empty() ? picked->name : text + " " + picked->name;
    else Beep();
    changed();
}

void PerfDefineModel::DefaultSettings() {
    if (symbols_ == nullptr) return;
    list_.Items.clear();
    if (TSymbolList* functions = symbols_->KindList(0)) {
        for (TSymbol* s : functions->Snapshot(TSymbolList::Order::Unsorted)) {
            if (s->functionId == 0) continue;
            auto item = std::make_unique<TPerformanceItem>();
            item->RangeText = symbols_->QualifiedName(s);
            item->Name = s->name;
            try {
                item->SetBereich(item->RangeText, validator_);
            } catch (const EVokWinError&) {
                // Stays unresolved; the component tries again when it switches on.
            }
            list_.Items.push_back(std::move(item));
        }
    }
    refill(0);
}

void PerfDefineModel::FocusEntered(const std::string& control) {
    if (control == "BereichAdresse" || control == "Kommentar") defaultButton_ = "InsertButton";
    else if (control == "ListView") defaultButton_ = "EditButton";
    else if (control == "FrameCount" || control == "UpDownCounter") defaultButton_ = "OkButton";
    else return;
    changed();
}

void PerfDefineModel::SetFrameCount(std::uint32_t frames) {
    settings_.frames = std::clamp(frames, settings_.minFrames, settings_.maxFrames);
    edit("FrameCount").text = std::to_string(settings_.frames);
}

void PerfDefineModel::ApplyFrameText() {
    const std::string text = control("FrameCount").text;
    std::uint64_t frames = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), frames);
    if (!text.empty() && ec == std::errc() && end == text.data() + text.size()) {
        SetFrameCount(static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, 0xFFFFFFFF)));
    } else if (ec == std::errc::result_out_of_range) {
        SetFrameCount(0xFFFFFFFF);
    } else {
        SetFrameCount(settings_.frames);
    }
    changed();
}

void PerfDefineModel::SetTimeBase(int index) {
    if (index < 0 || index > 2) return;
    settings_.timeBase = index;
    edit("TimeBaseGroup").itemIndex = index;
}

void PerfDefineModel::SetPerfMode(bool on) {
    settings_.active = on;
    edit("CheckBoxPerfMode").checked = on;
}

int PerfDefineModel::ColumnWidth(int column) const {
    if (column < 0 || column > 3) return 0;
    const int width = store_.readInteger(kDriverKey, kDefineSection, "Spalte" + std::to_string(column),
                                         kDefineColumns[column]);
    return width > 0 && width < 4000 ? width : kDefineColumns[column];
}

void PerfDefineModel::Ok(const std::vector<int>& columnWidths) {
    for (std::size_t i = 0; i < columnWidths.size() && i < 4; ++i)
        store_.writeInteger(kDriverKey, kDefineSection, "Spalte" + std::to_string(i), columnWidths[i]);
}

void PerfDefineModel::ApplyTo(TPerformance& perf) const {
    perf.SetDefinitionen(list_);
    perf.SetMaxFrames(settings_.frames);
    perf.SetTraceModus(settings_.timeBase);
    perf.SetActive(settings_.active);
}

forms::FormEvents PerfDefineModel::events(forms::FormWindow window) {
    struct Shown {
        forms::FormWindow window;
        // A field left as the form goes changes nothing.
        bool ended = false;
    };
    auto shown = std::make_shared<Shown>(Shown{std::move(window)});
    const auto focus = [shown](const std::string& name) {
        if (shown->window.focus) shown->window.focus(name);
    };
    const auto end = [shown](bool ok) {
        shown->ended = true;
        if (shown->window.end) shown->window.end(ok);
    };
    forms::FormEvents events;
    events.click = [this, shown, focus, end](const std::string& name) {
        if (name == "InsertButton") {
            focus("BereichAdresse");
            const std::string range = control("BereichAdresse").text, comment = control("Kommentar").text;
            if (!Insert() || !shown->window.addHistory) return;
            // The histories keep what was inserted, not what was refused.
            shown->window.addHistory("BereichAdresse", range);
            shown->window.addHistory("Kommentar", comment);
        } else if (name == "DeleteButton") {
            Delete();
        } else if (name == "EditButton") {
            Edit();
            focus("BereichAdresse");
        } else if (name == "SymbolButton") {
            Browse();
            focus("BereichAdresse");
        } else if (name == "FunctionButton") {
            DefaultSettings();
        } else if (name == "OkButton") {
            ApplyFrameText();
            Ok(shown->window.columnWidths ? shown->window.columnWidths("ListView") : std::vector<int>{});
            end(true);
        } else if (name == "CancelButton") {
            end(false);
        } else if (name == "HelpButton") {
            help();
        }
    };
    events.text = [this](const std::string& name, const std::string& text) { EditText(name, text); };
    events.leave = [this, shown](const std::string& name) {
        if (name == "FrameCount" && !shown->ended) ApplyFrameText();
        return true;
    };
    events.choose = [this](const std::string& name, int index) {
        if (name == "ListView") SelectRow(index);
        if (name == "TimeBaseGroup") SetTimeBase(index);
    };
    events.check = [this](const std::string& name, bool on) {
        if (name == "CheckBoxPerfMode") SetPerfMode(on);
    };
    events.focus = [this](const std::string& name) { FocusEntered(name); };
    events.rows = [this](const std::string&) { return cells(Rows()); };
    events.changed = [this, shown] {
        if (shown->window.defaultButton) shown->window.defaultButton(defaultButton_);
    };
    events.ended = [shown](bool) { shown->ended = true; };
    return events;
}

// --------------------------------------------------------------- analysis

PerfAnalyseModel::PerfAnalyseModel(platform::SettingsStore& store, const IBankingInfo* banking,
                                   const IPerformanceTrace* trace)
    : DialogModel(kAnalyseSection, 630, store), banking_(banking), trace_(trace) {
    setCaption("Performance analysis");
    const char* const texts[][2] = {
        {"MeasureGroup", " Time measurements: "},
        {"AnalysisGroup", " Analysis: "},
        {"MinimalLabel", "shortest duration:"},
        {"MaximalLabel", "longest duration:"},
        {"MittelLabel", "avarage duration:"},
        {"GesamtDiffLabel", "pure total duration:"},
        {"BasedLabel", "Analysis based on"},
        {"FramesLabel", "trace frames and a total measurement duration of"},
        {"MessagesGroup", " Messages: "},
        {"OkButton", "Ok"},
        {"HelpButton", "&Help"},
    };
    for (const auto& t : texts) edit(t[0]).text = t[1];
}

void PerfAnalyseModel::SetErgebnis(const TPerformanceList& result) {
    CopyPerformanceList(result, list_);
    edit("LabelFrames").text = std::to_string(list_.FrameCount);
    edit("LabelTimeStamp").text = list_.GetZeitText(trace_);
    edit("ListBox").items = list_.Messages;
    auto& view = edit("ListView");
    view.items.clear();
    for (const auto& i : list_.Items) view.items.push_back(i->Name);
    SelectRow(list_.Items.empty() ? -1 : 0);
}

std::vector<std::array<std::string, 7>> PerfAnalyseModel::Rows() const {
    std::vector<std::array<std::string, 7>> rows;
    for (const auto& i : list_.Items)
        rows.push_back({BankAdresseToStr(i->EntryAddress, banking_), BankAdresseToStr(i->ExitAddress, banking_),
                        i->GetWert(0, trace_), std::to_string(i->Count), i->GetFloatText(), std::string(), i->Name});
    return rows;
}

void PerfAnalyseModel::SelectRow(int row) {
    if (row < -1 || row >= static_cast<int>(list_.Items.size())) return;
    selected_ = row;
    edit("ListView").itemIndex = row;
    const char* const labels[] = {"LabelMinimal", "LabelMaximal", "LabelMittel", "LabelGesamtDiff"};
    const int values[] = {2, 1, 3, 4};
    for (int k = 0; k < 4; ++k)
        edit(labels[k]).text = row < 0 ? std::string() : list_.Items[static_cast<std::size_t>(row)]->GetWert(values[k], trace_);
    changed();
}

int PerfAnalyseModel::BarWidth(int row, int columnWidth) const {
    if (row < 0 || row >= static_cast<int>(list_.Items.size())) return 0;
    return PerfBarWidth(list_.Items[static_cast<std::size_t>(row)]->Percent, columnWidth);
}

forms::FormEvents PerfAnalyseModel::events(forms::FormWindow window) {
    forms::FormEvents events;
    events.click = [this, end = std::move(window.end)](const std::string& name) {
        if (name == "OkButton" && end) end(true);
        if (name == "HelpButton") help();
    };
    events.choose = [this](const std::string& name, int index) {
        if (name == "ListView") SelectRow(index);
    };
    events.rows = [this](const std::string&) { return cells(Rows()); };
    return events;
}

int PerfBarWidth(double percent, int columnWidth) {
    if (!std::isfinite(percent) || columnWidth <= 0) return 0;
    const double share = std::clamp(percent, 0.0, 100.0);
    return static_cast<int>(std::lround(columnWidth / 100.0 * share));
}

}  // namespace tarvex::ui
