#include "core/component.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/pellunar.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "platform/stream.hpp"
#include "platform/ui.hpp"

namespace tarvex {
namespace {

// Writes "name:code" into a shared log; may act on a notification.
class Probe final : public TComponent {
public:
    Probe(std::string name, std::vector<std::string>& log, bool holdsRecords = false)
        : name_(std::move(name)), log_(log), holds_(holdsRecords) {}
    std::string_view Name() const override { return name_; }
    bool HoldsTableRecords() const override { return holds_; }
    void Notify(std::uint8_t code, const void*) override {
        log_.push_back(name_ + ":" + std::to_string(code));
        if (onNotify) onNotify(code);
    }
    std::function<void(std::uint8_t)> onNotify;

private:
    std::string name_;
    std::vector<std::string>& log_;
    bool holds_;
};

using Log = std::vector<std::string>;

// The core's components in the host's order of creation, between a plain
// receiver created before them and one that keeps record pointers created
// after them; the list is the tables' notifier.
struct Components {
    Components() {
        for (TComponent* c : std::initializer_list<TComponent*>{&options, &symbols, &lines, &registers, &pellunar,
                                                                &watches})
            list.Add(*c);
    }
    TComponentList list;
    TargetContext ctx{.notifier = &list};
    Log log;
    Probe options{"Optionen", log};
    TSymboltabelle symbols{ctx};
    TZeilennummertabelle lines{symbols, ctx};
    TRegisterTabelle registers;
    TPellunarComp pellunar;
    Probe watches{"WatchTabelle", log, true};
};

TEST(Components, EveryCoreComponentTakesNotificationsAndItsSettingsRoundTrip) {
    Components a;
    EXPECT_EQ(a.list.Names(), (std::vector<std::string_view>{"Optionen", "SymbolTabelle", "ZeilennummernTabelle",
                                                             "RegisterTabelle", "PellunarComp", "WatchTabelle"}));
    for (std::uint8_t code : {4, 9, 31}) a.list.Broadcast(code, nullptr);
    EXPECT_EQ(a.log, (Log{"Optionen:4", "WatchTabelle:4", "WatchTabelle:9", "Optionen:9", "Optionen:31",
                          "WatchTabelle:31"}))
        << "in order of creation, but record holders first for notification 9";
    EXPECT_EQ(a.symbols.AllModules().name, "all Modules");

    a.symbols.SetRelativePath(false);
    a.symbols.SetTransformCase(TTransformCase::tcLower);
    a.pellunar.SetCodeBankCount(2);
    a.pellunar.SetCodeBankSize(0x8000);
    platform::MemoryStream stream;
    ValueWriter writer(stream);
    const std::vector<std::string_view> names = a.list.Names();
    a.list.WriteProperties(writer, names);
    // Symbol table: false, 2; the line and register tables publish nothing;
    // pellunar component: 2, 0x8000.
    EXPECT_EQ(stream.bytes(), (std::vector<std::uint8_t>{8, 2, 2, 2, 2, 4, 0x00, 0x80, 0x00, 0x00}));

    Components b;
    stream.seek(0);
    ValueReader reader(stream);
    b.list.ReadProperties(reader, names, 19);
    EXPECT_TRUE(reader.EndOfStream());
    EXPECT_FALSE(b.symbols.RelativePath());
    EXPECT_EQ(b.symbols.TransformCase(), TTransformCase::tcLower);
    EXPECT_EQ(b.pellunar.CodeBankCount(), 2);
    EXPECT_EQ(b.pellunar.CodeBankSize(), 0x8000u);

    // The option file's order differs from the creation order; a name that
    // is not there streams nothing at all.
    const std::vector<std::string_view> unknown{"SymbolTabelle", "Debug"};
    platform::MemoryStream empty;
    ValueWriter w(empty);
    EXPECT_THROW(a.list.WriteProperties(w, unknown), EVokWinValueError);
    EXPECT_EQ(empty.size(), 0);
    TRegisterTabelle again;
    EXPECT_THROW(a.list.Add(again), EVokWinValueError) << "names are unique";
}

TEST(Components, ClearedTablesReachRecordHoldersFirstAndSynchronously) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes);
    Components c;
    c.symbols.AddFileName("a.c", 1, 0);
    std::vector<std::size_t> boxesSeen;
    c.watches.onNotify = [&](std::uint8_t) { boxesSeen.push_back(boxes.shown().size()); };
    c.symbols.SetRelativePath(false);  // frees the file-name records
    c.lines.AddLine(UnbankedAdresse(0), 1, 0, 0, 0);
    c.lines.Clear();
    EXPECT_EQ(c.log, (Log{"WatchTabelle:9", "Optionen:9", "WatchTabelle:9", "Optionen:9"}));
    EXPECT_EQ(boxesSeen, (std::vector<std::size_t>{0, 1})) << "the holder ran before the warning box";
}

TEST(Components, ABroadcastSurvivesNotificationsAndListChangesFromItsReceivers) {
    Log log;
    TComponentList list;
    Probe a{"A", log}, b{"B", log, true}, c{"C", log}, d{"D", log, true};
    list.Add(a);
    list.Add(b);
    list.Add(c);
    a.onNotify = [&](std::uint8_t code) {
        if (code != 5) return;
        list.send(notify::TablesCleared, nullptr);  // depth first
        list.Remove(c);
        list.Add(d);
    };
    list.Broadcast(5, nullptr);
    EXPECT_EQ(log, (Log{"A:5", "B:9", "A:9", "C:9", "B:5"})) << "C removed, D joins later broadcasts";
    EXPECT_EQ(list.Names(), (std::vector<std::string_view>{"A", "B", "D"}));
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Items(2), &d);
    EXPECT_EQ(list.Find("C"), nullptr);

    log.clear();
    b.onNotify = [](std::uint8_t) { throw EVokWinError("stop"); };
    EXPECT_THROW(list.Broadcast(2, nullptr), EVokWinError);
    EXPECT_THROW(list.Broadcast(notify::TablesCleared, nullptr), EVokWinError);
    EXPECT_EQ(log, (Log{"A:2", "B:2", "B:9", "D:9"})) << "a raise ends the broadcast after every holder had 9";
    list.Remove(a);
    EXPECT_EQ(list.Items(0), &b) << "the list is usable after a raise";
}

}  // namespace
}  // namespace tarvex
