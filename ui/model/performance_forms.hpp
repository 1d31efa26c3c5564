#pragma once
// The two dialogs around the performance measurement: the definitions
// (ranges, frame count, time base, mode) edited on a private copy of the
// component's list and handed back after "&Ok", and the analysis of a result
// (one row per range with a bar of its share, the durations of the selected
// range, the walk's messages).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/debug/performance.hpp"
#include "emulator/validator.hpp"
#include "platform/settings.hpp"
#include "ui/model/dialog_model.hpp"
#include "ui/model/dialog_tables.hpp"

namespace tarvex::ui {

// A deep copy: the lists own their items.
void CopyPerformanceList(const TPerformanceList& from, TPerformanceList& to);

// What the definitions dialog starts from and hands back.
struct PerfDefineSettings {
    std::uint32_t minFrames = 1;
    // The trace board's capacity: the largest frame count.
    std::uint32_t maxFrames = 1000;
    std::uint32_t frames = 100;
    int timeBase = 0;
    bool active = false;
};

// The component's settings; the capacity comes from its trace board.
PerfDefineSettings PerfSettingsOf(TPerformance& perf, std::uint32_t capacity);

class PerfDefineModel final : public DialogModel {
public:
    PerfDefineModel(const DialogTables& tables, platform::SettingsStore& store, const PerfDefineSettings& settings);

    void SetDefinitionen(const TPerformanceList& list);
    const TPerformanceList& Definitionen() const { return list_; }
    // Range text, start, end, comment; one row per item in list order.
    std::vector<std::array<std::string, 4>> Rows() const;
    int SelectedRow() const { return selected_; }
    void SelectRow(int row);

    // Combos "BereichAdresse" and "Kommentar".
    void EditText(const std::string& combo, const std::string& text);
    // False when the range was refused (an error box said why).
    bool Insert();
    void Delete();
    void Edit();
    // "?": module symbols replace the range text, labels are appended.
    void Browse();
    void DefaultSettings();

    // The default button follows the focus; names are the controls'.
    void FocusEntered(const std::string& control);
    const std::string& DefaultButton() const { return defaultButton_; }

    const PerfDefineSettings& Settings() const { return settings_; }
    void SetFrameCount(std::uint32_t frames);
    // The typed frame count, clamped; one that is no number gives way to
    // the count in force.
    void ApplyFrameText();
    void SetTimeBase(int index);
    void SetPerfMode(bool on);

    int ColumnWidth(int column) const;
    // "&Ok": position is kept by the view, the column widths here.
    void Ok(const std::vector<int>& columnWidths);
    // What the caller does after "&Ok": the component takes the list, the
    // frame count, the time base and the mode (switching on may raise).
    void ApplyTo(TPerformance& perf) const;

    // The form's events over its window: the fields' histories keep what
    // was inserted, the default button follows the focus.
    forms::FormEvents events(forms::FormWindow window);

private:
    void refill(int select);
    void removeRow(int row);

    platform::SettingsStore& store_;
    TSymboltabelle* symbols_;
    TVokWinValidator validator_;
    TPerformanceList list_;
    PerfDefineSettings settings_;
    int selected_ = -1;
    std::string defaultButton_ = "OkButton";
};

class PerfAnalyseModel final : public DialogModel {
public:
    // The trace gives the time texts (null: time base 0).
    // Addresses are written with the banking given (null: none).
    PerfAnalyseModel(platform::SettingsStore& store, const IBankingInfo* banking,
                     const IPerformanceTrace* trace = nullptr);

    void SetErgebnis(const TPerformanceList& result);
    const TPerformanceList& Ergebnis() const { return list_; }
    // Start, end, total, count, percent, bar (blank), comment.
    std::vector<std::array<std::string, 7>> Rows() const;
    int SelectedRow() const { return selected_; }
    void SelectRow(int row);
    // The bar's share of its column for a row; 0 for none.
    int BarWidth(int row, int columnWidth) const;

    forms::FormEvents events(forms::FormWindow window);

private:
    const IBankingInfo* banking_;
    const IPerformanceTrace* trace_;
    TPerformanceList list_;
    int selected_ = -1;
};

// A percentage read back from a project file may be anything: clamped to
// the column, nothing for a value that is not a number.
int PerfBarWidth(double percent, int columnWidth);

}  // namespace tarvex::ui
