// Feeds arbitrary text to the CDB line parsers, one line at a time, and then
// converts it whole into fresh tables (a symbols-only load). The conversion
// error is the only failure either may report.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.hpp"
#include "host/load/cdb_records.hpp"
#include "host/load/loader_cdb.hpp"

namespace {

void parseLine(std::string_view line) {
    using namespace tarvex;
    const std::string_view text = line.size() >= 2 ? line.substr(2) : std::string_view();
    (void)CdbSourceName(line);
    try {
        switch (CdbLineKind(line)) {
        case CdbKind::Function:
        case CdbKind::Symbol: {
            const auto r = ParseCdbSymbol(text, CdbLineKind(line) == CdbKind::Function);
            for (const auto& e : r.chain.elements) (void)RecogniseCdbElement(e, r.chain.sign);
            break;
        }
        case CdbKind::Type:
            (void)ParseCdbStruct(text);
            break;
        case CdbKind::Link:
            (void)ParseCdbLink(text);
            break;
        default:
            break;
        }
    } catch (const EConvertError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from <= all.size()) {
        const auto end = all.find('\n', from);
        lines.emplace_back(all.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from));
        parseLine(lines.back());
        if (end == std::string_view::npos) break;
        from = end + 1;
    }
    tarvex::TSymboltabelle symbols;
    tarvex::TZeilennummertabelle table(symbols);
    tarvex::TCdbLoader loader(symbols, table);
    try {
        loader.Load(lines);
    } catch (const tarvex::EConvertError&) {
    }
    return 0;
}
