#include <unistd.h>

#include <iostream>

#include "platform/ui.hpp"

namespace tarvex::platform {

bool stdinIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

MessageBoxes& defaultMessageBoxes() {
    static ConsoleMessageBoxes boxes(std::cin, std::cerr, stdinIsTerminal());
    return boxes;
}

}  // namespace tarvex::platform
