// The input validator's expression parser over arbitrary text: every input
// either converts or raises EVokWinConvertError; nothing else may escape, and
// a success must give results that can be read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/trace_info.hpp"
#include "emulator/validator.hpp"

using namespace tarvex;

namespace {

struct World {
    StandardAddressSpaces spaces;
    FixedBanking banking;
    TargetContext ctx;
    TSymboltabelle symbols;
    TZeilennummertabelle lines;
    TRegisterTabelle registers;
    FixedTraceInfo trace;

    World() : ctx(MakeContext()), symbols(ctx), lines(symbols, ctx) {
        symbols.AddSymbol(sspProgram, "main", 0, 0, 240, 0x20, 19, UnbankedAdresse(0x0100));
        symbols.AddSymbol(sspProgram, "tail", 0, 0, 240, 0x40, 19, UnbankedAdresse(0xFFF0));
        symbols.AddSymbol(sspProgram, "empty", 0, 0, 240, 0, 19, UnbankedAdresse(0x0200));
        symbols.AddModule("mod", 1, UnbankedAdresse(0x0400), UnbankedAdresse(0x04FF));
        symbols.AddFunction("work", 1, UnbankedAdresse(0x0400), UnbankedAdresse(0x0300), 1);
        symbols.AddSymbol(sspIntData, "count", 0, 0, 240, 1, 19, UnbankedAdresse(0x30));
        symbols.AddSymbol(sspExtData, "buffer", 0, 0, 240, 256, 19, UnbankedAdresse(0xFF80));
        symbols.AddSymbol(sspBit, "flag", 0, 0, 240, 1, 19, UnbankedAdresse(0x05));
        symbols.AddSymbol(sspConst, "big", 0, 0, 240, 1, 19, UnbankedAdresse(0xFFFF));
        lines.AddLine(UnbankedAdresse(0x0400), 42, 1, 1, 1);
        lines.AddLine(UnbankedAdresse(0x0408), 43, 1, 1, 1);
        lines.AddLine(UnbankedAdresse(0xFFFE), 7, 1, 0, 0);
        registers.AddRegister("P1", "", 0, 0, 0, 0x90, "");
        registers.AddRegister("TI", "", 2, 2, 0, 0x99, "");
    }

    TargetContext MakeContext() {
        TargetContext c;
        c.spaces = &spaces;
        c.banking = &banking;
        return c;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    if (size < 4) return 0;
    // The first bytes choose the field's properties and the target's state.
    world.banking.set(data[2] % 12, (data[2] & 0x80) != 0);
    world.spaces.setProgramMax((data[2] % 12) != 0 ? BankedAdresse(data[2] & 0x0F, 0xFFFF) : UnbankedAdresse(0xFFFF));
    world.trace.setVersion(data[3] % 3);
    TVokWinValidator v(&world.symbols, &world.lines, &world.registers, &world.trace, world.ctx);
    v.SetKonvertierung(static_cast<TVokWinKonvertierung>(data[0] % 5));
    v.SetZugelassen(static_cast<TVokWinZugelassenes>(data[1] & 3));
    v.SetGanzeGroesse((data[1] & 4) != 0);
    if ((data[1] & 8) != 0) v.SetTrennung(",");
    v.SetSymbolKlassen(static_cast<std::uint16_t>(0x0803 | (data[3] & 0x7C)));
    const std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);
    try {
        v.Konvertieren(text);
        if (v.Konvertierung() == TVokWinKonvertierung::vwkString2LogicProbe) {
            (void)v.OutLogicProbe();
        } else {
            (void)v.OutVonInt();
            (void)v.OutBisInt();
            (void)v.OutAdresse(TVokWinValidator::kVon);
        }
        // Converting the same text again is a no-op that must not fail.
        v.Konvertieren(text);
    } catch (const EVokWinConvertError&) {
    }
    return 0;
}
