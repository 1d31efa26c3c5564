#pragma once
// Texts handed to the program that hosts the driver, in that program's
// narrow encoding. The project keeps its texts in UTF-8 (the time texts'
// "µs", translated messages); the IDE on Windows is an ANSI program and reads
// its fields in the ANSI code page, so there they are converted, a character
// the code page lacks becoming "?". Elsewhere hosts take UTF-8 unchanged.
#include <string>
#include <string_view>

namespace tarvex::platform {

std::string hostText(std::string_view utf8);

}  // namespace tarvex::platform
