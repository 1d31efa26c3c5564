#pragma once
// The user's program on the board: the download into emulation memory, the
// reads back (with the program's own bytes put back where the board holds
// hook code), the byte-wise code write of the memory windows, and the
// board's other memories that the memory spaces reach through the emulator
// object: code by firmware command, emulator system memory (system and
// system-high), select memory and external data.
//
// In pellunar port mode every downloaded block is scanned by the pellunar
// analyser and PellunarTransmit sends the hook routines and hook addresses
// to the board's hook tables.
//
// Every address is a banked address of the program (a logical bank); every
// operation reaches the board's hardware banks (0-7) through the banking's
// logical-to-physical mapping, which with 32 KB and 16 KB banks puts two or
// four logical banks into one hardware bank. Every operation holds the link
// lock across the bank selection and all the commands that depend on it. A
// result is shorter than asked only after a link failure (the link then
// answers nothing until it is restarted).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/pellunar.hpp"

namespace tarvex {

class IOptionsInfo;
class TBanking;
class TEmulDownload;
class TEmulator;

// The analyser tied to the board: its findings go to the load-status form
// (or message boxes), and a hook that the scan removes gets its own code
// bytes back on the board.
class TEmulPellunarComp final : public TPellunarComp {
public:
    explicit TEmulPellunarComp(TEmulDownload& download) : download_(download) {}

    // Level 2 (notes) is not shown.
    void MessageOutput(int level, const std::string& message, const std::string& location) override;
    void RemoveHookAt(const TBankAdresse& address) override;
    void HookAdded(bool flag) override;

private:
    TEmulDownload& download_;
};

class TEmulDownload {
public:
    // Most data bytes of one "p" or "q" block.
    static constexpr std::size_t MaxDownloadBlock = 250;
    // Most bytes of one counted command ("DP", "PP", "Dp", "DM", "DE", "PE").
    static constexpr std::size_t MaxCountedPiece = 255;
    // The board's answer time for a fill.
    static constexpr std::uint32_t FillTimeoutMs = 1500;
    // Routine numbers a pass can give; further groups are not sent.
    static constexpr std::size_t MaxRoutineGroups = 106;

    explicit TEmulDownload(TEmulator& emulator);
    ~TEmulDownload();
    TEmulDownload(const TEmulDownload&) = delete;
    TEmulDownload& operator=(const TEmulDownload&) = delete;

    // ---- Wiring (not owned)
    // Null: no banking (physical = logical, no bank is selected).
    void SetBanking(TBanking* banking);
    TBanking* Banking() const { return banking_; }
    // The options' tool chain for PellunarBegin; null: tool chain 0.
    void SetOptionsInfo(const IOptionsInfo* options) { options_ = options; }

    TEmulPellunarComp& Pellunars() { return comp_; }
    const TEmulPellunarComp& Pellunars() const { return comp_; }

    // ---- Program memory (logical banked addresses)
    // Download: "p" blocks of at most 250 bytes to the code bank; in
    // pellunar mode each block again to the hook area, then one scan.
    void ProgLaden(const TBankAdresse& address, std::string_view bytes);
    // "DP" pieces of at most 255 bytes at the physical address; the
    // program's own bytes put back over hook code.
    std::string ProgLesen(const TBankAdresse& address, std::size_t count);
    // "PP" pieces of at most 255 bytes, one board handshake per byte; in
    // pellunar mode also to the hook area, then one scan.
    void ProgSchreibenHandshake(const TBankAdresse& address, std::string_view bytes);
    // Copies the hooks' own code bytes over `bytes` read at `address` (only
    // in pellunar mode and outside service mode).
    void PutBackOwnCode(const TBankAdresse& address, std::string& bytes);

    // ---- Code by firmware command
    // Below firmware 21 "Dp"/"p" after selecting the bank directly; from 21
    // "RM"/"DM"/"WM"/"q" with the bank byte OR 0x80, split at 0xFFFF into
    // the next bank.
    std::string ReadCode(const TBankAdresse& address, std::size_t count);
    void WriteCode(const TBankAdresse& address, std::string_view bytes);

    // ---- Emulator system memory (`high`: system-high)
    // Below firmware 21 a "DN"/"PN" inside the monitor's system bracket;
    // from 21 "DM"/"q" with the bank byte (OR 0x40 for system-high). A write
    // of more than 255 bytes raises EVokWinValueError.
    std::string ReadSystem(const TBankAdresse& address, std::size_t count, bool high);
    void WriteSystem(const TBankAdresse& address, std::string_view bytes, bool high);

    // ---- Select memory
    // No command reads it: raises ETarvexAccessError 79.
    std::string ReadSelect(const TBankAdresse& address, std::size_t count);
    // One fill ("B" ... 02) per run of equal bytes.
    void WriteSelect(const TBankAdresse& address, std::string_view bytes);
    // "B" first last value 02 after selecting the first address's bank
    // directly, with the read/write time-out raised to 1,500 ms; returns the
    // board's answer byte.
    std::uint8_t Fill(const TBankAdresse& first, const TBankAdresse& last, std::uint8_t value);
    // Selects the hardware bank that the system-memory accesses use for this
    // address and returns the offset the board sees: what the board's own
    // fills of emulation memory need to reach the bytes space 9 reads.
    std::uint16_t SelectSystemBank(const TBankAdresse& address);

    // ---- External data (the variable bank is selected with banking)
    std::string ReadXdata(const TBankAdresse& address, std::size_t count);
    void WriteXdata(const TBankAdresse& address, std::string_view bytes);

    // ---- Pellunars
    // Sends the hook tables of every bank (state 4 and up, pellunar mode).
    void PellunarTransmit();
    // PellunarTransmit when the hook list changed since it was last sent.
    void UpdatePellunars();
    // The hooks of copied and filled memory (pellunar mode only).
    void CopyPellunars(const TBankAdresse& sourceStart, const TBankAdresse& sourceEnd,
                       const TBankAdresse& destinationStart);
    void DeletePellunars(const TBankAdresse& start, const TBankAdresse& end);
    // Writes every hook's own code back and forgets the hooks.
    void PellunarClearProgram();
    // A new program: own code back, the list cleared and marked for sending.
    void PellunarBegin();
    // The emulator's assemble flag in the settings store ("Assemble1").
    void SetRegistryFlag(bool on);
    // The banking's highest code bank; 255 without banking (no count).
    int MaxBank() const;

    // ---- For the analyser component
    // Own code of a removed hook back to the board, outside the range the
    // scan in progress was given.
    void RemoveHook(TPellunarItem* item);
    void HookAdded();

private:
    bool pellunarsActive() const;
    TBankAdresse physical(const TBankAdresse& address) const;
    // The hardware bank that an address of the board's memories names.
    int hardwareBank(const TBankAdresse& address) const;
    // Bytes from the offset on that map to one physical place.
    std::size_t mappedRun(std::uint16_t offset) const;
    void selectCode(const TBankAdresse& address);
    void selectHookArea(const TBankAdresse& address);
    void selectDirect(int hardwareBank);
    // "p" blocks to the bank selected.
    void sendDownload(std::uint16_t physicalOffset, std::string_view bytes);
    void scan(const TBankAdresse& address, std::string_view bytes);
    // Own code bytes of a hook back to the code bank, pellunars held off.
    void writeOwnCode(const TBankAdresse& address, std::string_view bytes);
    // The monitor's system bracket around a system-memory transfer below
    // firmware 21.
    void openSystem(bool high);
    void closeSystem(bool high);
    std::string readCounted(char letter1, char letter2, std::uint16_t offset, std::size_t count);
    std::string readMemory(int bank, std::uint16_t offset, std::size_t count, std::uint8_t flag);
    void writeMemory(int bank, std::uint16_t offset, std::string_view bytes, std::uint8_t flag);
    // One bank's tables; physical bank -1: no banking.
    void transmitPass(int physicalBank, int logicalBank);
    // Where a hook lies in that physical bank, if it lies there at all.
    std::optional<std::uint16_t> hookOffset(const TPellunarItem& item, int physicalBank) const;

    TEmulator& emulator_;
    TBanking* banking_ = nullptr;
    const IOptionsInfo* options_ = nullptr;
    TEmulPellunarComp comp_;
    // While above 0 the pellunars count as off (own code written back).
    int suspended_ = 0;
    std::uint8_t systemConfig_ = 0;
    // The range of the scan in progress.
    bool scanning_ = false;
    TBankAdresse scanStart_{};
    TBankAdresse scanEnd_{};
};

}  // namespace tarvex
