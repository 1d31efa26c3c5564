// Random bytes as a file and a random sequence of reads, seeks and buffer
// changes on the buffered reader. The only failure allowed is the defined
// read error; every byte handed out must be the file's byte at the
// reader's position.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/basic_filer.hpp"
#include "platform/exception.hpp"

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

void checkText(const std::vector<std::uint8_t>& file, std::int64_t at, const std::string& text) {
    if (text.empty()) return;  // reading nothing succeeds anywhere
    require(at >= 0 && at + static_cast<std::int64_t>(text.size()) <= static_cast<std::int64_t>(file.size()));
    for (std::size_t i = 0; i < text.size(); ++i)
        require(static_cast<std::uint8_t>(text[i]) == file[static_cast<std::size_t>(at) + i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto script = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 256));
    const auto file = in.ConsumeRemainingBytes<std::uint8_t>();
    const auto fileSize = static_cast<std::int64_t>(file.size());

    tarvex::TBasicReader reader(std::make_unique<tarvex::platform::MemoryStream>(file));
    FuzzedDataProvider ops(script.data(), script.size());
    while (ops.remaining_bytes() > 0) {
        const std::int64_t at = reader.GetPosition();
        require(at >= 0);
        require(reader.Eof() == (at >= fileSize));
        try {
            switch (ops.ConsumeIntegralInRange<int>(0, 13)) {
                case 0: {
                    const auto b = reader.ReadByte();
                    require(at < fileSize && b == file[static_cast<std::size_t>(at)]);
                    break;
                }
                case 1: reader.ReadWord(); break;
                case 2: reader.ReadDWord(); break;
                case 3: checkText(file, at, reader.ReadZString()); break;
                case 4: checkText(file, at + 1, reader.ReadLString()); break;
                case 5: checkText(file, at + 2, reader.ReadWString()); break;
                case 6: checkText(file, at + 4, reader.ReadDString()); break;
                case 7: {
                    std::vector<std::uint8_t> buf(ops.ConsumeIntegralInRange<std::size_t>(0, 5000));
                    reader.ReadBuffer(buf.data(), buf.size());
                    checkText(file, at, std::string(buf.begin(), buf.end()));
                    break;
                }
                case 8: reader.SetLittleEndian(ops.ConsumeBool()); break;
                case 9: {
                    const auto to = ops.ConsumeIntegralInRange<std::int64_t>(-2, fileSize + 2);
                    reader.SetPosition(to);
                    require(reader.GetPosition() == to);
                    break;
                }
                case 10: {
                    reader.SetBufferSize(ops.ConsumeIntegralInRange<std::int32_t>(-1, 4100));
                    require(reader.GetPosition() == at);  // a new buffer size never moves the reader
                    break;
                }
                case 11: reader.ResetBuffer(); break;
                case 12: require(reader.GetSize() == fileSize); break;
                case 13: {
                    // Lengths as a corrupt file would declare them.
                    tarvex::TBasicReader other(std::make_unique<tarvex::platform::MemoryStream>(file));
                    other.SetBufferSize(ops.ConsumeIntegralInRange<std::int32_t>(1, 64));
                    other.SetLittleEndian(ops.ConsumeBool());
                    while (!other.Eof()) other.ReadDString();
                    break;
                }
            }
        } catch (const tarvex::EReadError&) {
        }
    }
    return 0;
}
