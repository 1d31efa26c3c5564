// Feeds arbitrary text to the checkers' HEX reader. Every record it accepts
// must survive a trip through the writer unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "checker/hex_classes.hpp"
#include "core/errors.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvex::THexReader reader;
    reader.SetText(std::string(reinterpret_cast<const char*>(data), size));
    tarvex::THexWriter writer;
    try {
        while (!reader.Eof()) {
            const auto record = reader.ReadRecord();
            if (record.type == tarvex::THexRecord::Data && record.data.size() != record.length) std::abort();
            writer.WriteRecord(record);
        }
    } catch (const tarvex::EHexFileError&) {
    }
    std::string text;
    for (const auto& line : writer.Lines()) text += line + "\n";
    tarvex::THexReader again;
    again.SetText(text);
    for (const auto& line : writer.Lines()) {
        const auto record = again.ReadRecord();
        tarvex::THexWriter one;
        one.WriteRecord(record);
        if (one.Lines().front() != line) std::abort();
    }
    return 0;
}
