#include "host/load/loader_avr.hpp"

#include "core/ansi_case.hpp"
#include "core/errors.hpp"
#include "core/messages.hpp"
#include "platform/stream.hpp"

namespace tarvex {

bool TAvrObjectLoad::Load(TAvrObjReader& reader, const std::string& moduleName) {
    reader.ReadHeader();
    reader.ReadFileNames();
    int previousFile = -1;
    bool hasRange = false;
    bool whole = true;
    TBankAdresse start = UnbankedAdresse(0), end = UnbankedAdresse(0);
    for (std::uint32_t count = 0; !reader.AtEnd(); ++count) {
        if (cancel_ && cancel_()) {
            whole = false;
            break;
        }
        if (refresh_ && count % 16 == 15) refresh_();
        const TAvrObjRecord r = reader.NextRecord();
        // Instruction words are two bytes apart: a word at 0x8000 or above
        // (code beyond 64 KiB of an ATmega128/256) has no 16-bit address;
        // wrapped it would land on the program's first lines.
        const std::uint32_t byteAddress = r.ByteAddress() + offset_;
        if (byteAddress + 1 > 0xFFFF) throw EVokWinAddressError(FmtLoadStr(64, byteAddress, 2));
        if (r.fileIndex != previousFile) {
            previousFile = r.fileIndex;
            if (find_) {
                const std::string path = find_(reader.FileName(r.fileIndex));
                if (!path.empty()) symbols_.AddFileName(path, moduleId_, r.fileIndex);
            }
        }
        const TBankAdresse address = UnbankedAdresse(static_cast<std::uint16_t>(byteAddress));
        // avra repeats a two-word instruction's line for its second word.
        if (!(r.line == 1 && address.offset == 0))
            lines_.AddLineOnce(address, static_cast<std::int32_t>(r.line), r.fileIndex, 0, moduleId_);
        const TBankAdresse last = UnbankedAdresse(static_cast<std::uint16_t>(byteAddress + 1));
        if (!hasRange) start = address, end = last, hasRange = true;
        if (BankAdresseLess(address, start)) start = address;
        if (BankAdresseLess(end, last)) end = last;
        codeBytes_ += 2;
        if (sink_) sink_(byteAddress, r.opcode);
    }
    symbols_.AddModule(moduleName, moduleId_, start, end);
    return whole;
}

int TAvrObjectLoad::ReadAvrDefs(const std::string& path, const TRegisterTabelle& registers) {
    const auto bytes = platform::readWholeFile(path);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    int added = 0;
    std::size_t from = 0;
    while (from < text.size()) {
        auto end = text.find('\n', from);
        if (end == std::string_view::npos) end = text.size();
        const TAvrDef def = ParseAvrDefLine(text.substr(from, end - from));
        from = end + 1;
        if (def.name.empty()) continue;
        const TRegister* reg = registers.FindByName(0, def.value);
        if (reg == nullptr) reg = registers.FindByName(4, def.value);
        if (reg == nullptr) reg = registers.FindByName(0, AnsiUpperCase(def.value));
        if (reg == nullptr) reg = registers.FindByName(4, AnsiUpperCase(def.value));
        if (reg == nullptr || registers.FindAnyByName(def.name) != nullptr) continue;
        const int kind = reg->kind == 0 ? sspSfr : sspIntData;
        symbols_.AddSymbol(kind, def.name, 0, moduleId_, 3, 1, symbol_class::None,
                           UnbankedAdresse(TRegisterTabelle::Address(reg).offset));
        ++added;
    }
    return added;
}

int TAvrObjectLoad::ReadAllDefs(const TAvrObjReader& reader, const TRegisterTabelle& registers) {
    int added = 0;
    if (!find_) return 0;
    for (const auto& name : reader.FileNames())
        if (const std::string path = find_(name); !path.empty()) added += ReadAvrDefs(path, registers);
    return added;
}

}  // namespace tarvex
