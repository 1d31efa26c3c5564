#pragma once
// The two message tables: numbered program texts and resource strings.
// A text that is not in its table is empty.
#include <string>
#include <string_view>

#include "core/format.hpp"

namespace tarvex {

// Numbered string table (ids 1..415).
std::string_view LoadStr(int id);
// Resource strings (ids 65216..65311).
std::string_view LoadResStr(int id);

// Formats a numbered text with arguments.
template <typename... Args>
std::string FmtLoadStr(int id, Args&&... args) {
    return Format(LoadStr(id), std::forward<Args>(args)...);
}
template <typename... Args>
std::string FmtResStr(int id, Args&&... args) {
    return Format(LoadResStr(id), std::forward<Args>(args)...);
}

// Names of the resource strings that code refers to.
namespace rs {
constexpr int Searching = 65216, SaveTrace = 65217, ValueOutOfRange = 65218, ErrorInSymbolInformation = 65219,
              IgnorePellunar = 65232, InsertAfterPellunar = 65233, CantEmulatePellunar = 65234,
              WithoutLineNumbers = 65235, ReplaceWith = 65236, ChangeDisplayMode = 65237, Cycle = 65238,
              TimeFilterActive = 65239, Filtering = 65240, OnTheFlyMode = 65241, TraceFrameNotFound = 65242,
              FrameIndexOutOfRange = 65243, Instruction = 65244, LogicProbes = 65245, NoSourceItemsFound = 65246,
              ReadingTrace = 65247, CheckOptionsHardware = 65248, NoBankingWithP2Portmode = 65249,
              Program512kWithP2 = 65250, ProzessorNonMultiplexed = 65251, Options = 65252,
              NotAValidOptionFile = 65253, OptionFileNotFound = 65254, InvalidOptionFileVersion = 65255,
              ParallelPort = 65256, AdapterConfigurationChanged = 65257, PodDirectPlug = 65258,
              ProcessorAdapter = 65259, SerialPort = 65260, Accept = 65261, NoMappingOfExtData = 65262,
              Pellunar = 65263, EmulatorNotReady = 65264, EpromVersionNotSupported = 65265,
              FatalUsbError = 65266, InitializingCommunication = 65267, NoAccessToParallelPort = 65269,
              NoTarvexOnUsb = 65270, PlugInUsb = 65272, NoReactionOfTarget = 65273,
              PortChangesNotAllowed = 65274, SelectTarvexFromUsbList = 65275, TerminateProgram = 65276,
              Unvalid8BitConstant = 65277, WatchdogNumberTooLarge = 65278, EnterConfigurationParameters = 65279,
              InvalidBitPosition = 65280, InvalidPortAddress = 65281, ProgramText = 65282,
              ValueInNotValid = 65283, Confirm = 65284, Error = 65285, Information = 65286, Warning = 65287,
              FirmwareUpdateNecessary = 65288, ProcessorNotSupported = 65289, Decimal = 65290,
              TarvexNotFoundOnUsb = 65291, ChangeToTarvex = 65292, ConfigurationError = 65293,
              CommunicationError = 65294, OpenError = 65295, TraceMemory = 65302, Cancel = 65303,
              Address = 65304, CheckOptionSettings = 65305, ErrorUpper = 65306, ErrorLoadingOptions = 65307,
              NotSupported = 65308, Invalid16BitConstant = 65309, Invalid32BitConstant = 65310,
              BankingNotSupported = 65311;
}  // namespace rs

}  // namespace tarvex
