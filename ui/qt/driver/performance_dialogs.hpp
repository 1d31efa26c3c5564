#pragma once
// The windows of the performance measurement: the definitions dialog and the
// analysis of a result, and the two entries the driver's menu opens them by.
#include <cstdint>

#include "emulator/debug/performance.hpp"
#include "platform/settings.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/model/performance_forms.hpp"

class QSpinBox;
class QTreeWidget;
class QPushButton;

namespace tarvex::ui {

class HistoryCombo;

class PerformanceDefineDialog final : public DialogBase {
    Q_OBJECT
public:
    PerformanceDefineDialog(PerfDefineModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                            QWidget* parent = nullptr);
    ~PerformanceDefineDialog() override;

    PerfDefineModel& form() const { return form_; }

private:
    void refresh();
    void focusMoved(QWidget* now);
    void okClick();

    PerfDefineModel& form_;
    QMetaObject::Connection focusConnection_;
    HistoryCombo* range_ = nullptr;
    HistoryCombo* comment_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QSpinBox* frames_ = nullptr;
    bool refreshing_ = false;
};

class PerformanceAnalyseDialog final : public DialogBase {
    Q_OBJECT
public:
    explicit PerformanceAnalyseDialog(PerfAnalyseModel& model, QWidget* parent = nullptr);
    ~PerformanceAnalyseDialog() override;

    PerfAnalyseModel& form() const { return form_; }
    // The bar column: fifth from zero.
    static constexpr int kBarColumn = 5;

private:
    void refresh();

    PerfAnalyseModel& form_;
    QTreeWidget* list_ = nullptr;
    bool refreshing_ = false;
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
