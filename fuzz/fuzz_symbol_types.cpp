// Type computations over type graphs as a damaged object file could give
// them: indices out of range, short names, cycles, huge dimensions, chains
// tens of thousands deep. Every computation must end, quickly, without a
// fault.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/symbol_table.hpp"
#include "fuzz/fuzz_bytes.hpp"

using tarvex::fuzz::Bytes;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex;
    Bytes in(data, size);
    TSymboltabelle table;
    // Mostly small graphs; a shape of 0xFF gives up to 65,536 types. The
    // input describes the first ones; when it runs out, the rest continue as
    // a chain of named types, each naming the one before it, as a file's
    // definitions may: deep chains then cost the fuzzer three bytes.
    const std::uint8_t shape = in.u8();
    const int count = shape == 0xFF ? 1 + in.u16() : 1 + shape % 64;
    for (int i = 0; i < count; ++i) {
        if (in.empty()) {
            table.AddSymbol(sspTypedef, "T", 0, 0, i == 0 ? 4 : 255, 0, 36,
                            UnbankedAdresse(static_cast<std::uint16_t>(i == 0 ? 0 : i - 1)));
            continue;
        }
        const std::uint8_t klass = in.u8();
        const std::uint8_t selector = in.u8();
        // Mostly the codes the computations branch on.
        static constexpr std::uint8_t kTypes[] = {255, 255, 255, 2, 4, 9, 13, 30, 33, 34, 200};
        const std::uint8_t type = kTypes[selector % sizeof kTypes];
        const std::uint8_t form = static_cast<std::uint8_t>((selector >> 4) % 4);
        const std::uint16_t element = static_cast<std::uint16_t>((count > 250 ? in.u16() : in.u8()) % (count + 2));
        const std::uint16_t moduleField = in.u16();
        const std::uint16_t functionField = in.u16();
        const std::uint8_t bank = in.u8() % 3;
        std::string name;
        for (int n = in.u8() % 12; n > 0; --n) name.push_back(static_cast<char>(in.u8()));
        const std::uint32_t size = (selector & 0x80) != 0 ? in.u8() : 0;
        TSymbol* s = table.AddSymbol(sspTypedef, name, functionField, moduleField, type, size, klass,
                                     bank == 0 ? UnbankedAdresse(element) : BankedAdresse(bank, element));
        s->form = form;
    }
    const int typed = in.empty() ? count - 1 : in.u8() % (count + 2);
    TSymbol* variable = table.AddSymbol(sspExtData, "v", 0, 0, 255, static_cast<std::uint32_t>(typed), 1,
                                        UnbankedAdresse(0x100));
    // Every type of a small graph; of a large one a sample and its top.
    const int stride = count > 512 ? count / 256 : 1;
    for (int i = 0; i < count + 1; i += i + 64 >= count ? 1 : stride) {
        TSymbol* s = table.TypeAt(i);
        table.TypeSize(s);
        table.TypeText(s);
        table.BaseTypeCode(s);
        table.ElementType(s);
        table.InheritArraySize(s);
        table.CurrentType();
    }
    table.TypeSize(variable);
    table.TypeText(variable);
    table.SymbolEndAddress(variable);
    table.FindByAddress(sspExtData, UnbankedAdresse(0x180), 4);
    return 0;
}
