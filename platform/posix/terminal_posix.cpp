#include <unistd.h>

#include "platform/ui.hpp"

namespace tarvex::platform {

bool stdinIsTerminal() { return isatty(STDIN_FILENO) == 1; }

}  // namespace tarvex::platform
