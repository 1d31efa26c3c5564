// Feeds arbitrary bytes to the UBROF record reader. The only failures it may
// report are its unknown-tag error and the end-of-file error; every record
// it accepts must lie inside the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <variant>
#include <vector>

#include "core/errors.hpp"
#include "host/load/ubrof_reader.hpp"
#include "platform/exception.hpp"
#include "platform/stream.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex;
    TUbrofReader reader(std::make_unique<platform::MemoryStream>(std::vector<std::uint8_t>(data, data + size)));
    try {
        while (!reader.Eof()) {
            const auto rec = reader.NextRecord();
            if (reader.GetPosition() > static_cast<std::int64_t>(size)) std::abort();
            // Names always come from the file's bytes (texts may be made of
            // dotted groups, longer than their three bytes).
            std::visit(
                [&](const auto& body) {
                    if constexpr (requires { body.name; })
                        if (body.name.size() > size) std::abort();
                },
                rec->body);
        }
    } catch (const EUbrofRecord&) {
    } catch (const EReadError&) {
    }
    return 0;
}
