#include "emulator/board_copy.hpp"

#include <string>

#include "core/messages.hpp"
#include "emulator/link/basis_emulator.hpp"

namespace tarvex::board_copy {

namespace {

void word(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value & 0xFF);
}

// A link that failed earlier answers nothing without raising; the command
// did not happen then, and saying so keeps a caller from reporting success.
std::uint8_t roundTrip(TBasisEmulator& link, const std::string& command) {
    auto lock = link.LockLink();
    link.Schreiben(command);
    const std::string answer = link.Lesen(1);
    if (answer.empty()) throw EEmulatorTimeoutError(std::string(LoadResStr(rs::CommunicationError)));
    return static_cast<std::uint8_t>(answer[0]);
}

std::string threeWords(char letter, std::uint16_t a, std::uint16_t b, std::uint16_t c) {
    std::string command(1, letter);
    word(command, a);
    word(command, b);
    word(command, c);
    return command;
}

}  // namespace

std::uint8_t Copy(TBasisEmulator& link, CopyMemory memory, std::uint16_t start, std::uint16_t end,
                  std::uint16_t destination, bool upward) {
    std::string command = threeWords('M', start, end, destination);
    command += static_cast<char>(memory);
    command += upward ? 'U' : 'D';
    return roundTrip(link, command);
}

std::uint8_t XdataCopy(TBasisEmulator& link, std::uint16_t first, std::uint16_t second, std::uint16_t destination,
                       bool upward) {
    std::string command = threeWords('J', first, second, destination);
    command += static_cast<char>(upward ? 0x06 : 0x07);
    return roundTrip(link, command);
}

std::uint8_t XdataFill(TBasisEmulator& link, std::uint16_t start, std::uint16_t end, std::uint8_t value) {
    std::string command = threeWords('J', start, end, value);
    command += static_cast<char>(0x05);
    return roundTrip(link, command);
}

std::uint8_t Fill(TBasisEmulator& link, FillMemory memory, std::uint16_t start, std::uint16_t end,
                  std::uint8_t value) {
    std::string command{'F', static_cast<char>(memory)};
    word(command, start);
    word(command, end);
    command += static_cast<char>(value);
    return roundTrip(link, command);
}

}  // namespace tarvex::board_copy
