// The component streams' value reader and the bank address readers over
// arbitrary bytes: a short stream or a wrong type raises EReadError, a bad
// address text EVokWinConvertError, and nothing else may escape. Whatever is
// read keeps the address invariants and writes back to a stream that reads
// the same again; skipping a value always moves on. The emulator object's
// section of the project stream, read at any version 2 to 19 while the board
// is identified (so that no port is opened or bound), raises EReadError or
// nothing, and what it then writes reads back to the same bytes. The banking
// section likewise, where a value out of its range may also raise
// EVokWinValueError.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/banking_info.hpp"
#include "core/errors.hpp"
#include "core/value_stream.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
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
    require(ReadBankAdresse(r, true, nullptr) == a);
}

std::vector<std::uint8_t> settingsOf(const TEmulator& emulator) {
    platform::MemoryStream m;
    ValueWriter w(m);
    emulator.WriteSettings(w);
    return m.bytes();
}

void emulatorSection(const std::vector<std::uint8_t>& bytes, std::int32_t version) {
    static platform::FakeClock clock;
    static platform::MemorySettingsStore settings;
    static StandaloneTargetOptions options("", "");
    TEmulator emulator(options, clock, settings);
    emulator.SetProtFileName((std::filesystem::temp_directory_path() / "tarvex-fuzz-prot.txt").string());
    emulator.SetConnectionState(TBasisEmulator::StateIdentified);
    platform::MemoryStream stream(bytes);
    ValueReader reader(stream);
    try {
        emulator.ReadSettings(reader, version);
    } catch (const EReadError&) {
        return;
    }
    const auto written = settingsOf(emulator);
    platform::MemoryStream again(written);
    ValueReader r(again);
    emulator.ReadSettings(r, TEmulator::StreamVersion);
    require(r.EndOfStream());
    require(settingsOf(emulator) == written);
}

std::vector<std::uint8_t> settingsOf(const TBanking& banking) {
    platform::MemoryStream m;
    ValueWriter w(m);
    banking.WriteSettings(w);
    return m.bytes();
}

void bankingSection(const std::vector<std::uint8_t>& bytes, std::int32_t version, std::uint8_t generation) {
    static platform::FakeClock clock;
    static platform::MemorySettingsStore settings;
    static StandaloneTargetOptions options("", "");
    static NullNotifier notifier;
    TEmulator emulator(options, clock, settings);
    emulator.SetGeraet(generation);
    emulator.SetConnectionState(TBasisEmulator::StateIdentified);
    TBanking banking(emulator, notifier);
    platform::MemoryStream stream(bytes);
    ValueReader reader(stream);
    try {
        banking.ReadSettings(reader, version);
    } catch (const EReadError&) {
        return;
    } catch (const EVokWinValueError&) {
        return;
    }
    const auto written = settingsOf(banking);
    platform::MemoryStream again(written);
    ValueReader r(again);
    banking.ReadSettings(r, TEmulator::StreamVersion);
    require(r.EndOfStream());
    require(settingsOf(banking) == written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto script = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 32));
    const FixedBanking banking(in.ConsumeIntegralInRange<int>(0, 3), in.ConsumeBool());
    const auto version = in.ConsumeIntegralInRange<std::int32_t>(2, 19);
    const auto generation = in.ConsumeIntegralInRange<std::uint8_t>(0, 2);
    const auto bytes = in.ConsumeRemainingBytes<std::uint8_t>();
    emulatorSection(bytes, version);
    bankingSection(bytes, version, generation);
    platform::MemoryStream stream(bytes);
    ValueReader reader(stream);
    for (const std::uint8_t op : script) {
        const std::int64_t before = stream.position();
        try {
            switch (op % 10) {
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
                    const TBankAdresse a = ReadBankAdresse(reader, op % 10 == 4, &banking);
                    requireInvariants(a);
                    roundTrip(a);
                    break;
                }
                case 6: reader.ReadListBegin(); break;
                case 7: reader.ReadListEnd(); break;
                case 8: {
                    const double d = reader.ReadExtended();
                    platform::MemoryStream m;
                    ValueWriter(m).WriteExtended(d);
                    m.seek(0);
                    const double back = ValueReader(m).ReadExtended();
                    require(back == d || (d != d && back != back));
                    break;
                }
                case 9:
                    reader.SkipValue();
                    require(stream.position() > before);
                    break;
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
