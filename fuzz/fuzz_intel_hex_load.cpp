// The program loader's Intel HEX reading of arbitrary bytes: lines, fields,
// the survey for extended addresses, the hexadecimal numbers, and the data
// through the port rewrite into a sink that only checks what it is handed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/errors.hpp"
#include "host/load/loader.hpp"
#include "host/load/port_rewrite.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto lines = SplitHexLines(text);
    const HexSurvey survey = SurveyHexLines(lines);
    PortRewriter rewriter(static_cast<std::uint8_t>(size % 3), size % 2 ? 4 : 3);
    std::uint32_t upper = 0;
    std::size_t sunk = 0;
    HexRecord r;
    for (std::string_view line : lines) {
        if (DecodeHexLine(line, r, false) != HexLineStatus::Ok) continue;
        if (r.type == 1 || r.count == 0) break;
        if (DecodeHexLine(line, r, true) != HexLineStatus::Ok || r.sum != 0) continue;
        if (line.size() < 11u + 2u * r.count) std::abort();
        if ((r.type == 2 || r.type == 4) && r.count == 2 && survey.upperNonZero)
            upper = r.type == 4 ? static_cast<std::uint32_t>(r.data[0] << 8 | r.data[1]) << 16
                                : static_cast<std::uint32_t>(r.data[0] << 8 | r.data[1]) << 4;
        if (r.type != 0) continue;
        // The bank the loader would take: bits 16-23 of the linear address.
        if (static_cast<std::uint8_t>((upper + r.address) >> 16) > 0xFF) std::abort();
        const std::size_t passed = rewriter.Rewrite(r.data.data(), r.count, (r.count & 1) != 0);
        if (passed > r.count) std::abort();
        sunk += passed;
    }
    (void)sunk;
    try {
        ParseHex(text.substr(0, 8), "fuzz.hex");
    } catch (const EVokWinFileError&) {
    }
    return 0;
}
