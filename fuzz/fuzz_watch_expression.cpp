// Watch expressions (names, "*", "[", "]", ".", "->", digits) resolved,
// read and formatted against a symbol table with random type records and
// memories that answer any address: every evaluation must end, quickly,
// without a fault and without unbounded recursion.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/watches.hpp"
#include "fuzz/fuzz_bytes.hpp"

namespace {

using tarvex::fuzz::Bytes;

// Every address reads as a byte derived from it.
struct AnyMemory final : tarvex::IWatchTarget {
    AnyMemory() {
        for (int k = 0; k < 6; ++k) limits.push_back(std::make_unique<tarvex::TBasisEmulSpeicher>(static_cast<std::uint8_t>(k)));
    }
    const tarvex::TBasisEmulSpeicher* Limits(int k) const override { return k >= 0 && k < 6 ? limits[k].get() : nullptr; }
    std::string ReadBlock(int, const tarvex::TBankAdresse& a, std::int32_t n) override {
        std::string s;
        for (std::int32_t i = 0; i < n; ++i) s += static_cast<char>((a.offset + i) * 37 + seed);
        return s;
    }
    void WriteBlock(int, const tarvex::TBankAdresse&, std::string_view) override {}
    std::uint8_t ReadSfrByte(std::uint8_t a) override { return a; }
    void WriteSfr(std::uint8_t, std::uint8_t) override {}
    std::string ReadRegisterBank() override { return "\x01\x02\x03\x04\x05\x06\x07\x08"; }
    void WriteRegister(int, std::uint8_t) override {}
    std::uint8_t ReadV(std::uint16_t i) override { return static_cast<std::uint8_t>(i); }
    void WriteV(std::uint16_t, std::uint8_t) override {}
    tarvex::TBankAdresse PC() const override { return tarvex::UnbankedAdresse(0x100); }
    void SetPC(const tarvex::TBankAdresse&) override {}
    void UpdatePellunars() override {}
    int ToolChain() const override { return toolChain; }
    std::vector<std::unique_ptr<tarvex::TBasisEmulSpeicher>> limits;
    std::uint8_t seed = 0;
    int toolChain = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex;
    Bytes in(data, size);
    TSymboltabelle table;
    TRegisterTabelle registers;
    AnyMemory memory;
    NullNotifier notifier;
    memory.seed = in.u8();
    memory.toolChain = in.u8() % 8;
    const int count = 1 + in.u8() % 32;
    for (int i = 0; i < count; ++i) {
        static constexpr std::uint8_t kClasses[] = {6, 7, 8, 9, 15, 16, 17, 18, 19, 21, 32, 33, 34, 36, 37, 38, 39, 40, 3};
        static constexpr std::uint8_t kTypes[] = {255, 255, 255, 2, 3, 4, 8, 12, 16, 24, 30, 33};
        const std::uint8_t klass = kClasses[in.u8() % sizeof kClasses];
        const std::uint8_t selector = in.u8();
        const std::uint8_t type = kTypes[selector % sizeof kTypes];
        const std::uint16_t element = static_cast<std::uint16_t>(in.u8() % (count + 2));
        const std::uint16_t moduleField = in.u8() % 8;
        const std::uint16_t functionField = in.u8() % 4;
        std::string name;
        for (int n = in.u8() % 6; n > 0; --n) name.push_back(static_cast<char>(in.u8() % 4 == 0 ? 'A' + in.u8() % 3 : in.u8() % 8));
        TSymbol* s = table.AddSymbol(sspTypedef, name, functionField, moduleField, type, (selector & 0x80) ? in.u8() : 0,
                                     klass, UnbankedAdresse(element));
        s->form = static_cast<std::uint8_t>((selector >> 4) % 4);
    }
    for (const char* v : {"A", "B", "C"})
        table.AddSymbol(1 + in.u8() % 5, v, 0, 0, in.u8() % 2 ? 255 : in.u8() % 34, in.u8() % (count + 1), 0,
                        UnbankedAdresse(in.u16()));
    TWatchTabelle watches(table, registers, memory, notifier);
    static constexpr char kAlphabet[] = {'A', 'B', 'C', '*', '[', ']', '.', '-', '>', '0', '1', '2', ',', ' '};
    while (!in.empty()) {
        auto item = TWatchTabelle::NewItem();
        for (int n = in.u8() % 24; n > 0; --n) item->expression.push_back(kAlphabet[in.u8() % sizeof kAlphabet]);
        item->memoryClass = in.u8() % 12;
        item->requestedType = in.u8() % 20;
        item->displayFormat = in.u8() % 7;
        item->requestedCount = 1 + in.u8() % 4;
        item->reversed = in.u8() % 2;
        try {
            watches.Resolve(*item);
            watches.ItemValueText(item.get());
            if (in.u8() % 4 == 0) watches.SetItemValueText(item.get(), "1,2");
        } catch (const EVokWinError&) {
        } catch (const EConvertError&) {
        }
    }
    return 0;
}
