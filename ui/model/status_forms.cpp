#include "ui/model/status_forms.hpp"

#include <utility>

#include "core/message_box.hpp"
#include "core/messages.hpp"

namespace tarvex::ui {

LoadStatusModel::LoadStatusModel() {
    setCaption("Lade-Status");
    const char* const labels[][2] = {{"DateiLabel", "Datei:"},       {"Dateiname", "Dateiname"},
                                     {"CodeBytes", "Code:"},         {"CodeAnzahl", "0"},
                                     {"ZeilenLabel", "Zeilen:"},     {"ZeilenAnzahl", "0"},
                                     {"SymboleLabel", "Symbole:"},   {"SymbolAnzahl", "0"},
                                     {"PellunarLabel", "Pellunars:"}, {"PellunarAnzahl", "0"},
                                     {"StatusLabel", "Status:"},     {"Warnung", "Warnung"},
                                     {"AbbruchButton", "Abbrechen"}};
    for (const auto& l : labels) edit(l[0]).text = l[1];
    // The Pellunar counter shows only for programs that have any.
    edit("PellunarLabel").visible = false;
    edit("PellunarAnzahl").visible = false;
}

void LoadStatusModel::addLine(const std::string& text, bool isError) {
    auto items = control("MessageBox").items;
    items.push_back(text);
    if (isError) {
        ++errors_;
        Beep();
    }
    setItems("MessageBox", std::move(items), -1);
}

void LoadStatusModel::setText(platform::LoadField field, const std::string& text) {
    static const char* const names[platform::LoadFieldCount] = {
        nullptr,        "DateiLabel",   "ZeilenLabel",    "SymboleLabel",  "Dateiname", "CodeBytes", "CodeAnzahl",
        "ZeilenAnzahl", "SymbolAnzahl", "PellunarLabel", "PellunarAnzahl", "Warnung",   "AbbruchButton"};
    if (field == platform::LoadField::Caption) return setCaption(text);
    FormModel::setText(names[static_cast<int>(field)], text);
}

void LoadStatusModel::setPellunarVisible(bool on) {
    setVisible("PellunarLabel", on);
    setVisible("PellunarAnzahl", on);
}

void LoadStatusModel::clearLines() {
    setItems("MessageBox", {}, -1);
    cancel_ = false;
}

void LoadStatusModel::setOpen(bool open) {
    open_ = open;
    if (open) cancel_ = false;
    changed();
}

SaveStatusModel::SaveStatusModel() {
    setCaption("FormSaveStatus");
    const char* const labels[][2] = {{"SpeichernGroup", " Speichern: "}, {"DateiLabel", "Datei:"},
                                     {"Dateiname", "Dateiname"},         {"SpeicherLabel", "Speicher:"},
                                     {"Speichertyp", "Speichertyp"},     {"BereichLabel", "Bereich:"},
                                     {"AdressBereich", "AdressBereich"}, {"StatusGroup", " Status: "},
                                     {"GesichertLabel", "gesichert:"},   {"Status", "Status"},
                                     {"CancelButton", "Abbrechen"}};
    for (const auto& l : labels) edit(l[0]).text = l[1];
}

void SaveStatusModel::setLabel(const std::string& theirs, const std::string& text) {
    static const std::pair<const char*, const char*> names[] = {
        {"GroupBox1", "SpeichernGroup"}, {"Label1", "DateiLabel"},     {"Label2", "SpeicherLabel"},
        {"Label3", "BereichLabel"},      {"Label4", "GesichertLabel"}, {"CancelButton", "CancelButton"}};
    for (const auto& [name, ours] : names)
        if (theirs == name) setText(ours, text);
}

forms::FormEvents SaveStatusModel::events() {
    forms::FormEvents events;
    events.click = [this](const std::string& name) {
        if (name == "CancelButton") clickCancel();
    };
    return events;
}

ErrorFormModel::ErrorFormModel(const std::string& message, const std::string& firstLine) {
    setCaption("Error");
    edit("FirstLabel").text = firstLine;
    edit("ErrorLabel").text = message;
}

int ErrorFormModel::answerOf(const std::string& button) {
    if (button == "YesButton") return platform::IdYes;
    if (button == "RetryButton") return platform::IdRetry;
    return platform::IdCancel;
}

forms::FormEvents ErrorFormModel::events(std::function<void(int answer)> end) const {
    forms::FormEvents events;
    events.click = [end = std::move(end)](const std::string& name) { end(answerOf(name)); };
    return events;
}

NoticeModel::NoticeModel() { setCaption("VokWin"); }

ReadingTraceModel::ReadingTraceModel() {
    setCaption("VokWin");
    edit("Hinweis").text = std::string(LoadResStr(rs::ReadingTrace));
    edit("CancelButton").text = std::string(LoadResStr(rs::Cancel));
}

forms::FormEvents ReadingTraceModel::events() {
    forms::FormEvents events;
    events.click = [this](const std::string&) { clickCancel(); };
    return events;
}

StopErrorModel::StopErrorModel() {
    setCaption("Error");
    edit("Label1").text = "No reaction of target processor";
    edit("Label2").text = "Perform hardware reset?";
    edit("OkBtn").text = "Yes";
}

}  // namespace tarvex::ui
