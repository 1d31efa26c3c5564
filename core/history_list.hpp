#pragma once
// The texts last entered in a combo box (file names mostly), newest first,
// kept in the settings store from one run to the next as the values
// "History0".."History9" of a key and section.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/settings.hpp"

namespace tarvex {

class THistoryList {
public:
    static constexpr std::int32_t DefaultMaxCount = 10;

    explicit THistoryList(std::int32_t maxCount = DefaultMaxCount) : maxCount_(maxCount < 1 ? 1 : maxCount) {}

    // Replaces the list by the stored values; empty values and repeats are
    // skipped, so the entries close up.
    void Load(platform::SettingsStore& store, const std::string& key, const std::string& section);
    // Writes every entry and removes stored values beyond the last one, so
    // that nothing stale comes back on the next Load.
    void Save(platform::SettingsStore& store, const std::string& key, const std::string& section) const;

    // Moves (or puts) the text to the front; the oldest entry beyond the
    // maximum falls out. An empty text is not history and is ignored.
    void AddHistory(const std::string& text);

    const std::vector<std::string>& Items() const { return items_; }
    std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
    std::int32_t MaxCount() const { return maxCount_; }
    void Clear() { items_.clear(); }

    // The history part of a menu: captions "&1 text", "&2 text", ...; a
    // chosen caption is handed back to MenuItemChosen, which calls the
    // selection callback with its history text.
    std::vector<std::string> MenuCaptions() const;
    void MenuItemChosen(const std::string& caption) const;
    void SetOnSelect(std::function<void(const std::string&)> onSelect) { onSelect_ = std::move(onSelect); }

private:
    std::int32_t maxCount_;
    std::vector<std::string> items_;
    std::function<void(const std::string&)> onSelect_;
};

}  // namespace tarvex
