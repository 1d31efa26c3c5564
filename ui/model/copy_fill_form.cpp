#include "ui/model/copy_fill_form.hpp"

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/utilities.hpp"
#include "ui/model/symbol_picker.hpp"

namespace tarvex::ui {
namespace {

constexpr const char* kSection = "CopyFillForm";
const char* const kItems[] = {"&Program", "&IntData", "E&xtData", "System", "SysEmul", "SysEmulHigh",
                              "SysSelect ab 5.0"};
const std::uint8_t kMemoryKind[] = {memkind::Program,  memkind::IntData,     memkind::ExtData,  memkind::System,
                                    memkind::SysEmul, memkind::SysEmulHigh, memkind::SysSelect};
// The validator's classes (bit k = kind k) for program, internal and
// external data; the system memories have no symbols.
const std::uint16_t kValidatorClasses[] = {0x0003, 0x0004, 0x0008, 0, 0, 0, 0};

}  // namespace

CopyFillFormModel::CopyFillFormModel(const DialogTables& tables, platform::SettingsStore& store)
    : DialogModel(kSection, 0, store), store_(store),
      validator_(tables.symbols, tables.lines, tables.registers, tables.trace, tables.context) {
    const char* const labels[][2] = {{"StartLabel", "&Start address:"}, {"EndLabel", "&End address:"},
                                     {"NachOderMit", "&Destination address:"}, {"SucheStart", "?"},
                                     {"SucheEnde", "?"},                 {"SucheZiel", "?"},
                                     {"SpeicherGroup", " Memory: "},     {"OkButton", "&Ok"},
                                     {"CancelButton", "Cancel"},         {"HilfeButton", "He&lp"}};
    for (const auto& l : labels) edit(l[0]).text = l[1];
    setCaption(std::string(LoadStr(184)));
    speicherCount_ = tables.systemMode ? 7 : 3;
    auto& group = edit("SpeicherGroup");
    group.items.assign(kItems, kItems + speicherCount_);
    // A memory saved in system mode may not be offered now.
    speicherIndex_ = store.readInteger(kDriverKey, kSection, "SpeicherIndex", 2);
    if (speicherIndex_ < 0 || speicherIndex_ >= speicherCount_) speicherIndex_ = 2;
    group.itemIndex = speicherIndex_;
}

void CopyFillFormModel::SetAufgabe(TCFAufgabe aufgabe) {
    if (aufgabe == aufgabe_) return;
    aufgabe_ = aufgabe;
    ShowAufgabe();
}

void CopyFillFormModel::ShowAufgabe() {
    const bool eprom = aufgabe_ == cfEpromKopieren;
    setCaption(std::string(LoadStr(aufgabe_ == cfKopieren ? 184 : eprom ? 185 : 186)));
    if (!eprom) edit("NachOderMit").text = std::string(LoadStr(aufgabe_ == cfKopieren ? 183 : 182));
    for (const char* name : {"NachOderMit", "ZielAdresse", "SucheZiel", "SpeicherGroup"}) edit(name).visible = !eprom;
    changed();
}

std::string CopyFillFormModel::ThirdHistorySection() const {
    return aufgabe_ == cfFuellen ? "CopyFillFormData" : "CopyFillFormAdresse3";
}

forms::FormEvents CopyFillFormModel::events(forms::FormWindow window) {
    auto history = window.history;
    auto events = dialogEvents(*this, std::move(window), [this] { Ok(); }, [this](const std::string& name) {
        Browse(name);
    });
    events.text = [this](const std::string& name, const std::string& text) { EditText(name, text); };
    events.choose = [this](const std::string& name, int index) {
        if (name == "SpeicherGroup") SelectSpeicher(index);
    };
    // The third field keeps destinations and data apart.
    events.changed = [this, history = std::move(history)] {
        if (history) history("ZielAdresse", ThirdHistorySection());
    };
    return events;
}

void CopyFillFormModel::EditText(const std::string& combo, const std::string& text) { edit(combo).text = text; }

void CopyFillFormModel::SelectSpeicher(int index) {
    if (index < 0 || index >= speicherCount_) return;
    speicherIndex_ = index;
    edit("SpeicherGroup").itemIndex = index;
    changed();
}

void CopyFillFormModel::Browse(const std::string& button) {
    const char* combo = button == "SucheStart" ? "StartAdresse" : button == "SucheEnde" ? "EndAdresse" : "ZielAdresse";
    SymbolPickRequest request{PickMode::Symbols, std::nullopt, std::string(LoadStr(325))};
    const Klassen browserClasses[] = {klasse::Program | klasse::Modul, klasse::IntData, klasse::ExtData};
    if (speicherIndex_ < 3) request.klassen = browserClasses[speicherIndex_];
    const auto picked = pickSymbol(request);
    if (!picked) return;
    edit(combo).text = picked->name;
    if (picked->kind == 0 || picked->kind == 1) speicherIndex_ = 0;
    else if (picked->kind == 2) speicherIndex_ = 1;
    else if (picked->kind == 3) speicherIndex_ = 2;
    edit("SpeicherGroup").itemIndex = speicherIndex_;
    changed();
}

void CopyFillFormModel::Ok() { store_.writeInteger(kDriverKey, kSection, "SpeicherIndex", speicherIndex_); }

void CopyFillFormModel::Ausfuehren(TKommandoStruktur& command) {
    const std::string start = control("StartAdresse").text;
    const std::string end = control("EndAdresse").text;
    const std::string third = control("ZielAdresse").text;
    if (aufgabe_ == cfFuellen && TrimBlanks(third).empty()) throw ECopyFillError(FmtLoadStr(229, third));

    TKommandoStruktur c = command;
    const auto index = static_cast<std::size_t>(speicherIndex_);
    c.memoryKind = kMemoryKind[index];
    validator_.SetKonvertierung(TVokWinKonvertierung::vwkString2BankAdresse);
    validator_.SetSymbolKlassen(kValidatorClasses[index]);
    validator_.SetGanzeGroesse(TrimBlanks(end).empty());
    c.flag = aufgabe_ == cfEpromKopieren;
    validator_.Konvertieren(start);
    c.start = validator_.OutAdresse(TVokWinValidator::kVon);
    if (TrimBlanks(end).empty()) {
        // A symbol's whole size, a range's end, or the one address.
        c.end = validator_.OutAdresse(TVokWinValidator::kBis);
    } else {
        validator_.Konvertieren(end);
        c.end = validator_.OutAdresse(TVokWinValidator::kVon);
        if ((c.memoryKind == memkind::SysEmul || c.memoryKind == memkind::SysEmulHigh) && c.start.banked &&
            !c.end.banked && TrimBlanks(end).starts_with('0'))
            c.end = BankedAdresse(0, c.end.offset);
    }
    switch (aufgabe_) {
        case cfKopieren:
            validator_.SetGanzeGroesse(false);
            validator_.Konvertieren(third);
            c.destination = validator_.OutAdresse(TVokWinValidator::kVon);
            c.code = cmd::Copy;
            break;
        case cfEpromKopieren: c.code = cmd::CopyEprom; break;
        case cfFuellen: {
            validator_.SetSymbolKlassen(0);
            validator_.SetKonvertierung(TVokWinKonvertierung::vwkString2Byte);
            std::string data = HexStrNormalize(TrimBlanks(third));
            if (data.empty()) data = third;
            validator_.Konvertieren(data);
            c.value = static_cast<std::uint8_t>(validator_.OutVonInt());
            c.code = cmd::Initialize;
            break;
        }
    }
    command = c;
}

}  // namespace tarvex::ui
