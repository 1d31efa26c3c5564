#pragma once
// The symbol browser: the loaded symbols, the line numbers or the predefined
// register symbols in one list with a detail panel, filtered by module or
// function and by class, sorted, and searched as the user types a name.
// Other dialogs open it as their symbol picker.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/settings.hpp"
#include "ui/model/dialog_model.hpp"
#include "ui/model/symbol_picker.hpp"

namespace tarvex {
class TSymboltabelle;
class TZeilennummertabelle;
class TRegisterTabelle;
}  // namespace tarvex

namespace tarvex::ui {

// The tables the browser lists; any may be null (nothing of that sort).
struct SymbolBrowserSources {
    TSymboltabelle* symbols = nullptr;
    TZeilennummertabelle* lines = nullptr;
    const TRegisterTabelle* registers = nullptr;
    bool systemMode = false;
};

class SymbolBrowserModel final : public DialogModel {
public:
    // The list's header sections: the entry's text, its address, its class.
    static constexpr int kSections = 3;

    SymbolBrowserModel(const SymbolBrowserSources& sources, platform::SettingsStore& store);

    // The check boxes of the class group and the bit each stands for.
    static const std::vector<std::pair<const char*, Klassen>>& ClassBoxes();

    Klassen klassen() const { return klassen_; }
    void SetKlassen(Klassen klassen);
    bool RegisterAnzeigen() const { return mode_ == PickMode::Registers; }
    void SetRegisterAnzeigen(bool on);
    bool ZeilenNummern() const { return mode_ == PickMode::Lines; }
    void SetZeilenNummern(bool on);
    PickMode mode() const { return mode_; }
    void SetAcceptCaption(const std::string& caption);
    // The history section of the name combo in the current mode.
    std::string NameHistorySection() const;

    // User actions.
    void SelectModule(int index);
    void ClickCheckAlle(bool checked);
    void ClickClass(const std::string& box, bool checked);
    void SelectSort(int index);
    // The name combo's text changed: the incremental search.
    void TypeName(const std::string& text);
    // A click on a list entry: selects it and takes its text as the name.
    void ClickEntry(int row);
    // OK: the settings are written (the view keeps the name's history).
    void Ok();
    // The form's events. OK takes only a selected entry. The name field
    // offers the names typed before in the current mode, starting empty (a
    // search would select an entry at once).
    forms::FormEvents events(forms::FormWindow window);

    int EntryCount() const { return static_cast<int>(entries_.size()); }
    std::string CellText(int row, int section) const;
    // Section widths in characters.
    std::vector<int> SectionColumns() const;
    int Selected() const { return selected_; }
    int ModuleIndex() const { return moduleIndex_; }
    int Sortierung() const { return sortierung_; }

    // The accepted entry; nothing unless one is selected.
    std::optional<PickedSymbol> GetSymbol() const;
    std::string GetSymbolName() const;

private:
    struct Entry {
        std::string text;
        const TSymbol* symbol = nullptr;
        TZeilennummer* line = nullptr;
        const TRegister* reg = nullptr;
    };

    void ReadSettings();
    void WriteSettings();
    void SwitchMode(PickMode mode);
    void FillModules();
    void Refill();
    void FillSymbols(std::uint16_t moduleId, std::uint16_t functionId);
    void FillLines(std::uint16_t moduleId, std::uint16_t functionId);
    void FillRegisters();
    void Select(int row);
    void ShowControls();
    void ShowDetails();
    std::string KindText(const Entry& e) const;
    TBankAdresse AddressOf(const Entry& e) const;
    bool SortedByName() const { return sortierung_ == 1 && mode_ != PickMode::Lines; }

    SymbolBrowserSources src_;
    // The banking the symbol table reads its addresses with (null: none).
    const IBankingInfo* banking() const;
    platform::SettingsStore& store_;
    PickMode mode_ = PickMode::Symbols;
    Klassen klassen_ = klasse::Alle;
    int moduleIndex_ = 0;
    int sortierung_ = 1;
    int symbolIndex_ = 0;
    int selected_ = -1;
    std::vector<const TSymbol*> modules_;
    std::vector<Entry> entries_;
    int widest_ = 0;
};

}  // namespace tarvex::ui
