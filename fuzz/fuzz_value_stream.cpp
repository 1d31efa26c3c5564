// The component streams' value reader and the bank address readers over
// arbitrary bytes: a short stream or a wrong type raises EReadError, a bad
// address text EVokWinConvertError, and nothing else may escape. Whatever is
// read keeps the address invariants and writes back to a stream that reads
// the same again.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/banking_info.hpp"
#include "core/errors.hpp"
#include "core/value_stream.hpp"
#include "platform/exception.hpp"

namespace {

using namespace tarvex;

void require(bool ok) {
    if (!ok) std::abort();
}

void requireInvariants(const TBankAdresse& a) {
    if (!a.banked) require(a.bank == BankNone && !a.allBanks);
    if (a.allBanks) require(a.bank == BankAll && a.banked);
}

void roundTrip(const TBankAdresse& a) {
    platform::MemoryStream m;
    ValueWriter w(m);
    WriteBankAdresse(w, a);
    m.seek(0);
    ValueReader r(m);
    require(ReadBankAdresse(r, true) == a);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto script = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 32));
    const FixedBanking banking(in.ConsumeIntegralInRange<int>(0, 3), in.ConsumeBool());
    const auto bytes = in.ConsumeRemainingBytes<std::uint8_t>();
    platform::MemoryStream stream(bytes);
    ValueReader reader(stream);
    for (const std::uint8_t op : script) {
        const std::int64_t before = stream.position();
        try {
            switch (op % 6) {
                case 0: {
                    const std::int32_t v = reader.ReadInteger();
                    platform::MemoryStream m;
                    ValueWriter(m).WriteInteger(v);
                    m.seek(0);
                    require(ValueReader(m).ReadInteger() == v);
                    break;
                }
                case 1: reader.ReadBoolean(); break;
                case 2: {
                    const std::string s = reader.ReadString();
                    require(stream.position() - before >= static_cast<std::int64_t>(s.size()));
                    platform::MemoryStream m;
                    ValueWriter(m).WriteString(s);
                    m.seek(0);
                    require(ValueReader(m).ReadString() == s);
                    break;
                }
                case 3: {
                    const std::uint8_t t = reader.NextValue();
                    require(stream.position() == before);
                    (void)t;
                    break;
                }
                case 4:
                case 5: {
                    const TBankAdresse a = ReadBankAdresse(reader, op % 6 == 4, &banking);
                    requireInvariants(a);
                    roundTrip(a);
                    break;
                }
            }
        } catch (const EReadError&) {
        }
        require(stream.position() <= stream.size());
    }
    // The same bytes as an address text.
    const std::string text(bytes.begin(), bytes.end());
    try {
        const TBankAdresse a = StrToBankAdresse(text, &banking);
        requireInvariants(a);
        // The full form names the same address.
        require(StrToBankAdresse(BankAdresseToStrFull(a), &banking) == a);
    } catch (const EVokWinConvertError&) {
    }
    return 0;
}
