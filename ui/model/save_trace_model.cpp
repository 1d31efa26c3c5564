#include "ui/model/save_trace_model.hpp"

#include <cctype>
#include <cstdlib>

#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "ui/model/guarded.hpp"

namespace tarvex::ui {

namespace {

const char* const kFormatItems[4] = {"&Cycle", "&Assembled", "&Mixed Mode", "S&ource"};

TBankAdresse indexAddress(std::uint32_t index) {
    TBankAdresse a;
    a.bank = static_cast<std::uint8_t>(index >> 16);
    a.offset = static_cast<std::uint16_t>(index);
    a.banked = true;
    return a;
}

std::uint32_t addressIndex(const TBankAdresse& a) {
    return static_cast<std::uint32_t>(a.bank) << 16 | a.offset;
}

std::string trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

}  // namespace

SaveTraceModel::SaveTraceModel(platform::SettingsStore& store, std::string objectDir)
    : DialogModel("FormSaveTrace", kHelpContext, store), objectDir_(std::move(objectDir)) {
    setCaption("Save trace into file");
    setText("FileGroup", " File &name: ");
    setText("StartGroup", " &Start index: ");
    setText("EndGroup", " &End index: ");
    setText("SucheDatei", "&Browse");
    setText("OkButton", "Save");
    setText("CancelButton", "Cancel");
    setText("HilfeButton", "He&lp");
    setText("FormatGroup", " Format: ");
    setItems("FormatGroup", {kFormatItems, kFormatItems + 4}, 1);
}

void SaveTraceModel::setFileName(std::string text) {
    setText("DateiName", std::move(text));
    changed();
}
void SaveTraceModel::setStart(std::string text) {
    setText("StartAdresse", std::move(text));
    changed();
}
void SaveTraceModel::setEnd(std::string text) {
    setText("EndAdresse", std::move(text));
    changed();
}
void SaveTraceModel::chooseFormat(int item) {
    if (item < 0 || item > 3) return;
    edit("FormatGroup").itemIndex = item;
    changed();
}

void SaveTraceModel::clickBrowse() {
    auto* files = platform::currentUi().files;
    if (!files) return;
    platform::FileRequest request;
    request.title = std::string(LoadStr(28));
    request.filter = "Text files (*.txt)|*.txt|all files (*.*)|*.*";
    request.initialDir = objectDir_;
    request.fileName = control("DateiName").text;
    request.mustExist = false;
    if (auto choice = files->chooseFile(request)) setFileName(choice->path);
}

std::string SaveTraceModel::withDefaultExtension(const std::string& name) {
    const auto slash = name.find_last_of("/\\");
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return name;
    return name + ".txt";
}

bool SaveTraceModel::parseIndex(const std::string& raw, const char* what, std::uint32_t& value) const {
    const std::string text = trimmed(raw);
    if (text.empty()) {
        value = 0;
        return true;
    }
    std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    bool digits = i < text.size();
    for (std::size_t k = i; k < text.size(); ++k) digits = digits && std::isdigit(static_cast<unsigned char>(text[k]));
    if (!digits || text.size() > 12) {
        ErrorBox("'" + text + "' is not a valid integer value", platform::mb::Ok);
        return false;
    }
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    // A frame index is 24 bits wide; a negative one would become bank 0xFF.
    if (v < 0 || v > 0xFFFFFF) {
        ErrorBox(FmtResStr(rs::ValueOutOfRange, what, static_cast<std::int64_t>(v)), platform::mb::Ok);
        return false;
    }
    value = static_cast<std::uint32_t>(v);
    return true;
}

bool SaveTraceModel::clickSave() {
    if (trimmed(control("DateiName").text).empty()) {
        ErrorBox(std::string(LoadStr(288)), platform::mb::Ok);
        return false;
    }
    std::uint32_t start = 0, end = 0;
    if (!parseIndex(control("StartAdresse").text, "Start index", start)) return false;
    if (!parseIndex(control("EndAdresse").text, "End index", end)) return false;
    start_ = start;
    end_ = end;
    return true;
}

void SaveTraceModel::writeCommand(TKommandoStruktur& command) const {
    command.code = cmd::SaveTrace;
    command.memoryKind = memkind::Trace;
    command.start = indexAddress(start_);
    command.end = indexAddress(end_);
    const int item = control("FormatGroup").itemIndex;
    command.fileFormat = static_cast<std::uint8_t>(kFormats[item >= 0 && item < 4 ? item : 1]);
    command.text1 = withDefaultExtension(trimmed(control("DateiName").text));
}

void SaveTraceModel::readCommand(const TKommandoStruktur& command) {
    setText("DateiName", command.text1);
    start_ = addressIndex(command.start);
    end_ = addressIndex(command.end);
    setText("StartAdresse", std::to_string(start_));
    setText("EndAdresse", std::to_string(end_));
    int item = 1;
    switch (command.fileFormat) {
    case 0: item = 0; break;
    case 7: item = 2; break;
    case 2: item = 3; break;
    default: item = 1; break;
    }
    edit("FormatGroup").itemIndex = item;
    changed();
}

forms::FormEvents SaveTraceModel::events(forms::FormWindow window) {
    auto keep = window.keepHistories;
    auto events = dialogEvents(*this, {window.end, {}, {}, {}}, {}, [this](const std::string& name) {
        if (name == "SucheDatei") guarded([this] { clickBrowse(); });
    });
    // OK closes only what the model accepts.
    events.click = [this, end = window.end, click = std::move(events.click)](const std::string& name) {
        if (name != "OkButton") return click(name);
        bool accepted = false;
        guarded([&] { accepted = clickSave(); });
        if (accepted && end) end(true);
    };
    events.text = [this](const std::string& name, const std::string& text) {
        if (name == "DateiName" && text != control(name).text) setFileName(text);
        if (name == "StartAdresse") setStart(text);
        if (name == "EndAdresse") setEnd(text);
    };
    events.choose = [this](const std::string& name, int index) {
        if (name == "FormatGroup") chooseFormat(index);
    };
    events.ended = [keep = std::move(keep)](bool) {
        if (keep) keep();
    };
    return events;
}

}  // namespace tarvex::ui
