#include "ui/model/file_filter.hpp"

namespace tarvex::ui {

std::vector<std::string> nameFiltersOf(const std::string& filter) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= filter.size() && !filter.empty()) {
        const auto bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    std::vector<std::string> result;
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        std::string caption = parts[i];
        if (i + 1 < parts.size()) {
            std::string patterns = parts[i + 1];
            for (auto& c : patterns)
                if (c == ';') c = ' ';
            if (caption.find("(" + patterns + ")") == std::string::npos) caption += " (" + patterns + ")";
        }
        if (!caption.empty()) result.push_back(caption);
    }
    return result;
}

}  // namespace tarvex::ui
