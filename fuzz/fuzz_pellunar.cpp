// The pellunar scan over arbitrary code with arbitrary symbol and line
// tables: it must stay inside its images and blocks, and keep the hook list
// consistent (ordered, counted, every hook's bytes in the image).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/line_table.hpp"
#include "core/pellunar.hpp"
#include "core/symbol_table.hpp"

namespace {

using namespace tarvex;

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t Word() {
        // Two statements: the operands of | may be evaluated in either order.
        const std::uint16_t high = Byte();
        return static_cast<std::uint16_t>(high << 8 | Byte());
    }
    std::vector<std::uint8_t> Rest() { return {data_ + pos_, data_ + size_}; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckList(const TPellunarComp& comp) {
    const TPellunarList& list = comp.Hooks();
    int substituted = 0;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const TPellunarItem* item = list.Items(i);
        Check(item->Length() >= 2 && item->Length() <= 5);
        if (item->IsSubstituted()) ++substituted;
        if (list.Order() == TPellunarList::ByAddress && i > 0)
            Check(!BankAdresseLess(item->address, list.Items(i - 1)->address));
        if (i % 61 == 0) {
            (void)item->ReplacementText();
            (void)item->HookClass();
            (void)item->CodeBytes();
            (void)item->RoutineText();
        }
    }
    Check(substituted == comp.SubstitutedCount());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::uint8_t mode = in.Byte();
    const std::uint8_t bank = in.Byte();
    const std::uint16_t start = in.Word();

    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    TPellunarComp comp;
    PellunarImageReader reader(comp);
    TargetContext context;
    context.code = &reader;
    lines.SetContext(context);
    comp.SetTables(&symbols, &lines);
    comp.SetProcessorVariant(static_cast<std::uint8_t>(mode % 3));
    comp.SetRoutineCallSubstitution(mode & 0x04);
    comp.SetLineNumbersRequired(mode & 0x08);
    comp.SetCodeBankCount((mode >> 4) & 0x07);

    const auto at = [&](std::uint16_t offset) {
        return bank & 0x80 ? BankedAdresse(bank & 0x07, offset) : UnbankedAdresse(offset);
    };
    symbols.AddModule("M", 1, at(0), at(0xFFFF));
    symbols.AddFunction("F", 1, at(0), at(0x7FFF), 1);
    for (int n = in.Byte() % 64; n > 0; --n) {
        const std::uint16_t offset = in.Word();
        const std::uint8_t fn = in.Byte();
        lines.AddLine(at(offset), n, 1, fn & 1, fn & 2 ? 1 : 0);
    }
    static const char* const names[] = {"L", "_qz_x", "READP0", "_readp0"};
    for (int n = in.Byte() % 64; n > 0; --n) {
        const std::uint16_t offset = in.Word();
        const std::uint8_t type = in.Byte();
        symbols.AddSymbol(sspProgram, names[type & 3] + std::to_string(n % 3 == 0 ? 0 : n), 0, 0,
                          static_cast<std::uint8_t>(type >> 2), 1 + (type & 7), 19, at(offset));
    }

    std::vector<std::uint8_t> code = in.Rest();
    // Whole banks now and then: the block runs up to the bank's end.
    if (mode & 0x80 && !code.empty())
        while (code.size() < 0x10000u - start) {
            const std::vector<std::uint8_t> again = code;
            code.insert(code.end(), again.begin(), again.end());
        }

    comp.ScanCode(at(start), code);
    CheckList(comp);
    // Scanning part of it again, shifted, as a download in pieces would.
    if (code.size() > 4) {
        const std::size_t half = code.size() / 2;
        comp.ScanCode(at(static_cast<std::uint16_t>(start + half)),
                      std::vector<std::uint8_t>(code.begin() + static_cast<std::ptrdiff_t>(half), code.end()));
        CheckList(comp);
    }
    comp.CopyHooks(at(start), at(static_cast<std::uint16_t>(start + 0x100)), at(static_cast<std::uint16_t>(start + 0x80)));
    CheckList(comp);
    comp.DeleteHooksInRange(at(static_cast<std::uint16_t>(start + 0x40)), at(static_cast<std::uint16_t>(start + 0x90)));
    CheckList(comp);
    (void)comp.ImageBytes(at(0xFFF0), 0x40);
    return 0;
}
