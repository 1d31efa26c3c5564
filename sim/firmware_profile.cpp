#include "sim/firmware_profile.hpp"

#include "emulator/link/board_identity.hpp"
#include "sim/fpga.hpp"

namespace tarvex::sim {

std::uint8_t FirmwareCode(std::string_view version, std::uint8_t deviceVersion) {
    const std::uint8_t code = VersionCode(version);
    return code == 13 && deviceVersion != 0 ? 14 : code;
}

FirmwareProfile FirmwareProfile::of(std::string_view version, std::uint8_t deviceVersion) {
    FirmwareProfile p;
    p.code = FirmwareCode(version, deviceVersion);
    if (p.code >= 11 && p.code <= 12) p.generation = 0;
    if (p.code >= 13 && p.code <= 20) p.generation = 1;
    if (p.code >= 21 && p.code <= 22) p.generation = 2;
    p.iapCommand = p.code < 15 ? "aIaP" : "aFlC";
    p.transferCommand = p.code < 15 ? "bIaP" : "bFlC";
    p.frameCommandLength = p.code < 16 ? 3 : p.code == 16 ? 4 : 5;
    p.frameCountSent = p.code >= 16;
    p.traceVersion = p.code >= 11 && p.code <= 12 ? 0 : p.code >= 13 && p.code <= 16 ? 1 : 2;
    p.searchCommandLength = p.traceVersion == 0 ? 14 : p.traceVersion == 1 ? 16 : 17;
    p.frameSize = p.traceVersion == 0 ? 11 : 12;
    p.byteWiseTransfer = p.code < 18;
    p.flashBlocks = p.generation != 0;
    p.fpgaSizeSent = p.code >= 21;
    p.fpgaImageSize = ExpectedFpgaImageSize(p.code);
    return p;
}

}  // namespace tarvex::sim
