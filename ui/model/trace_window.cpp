#include "ui/model/trace_window.hpp"

#include <cctype>
#include <cstdlib>
#include <exception>

#include "core/line_table.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "platform/ui.hpp"

namespace tarvex::ui {

namespace {

constexpr std::array<int, 8> kDefaultWidths{45, 30, 105, 50, 55, 50, 50, 55};
const char* const kModeItems[4] = {"cmPopZyklus", "cmPopDisassembliert", "cmPopMixedMode", "cmPopSource"};
const char* const kTimedItems[] = {"cmPopTime0", "cmPopTimeFilter", "cmPopSuche", "cmPopSucheNochmal", "cmPopSprung"};

const std::string kSearching = " Searching ", kFiltering = " Filtering ", kFilterActive = " Time filter active ",
                  kOnTheFly = " On the fly mode ";

}  // namespace

const std::vector<TraceMenuItem>& TraceWindowModel::menuItems() {
    using I = TraceMenuItem;
    static const std::vector<TraceMenuItem> items = {
        {"cmPopSuche", I::Command, "", "", false, false},
        {"cmPopSucheNochmal", I::Command, "", "F3", false, false},
        {"cmPopSprung", I::Command, "", "F5", false, false},
        {"N1", I::Separator, "", "", false, false},
        {"cmPopTime0", I::Command, "", "", false, false},
        {"cmPopTimeFilter", I::Command, "", "", false, false},
        {"N3", I::Separator, "", "", false, false},
        {"cmPopAusblenden", I::Command, "", "", false, false},
        {"cmPopAusBlendenFunktion", I::Command, "", "", false, false},
        {"cmPopEinblenden", I::Command, "", "", false, false},
        {"cmPopDarstellung", I::Submenu, "", "", false, false},
        {"cmPopZyklus", I::Command, "cmPopDarstellung", "", true, true},
        {"cmPopDisassembliert", I::Command, "cmPopDarstellung", "", true, true},
        {"cmPopMixedMode", I::Command, "cmPopDarstellung", "", true, true},
        {"cmPopSource", I::Command, "cmPopDarstellung", "", true, true},
        {"N2", I::Separator, "cmPopDarstellung", "", false, false},
        {"cmPopShowContext", I::Command, "cmPopDarstellung", "", true, false},
        {"cmPopSpalten", I::Command, "cmPopDarstellung", "", false, false},
        {"cmPopDoppel", I::Submenu, "", "", false, false},
        {"cmPopDoppelTime0", I::Command, "cmPopDoppel", "", true, true},
    };
    return items;
}

int TraceWindowNumbers::acquire() {
    int n = 1;
    while (used_.count(n)) ++n;
    used_.insert(n);
    return n;
}

TraceWindowNumbers& traceWindowNumbers() {
    static TraceWindowNumbers numbers;
    return numbers;
}

TraceWindowModel::TraceWindowModel(ITraceSource& source, TraceContext context, platform::SettingsStore& store,
                                   TraceWindowHost host, TraceWindowNumbers& numbers)
    : source_(source), context_ctx_(context), store_(store), host_(std::move(host)), numbers_(numbers),
      box_(source, context) {
    setCaption("Trace memory");
    const char* const items[][2] = {{"cmPopSuche", "&Search..."},
                                    {"cmPopSucheNochmal", "Search again"},
                                    {"cmPopSprung", "Go to..."},
                                    {"cmPopTime0", "Time stamp = &0"},
                                    {"cmPopTimeFilter", "Time &Filter..."},
                                    {"cmPopAusblenden", "Collapse selected"},
                                    {"cmPopAusBlendenFunktion", "Collapse function"},
                                    {"cmPopEinblenden", "Expand"},
                                    {"cmPopDarstellung", "For&mat"},
                                    {"cmPopZyklus", "&Cycle"},
                                    {"cmPopDisassembliert", "&Assembled"},
                                    {"cmPopMixedMode", "&Mixed Mode"},
                                    {"cmPopSource", "&Source"},
                                    {"cmPopShowContext", "Show conte&xt"},
                                    {"cmPopSpalten", "Co&lumns"},
                                    {"cmPopDoppel", "Double clic&k"},
                                    {"cmPopDoppelTime0", "Time stamp = &0"}};
    for (const auto& i : items) setText(i[0], i[1]);
    setVisible("cmPopDoppel", false);
    setChecked("cmPopDoppelTime0", true);
    setEnabled("cmPopSource", lineTableHasLines());
    if (host_.runState) {
        const auto [running, onTheFly] = host_.runState();
        running_ = running;
        onTheFly_ = onTheFly;
    }
    // The box leaves Source mode by itself after the user's answer.
    box_.onModeChanged([this] { setDarstellung(box_.mode()); });
    number_ = numbers_.acquire();
    section_ = "Trace" + std::to_string(number_);
    box_.checkAnzahl();
    loadLayout();
    box_.goToEnd();
    refreshMenu();
}

TraceWindowModel::~TraceWindowModel() {
    if (closed_) return;
    numbers_.release(number_);
    // A window freed without being closed (the driver unloaded) ends the
    // on-the-fly trace too. Nobody is left to hear a refusal by then.
    if (host_.stopFlyingTrace) {
        try {
            host_.stopFlyingTrace();
        } catch (...) {
        }
    }
}

bool TraceWindowModel::lineTableHasLines() const { return context_ctx_.lines && context_ctx_.lines->Count() > 0; }

void TraceWindowModel::loadLayout() {
    const std::string key = kDriverKey;
    if (store_.valueExists(key, section_, "Width")) {
        WindowGeometry g;
        g.left = store_.readInteger(key, section_, "Left", 0);
        g.top = store_.readInteger(key, section_, "Top", 0);
        g.width = store_.readInteger(key, section_, "Width", 0);
        g.height = store_.readInteger(key, section_, "Height", 0);
        storedGeometry_ = g;
    }
    doubleClickAction_ = store_.readInteger(key, section_, "AktionDoppelClick", 1);
    for (int c = 0; c < kTraceColumns; ++c) {
        const int w = store_.readInteger(key, section_, "Header" + std::to_string(c), widths_[c]);
        widths_[c] = w < 0 ? 0 : std::min(w, 4000);
    }
    setDarstellung(store_.readInteger(key, section_, "Darstellung", tdMixedMode));
    setContext(store_.readBool(key, section_, "ZeigeKontext", false));
}

void TraceWindowModel::setWidth(int column, int width) {
    if (column < 0 || column >= kTraceColumns) return;
    widths_[column] = std::max(width, 0);
    if (width > 0) remembered_[column] = width;
}

int TraceWindowModel::rememberedWidth(int column) const {
    if (remembered_[column]) return remembered_[column];
    if (column < 8) return kDefaultWidths[column];
    if (column == 8) return box_.mode() == tdZyklus ? 55 : 120;
    return box_.mode() == tdSource ? 400 : 200;
}

std::array<bool, kTraceColumns> TraceWindowModel::columnsShown() const {
    std::array<bool, kTraceColumns> shown{};
    for (int c = 0; c < kTraceColumns; ++c) shown[c] = widths_[c] != 0;
    return shown;
}

void TraceWindowModel::applyColumns(const std::array<bool, kTraceColumns>& shown) {
    for (int c = 0; c < kTraceColumns; ++c) {
        if (!shown[c]) {
            if (widths_[c]) remembered_[c] = widths_[c];
            widths_[c] = 0;
        } else if (widths_[c] == 0) {
            widths_[c] = rememberedWidth(c);
        }
    }
    changed();
}

void TraceWindowModel::setDarstellung(int requested) {
    TTraceDarstellung mode = requested >= tdZyklus && requested <= tdSource ? static_cast<TTraceDarstellung>(requested)
                                                                           : tdMixedMode;
    if (mode == tdSource && !lineTableHasLines() && source_.frameCount() > 0) mode = tdDisassembliert;
    if (mode == tdZyklus && !source_.hasCycleInformation()) mode = tdDisassembliert;
    for (int m = 0; m < 4; ++m) setChecked(kModeItems[m], m == mode);
    setVisible("cmPopShowContext", mode == tdSource);
    if (mode != tdSource && context_) {
        context_ = false;
        setChecked("cmPopShowContext", false);
        box_.setContextMode(false);
    }
    if (mode != box_.mode()) box_.setMode(mode);
    refreshColumn8();
    for (int c = 0; c < kTraceColumns; ++c)
        if (widths_[c]) remembered_[c] = widths_[c];
    changed();
}

void TraceWindowModel::refreshColumn8() {
    if (widths_[8]) widths_[8] = box_.mode() == tdZyklus ? 55 : 120;
}

void TraceWindowModel::setContext(bool on) {
    if (on && box_.mode() != tdSource) return;
    if (on == context_) return;
    context_ = on;
    setChecked("cmPopShowContext", on);
    box_.setContextMode(on);
    changed();
}

void TraceWindowModel::setRunState(bool running, bool onTheFly) {
    running_ = running;
    onTheFly_ = onTheFly;
    refreshMenu();
    changed();
}

void TraceWindowModel::refreshMenu() {
    const bool timed = !running_ || onTheFly_;
    for (const char* item : kTimedItems) setEnabled(item, timed);
}

bool TraceWindowModel::goToFrame(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    const std::string t = text.substr(b, e - b);
    bool digits = !t.empty() && t.size() <= 12;
    for (std::size_t k = t[0] == '-' ? 1 : 0; digits && k < t.size(); ++k)
        digits = std::isdigit(static_cast<unsigned char>(t[k])) != 0;
    if (!digits || t == "-") {
        ErrorBox("'" + t + "' is not a valid integer value", platform::mb::Ok);
        return false;
    }
    const long long v = std::strtoll(t.c_str(), nullptr, 10);
    if (v < 0 || v >= static_cast<long long>(source_.frameCount())) {
        ErrorBox(FmtResStr(rs::ValueOutOfRange, "frame index", static_cast<std::int64_t>(v)), platform::mb::Ok);
        return false;
    }
    box_.showFrame(static_cast<std::uint32_t>(v));
    for (int r = 0; r < box_.rowCount(); ++r)
        if (box_.item(r).isReal() && box_.item(r).frame == static_cast<std::uint32_t>(v)) {
            box_.setCaretRow(r);
            break;
        }
    changed();
    return true;
}

TraceMenuRun TraceWindowModel::runItem(const std::string& name, const std::vector<int>& selectedRows) {
    for (int m = 0; m < 4; ++m)
        if (name == kModeItems[m]) {
            setDarstellung(m);
            return TraceMenuRun::Done;
        }
    if (name == "cmPopShowContext") setContext(!contextShown());
    else if (name == "cmPopTime0") timeZero();
    else if (name == "cmPopDoppelTime0") setDoubleClickAction(1);
    else if (name == "cmPopSucheNochmal") searchAgain();
    else if (name == "cmPopEinblenden") box_.expandAtCaret();
    else if (name == "cmPopAusblenden") {
        box_.collapseRows(selectedRows);
        return TraceMenuRun::SelectionUsed;
    } else if (name == "cmPopAusBlendenFunktion") {
        box_.collapseFunction();
        return TraceMenuRun::SelectionUsed;
    } else {
        return TraceMenuRun::Dialog;
    }
    return TraceMenuRun::Done;
}

// A radio item: choosing it again keeps it chosen.
void TraceWindowModel::setDoubleClickAction(int action) {
    doubleClickAction_ = action;
    setChecked("cmPopDoppelTime0", action == 1);
}

void TraceWindowModel::doubleClick() {
    if (doubleClickAction_ == 1 && control("cmPopTime0").enabled) timeZero();
}

void TraceWindowModel::timeZero() {
    box_.toggleTimeZero();
    changed();
}

void TraceWindowModel::search(const TraceFramePattern& pattern, bool empty) {
    if (empty) {
        searchPattern_.reset();
        return;
    }
    searchPattern_ = pattern;
    searchAgain();
}

void TraceWindowModel::searchAgain() {
    if (!searchPattern_) return;
    const std::uint32_t count = source_.frameCount();
    TraceFramePattern& p = *searchPattern_;
    std::uint32_t start = 0;
    if (!p.fromStart && count > 0) {
        const int current = box_.currentFrame();
        if (p.forward)
            start = static_cast<std::uint32_t>(std::min<long long>(static_cast<long long>(current) + 1, count - 1));
        else
            start = static_cast<std::uint32_t>(std::max(current - 1, 0));
    }
    // Repeating goes on from the frame found.
    p.fromStart = false;
    setSearching(true);
    std::optional<std::uint32_t> hit;
    try {
        hit = count ? TraceSearch(source_).findFrame(p, start) : std::nullopt;
    } catch (...) {
        setSearching(false);
        throw;
    }
    setSearching(false);
    if (!hit) {
        InformationBox(std::string(LoadResStr(rs::TraceFrameNotFound)), platform::mb::Ok);
        return;
    }
    box_.showFrame(*hit);
    for (int r = 0; r < box_.rowCount(); ++r)
        if (box_.item(r).isReal() && box_.item(r).frame == *hit) {
            box_.setCaretRow(r);
            break;
        }
    changed();
}

unsigned TraceWindowModel::helpContextOf(const std::string& item) {
    if (item == "cmPopSuche") return 2001;
    if (item == "cmPopTime0") return 2003;
    if (item == "cmPopTimeFilter") return 2004;
    return kHelpContext;
}

bool TraceWindowModel::help(const std::string& item) const {
    auto* viewer = platform::currentUi().help;
    return viewer && viewer->show(1, helpContextOf(item));
}

void TraceWindowModel::setTimeFilter(const TraceFramePattern& pattern, bool empty) {
    if (empty)
        filterPattern_.reset();
    else
        filterPattern_ = pattern;
    applyTimeFilter();
}

void TraceWindowModel::applyTimeFilter() {
    if (!filterPattern_) {
        box_.times().clearFilterZeros();
        setFilterState(0);
        return;
    }
    setFilterState(1);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> zeros;
    try {
        for (std::uint32_t f : TraceSearch(source_).timeFilter(*filterPattern_))
            zeros.emplace_back(f, source_.frame(f).time);
    } catch (...) {
        setFilterState(0);
        throw;
    }
    box_.times().setFilterZeros(std::move(zeros));
    setFilterState(2);
}

std::string TraceWindowModel::panelText(int panel) const {
    switch (panel) {
    case 0: {
        // A gap or a collapsed range has no index to show.
        const int row = box_.caretRow();
        if (row < 0 || row >= box_.rowCount() || box_.item(row).kind == TTraceItem::Collapsed) return {};
        return box_.GetCellText(row, 0);
    }
    case 1: return searching_ ? kSearching : std::string();
    case 2:
        if (box_.rowCount() == 0) return {};
        return filterState_ == 1 ? kFiltering : filterState_ == 2 ? kFilterActive : std::string();
    case 3: return onTheFly_ ? kOnTheFly : std::string();
    default: return {};
    }
}

TraceWindowModel::PanelStyle TraceWindowModel::panelStyle(const std::string& text) {
    if (text == kFilterActive) return PanelStyle::OnWhite;
    if (text == kFiltering || text == kSearching || text == kOnTheFly) return PanelStyle::WhiteOnRed;
    return PanelStyle::Plain;
}

void TraceWindowModel::setSearching(bool on) {
    searching_ = on;
    changed();
}

void TraceWindowModel::setFilterState(int state) {
    filterState_ = state;
    changed();
}

void TraceWindowModel::notify(int code) {
    if (code == 4 || code == 8 || code == 9) setEnabled("cmPopSource", lineTableHasLines());
    if (code == 11 && host_.runState) {
        const auto [running, onTheFly] = host_.runState();
        setRunState(running, onTheFly);
    }
    box_.notify(code);
    if ((code == 6 || code == 11) && filterPattern_) applyTimeFilter();
    setDarstellung(box_.mode());
}

void TraceWindowModel::activated(std::uintptr_t windowId) {
    if (host_.activeWindowSlot) *host_.activeWindowSlot = windowId;
}

void TraceWindowModel::close(const WindowGeometry& g) {
    if (closed_) return;
    closed_ = true;
    const std::string key = kDriverKey;
    store_.writeInteger(key, section_, "Left", g.left);
    store_.writeInteger(key, section_, "Top", g.top);
    store_.writeInteger(key, section_, "Height", g.height);
    store_.writeInteger(key, section_, "Width", g.width);
    store_.writeInteger(key, section_, "AktionDoppelClick", doubleClickAction_);
    for (int c = 0; c < kTraceColumns; ++c) store_.writeInteger(key, section_, "Header" + std::to_string(c), widths_[c]);
    store_.writeInteger(key, section_, "Darstellung", box_.mode());
    store_.writeBool(key, section_, "ZeigeKontext", context_);
    if (host_.activeWindowSlot) *host_.activeWindowSlot = 0;
    numbers_.release(number_);
    // The window is gone for the host even when the board refused to end
    // the on-the-fly trace; the refusal is reported afterwards.
    std::exception_ptr failed;
    if (host_.stopFlyingTrace) {
        try {
            host_.stopFlyingTrace();
        } catch (...) {
            failed = std::current_exception();
        }
    }
    if (host_.dialogClosed) host_.dialogClosed(kTag);
    if (failed) std::rethrow_exception(failed);
}

}  // namespace tarvex::ui
