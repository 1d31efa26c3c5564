#include "ui/qt/driver/trace_export_status.hpp"

#include "ui/qt/dialog_base.hpp"

namespace tarvex::ui {

void SaveStatusExportStatus::show(const std::string& caption, const std::string& file, const std::string& memory,
                                  const std::string& range) {
    auto& m = form_.model();
    m.resetCancel();
    m.setCaption(caption);
    m.setFileName(file);
    m.setMemoryName(memory);
    m.setRange(range);
    m.setStatus("");
    bindControls(form_, m);
    form_.show();
    polls_ = 0;
}

void SaveStatusExportStatus::setStatus(const std::string& text) {
    form_.model().setStatus(text);
}

bool SaveStatusExportStatus::cancelRequested() {
    // Events are let through once every 16 lines, the frames of one block
    // the board's cache reads: often enough to answer, cheap enough to write.
    if (++polls_ % 16 != 1) return form_.model().cancelRequested();
    bindControls(form_, form_.model());
    return form_.cancelRequested();
}

void SaveStatusExportStatus::close() {
    bindControls(form_, form_.model());
    form_.hide();
}

}  // namespace tarvex::ui
