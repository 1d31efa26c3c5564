#include "emulator/debug/watches.hpp"
#include "emulator/debug/watch_types.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <map>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/memory_spaces.hpp"
#include "tests/support/fake_targets.hpp"

namespace tarvex {
namespace {

TBankAdresse U(std::uint16_t o) { return UnbankedAdresse(o); }

// Flat memories behind the watches, with the limits of the real spaces.
struct FakeWatchTarget final : IWatchTarget {
    FakeWatchTarget() {
        for (int k = 0; k < 6; ++k) limits.push_back(std::make_unique<TBasisEmulSpeicher>(static_cast<std::uint8_t>(k)));
        for (auto& m : mem) m.assign(0x10000, 0);
    }
    const TBasisEmulSpeicher* Limits(int k) const override {
        ++limitQueries;
        return k >= 0 && k < 6 ? limits[k].get() : nullptr;
    }
    std::string ReadBlock(int k, const TBankAdresse& a, std::int32_t n) override {
        ++reads;
        std::string s;
        for (std::int32_t i = 0; i < n; ++i) s += static_cast<char>(mem[k][(a.offset + i) & 0xFFFF]);
        return s;
    }
    void WriteBlock(int k, const TBankAdresse& a, std::string_view d) override {
        for (std::size_t i = 0; i < d.size(); ++i) mem[k][(a.offset + i) & 0xFFFF] = static_cast<std::uint8_t>(d[i]);
        writes.push_back({k, a.offset, std::string(d)});
    }
    std::uint8_t ReadSfrByte(std::uint8_t a) override { return mem[4][a]; }
    void WriteSfr(std::uint8_t a, std::uint8_t v) override { mem[4][a] = v; }
    std::string ReadRegisterBank() override { return std::string(reinterpret_cast<const char*>(mem[1].data()), 8); }
    void WriteRegister(int n, std::uint8_t v) override { mem[1][static_cast<std::size_t>(n & 7)] = v; }
    std::uint8_t ReadV(std::uint16_t i) override { return sysvar[i]; }
    void WriteV(std::uint16_t i, std::uint8_t v) override { sysvar[i] = v; }
    TBankAdresse PC() const override { return pc; }
    void SetPC(const TBankAdresse& a) override { pc = a; }
    void UpdatePellunars() override { ++pellunarUpdates; }
    int ToolChain() const override { return toolChain; }

    void put(int k, std::uint16_t at, std::initializer_list<std::uint8_t> bytes) {
        for (std::uint8_t b : bytes) mem[k][at++] = b;
    }
    struct Write {
        int space;
        std::uint16_t at;
        std::string data;
    };
    std::vector<std::unique_ptr<TBasisEmulSpeicher>> limits;
    std::array<std::vector<std::uint8_t>, 6> mem;
    std::map<std::uint16_t, std::uint8_t> sysvar;
    std::vector<Write> writes;
    TBankAdresse pc{};
    int toolChain = 0;
    int reads = 0;
    mutable int limitQueries = 0;  // a measure of the work of an evaluation
    int pellunarUpdates = 0;
};

struct Rig {
    TSymboltabelle symbols;
    TRegisterTabelle registers;
    FakeWatchTarget target;
    test::RecordingNotifier notifier;
    TWatchTabelle table{symbols, registers, target, notifier};

    std::unique_ptr<TWatchItem> item(std::string expr, int cls = 0, int type = 0, int format = 0, int count = 1) {
        auto i = TWatchTabelle::NewItem();
        i->expression = std::move(expr);
        i->memoryClass = static_cast<std::uint8_t>(cls);
        i->requestedType = static_cast<std::uint8_t>(type);
        i->displayFormat = static_cast<std::uint8_t>(format);
        i->requestedCount = static_cast<std::uint32_t>(count);
        return i;
    }
    std::unique_ptr<TWatchItem> at(int cls, std::uint16_t offset, int type, int format = 0, int count = 1) {
        auto i = item("", cls, type, format, count);
        i->address = U(offset);
        return i;
    }
    std::string error(TWatchItem& i) {
        try {
            table.Resolve(i);
        } catch (const EVokWinError& e) {
            return e.message();
        }
        return "";
    }
    std::string text(TWatchItem& i) {
        table.Resolve(i);
        return table.ItemValueText(&i);
    }
    std::string write(TWatchItem& i, std::string_view value) {
        try {
            table.SetItemValueText(&i, value);
        } catch (const EVokWinError& e) {
            return e.message();
        } catch (const EConvertError& e) {
            return "convert: " + e.message();
        }
        return "";
    }
};

TEST(Watches, ParsingAndItsErrors) {
    Rig r;
    r.symbols.AddSymbol(sspIntData, "A", 0, 0, 3, 1, 0, U(0x30));
    auto a = r.item("a[1][2]");
    r.error(*a);
    EXPECT_EQ(a->expression, "A[1][2]");
    auto p = r.item("**A");
    r.error(*p);
    EXPECT_EQ(p->dereferenceCount, 2);
    struct Case {
        const char* expr;
        const char* message;
    } cases[] = {
        {"a*b", "Error in watch variable A*B: * only valid at the beginning"},
        {"a[1", "Error in watch variable A[1: Brackets [] not valid"},
        {"s.", "Error in watch variable S.: Missing structure element name"},
        {"p->", "Error in watch variable P->: Missing structure element name"},
        {"nothing", "Symbol NOTHING not found"},
    };
    for (const Case& c : cases) {
        auto i = r.item(c.expr);
        EXPECT_EQ(r.error(*i), c.message) << c.expr;
        EXPECT_FALSE(i->resolved);
    }
    auto empty = r.item("", 0);
    EXPECT_EQ(r.error(*empty), "Symbol  not found");
    auto sysvar = r.item("A", 8);
    EXPECT_EQ(r.error(*sysvar), "Symbol A not found");
}

TEST(Watches, LookupOrderScopesAndRegisters) {
    Rig r;
    r.symbols.AddModule("MOD", 3, U(0), U(0x100));
    r.symbols.AddFunction("FN", 3, U(0x10), U(0x20), 5);
    r.symbols.AddSymbol(sspExtData, "V", 0, 0, 3, 1, 0, U(0x200));
    r.symbols.AddSymbol(sspIntData, "V", 0, 0, 3, 1, 0, U(0x40));
    r.symbols.AddSymbol(sspIntData, "L", 5, 3, 3, 1, 0, U(0x41));
    r.symbols.AddSymbol(sspIntData, "L", 0, 0, 3, 1, 0, U(0x42));
    r.registers.AddRegister("ACC", "", 0, 0, 0, 0xE0, "");
    auto v = r.item("v");
    r.table.Resolve(*v);
    EXPECT_EQ(v->memoryClass, 2);
    EXPECT_EQ(v->address.offset, 0x40);
    auto scoped = r.item("l");
    scoped->moduleId = 3;
    scoped->functionId = 5;
    r.table.Resolve(*scoped);
    EXPECT_EQ(scoped->address.offset, 0x41);
    EXPECT_EQ(scoped->expression, ":MOD:FN:L");
    r.table.Resolve(*scoped);  // the qualified name finds the same symbol again
    EXPECT_EQ(scoped->address.offset, 0x41);
    auto acc = r.item("acc");
    r.target.put(4, 0xE0, {0x5A});
    EXPECT_EQ(r.text(*acc), "5A");
    EXPECT_TRUE(acc->registerSymbol);
    EXPECT_EQ(acc->memoryClass, 5);
}

TEST(Watches, AddressWatchesAndResolveAll) {
    Rig r;
    r.target.sysvar[20] = 'R';
    auto bad = r.at(8, 5, 0);
    EXPECT_EQ(r.error(*bad), "Address 0005 out of address range");
    auto sys = r.at(8, 20, 0, 3);
    EXPECT_EQ(r.text(*sys), "\"R\"");
    auto clamped = r.at(5, 0x10, 3);  // below the SFR space: moved to its lowest address
    r.table.Resolve(*clamped);
    EXPECT_EQ(clamped->address.offset, 0x80);
    // One bad watch does not stop the others.
    r.symbols.AddSymbol(sspIntData, "OK", 0, 0, 3, 1, 0, U(0x30));
    TWatchItem* b = r.table.AddItem(1, r.at(8, 5, 0));
    TWatchItem* g = r.table.AddItem(2, r.item("ok"));
    r.table.ResolveAll();
    EXPECT_EQ(b->rest, "Address 0005 out of address range");
    EXPECT_TRUE(g->resolved);
    // Notification 4 resolves only when the symbols changed, and says so once.
    g->resolved = false;
    r.symbols.ModifiedWatch = false;
    r.table.Notify(notify::SymbolFileFound, nullptr);
    EXPECT_FALSE(g->resolved);
    EXPECT_TRUE(r.notifier.sent.empty());
    r.symbols.ModifiedWatch = true;
    r.table.Notify(notify::SymbolFileFound, nullptr);
    EXPECT_TRUE(g->resolved);
    ASSERT_EQ(r.notifier.sent.size(), 1u);
    EXPECT_EQ(r.notifier.sent[0].code, 23);
}

TEST(Watches, ValueTexts) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        int type, format, toolChain;
        bool reversed;
        const char* text;
    } cases[] = {
        {{0x12, 0x34}, 4, 0, 0, false, "4660"},
        {{0x12, 0x34}, 4, 0, 6, false, "13330"},
        {{0x12, 0x34}, 4, 1, 0, false, "1234"},
        {{0x12, 0x34}, 4, 1, 6, false, "3412"},
        {{0x12, 0x34}, 4, 0, 0, true, "13330"},
        {{0x12, 0x34}, 4, 1, 6, true, "1234"},
        {{0xFF, 0xFE}, 4, 2, 0, false, "-2"},
        {{0x00, 0x00, 0xC0, 0x3F}, 8, 0, 0, false, "1.5000"},
        {{0x3F, 0xC0, 0x00, 0x00}, 12, 0, 0, false, "1.5000"},
        {{0xC4, 0x9A, 0x50, 0x00}, 12, 0, 0, false, "-1.23450000000000E+0003"},
        {{0x12, 0x34, 0x56, 0x41}, 15, 0, 0, false, "1.23456"},
        {{0x12, 0x34, 0x56, 0xC0}, 15, 0, 0, false, "-0.123456"},
        {{0x81}, 2, 0, 0, false, "-127"},
        {{0x05}, 1, 0, 0, false, "1"},
        {{0x00, 0x00, 0x01, 0x00}, 7, 2, 0, false, "256"},
        {{0x00, 0x00, 0x01, 0x00}, 7, 0, 0, false, "00000100"},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 6, 0, 0, false, "-1"},
    };
    for (const Case& c : cases) {
        Rig r;
        r.target.toolChain = c.toolChain;
        std::uint16_t at = 0x40;
        for (std::uint8_t b : c.bytes) r.target.mem[2][at++] = b;
        auto i = r.at(3, 0x40, c.type, c.format);
        i->reversed = c.reversed;
        EXPECT_EQ(r.text(*i), c.text) << c.type << "/" << c.format << "/" << c.toolChain;
    }
}

TEST(Watches, AsciiStructuresAndPointers) {
    Rig r;
    r.target.put(2, 0x100, {'a', 'b', 'c', 0});
    auto ascii = r.at(3, 0x100, 3, 3, 4);
    EXPECT_EQ(r.text(*ascii), "\"abc#0\"");
    auto str = r.at(3, 0x100, 13);
    EXPECT_EQ(r.text(*str), "abc");

    TSymbol* s = r.symbols.AddSymbol(sspTypedef, "", 2, 0, 255, 2, symbol_class::Structure, U(1));
    r.symbols.AddSymbol(sspTypedef, "A", 0, 0, 2, 1, symbol_class::Member, U(0));
    r.symbols.AddSymbol(sspTypedef, "B", 0, 1, 2, 1, symbol_class::Member, U(0));
    (void)s;
    r.symbols.AddSymbol(sspExtData, "S", 0, 0, 255, 0, 0, U(0x200));
    r.target.put(2, 0x200, {1, 2});
    auto whole = r.item("s");
    EXPECT_EQ(r.text(*whole), "(1, 2)");
    auto record = r.item("s", 0, 0, 5);
    EXPECT_EQ(r.text(*record), "(A:1, B:2)");
    auto member = r.item("s.b");
    EXPECT_EQ(r.text(*member), "2");
    EXPECT_EQ(member->address.offset, 0x201);
    auto wrong = r.item("s.c");
    EXPECT_EQ(r.error(*wrong), "Error in watch variable S.C: Structure element name not valid");

    r.target.put(2, 0x300, {0x34, 0x12, 0x01});
    auto ptr = r.at(3, 0x300, 14);
    r.target.toolChain = 6;
    EXPECT_EQ(r.text(*ptr), "Ext.1234");
    r.target.toolChain = 0;
    EXPECT_EQ(r.text(*ptr), "34 12 01Pointer format not valid");
    // The tags SDCC 3.x and 4.x write.
    r.target.toolChain = 6;
    for (const auto& [tag, text] : {std::pair<std::uint8_t, const char*>{0x00, "Ext.1234"}, {0x40, "Int.1234"},
                                    {0x60, "Ext.1234"}, {0x80, "Prg.1234"}}) {
        r.target.put(2, 0x302, {tag});
        EXPECT_EQ(r.text(*ptr), text) << int(tag);
    }
}

TEST(Watches, StructureReadShortClosesBeforeTheMissingMember) {
    Rig r;
    r.symbols.AddSymbol(sspTypedef, "", 2, 0, 255, 2, symbol_class::Structure, U(1));
    r.symbols.AddSymbol(sspTypedef, "A", 0, 0, 2, 1, symbol_class::Member, U(0));
    r.symbols.AddSymbol(sspTypedef, "B", 0, 5, 2, 1, symbol_class::Member, U(0));
    r.symbols.AddSymbol(sspExtData, "S", 0, 0, 255, 0, 0, U(0x200));
    auto i = r.item("s");
    r.table.Resolve(*i);
    i->elementSize = 2;  // the data ends before B's offset
    r.target.put(2, 0x200, {7, 8});
    EXPECT_EQ(r.table.ItemValueText(i.get()), "(7)");
}

TEST(Watches, CyclicTypeRecordsEndInAnError) {
    Rig r;
    // A named type whose element type is itself.
    r.symbols.AddSymbol(sspTypedef, "T", 0, 0, 255, 1, symbol_class::NamedType, U(0));
    r.symbols.AddSymbol(sspIntData, "X", 0, 0, 255, 0, 0, U(0x30));
    auto i = r.item("x");
    EXPECT_EQ(r.error(*i), "Error in watch variable X: Typedef.Recordtype 24 not valid");
}

// A 3 x 4 array described by one record with both dimensions, and by an
// array of 3 whose element is an array of 4 (as SDCC's debug file has it):
// the same indices name the same bytes; a chain of arrays that returns to
// itself ends in an error.
TEST(Watches, ArrayDimensionsInOneRecordOrNested) {
    const struct {
        const char* expr;
        const char* text;
    } cases[] = {
        {"g[1][2]", "[06]"},
        {"g[2,3]", "[0B]"},
        {"g[1]", "[04]"},
        {"g", "[00, 01, 02, 03, 04, 05, 06, 07, 08, 09, 0A, 0B]"},
        {"g[0][4]", "Error in watch variable G[0][4]: Array index not valid"},
        {"g[1][1][1]", "Error in watch variable G[1][1][1]: Too much array indeces"},
        {"g[1][1].x", "Error in watch variable G[1][1].X: Structure element name not valid"},
    };
    for (bool nested : {false, true}) {
        Rig r;
        for (std::uint8_t b = 0; b < 12; ++b) r.target.mem[2][0x100 + b] = b;
        TSymbol* type = nullptr;
        if (nested) {
            TSymbol* row = r.symbols.AddSymbol(sspTypedef, std::string("\4\0", 2), 1, 0, 3, 4, 34, U(0));
            type = r.symbols.AddSymbol(sspTypedef, std::string("\3\0", 2), 1, 0, 255, 12, 34,
                                       U(static_cast<std::uint16_t>(r.symbols.TypeIndex(row))));
        } else {
            type = r.symbols.AddSymbol(sspTypedef, std::string("\3\0\4\0", 4), 2, 0, 3, 12, 34, U(0));
        }
        r.symbols.AddSymbol(sspExtData, "G", 0, 0, 255, static_cast<std::uint32_t>(r.symbols.TypeIndex(type)), 0,
                            U(0x100));
        for (const auto& c : cases) {
            auto i = r.item(c.expr);
            std::string text = r.error(*i);
            if (text.empty()) text = r.table.ItemValueText(i.get());
            EXPECT_EQ(text, c.text) << c.expr << (nested ? " nested" : " one record");
        }
    }
    Rig r;
    TSymbol* loop = r.symbols.AddSymbol(sspTypedef, std::string("\2\0", 2), 1, 0, 255, 2, 34, U(0));
    r.symbols.AddSymbol(sspExtData, "L", 0, 0, 255, static_cast<std::uint32_t>(r.symbols.TypeIndex(loop)), 0, U(0));
    auto i = r.item("l[1][1]");
    EXPECT_EQ(r.error(*i), "Error in watch variable L[1][1]: Typedef.Recordtype 22 not valid");
}

// A pointer to structures followed by an index and a member, or by a
// member alone, names that member of that element.
TEST(Watches, PointerIndexThenMember) {
    Rig r;
    TSymbol* point = r.symbols.AddSymbol(sspTypedef, "", 2, 0, 255, 2, symbol_class::Structure, U(1));
    r.symbols.AddSymbol(sspTypedef, "A", 0, 0, 3, 1, symbol_class::Member, U(0));
    r.symbols.AddSymbol(sspTypedef, "B", 0, 1, 3, 1, symbol_class::Member, U(0));
    TSymbol* pointer = r.symbols.AddSymbol(sspTypedef, "", 0, 0, 255, 3, symbol_class::CdbGenericPointer,
                                           U(static_cast<std::uint16_t>(r.symbols.TypeIndex(point))));
    r.symbols.AddSymbol(sspExtData, "P", 0, 0, 255, static_cast<std::uint32_t>(r.symbols.TypeIndex(pointer)), 0,
                        U(0x300));
    r.target.put(2, 0x300, {0x02, 0x04, 0x00});  // external data 0400
    r.target.put(2, 0x400, {1, 2, 3, 4, 5, 6});
    const struct {
        const char* expr;
        const char* text;
    } cases[] = {
        {"p", "Ext.0400"}, {"*p", "(01, 02)"}, {"p->b", "02"}, {"p[2]", "(05, 06)"}, {"p[1].b", "04"},
    };
    for (const auto& c : cases) {
        auto i = r.item(c.expr);
        std::string text = r.error(*i);
        if (text.empty()) text = r.table.ItemValueText(i.get());
        EXPECT_EQ(text, c.text) << c.expr;
    }
}

TEST(Watches, Writing) {
    struct Case {
        int type, format;
        const char* value;
        const char* error;  // empty: written
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {2, 2, "-128", "Unvalid 8 bit constant -128", {}},
        {2, 2, "-127", "", {0x81}},
        {2, 1, "300", "Unvalid 8 bit constant 300", {}},
        {3, 2, "-1", "", {0xFF}},
        {3, 0, "-1", "'' is not a valid integer value", {}},
        {3, 2, "-100000", "Unvalid 8 bit constant -100000", {}},
        {5, 2, "-70000", "Invalid 16 bit constant -70000", {}},
        {4, 2, "4660", "", {0x12, 0x34}},
        {8, 0, "1.5", "", {0x00, 0x00, 0xC0, 0x3F}},
        {12, 0, "1.5", "", {0x3F, 0xC0, 0x00, 0x00}},
        {8, 0, "1,5", "", {0x00, 0x00, 0x80, 0x3F}},  // the comma ends the element
        {8, 0, "x", "Unvalid floatingpoint constant x", {}},
        {1, 0, "10", "Unvalid bit input 10", {}},
        {7, 1, "$FFFFFFFF", "", {0xFF, 0xFF, 0xFF, 0xFF}},
        {9, 0, "1", "No change of data type", {}},
    };
    for (const Case& c : cases) {
        Rig r;
        auto i = r.at(3, 0x40, c.type, c.format);
        EXPECT_EQ(r.write(*i, c.value), c.error) << c.value;
        if (c.error[0] == '\0') {
            ASSERT_EQ(r.target.writes.size(), 1u) << c.value;
            EXPECT_EQ(r.target.writes[0].data, std::string(c.bytes.begin(), c.bytes.end())) << c.value;
        } else {
            EXPECT_TRUE(r.target.writes.empty()) << c.value;
        }
    }
    Rig r;
    auto three = r.at(3, 0x40, 3, 2, 3);
    EXPECT_EQ(r.write(*three, "1,2,3"), "");
    EXPECT_EQ(r.target.mem[2][0x40], 1);
    EXPECT_EQ(r.target.mem[2][0x42], 3);
    r.target.writes.clear();
    EXPECT_EQ(r.write(*three, "4,5"), "'' is not a valid integer value");
    EXPECT_EQ(r.target.writes.size(), 2u);
    auto code = r.at(1, 0x10, 3, 2);
    EXPECT_EQ(r.write(*code, "7"), "");
    EXPECT_EQ(r.target.pellunarUpdates, 1);
}

// What a type writes is what it reads: a value written in a display format
// shows again as the same text, for every type that takes a value.
TEST(Watches, EveryWritableTypeReadsBackWhatItWrote) {
    const struct {
        int type, format;
        const char* text;
    } rows[] = {
        {3, 2, "200"},  {2, 2, "-5"},        {3, 1, "7F"},        {3, 4, "10100101"},
        {1, 0, "1"},    {4, 2, "-1234"},     {5, 1, "BEEF"},      {5, 2, "65535"},
        {6, 2, "-70000"}, {7, 2, "4000000000"}, {7, 1, "12345678"}, {7, 4, "00000001000000100000001100000100"},
        {8, 0, "1.5000"}, {12, 0, "-2.2500"},
    };
    for (const auto& row : rows) {
        Rig r;
        auto i = r.at(3, 0x40, row.type, row.format);
        ASSERT_EQ(r.write(*i, row.text), "") << row.type << " " << row.text;
        EXPECT_EQ(r.text(*i), row.text) << row.type;
        EXPECT_TRUE(WatchClassWritable(WatchTypeRow(i->typeCode).klass)) << row.type;
    }
}

// An index expression that gives no index fails once: the levels around it
// do not evaluate it again without scope (which doubled the work per level
// until the evaluation's step limit ended it with another error).
TEST(Watches, NestedIndexExpressionsFailOnce) {
    Rig r;
    TSymbol* type = r.symbols.AddSymbol(sspTypedef, std::string("\3\0\4\0", 4), 2, 0, 3, 12, 34, U(0));
    r.symbols.AddSymbol(sspExtData, "G", 0, 0, 255, static_cast<std::uint32_t>(r.symbols.TypeIndex(type)), 0,
                        U(0x100));
    std::string expression = "g[0][0]";
    for (int level = 0; level < 16; ++level) expression = "g[" + expression + "][0]";
    auto item = r.item(expression);
    item->moduleId = 1;  // in a scope: every level may be retried without it
    const std::string text = r.error(*item).empty() ? r.table.ItemValueText(item.get()) : r.error(*item);
    EXPECT_TRUE(text.ends_with(": Array index not valid")) << text;
    // Work in proportion to the levels, not doubling with each.
    EXPECT_LE(r.target.limitQueries, 4 * 16) << text;
}

// An index variable out of range is the value text of arrays of either
// object-file class, as of dimension lists.
TEST(Watches, IndexVariableOutOfRangeIsTheValueText) {
    for (const std::uint8_t klass : {symbol_class::Array, std::uint8_t{16}}) {
        for (const std::uint8_t index : {2, 9}) {
            Rig r;
            // Four unsigned chars at external data 0x100.
            TSymbol* type = r.symbols.AddSymbol(sspTypedef, std::string("\0\0\3\0", 4), 0, 4, 3, 4, klass, U(0));
            r.symbols.AddSymbol(sspExtData, "ARR", 0, 0, 255, static_cast<std::uint32_t>(r.symbols.TypeIndex(type)), 0,
                                U(0x100));
            r.symbols.AddSymbol(sspExtData, "I", 0, 0, 3, 1, 0, U(0x200));
            r.target.put(2, 0x100, {0x10, 0x11, 0x12, 0x13});
            r.target.put(2, 0x200, {index});
            auto item = r.item("arr[i]");
            EXPECT_EQ(r.text(*item), index == 2 ? "12" : "Error in watch variable ARR[I]: Array index not valid")
                << int(klass);
        }
    }
}

// A write whose last element ends at the top of its memory is carried out
// and reported as such; one that does not fit is refused before it writes;
// a failed write leaves a listed watch at its address.
TEST(Watches, WritesAtTheTopOfMemoryAndAfterAFailure) {
    const struct {
        int type;
        std::uint16_t at;
        int count;
        const char* value;
        const char* error;
        std::size_t writes;
    } cases[] = {
        {4, 0xFFFE, 1, "1234", "", 1},
        {3, 0xFFFF, 1, "5A", "", 1},
        {3, 0xFFFD, 3, "1,2,3", "", 3},
        {4, 0xFFFF, 1, "1234", "Address FFFF + 2 out of address range", 0},
        {3, 0xFFFE, 3, "1,2,3", "Address FFFF + 1 out of address range", 2},
    };
    for (const auto& c : cases) {
        Rig r;
        auto item = r.at(3, c.at, c.type, 1, c.count);
        EXPECT_EQ(r.write(*item, c.value), c.error) << c.at << " " << c.value;
        EXPECT_EQ(r.target.writes.size(), c.writes) << c.at << " " << c.value;
        EXPECT_EQ(item->address.offset, c.at) << c.at << " " << c.value;
    }
    Rig r;
    TWatchItem* listed = r.table.AddItem(1, r.at(3, 0x40, 3, 2, 3));
    EXPECT_EQ(r.write(*listed, "1,300,3"), "Unvalid 8 bit constant 300");
    r.table.ResolveAll();
    EXPECT_EQ(listed->address.offset, 0x40);
    EXPECT_EQ(r.write(*listed, "7,8,9"), "");
    EXPECT_EQ(r.target.mem[2][0x40], 7);
    EXPECT_EQ(r.target.mem[2][0x42], 9);
}

// A register location (kind 12) lists its registers by count: R0 is one of
// them. The first register of the list gives the last byte.
TEST(Watches, RegisterListsIncludingR0) {
    const struct {
        std::vector<std::uint8_t> registers;
        int toolChain;
        const char* text;
    } cases[] = {
        {{7, 6}, 6, "4660"},  // SDCC's [r6,r7] as the loader enters it: R6 = 0x34, R7 = 0x12
        {{1, 0}, 6, "22136"},  // [r0,r1]: R0 = 0x78, R1 = 0x56
        {{6, 7}, 0, "4660"},  // big-endian: R6 high
    };
    for (const auto& c : cases) {
        Rig r;
        r.target.toolChain = c.toolChain;
        r.target.put(1, 0, {0x78, 0x56, 0, 0, 0, 0, 0x34, 0x12});
        TSymbol* x = r.symbols.AddSymbol(sspIntData, "X", 0, 0, 4, 2, 0, U(0));
        TLocation* at = r.symbols.Locations().Add();
        at->start = U(0x10);
        at->end = U(0x20);
        at->kind = 12;
        std::copy(c.registers.begin(), c.registers.end(), at->registers.begin());
        at->registerCount = static_cast<std::uint8_t>(c.registers.size());
        x->firstLocation = 0;
        x->locationCount = 1;
        r.target.pc = U(0x18);
        auto item = r.item("x", 0, 0, 2);
        EXPECT_EQ(r.text(*item), c.text) << c.toolChain;
        EXPECT_EQ(r.write(*item, "258"), "");  // 0x0102
        EXPECT_EQ(r.text(*item), "258") << c.toolChain;
    }
}

// Where the program counter lies outside its ranges, a variable held only in
// registers has no place: no value, and a write is refused with nothing
// written. One that also has a memory location keeps its symbol's address
// there. A pointer held in registers points where its value says: the
// pointed-to data is read there, not from its registers again.
TEST(Watches, RegisterLocationsOutsideTheirRangesAndPointersHeldInRegisters) {
    const struct {
        std::uint16_t pc;
        bool alsoInMemory;
        const char* text;
        const char* error;
    } cases[] = {
        {0x18, false, "4660", ""},
        {0x30, false, "", "Error in watch variable X: Unvalid access"},
        {0x30, true, "30806", ""},  // 0x7856 at its own address 0x40
    };
    for (const auto& c : cases) {
        Rig r;
        r.target.toolChain = 6;
        r.target.put(1, 0, {0, 0, 0, 0, 0, 0, 0x34, 0x12});
        r.target.put(1, 0x40, {0x56, 0x78});
        TSymbol* x = r.symbols.AddSymbol(sspIntData, "X", 0, 0, 4, 2, 0, U(0x40));
        x->firstLocation = static_cast<std::uint32_t>(r.symbols.Locations().Count());
        TLocation* at = r.symbols.Locations().Add();
        at->start = U(0x10);
        at->end = U(0x20);
        at->kind = 12;
        at->registers = {7, 6};
        at->registerCount = 2;
        x->locationCount = 1;
        if (c.alsoInMemory) {
            TLocation* memory = r.symbols.Locations().Add();
            memory->start = U(0x20);
            memory->end = U(0x28);
            memory->kind = 2;
            memory->offset = 0x40;
            x->locationCount = 2;
        }
        r.target.pc = U(c.pc);
        auto item = r.item("x");
        EXPECT_EQ(r.text(*item), c.text) << c.pc << c.alsoInMemory;
        const auto before = r.target.mem[1];
        EXPECT_EQ(r.write(*item, "1"), c.error) << c.pc << c.alsoInMemory;
        if (*c.error != 0) {
            EXPECT_TRUE(r.target.writes.empty());
            EXPECT_EQ(r.target.mem[1], before);
        }
    }
    // SDCC's generic pointer [r5,r6,r7]: 0x0050 in internal data (tag 0x40).
    Rig r;
    r.target.toolChain = 6;
    r.target.put(1, 0, {0, 0, 0, 0, 0, 0x50, 0x00, 0x40});
    r.target.put(1, 0x50, {0x5A});
    TSymbol* p = r.symbols.AddSymbol(sspIntData, "P", 0, 0, 33, 3, 0, U(0));
    TLocation* at = r.symbols.Locations().Add();
    at->start = U(0x10);
    at->end = U(0x20);
    at->kind = 12;
    at->registers = {7, 6, 5};
    at->registerCount = 3;
    p->firstLocation = 0;
    p->locationCount = 1;
    r.target.pc = U(0x18);
    auto pointer = r.item("p");
    EXPECT_EQ(r.text(*pointer), "Int.0050");
    auto target = r.item("*p");
    EXPECT_EQ(r.text(*target), "5A");
}

TEST(Watches, NumberTextsIgnoreTheProcessLocale) {
    struct Comma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale saved = std::locale::global(std::locale(std::locale::classic(), new Comma));
    const std::string savedC = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    Rig r;
    r.target.put(2, 0x40, {0x00, 0x00, 0xC0, 0x3F});
    auto i = r.at(3, 0x40, 8);
    EXPECT_EQ(r.text(*i), "1.5000");
    EXPECT_EQ(r.write(*i, "2.25"), "");
    EXPECT_EQ(r.target.writes.at(0).data, std::string("\x00\x00\x10\x40", 4));
    EXPECT_EQ(GeneralText(1.5e20), "1.5E20");
    EXPECT_EQ(GeneralText(1e-7), "1E-7");
    EXPECT_EQ(GeneralText(120.0), "120");
    EXPECT_EQ(FixedText(12.5, 2), "12.50");
    EXPECT_EQ(ScientificText(12345.0), " 1.23450000000000E+0004");
    std::setlocale(LC_ALL, savedC.c_str());
    std::locale::global(saved);
}

TEST(Watches, RunTimeIntegerConversion) {
    EXPECT_EQ(StrToIntRt(" $FFFFFFFF "), 4294967295LL);
    EXPECT_EQ(StrToIntRt("-2147483648"), -2147483648LL);
    EXPECT_EQ(StrToIntRt("4294967295"), 4294967295LL);
    for (const char* bad : {"", "$", "$123456789", "4294967296", "-2147483649", "1x", "0x10"})
        EXPECT_THROW(StrToIntRt(bad), EConvertError) << bad;
}

}  // namespace
}  // namespace tarvex

#include "tests/support/target/sim_target.hpp"

namespace tarvex {
namespace {

TEST(Watches, ThroughTheMemorySpacesOnTheSimulator) {
    test::SimTarget t;
    t.start();
    TSymboltabelle symbols;
    symbols.AddSymbol(sspIntData, "ticks", 0, 0, 3, 1, 0, U(0x10));
    symbols.AddSymbol(sspIntData, "lastInput", 0, 0, 3, 1, 0, U(0x11));
    DefaultOptionsInfo options;
    TEmulWatchTarget target(*t.spaces, *t.emu, nullptr, &options);
    test::RecordingNotifier notifier;
    TWatchTabelle table(symbols, t.registers, target, notifier);
    t.board.setMaster(0x7A10, 0x42);
    auto ticks = TWatchTabelle::NewItem();
    ticks->expression = "ticks";
    table.Resolve(*ticks);
    EXPECT_EQ(table.ItemValueText(ticks.get()), "42");
    auto last = TWatchTabelle::NewItem();
    last->expression = "lastInput";
    table.SetItemValueText(last.get(), "5A");
    EXPECT_EQ(t.board.master(0x7A11), 0x5A);
    auto sysvar = TWatchTabelle::NewItem();
    sysvar->memoryClass = 8;
    sysvar->address = U(5);
    EXPECT_THROW(table.Resolve(*sysvar), EVokWinAddressError);
}

}  // namespace
}  // namespace tarvex
