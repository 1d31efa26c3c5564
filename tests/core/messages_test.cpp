// The numbered texts that the link, the target model, the host interface and
// the windows show. Later layers find them by number, so each must be there,
// word for word: a missing one shows as an empty message.
#include "core/messages.hpp"

#include <gtest/gtest.h>

#include <string_view>

namespace tarvex {
namespace {

struct Quoted {
    int id;
    std::string_view text;
};

// clang-format off
constexpr Quoted kQuotedTexts[] = {
    {7, "Starting TARVEX Emulator"}, {8, "Attention: no reset of target processor!"}, {12, "Switching target clock"},
    {20, "Option file %s not found"}, {21, "%s is not a valid option file"},
    {22, "Invalid version %d of option file %s"}, {28, "Open file"},
    {32, "Target CPU can't be interrupted: hardware reset performed"},
    {34, "Access denied: no reset of target processor"}, {35, "Access denied: flying trace"},
    {40, "No register definitions in %s"}, {48, "Program memory"}, {49, "IntData memory"}, {50, "ExtData memory"},
    {53, "Program"}, {54, "IntData"}, {55, "ExtData"}, {56, "System"}, {57, "Symbol"}, {58, "Bit"}, {59, "Sfr"},
    {64, "Address %.4x + %d out of address range"}, {65, "Address %d%.4x + %d out of address range"},
    {66, "Address %.4x out of address range"}, {67, "Address %d%.4x out of address range"},
    {68, "No write access on trace memory"}, {69, "External mapped program memory address %.4x"},
    {70, "External mapped program memory address %d%.4x"}, {71, "No common bank"},
    {72, "Access denied: Processor is running"}, {73, "Bit memory"}, {74, "Register memory"}, {75, "System memory"},
    {76, "Trace memory"}, {77, "Select memory"}, {78, "Access denied: Emulator is starting"}, {79, "Access denied: not possible in this memory"},
    {83, "Initializing memory banks"}, {85, "No program memory mapping with banking"}, {90, "Warning"},
    {91, "Firmware %s don't support 80C320 addressing modes"}, {93, "error in OMF file: missing typedefs"},
    {94, "No code loaded! HEX file not found"}, {96, "Loading: Missing file name"},
    {97, "Loading: File %s too large (%d bytes)"}, {98, "Loading: Format error in file %s"},
    {99, "Loading: Checksum error in file %s"}, {100, "Load binary file"}, {101, "Load hex file"},
    {103, "Loading canceled"}, {104, "File loaded"}, {105, "Load Omf51 file"}, {106, "Load Ubrof file"},
    {107, "Load"}, {108, "TARVEX init file %s not found"}, {109, "TARVEX init file size not valid"},
    {110, "Loading error: TARVEX init file"}, {111, "Processor %s: No ExtData memory access"},
    {129, "Address range already set"}, {140, "Updating break addresses"}, {141, "Updating trace addresses"},
    {142, "Updating map addresses"}, {146, "Stepping..."}, {147, "Reading trace memory"}, {148, "Executing macro %s"},
    {149, "Executing onbreak command"}, {161, "Cycle combination not valid"},
    {162, "Highlevel trace mode: Opcode cycles only"}, {166, "Searching trace frame"}, {167, "Trace time filter"},
    {171, "Real time counter overflow"}, {172, "Undefined"},
    {174, "Trace frame %d ignored: no performance adsress %s"},
    {175, "Trace frame %d ignored: start address %s missing"}, {176, "Copy: Memory type %s not valid"},
    {177, "Initialize: Memory type %s not valid"}, {178, "Copy: Within one bank only"}, {180, "Copying %s"},
    {181, "Initializing %s"}, {182, "Data:"}, {183, "Destination:"}, {184, "Copy memory range"}, {185, "Copy EPROM"},
    {186, "Initialize memory range"}, {187, "Load CDB file"}, {188, "Ignore symbol"}, {189, "Error in line"},
    {193, "Watch variable name"}, {194, "Too much array indeces"}, {195, "Array index not valid"},
    {196, "Error in watch variable %s: %s"}, {197, "* only valid at the beginning"}, {198, "Brackets [] not valid"},
    {199, "Missing structure element name"}, {200, "Structure element name not valid"},
    {201, "Typedef.Recordtype %s not valid"}, {202, "Pointer format not valid"}, {203, "Symbol not valid"},
    {205, "No change of data type"}, {207, "Unvalid floatingpoint constant %s"}, {208, "english"},
    {209, "Without end"}, {211, "Value in %s not valid"}, {212, "Option"}, {213, "Format"}, {214, "Memory"},
    {215, "Binary"}, {216, "Intel hex"}, {217, "Object"}, {218, "Omf51"}, {219, "Ubrof"}, {220, "Hex dump"},
    {221, "Assembler list"}, {222, "Assembler source"}, {223, "AVR object"}, {224, "Syntax error in %s"},
    {229, "Unvalid 8 bit constant %s"}, {235, "Expression %s too complex"}, {238, "Unvalid 16 bit constant %s"},
    {240, "Predefined register symbols"}, {241, "Loaded symbols"},
    {254, "Error in %s: symbols with different symbol classes"}, {256, "Goto address"},
    {257, "&New hex address, name input:"}, {258, "Goto line"}, {259, "&New line number input"},
    {260, "Goto trace frame"}, {261, "&New index number input"}, {262, "by Line number"}, {263, "by Name"},
    {272, "Select: Access denied"}, {278, "Check trace addresses please"}, {279, "Check break addresses please"},
    {281, "Trigger A for trace start/stop disabled!"}, {288, "Save: Missing file name"}, {289, "Save"},
    {290, "Save binary file"}, {291, "Save hex file"}, {292, "Save hex dump file"}, {293, "Save assembler list file"},
    {294, "Save assembler source file"}, {297, "Load AVR object file"}, {308, "E.hlp"},
    {309, "No map command with pellunars!"}, {311, "No copy command with pellunars!"}, {320, "Cancel"},
    {321, "Register definition %s not found"}, {322, "Symbol %s not found"}, {323, "Unvalid logic probe input %s"},
    {325, "Accept"}, {331, "File %s does not exist"}, {337, "Unvalid bit input %s"}, {338, "Unvalid access"},
    {342, "Source text"}, {344, "Cycle"}, {345, "Command"}, {347, "Trace counter"}, {349, "Don't care"},
    {352, "Search"}, {353, "Filter"}, {365, "Can't open file %s"}, {366, "%s out of range %s"}, {374, "File"},
    {375, "Lines"}, {376, "Symbols"}, {382, "Range"}, {383, "saved"},
};
// clang-format on

TEST(MessageTables, EveryNumberedTextTheDriverShowsIsThereWordForWord) {
    for (const auto& q : kQuotedTexts) {
        EXPECT_GE(q.id, 1);
        EXPECT_LE(q.id, 415);
        EXPECT_EQ(LoadStr(q.id), q.text) << "numbered text " << q.id;
    }
}

}  // namespace
}  // namespace tarvex
