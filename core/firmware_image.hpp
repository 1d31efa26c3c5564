#pragma once
// A firmware update for the board's flash block 1 (0x2000..0x3FFF): a binary
// image placed at 0x2000, or Intel HEX whose records outside the block are
// skipped. The whole file is checked before the board is touched, because
// the update erases the block first: a file found bad halfway would leave
// the board without its firmware.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct FirmwarePiece {
    std::uint16_t address = 0;
    std::string bytes;
};

inline constexpr std::uint32_t FirmwareBase = 0x2000, FirmwareEnd = 0x4000;
// The largest piece one block transfer carries.
inline constexpr std::size_t FirmwarePieceSize = 128;

// By the extension, compared without case: "FW.HEX" is HEX, "fw.hex.bak" is not.
bool IsHexFirmwareName(std::string_view fileName);

// Raise EVokWinFileError, naming the file: a binary above 8192 bytes
// ("LeseFehler: Datei=%s ist zu groß %d"), a HEX line that is not a sound
// data or end record ("LeseFehler: Datei=%s, Zeile %d ungültig"), and a file
// that gives no byte for the block (an erase for nothing).
std::vector<FirmwarePiece> FirmwareFromBinary(std::string_view bytes, const std::string& fileName);
// Records are read up to the first end record or record without data; data
// records that do not lie wholly inside the block are skipped. Records are
// cut into pieces of at most FirmwarePieceSize bytes.
std::vector<FirmwarePiece> FirmwareFromHex(std::string_view text, const std::string& fileName);

}  // namespace tarvex
