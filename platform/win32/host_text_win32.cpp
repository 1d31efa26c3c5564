#include <windows.h>

#include <vector>

#include "platform/host_text.hpp"

namespace tarvex::platform {

std::string hostText(std::string_view utf8) {
    // Plain ASCII reads the same in every ANSI code page.
    bool ascii = true;
    for (const char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii || utf8.size() > 0x7FFFFFFF) return std::string(utf8);
    const int length = static_cast<int>(utf8.size());
    const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (wide <= 0) return std::string(utf8);
    std::vector<wchar_t> w(static_cast<std::size_t>(wide));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, w.data(), wide);
    const int narrow = WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    if (narrow <= 0) return std::string(utf8);
    std::string out(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), wide, out.data(), narrow, nullptr, nullptr);
    return out;
}

}  // namespace tarvex::platform
