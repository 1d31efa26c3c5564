// Prints a numbered message formatted with the given arguments, for people
// translating or checking the texts: tarvex-msg 67 3 0x12ab
#include <cstdlib>
#include <iostream>
#include <string>

#include "core/format.hpp"
#include "core/messages.hpp"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: tarvex-msg ID [ARG...]\n";
        return 2;
    }
    const int id = std::atoi(argv[1]);
    std::string text(id >= 65216 ? tarvex::LoadResStr(id) : tarvex::LoadStr(id));
    // Arguments that read as numbers are passed as numbers, the rest as text.
    for (int i = 2; i < argc && i < 6; ++i) {
        char* end = nullptr;
        const long long n = std::strtoll(argv[i], &end, 0);
        const std::string a = argv[i];
        const bool numeric = end && *end == '\0' && end != argv[i];
        const auto pos = text.find('%');
        if (pos == std::string::npos) break;
        // Format one placeholder at a time so that each argument keeps its type.
        auto next = text.find_first_of("sdux", pos + 1);
        if (next == std::string::npos) break;
        const std::string head = text.substr(0, next + 1);
        const std::string tail = text.substr(next + 1);
        text = (numeric ? tarvex::Format(head, n) : tarvex::Format(head, a)) + tail;
    }
    std::cout << text << '\n';
    return text.empty() ? 1 : 0;
}
