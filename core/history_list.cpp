#include "core/history_list.hpp"

#include <algorithm>

#include "core/format.hpp"

namespace tarvex {

namespace {
std::string valueName(std::int32_t index) { return "History" + std::to_string(index); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

void THistoryList::Load(platform::SettingsStore& store, const std::string& key, const std::string& section) {
    items_.clear();
    for (std::int32_t i = 0; i < maxCount_; ++i) {
        const auto value = store.readString(key, section, valueName(i));
        if (!value || value->empty()) continue;
        if (std::find(items_.begin(), items_.end(), *value) != items_.end()) continue;
        items_.push_back(*value);
    }
}

void THistoryList::Save(platform::SettingsStore& store, const std::string& key, const std::string& section) const {
    for (std::int32_t i = 0; i < Count(); ++i) store.writeString(key, section, valueName(i), items_[static_cast<std::size_t>(i)]);
    // Values a longer list (or another maximum) left behind.
    for (const auto& name : store.valueNames(key, section)) {
        if (!name.starts_with("History")) continue;
        const std::string digits = name.substr(7);
        if (digits.empty() || digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), isDigit)) continue;
        const int index = std::stoi(digits);
        if (index >= Count() && name == valueName(index)) store.remove(key, section, name);
    }
}

void THistoryList::AddHistory(const std::string& text) {
    if (text.empty()) return;
    if (auto it = std::find(items_.begin(), items_.end(), text); it != items_.end()) items_.erase(it);
    items_.insert(items_.begin(), text);
    if (Count() > maxCount_) items_.resize(static_cast<std::size_t>(maxCount_));
}

std::vector<std::string> THistoryList::MenuCaptions() const {
    std::vector<std::string> captions;
    for (std::int32_t i = 0; i < Count(); ++i) captions.push_back(Format("&%d %s", i + 1, items_[static_cast<std::size_t>(i)]));
    return captions;
}

void THistoryList::MenuItemChosen(const std::string& caption) const {
    // The number stands between the first character ("&") and the first blank.
    const auto blank = caption.find(' ');
    if (caption.size() < 2 || blank == std::string::npos || blank < 2) return;
    const std::string digits = caption.substr(1, blank - 1);
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), isDigit)) return;
    const int number = std::stoi(digits);
    if (number > 0 && number <= Count() && onSelect_) onSelect_(items_[static_cast<std::size_t>(number - 1)]);
}

}  // namespace tarvex
