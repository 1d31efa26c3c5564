// UBROF, AVR object and CDB files through the load command and the
// loader's Load on the simulator: code on the board, tables filled, the
// CDB file's code from the HEX file beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "core/errors.hpp"
#include "host/load/ubrof_load.hpp"
#include "tests/host/loader_rig.hpp"
#include "tests/host/ubrof_test_writer.hpp"
#include "tests/support/omf_test_writer.hpp"

namespace tarvex::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

void expectCodeOf(LoaderRig& r, const std::string& hexName) {
    const auto bytes = readBytes(r.example(hexName));
    for (const auto& [at, data] : hexRecords(std::string(bytes.begin(), bytes.end())))
        ASSERT_EQ(r.code(at, static_cast<int>(data.size())), data) << hexName << " " << at;
}

bool listed(const LoaderRig& r, const std::string& text) {
    const auto& l = r.status.list();
    return std::find(l.begin(), l.end(), text) != l.end();
}

// Module MAIN with function START: code 02 00 30 at 0, label LOOP, line 10.
Bytes ubrofProgram() {
    return UbrofBytes{0x4F, 3, 2, 0x00, 0, 0, 0, 0, 0, 0}
        .l("MAIN")
        .append(StartFunction())
        .bytes({0x3D, 0, 0, 0, 0, 0, 0, 0, 0})
        .data();
}

TEST(LoaderFormats, CdbLoadsWithTheCodeOfItsHexFile) {
    const struct {
        const char* what;
        std::uint8_t format;
        TCompiler compiler;
    } cases[] = {{"format 9", fileformat::Cdb, TCompiler::C51_Keil},
                 {"object of SDCC", fileformat::Object, TCompiler::C51_SDCC}};
    for (const auto& c : cases) {
        LoaderRig r;
        r.options->SetHochsprachenTyp(c.compiler);
        ASSERT_TRUE(r.run(r.request(r.example("types.cdb"), memkind::Program, c.format, loadflag::ClearSymbols)))
            << c.what;
        EXPECT_FALSE(r.loader->Failed()) << c.what;
        EXPECT_EQ(r.loader->ErrorCount(), 0) << c.what;
        EXPECT_EQ(r.sent(), std::vector<std::uint8_t>{8}) << c.what;
        expectCodeOf(r, "types.hex");
        EXPECT_GT(r.loader->CodeBytes(), 0u) << c.what;
        EXPECT_EQ(r.status.text(platform::LoadField::Dateiname), r.example("types.cdb")) << c.what;
        EXPECT_TRUE(listed(r, "File loaded")) << c.what;
        EXPECT_EQ(r.symbols.ModuleName(2), "TYPES") << c.what;
        const TSymbol* main = r.symbols.MainFunction();
        ASSERT_NE(main, nullptr) << c.what;
        // The line at main's start is a line of types.c, in module TYPES.
        const TZeilennummer* at = r.lines.FindByAddress(main->address, 1);
        ASSERT_NE(at, nullptr) << c.what;
        EXPECT_EQ(at->moduleId, 2) << c.what;
        EXPECT_EQ(at->fileNumber, 0) << c.what;
        // The source search looks beside the loaded file from now on.
        EXPECT_EQ(r.options->LoadDirName(), fs::path(r.example("types.cdb")).parent_path().string()) << c.what;
    }
}

// ".ihx" first, then ".hex"; without either the load fails with a counted
// error and ends normally, and a symbols-only load never looks.
TEST(LoaderFormats, CdbCodeFileIhxHexOrNone) {
    const struct {
        const char* codeFile;  // copy of types.hex under this name, or none
        bool loads;
    } cases[] = {{"types.ihx", true}, {"types.hex", true}, {nullptr, false}};
    for (const auto& c : cases) {
        LoaderRig r;
        const fs::path dir = fs::path(r.root.file("alone"));
        fs::create_directory(dir);
        fs::copy_file(r.example("types.cdb"), dir / "types.cdb");
        if (c.codeFile) fs::copy_file(r.example("types.hex"), dir / c.codeFile);
        const std::string cdb = (dir / "types.cdb").string();
        EXPECT_TRUE(r.run(r.request(cdb, memkind::Program, fileformat::Cdb, loadflag::ClearSymbols)));
        EXPECT_FALSE(r.loader->Loading());
        EXPECT_EQ(r.loader->Failed(), !c.loads) << (c.codeFile ? c.codeFile : "none");
        if (c.loads) {
            expectCodeOf(r, "types.hex");
            EXPECT_EQ(r.status.modals(), 0);
            continue;
        }
        EXPECT_EQ(r.loader->ErrorCount(), 1);
        EXPECT_TRUE(listed(r, "No code loaded! HEX file not found: " + (dir / "types.hex").string() + "/.ihx"));
        EXPECT_TRUE(listed(r, "Loading canceled"));
        EXPECT_EQ(r.status.modals(), 1);
        EXPECT_TRUE(r.commands("p").empty());

        TKommandoStruktur symbols = r.request(cdb, memkind::Symbol, fileformat::Cdb, loadflag::ClearSymbols);
        symbols.code = cmd::LoadSymbols;
        r.commandNotifier.sent.clear();
        EXPECT_TRUE(r.run(symbols));
        EXPECT_FALSE(r.loader->Failed());
        EXPECT_EQ(r.loader->ErrorCount(), 0);
        EXPECT_NE(r.symbols.MainFunction(), nullptr);
        EXPECT_EQ(r.sent(), std::vector<std::uint8_t>{4});
    }
}

// The UBROF conversion is the loader's format 4: the load command (also
// through format 2 of IAR) and "LoadSystem" load code and symbols alike.
TEST(LoaderFormats, UbrofThroughTheCommandAndLoadSystem) {
    const struct {
        const char* what;
        std::uint8_t code, kind, format;
        TCompiler compiler;
        std::vector<std::uint8_t> sent;
    } cases[] = {
        {"format 4", cmd::Load, memkind::Program, fileformat::Ubrof, TCompiler::C51_Keil, {8}},
        {"object of IAR", cmd::Load, memkind::Program, fileformat::Object, TCompiler::C51_IAR, {8}},
        {"LoadSystem", cmd::LoadSystem, memkind::Program, fileformat::Ubrof, TCompiler::C51_Keil, {}},
        {"symbols only", cmd::LoadSymbols, memkind::Symbol, fileformat::Ubrof, TCompiler::C51_Keil, {4}},
    };
    for (const auto& c : cases) {
        LoaderRig r;
        r.options->SetHochsprachenTyp(c.compiler);
        TKommandoStruktur q = r.request(r.file("u1", ubrofProgram()), c.kind, c.format, loadflag::ClearSymbols);
        q.code = c.code;
        if (c.code == cmd::LoadSystem)
            r.loader->Load(q);
        else
            ASSERT_TRUE(r.run(q)) << c.what;
        EXPECT_FALSE(r.loader->Failed()) << c.what;
        EXPECT_EQ(r.sent(), c.sent) << c.what;
        EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "File loaded") << c.what;
        const TSymbol* start = r.symbols.FunctionRecord(1, 1);
        ASSERT_NE(start, nullptr) << c.what;
        EXPECT_EQ(start->name, "START") << c.what;
        EXPECT_NE(r.symbols.FindByName("LOOP", sspProgram), nullptr) << c.what;
        EXPECT_EQ(r.lines.Count(), 1u) << c.what;
        if (c.kind == memkind::Symbol) {
            EXPECT_TRUE(r.commands("p").empty()) << c.what;
            EXPECT_EQ(r.loader->CodeBytes(), 0u) << c.what;
        } else {
            EXPECT_EQ(r.code(0, 3), (Bytes{0x02, 0x00, 0x30})) << c.what;
            EXPECT_EQ(r.loader->CodeBytes(), 3u) << c.what;
        }
    }
}

TEST(LoaderFormats, UbrofUndeclaredTagEndsTheLoad) {
    LoaderRig r;
    const std::string name =
        r.file("u2", Bytes{0x4F, 3, 2, 0xBD, 0, 0, 0, 1, 0x60, 0xFE, 0x60, 0x00, 0x03, 0xAA, 0xBB, 0xCC, 0x61, 0x00});
    try {
        r.run(r.request(name, memkind::Program, fileformat::Ubrof));
        FAIL();
    } catch (const EVokWinFileError& e) {
        EXPECT_EQ(e.message(), "Loading: Format error in file " + name);
    }
    EXPECT_FALSE(r.loader->Loading());
    EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "Loading canceled");
    EXPECT_TRUE(r.sent().empty());
}

// HiTech's object files carry no code: it comes from the ".hex" beside them;
// without it the UBROF load is an error.
TEST(LoaderFormats, UbrofOfHiTechTakesTheHexBeside) {
    for (bool withHex : {true, false}) {
        LoaderRig r;
        r.options->SetHochsprachenTyp(TCompiler::C51_HiTech);
        const std::string name = r.file(
            "u4", UbrofBytes{0x4F, 3, 2, 0x00, 0, 0, 0, 0, 0, 0}.l("MAIN").bytes({0x3D, 0, 0, 0, 0, 0, 0, 0, 0}).data());
        const std::string hex = r.root.file("u4.hex");
        if (withHex) {
            fs::copy_file(r.example("portrw.hex"), hex);
            ASSERT_TRUE(r.run(r.request(name, memkind::Program, fileformat::Ubrof)));
            expectCodeOf(r, "portrw.hex");
            EXPECT_EQ(r.status.text(platform::LoadField::Dateiname), name + ", .hex");
            EXPECT_EQ(r.loader->Format(), fileformat::Omf51);  // the UBROF path goes on as an OMF load
            continue;
        }
        try {
            r.run(r.request(name, memkind::Program, fileformat::Ubrof));
            FAIL();
        } catch (const EVokWinFileError& e) {
            EXPECT_EQ(e.message(), "File " + hex + " does not exist");
        }
    }
}

// avra's object file for avrdefs.asm: word addresses become byte addresses.
TEST(LoaderFormats, AvrObjectIntoProgramMemory) {
    LoaderRig r;
    const std::string name = r.file("avrdefs.obj", test::AvrdefsObject());
    r.file("avrdefs.asm", std::string(".def temp = r16\r\nrjmp main\r\n"));
    ASSERT_TRUE(r.run(r.request(name, memkind::Program, fileformat::AvrObject, loadflag::ClearSymbols)));
    EXPECT_FALSE(r.loader->Failed());
    EXPECT_EQ(r.sent(), std::vector<std::uint8_t>{8});
    EXPECT_EQ(r.code(0, 2), (Bytes{0x11, 0xC0}));
    EXPECT_EQ(r.code(0x20, 10), (Bytes{0x0C, 0x94, 0x12, 0x00, 0x02, 0xE1, 0x10, 0x2F, 0xFD, 0xCF}));
    EXPECT_EQ(r.loader->CodeBytes(), 12u);
    EXPECT_EQ(r.lines.Count(), 5u);
    EXPECT_EQ(r.symbols.ModuleName(1), "AVRDEFS");
    // The source beside the object file is found during the load.
    EXPECT_EQ(r.symbols.KindList(sspSource)->Count(), 1u);
}

// A banked file loaded at an all-banks address: its code in bank 3 leaves
// the banked area where it was.
TEST(LoaderFormats, UbrofBankedCodeAtAnAllBanksAddress) {
    LoaderRig r;
    r.fourBanks();
    const std::uint16_t areaStart = r.banking->BankedAreaStart();
    const Bytes file = UbrofBytes{0, 0, 0, 0, 0, 0, 0}
                           .l("MOD")
                           .bytes({0x53, 0x00, 0x02, 0x51, 0x01})
                           .d(0x039234)
                           .bytes({0x39, 4, 1, 2, 3, 4})
                           .bytes({0x3D, 0, 0, 0, 0, 0, 0, 0, 0})
                           .data();
    ASSERT_TRUE(r.run(r.request(r.file("u5", file), memkind::Program, fileformat::Ubrof, 0, AllBanksAdresse(0))));
    EXPECT_EQ(r.code(BankedAdresse(3, 0x9234), 4), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(r.banking->BankedAreaStart(), areaStart);
}

// The tag sizes files declare outlive their load, but a file loaded again
// adds none: a tag keeps its first declaration.
TEST(LoaderFormats, UbrofDeclaredTagsDoNotGrowWithEachLoad) {
    LoaderRig r;
    const auto file = [](std::uint8_t code) {
        return UbrofBytes{0, 0, 0, 0, 0, 0, 0}
            .l("MOD")
            .bytes({0xBD, 0, 0, 0, 2, 0x60, code, 0x61, 1})
            .bytes({0x60, 0xAA, 0x61, 0xBB})
            .bytes({0x3D, 0, 0, 0, 0, 0, 0, 0, 0})
            .data();
    };
    const std::string name = r.file("tags", file(1));
    for (int load = 0; load < 3; ++load) {
        ASSERT_TRUE(r.run(r.request(name, memkind::Symbol, fileformat::Ubrof))) << load;
        EXPECT_EQ(r.loader->UbrofTables().tagSizes.size(), 2u) << load;
    }
    // Declared as one byte before, the tag 0x60 stays one byte long.
    ASSERT_TRUE(r.run(r.request(r.file("tags2", file(3)), memkind::Symbol, fileformat::Ubrof)));
    EXPECT_EQ(r.loader->UbrofTables().tagSizes.size(), 2u);
    EXPECT_EQ(r.loader->UbrofTables().tagSizes[0].sizeCode, 1);
}

// The UBROF and CDB loads show their line and symbol counts while they read
// (as often as the code count), not only at the end.
TEST(LoaderFormats, CountersShowDuringTheLoad) {
    const struct {
        const char* what;
        std::uint8_t format;
        std::function<std::string(LoaderRig&)> file;
    } cases[] = {
        {"ubrof", fileformat::Ubrof, [](LoaderRig& r) { return r.file("u.obj", ubrofProgram()); }},
        {"cdb", fileformat::Cdb, [](LoaderRig& r) { return r.example("types.cdb"); }},
    };
    for (const auto& c : cases) {
        LoaderRig r;
        r.status.onQuery([&] { r.clock.advance(TBasisVokWinLoader::PollIntervalMs); });
        ASSERT_TRUE(r.run(r.request(c.file(r), memkind::Program, c.format, loadflag::ClearSymbols))) << c.what;
        // The form's "0", the end, and more between.
        EXPECT_GT(r.status.updates(platform::LoadField::ZeilenAnzahl), 2) << c.what;
        EXPECT_GT(r.status.updates(platform::LoadField::SymbolAnzahl), 2) << c.what;
    }
}

// A cancel ends every format's load as failed: the form says "Loading
// canceled" and never "File loaded", and the command answers failure. The
// object readers stop at the next record and keep the code read before it.
TEST(LoaderFormats, CancelEndsEveryFormatAsFailed) {
    const struct {
        const char* what;
        std::uint8_t format;
        std::function<std::string(LoaderRig&)> file;
        int cancelAt;  // the form's query that answers cancel
        std::uint16_t kept;
        Bytes keptBytes;  // written at `kept` before the cancel
    } cases[] = {
        {"binary", fileformat::Binary, [](LoaderRig& r) { return r.example("portrw.bin"); }, 1, 0, {}},
        {"hex", fileformat::IntelHex, [](LoaderRig& r) { return r.example("portrw.hex"); }, 1, 0, {}},
        {"omf", fileformat::Omf51, [](LoaderRig& r) { return r.example("portrw.omf"); }, 1, 0, {}},
        {"cdb", fileformat::Cdb, [](LoaderRig& r) { return r.example("types.cdb"); }, 2, 0, {}},
        // Six records: the code record is the sixth, the cancel comes before
        // the seventh.
        {"ubrof", fileformat::Ubrof, [](LoaderRig& r) { return r.file("u.obj", ubrofProgram()); }, 7, 0,
         {0x02, 0x00, 0x30}},
        // Two records read: their words at 0 and 0x20, none at 0x22.
        {"avr", fileformat::AvrObject, [](LoaderRig& r) { return r.file("avrdefs.obj", test::AvrdefsObject()); }, 3,
         0x20, {0x0C, 0x94}},
    };
    for (const auto& c : cases) {
        LoaderRig r;
        r.status.cancelAfter(c.cancelAt);
        r.status.onQuery([&] { r.clock.advance(TBasisVokWinLoader::PollIntervalMs); });
        const Bytes before = r.code(0x22, 2);
        EXPECT_FALSE(r.run(r.request(c.file(r), memkind::Program, c.format, loadflag::ClearSymbols))) << c.what;
        EXPECT_TRUE(r.loader->Failed()) << c.what;
        EXPECT_TRUE(r.loader->WasCancelled()) << c.what;
        EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "Loading canceled") << c.what;
        EXPECT_EQ(std::count(r.status.statuses().begin(), r.status.statuses().end(), "File loaded"), 0) << c.what;
        if (c.keptBytes.empty()) continue;
        EXPECT_EQ(r.code(c.kept, static_cast<int>(c.keptBytes.size())), c.keptBytes) << c.what;
        EXPECT_EQ(r.loader->CodeBytes(), c.format == fileformat::AvrObject ? 4u : 3u) << c.what;
        if (c.format != fileformat::AvrObject) continue;
        EXPECT_EQ(r.code(0, 2), (Bytes{0x11, 0xC0}));
        EXPECT_EQ(r.code(0x22, 2), before);
        EXPECT_EQ(r.lines.Count(), 2u);
    }
}

// Sixteen code bytes at 0xFFF8 would run past the end of the bank onto its
// start, the reset vector: every format stops with the same error, and none
// of them writes a byte at the bank's start. In UBROF two records that
// together pass the end stop as well.
TEST(LoaderFormats, CodePastTheBanksEndStopsTheLoadInEveryFormat) {
    const auto ubrof = [](std::uint32_t position, std::vector<std::uint8_t> sizes, bool banked) {
        UbrofBytes f{0, 0, 0, 0, 0, 0, 0};
        f.l("MOD");
        if (banked) f.bytes({0x53, 0x00, 0x02});
        f.bytes({0x51, 0x01}).d(position);
        std::uint8_t next = 1;
        for (const std::uint8_t n : sizes) {
            f.bytes({0x39, n});
            for (std::uint8_t i = 0; i < n; ++i) f.b(next++);
        }
        return f.bytes({0x3D, 0, 0, 0, 0, 0, 0, 0, 0}).data();
    };
    const std::string hex = ":10FFF8000102030405060708090A0B0C0D0E0F1071\r\n:00000001FF\r\n";
    OmfFile omf51;
    omf51.record(omf::ModuleHeader, OmfBody().name("FAR").u8(0).u8(0));
    omf51.record(omf::Content, OmfBody().u8(0).u16(0xFFF8).bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    omf51.record(omf::ModuleEnd, OmfBody().name("FAR").u8(0).u8(0).u8(0).u8(0));
    const struct {
        const char* what;
        std::uint8_t format;
        Bytes file;
        bool banked;
        const char* error;
    } cases[] = {
        {"Intel HEX", fileformat::IntelHex, Bytes(hex.begin(), hex.end()), false,
         "Address FFF8 + 16 out of address range"},
        {"OMF-51", fileformat::Omf51, omf51.bytes(), false, "Address FFF8 + 16 out of address range"},
        {"UBROF, one record", fileformat::Ubrof, ubrof(0xFFF8, {16}, false), false,
         "Address FFF8 + 16 out of address range"},
        {"UBROF, two records", fileformat::Ubrof, ubrof(0xFFF8, {8, 8}, false), false,
         "Address FFF8 + 16 out of address range"},
        {"UBROF, banked", fileformat::Ubrof, ubrof(0x03FFF8, {16}, true), true,
         "Address 3FFF8 + 16 out of address range"},
    };
    for (const auto& c : cases) {
        LoaderRig r;
        if (c.banked) {
            r.fourBanks();
            r.banking->SetBankedAreaStart(0x8000);
        }
        const TBankAdresse bankStart = c.banked ? BankedAdresse(3, 0) : UnbankedAdresse(0);
        const Bytes before = r.code(bankStart, 8);
        try {
            r.run(r.request(r.file("far", c.file), memkind::Program, c.format, 0,
                            c.banked ? AllBanksAdresse(0) : UnbankedAdresse(0)));
            ADD_FAILURE() << c.what << ": loaded";
        } catch (const EVokWinAddressError& e) {
            EXPECT_EQ(e.message(), c.error) << c.what;
        }
        EXPECT_EQ(r.code(bankStart, 8), before) << c.what;
    }
}

// Code above 64 KiB (word address 0x8000 and up) has no 16-bit address: it
// is refused in every load kind before any of its lines is entered.
TEST(LoaderFormats, AvrWordsBeyond64KiBAreRefused) {
    const auto object = [](std::uint32_t word) {
        UbrofBytes f;
        f.d(0x2C).d(0x1A).b(9).b(1).raw("AVR Object File").b(0);
        f.b(0).w(0).w(0xC011).b(0).w(5).b(0);
        f.b(static_cast<std::uint8_t>(word >> 16)).w(word & 0xFFFF).w(0x0000).b(0).w(7).b(0);
        return f.raw("far.asm").b(0).data();
    };
    const struct {
        std::uint32_t word;
        std::uint8_t kind;
        const char* error;  // empty: the load succeeds
    } cases[] = {
        {0x7FFF, memkind::Program, ""},
        {0x7FFF, memkind::Symbol, ""},
        {0x8000, memkind::Program, "Address 10000 + 2 out of address range"},
        {0x8000, memkind::Symbol, "Address 10000 + 2 out of address range"},
        {0x18000, memkind::Symbol, "Address 30000 + 2 out of address range"},
    };
    for (const auto& c : cases) {
        LoaderRig r;
        TKommandoStruktur q =
            r.request(r.file("far.obj", object(c.word)), c.kind, fileformat::AvrObject, loadflag::ClearSymbols);
        if (c.kind == memkind::Symbol) q.code = cmd::LoadSymbols;
        if (*c.error == 0) {
            EXPECT_TRUE(r.run(q)) << c.word;
            ASSERT_EQ(r.lines.Count(), 2u) << c.word;
            EXPECT_EQ(r.lines.Items(1)->address.offset, 0xFFFE) << c.word;
            continue;
        }
        try {
            r.run(q);
            ADD_FAILURE() << c.word;
        } catch (const EVokWinAddressError& e) {
            EXPECT_EQ(e.message(), c.error) << c.word;
        }
        // No line of it lands on a wrapped address.
        for (std::size_t i = 0; i < r.lines.Count(); ++i) EXPECT_NE(r.lines.Items(i)->line, 7) << c.word;
    }
}

}  // namespace
}  // namespace tarvex::test
