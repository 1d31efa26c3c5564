#pragma once
// What the board's firmware and generation decide about the link and the
// target, decoded in one place: the command forms the firmware understands,
// which monitor patches it takes, and what each board generation has. The
// driver asks these fields, never the firmware code or the generation
// itself. The board simulator keeps its own statement of the same facts, so
// that each checks the other.
#include <cstdint>
#include <string_view>

namespace tarvex {

// The trace frame read "n": a 16-bit counter and one frame per command, a
// 16-bit counter with a count, or a 24-bit counter with a count.
enum class FrameCommand : std::uint8_t { OneFrame, Counter16, Counter24 };

// Where the serial number, hardware id and device version come from: nowhere
// (the oldest firmware), the flash cells read through IAP calls in flash
// block 0, or the command "k" in flash block 1.
enum class SerialSource : std::uint8_t { None, FlashCells, Command };

// How code and emulator system memory are reached: "Dp"/"p" and the
// monitor's master-block bracket after selecting the bank, or (newest
// firmware) "DM"/"q" with the bank and memory in a bank byte.
enum class MemoryCommands : std::uint8_t { DirectBank, BankByte };

struct LinkProfile {
    static constexpr std::uint8_t NoGeneration = 255;

    // ---- Decided by the firmware code
    // 1..22 from the version text; 0 when the text is none the link knows.
    std::uint8_t code = 0;
    // The forms of the IAP call and of the byte-wise flash block transfer.
    std::string_view flashCommand = "aIaP";
    std::string_view transferCommand = "bIaP";
    FrameCommand frameCommand = FrameCommand::OneFrame;
    // Each data byte of a flash block answered on its own (also with 0xF0,
    // "taken"), the header naming the last byte's address; else one answer
    // after the block, the header naming the first byte.
    bool byteWiseTransfer = true;
    SerialSource serialSource = SerialSource::Command;
    // The link reads the serial number again when the start is through.
    bool serialAtStart = false;
    // The start shows the service form (in system mode) and reads the serial
    // number in flash block 1.
    bool flashAtStart = false;
    // 0 the IAP form, 1 the TARVEX-5 form, 2 the TARVEX-6 form.
    int iapForm = 0;
    MemoryCommands memoryCommands = MemoryCommands::DirectBank;
    // Bytes the trace memory moves per command: 16, or one at a time.
    std::uint8_t traceBlockSize = 1;
    // The trace board's memory size is switched by a register.
    bool traceSizeRegister = false;
    // The reset "Z" may answer 0xFE: the target was reset by its own pin.
    bool specialResetAnswer = false;
    // The reset runs a stub over the program's first bytes.
    bool resetStub = false;
    // A target that will not stop is left running and the user asked.
    bool stopQuestion = false;
    // The FPGA image load names the image's size in two bytes.
    bool fpgaSizeSent = false;
    // The FPGA image of a processor may come in a variant.
    bool fpgaVariant = false;
    // On the serial port above the base rate the board's "image loaded"
    // answer is not believed: the image goes again.
    bool fpgaReloadAboveBaseRate = false;
    // The emulator fills select memory itself.
    bool selectFill = false;
    // The Dallas addressing modes other than the standard one.
    bool dallasAddressing = false;
    // The jump the Dallas return patch writes to master memory 0x7C1A.
    std::uint8_t dallasReturnJump = 0xE2;
    // The monitor keeps a second copy of the watchdog code (0x5CBD).
    bool watchdogCopy = false;
    // The monitor patches this firmware takes.
    bool dallasPatch7CEE = false;
    bool dallasPatch5C05 = false;
    bool dpsPatch = false;
    // The SFR 0x86 of the DPS families has its own access code.
    bool dpsAccessCode = false;
    // The Atmel monitor keeps DPL1/DPH1 in its own cells (0x7DB4/0x7DB5).
    bool monitorKeepsDptr1 = false;
    // The monitor knows only its first save area.
    bool firstSaveAreaOnly = false;

    // ---- Decided by the generation in force (0 TARVEX-IV, 1 TARVEX-V,
    // 2 TARVEX-6, NoGeneration none yet)
    std::uint8_t generation = NoGeneration;
    // Two flash blocks, switched by "z".
    bool flashBlocks = true;
    std::uint8_t traceFrameSize = 12;
    // The pellunar port; the program memory is cleared at a session's start
    // to hide what was there.
    bool pellunars = true;
    // One FPGA image size only, the one the board was last loaded with.
    bool fixedFpgaImageSize = false;
    // The option byte (master memory) and the internal clock rows.
    bool optionByte = false;
    bool internalClock = false;
    // The hardware bank in which an unbanked program's code lies.
    std::uint8_t programBank = 6;
    // The highest bank of the emulator system and select memory.
    std::uint8_t systemTopBank = 1;
    // External data has qualifier bits of its own, and logic probes break
    // through the trace board; else they go to the board as an image.
    bool ownDataPlane = true;
    // The Dallas DPS is taken from the monitor's cells after a stop.
    bool dpsFromMonitor = false;
    // The banking version's parity the board wants: 0 even, 1 odd, -1 any.
    int bankingVersionParity = -1;
    // The highest hardware bank, and whether a reset parks the banking
    // through the control register rather than by selecting a bank.
    int hardwareBankLimit = 7;
    bool bankControlRegister = true;

    // ---- Decided by both
    // The trace board's register set: 0, 1 or 2.
    int traceVersion = 1;
    // The trace board holds 131,072 frames.
    bool largeTraceMemory = false;

    static LinkProfile Of(std::uint8_t code, std::uint8_t generation);
    // The generation a firmware code belongs to; NoGeneration for a code
    // the driver does not support.
    static std::uint8_t GenerationOf(std::uint8_t code);
};

}  // namespace tarvex
