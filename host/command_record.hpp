#pragma once
// The parameters of one command: what the loader, the executor and the
// dialogs pass around. Plain fields; the stream form lives with the command
// class.
#include <cstdint>
#include <string>

#include "core/bank_adressen.hpp"

namespace tarvex {

namespace cmd {
// Command codes.
inline constexpr std::uint8_t None = 0, Load = 1, LoadSymbols = 2, Save = 3, Initialize = 4, Copy = 5,
                              CopyEprom = 6, Map = 7, MapShared = 8, Run = 9, SingleStep = 10, StepOver = 11,
                              ResetAll = 12, ResetCpu = 13, BreakChannel = 14, BreakMode = 15, TraceFilter = 16,
                              TraceSettings = 17, ClearTrace = 18, ResetTimeCounter = 19, Modify = 20,
                              Evaluate = 21, ExecuteMacro = 22, LoadOptions = 23, SaveTrace = 24, Iap = 25,
                              LoadSystem = 26;
inline constexpr std::uint8_t LastCode = 26;
}  // namespace cmd

namespace memkind {
// The command's memory kind (not the memory-space numbering).
inline constexpr std::uint8_t Program = 0, IntData = 1, ExtData = 2, System = 3, Symbol = 4, Trace = 5,
                              SysEmul = 6, SysEmulHigh = 7, SysSelect = 8;
inline constexpr std::uint8_t Last = 8;
}  // namespace memkind

namespace fileformat {
inline constexpr std::uint8_t Binary = 0, IntelHex = 1, Object = 2, Omf51 = 3, Ubrof = 4, HexDump = 5,
                              AssemblerList = 6, AssemblerSource = 7, AvrObject = 8, Cdb = 9;
inline constexpr std::uint8_t Last = 9;
}  // namespace fileformat

namespace loadflag {
// Bits of TKommandoStruktur::options for the load commands.
inline constexpr std::uint8_t Convert1 = 1u << 0, Convert2 = 1u << 1, ClearSymbols = 1u << 2,
                              PellunarLinesOnly = 1u << 3, IgnoreBanking = 1u << 4;
}  // namespace loadflag

struct TKommandoStruktur {
    std::uint8_t code = cmd::None;
    std::uint8_t memoryKind = memkind::Program;
    TBankAdresse start;
    TBankAdresse end;
    TBankAdresse destination;
    std::uint8_t fileFormat = fileformat::Binary;
    std::string text1;
    bool flag = false;
    std::uint8_t value = 0;
    std::int32_t count = 0;
    std::string text2;
    std::uint8_t options = 0;
    std::uint8_t selectKind = 0;
    std::uint8_t startTrigger = 0;
    std::uint8_t endTrigger = 0;
    std::uint8_t cycleType = 0;
    std::uint8_t breakMode = 0;
    std::uint8_t watchMemoryClass = 0;
    std::uint8_t watchDisplayFormat = 0;
    std::uint8_t watchDataType = 0;

    friend bool operator==(const TKommandoStruktur&, const TKommandoStruktur&) = default;
};

}  // namespace tarvex
