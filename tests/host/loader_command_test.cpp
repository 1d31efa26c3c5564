// The loader's validation, form and clean-up, and the load command's
// notifications, on the simulator.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/errors.hpp"
#include "tests/host/loader_rig.hpp"

namespace tarvex::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(LoaderValidation, EveryRefusalShowsModallyAndSendsNothing) {
    const std::string notValid = "Load: Value in ";
    const struct {
        const char* what;
        std::uint8_t kind, format, options;
        std::string file;  // "" no name, "-" missing, else an example
        std::string text;
        std::function<void(LoaderRig&)> setup;
    } cases[] = {
        {"no name", memkind::Program, fileformat::IntelHex, 0, "", "Loading: Missing file name", {}},
        {"kind 5", memkind::Trace, fileformat::IntelHex, 0, "portrw.hex", notValid + "Memory not valid", {}},
        {"kind 7", memkind::SysEmulHigh, fileformat::IntelHex, 0, "portrw.hex", notValid + "Memory not valid", {}},
        {"system without SystemMode", memkind::System, fileformat::Binary, 0, "portrw.bin",
         notValid + "Memory not valid", {}},
        {"ext data on family 9", memkind::ExtData, fileformat::IntelHex, 0, "portrw.hex",
         "Processor 80C51: No ExtData memory access", [](LoaderRig& r) { r.sfr->SetOptionNummer(9); }},
        {"format 5", memkind::Program, fileformat::HexDump, 0, "portrw.hex", notValid + "Format not valid", {}},
        {"format 6", memkind::Program, fileformat::AssemblerList, 0, "portrw.hex", notValid + "Format not valid", {}},
        {"format 7", memkind::Program, fileformat::AssemblerSource, 0, "portrw.hex", notValid + "Format not valid", {}},
        {"format 10", memkind::Program, 10, 0, "portrw.hex", notValid + "Format not valid", {}},
        {"object into internal data", memkind::IntData, fileformat::Object, 0, "portrw.hex",
         notValid + "Format not valid", {}},
        {"HEX as symbols", memkind::Symbol, fileformat::IntelHex, 0, "portrw.hex", notValid + "Format not valid", {}},
        {"IAR object into internal data", memkind::IntData, fileformat::Object, 0, "portrw.hex",
         notValid + "Format not valid", [](LoaderRig& r) { r.options->SetHochsprachenTyp(TCompiler::C51_IAR); }},
        {"CDB into external data", memkind::ExtData, fileformat::Cdb, 0, "types.cdb", notValid + "Format not valid", {}},
        {"AVR with a port rewrite", memkind::Program, fileformat::AvrObject, loadflag::Convert1, "portrw.hex",
         notValid + "Option not valid", {}},
        {"both conversions", memkind::Program, fileformat::IntelHex, loadflag::Convert1 | loadflag::Convert2,
         "portrw.hex", notValid + "Option not valid", {}},
        {"both conversions, data", memkind::IntData, fileformat::Binary, loadflag::Convert1 | loadflag::Convert2,
         "portrw.bin", notValid + "Option not valid", {}},
    };
    for (const auto& c : cases) {
        LoaderRig r;
        if (c.setup) c.setup(r);
        const std::string file = c.file.empty() ? "" : r.example(c.file);
        EXPECT_FALSE(r.run(r.request(file, c.kind, c.format, c.options))) << c.what;
        EXPECT_TRUE(r.loader->Refused()) << c.what;
        EXPECT_EQ(r.status.list(), (std::vector<std::string>{c.text, "Loading canceled", "ERROR: Check Messages!"}))
            << c.what;
        EXPECT_EQ(r.status.modals(), 1) << c.what;
        EXPECT_EQ(r.status.text(platform::LoadField::AbbruchButton), "Ok") << c.what;
        EXPECT_TRUE(r.sent().empty()) << c.what;
        EXPECT_FALSE(r.loader->Loading()) << c.what;
        EXPECT_TRUE(r.commands("p").empty()) << c.what;
    }
}

TEST(LoaderValidation, MissingFilesAndTheObjectDirectory) {
    LoaderRig r;
    const std::string objects = r.root.file("objects");
    std::filesystem::create_directory(objects);
    r.options->SetObjectDirName(objects);
    EXPECT_FALSE(r.run(r.request("sub\\x.hex", memkind::Program, fileformat::IntelHex)));
    EXPECT_EQ(r.status.list().front(),
              "File sub\\x.hex; " + (std::filesystem::path(objects) / "x.hex").string() + " does not exist");
    // Present there: loaded from there (a name from Windows, split on '\').
    std::filesystem::copy_file(r.example("portrw.hex"), std::filesystem::path(objects) / "x.hex");
    EXPECT_TRUE(r.run(r.request("C:\\build\\x.hex", memkind::Program, fileformat::IntelHex)));
    EXPECT_EQ(r.code(0, 3), (Bytes{0x75, 0x80, 0x12}));
    EXPECT_EQ(r.status.text(platform::LoadField::Dateiname), (std::filesystem::path(objects) / "x.hex").string());
}

TEST(LoaderValidation, DataMemoriesDropASingleConversionAndSystemNeedsItsCommand) {
    LoaderRig r;
    // Convert1 on internal data is dropped: the bytes land unchanged.
    const std::string name = r.file("d.bin", Bytes{0x75, 0x90, 0x12});
    TKommandoStruktur q = r.request(name, memkind::IntData, fileformat::Binary, loadflag::Convert1,
                                    UnbankedAdresse(0x40));
    ASSERT_TRUE(r.run(q));
    EXPECT_EQ(r.loader->RewriteMode(), 0);
    EXPECT_EQ(r.board.internal(0x41), 0x90);
    EXPECT_EQ(r.status.text(platform::LoadField::CodeBytes), "Bytes:");
    // System memory through "LoadSystem" (26) passes without SystemMode and
    // never shows the form.
    TKommandoStruktur sys = r.request(name, memkind::System, fileformat::Binary, 0, UnbankedAdresse(0x100));
    sys.code = cmd::LoadSystem;
    r.commandNotifier.sent.clear();
    r.loader->Load(sys);
    EXPECT_FALSE(r.loader->Failed());
    EXPECT_EQ(r.status.shows(), 1);  // the internal-data load only
    EXPECT_EQ(r.status.modals(), 0);
    // With an error it does show, modally.
    sys.fileFormat = fileformat::HexDump;
    r.loader->Load(sys);
    EXPECT_EQ(r.status.shows(), 1);
    EXPECT_EQ(r.status.modals(), 1);
}

TEST(LoadCommand, NotificationByMemoryAndFormat) {
    const struct {
        std::uint8_t kind, format;
        const char* file;
        std::uint16_t at;
        std::uint8_t code;
    } cases[] = {
        {memkind::Program, fileformat::Binary, "portrw.bin", 0, 1},
        {memkind::Program, fileformat::IntelHex, "portrw.hex", 0, 1},
        {memkind::IntData, fileformat::Binary, "portrw.bin", 0x20, 2},
        {memkind::ExtData, fileformat::IntelHex, "portrw.hex", 0, 3},
    };
    for (const auto& c : cases) {
        LoaderRig r;
        ASSERT_TRUE(r.run(r.request(r.example(c.file), c.kind, c.format, 0, UnbankedAdresse(c.at)))) << c.file;
        EXPECT_EQ(r.sent(), (std::vector<std::uint8_t>{c.code})) << int(c.kind);
    }
    EXPECT_EQ(LoadNotification(memkind::Program, fileformat::Omf51), 8);
    EXPECT_EQ(LoadNotification(memkind::Program, fileformat::Cdb), 8);
    EXPECT_EQ(LoadNotification(memkind::System, fileformat::Binary), 7);
    EXPECT_EQ(LoadNotification(memkind::Symbol, fileformat::Omf51), 4);
    EXPECT_EQ(LoadNotification(memkind::Trace, fileformat::Binary), 0);
}

TEST(Loader, FormTextsAndCounters) {
    LoaderRig r;
    ASSERT_TRUE(r.run(r.request(r.example("portrw.hex"), memkind::Program, fileformat::IntelHex)));
    using platform::LoadField;
    EXPECT_EQ(r.status.text(LoadField::Fest1), "File:");
    EXPECT_EQ(r.status.text(LoadField::Fest2), "Lines:");
    EXPECT_EQ(r.status.text(LoadField::Fest3), "Symbols:");
    EXPECT_EQ(r.status.text(LoadField::CodeBytes), "Code:");
    EXPECT_EQ(r.status.text(LoadField::AbbruchButton), "Cancel");
    EXPECT_EQ(r.status.text(LoadField::CodeAnzahl), "24 (0x000018)");
    EXPECT_FALSE(r.status.pellunarVisible());
    EXPECT_EQ(r.status.list(), (std::vector<std::string>{"Load hex file: " + r.example("portrw.hex"), "File loaded"}));
    // The message list keeps growing over loads; the form's list does not.
    r.run(r.request(r.example("portrw.hex"), memkind::Program, fileformat::IntelHex));
    EXPECT_EQ(r.loader->Messages().size(), 4u);
    EXPECT_EQ(r.status.list().size(), 2u);
}

TEST(Loader, AnotherLoadWhileLoadingIsRefused) {
    LoaderRig r;
    bool refused = false;
    r.status.onQuery([&] {
        if (!r.loader->Loading()) return;
        try {
            r.run(r.request(r.example("portrw.hex"), memkind::Program, fileformat::IntelHex));
        } catch (const ETarvexAccessError& e) {
            refused = e.message() == "Loading: another load is running";
        }
    });
    ASSERT_TRUE(r.run(r.request(r.example("ports.hex"), memkind::Program, fileformat::IntelHex)));
    EXPECT_TRUE(refused);
    EXPECT_EQ(r.sent(), (std::vector<std::uint8_t>{1}));
}

TEST(Loader, ContiguousModeTurnsTheResetLjmpIntoAjmp) {
    for (int family : {11, 15, 0}) {
        LoaderRig r;
        r.sfr->SetOptionNummer(family);
        r.board.clearLog();
        ASSERT_TRUE(r.run(r.request(r.example("portrw.hex"), memkind::Program, fileformat::IntelHex)));
        const auto& list = r.status.list();
        const bool said =
            std::find(list.begin(), list.end(), "Contiguous mode: LJMP at 0000 changed in AJMP") != list.end();
        if (family == 0) {
            EXPECT_FALSE(said);
            continue;
        }
        // portrw.hex starts with a MOV: nothing to change.
        EXPECT_FALSE(said) << family;
        ASSERT_TRUE(r.run(r.request(r.example("ports.hex"), memkind::Program, fileformat::IntelHex)));
        EXPECT_EQ(r.code(0, 1), Bytes{0x01}) << family;
        EXPECT_NE(std::find(r.status.list().begin(), r.status.list().end(),
                            "Contiguous mode: LJMP at 0000 changed in AJMP"),
                  r.status.list().end());
        EXPECT_FALSE(r.commands("PP").empty()) << family;
    }
}

TEST(Loader, AllBanksWriteAddressRaisesTheCommonArea) {
    LoaderRig r;
    r.fourBanks();
    ASSERT_TRUE(r.run(r.request(r.example("portrw.hex"), memkind::Program, fileformat::IntelHex)));
    // A format loader writing common code (as the object formats do).
    const Bytes common = {1, 2, 3, 4};
    r.loader->AppendCode(AllBanksAdresse(0x1000), common.data(), common.size());
    r.loader->FlushAll();
    EXPECT_EQ(r.loader->HighestCommon(), 0x1003);
    for (std::uint8_t bank = 0; bank < 4; ++bank) EXPECT_EQ(r.code(BankedAdresse(bank, 0x1000), 4), common);
}

TEST(ConsoleLoadStatus, ShowModalPutsTheListIntoOneBox) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes);
    platform::ConsoleLoadStatusWindow w;
    w.setText(platform::LoadField::Caption, "Load");
    w.addLine("old", false);
    w.clearLines();
    w.addLine("Loading: Missing file name", true);
    w.addLine("ERROR: Check Messages!", false);
    EXPECT_FALSE(w.isOpen());
    EXPECT_FALSE(w.cancelRequested());
    w.showModal();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "Load");
    EXPECT_EQ(boxes.shown()[0].text, "Loading: Missing file name\nERROR: Check Messages!");
}

}  // namespace
}  // namespace tarvex::test
