// Object files through the program loader: the OMF conversion over its
// buffer, the notifications, the HiTech rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <cstring>

#include "core/errors.hpp"
#include "emulator/download.hpp"
#include "host/agdi_object.hpp"
#include "platform/host_window.hpp"
#include "sim/standin_root.hpp"
#include "tests/host/loader_rig.hpp"
#include "tests/host/ubrof_test_writer.hpp"

namespace tarvex::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

void expectCodeOf(LoaderRig& r, const std::string& hexName) {
    const auto bytes = readBytes(r.example(hexName));
    for (const auto& [at, data] : hexRecords(std::string(bytes.begin(), bytes.end())))
        ASSERT_EQ(r.code(at, static_cast<int>(data.size())), data) << hexName << " " << at;
}

// The file without its content records: debug records only.
Bytes withoutContent(const Bytes& omf) {
    Bytes out;
    for (std::size_t i = 0; i + 3 <= omf.size();) {
        const std::size_t n = omf[i + 1] | omf[i + 2] << 8;
        if (omf[i] != 0x06) out.insert(out.end(), omf.begin() + static_cast<long>(i), omf.begin() + static_cast<long>(i + 3 + n));
        i += 3 + n;
    }
    return out;
}

TEST(LoaderObject, OmfIntoProgramAndAsSymbols) {
    LoaderRig r;
    ASSERT_TRUE(r.run(r.request(r.example("ports.omf"), memkind::Program, fileformat::Omf51, loadflag::ClearSymbols)));
    EXPECT_FALSE(r.loader->Failed());
    expectCodeOf(r, "ports.hex");
    ASSERT_NE(r.symbols.FindByName("MAIN", sspModuleFunction), nullptr);
    EXPECT_EQ(r.sent(), (std::vector<std::uint8_t>{8}));
    EXPECT_EQ(r.status.text(platform::LoadField::Caption), "Load Omf51 file");
    EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "File loaded");
    EXPECT_NE(r.status.text(platform::LoadField::SymbolAnzahl), "0");
    EXPECT_EQ(r.options->LoadDirName(), (std::filesystem::path(r.example("ports.omf")).parent_path()).string());
    // A bare name is found there (not in the process's current directory).
    std::string bare = "ports.hex";
    ASSERT_TRUE(r.options->CheckFileName(bare));
    EXPECT_EQ(bare, r.example("ports.hex"));

    // Symbols only: nothing goes to the board, the count stays 0.
    LoaderRig s;
    ASSERT_TRUE(s.run(s.request(s.example("ports.omf"), memkind::Symbol, fileformat::Object, loadflag::ClearSymbols)));
    EXPECT_FALSE(s.loader->Failed());
    EXPECT_EQ(s.loader->CodeBytes(), 0u);
    EXPECT_TRUE(s.commands("p").empty());
    EXPECT_NE(s.symbols.FindByName("DELAY", sspModuleFunction), nullptr);
    EXPECT_EQ(s.sent(), (std::vector<std::uint8_t>{4}));
}

TEST(LoaderObject, SrecordOmfAndTheLongContentRecord) {
    LoaderRig r;
    ASSERT_TRUE(r.run(r.request(r.example("portrw.omf"), memkind::Program, fileformat::Omf51)));
    EXPECT_EQ(r.code(0, 3), (Bytes{0x75, 0x80, 0x12}));
    EXPECT_EQ(r.code(0x30, 3), (Bytes{0x00, 0x80, 0xFD}));
    EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "Loading canceled");  // no module end record
    ASSERT_TRUE(r.run(r.request(r.example("portrw_end.omf"), memkind::Program, fileformat::Omf51,
                                loadflag::Convert2)));
    EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "File loaded");
    EXPECT_EQ(r.code(0, 3), (Bytes{0x75, 0xE8, 0x12}));

    LoaderRig b;
    ASSERT_TRUE(b.run(b.request(b.example("bigtable.omf"), memkind::Program, fileformat::Omf51)));
    EXPECT_FALSE(b.loader->Failed());
    expectCodeOf(b, "bigtable.hex");
}

TEST(LoaderObject, HiTechCodeComesFromTheHexBeside) {
    LoaderRig r;
    r.options->SetHochsprachenTyp(TCompiler::C51_HiTech);
    const std::string omf = r.file("x.omf", withoutContent(readBytes(r.example("ports.omf"))));
    std::filesystem::copy_file(r.example("ports.hex"), r.root.file("x.hex"));
    ASSERT_TRUE(r.run(r.request(omf, memkind::Program, fileformat::Omf51, loadflag::ClearSymbols)));
    EXPECT_FALSE(r.loader->Failed());
    expectCodeOf(r, "ports.hex");
    EXPECT_NE(r.symbols.FindByName("MAIN", sspModuleFunction), nullptr);  // not cleared by the nested load
    EXPECT_EQ(r.status.text(platform::LoadField::Dateiname), omf + ", .hex");
    EXPECT_EQ(r.loader->CodeBytes(), 358u);

    // A symbols-only load does not run the rule.
    LoaderRig s;
    s.options->SetHochsprachenTyp(TCompiler::C51_HiTech);
    const std::string omf2 = s.file("x.omf", withoutContent(readBytes(s.example("ports.omf"))));
    std::filesystem::copy_file(s.example("ports.hex"), s.root.file("x.hex"));
    ASSERT_TRUE(s.run(s.request(omf2, memkind::Symbol, fileformat::Omf51, loadflag::ClearSymbols)));
    EXPECT_TRUE(s.commands("p").empty());
    EXPECT_EQ(s.status.text(platform::LoadField::Dateiname), omf2);
}

// OMF and AVR object files of HiTech alike: the code from the ".hex" beside
// them, after which the load is again the object file's; without that file
// the load fails with the message a load of it would give.
TEST(LoaderObject, HiTechRuleForEveryObjectFormat) {
    for (const std::uint8_t format : {fileformat::Omf51, fileformat::AvrObject}) {
        for (const bool withHex : {true, false}) {
            LoaderRig r;
            r.options->SetHochsprachenTyp(TCompiler::C51_HiTech);
            const std::string object =
                format == fileformat::Omf51
                    ? r.file("x.obj", withoutContent(readBytes(r.example("ports.omf"))))
                    : r.file("x.obj", UbrofBytes{}.d(0x1A).d(0x1A).b(9).b(1).raw("AVR Object File").b(0)
                                          .raw("x.asm").b(0).data());
            const std::string hex = r.root.file("x.hex");
            if (withHex) std::filesystem::copy_file(r.example("ports.hex"), hex);
            EXPECT_TRUE(r.run(r.request(object, memkind::Program, format, loadflag::ClearSymbols))) << int(format);
            EXPECT_EQ(r.loader->Format(), format);
            EXPECT_EQ(r.loader->Failed(), !withHex) << int(format);
            if (withHex) {
                expectCodeOf(r, "ports.hex");
                EXPECT_EQ(r.status.text(platform::LoadField::Dateiname), object + ", .hex") << int(format);
                continue;
            }
            EXPECT_EQ(r.loader->ErrorCount(), 1) << int(format);
            const auto& l = r.status.list();
            // As named, then in the object folder.
            const std::string tried = (std::filesystem::path(r.options->ObjectDirName()) / "x.hex").string();
            EXPECT_NE(std::find(l.begin(), l.end(), "File " + hex + "; " + tried + " does not exist"), l.end())
                << int(format);
            EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "Loading canceled") << int(format);
        }
    }
}

TEST(LoaderObject, FormatErrorOfTheObjectFilePassesOnAfterTheCleanUp) {
    LoaderRig r;
    Bytes omf = readBytes(r.example("ports.omf"));
    omf.resize(omf.size() / 2);
    const std::string name = r.file("cut.omf", omf);
    EXPECT_THROW(r.run(r.request(name, memkind::Program, fileformat::Omf51)), EVokWinFileError);
    EXPECT_FALSE(r.loader->Loading());
    EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "Loading canceled");
    EXPECT_FALSE(r.status.isOpen());
    EXPECT_TRUE(r.sent().empty());
}

TEST(LoaderObject, PellunarModeEntersEverySymbolBeforeTheCode) {
    LoaderRig r;
    r.emu->SetPellunars(true);
    ASSERT_TRUE(r.emu->PellunarsOn());
    std::size_t symbolsAtFirstCode = 0;
    r.board.clearLog();
    r.lines.Clear();
    // The table as the first code block has gone out (asked once per record).
    r.status.onQuery([&] {
        r.clock.advance(TBasisVokWinLoader::PollIntervalMs);
        if (symbolsAtFirstCode == 0 && !r.commands("p").empty()) symbolsAtFirstCode = r.symbols.Count();
    });
    ASSERT_TRUE(r.run(r.request(r.example("ports.omf"), memkind::Program, fileformat::Omf51, loadflag::ClearSymbols)));
    EXPECT_FALSE(r.loader->Failed());
    EXPECT_EQ(r.loader->CodeBytes(), 358u);
    EXPECT_TRUE(r.status.pellunarVisible());
    EXPECT_EQ(symbolsAtFirstCode, r.symbols.Count());
    expectCodeOf(r, "ports.hex");
    // The hook tables follow the last code block.
    std::size_t lastP = 0, firstFH = 0;
    const auto log = r.board.log();
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (log[i].name == "p") lastP = i;
        if (log[i].name == "FH" && firstFH == 0) firstFH = i;
    }
    EXPECT_GT(firstFH, lastP);
}

// The host's start-up load of the project's program, through the executor.
TEST(LoaderObject, StartUpLoadsTheProgramsSymbols) {
    for (bool present : {true, false}) {
        platform::FakeClock clock;
        platform::MemorySettingsStore settings;
        sim::Board board(clock);
        platform::ScriptedMessageBoxes boxes;
        platform::RecordingNoticeWindow notice;
        platform::ScopedUi ui{&boxes, nullptr, &notice};
        TempDir root, work;
        sim::MakeStandinRoot(root.path(), sourceDir() / "data");
        DriverEnvironment env;
        env.clock = &clock;
        env.settings = &settings;
        env.serialPortOpener = sim::SimSerialPort::opener(board, clock);
        env.root = root.path().string();
        auto object = std::make_unique<TAgdiObject>(env);
        platform::HostMessageSink sink{nullptr,
                                       [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t {
                                           return 0;
                                       },
                                       [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) {}};
        object->AG_Init(0x300 + 10, reinterpret_cast<std::uintptr_t>(&sink));
        const std::string program =
            present ? LoaderRig::example("ports.omf") : (work.path() / "missing.omf").string();
        auto record = std::make_unique<agdi::ProjectRecord>();
        std::memset(record.get(), 0, sizeof(agdi::ProjectRecord));
        const std::string project = work.file("p.uv2");
        record->projectFile = project.c_str();
        std::strncpy(record->programFile, program.c_str(), sizeof record->programFile - 1);
        object->EnumUv351(record.get(), 2);
        ASSERT_EQ(object->AG_Init(0x100, 0), 0u) << present;
        EXPECT_EQ(object->Symbols().FindByName("MAIN", sspModuleFunction) != nullptr, present);
        EXPECT_EQ(object->Loader().Messages().empty(), !present);
        object.reset();
    }
}

}  // namespace
}  // namespace tarvex::test
