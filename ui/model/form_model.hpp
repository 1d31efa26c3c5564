#pragma once
// The state of a form's controls, by the names the controls carry. A view
// gives every widget the same name as its object name and re-reads the model
// whenever it reports a change, so one binder serves every form and a test
// reads a form the way the user sees it.
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tarvex::ui {

struct ControlState {
    std::string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    // An edit that shows its text but takes no typing.
    bool readOnly = false;
    int itemIndex = -1;
    std::vector<std::string> items;
};

class FormModel {
public:
    virtual ~FormModel() = default;

    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);

    // A control that was never set reads as an empty, enabled, visible one.
    const ControlState& control(const std::string& name) const;
    const std::map<std::string, ControlState>& controls() const { return controls_; }

    void setText(const std::string& name, std::string text);
    void setEnabled(const std::string& name, bool enabled);
    void setVisible(const std::string& name, bool visible);
    void setChecked(const std::string& name, bool checked);
    void setItems(const std::string& name, std::vector<std::string> items, int itemIndex);

    // One callback: the view re-reads the whole model.
    void onChanged(std::function<void()> callback) { changed_ = std::move(callback); }

protected:
    ControlState& edit(const std::string& name) { return controls_[name]; }
    void changed() const {
        if (changed_) changed_();
    }

private:
    std::string caption_;
    std::map<std::string, ControlState> controls_;
    std::function<void()> changed_;
};

}  // namespace tarvex::ui
