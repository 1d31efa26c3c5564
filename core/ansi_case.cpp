#include "core/ansi_case.hpp"

#include <array>

namespace tarvex {

namespace {

struct CaseTables {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
    constexpr CaseTables() {
        for (int c = 0; c < 256; ++c) {
            upper[c] = static_cast<unsigned char>(c);
            lower[c] = static_cast<unsigned char>(c);
        }
        auto pair = [this](int up, int low) {
            upper[low] = static_cast<unsigned char>(up);
            lower[up] = static_cast<unsigned char>(low);
        };
        for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
        // Latin-1 letters of Windows-1252; 0xD7 and 0xF7 are the
        // multiplication and division signs, 0xDF (sharp s) has no capital.
        for (int c = 0xC0; c <= 0xDE; ++c)
            if (c != 0xD7) pair(c, c + 32);
        pair(0x8A, 0x9A);  // S caron
        pair(0x8C, 0x9C);  // OE
        pair(0x8E, 0x9E);  // Z caron
        pair(0x9F, 0xFF);  // Y diaeresis
    }
};

constexpr CaseTables kCase;

}  // namespace

char AnsiUpperChar(char c) noexcept { return static_cast<char>(kCase.upper[static_cast<unsigned char>(c)]); }
char AnsiLowerChar(char c) noexcept { return static_cast<char>(kCase.lower[static_cast<unsigned char>(c)]); }

std::string AnsiUpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AnsiUpperChar(c);
    return out;
}

std::string AnsiLowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AnsiLowerChar(c);
    return out;
}

int AnsiCompareText(std::string_view a, std::string_view b) noexcept {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = kCase.lower[static_cast<unsigned char>(a[i])];
        const unsigned char y = kCase.lower[static_cast<unsigned char>(b[i])];
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool AnsiSameText(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && AnsiCompareText(a, b) == 0;
}

}  // namespace tarvex
