#include "core/firmware_image.hpp"

#include "core/errors.hpp"
#include "core/format.hpp"

namespace tarvex {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void addPieces(std::vector<FirmwarePiece>& out, std::uint32_t address, std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size(); at += FirmwarePieceSize)
        out.push_back({static_cast<std::uint16_t>(address + at), std::string(bytes.substr(at, FirmwarePieceSize))});
}

[[noreturn]] void nothingForTheBlock(const std::string& fileName) {
    throw EVokWinFileError(Format("LeseFehler: Datei=%s enthält keine Daten für 0x2000..0x3FFF", fileName));
}

}  // namespace

bool IsHexFirmwareName(std::string_view fileName) {
    const auto dot = fileName.rfind('.');
    const auto slash = fileName.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return false;
    const auto ext = fileName.substr(dot);
    if (ext.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        char c = ext[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != ".HEX"[i]) return false;
    }
    return true;
}

std::vector<FirmwarePiece> FirmwareFromBinary(std::string_view bytes, const std::string& fileName) {
    constexpr std::size_t limit = FirmwareEnd - FirmwareBase;
    if (bytes.size() > limit)
        throw EVokWinFileError(Format("LeseFehler: Datei=%s ist zu groß %d", fileName, bytes.size()));
    if (bytes.empty()) nothingForTheBlock(fileName);
    std::vector<FirmwarePiece> out;
    addPieces(out, FirmwareBase, bytes);
    return out;
}

std::vector<FirmwarePiece> FirmwareFromHex(std::string_view text, const std::string& fileName) {
    std::vector<FirmwarePiece> out;
    int lineNumber = 0;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        ++lineNumber;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.empty()) continue;
        const auto bad = [&] {
            return EVokWinFileError(Format("LeseFehler: Datei=%s, Zeile %d ungültig", fileName, lineNumber));
        };
        if (line.front() != ':' || line.size() < 11 || line.size() % 2 == 0) throw bad();
        std::string record;
        for (std::size_t i = 1; i < line.size(); i += 2) {
            const int hi = hexDigit(line[i]), lo = hexDigit(line[i + 1]);
            if (hi < 0 || lo < 0) throw bad();
            record += static_cast<char>(hi * 16 + lo);
        }
        const auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(record[i]); };
        const std::size_t count = byteAt(0);
        if (record.size() != count + 5) throw bad();
        unsigned sum = 0;
        for (const char c : record) sum += static_cast<std::uint8_t>(c);
        if (sum % 256 != 0) throw bad();
        const std::uint8_t type = byteAt(3);
        if (type == 1 || count == 0) break;
        // Address records (02, 04) and start addresses (03, 05), which many
        // tools write, carry nothing for the block.
        if (type != 0) continue;
        const std::uint32_t address = (static_cast<std::uint32_t>(byteAt(1)) << 8) | byteAt(2);
        if (address >= FirmwareBase && address + count <= FirmwareEnd)
            addPieces(out, address, std::string_view(record).substr(4, count));
    }
    if (out.empty()) nothingForTheBlock(fileName);
    return out;
}

}  // namespace tarvex
