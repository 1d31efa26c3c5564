#include "ui/model/form_model.hpp"

namespace tarvex::ui {

void FormModel::setCaption(std::string caption) {
    caption_ = std::move(caption);
    changed();
}

const ControlState& FormModel::control(const std::string& name) const {
    static const ControlState none;
    const auto it = controls_.find(name);
    return it == controls_.end() ? none : it->second;
}

void FormModel::setText(const std::string& name, std::string text) {
    edit(name).text = std::move(text);
    changed();
}

void FormModel::setEnabled(const std::string& name, bool enabled) {
    edit(name).enabled = enabled;
    changed();
}

void FormModel::setVisible(const std::string& name, bool visible) {
    edit(name).visible = visible;
    changed();
}

void FormModel::setChecked(const std::string& name, bool checked) {
    edit(name).checked = checked;
    changed();
}

void FormModel::setItems(const std::string& name, std::vector<std::string> items, int itemIndex) {
    auto& c = edit(name);
    c.items = std::move(items);
    c.itemIndex = itemIndex >= 0 && itemIndex < static_cast<int>(c.items.size()) ? itemIndex : -1;
    changed();
}

}  // namespace tarvex::ui
