#pragma once
// The windows of the performance measurement on Windows: the definitions
// dialog with the histories of its two fields and the arrows of its frame
// count, and the analysis of a result with the bars of each row's share.
#include <cstdint>
#include <memory>

#include "emulator/debug/performance.hpp"
#include "ui/model/performance_forms.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

class PerformanceDefineWin32 {
public:
    PerformanceDefineWin32(PerfDefineModel& model, platform::SettingsStore& store, HWND owner);
    Win32Form& form() { return *form_; }
    HWND arrows() const { return arrows_; }

private:
    PerfDefineModel& model_;
    FieldHistories histories_;
    std::unique_ptr<Win32Form> form_;
    HWND arrows_ = nullptr;
};

class PerformanceAnalyseWin32 {
public:
    PerformanceAnalyseWin32(PerfAnalyseModel& model, HWND owner);
    Win32Form& form() { return *form_; }
    // The bar column.
    static constexpr int kBarColumn = 5;

private:
    // The given widths are a minimum: no text column is cut.
    void fitColumns();

    PerfAnalyseModel& model_;
    std::unique_ptr<Win32Form> form_;
};

// "Performance definitions...": the dialog on a copy of the component's
// ranges; after "&Ok" the component takes the list, the frame count, the
// time base and the mode (switching on may raise the first range's
// conversion error). True for "&Ok".
bool runPerformanceDefinitions(TPerformance& perf, std::uint32_t traceCapacity, const DialogTables& tables,
                               platform::SettingsStore& store, HWND owner);
// "Performance analysis...": the component's result.
void runPerformanceAnalysis(const TPerformanceList& result, const IPerformanceTrace* trace, const IBankingInfo* banking,
                            platform::SettingsStore& store, HWND owner);

}  // namespace tarvex::ui::win32
