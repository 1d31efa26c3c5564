#include "core/firmware_image.hpp"

#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/intel_hex.hpp"

namespace tarvex {
namespace {

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
    for (std::string_view line : SplitHexLines(text)) {
        ++lineNumber;
        line = TrimHexLine(line);
        if (line.empty()) continue;
        const auto bad = [&] {
            return EVokWinFileError(Format("LeseFehler: Datei=%s, Zeile %d ungültig", fileName, lineNumber));
        };
        HexRecord r;
        if (line.front() != ':' || DecodeHexLine(line, r, true) != HexLineStatus::Ok ||
            line.size() != HexLineLength(r.count) || r.sum != 0)
            throw bad();
        if (r.type == hexrecord::EndOfFile || r.count == 0) break;
        // Address records (02, 04) and start addresses (03, 05), which many
        // tools write, carry nothing for the block.
        if (r.type != hexrecord::Data) continue;
        const std::uint32_t end = std::uint32_t{r.address} + r.count;
        if (r.address >= FirmwareBase && end <= FirmwareEnd)
            addPieces(out, r.address, std::string_view(reinterpret_cast<const char*>(r.data.data()), r.count));
    }
    if (out.empty()) nothingForTheBlock(fileName);
    return out;
}

}  // namespace tarvex
