// Feeds arbitrary text to the CDB line parsers, one line at a time. The
// conversion error is the only failure they may report.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/errors.hpp"
#include "host/cdb_records.hpp"

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
    std::size_t from = 0;
    while (from <= all.size()) {
        const auto end = all.find('\n', from);
        parseLine(all.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from));
        if (end == std::string_view::npos) break;
        from = end + 1;
    }
    return 0;
}
