#pragma once
// The save-status form as the trace export's progress: caption, file,
// memory and range while it runs, the count of lines written, and its
// "Abbrechen" as the export's cancel.
#include "ui/model/trace_export.hpp"
#include "ui/qt/status_forms.hpp"

namespace tarvex::ui {

class SaveStatusExportStatus final : public TraceExportStatus {
public:
    explicit SaveStatusExportStatus(SaveStatusForm& form) : form_(form) {}
    void show(const std::string& caption, const std::string& file, const std::string& memory,
              const std::string& range) override;
    void setStatus(const std::string& text) override;
    bool cancelRequested() override;
    void close() override;

private:
    SaveStatusForm& form_;
    int polls_ = 0;
};

}  // namespace tarvex::ui
