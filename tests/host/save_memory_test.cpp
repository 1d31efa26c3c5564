// Saving memory on the board simulator: the files byte for byte, the bank
// records of ranges across banks, cancel and failure, the refusals, the
// save-status form and the read-ahead that keeps round trips down.
#include "host/save_memory.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/disassembler.hpp"
#include "host/command_targets.hpp"
#include "tests/support/target/sim_target.hpp"

namespace tarvex {
namespace {

constexpr std::size_t CodeBank = 6;

struct Rig : test::SimTarget {
    Rig() { start(); }
    TSaveTargets targets() { return TSaveTargets{*spaces, nullptr, nullptr, 0, &status, &clock}; }
    std::string save(std::uint8_t kind, std::uint8_t format, TBankAdresse start, TBankAdresse end,
                     const std::string& name = "out") {
        TKommandoStruktur c;
        c.code = kind == memkind::Trace ? cmd::SaveTrace : cmd::Save;
        c.memoryKind = kind;
        c.fileFormat = format;
        c.start = start;
        c.end = end;
        c.text1 = root.file(name);
        ExecuteSaveCommand(c, targets());
        return c.text1;
    }
    static std::string text(const std::string& path) {
        const auto bytes = test::readBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
    void code(std::uint16_t at, const std::string& bytes, std::size_t hw = CodeBank) {
        board.setCode(hw, at, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    // The program reads the board answered.
    int codeReads() const {
        int n = 0;
        for (const std::string& line : log()) n += line.rfind("D P", 0) == 0 || line.rfind("D M", 0) == 0;
        return n;
    }
    platform::RecordingSaveStatusWindow status;
};

TBankAdresse U(std::uint16_t offset) { return UnbankedAdresse(offset); }

std::string ramp(std::size_t n, int first = 0) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += static_cast<char>((first + static_cast<int>(i)) & 0xFF);
    return out;
}

std::string lines(std::initializer_list<std::string> l) {
    std::string out;
    for (const std::string& s : l) out += s + "\r\n";
    return out;
}

// ---------------------------------------------------------------- formats

TEST(SaveMemory, IntelHexMatchesTheGoldenFileAndTheFormShowsTheSave) {
    Rig t;
    t.code(0x0000, ramp(0x21));
    const std::string file = t.save(memkind::Program, fileformat::IntelHex, U(0x0020), U(0x0000), "a.hex");
    EXPECT_EQ(Rig::text(file), Rig::text((test::sourceDir() / "tests/host/data/save_0000_0020.hex").string()));
    EXPECT_EQ(t.status.caption, "Save hex file");
    EXPECT_EQ(t.status.fileName, file);
    EXPECT_EQ(t.status.memoryName, "Program memory");
    EXPECT_EQ(t.status.range, "0000 - 0020");
    const std::vector<std::pair<std::string, std::string>> labels{
        {"GroupBox1", "Save:"}, {"Label1", "File:"},  {"Label2", "Memory:"},
        {"Label3", "Range:"},   {"Label4", "saved:"}, {"CancelButton", "Cancel:"}};
    EXPECT_EQ(t.status.labels, labels);
    ASSERT_FALSE(t.status.statuses.empty());
    EXPECT_EQ(t.status.statuses.front(), "0 Bytes");
    EXPECT_EQ(t.status.shows, 1);
    EXPECT_FALSE(t.status.open);
}

TEST(SaveMemory, RecordsDumpLinesAndListings) {
    EXPECT_EQ(SaveHexRecord(fileformat::HexDump, 0x0100, "\x41\x0D"), "0100 41 0D  A.");
    EXPECT_EQ(SaveHexRecord(fileformat::IntelHex, 0x0020, " "), ":0100200020BF");
    EXPECT_EQ(SaveHexRecord(fileformat::HexDump, 0xFFF0, "\x7F\x80 "), "FFF0 7F 80 20  \x7F\x80 ");

    Rig t;
    t.board.setXdata(0x0100, {0x41, 0x0D});
    EXPECT_EQ(Rig::text(t.save(memkind::ExtData, fileformat::HexDump, U(0x0100), U(0x0101))),
              lines({"0100 41 0D  A."}));
    EXPECT_EQ(t.status.caption, "Save hex dump file");
    EXPECT_EQ(t.status.memoryName, "ExtData memory");

    // The listing: address, the bytes padded to 6, the label column of 24.
    t.code(0x0000, std::string("\x02\x00\x30", 3));
    t.code(0x0030, std::string("\x00\x80\xFD", 3));
    EXPECT_EQ(Rig::text(t.save(memkind::Program, fileformat::AssemblerList, U(0x0000), U(0x0000))),
              lines({"0000 020030" + std::string(26, ' ') + "LJMP  0030H"}));
    TSymboltabelle symbols(TargetContext{t.spaces.get(), &t.spaces->CodeReader(), nullptr, nullptr, t.banking.get()});
    Disassembler dis(&symbols, nullptr, &t.registers,
                     TargetContext{t.spaces.get(), &t.spaces->CodeReader(), nullptr, nullptr, t.banking.get()});
    symbols.AddSymbol(sspProgram, "start", 0, 0, 240, 1, 19, U(0x0000));
    TSaveTargets targets = t.targets();
    targets.disassembler = &dis;
    TKommandoStruktur c;
    c.code = cmd::Save;
    c.fileFormat = fileformat::AssemblerList;
    c.start = U(0x0030);
    c.end = U(0x0000);
    c.text1 = t.root.file("list");
    ExecuteSaveCommand(c, targets);
    const std::string list = Rig::text(c.text1);
    EXPECT_EQ(list.substr(0, list.find("\r\n")), "0000 020030 START" + std::string(20, ' ') + "LJMP  0030H");

    // Assembler source: the backward jump's target gets its label line, and
    // the label stays a program symbol.
    c.fileFormat = fileformat::AssemblerSource;
    c.start = U(0x0030);
    c.end = U(0x0032);
    ExecuteSaveCommand(c, targets);
    const std::string source = Rig::text(c.text1);
    const std::size_t colon = source.find(":\r\n");
    ASSERT_NE(colon, std::string::npos) << source;
    const std::string label = source.substr(0, colon);
    EXPECT_EQ(label[0], 'Y');
    EXPECT_EQ(source, lines({label + ":", std::string(25, ' ') + "NOP   ", std::string(25, ' ') + "SJMP  " + label}));
    EXPECT_EQ(dis.DisassembleAt(U(0x0030), false, false).label, label);
}

// ---------------------------------------------------------------- banks

TEST(SaveMemory, RangeAcrossBanksSaysWhereEachBankBegins) {
    Rig t;
    t.banking->SetBankingVersion(0);
    t.banking->SetBankingMode(1);  // two banks: 0 in hardware bank 3, 1 in 2
    t.code(0xFFF8, ramp(8, 0x10), 3);
    t.code(0x0000, ramp(8, 0x20), 2);
    EXPECT_EQ(Rig::text(t.save(memkind::Program, fileformat::IntelHex, BankedAdresse(0, 0xFFF8),
                               BankedAdresse(1, 0x0007))),
              lines({":020000040000FA", ":08FFF800101112131415161765", ":020000040001F9",
                     ":080000002021222324252627DC", ":00000001FF"}));
    EXPECT_EQ(Rig::text(t.save(memkind::Program, fileformat::Binary, BankedAdresse(0, 0xFFF8),
                               BankedAdresse(1, 0x0007))),
              ramp(8, 0x10) + ramp(8, 0x20));
    // Within one bank (any bank) the plain format.
    EXPECT_EQ(Rig::text(t.save(memkind::Program, fileformat::IntelHex, BankedAdresse(1, 0x0000),
                               BankedAdresse(1, 0x0007))),
              lines({":080000002021222324252627DC", ":00000001FF"}));
    t.banking->SetBankingVersion(1);
    t.banking->SetBankingMode(3);
    t.code(0x0000, ramp(8, 0x20), 0);  // bank 3
    EXPECT_EQ(Rig::text(t.save(memkind::Program, fileformat::IntelHex, BankedAdresse(3, 0x0000),
                               BankedAdresse(3, 0x0007))),
              lines({":080000002021222324252627DC", ":00000001FF"}));
}

// ---------------------------------------------------------------- whole, cancelled, failed

TEST(SaveMemory, BinaryWholeCancelledAndFailed) {
    Rig t;
    const std::string image = ramp(0x1000, 7);
    t.code(0x0000, image);
    t.fresh();
    const std::string file = t.save(memkind::Program, fileformat::Binary, U(0x0000), U(0x0FFF), "b.bin");
    EXPECT_EQ(Rig::text(file), image);
    // Read ahead in the space's largest transfer: five reads per KiB.
    EXPECT_EQ(t.codeReads(), 4 * 5);
    // The form is updated at most every 50 ms, and this clock stands still.
    EXPECT_EQ(t.status.statuses, (std::vector<std::string>{"0 Bytes", "128 Bytes"}));

    // Cancel at the first query: what was written so far stays.
    t.space(SpaceKind::Program).ClearProgramCache();
    t.status.cancelAfter = 1;
    t.status.queries = 0;
    EXPECT_EQ(Rig::text(t.save(memkind::Program, fileformat::Binary, U(0x0000), U(0x0FFF), "b.bin")),
              image.substr(0, 128));
    t.status.queries = 0;
    const std::string hex = Rig::text(t.save(memkind::Program, fileformat::IntelHex, U(0x0000), U(0x0FFF), "c.hex"));
    EXPECT_EQ(hex, lines({SaveHexRecord(fileformat::IntelHex, 0, image.substr(0, 16))}));

    // A read error ends the save: the old file as it was, nothing beside it.
    t.status.cancelAfter = 0;
    t.space(SpaceKind::Program).ClearProgramCache();
    t.recording.running = true;
    EXPECT_THROW(t.save(memkind::Program, fileformat::Binary, U(0x0000), U(0x0FFF), "b.bin"), ETarvexAccessError);
    EXPECT_FALSE(t.status.open);
    EXPECT_EQ(Rig::text(file), image.substr(0, 128));
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(t.root.path()))
        files += entry.path().filename().string().rfind("b.bin", 0) == 0;
    EXPECT_EQ(files, 1);
}

TEST(SaveMemory, EmulatorSystemMemoryIsSavedFromItsOwnSpace) {
    Rig t;
    t.code(0x0100, ramp(16, 0x40), 0);  // hardware bank 0; the program is in 6
    t.code(0x0100, ramp(16, 0x90));
    EXPECT_EQ(Rig::text(t.save(memkind::SysEmul, fileformat::Binary, BankedAdresse(0, 0x0100),
                               BankedAdresse(0, 0x010F))),
              ramp(16, 0x40));
    EXPECT_EQ(t.status.memoryName, "Emulationsspeicher");
    t.board.setSystem(1, true, 0x0000, 0x5C);
    EXPECT_EQ(Rig::text(t.save(memkind::SysEmulHigh, fileformat::HexDump, BankedAdresse(1, 0), BankedAdresse(1, 0))),
              lines({"0000 5C  \\"}));
}

// ---------------------------------------------------------------- refusals

TEST(SaveMemory, RefusalsBeforeAnythingIsWritten) {
    struct Row {
        std::uint8_t kind, format, options;
        std::string name;
        const char* message;
    };
    const Row rows[] = {
        {memkind::Program, fileformat::Binary, 0, "", "Save: Missing file name"},
        {memkind::Symbol, fileformat::Binary, 0, "x", "Save: Value in Memory not valid"},
        {memkind::System, fileformat::Binary, 0, "x", "Save: Value in Memory not valid"},
        {memkind::SysSelect, fileformat::Binary, 0, "x", "Save: Value in Memory not valid"},
        {memkind::Program, fileformat::Omf51, 0, "x", "Save: Value in Format not valid"},
        {memkind::Program, fileformat::AvrObject, 0, "x", "Save: Value in Format not valid"},
        {memkind::Program, fileformat::Cdb, 0, "x", "Save: Value in Format not valid"},
        {memkind::Program, fileformat::Binary, 3, "x", "Save: Value in Option not valid"},
        {memkind::IntData, fileformat::AssemblerList, 0, "x", "Save: Value in Format not valid"},
        {memkind::SysEmul, fileformat::AssemblerList, 0, "x", "Save: Value in Format not valid"},
        {memkind::ExtData, fileformat::AssemblerSource, 0, "x", "Save: Value in Format not valid"},
    };
    Rig t;
    for (const Row& r : rows) {
        TKommandoStruktur c;
        c.code = cmd::Save;
        c.memoryKind = r.kind;
        c.fileFormat = r.format;
        c.options = r.options;
        c.start = U(0);
        c.end = U(0x10);
        c.text1 = r.name.empty() ? "" : t.root.file(r.name);
        t.status.shows = 0;
        try {
            ExecuteSaveCommand(c, t.targets());
            ADD_FAILURE() << r.message;
        } catch (const EVokWinFileError& e) {
            EXPECT_EQ(std::string(e.what()), r.message);
        }
        EXPECT_EQ(t.status.shows, 0) << r.message;
    }
    EXPECT_FALSE(std::filesystem::exists(t.root.path() / "x"));
}

// ---------------------------------------------------------------- trace memory

struct RecordingExport final : ITraceExport {
    void ExportFrames(const std::string& file, std::uint32_t first, std::uint32_t last, int mode) override {
        calls.push_back(file + " " + std::to_string(first) + " " + std::to_string(last) + " " + std::to_string(mode));
    }
    std::vector<std::string> calls;
};

TEST(SaveMemory, TraceMemoryGoesThroughTheExportInFullFrameNumbers) {
    Rig t;
    TKommandoStruktur c;
    c.code = cmd::SaveTrace;
    c.memoryKind = memkind::Trace;
    c.start = BankedAdresse(1, 0x1170);  // frame 70000
    c.end = BankedAdresse(1, 0x117A);
    c.text1 = "t.txt";
    EXPECT_THROW(ExecuteSaveCommand(c, t.targets()), ETraceError);
    EXPECT_EQ(t.status.range, "70000 - 70010");
    EXPECT_EQ(t.status.memoryName, "Trace memory");
    RecordingExport exporter;
    TSaveTargets targets = t.targets();
    targets.traceExport = &exporter;
    for (std::uint8_t format : {0, 1, 2, 7, 9}) {
        c.fileFormat = format;
        ExecuteSaveCommand(c, targets);
    }
    EXPECT_EQ(exporter.calls, (std::vector<std::string>{"t.txt 70000 70010 0", "t.txt 70000 70010 1",
                                                        "t.txt 70000 70010 3", "t.txt 70000 70010 2",
                                                        "t.txt 70000 70010 2"}));
    EXPECT_FALSE(t.status.open);
}

}  // namespace
}  // namespace tarvex
