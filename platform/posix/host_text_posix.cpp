#include "platform/host_text.hpp"

namespace tarvex::platform {

std::string hostText(std::string_view utf8) { return std::string(utf8); }

}  // namespace tarvex::platform
