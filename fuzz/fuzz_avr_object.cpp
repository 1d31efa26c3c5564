// Feeds arbitrary bytes to the AVR object reader: header, names, records.
// Its own errors and the end-of-file error are the only failures; every
// record lies inside the record area.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/errors.hpp"
#include "host/load/avr_object.hpp"
#include "platform/exception.hpp"
#include "platform/stream.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex;
    TAvrObjReader reader(std::make_unique<platform::MemoryStream>(std::vector<std::uint8_t>(data, data + size)));
    try {
        reader.ReadHeader();
        reader.ReadFileNames();
        while (!reader.AtEnd()) {
            const auto start = reader.GetPosition();
            const auto rec = reader.NextRecord();
            (void)reader.FileName(rec.fileIndex);
            if (start < reader.FirstRecordOffset() || reader.GetPosition() > reader.NameTableOffset()) std::abort();
        }
    } catch (const EAvrObjError&) {
    } catch (const EReadError&) {
    }
    // The .def parser on the same bytes taken as text lines.
    std::size_t from = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == '\n') {
            const auto def = ParseAvrDefLine(std::string_view(reinterpret_cast<const char*>(data) + from, i - from));
            if (def.name.empty() != def.value.empty()) std::abort();
            from = i + 1;
        }
    }
    return 0;
}
