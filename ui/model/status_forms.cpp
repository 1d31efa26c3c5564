#include "ui/model/status_forms.hpp"

#include "core/message_box.hpp"

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

StopErrorModel::StopErrorModel() {
    setCaption("Error");
    edit("Label1").text = "No reaction of target processor";
    edit("Label2").text = "Perform hardware reset?";
    edit("OkBtn").text = "Yes";
}

}  // namespace tarvex::ui
