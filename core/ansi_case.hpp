#pragma once
// Case conversion and case-insensitive comparison of Windows-1252 texts
// (the code page of the symbol names and file names the loaders read),
// independent of the C locale.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

char AnsiUpperChar(char c) noexcept;
char AnsiLowerChar(char c) noexcept;
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
// <0, 0, >0 comparing the lower-cased texts byte by byte.
int AnsiCompareText(std::string_view a, std::string_view b) noexcept;
bool AnsiSameText(std::string_view a, std::string_view b) noexcept;

}  // namespace tarvex
