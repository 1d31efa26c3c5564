#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

const Control* Form::find(const std::string& controlName) const {
    for (const auto& c : controls)
        if (c.name == controlName) return &c;
    return nullptr;
}

std::string Form::tabControl() const {
    for (const auto& c : controls)
        if (c.kind == Kind::TabControl) return c.name;
    return {};
}

Control rowLabel(std::string name, std::string list, int row, int left, int width, std::string group) {
    Control c{Kind::Label, std::move(name), {}, left, 0, width, 0, NoFlags, std::move(group)};
    c.rowOf = std::move(list);
    c.row = row;
    return c;
}

Control reportList(std::string name, std::string headers, std::vector<int> widths, int left, int top, int width,
                   int height, unsigned flags, std::string group) {
    Control c{Kind::ReportList, std::move(name), std::move(headers), left, top, width, height, flags, std::move(group)};
    c.columnWidths = std::move(widths);
    return c;
}

Control withHistory(Control control, std::string section) {
    control.history = std::move(section);
    return control;
}

Control withTip(Control control, std::string tip) {
    control.toolTip = std::move(tip);
    return control;
}

Control withLimit(Control control, int maxLength) {
    control.maxLength = maxLength;
    return control;
}

}  // namespace tarvex::ui::forms
