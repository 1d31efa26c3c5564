// Feeds arbitrary bytes to the OMF reader. The only failure it may report is
// its format error; every record it accepts must lie inside the file, and
// every OMF-51 type definition must write back to the bytes it came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/omf_reader.hpp"
#include "platform/stream.hpp"

namespace {

using namespace tarvex;

void check(bool ok) {
    if (!ok) std::abort();
}

void inspect(TOmfReader& reader, const TOmfRecord& rec, const std::uint8_t* data, std::size_t size) {
    check(rec.position >= 0 && static_cast<std::size_t>(rec.position) + 3 + rec.declaredLength <= size);
    check(reader.GetPosition() == rec.position + 3 + rec.declaredLength);
    check(rec.remaining <= rec.declaredLength);
    if (rec.IsContent()) {
        check(rec.DataLength() >= 0 && static_cast<std::size_t>(rec.DataLength()) == rec.data.size());
        check(static_cast<std::size_t>(rec.DataPosition()) + rec.data.size() <= size);
        for (std::size_t i = 0; i < rec.data.size(); ++i) check(rec.data[i] == data[rec.DataPosition() + i]);
        reader.IsCodeContent(rec);
        reader.IsXdataContent(rec);
        reader.ContinuesRecord(rec);
        reader.ElementBankOffset(rec);
    }
    reader.ElementAddress(rec);
    for (const auto& item : rec.items) {
        reader.SymbolBankOffset(*item);
        reader.IsCodeSymbol(*item);
        reader.IsXdataSymbol(*item);
        try {
            reader.ResolveTypeIndex(item->type);
        } catch (const EOmfFormatError&) {
        }
    }
    for (const auto& def : rec.typedefs) {
        (void)def->GetText();
        if (rec.recordType != omf::Typedefs51) continue;
        const auto& d51 = static_cast<const TOmf51Typedef&>(*def);
        TBasicFiler out;
        d51.WriteTo(out);
        const auto written = out.WrittenBytes();
        check(written.size() == d51.byteCount);
        check(static_cast<std::size_t>(d51.position) + written.size() <= size);
        for (std::size_t i = 0; i < written.size(); ++i) check(written[i] == data[d51.position + i]);
    }
    if (rec.recordType == omf::Typedef2) {
        const auto* def = reader.TypedefByNumber(rec.typeIndex.value);
        check(def != nullptr && def->GetText() == rec.typedefs.at(0)->GetText());
        (void)def->KindName();
    }
}

// The same records with every checksum byte 0 ("not computed"): a mutated
// byte then reaches the decoders instead of ending at the checksum.
std::vector<std::uint8_t> withoutChecksums(std::vector<std::uint8_t> bytes) {
    for (std::size_t p = 0; p + 3 <= bytes.size();) {
        const std::size_t length = bytes[p + 1] | static_cast<std::size_t>(bytes[p + 2]) << 8;
        if (length > 0 && p + 3 + length <= bytes.size()) bytes[p + 2 + length] = 0;
        p += 3 + length;
    }
    return bytes;
}

void readBoth(const std::vector<std::uint8_t>& bytes) {
    const std::uint8_t* data = bytes.data();
    const std::size_t size = bytes.size();
    TOmfReader reader(std::make_unique<platform::MemoryStream>(bytes));
    try {
        while (!reader.Eof()) {
            const auto rec = reader.ReadRecord();
            inspect(reader, *rec, data, size);
        }
        reader.CheckTypeIndexes();
    } catch (const EOmfFormatError&) {
    }
    check(reader.messages().size() <= TOmfReader::MaxTypeMessages);
    // The content pass over the same bytes.
    reader.SetPosition(0);
    try {
        while (!reader.Eof())
            if (const auto rec = reader.NextContent()) inspect(reader, *rec, data, size);
    } catch (const EOmfFormatError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    readBoth(bytes);
    readBoth(withoutChecksums(bytes));
    return 0;
}
