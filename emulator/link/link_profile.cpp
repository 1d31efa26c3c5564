#include "emulator/link/link_profile.hpp"

namespace tarvex {

std::uint8_t LinkProfile::GenerationOf(std::uint8_t code) {
    if (code == 11 || code == 12) return 0;
    if (code >= 13 && code <= 20) return 1;
    if (code == 21 || code == 22) return 2;
    return NoGeneration;
}

LinkProfile LinkProfile::Of(std::uint8_t code, std::uint8_t generation) {
    LinkProfile p;
    p.code = code;
    p.flashCommand = code < 15 ? "aIaP" : "aFlC";
    p.transferCommand = code < 15 ? "bIaP" : "bFlC";
    p.frameCommand = code < 16    ? FrameCommand::OneFrame
                     : code == 16 ? FrameCommand::Counter16
                                  : FrameCommand::Counter24;
    p.byteWiseTransfer = code < 18;
    p.serialSource = code == 11 || code == 12   ? SerialSource::None
                     : code == 13 || code == 14 ? SerialSource::FlashCells
                                                : SerialSource::Command;
    p.serialAtStart = code >= 15;
    p.flashAtStart = code >= 13;
    p.iapForm = code < 18 ? 0 : code <= 20 ? 1 : 2;
    p.memoryCommands = code >= 21 ? MemoryCommands::BankByte : MemoryCommands::DirectBank;
    p.traceBlockSize = code >= 16 ? 16 : 1;
    p.traceSizeRegister = code >= 21;
    p.specialResetAnswer = code >= 21;
    p.resetStub = code >= 16;
    p.stopQuestion = code >= 19;
    p.fpgaSizeSent = code >= 21;
    p.fpgaVariant = code >= 16;
    p.fpgaReloadAboveBaseRate = code > 16;
    p.selectFill = code >= 18;
    p.dallasAddressing = code != 11 && code != 13;
    p.dallasReturnJump = code < 14 ? 0xE2 : 0xDF;
    p.watchdogCopy = code >= 14;
    p.dallasPatch7CEE = code >= 13;
    p.dallasPatch5C05 = code >= 12;
    p.dpsPatch = code >= 11;
    p.dpsAccessCode = code >= 14;
    p.monitorKeepsDptr1 = code >= 15;
    p.firstSaveAreaOnly = code == 11;

    p.generation = generation;
    p.flashBlocks = generation != 0;
    p.traceFrameSize = generation == 0 ? 11 : 12;
    p.pellunars = generation != 0;
    p.fixedFpgaImageSize = generation == 0;
    p.optionByte = generation == 2;
    p.internalClock = generation == 2;
    p.programBank = generation == 0 ? 7 : 6;
    p.systemTopBank = generation == 1 ? 7 : 1;
    p.ownDataPlane = generation != 0;
    p.dpsFromMonitor = generation == 0;
    p.bankingVersionParity = generation == 0 ? 0 : generation == 1 ? 1 : -1;
    p.hardwareBankLimit = generation == 0 ? 1 : 7;
    p.bankControlRegister = generation != 0;

    p.traceVersion = generation == 0 ? 0 : code >= 17 ? 2 : 1;
    p.largeTraceMemory = generation == 2 && code >= 21;
    return p;
}

}  // namespace tarvex
