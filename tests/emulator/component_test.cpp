#include "core/component.hpp"

#include <gtest/gtest.h>

#include "core/line_table.hpp"
#include "core/pellunar.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "emulator/link/basis_emulator.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/stream.hpp"

namespace tarvex {
namespace {

// Every component of the driver that exists so far, in the host's order of
// creation, takes every notification and streams its settings out and back.
TEST(DriverComponents, AllTakeNotificationsAndStreamTheirSettings) {
    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    struct Set {
        explicit Set(platform::Clock& clock, platform::SettingsStore& settings) : emulator(clock, settings) {
            for (TComponent* c : std::initializer_list<TComponent*>{&emulator, &symbols, &lines, &registers, &pellunar})
                list.Add(*c);
        }
        TComponentList list;
        TBasisEmulator emulator;
        TSymboltabelle symbols{TargetContext{.notifier = &list}};
        TZeilennummertabelle lines{symbols, TargetContext{.notifier = &list}};
        TRegisterTabelle registers;
        TPellunarComp pellunar;
    } a(clock, settings), b(clock, settings);
    EXPECT_EQ(a.list.Names(), (std::vector<std::string_view>{"Dll_Emulator", "SymbolTabelle", "ZeilennummernTabelle",
                                                             "RegisterTabelle", "PellunarComp"}));
    for (int code = 0; code <= 35; ++code) a.list.Broadcast(static_cast<std::uint8_t>(code), &a.symbols);
    a.symbols.AddModule("MAIN", 1, UnbankedAdresse(0), UnbankedAdresse(0xFF));
    a.lines.AddLine(UnbankedAdresse(0), 1, 0, 0, 1);
    a.symbols.Clear();  // notification 9 through the list, from inside the table
    EXPECT_EQ(a.lines.Count(), 1u);

    a.symbols.SetTransformCase(TTransformCase::tcNone);
    a.pellunar.SetCodeBankCount(3);
    platform::MemoryStream stream;
    ValueWriter writer(stream);
    const std::vector<std::string_view> names = a.list.Names();
    a.list.WriteProperties(writer, names);
    stream.seek(0);
    ValueReader reader(stream);
    b.list.ReadProperties(reader, names, 19);
    EXPECT_TRUE(reader.EndOfStream());
    EXPECT_EQ(b.symbols.TransformCase(), TTransformCase::tcNone);
    EXPECT_EQ(b.pellunar.CodeBankCount(), 3);
}

}  // namespace
}  // namespace tarvex
