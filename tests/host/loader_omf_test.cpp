#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "host/load/loader_omf.hpp"
#include "platform/stream.hpp"
#include "tests/support/omf_test_writer.hpp"
#include "tests/host/loader_rig.hpp"
#include "tests/host/ubrof_test_writer.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

using test::OmfBody;
using test::OmfFile;

std::string example(const std::string& name) { return (test::sourceDir() / "examples" / "build" / name).string(); }

// Bytes of an Intel HEX file by address (data records only).
std::map<std::uint32_t, std::uint8_t> hexBytes(const std::string& path) {
    std::map<std::uint32_t, std::uint8_t> out;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.size() < 11 || line[0] != ':') continue;
        const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)); };
        const unsigned n = byte(1), type = byte(7);
        const unsigned address = byte(3) << 8 | byte(5);
        if (type != 0) continue;
        for (unsigned i = 0; i < n; ++i) out[address + i] = byte(9 + 2 * i);
    }
    return out;
}

std::uint32_t key(const TBankAdresse& a) { return static_cast<std::uint32_t>(a.bank) << 16 | a.offset; }

// The program loader's side, recorded: code by banked address, what was
// only placed, the symbols and lines present when code was first stored.
class Recorder final : public IObjectLoadTarget {
public:
    explicit Recorder(TSymboltabelle& symbols) : symbols_(symbols) {}
    void PlaceCode(const TBankAdresse& at, const std::uint8_t* bytes, std::size_t count, bool store) override {
        if (!store) {
            placedOnly += count;
            return;
        }
        if (stored == 0) generationAtFirstStore = symbols_.Generation();
        for (std::size_t i = 0; i < count; ++i) {
            TBankAdresse a = at;
            a.offset = static_cast<std::uint16_t>(at.offset + i);
            code[key(a)] = bytes[i];
        }
        stored += count;
    }
    void FlushCode() override { storedAtFlush.push_back(stored); }
    void AddMessage(const std::string& text) override { messages.push_back(text); }
    bool CancelRequested() override { return ++polls == cancelAt; }
    void SetBankedArea(std::uint16_t start, std::uint16_t end) override { area = {start, end}; }

    std::map<std::uint32_t, std::uint8_t> code;
    std::size_t stored = 0, placedOnly = 0;
    std::vector<std::size_t> storedAtFlush;
    std::vector<std::string> messages;
    int polls = 0, cancelAt = -1;
    std::pair<int, int> area{-1, -1};
    std::uint32_t generationAtFirstStore = 0;

private:
    TSymboltabelle& symbols_;
};

struct Rig {
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};
    Recorder target{symbols};
    TOmfLoad load{symbols, lines, target};
    TOmfLoadParams params;

    bool file(const std::string& path) {
        TOmfReader reader;
        reader.SetFileName(path);
        return load.Load(reader, path, params);
    }
    bool bytes(const OmfFile& f, const char* seed = nullptr) {
        if (seed != nullptr) test::WriteSeed("fuzz_omf_load", seed, f.bytes());
        TOmfReader reader(std::make_unique<platform::MemoryStream>(f.bytes()));
        return load.Load(reader, "x.omf", params);
    }
    TSymbol* find(const std::string& name, int kind) { return symbols.FindByName(name, kind); }
    std::vector<TSymbol*> all(int kind) { return symbols.KindList(kind)->Snapshot(TSymbolList::Order::Unsorted); }
    // Code of one bank (0xFF: unbanked) as offset -> byte.
    std::map<std::uint32_t, std::uint8_t> bank(std::uint8_t b) const {
        std::map<std::uint32_t, std::uint8_t> out;
        for (auto [k, v] : target.code)
            if ((k >> 16) == b) out[k & 0xFFFF] = v;
        return out;
    }
};

// One type record as the loader enters it; form < 0 leaves the form unchecked.
struct TypeExpect {
    std::string name;
    std::uint8_t klass, code;
    std::uint32_t size;
    std::uint16_t offset, moduleId, functionId;
    std::uint8_t bank;
};

void expectTypes(Rig& r, const std::vector<TypeExpect>& expected, int form) {
    ASSERT_EQ(r.symbols.KindList(sspTypedef)->Count(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const TSymbol* t = r.symbols.TypeAt(static_cast<int>(i));
        const TypeExpect& e = expected[i];
        EXPECT_EQ(t->name, e.name);
        EXPECT_EQ(t->klass, e.klass);
        EXPECT_EQ(t->type, e.code);
        EXPECT_EQ(t->size, e.size);
        EXPECT_EQ(t->address.offset, e.offset);
        EXPECT_EQ(t->moduleId, e.moduleId);
        EXPECT_EQ(t->functionId, e.functionId);
        EXPECT_EQ(t->address.bank, e.bank);
        if (form >= 0) {
            EXPECT_EQ(t->form, form);
        }
    }
}

// A symbol whose type names a type record takes that record's size.
void expectRecordTyped(Rig& r, const std::string& name, std::uint32_t size) {
    const TSymbol* v = r.find(name, sspIntData);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, kTypeOfRecord);
    EXPECT_EQ(v->size, size);
}

// ---------------------------------------------------------------- SDCC's OMF-51

TEST(OmfLoad, PortsExampleCodeScopesSymbolsAndLines) {
    Rig r;
    ASSERT_TRUE(r.file(example("ports.omf")));
    EXPECT_EQ(r.bank(BankNone), hexBytes(example("ports.hex")));
    EXPECT_TRUE(r.target.messages.empty());
    EXPECT_EQ(r.target.area.first, -1);  // no extended header: no banked area

    struct Scope {
        const char* name;
        const char* module;
        std::uint16_t start, end;
    };
    for (const Scope& s : {Scope{"TIMER0ISR", "PORTS", 0x006D, 0x007A}, Scope{"DELAY", "PORTS", 0x007B, 0x008B},
                           Scope{"MAIN", "PORTS", 0x010E, 0x015C},
                           Scope{"OTHER_SDCC_STUFF", "OTHER_SDCC_STUFF", 0x0000, 0x016C}}) {
        SCOPED_TRACE(s.name);
        TSymbol* f = r.find(s.name, sspModuleFunction);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(r.symbols.ModuleName(f->moduleId), s.module);
        EXPECT_EQ(f->address.offset, s.start);
        EXPECT_EQ(f->size, s.end);
        EXPECT_EQ(f->form, 0);
    }
    struct Sym {
        const char* name;
        int kind;
        std::uint16_t offset;
    };
    for (const Sym& s : {Sym{"PATTERNS", sspProgram, 0x0161}, Sym{"ROWSELECT", sspProgram, 0x0169},
                         Sym{"TICKS", sspIntData, 0x10}, Sym{"LASTINPUT", sspIntData, 0x11}, Sym{"P0", sspSfr, 0x80},
                         Sym{"P0_0", sspBit, 0x80}, Sym{"I", sspRegBank, 0}}) {
        SCOPED_TRACE(s.name);
        TSymbol* x = r.find(s.name, s.kind);
        ASSERT_NE(x, nullptr);
        EXPECT_EQ(x->address.offset, s.offset);
    }
    // The local I lives in MAIN's scope; publics at module level.
    EXPECT_EQ(r.find("I", sspRegBank)->functionId, r.find("MAIN", sspModuleFunction)->functionId);
    EXPECT_EQ(r.find("TICKS", sspIntData)->functionId, 0);

    const TSymbol* delay = r.find("DELAY", sspModuleFunction);
    std::map<int, std::uint16_t> delayLines;
    for (std::size_t i = 0; i < r.lines.Count(); ++i) {
        const TZeilennummer* z = r.lines.Items(i);
        EXPECT_EQ(z->fileNumber, 0);
        if (z->moduleId == delay->moduleId && z->functionId == delay->functionId) delayLines[z->line] = z->address.offset;
    }
    EXPECT_EQ(delayLines, (std::map<int, std::uint16_t>{{39, 0x7B}, {42, 0x7D}, {43, 0x83}, {44, 0x85}, {47, 0x8B}}));
}

TEST(OmfLoad, RegistersTheTableKnowsAreNotEntered) {
    for (const bool known : {false, true}) {
        SCOPED_TRACE(known);
        TRegisterTabelle registers;
        if (known) {
            registers.AddRegister("P0", "", 0, 0, 0, 0x80, "");
            registers.AddRegister("P2", "", 0, 0, 0, 0xA0, "");
            registers.AddRegister("P0_0", "", 2, 0x01, 0, 0x80, "");
        }
        Rig r;
        r.load.SetRegisters(&registers);
        ASSERT_TRUE(r.file(example("ports.omf")));
        EXPECT_EQ(r.find("P0", sspSfr) == nullptr, known);
        EXPECT_EQ(r.find("P2", sspSfr) == nullptr, known);
        EXPECT_EQ(r.find("P0_0", sspBit) == nullptr, known);
        EXPECT_NE(r.find("P1", sspSfr), nullptr);
        EXPECT_NE(r.find("P0_1", sspBit), nullptr);
    }
}

TEST(OmfLoad, OtherExamplesAndBigTableLoad) {
    for (const char* name : {"hooks.omf", "types.omf", "hooks_old.omf", "bigtable.omf"}) {
        SCOPED_TRACE(name);
        if (!std::filesystem::exists(example(name))) continue;  // a fixture not built here
        Rig r;
        EXPECT_TRUE(r.file(example(name)));
        // Every byte of the linker's HEX file (the OMF file of the hook
        // examples has two more: fill bytes of the hook area).
        const std::string hex = example(std::string(name).substr(0, std::string(name).size() - 4) + ".hex");
        const auto loaded = r.bank(BankNone);
        for (const auto& [address, byte] : hexBytes(hex)) {
            const auto it = loaded.find(address);
            ASSERT_NE(it, loaded.end()) << address;
            EXPECT_EQ(it->second, byte) << address;
        }
        EXPECT_NE(r.symbols.MainFunction(), nullptr);
    }
}

TEST(OmfLoad, SrecordFilesLoadEveryByteAndOnlyTheOneWithEndRecordSucceeds) {
    for (const auto& [name, ends] : {std::pair<const char*, bool>{"portrw.omf", false}, {"portrw_end.omf", true}}) {
        SCOPED_TRACE(name);
        if (!std::filesystem::exists(example(name))) continue;  // a fixture not built here
        Rig r;
        EXPECT_EQ(r.file(example(name)), ends);
        EXPECT_FALSE(r.load.Cancelled());
        EXPECT_EQ(r.bank(BankNone), hexBytes(example("portrw.hex")));
    }
}

// ---------------------------------------------------------------- passes

TEST(OmfLoad, AllBanksLoadEntersDebugRecordsOnceAndCodeInEveryBank) {
    Rig once;
    ASSERT_TRUE(once.file(example("ports.omf")));
    Rig r;
    r.params.loadAddress = BankedAdresse(0, 0);
    r.params.bankCount = 4;
    ASSERT_TRUE(r.file(example("ports.omf")));
    EXPECT_EQ(r.symbols.Count(), once.symbols.Count());
    EXPECT_EQ(r.lines.Count(), once.lines.Count());
    const auto code = hexBytes(example("ports.hex"));
    for (std::uint8_t b = 0; b < 4; ++b) EXPECT_EQ(r.bank(b), code) << int(b);
    EXPECT_EQ(r.target.stored, 4 * code.size());
}

TEST(OmfLoad, PellunarModeStoresCodeOnlyAfterEverySymbolAndLine) {
    Rig r;
    r.params.pellunarMode = true;
    ASSERT_TRUE(r.file(example("ports.omf")));
    const auto code = hexBytes(example("ports.hex"));
    ASSERT_EQ(r.target.storedAtFlush.size(), 2u);
    EXPECT_EQ(r.target.storedAtFlush[0], 0u);  // the first pass placed, stored nothing
    EXPECT_EQ(r.target.placedOnly, code.size());
    EXPECT_EQ(r.target.storedAtFlush[1], code.size());
    EXPECT_EQ(r.target.generationAtFirstStore, r.symbols.Generation());
    EXPECT_EQ(r.bank(BankNone), code);
}

TEST(OmfLoad, SymbolsOnlyMakesOnePassAndStoresNothing) {
    Rig r;
    r.params.symbolsOnly = true;
    r.params.bankCount = 4;
    r.params.loadAddress = BankedAdresse(0, 0);
    ASSERT_TRUE(r.file(example("ports.omf")));
    EXPECT_EQ(r.target.stored, 0u);
    EXPECT_EQ(r.target.storedAtFlush.size(), 1u);
    EXPECT_NE(r.find("MAIN", sspModuleFunction), nullptr);
}

TEST(OmfLoad, CancelEndsTheLoadAsFailed) {
    Rig r;
    r.target.cancelAt = 10;
    EXPECT_FALSE(r.file(example("ports.omf")));
    EXPECT_TRUE(r.load.Cancelled());
    EXPECT_EQ(r.target.polls, 10);
}

// ---------------------------------------------------------------- synthetic files

OmfBody extendedHeader() {
    // Bytes, then the banked area 0x8000..0xFFFF in the header's words.
    return OmfBody().u8(0).u8(0).u8(0).u8(0).u16(0).u16(0x8000).u16(0xFFFF).u16(0).u16(0).u16(0);
}

OmfBody content51(std::uint8_t segment, std::uint16_t offset, std::initializer_list<std::uint8_t> data) {
    return OmfBody().u8(segment).u16(offset).bytes(data);
}

OmfBody symbol51(std::uint8_t kind, std::uint8_t segment, std::uint8_t info, std::uint16_t offset, const char* name,
                 std::uint8_t type = 0) {
    return OmfBody().u8(kind).u8(segment).u8(info).u16(offset).ti(type).name(name);
}

OmfBody line51(std::uint8_t segment, std::uint16_t offset, std::uint16_t line) {
    return OmfBody().u8(omf::LineNumberItems).u8(segment).u16(offset).u16(line);
}

TEST(OmfLoad, FileWithoutEndRecordLoadsEveryByteButFails) {
    for (const bool withEnd : {false, true}) {
        SCOPED_TRACE(withEnd);
        OmfFile f;
        f.record(omf::ModuleHeader, OmfBody().name("X").u8(0).u8(0));
        f.record(omf::Content, content51(0, 0x0000, {0x75, 0x80, 0x12}));
        f.record(omf::Content, content51(0, 0x0030, {0x00, 0x80, 0xFD}));
        if (withEnd) f.record(omf::ModuleEnd, OmfBody().name("X").u8(0).u8(0).u8(0).u8(0));
        Rig r;
        EXPECT_EQ(r.bytes(f, withEnd ? "srec_end" : "srec_noend"), withEnd);
        EXPECT_EQ(r.bank(BankNone), (std::map<std::uint32_t, std::uint8_t>{
                                        {0, 0x75}, {1, 0x80}, {2, 0x12}, {0x30, 0x00}, {0x31, 0x80}, {0x32, 0xFD}}));
        // No scope records: one module and one scope standing for it, the
        // module file's own (its name is the file's), hence the current function.
        TSymbol* scope = r.find("MODULX", sspModuleFunction);
        ASSERT_NE(scope, nullptr);
        EXPECT_EQ(scope->address.offset, 0);
        EXPECT_EQ(scope->size, 0x32u);
        EXPECT_EQ(r.symbols.MainFunction(), scope);
        EXPECT_EQ(r.symbols.ModuleName(scope->moduleId), "X");
    }
}

TEST(OmfLoad, BigContentRecordLoadsWhole) {
    OmfBody body = OmfBody().u8(0).u16(0);
    for (int i = 0; i < 10004; ++i) body.u8(static_cast<std::uint32_t>(i * 7));
    OmfFile f;
    f.record(omf::ModuleHeader, OmfBody().name("BIG").u8(0).u8(0));
    f.record(omf::Content, body);
    f.record(omf::ModuleEnd, OmfBody().name("BIG").u8(0).u8(0).u8(0).u8(0));
    Rig r;
    ASSERT_TRUE(r.bytes(f));
    ASSERT_EQ(r.target.code.size(), 10004u);
    EXPECT_EQ(r.target.code.rbegin()->second, static_cast<std::uint8_t>(10003 * 7));
}

TEST(OmfLoad, Omf51SymbolKindsAndLineRule) {
    struct Case {
        std::uint8_t info;
        std::uint16_t offset;
        int kind;
    };
    for (const Case& c : {Case{0x42, 5, sspRegBank}, Case{0x42, 0x90, sspSfr}, Case{0x42, 0x30, sspIntData},
                          Case{0x43, 0x30, sspIntData}, Case{0x40, 0x100, sspProgram}, Case{0x41, 0x100, sspExtData},
                          Case{0x44, 0x08, sspBit}, Case{0x45, 3, sspConst}, Case{0x47, 3, sspConst}}) {
        SCOPED_TRACE(c.info);
        OmfFile f;
        f.record(omf::ModuleHeader, OmfBody().name("K").u8(0).u8(0));
        f.record(omf::DebugItems, symbol51(omf::PublicSymbols, 0, c.info, c.offset, "S"));
        f.record(omf::DebugItems, line51(0, 0, 1).append(OmfBody().u8(0).u16(4).u16(2)));
        f.record(omf::ModuleEnd, OmfBody().name("K").u8(0).u8(0).u8(0).u8(0));
        Rig r;
        r.params.offsetFlag = true;
        r.params.loadAddress = UnbankedAdresse(0x4000);
        ASSERT_TRUE(r.bytes(f));
        TSymbol* s = r.find("S", c.kind);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->klass, omf::PublicSymbols);
        // The load offset moves code symbols and lines only.
        EXPECT_EQ(s->address.offset, c.kind == sspProgram ? c.offset + 0x4000 : c.offset);
        ASSERT_EQ(r.lines.Count(), 2u);  // line 1 lands at 0x4000: no "no line" marker there
    }
    // Without offset, line 1 at address 0 is no line.
    OmfFile f;
    f.record(omf::ModuleHeader, OmfBody().name("K").u8(0).u8(0));
    f.record(omf::DebugItems, line51(0, 0, 1).append(OmfBody().u8(0).u16(0).u16(2)));
    Rig r;
    r.bytes(f);
    ASSERT_EQ(r.lines.Count(), 1u);
    EXPECT_EQ(r.lines.Items(0)->line, 2);
}

TEST(OmfLoad, IgnoreBankingLoadsOnlyTheSelectedBank) {
    // An extended header banks the file: segment 0 common, 16 + b bank b.
    OmfFile f;
    f.record(omf::ModuleHeader, OmfBody().name("B").u8(0).u8(0));
    f.record(omf::ExtendedHeader, extendedHeader());
    f.record(omf::ScopeDefinition, OmfBody().u8(omf::ModuleBegin).name("B"));
    for (std::uint8_t b : {1, 2}) {
        const std::string name = "F" + std::to_string(b);
        f.record(omf::ScopeDefinition, OmfBody().u8(omf::ProcedureBegin).name(name));
        f.record(omf::Content, content51(static_cast<std::uint8_t>(16 + b), 0x8000, {b, b}));
        f.record(omf::DebugItems, symbol51(omf::PublicSymbols, static_cast<std::uint8_t>(16 + b), 0x40, 0x8000,
                                           ("L" + name).c_str()));
        f.record(omf::DebugItems, line51(static_cast<std::uint8_t>(16 + b), 0x8000, b * 10));
        f.record(omf::ScopeDefinition, OmfBody().u8(omf::ProcedureEnd).name(name));
    }
    f.record(omf::Content, content51(0, 0x0100, {0xC0}));
    f.record(omf::DebugItems, symbol51(omf::PublicSymbols, 0, 0x40, 0x0100, "COMMON"));
    f.record(omf::ScopeDefinition, OmfBody().u8(omf::ModuleEndBlock).name("B"));
    f.record(omf::ModuleEnd, OmfBody().name("B").u8(0).u8(0).u8(0).u8(0));

    for (const bool ignore : {false, true}) {
        SCOPED_TRACE(ignore);
        Rig r;
        r.params.ignoreBanking = ignore;
        r.params.bankSelector = 2;
        ASSERT_TRUE(r.bytes(f, "banked51"));
        EXPECT_EQ(r.bank(1).empty(), ignore);
        EXPECT_EQ(r.bank(2), (std::map<std::uint32_t, std::uint8_t>{{0x8000, 2}, {0x8001, 2}}));
        EXPECT_EQ(r.bank(BankAll), (std::map<std::uint32_t, std::uint8_t>{{0x0100, 0xC0}}));
        EXPECT_EQ(r.find("LF1", sspProgram) == nullptr, ignore);
        EXPECT_EQ(r.find("F1", sspModuleFunction) == nullptr, ignore);
        EXPECT_NE(r.find("LF2", sspProgram), nullptr);
        EXPECT_NE(r.find("F2", sspModuleFunction), nullptr);
        EXPECT_NE(r.find("COMMON", sspProgram), nullptr);
        EXPECT_EQ(r.lines.Count(), ignore ? 1u : 2u);
        EXPECT_EQ(r.target.area, (std::pair<int, int>{0x8000, 0xFFFF}));
        EXPECT_TRUE(r.load.BankedAreaDeclared());
    }
    // An unbanked file loses nothing to ignored banking.
    Rig plain, ignored;
    ignored.params.ignoreBanking = true;
    ignored.params.bankSelector = 2;
    ASSERT_TRUE(plain.file(example("ports.omf")));
    ASSERT_TRUE(ignored.file(example("ports.omf")));
    EXPECT_EQ(ignored.target.code, plain.target.code);
    EXPECT_EQ(ignored.symbols.Count(), plain.symbols.Count());
    EXPECT_EQ(ignored.lines.Count(), plain.lines.Count());
}

TEST(OmfLoad, Omf51TypeDefinitionsAndListExpansion) {
    OmfFile f;
    f.record(omf::ModuleHeader, OmfBody().name("T").u8(0).u8(0));
    f.record(omf::Typedefs51, OmfBody()
                                  .u8(0x20).u16(2)                              // list of two members
                                  .u16(0).ti(3).name("A")                       //   char A at 0
                                  .u16(1).ti(5).name("B")                       //   int B at 1
                                  .u8(0x21).ti(32)                              // pointer to the list
                                  .u8(0x22).u8(2).u16(2).u16(3).ti(4)           // int[2][3]
                                  .u8(0x25).u16(3).ti(32).ti(0)                 // structure of the list
                                  .u8(0x26).u8(1).u8(2).u8(3));                 // bit field
    f.record(omf::DebugItems, symbol51(omf::PublicSymbols, 0, 0x42, 0x30, "V", 35));
    Rig r;
    r.bytes(f, "types51");
    expectTypes(r,
                {
                    {"", 32, 255, 3, 5, 2, 0, 0},  // list: members from 5 on, sum of sizes
                    {"", 33, 255, 3, 0, 0, 0, 0},  // pointer to type 0
                    {std::string("\x02\x00\x03\x00", 4), 34, 4, 12, 0, 0, 2, 0},
                    {"", 37, 0, 3, 0, 0, 0, 0},
                    {"", 38, 5, 2, 0, 2, 3, 0},
                    {"A", 32, 3, 1, 0, 0, 0, 1},
                    {"B", 32, 5, 2, 0, 1, 0, 2},
                },
                0);
    // A reference of 32 + n names the record's n-th definition.
    expectRecordTyped(r, "V", 3);
}

// ---------------------------------------------------------------- OMF2

TEST(OmfLoad, Omf2ModuleCodeSymbolLineAndBankedArea) {
    OmfFile f = test::omf2Sample();
    Rig r;
    ASSERT_TRUE(r.bytes(f, "omf2_sample"));
    EXPECT_EQ(r.bank(3), (std::map<std::uint32_t, std::uint8_t>{{0x1234, 0x02}, {0x1235, 0x00}, {0x1236, 0x30}}));
    EXPECT_EQ(r.target.code.size(), 3u);
    TSymbol* main = r.find("MAIN", sspProgram);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->address, BankedAdresse(3, 0x1234));
    EXPECT_EQ(main->klass, 1);
    ASSERT_EQ(r.lines.Count(), 1u);
    EXPECT_EQ(r.lines.Items(0)->line, 10);
    EXPECT_EQ(r.lines.Items(0)->address, BankedAdresse(3, 0x1234));
    EXPECT_EQ(r.target.area, (std::pair<int, int>{0x8000, 0xFFFF}));
    EXPECT_TRUE(r.target.messages.empty());

    // An all-banks load of a banked file: the banked code goes once to its bank.
    Rig banks;
    banks.params.loadAddress = BankedAdresse(0, 0);
    banks.params.bankCount = 4;
    ASSERT_TRUE(banks.bytes(f));
    EXPECT_EQ(banks.target.code, r.target.code);
}

OmfFile omf2Head() {
    OmfFile f;
    f.record(omf::ModuleHeader, OmfBody().name("M2").u8(0).u8(0));
    f.record(omf::Header2, OmfBody().u8(0).u8(0).u8(0).u16(0).addr(0).u16(0).addr(0).u16(0).addr(0).addr(0).addr(0)
                               .u16(0).u16(0).u8(0));
    f.record(omf::SegmentDefinition, OmfBody().u8(0).u8(0).addr(0).addr(0).u16(0).name("CODE"));
    return f;
}

TEST(OmfLoad, Omf2SymbolKindsScopesLinesAndSources) {
    OmfFile f = omf2Head();
    f.record(omf::SourceFiles, OmfBody().u16(3).u8(0).name("src").name("m2.c").u32(0));  // no module yet: dropped
    f.record(omf::Content2, OmfBody().u16(0).u16(1).u8(0x02).addr(0x00800010).bytes({0x22}));
    f.record(omf::SourceFiles, OmfBody().u16(3).u8(0).name("src").name("m2.c").u32(0));
    f.record(omf::ScopeBegin, OmfBody().u16(0).u16(0).u16(1).addr(0x00800020).name("FN"));
    f.record(omf::ScopeBegin, OmfBody().u16(0).u16(0).u16(1).addr(0x00800024).name("BLOCK"));
    f.record(omf::Symbols88, OmfBody()
                                 .u16(1).addr(0x90).u16(2).u16(0).name("SFRX")
                                 .u16(1).addr(0x30).u16(2).u16(0).name("DATAX")
                                 .u16(1).addr(0x00800040).u16(5).u16(0).name("CODEX")
                                 .u16(1).addr(0x01000050).u16(1).u16(0).name("XDATAX")
                                 .u16(1).addr(0x08).u16(4).u16(0).name("BITX")
                                 .u16(1).addr(0x07).u16(13).u16(0).name("CONSTX"));
    f.record(omf::Symbols8C, OmfBody().u16(1).addr(0x31).u16(3).u16(0).name("LOCALX"));
    f.record(omf::LineNumbers2, OmfBody().u16(3).u16(1).u16(1).addr(0x00800000).u16(7).addr(0x00800022));
    f.record(omf::ScopeEnd, OmfBody().addr(2));
    f.record(omf::ScopeEnd, OmfBody().addr(0x10));
    f.record(omf::TypeCheck, OmfBody());
    Rig r;
    r.params.offsetFlag = true;
    r.params.loadAddress = BankedAdresse(0, 0x0100);
    ASSERT_TRUE(r.bytes(f, "omf2_scopes"));
    EXPECT_EQ(r.load.Dialect(), 2);
    struct Sym {
        const char* name;
        int kind;
        TBankAdresse at;
        std::uint8_t klass;
    };
    for (const Sym& s : {Sym{"SFRX", sspSfr, UnbankedAdresse(0x90), 1}, Sym{"DATAX", sspIntData, UnbankedAdresse(0x30), 1},
                         Sym{"CODEX", sspProgram, BankedAdresse(0, 0x0140), 1},
                         Sym{"XDATAX", sspExtData, AllBanksAdresse(0x50), 1}, Sym{"BITX", sspBit, UnbankedAdresse(8), 1},
                         Sym{"CONSTX", sspConst, UnbankedAdresse(7), 1}, Sym{"LOCALX", sspIntData, UnbankedAdresse(0x31), 0}}) {
        SCOPED_TRACE(s.name);
        TSymbol* x = r.find(s.name, s.kind);
        ASSERT_NE(x, nullptr);
        EXPECT_EQ(x->address, s.at);
        EXPECT_EQ(x->klass, s.klass);
        EXPECT_EQ(x->functionId, r.find("FN", sspModuleFunction)->functionId);
    }
    // The outer scope record makes the function; the inner one only nests.
    TSymbol* fn = r.find("FN", sspModuleFunction);
    EXPECT_EQ(fn->address, BankedAdresse(0, 0x0120));
    EXPECT_EQ(fn->size, 0x0130u);
    EXPECT_EQ(fn->form, 2);
    EXPECT_EQ(r.find("BLOCK", sspModuleFunction), nullptr);
    TSymbol* module = r.find("M2", sspModuleFunction);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->form, 2);
    EXPECT_EQ(module->size, 0x0130u);
    // Line items of OMF2 keep line 1 at offset 0 and carry the record's file.
    ASSERT_EQ(r.lines.Count(), 2u);
    EXPECT_EQ(r.lines.Items(0)->line, 1);
    EXPECT_EQ(r.lines.Items(0)->address, BankedAdresse(0, 0x0100));
    EXPECT_EQ(r.lines.Items(1)->fileNumber, 3);
    const TSymbolList* files = r.symbols.KindList(sspSource);
    ASSERT_EQ(files->Count(), 1u);
    EXPECT_EQ(files->Items(0)->name, "M2.C");  // the table's case transform
    EXPECT_EQ(files->Items(0)->address.offset, 3);
}

OmfBody typedefRecord(std::uint8_t kind, const OmfBody& fields) { return OmfBody().u8(kind).append(fields); }

TEST(OmfLoad, Omf2TypeDefinitions) {
    OmfFile f = omf2Head();
    f.record(omf::Typedef2, typedefRecord(0x21, OmfBody().u16(2).u16(0x81).u16(0x82)));               // 0 list
    f.record(omf::Typedef2, typedefRecord(0x20, OmfBody().addr(0x0102).u16(0).u16(4).u16(0).name("X"))); // 1
    f.record(omf::Typedef2, typedefRecord(0x20, OmfBody().addr(0x0304).u16(0).u16(0x80).u16(0).name("Y")));  // 2
    f.record(omf::Typedef2, typedefRecord(0x22, OmfBody().u8(24).u8(1).u16(0).u16(3).u16(0).u16(0x80)));  // 3
    f.record(omf::Typedef2, typedefRecord(0x23, OmfBody().u8(2).u8(0).u16(5).u32(2).u32(5)));            // 4
    f.record(omf::Typedef2, typedefRecord(0x24, OmfBody().u8(0).u32(0).addr(0).addr(0).u32(0).u16(0).u16(3).u16(0x81)));  // 5
    f.record(omf::Typedef2, typedefRecord(0x25, OmfBody().u8(1).u32(7).u16(0x80).name("S")));             // 6
    f.record(omf::Typedef2, typedefRecord(0x26, OmfBody().u16(5).u8(3).u8(4)));                           // 7
    f.record(omf::Typedef2, typedefRecord(0x27, OmfBody().u8(4).u16(0x86).u32(0).name("T_S")));           // 8
    f.record(omf::Typedef2, typedefRecord(0x27, OmfBody().u8(1).u16(0x86).u32(0).name("TAG")));           // 9
    f.record(omf::Symbols88, OmfBody().u16(1).addr(0x30).u16(2).u16(0x86).name("V"));
    f.record(omf::ModuleEnd, OmfBody().name("M2").u32(0));
    Rig r;
    ASSERT_TRUE(r.bytes(f, "omf2_types"));
    EXPECT_EQ(r.target.messages, std::vector<std::string>{"TYPEDEF POINTER: VendorId 1 not supported"});
    expectTypes(r,
                {
                    {std::string("\x01\x00\x02\x00", 4), 32, 255, 0, 0, 2, 0, 0},
                    {"X", 32, 4, 2, 0, 2, 1, 1},
                    {"Y", 32, 255, 0, 0, 4, 3, 1},
                    {"", 40, 255, 3, 0, 1, 24, 1},  // 24 bits, memory class 3 (data) read as 1
                    {std::string("\x02\x00\x05\x00", 4), 34, 5, 20, 0, 0, 2, 0},
                    {"", 35, 3, 1, 0, 1, 0, 0},
                    {"S", 37, 255, 7, 0, 0, 0, 0},
                    {"", 38, 5, 2, 0, 3, 4, 0},
                    {"T_S", 36, 255, 1, 6, 0, 0, 0},
                    {"TAG", 36, 0, 1, 0, 0, 0, 0},
                },
                2);
    expectRecordTyped(r, "V", 6);

    // A reference to a definition the file lacks is reported, with or
    // without a type check record.
    for (const bool check : {false, true}) {
        OmfFile g = omf2Head();
        g.record(omf::Typedef2, typedefRecord(0x20, OmfBody().addr(0).u16(0).u16(0x95).u16(0).name("Z")));
        if (check) g.record(omf::TypeCheck, OmfBody());
        Rig d;
        d.bytes(g, check ? "omf2_dangling_check" : "omf2_dangling");
        EXPECT_EQ(d.target.messages, std::vector<std::string>{"Warning: error in OMF file: missing typedefs"});
    }
}

TEST(OmfLoad, DebugItemTypeRecordsCountDownAndEnterMembersLast) {
    OmfFile f;
    f.record(omf::ModuleHeader, OmfBody().name("D").u8(0).u8(0));
    // 3: structure of size 4 {char A at 0; type 2 (the array) at 1}; 2: array 0..2 of 'W'; 1: enumeration.
    f.record(omf::DebugItems, OmfBody().u8(7).u8(3).u16(4).name("ST").u16(0).ti('C').name("A").u16(1).ti(2).name("B"));
    f.record(omf::DebugItems, OmfBody().u8(6).u8(2).u16(0).u16(2).ti('W'));
    f.record(omf::DebugItems, OmfBody().u8(8).u8(1).name("EN").u16(5).name("E5").u16(6).name("E6"));
    f.record(omf::DebugItems, symbol51(omf::PublicSymbols, 0, 0x42, 0x30, "V", 3));
    f.record(omf::ModuleEnd, OmfBody().name("D").u8(0).u8(0).u8(0).u8(0));
    Rig r;
    ASSERT_TRUE(r.bytes(f, "debug_types"));
    EXPECT_EQ(r.load.Dialect(), 4);
    expectTypes(r,
                {
                    {"ST", 7, 255, 4, 3, 0, 2, 0},  // members from 3 on
                    {"", 6, 5, 0, 0, 3, 0, 0},      // three elements
                    {"EN", 8, 255, 2, 5, 0, 2, 0},  // members from 5 on
                    {"A", 7, 2, 1, 0, 0, 0, 1},
                    {"B", 7, 255, 3, 1, 1, 0, 2},  // the array is type record 1
                    {"E5", 8, 0, 0, 0, 5, 0, 1},
                    {"E6", 8, 0, 0, 0, 6, 0, 2},
                },
                -1);
    expectRecordTyped(r, "V", 0);  // type 3 is the structure, the first record
}

TEST(OmfLoad, MalformedRecordIsTheReadersFormatError) {
    OmfFile f;
    f.record(omf::ModuleHeader, OmfBody().name("E").u8(0).u8(0));
    f.recordWithLength(omf::Content, 40, OmfBody().u8(0).u16(0).u8(1), false);
    Rig r;
    EXPECT_THROW(r.bytes(f), EOmfFormatError);
}

// ---------------------------------------------------------------- through the program loader

TEST(OmfLoad, AllBanksThroughTheLoaderPutsCodeIntoEveryBankAndSymbolsOnce) {
    test::LoaderRig once;
    ASSERT_TRUE(once.run(once.request(once.example("ports.omf"), memkind::Program, fileformat::Omf51)));
    test::LoaderRig r;
    r.fourBanks();
    ASSERT_TRUE(r.run(r.request(r.example("ports.omf"), memkind::Program, fileformat::Omf51, loadflag::ClearSymbols,
                                AllBanksAdresse(0))));
    EXPECT_FALSE(r.loader->Failed());
    EXPECT_EQ(r.symbols.Count(), once.symbols.Count());
    EXPECT_EQ(r.lines.Count(), once.lines.Count());
    EXPECT_EQ(r.loader->CodeBytes(), 4 * once.loader->CodeBytes());
    const auto hex = hexBytes(example("ports.hex"));
    for (std::uint8_t b = 0; b < 4; ++b)
        for (const auto& [address, byte] : hex)
            ASSERT_EQ(r.code(BankedAdresse(b, static_cast<std::uint16_t>(address)), 1)[0], byte) << int(b) << " " << address;
}

TEST(OmfLoad, PellunarModeThroughTheLoaderDownloadsOnceThenSendsThePellunars) {
    test::LoaderRig r;
    const std::uint8_t state = r.emu->ConnectionState();
    r.emu->SetConnectionState(TBasisEmulator::StateStarted);
    r.emu->SetProzessorTyp(1);
    r.emu->SetPellunars(true);
    r.emu->SetConnectionState(state);
    r.board.clearLog();
    ASSERT_TRUE(r.run(r.request(r.example("ports.omf"), memkind::Program, fileformat::Omf51,
                                loadflag::ClearSymbols | loadflag::PellunarLinesOnly)));
    EXPECT_FALSE(r.loader->Failed());
    // The code went out once (the first pass only placed it).
    EXPECT_EQ(r.loader->CodeBytes(), 358u);
    const auto log = r.board.log();
    std::size_t lastCode = 0, firstPellunar = log.size();
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (log[i].name == "p" || log[i].name == "q") lastCode = i;
        if ((log[i].name == "FH" || log[i].name == "h" || log[i].name == "H") && firstPellunar == log.size())
            firstPellunar = i;
    }
    EXPECT_GT(lastCode, 0u);
    EXPECT_LT(lastCode, firstPellunar);
    EXPECT_LT(firstPellunar, log.size());
    for (const auto& [address, byte] : hexBytes(example("ports.hex")))
        ASSERT_EQ(r.code(static_cast<std::uint16_t>(address), 1)[0], byte) << address;
}

}  // namespace
}  // namespace tarvex
