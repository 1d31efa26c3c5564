#pragma once
// Small text helpers of the source and command parsers. Positions are
// 1-based and 0 means "not found", as the callers count them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.hpp"

namespace tarvex {

// The first occurrence of token in text; with wholeWord only one that no
// identifier character ("$", digits, "@".."Z", "_", "a".."z") touches.
std::int32_t FindWord(std::string_view token, std::string_view text, bool wholeWord);

// Where a C comment lies in a source line: start and end positions; end is
// the position of the closing "/" or 0 when the comment runs to the end of
// the line (or beyond it); start 0 when the line has no comment.
struct CommentSpan {
    std::int32_t start = 0;
    std::int32_t end = 0;
};
CommentSpan FindComment(std::string_view line);

// Compares now + minutes, as a file time stamp (two-second steps), with the
// file's date: -1 when later than the file's date, 0 equal, 1 earlier.
// Raises EFOpenError when the file cannot be opened.
int FileDateCompare(const std::string& fileName, std::uint8_t minutes,
                    platform::Clock& clock = platform::systemClock());

inline std::int32_t Max(std::int32_t a, std::int32_t b) { return a > b ? a : b; }
inline std::int32_t Min(std::int32_t a, std::int32_t b) { return a < b ? a : b; }

// Each tab becomes one blank; returns how many there were.
std::int32_t TabsToBlanks(std::string& text);
void SwapBytes(std::uint8_t& a, std::uint8_t& b);

struct SplitResult {
    std::string head;
    std::string rest;
};
// At the first separator: head without trailing blanks, rest without
// leading ones. Without a separator head is the trimmed text.
SplitResult SplitText(std::string_view text, std::string_view separator);
// As SplitText, but a separator inside brackets "(...)" does not count.
SplitResult SplitOutsideBrackets(std::string_view text, std::string_view separator);

// The text without leading and trailing blanks and control characters.
std::string_view TrimBlanks(std::string_view text);
// The words of a text, separated by blanks and control characters.
std::vector<std::string_view> SplitWords(std::string_view text);

}  // namespace tarvex
