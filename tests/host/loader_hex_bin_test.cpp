// Binary and Intel HEX loading with the port rewrite, on the simulator.
#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "tests/host/loader_rig.hpp"

namespace tarvex::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes PortrwFile = {0x75, 0x80, 0x12, 0xD2, 0xA3, 0x85, 0x90, 0xB8, 0xC2, 0x97, 0x85,
                          0x80, 0xA0, 0x20, 0x82, 0xFD, 0xD2, 0xBC, 0x02, 0x00, 0x30};

TEST(PortRewrite, ModesOverTheFixtureProgram) {
    const struct {
        std::uint8_t mode;
        Bytes expected;
    } cases[] = {
        {0, PortrwFile},
        {1, {0x75, 0x80, 0x12, 0xD2, 0xA3, 0x85, 0xE8, 0xA9, 0xC2, 0xEF, 0x85,
             0x80, 0xA0, 0x20, 0x82, 0xFD, 0xD2, 0xBC, 0x02, 0x00, 0x30}},
        {2, {0x75, 0xE8, 0x12, 0xD2, 0xFB, 0x85, 0x90, 0xA9, 0xC2, 0x97, 0x85,
             0xE8, 0xF8, 0x20, 0xEA, 0xFD, 0xD2, 0xBC, 0x02, 0x00, 0x30}},
    };
    for (const auto& c : cases) {
        PortRewriter r(c.mode);
        Bytes b = PortrwFile;
        EXPECT_EQ(r.Rewrite(b.data(), b.size(), false), b.size());
        EXPECT_EQ(b, c.expected) << int(c.mode);
    }
    // Every direct and bit row of both modes, and what stays.
    const struct {
        std::uint8_t mode, value;
        std::uint8_t direct, bit;
    } rows[] = {{1, 0x80, 0x80, 0x80}, {1, 0x90, 0xE8, 0xE8}, {1, 0x97, 0x97, 0xEF}, {1, 0xA0, 0xA0, 0xA0},
                {1, 0xB8, 0xA9, 0xB8}, {2, 0x80, 0xE8, 0xE8}, {2, 0x87, 0x87, 0xEF}, {2, 0x90, 0x90, 0x90},
                {2, 0xA0, 0xF8, 0xF8}, {2, 0xA7, 0xA7, 0xFF}, {2, 0xB8, 0xA9, 0xB8}, {2, 0xBF, 0xBF, 0xBF}};
    for (const auto& row : rows) {
        EXPECT_EQ(PortRewriter::RewriteDirect(row.mode, row.value), row.direct) << int(row.mode) << " " << int(row.value);
        EXPECT_EQ(PortRewriter::RewriteBit(row.mode, row.value), row.bit) << int(row.mode) << " " << int(row.value);
    }
}

TEST(PortRewrite, CutInstructionWaitsUnlessWhole) {
    PortRewriter r(2);
    Bytes b = {0xD2, 0xA3, 0x75, 0x80};
    EXPECT_EQ(r.Rewrite(b.data(), b.size(), false), 2u);
    EXPECT_EQ(b, (Bytes{0xD2, 0xFB, 0x75, 0x80}));  // the cut MOV untouched
    r.Reset();
    EXPECT_EQ(r.Rewrite(b.data() + 2, 2, true), 2u);
    EXPECT_EQ(b, (Bytes{0xD2, 0xFB, 0x75, 0xE8}));  // its known operand rewritten
    // State across calls (the companion's write-outs): 75 | 80 12.
    PortRewriter s(2);
    Bytes first = {0x75}, second = {0x80, 0x12};
    s.Rewrite(first.data(), 1, true);
    s.Rewrite(second.data(), 2, true);
    EXPECT_EQ(second, (Bytes{0xE8, 0x12}));
    // 24-bit code addresses: LJMP takes 4 bytes, so its third byte is no opcode.
    PortRewriter w(2, 4);
    Bytes far = {0x02, 0x01, 0x75, 0x80, 0x75, 0x80, 0x12};
    w.Rewrite(far.data(), far.size(), true);
    EXPECT_EQ(far, (Bytes{0x02, 0x01, 0x75, 0x80, 0x75, 0xE8, 0x12}));
}

TEST(IntelHexText, LinesFieldsAndHexNumbers) {
    EXPECT_EQ(SplitHexLines(":01\n:02\r\n:03\r:04"), (std::vector<std::string_view>{":01", ":02", ":03", ":04"}));
    EXPECT_EQ(SplitHexLines("a\r\n\r\nb\n"), (std::vector<std::string_view>{"a", "", "b"}));
    HexRecord r;
    ASSERT_EQ(DecodeHexLine(":030030000080fd50", r, true), HexLineStatus::Ok);
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(r.address, 0x30);
    EXPECT_EQ(r.sum, 0);
    EXPECT_EQ(r.data[2], 0xFD);
    for (const char* bad : {"", ":0300", ":+30030000080FD50", ": 30030000080FD50", ":0300300000 0FD50",
                            ":030030000080FD", ":030030000080FD5", ":0x0030000080FD50"})
        EXPECT_EQ(DecodeHexLine(bad, r, true), HexLineStatus::FormatError) << bad;
    EXPECT_EQ(DecodeHexLine(":0300300000", r, false), HexLineStatus::Ok);

    EXPECT_EQ(ParseHex("fFa0", "x"), 0xFFA0u);
    for (const char* bad : {"", "+1", " 1", "0x1", "-1", "123456789", "1 "}) {
        try {
            ParseHex(bad, "x.hex");
            ADD_FAILURE() << bad;
        } catch (const EVokWinFileError& e) {
            EXPECT_EQ(e.message(), "Loading: Format error in file x.hex");
        }
    }
}

TEST(IntelHexText, SurveyFindsUpperPartAndFirstData) {
    const auto survey = [](const std::string& text) { return SurveyHexLines(SplitHexLines(text)); };
    HexSurvey s = survey(":020000040000FA\n:0300300000800D40\n:00000001FF\n");
    EXPECT_FALSE(s.upperNonZero);
    EXPECT_EQ(s.firstDataAddress, 0x30);
    EXPECT_TRUE(survey(":020000040001F9\n:0100000000FF\n").upperNonZero);
    EXPECT_TRUE(survey(":020000021000EC\n").upperNonZero);
    EXPECT_FALSE(survey(":00000001FF\n:020000040001F9\n").upperNonZero);  // after the end
}

TEST(LoaderHex, PortRewriteOfHexAndBinary) {
    const struct {
        std::uint8_t flags;
        Bytes expected;
    } cases[] = {
        {0, PortrwFile},
        {loadflag::Convert1, {0x75, 0x80, 0x12, 0xD2, 0xA3, 0x85, 0xE8, 0xA9, 0xC2, 0xEF, 0x85,
                              0x80, 0xA0, 0x20, 0x82, 0xFD, 0xD2, 0xBC, 0x02, 0x00, 0x30}},
        {loadflag::Convert2, {0x75, 0xE8, 0x12, 0xD2, 0xFB, 0x85, 0x90, 0xA9, 0xC2, 0x97, 0x85,
                              0xE8, 0xF8, 0x20, 0xEA, 0xFD, 0xD2, 0xBC, 0x02, 0x00, 0x30}},
    };
    for (const auto& c : cases) {
        for (const auto& [name, format] : {std::pair{"portrw.hex", fileformat::IntelHex},
                                           std::pair{"portrw.bin", fileformat::Binary}}) {
            LoaderRig r;
            ASSERT_TRUE(r.run(r.request(r.example(name), memkind::Program, format, c.flags)));
            EXPECT_EQ(r.code(0, 21), c.expected) << name << " " << int(c.flags);
            EXPECT_EQ(r.code(0x30, 3), (Bytes{0x00, 0x80, 0xFD})) << name;
            EXPECT_FALSE(r.loader->Failed()) << name;
            EXPECT_EQ(r.sent(), (std::vector<std::uint8_t>{1})) << name;
        }
    }
}

TEST(LoaderBinary, InstructionAcrossTheBufferEnd) {
    LoaderRig r;
    Bytes bin(8195, 0x00);
    bin[0x1FFF] = 0x75, bin[0x2000] = 0x80, bin[0x2001] = 0x12;
    ASSERT_TRUE(r.run(r.request(r.file("cut.bin", bin), memkind::Program, fileformat::Binary, loadflag::Convert2)));
    EXPECT_EQ(r.code(0x1FFF, 3), (Bytes{0x75, 0xE8, 0x12}));
    EXPECT_FALSE(r.loader->Failed());
    EXPECT_EQ(r.loader->CodeBytes(), 8195u);
    // The first flush ends before the cut MOV; the MOV starts the next.
    bool sawEnd = false;
    for (const auto& c : r.commands("p")) {
        const unsigned start = c.bytes[1] << 8 | c.bytes[2], n = c.bytes[3];
        EXPECT_FALSE(start < 0x1FFF && start + n > 0x1FFF) << start;
        sawEnd = sawEnd || start + n == 0x1FFF;
    }
    EXPECT_TRUE(sawEnd);

    // An incomplete instruction at the end of the file is written as it is.
    LoaderRig t;
    ASSERT_TRUE(t.run(t.request(t.file("tail.bin", Bytes{0x00, 0x75, 0x80}), memkind::Program, fileformat::Binary,
                                loadflag::Convert2)));
    EXPECT_EQ(t.code(0, 3), (Bytes{0x00, 0x75, 0xE8}));
    EXPECT_FALSE(t.loader->Failed());
}

// HEX records of 16 bytes each, with the end record.
std::string hexOf(const Bytes& bytes, std::uint16_t at, std::size_t perRecord) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += perRecord) {
        const std::size_t n = std::min(perRecord, bytes.size() - i);
        const auto address = static_cast<std::uint16_t>(at + i);
        unsigned sum = static_cast<unsigned>(n + (address >> 8) + (address & 0xFF));
        text += Format(":%.2X%.4X00", static_cast<unsigned>(n), address);
        for (std::size_t k = 0; k < n; ++k) {
            text += Format("%.2X", bytes[i + k]);
            sum += bytes[i + k];
        }
        text += Format("%.2X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    }
    return text + ":00000001FF\n";
}

// The code of a UBROF load that comes from a ".hex" file goes through this
// reader too: an instruction across two write-outs is rewritten whole, a gap
// starts the rewrite afresh, and a record beyond the space is the space's
// range error, never a quiet end of the file.
TEST(LoaderHex, InstructionAcrossWriteOutsGapsAndTheSpaceEnd) {
    LoaderRig r;
    Bytes code(8194, 0x00);
    code[0x1FFF] = 0x75, code[0x2000] = 0x80, code[0x2001] = 0x12;
    ASSERT_TRUE(r.run(r.request(r.file("split.hex", hexOf(code, 0, 16)), memkind::Program, fileformat::IntelHex,
                                loadflag::Convert2)));
    EXPECT_EQ(r.code(0x1FFF, 3), (Bytes{0x75, 0xE8, 0x12}));
    EXPECT_EQ(r.loader->CodeBytes(), 8194u);
    EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "File loaded");
    EXPECT_EQ(r.status.text(platform::LoadField::Caption), "Load hex file");

    // After a gap 0x80 is an opcode, not the operand of the MOV before it.
    LoaderRig g;
    std::string gap = hexOf(Bytes{0x75}, 0x200, 16);
    gap.resize(gap.find(":00000001FF"));
    ASSERT_TRUE(g.run(g.request(g.file("gap.hex", gap + hexOf(Bytes{0x80, 0x12}, 0x300, 16)), memkind::Program,
                                fileformat::IntelHex, loadflag::Convert2)));
    EXPECT_EQ(g.code(0x200, 1), Bytes{0x75});
    EXPECT_EQ(g.code(0x300, 2), (Bytes{0x80, 0x12}));

    LoaderRig t;
    EXPECT_THROW(t.run(t.request(t.file("top.hex", hexOf(Bytes(32, 0x11), 0xFFF0, 32)), memkind::Program,
                                 fileformat::IntelHex)),
                 EVokWinAddressError);
    ASSERT_TRUE(t.run(t.request(t.file("last.hex", hexOf(Bytes(16, 0x22), 0xFFF0, 16)), memkind::Program,
                                fileformat::IntelHex)));
    EXPECT_EQ(t.code(0xFFFF, 1), Bytes{0x22});
}

TEST(LoaderHex, ExamplesLandAsTheFileSays) {
    for (const char* name : {"ports.hex", "hooks.hex", "asmforms.hex", "avrnop.hex"}) {
        LoaderRig r;
        ASSERT_TRUE(r.run(r.request(r.example(name), memkind::Program, fileformat::IntelHex))) << name;
        const auto bytes = readBytes(r.example(name));
        std::size_t total = 0;
        for (const auto& [at, data] : hexRecords(std::string(bytes.begin(), bytes.end()))) {
            EXPECT_EQ(r.code(at, static_cast<int>(data.size())), data) << name << " " << at;
            total += data.size();
        }
        EXPECT_EQ(r.loader->CodeBytes(), total) << name;
        EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "File loaded") << name;
        EXPECT_EQ(r.status.text(platform::LoadField::Caption), "Load hex file");
        EXPECT_EQ(r.sent(), (std::vector<std::uint8_t>{1}));
        EXPECT_EQ(r.status.closes(), 1);
        EXPECT_EQ(r.status.modals(), 0);
        if (std::string(name) == "ports.hex") {
            EXPECT_EQ(r.status.text(platform::LoadField::CodeAnzahl), "358 (0x000166)");
        }
    }
}

TEST(LoaderHex, LongRecordsIntoExternalDataInPiecesOfTheBuffer) {
    LoaderRig r;
    ASSERT_TRUE(r.run(r.request(r.example("asmforms_obs200.hex"), memkind::ExtData, fileformat::IntelHex)));
    const auto pe = r.commands("PE");
    ASSERT_FALSE(pe.empty());
    for (const auto& c : pe) EXPECT_LE(c.bytes[2], 128) << "PE of " << int(c.bytes[2]);
    const auto bytes = readBytes(r.example("asmforms_obs200.hex"));
    for (const auto& [at, data] : hexRecords(std::string(bytes.begin(), bytes.end())))
        for (std::size_t i = 0; i < data.size(); ++i)
            ASSERT_EQ(r.board.xdata(static_cast<std::uint16_t>(at + i)), data[i]) << at + i;
    EXPECT_EQ(r.sent(), (std::vector<std::uint8_t>{3}));
}

TEST(LoaderHex, ExtendedAddressesPlaceCodeInItsBank) {
    LoaderRig r;
    r.fourBanks();
    const Bytes before = r.code(BankedAdresse(0, 0x8000), 4);
    ASSERT_TRUE(r.run(r.request(r.example("banked.hex"), memkind::Program, fileformat::IntelHex)));
    EXPECT_FALSE(r.loader->Failed());
    EXPECT_EQ(r.code(BankedAdresse(1, 0x8000), 4), (Bytes{0xAE, 0x82, 0xAF, 0x83}));
    EXPECT_EQ(r.code(BankedAdresse(0, 0x8000), 4), before);
    r.run(r.request(r.example("portrw_bank1.hex"), memkind::Program, fileformat::IntelHex));
    EXPECT_EQ(r.code(BankedAdresse(1, 0x0000), 3), (Bytes{0x75, 0x80, 0x12}));

    // Into an unbanked space the upper part has nowhere to go.
    for (const char* name : {"banked.hex", "portrw_bank1.hex"}) {
        LoaderRig u;
        try {
            u.run(u.request(u.example(name), memkind::Program, fileformat::IntelHex));
            ADD_FAILURE() << name;
        } catch (const EVokWinFileError& e) {
            EXPECT_EQ(e.message(), "Loading: Format error in file " + u.example(name));
        }
        EXPECT_TRUE(u.sent().empty());
    }
}

TEST(LoaderHex, UpperPartZeroFollowsTheLoadAddress) {
    LoaderRig r;
    r.fourBanks();
    TKommandoStruktur all = r.request(r.example("portrw_srec.hex"), memkind::Program, fileformat::IntelHex, 0,
                                      AllBanksAdresse(0x8000));
    all.flag = true;
    ASSERT_TRUE(r.run(all));
    for (std::uint8_t bank = 0; bank < 4; ++bank)
        EXPECT_EQ(r.code(BankedAdresse(bank, 0x8000), 3), (Bytes{0x75, 0x80, 0x12})) << int(bank);
    EXPECT_FALSE(r.loader->Failed());

    LoaderRig b;
    b.fourBanks();
    const Bytes bank1 = b.code(BankedAdresse(1, 0x9000), 3);
    TKommandoStruktur two =
        b.request(b.example("portrw_srec.hex"), memkind::Program, fileformat::IntelHex, 0, BankedAdresse(2, 0x9000));
    two.flag = true;
    ASSERT_TRUE(b.run(two));
    EXPECT_EQ(b.code(BankedAdresse(2, 0x9000), 3), (Bytes{0x75, 0x80, 0x12}));
    EXPECT_EQ(b.code(BankedAdresse(1, 0x9000), 3), bank1);
}

TEST(LoaderHex, OffsetFromTheFirstDataRecord) {
    for (const char* name : {"portrw_srec.hex", "portrw.hex"}) {
        LoaderRig r;
        TKommandoStruktur q =
            r.request(r.example(name), memkind::Program, fileformat::IntelHex, 0, UnbankedAdresse(0x4000));
        q.flag = true;
        ASSERT_TRUE(r.run(q));
        EXPECT_EQ(r.code(0x4000, 3), (Bytes{0x75, 0x80, 0x12})) << name;
        EXPECT_EQ(r.code(0x4030, 3), (Bytes{0x00, 0x80, 0xFD})) << name;
    }
}

// The line that starts so gets a wrong checksum.
std::string spoil(std::string text, const std::string& line) {
    const auto at = text.find(line);
    EXPECT_NE(at, std::string::npos) << line;
    char& last = text[text.find_first_of("\r\n", at) - 1];
    last = last == '0' ? '1' : '0';
    return text;
}

TEST(LoaderHex, RecordErrorsAndSkippedRecords) {
    const auto textOf = [](const std::string& name) {
        const auto b = readBytes(LoaderRig::example(name));
        return std::string(b.begin(), b.end());
    };
    const std::string checksum = "Loading: Checksum error in file ";
    const std::string format = "Loading: Format error in file ";
    const struct {
        const char* what;
        std::string text;
        bool banked;
        std::string error;  // empty: loads
    } cases[] = {
        {"data checksum", spoil(textOf("portrw.hex"), ":05001000D2BC0200302B"), false, checksum},
        {"start record checksum", spoil(textOf("portrw_start.hex"), ":04000005"), false, ""},
        {"upper-zero checksum", spoil(textOf("portrw_srec.hex"), ":020000040000FA"), false, ""},
        {"bank record checksum", spoil(textOf("portrw_bank1.hex"), ":020000040001F9"), true, checksum},
        {"empty data record ends", ":0100000011EE\n:0000000000\n:0100010022DC\n:00000001FF\n", false, ""},
        {"short line", ":01000000\n", false, format},
        {"plus sign", ":+1000000758012D2A38590B8C2978580A02082FD0A\n", false, format},
        {"blank", ": 1000000758012D2A38590B8C2978580A02082FD0A\n", false, format},
        {"cut after data", ":03003000008" "0FD\n", false, format},
    };
    for (const auto& c : cases) {
        LoaderRig r;
        if (c.banked) r.fourBanks();
        const std::string name = r.file("case.hex", c.text);
        try {
            EXPECT_TRUE(r.run(r.request(name, memkind::Program, fileformat::IntelHex)));
            EXPECT_TRUE(c.error.empty()) << c.what;
            EXPECT_FALSE(r.loader->Failed()) << c.what;
        } catch (const EVokWinFileError& e) {
            EXPECT_EQ(e.message(), c.error + name) << c.what;
        }
    }
    // The empty data record ended the file before 0x0001.
    LoaderRig r;
    const Bytes before = r.code(1, 1);
    r.run(r.request(r.file("e.hex", ":0100000011EE\n:0000000000\n:0100010022DC\n"), memkind::Program,
                    fileformat::IntelHex));
    EXPECT_EQ(r.code(0, 1), Bytes{0x11});
    EXPECT_EQ(r.code(1, 1), before);
}

TEST(LoaderHex, ChecksumErrorMidwayCleansUp) {
    LoaderRig r;
    std::string text;
    for (int i = 0; i < 100; ++i) {
        const int at = i * 0x20;
        const int sum = 1 + (at >> 8) + (at & 0xFF) + 0x5A;
        text += Format(":01%.4X005A%.2X\n", at, (-(i == 49 ? sum + 1 : sum)) & 0xFF);
    }
    const std::string name = r.file("gaps.hex", text);
    const Bytes before = r.code(49 * 0x20, 1);
    EXPECT_THROW(r.run(r.request(name, memkind::Program, fileformat::IntelHex)), EVokWinFileError);
    EXPECT_FALSE(r.loader->Loading());
    EXPECT_TRUE(r.loader->Failed());
    EXPECT_EQ(r.code(48 * 0x20, 1), (Bytes{0x5A}));
    EXPECT_EQ(r.code(49 * 0x20, 1), before);
    EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "Loading canceled");
    EXPECT_FALSE(r.status.isOpen());
    EXPECT_TRUE(r.sent().empty());
    // The next load runs.
    EXPECT_TRUE(r.run(r.request(r.example("portrw.hex"), memkind::Program, fileformat::IntelHex)));
}

TEST(LoaderHex, CancelKeepsWhatWasFlushed) {
    LoaderRig r;
    std::string text;
    for (int i = 0; i < 100; ++i) {
        const int at = i * 0x20;
        text += Format(":01%.4X005A%.2X\n", at, (-(1 + (at >> 8) + (at & 0xFF) + 0x5A)) & 0xFF);
    }
    r.status.cancelAfter(10);
    r.status.onQuery([&] { r.clock.advance(TBasisVokWinLoader::PollIntervalMs); });
    EXPECT_FALSE(r.run(r.request(r.file("gaps.hex", text), memkind::Program, fileformat::IntelHex)));
    EXPECT_TRUE(r.loader->Failed());
    EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "Loading canceled");
    EXPECT_EQ(r.status.queries(), 10);
    const std::uint32_t loaded = r.loader->CodeBytes();
    EXPECT_GT(loaded, 0u);
    EXPECT_LT(loaded, 100u);
    for (std::uint32_t i = 0; i < loaded; ++i) EXPECT_EQ(r.code(static_cast<std::uint16_t>(i * 0x20), 1), Bytes{0x5A});
    // Without a moving clock the form is asked once per 50 ms only.
    LoaderRig q;
    q.run(q.request(q.file("gaps.hex", text), memkind::Program, fileformat::IntelHex));
    EXPECT_EQ(q.status.queries(), 1);
}

TEST(LoaderBinary, AllBanksAndTheCommonArea) {
    // Unbanked space: one pass and the warning.
    LoaderRig u;
    ASSERT_TRUE(u.run(u.request(u.example("portrw.bin"), memkind::Program, fileformat::Binary, 0,
                                AllBanksAdresse(0x1000))));
    EXPECT_EQ(u.code(0x1000, 3), (Bytes{0x75, 0x80, 0x12}));
    EXPECT_EQ(u.loader->CodeBytes(), 0x33u);
    EXPECT_NE(std::find(u.status.list().begin(), u.status.list().end(), "Warning: Load: No common bank"),
              u.status.list().end());
    EXPECT_FALSE(u.loader->Failed());

    // Four banks: four passes, complete.
    LoaderRig b;
    b.fourBanks();
    ASSERT_TRUE(b.run(b.request(b.example("portrw.bin"), memkind::Program, fileformat::Binary, 0,
                                AllBanksAdresse(0x9000))));
    EXPECT_EQ(b.loader->CodeBytes(), 4 * 0x33u);
    EXPECT_FALSE(b.loader->Failed());
    for (std::uint8_t bank = 0; bank < 4; ++bank)
        EXPECT_EQ(b.code(BankedAdresse(bank, 0x9030), 3), (Bytes{0x00, 0x80, 0xFD})) << int(bank);
}

TEST(LoaderBinary, TooLargeForTheSpace) {
    LoaderRig r;
    const std::string name = r.file("big.bin", Bytes(0x100, 0));
    try {
        r.run(r.request(name, memkind::Program, fileformat::Binary, 0, UnbankedAdresse(0xFF80)));
        ADD_FAILURE();
    } catch (const EVokWinFileError& e) {
        EXPECT_EQ(e.message(), "Loading: File " + name + " too large (256 bytes) Load Address: FF80");
    }
    EXPECT_TRUE(r.sent().empty());
}

}  // namespace
}  // namespace tarvex::test
