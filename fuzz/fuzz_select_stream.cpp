// The select file's section over arbitrary bytes, read into the offline
// select table (which never transmits) at file versions 1 to 6: a short or
// malformed section raises EReadError or an error of the driver's family
// and nothing else; nothing crashes, hangs or allocates beyond what the
// bytes describe. A section read without error writes a section that, read
// over the same table, writes the same bytes again. The first byte picks the
// version.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "core/target_interfaces.hpp"
#include "core/value_stream.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/debug/kdo_select_table.hpp"
#include "platform/clock.hpp"
#include "platform/exception.hpp"
#include "platform/settings.hpp"

namespace {

using namespace tarvex;

void require(bool ok) {
    if (!ok) std::abort();
}

struct Fixture {
    Fixture()
        : emulator(options, clock, settings), banking(emulator, notifier), symbols(context()), lines(symbols, context()) {
        options.saveBreakTrace = true;
        options.saveMap = true;
        options.pod = 1;
        emulator.SetConnectionState(TBasisEmulator::StateIdentified);
        symbols.AddFunction("main", 0, UnbankedAdresse(0x0100), UnbankedAdresse(0x011F), 1);
        symbols.AddSymbol(sspProgram, "loop", 0, 0, 240, 1, 19, UnbankedAdresse(0x0200));
    }
    TargetContext context() {
        TargetContext c;
        c.spaces = &spaces;
        c.banking = &banking;
        return c;
    }
    TSelectWiring wiring() {
        return TSelectWiring{emulator, banking, spaces, options, notifier, nullptr, &symbols, &lines, nullptr, nullptr};
    }

    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    StandaloneTargetOptions options{"", ""};
    NullNotifier notifier;
    TEmulator emulator;
    TBanking banking;
    StandardAddressSpaces spaces;
    TSymboltabelle symbols;
    TZeilennummertabelle lines;
};

std::vector<std::uint8_t> sectionOf(const TSelectTabelle& table) {
    platform::MemoryStream m;
    ValueWriter w(m);
    table.WriteToStream(w);
    return m.bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static Fixture f;
    const std::int32_t version = 1 + data[0] % 6;
    const std::vector<std::uint8_t> bytes(data + 1, data + size);
    TKdoSelectTabelle table(f.wiring());
    platform::MemoryStream stream(bytes);
    ValueReader reader(stream);
    try {
        table.ReadFromStream(reader, version);
    } catch (const EReadError&) {
        return 0;
    } catch (const EVokWinError&) {
        return 0;
    }
    require(stream.position() <= stream.size());
    // Read again over itself: a list whose changed flag is clear on both
    // sides stays as the table holds it, so only the same table can tell.
    const auto written = sectionOf(table);
    platform::MemoryStream back(written);
    ValueReader r(back);
    table.ReadFromStream(r, TSelectTabelle::SectionVersion);
    require(r.EndOfStream());
    require(sectionOf(table) == written);
    return 0;
}
