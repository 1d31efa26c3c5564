#include "core/utilities.hpp"

#include <chrono>
#include <filesystem>

#include "platform/stream.hpp"

namespace tarvex {

namespace {

bool isIdentChar(char c) {
    return c == '$' || (c >= '0' && c <= '9') || (c >= '@' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z');
}

// 1-based position of needle in text at or after the 1-based from; 0 if none.
std::int32_t pos(std::string_view needle, std::string_view text, std::int32_t from = 1) {
    if (needle.empty() || from < 1) return 0;
    const auto p = text.find(needle, static_cast<std::size_t>(from - 1));
    return p == std::string_view::npos ? 0 : static_cast<std::int32_t>(p + 1);
}

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    return s;
}
std::string_view trimRight(std::string_view s) {
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

SplitResult splitAt(std::string_view text, std::int32_t s, std::size_t sepLength) {
    if (s < 1) return {std::string(trimRight(trimLeft(text))), {}};
    const auto at = static_cast<std::size_t>(s - 1);
    return {std::string(trimRight(text.substr(0, at))), std::string(trimLeft(text.substr(at + sepLength)))};
}

}  // namespace

std::int32_t FindWord(std::string_view token, std::string_view text, bool wholeWord) {
    for (std::int32_t p = pos(token, text); p > 0; p = pos(token, text, p + 1)) {
        if (!wholeWord) return p;
        const auto before = static_cast<std::size_t>(p - 1);
        const auto after = before + token.size();
        const bool freeBefore = before == 0 || !isIdentChar(text[before - 1]);
        const bool freeAfter = after >= text.size() || !isIdentChar(text[after]);
        if (freeBefore && freeAfter) return p;
    }
    return 0;
}

CommentSpan FindComment(std::string_view line) {
    const std::int32_t p1 = FindWord("/*", line, false);
    const std::int32_t p2 = FindWord("*/", line, false);
    const std::int32_t p3 = FindWord("//", line, false);
    if (p3 >= 1) {
        const bool openBefore = p1 >= 1 && p1 < p3;
        const bool closeBefore = p2 >= 1 && p2 < p3;
        if (openBefore && closeBefore) return {p1 < p2 ? p1 : 1, p2 + 1};
        if (closeBefore) return {1, p2 + 1};
        return {p3, 0};
    }
    if (p1 > 0) {
        if (p2 > p1) return {p1, p2 + 1};
        if (p2 == 0) return {p1, 0};
        return {1, p2 + 1};
    }
    if (p2 > 0) return {1, p2 + 1};
    return {0, 0};
}

int FileDateCompare(const std::string& fileName, std::uint8_t minutes, platform::Clock& clock) {
    using namespace std::chrono;
    // Opening first gives the usual "Cannot open file" error for a missing
    // or unreadable file.
    platform::openFileStream(fileName, platform::OpenMode::ReadOnly);
    const auto fileTime = file_clock::to_sys(std::filesystem::last_write_time(fileName));
    const auto then = clock.wallNow() + std::chrono::minutes(minutes);
    // File time stamps have two-second steps; compare on that grid.
    const auto step = [](auto t) { return floor<seconds>(t).time_since_epoch().count() / 2; };
    const auto a = step(then), b = step(fileTime);
    return a > b ? -1 : a == b ? 0 : 1;
}

std::int32_t TabsToBlanks(std::string& text) {
    std::int32_t n = 0;
    for (char& c : text)
        if (c == '\t') {
            c = ' ';
            ++n;
        }
    return n;
}

void SwapBytes(std::uint8_t& a, std::uint8_t& b) { std::swap(a, b); }

SplitResult SplitText(std::string_view text, std::string_view separator) {
    return splitAt(text, pos(separator, text), separator.size());
}

SplitResult SplitOutsideBrackets(std::string_view text, std::string_view separator) {
    std::int32_t s = pos(separator, text);
    const std::int32_t p = pos("(", text);
    const std::int32_t q = pos(")", text);
    if (s > 0 && p > 0 && q > 0 && p < q && s > p) {
        int depth = 0;
        for (std::int32_t i = 1; i <= static_cast<std::int32_t>(text.size()) && s > 0; ++i) {
            const char c = text[static_cast<std::size_t>(i - 1)];
            if (c == '(') {
                if (depth == 0 && i > s) break;
                ++depth;
            } else if (c == ')') {
                --depth;
                if (depth == 0 && i > s) s = pos(separator, text, i + 1);
            }
        }
    }
    return splitAt(text, s, separator.size());
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> SplitWords(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
        const std::size_t start = i;
        while (i < text.size() && static_cast<unsigned char>(text[i]) > ' ') ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}

}  // namespace tarvex
