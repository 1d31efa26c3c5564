#include "ui/model/save_memory_form.hpp"

#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/utilities.hpp"
#include "platform/ui.hpp"
#include "ui/model/symbol_picker.hpp"

namespace tarvex::ui {
namespace {

constexpr const char* kSection = "FormSave";
const char* const kFormats[] = {"&Binary", "Intel &Hex", "Hex &Dump", "Assembler &List", "Assembler Sour&ce"};
const std::uint8_t kFileFormat[] = {fileformat::Binary, fileformat::IntelHex, fileformat::HexDump,
                                    fileformat::AssemblerList, fileformat::AssemblerSource};
const char* const kExtension[] = {".bin", ".hex", ".dmp", ".lst", ".asm"};
const char* const kRadios[] = {"RadioProgram", "RadioIntData", "RadioExtData", "RadioSys"};
const std::uint16_t kValidatorClasses[] = {0x0003, 0x0004, 0x0008, 0};

bool HasExtension(const std::string& path) {
    const std::size_t name = path.find_last_of("/\\");
    const std::size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (name == std::string::npos || dot > name);
}

}  // namespace

SaveMemoryFormModel::SaveMemoryFormModel(const DialogTables& tables, platform::SettingsStore& store,
                                         std::string objectDir)
    : DialogModel(kSection, 0, store), store_(store),
      validator_(tables.symbols, tables.lines, tables.registers, tables.trace, tables.context),
      objectDir_(std::move(objectDir)), systemMode_(tables.systemMode) {
    const char* const labels[][2] = {
        {"FormatGroup", " Format: "},       {"SpeicherGroup", " Memory: "},       {"RadioProgram", "&Program"},
        {"RadioIntData", "&IntData"},       {"RadioExtData", "E&xtData"},         {"RadioSys", "S&ystem"},
        {"StartLabel", " Start &address/name: "}, {"EndLabel", " &End address/name: "},
        {"DateiLabel", " File &name: "},    {"SucheStart", "?"},                  {"SucheEnde", "?"},
        {"SucheDatei", "Bro&wse"},          {"OkButton", "Save"},                 {"CancelButton", "Cancel"},
        {"HilfeButton", "He&lp"}};
    for (const auto& l : labels) edit(l[0]).text = l[1];
    setCaption("Save memory range into file");
    edit("RadioSys").visible = systemMode_;
    edit("RadioSys").enabled = systemMode_;
    edit("FormatGroup").items.assign(std::begin(kFormats), std::end(kFormats));
    format_ = store.readInteger(kDriverKey, kSection, "Format", 1);
    if (format_ < 0 || format_ >= 5) format_ = 1;
    // The system memory is offered only in system mode.
    speicher_ = store.readInteger(kDriverKey, kSection, "Speicher", 0);
    if (speicher_ < 0 || speicher_ > 3 || (speicher_ == 3 && !systemMode_)) speicher_ = 0;
    FormatClick(format_);
}

void SaveMemoryFormModel::ShowMemory() {
    for (int i = 0; i < 4; ++i) edit(kRadios[i]).checked = i == speicher_;
    const bool raw = format_ <= 2;
    edit("RadioIntData").enabled = raw;
    edit("RadioExtData").enabled = raw;
    edit("RadioSys").enabled = raw && systemMode_;
    edit("FormatGroup").itemIndex = format_;
    changed();
}

forms::FormEvents SaveMemoryFormModel::events(forms::FormWindow window) {
    auto events = dialogEvents(*this, std::move(window), [this] { Ok(); }, [this](const std::string& name) {
        if (name == "SucheDatei")
            BrowseFile();
        else if (name == "SucheStart" || name == "SucheEnde")
            BrowseSymbol(name);
        else
            SelectMemory(name);
    });
    events.text = [this](const std::string& name, const std::string& text) { EditText(name, text); };
    events.choose = [this](const std::string& name, int index) {
        if (name == "FormatGroup") FormatClick(index);
    };
    return events;
}

void SaveMemoryFormModel::EditText(const std::string& combo, const std::string& text) { edit(combo).text = text; }

void SaveMemoryFormModel::FormatClick(int index) {
    if (index < 0 || index >= 5) return;
    format_ = index;
    if (format_ > 2 && speicher_ != 0) {
        speicher_ = 0;
        Beep();
    }
    ShowMemory();
}

void SaveMemoryFormModel::SelectMemory(const std::string& radio) {
    for (int i = 0; i < 4; ++i) {
        if (radio != kRadios[i] || !control(radio).enabled || !control(radio).visible) continue;
        speicher_ = i;
        ShowMemory();
    }
}

void SaveMemoryFormModel::BrowseFile() {
    auto* files = platform::currentUi().files;
    if (files == nullptr) return;
    platform::FileRequest request;
    request.title = std::string(LoadStr(28));
    request.filter = kFilter;
    request.initialDir = objectDir_;
    request.fileName = control("DateiName").text;
    request.filterIndex = format_ + 1;
    request.mustExist = false;
    const auto choice = files->chooseFile(request);
    if (!choice) return;
    edit("DateiName").text = choice->path;
    if (choice->filterIndex >= 1 && choice->filterIndex <= 5) {
        FormatClick(choice->filterIndex - 1);
    } else {
        changed();
    }
}

void SaveMemoryFormModel::BrowseSymbol(const std::string& button) {
    const Klassen classes[] = {klasse::Program | klasse::Modul, klasse::IntData, klasse::ExtData,
                               klasse::Program | klasse::Modul};
    const auto picked =
        pickSymbol({PickMode::Symbols, classes[speicher_], std::string(LoadStr(325))});
    if (!picked) return;
    const int k = picked->kind;
    const bool fits = (k == 0 || k == 1)   ? speicher_ == 0
                      : k == 2             ? speicher_ == 1
                      : k == 3             ? speicher_ == 2
                                           : true;
    if (!fits) {
        Beep();
        return;
    }
    setText(button == "SucheEnde" ? "EndAdresse" : "StartAdresse", picked->name);
}

void SaveMemoryFormModel::Ok() {
    store_.writeInteger(kDriverKey, kSection, "Format", format_);
    store_.writeInteger(kDriverKey, kSection, "Speicher", speicher_);
}

void SaveMemoryFormModel::GetKommando(TKommandoStruktur& command) {
    TKommandoStruktur c = command;
    c.memoryKind = static_cast<std::uint8_t>(speicher_);  // the command's kinds 0..3 in the same order
    c.text1 = control("DateiName").text;
    c.flag = false;
    c.options = 0;
    std::string start(TrimBlanks(control("StartAdresse").text));
    const std::string end(TrimBlanks(control("EndAdresse").text));
    if (start.empty()) start = "0";
    validator_.SetKonvertierung(TVokWinKonvertierung::vwkString2BankAdresse);
    validator_.SetSymbolKlassen(kValidatorClasses[speicher_]);
    validator_.SetGanzeGroesse(end.empty());
    validator_.Konvertieren(start);
    c.start = validator_.OutAdresse(TVokWinValidator::kVon);
    if (end.empty()) {
        // A sized symbol's end; for a plain address the address itself: an
        // empty end never reaches back to address 0.
        c.end = validator_.OutAdresse(TVokWinValidator::kBis);
    } else {
        validator_.Konvertieren(end);
        c.end = validator_.OutAdresse(TVokWinValidator::kVon);
    }
    c.fileFormat = kFileFormat[format_];
    if (!c.text1.empty() && !HasExtension(c.text1)) c.text1 += kExtension[format_];
    c.code = cmd::Save;
    command = c;
}

void SaveMemoryFormModel::SetKommando(TKommandoStruktur& command) {
    const int kind = command.memoryKind;
    speicher_ = kind == 1 || kind == 2 || (kind == 3 && systemMode_) ? kind : 0;
    edit("DateiName").text = command.text1;
    command.flag = false;
    edit("StartAdresse").text = BankAdresseToStr(command.start, validator_.Banking());
    edit("EndAdresse").text = BankAdresseToStr(command.end, validator_.Banking());
    int index = 0;
    for (int i = 0; i < 5; ++i)
        if (kFileFormat[i] == command.fileFormat) index = i;
    format_ = index;
    ShowMemory();
}

}  // namespace tarvex::ui
