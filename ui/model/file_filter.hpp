#pragma once
// The forms give file filters as "Name (*.a)|*.a|Other (*.b)|*.b": pairs of
// a caption and its patterns. Qt wants "Name (*.a);;Other (*.b)".
#include <string>
#include <vector>

namespace tarvex::ui {

// One entry per pair: the caption, with the patterns appended in brackets
// when the caption does not show them. A trailing caption without patterns
// is kept as it is.
std::vector<std::string> nameFiltersOf(const std::string& filter);

}  // namespace tarvex::ui
