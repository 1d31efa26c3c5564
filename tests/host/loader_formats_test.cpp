// UBROF, AVR object and CDB files through the load command and the
// loader's Load on the simulator: code on the board, tables filled, the
// CDB file's code from the HEX file beside it.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/errors.hpp"
#include "tests/host/loader_rig.hpp"
#include "tests/host/ubrof_test_writer.hpp"

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
        .b(0x50)
        .l("START")
        .w(0).w(0).w(0).w(0).w(0)
        .bytes({0x51, 0x01, 0, 0, 0, 0})
        .bytes({0x47, 0, 0x0A, 0, 0, 0, 0, 0, 0, 0})
        .bytes({0x39, 3, 0x02, 0x00, 0x30})
        .bytes({0x4C, 2, 0, 1, 0, 0, 0, 0})
        .l("LOOP")
        .bytes({0, 0, 0, 0x49})
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

}  // namespace
}  // namespace tarvex::test
