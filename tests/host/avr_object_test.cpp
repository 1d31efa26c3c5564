#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "host/load/avr_object.hpp"
#include "platform/exception.hpp"
#include "platform/stream.hpp"
#include "tests/host/ubrof_test_writer.hpp"

namespace tarvex {
namespace {

using test::UbrofBytes;  // big-endian fields serve the AVR object format too

struct Rec {
    std::uint32_t word;
    std::uint16_t opcode;
    std::uint8_t file;
    std::uint16_t line;
};

// The object file avra writes for examples/src/avrdefs.asm.
const Rec AvrdefsRecords[] = {{0x000000, 0xC011, 0, 9},  {0x000010, 0x940C, 0, 11}, {0x000011, 0x0012, 0, 11},
                              {0x000012, 0xE102, 0, 12}, {0x000013, 0x2F10, 0, 13}, {0x000014, 0xCFFD, 0, 14}};

UbrofBytes objectFile(std::uint8_t recordLength = 9, std::string_view id = "AVR Object File",
                      std::string_view second = "avrregs.inc", std::uint32_t tableShift = 0) {
    UbrofBytes head;
    head.b(recordLength).b(2).raw(id).b(0);
    const auto first = static_cast<std::uint32_t>(8 + head.data().size());
    const auto table = first + static_cast<std::uint32_t>(std::size(AvrdefsRecords)) * 9 + tableShift;
    UbrofBytes file;
    file.d(table).d(first).append(head);
    for (const auto& r : AvrdefsRecords) file.b(r.word >> 16).w(r.word & 0xFFFF).w(r.opcode).b(r.file).w(r.line).b(0);
    return file.raw("avrdefs.asm").b(0).raw(second).b(0).b(0);
}

TAvrObjReader readerOf(const UbrofBytes& bytes) {
    return TAvrObjReader(std::make_unique<platform::MemoryStream>(bytes.data()));
}

TEST(AvrObject, ReadsHeaderNamesAndWordAddressedRecords) {
    const auto file = objectFile();
    test::WriteSeed("fuzz_avr_object", "avrdefs.obj", file.data());
    auto reader = readerOf(file);
    reader.ReadHeader();
    EXPECT_EQ(reader.NameTableOffset(), 0x50);
    EXPECT_EQ(reader.FirstRecordOffset(), 0x1A);
    reader.ReadFileNames();
    EXPECT_EQ(reader.FileName(0), "avrdefs.asm");
    EXPECT_EQ(reader.FileName(1), "avrregs.inc");
    EXPECT_EQ(reader.FileName(2), "");
    for (const auto& expected : AvrdefsRecords) {
        ASSERT_FALSE(reader.AtEnd());
        const auto r = reader.NextRecord();
        EXPECT_EQ(r.address, expected.word);
        EXPECT_EQ(r.ByteAddress(), expected.word * 2);
        EXPECT_EQ(r.opcode, expected.opcode);
        EXPECT_EQ(r.line, expected.line);
    }
    EXPECT_TRUE(reader.AtEnd());
}

TEST(AvrObject, BrokenHeadersAndNamesAreRefused) {
    struct Case {
        const char* what;
        UbrofBytes file;
        const char* message;  // nullptr: the format error
    } cases[] = {
        {"record length", objectFile(8), "Falsche AVR-Objekt-Record-Länge: 8"},
        {"identification", objectFile(9, "AVR Object Fil"), "Falscher AOF String: AVR Object Fil"},
        {"empty name", objectFile(9, "AVR Object File", ""), "Fehler: Dateiname 2 ist leer!"},
        {"table beyond the file", objectFile(9, "AVR Object File", "avrregs.inc", 0x1000), nullptr},
        {"partial record", objectFile(9, "AVR Object File", "avrregs.inc", 4), nullptr},
        {"truncated", UbrofBytes().d(0x50).d(0x1A), nullptr},
    };
    for (const auto& c : cases) {
        test::WriteSeed("fuzz_avr_object", std::string("broken_") + c.what, c.file.data());
        auto reader = readerOf(c.file);
        try {
            reader.ReadHeader();
            reader.ReadFileNames();
            ADD_FAILURE() << c.what << " was accepted";
        } catch (const EAvrObjError& e) {
            EXPECT_STREQ(e.what(), c.message ? c.message : "(format error)") << c.what;
        } catch (const EReadError&) {
            EXPECT_EQ(c.message, nullptr) << c.what;
        }
    }
}

TEST(AvrObject, DefLinesGiveAliasAndRegister) {
    struct Case {
        const char* line;
        const char* name;
        const char* value;
    } cases[] = {
        {".def temp = r16 ; work register", "temp", "r16"},
        {".def\tcnt\t=\tr17", "cnt", "r17"},
        {".def idx=r18", "idx", "r18"},
        {".def  spaced  =  r19", "spaced", "r19"},
        {".def\tXH\t= r27", "XH", "r27"},
        {".DEF a =r20", "a", "r20"},
        {"  .def b= r21\r", "b", "r21"},
        {".equ SIZE = 4", "", ""},
        {"; .def c = r22", "", ""},
        {".def d =", "", ""},
        {".def", "", ""},
    };
    for (const auto& c : cases) {
        const auto def = ParseAvrDefLine(c.line);
        const bool empty = *c.value == 0;
        EXPECT_EQ(def.name, empty ? "" : c.name) << c.line;
        EXPECT_EQ(def.value, c.value) << c.line;
    }
}

}  // namespace
}  // namespace tarvex
