#pragma once
// The windows of the performance measurement: the definitions dialog and the
// analysis of a result, each its described form over its model, which routes
// the controls' events; and the two entries the driver's menu opens them by.
#include <cstdint>

#include "emulator/debug/performance.hpp"
#include "platform/settings.hpp"
#include "ui/model/performance_forms.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/qt_form.hpp"

class QTreeWidget;

namespace tarvex::ui {

// The frame count steps with arrows, in hundreds up to the trace memory.
class PerformanceDefineDialog final : public DialogBase {
    Q_OBJECT
public:
    PerformanceDefineDialog(PerfDefineModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                            QWidget* parent = nullptr);

    PerfDefineModel& form() const { return model_; }

private:
    PerfDefineModel& model_;
    QtForm form_;
};

// The share of each range as a red bar in the blank column.
class PerformanceAnalyseDialog final : public DialogBase {
    Q_OBJECT
public:
    explicit PerformanceAnalyseDialog(PerfAnalyseModel& model, QWidget* parent = nullptr);

    PerfAnalyseModel& form() const { return model_; }
    // The bar column: fifth from zero.
    static constexpr int kBarColumn = 5;

private:
    // The given widths are a minimum: no text column is cut.
    void fitColumns();

    PerfAnalyseModel& model_;
    QtForm form_;
    QTreeWidget* list_ = nullptr;
    int fittedRows_ = -1;
};

// "Performance definitions...": the dialog on a copy of the component's
// ranges; after "&Ok" the component takes the list, the frame count, the
// time base and the mode (switching on may raise the first range's
// conversion error). True for "&Ok".
bool RunPerformanceDefinitions(TPerformance& perf, std::uint32_t traceCapacity, const DialogTables& tables,
                               platform::SettingsStore& store = platform::defaultSettings(),
                               QWidget* parent = nullptr);
// "Performance analysis...": the component's result.
void RunPerformanceAnalysis(const TPerformanceList& result, const IPerformanceTrace* trace, const IBankingInfo* banking,
                            platform::SettingsStore& store = platform::defaultSettings(), QWidget* parent = nullptr);

}  // namespace tarvex::ui
