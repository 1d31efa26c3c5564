#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <variant>

#include "core/errors.hpp"
#include "host/load/ubrof_reader.hpp"
#include "platform/exception.hpp"
#include "platform/stream.hpp"
#include "tests/host/ubrof_test_writer.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

using test::UbrofBytes;

TUbrofReader readerOf(const UbrofBytes& bytes) {
    return TUbrofReader(std::make_unique<platform::MemoryStream>(bytes.data()));
}

// The fields a record set, in a fixed order, numbers in hex, each under the
// letter of its place in the record (B bytes, W words, N numbers, V values).
struct Letters {
    std::uint32_t kind = 0;
    std::string Name, Text, Text2;
    std::uint32_t B1 = 0, B2 = 0, B3 = 0, B4 = 0, B5 = 0, W1 = 0, W2 = 0, W3 = 0, Index = 0, Module = 0, Serial = 0;
    std::uint32_t N1 = 0, N2 = 0, N3 = 0, N4 = 0, V1 = 0, V2 = 0, V3 = 0, Size = 0;
    const std::vector<TUbrofVariable>* variables = nullptr;
    const std::vector<TUbrofLocation>* locations = nullptr;
    const std::vector<TUbrofStructUnionElement>* elements = nullptr;
    const std::vector<TUbrofEnumConst>* constants = nullptr;
    const std::vector<std::uint16_t>* parameters = nullptr;
};

struct LetterOf {
    std::uint8_t tag;
    Letters& l;
    void operator()(const TUbrofSkipped& r) { l.Size = r.size; }
    void operator()(const TUbrofModuleHeader& r) {
        l.Name = r.name, l.Text = r.version, l.B1 = r.unknown[0], l.B2 = r.unknown[1], l.B3 = r.unknown[2];
    }
    void operator()(const TUbrofCode& r) { l.Text = r.bytes, l.Size = static_cast<std::uint32_t>(r.bytes.size()); }
    void operator()(const TUbrofModuleEnd& r) { l.N1 = r.unknown1, l.V1 = r.unknown2; }
    void operator()(const TUbrofProgramEnd&) {}
    void operator()(const TUbrofSourceFile& r) { l.Name = r.name, l.N1 = r.lineCount; }
    void operator()(const TUbrofLine& r) {
        l.B1 = r.unknownByte, l.N1 = r.line, l.N2 = r.unknownWords[0], l.N3 = r.unknownWords[1],
        l.N4 = r.unknownWords[2];
    }
    void operator()(const TUbrofBlock& r) {
        l.N1 = static_cast<std::uint32_t>(r.variables.size()), l.variables = &r.variables;
    }
    void operator()(const TUbrofBlockEnd&) {}
    void operator()(const TUbrofEmpty&) {}
    void operator()(const TUbrofType& r) {
        l.kind = r.kind, l.Name = r.name, l.Text = r.text, l.B1 = r.first, l.B2 = r.second, l.W1 = r.baseType;
        l.W2 = r.unknownWords[0], l.W3 = r.unknownWords[1], l.Serial = r.typeNumber, l.N1 = r.count;
        l.V2 = r.value | r.unknown2, l.V3 = r.unknown, l.Size = r.size;
        l.elements = &r.elements, l.constants = &r.constants, l.parameters = &r.parameters;
    }
    void operator()(const TUbrofSymbol& r) {
        const TUbrofVariable& v = r.variable;
        l.Name = v.name, l.Text = r.text, l.B1 = v.kind, l.W1 = v.typeNumber, l.W2 = v.segmentType;
        (tag == ubrof::SymbolValue ? l.V3 : l.V1) = v.value;
        l.N1 = static_cast<std::uint32_t>(v.locations.size()), l.locations = &v.locations;
        l.Module = r.module.value_or(0);
    }
    void operator()(const TUbrofVersion& r) { l.Text = r.version; }
    void operator()(const TUbrofComment& r) { l.Name = r.name, l.Text = r.text, l.Module = r.module.value_or(0); }
    void operator()(const TUbrofTypeSize& r) { l.W1 = r.kind, l.Size = r.size; }
    void operator()(const TUbrofFunction& r) {
        l.Name = r.name, l.N1 = r.unknownWords[0], l.N2 = r.unknownWords[1], l.N3 = r.unknownWords[2],
        l.N4 = r.unknownWords[3], l.variables = &r.variables;
    }
    void operator()(const TUbrofCodePosition& r) { l.W2 = r.segmentType, l.V1 = r.value; }
    void operator()(const TUbrofByte& r) { l.B1 = r.unknown; }
    void operator()(const TUbrofBanking& r) { l.W2 = r.flags; }
    void operator()(const TUbrofWord54& r) { l.Text = r.text, l.W2 = r.unknown; }
    void operator()(const TUbrofRecord7A& r) { l.B1 = r.unknown1, l.W1 = r.unknown2, l.B2 = r.unknown3; }
    void operator()(const TUbrofTimeStamp& r) { l.Text = r.date, l.Text2 = r.time; }
    void operator()(const TUbrofIndexedSource& r) { l.Name = r.name, l.Text = r.date, l.Text2 = r.time, l.Index = r.index; }
    void operator()(const TUbrofSourceIndex& r) { l.Index = r.index; }
    void operator()(const TUbrofTagSizes& r) { l.Text = r.version; }
    void operator()(const TUbrofModuleNumber& r) { l.Module = r.module, l.Size = r.size; }
    void operator()(const TUbrofSegmentNumber& r) { l.Module = r.segment; }
    void operator()(const TUbrofSegments& r) { l.Size = r.size; }
    void operator()(const TUbrofRecordC1& r) {
        l.B1 = r.unknown[0], l.B2 = r.unknown[1], l.B3 = r.unknown[2], l.B4 = r.unknown[3], l.B5 = r.unknown[4];
    }
    void operator()(const TUbrofRecordC3& r) { l.Text = r.text, l.V2 = r.unknown, l.Size = r.size; }
    void operator()(const TUbrofRecordC6& r) {
        l.Name = r.name, l.B1 = r.unknownBytes[0], l.B2 = r.unknownBytes[1], l.W1 = r.unknownBytes[2];
        l.V2 = r.unknown, l.Size = r.size;
    }
    void operator()(const TUbrofRecordC9& r) { l.Text = r.text1, l.Text2 = r.text2, l.Size = r.size; }
    void operator()(const TUbrofExtension& r) {
        l.kind = r.kind, l.Name = r.name, l.Serial = r.serial, l.V3 = r.value, l.W1 = r.unknownWord;
        l.N2 = r.unknown, l.Size = r.size;
    }
    void operator()(const TUbrofRecordCF& r) {
        l.Index = r.index, l.N1 = r.unknown1, l.N2 = r.unknown2, l.N3 = r.unknown3, l.N4 = r.unknown4;
    }
    void operator()(const TUbrofRecordD0& r) { l.V3 = r.unknown; }
};

std::string describe(const TUbrofRecord& rec) {
    Letters r;
    std::visit(LetterOf{rec.tag, r}, rec.body);
    std::string s;
    auto num = [&](const char* name, std::uint32_t v) {
        if (v == 0) return;
        char buf[32];
        std::snprintf(buf, sizeof buf, " %s=%X", name, v);
        s += buf;
    };
    auto str = [&](const char* name, const std::string& v) {
        if (!v.empty()) s += std::string(" ") + name + "='" + v + "'";
    };
    num("kind", r.kind);
    str("Name", r.Name);
    str("Text", r.Text);
    str("Text2", r.Text2);
    num("B1", r.B1), num("B2", r.B2), num("B3", r.B3), num("B4", r.B4), num("B5", r.B5);
    num("W1", r.W1), num("W2", r.W2), num("W3", r.W3);
    num("Index", r.Index), num("Module", r.Module), num("Serial", r.Serial);
    num("N1", r.N1), num("N2", r.N2), num("N3", r.N3), num("N4", r.N4);
    num("V1", r.V1), num("V2", r.V2), num("V3", r.V3), num("Size", r.Size);
    if (r.variables)
        for (const auto& v : *r.variables) {
            s += " var(" + v.name;
            num("k", v.kind), num("seg", v.segmentType), num("val", v.value), num("type", v.typeNumber);
            for (const auto& l : v.locations) num("loc", l.value);
            s += ")";
        }
    if (r.locations)
        for (const auto& l : *r.locations) num("loc", l.address), num("kind", l.kind), num("val", l.value);
    if (r.elements)
        for (const auto& e : *r.elements) {
            s += " el(" + e.name;
            num("off", e.offset), num("type", e.typeNumber), num("v1", e.value1), num("v2", e.value2);
            s += ")";
        }
    if (r.constants)
        for (const auto& c : *r.constants) {
            s += " const(" + c.name;
            num("v", c.value), num("v2", c.value2);
            s += ")";
        }
    if (r.parameters)
        for (auto p : *r.parameters) num("par", p);
    return s;
}

struct LayoutCase {
    const char* what;
    UbrofBytes bytes;
    const char* expected;
};

TEST(UbrofReader, EveryLayoutFillsItsFieldsAndConsumesItsRecord) {
    const UbrofBytes var = UbrofBytes().b(2).w(0x11).d(0x30).l("V").w(3);
    const UbrofBytes loc = UbrofBytes().w(9).d(0x10).b(2).w(0x11).d(0x31);
    const LayoutCase cases[] = {
        {"module header", UbrofBytes{0x00, 1, 2, 3, 4, 5, 6}.l("MAIN"),
         " Name='MAIN' Text='4.5.6' B1=1 B2=2 B3=3"},
        {"code", UbrofBytes{0x39}.l("abc"), " Text='abc' Size=3"},
        {"module end", UbrofBytes{0x3D}.w(5).d(7).w(0xFFFF), " N1=5 V1=7"},
        {"program end", UbrofBytes{0x3F}.w(0xFFFF), ""},
        {"source file", UbrofBytes{0x46}.w(2).l("a.c").ws("x").ws("y"), " Name='a.c' N1=2"},
        {"line", UbrofBytes{0x47}.w(1).w(2).w(3).w(4).b(5), " B1=5 N1=1 N2=2 N3=3 N4=4"},
        {"block", UbrofBytes{0x48}.w(1).append(var), " N1=1 var(V k=2 seg=11 val=30 type=3)"},
        {"block with lives", UbrofBytes{0xA8}.w(1).append(var).w(1).append(loc),
         " N1=1 var(V k=2 seg=11 val=30 type=3 loc=31)"},
        {"block end", UbrofBytes{0x49}, ""},
        {"symbol", UbrofBytes{0x4C}.b(1).w(2).d(3).l("S").w(4).l("t"), " Name='S' Text='t' B1=1 W1=4 W2=2 V1=3"},
        {"symbol with lives", UbrofBytes{0xA6}.b(1).w(2).d(3).l("S").w(4).w(1).append(loc).l(""),
         " Name='S' B1=1 W1=4 W2=2 N1=1 V1=3 loc=10 kind=2 val=31"},
        {"symbol value", UbrofBytes{0xCE}.b(1).w(2).d(3).l("S").w(4).w(0).l(""), " Name='S' B1=1 W1=4 W2=2 V3=3"},
        {"version", UbrofBytes{0x4D, 7, 8, 9}, " Text='7.8.9'"},
        {"comment", UbrofBytes{0x4E}.l("n").ws("text"), " Name='n' Text='text'"},
        {"type size", UbrofBytes{0x4F, 3, 2}, " W1=3 Size=2"},
        {"function", UbrofBytes{0x50}.l("F").w(1).w(2).w(3).w(4).w(1).append(var),
         " Name='F' N1=1 N2=2 N3=3 N4=4 var(V k=2 seg=11 val=30 type=3)"},
        {"function with lives", UbrofBytes{0xA7}.l("F").w(1).w(2).w(3).w(4).w(1).append(var).w(0),
         " Name='F' N1=1 N2=2 N3=3 N4=4 var(V k=2 seg=11 val=30 type=3)"},
        {"code position", UbrofBytes{0x51, 1}.d(0x030000), " W2=1 V1=30000"},
        {"byte", UbrofBytes{0x52, 9}, " B1=9"},
        {"banking", UbrofBytes{0x53}.w(2), " W2=2"},
        {"word and text", UbrofBytes{0x54}.w(2).l("t"), " Text='t' W2=2"},
        {"7A", UbrofBytes{0x7A, 1}.w(2).b(3), " B1=1 B2=3 W1=2"},
        {"7B", UbrofBytes{0x7B, 1}, " B1=1"},
        {"time stamp", UbrofBytes{0xA5, 1, 2, 3, 4, 5, 6}, " Text='4.5.6' Text2='1:2:3'"},
        {"indexed source", UbrofBytes{0xB9}.w(7).ws("m.c").group(1, 2, 3).group(4, 5, 6),
         " Name='m.c' Text='4.5.6' Text2='1:2:3' Index=7"},
        {"source index", UbrofBytes{0xBA}.w(7), " Index=7"},
        {"tag sizes", UbrofBytes{0xBD, 1, 2, 3, 1, 0x60, 0xFE}, " Text='1.2.3'"},
        {"module number", UbrofBytes{0xBE}.d(9).w(3), " Module=3 Size=9"},
        {"segment number", UbrofBytes{0xBF}.w(4), " Module=4"},
        {"segments", UbrofBytes{0xC0}.d(1).w(1).b(2).d(3).l("CODE").w(1).d(4).d(5), " Size=1"},
        {"C1", UbrofBytes{0xC1, 1, 2, 3, 4, 5}, " B1=1 B2=2 B3=3 B4=4 B5=5"},
        {"C3", UbrofBytes{0xC3}.w(1).d(2).l("t"), " Text='t' V2=2 Size=1"},
        {"C6", UbrofBytes{0xC6}.w(1).b(2).b(3).b(4).d(5).l("n"), " Name='n' B1=2 B2=3 W1=4 V2=5 Size=1"},
        {"C9", UbrofBytes{0xC9}.d(1).ds("ab").ds("c"), " Text='ab' Text2='c' Size=1"},
        {"CD kind 1", UbrofBytes{0xCD}.d(10).b(1).ds("ab").d(3), " kind=1 Name='ab' Serial=1 V3=3 Size=A"},
        {"CD kind 2", UbrofBytes{0xCD}.d(7).b(2).d(3).w(4), " kind=2 W1=4 Serial=1 V3=3 Size=7"},
        {"CD kind 3", UbrofBytes{0xCD}.d(9).b(3).d(3).d(4), " kind=3 Serial=1 N2=4 V3=3 Size=9"},
        {"CD other kind", UbrofBytes{0xCD}.d(10).b(7).bytes({1, 2, 3, 4, 5, 6, 7, 8, 9}), " kind=7 Serial=1 Size=A"},
        {"CF", UbrofBytes{0xCF}.w(1).d(2).w(3).d(4).w(5), " Index=1 N1=2 N2=3 N3=4 N4=5"},
        {"D0", UbrofBytes{0xD0}.d(6), " V3=6"},
        {"FF", UbrofBytes{0xFF}, ""},
    };
    for (const auto& c : cases) {
        auto reader = readerOf(c.bytes);
        const auto rec = reader.NextRecord();
        EXPECT_EQ(describe(*rec), c.expected) << c.what;
        EXPECT_TRUE(reader.Eof()) << c.what;
        test::WriteSeed("fuzz_ubrof_reader", std::string("layout_") + c.what, c.bytes.data());
    }
}

TEST(UbrofReader, EveryTypeKindFillsItsFields) {
    const LayoutCase cases[] = {
        {"15", UbrofBytes{0x4A}.w(100).b(15).w(3), " kind=F W1=3 Serial=64"},
        {"31", UbrofBytes{0x4A}.w(100).b(31).w(3), " kind=1F W1=3 Serial=64"},
        {"53", UbrofBytes{0x4A}.w(100).b(53).w(3), " kind=35 W1=3 Serial=64"},
        {"16", UbrofBytes{0x4A}.w(100).b(16).w(3).d(8).w(4), " kind=10 W1=3 Serial=64 N1=4 Size=8"},
        {"41", UbrofBytes{0x4A}.w(100).b(41).w(3).d(8).d(4), " kind=29 W1=3 Serial=64 N1=4 Size=8"},
        {"17", UbrofBytes{0x4A}.w(101).b(17).l("S").d(4).w(2).d(0).l("A").w(4).d(2).l("B").w(100),
         " kind=11 Name='S' Serial=65 N1=2 Size=4 el(A type=4) el(B off=2 type=64)"},
        {"18", UbrofBytes{0x4A}.w(101).b(18).l("U").d(2).w(1).l("A").w(4),
         " kind=12 Name='U' Serial=65 N1=1 Size=2 el(A type=4)"},
        {"52", UbrofBytes{0x4A}.w(101).b(52).d(1).d(2).d(3).d(1).d(5).d(6).w(7).d(8),
         " kind=34 Serial=65 N1=1 V2=2 V3=1 Size=3 el( off=8 type=7 v1=5 v2=6)"},
        {"19", UbrofBytes{0x4A}.w(100).b(19).b(1).b(3).w(3), " kind=13 B1=1 B2=3 W1=3 Serial=64"},
        {"20", UbrofBytes{0x4A}.w(100).b(20).w(3).b(1).b(2).w(4).w(101),
         " kind=14 B1=1 W1=3 Serial=64 N1=2 par=4 par=65"},
        {"35", UbrofBytes{0x4A}.w(100).b(35).w(3).b(1).d(0x30).b(1).w(4),
         " kind=23 B1=1 W1=3 Serial=64 N1=1 V2=30 par=4"},
        {"21", UbrofBytes{0x4A}.w(100).b(21).b(9).w(3), " kind=15 W1=3 Serial=64 V2=9"},
        {"36", UbrofBytes{0x4A}.w(100).b(36).d(9).w(3), " kind=24 W1=3 Serial=64 V2=9"},
        {"42", UbrofBytes{0x4A}.w(100).b(42).b(1).w(3).d(9).l("t"), " kind=2A Text='t' B1=1 W1=3 Serial=64 V2=9"},
        {"44", UbrofBytes{0x4A}.w(100).b(44).w(3).l("E").d(1).l("A").d(5),
         " kind=2C Name='E' W1=3 Serial=64 N1=1 const(A v=5)"},
        {"51", UbrofBytes{0x4A}.w(100).b(51).w(3).d(7).d(1).d(5).d(6),
         " kind=33 W1=3 Serial=64 N1=1 V3=7 const( v=5 v2=6)"},
        {"49", UbrofBytes{0x4A}.w(100).b(49).w(3).d(7), " kind=31 W1=3 Serial=64 V3=7"},
        {"50", UbrofBytes{0x4A}.w(100).b(50).w(3).w(4).w(5), " kind=32 W1=3 W2=4 W3=5 Serial=64"},
        {"22", UbrofBytes{0x4A}.w(100).b(22), " kind=16 Serial=64"},
    };
    for (const auto& c : cases) {
        auto reader = readerOf(c.bytes);
        const auto rec = reader.NextRecord();
        EXPECT_EQ(describe(*rec), c.expected) << "kind " << c.what;
        EXPECT_TRUE(reader.Eof()) << "kind " << c.what;
        test::WriteSeed("fuzz_ubrof_reader", std::string("type_") + c.what, c.bytes.data());
    }
}

TEST(UbrofReader, DeclaredTagsAreSkippedAndUndeclaredOnesRefused) {
    const auto bytes = UbrofBytes{0xBD, 0, 0, 0, 1, 0x60, 0xFE, 0x60, 0x00, 0x03, 0xAA, 0xBB, 0xCC, 0x61, 0x00};
    test::WriteSeed("fuzz_ubrof_reader", "declared_tag", bytes.data());
    auto reader = readerOf(bytes);
    reader.NextRecord();
    EXPECT_EQ(reader.DeclaredSize(0x60), 0xFE);
    const auto skipped = reader.NextRecord();
    EXPECT_EQ(skipped->tag, 0x60);
    EXPECT_EQ(std::get<TUbrofSkipped>(skipped->body).size, 3u);
    try {
        reader.NextRecord();
        FAIL() << "tag 0x61 was read";
    } catch (const EUbrofRecord& e) {
        EXPECT_STREQ(e.what(), "Unbekanntes Tag: 61");
    }
}

TEST(UbrofReader, LengthsBeyondTheFileFailBeforeAnythingIsReserved) {
    const UbrofBytes cases[] = {
        UbrofBytes{0xCD, 0, 0, 0, 0, 7},                    // a 0xCD length that does not cover its kind byte
        UbrofBytes{0xCD}.d(0x7FFFFFF0).b(7),                // a 0xCD length beyond the file
        UbrofBytes{0xC9}.d(1).d(0x7FFFFFF0).raw("x"),       // a D-string beyond the file
        UbrofBytes{0x48}.w(0xFFFF).bytes({1, 2, 3}),        // a variable count
        UbrofBytes{0xC0}.d(0).w(0xFFFF),                    // a segment count
        UbrofBytes{0x4A}.w(100).b(52).d(0).d(0).d(0).d(0xFFFFFFFF),  // a member count
        UbrofBytes{0x4A}.w(100).b(44).w(0).l("").d(0xFFFFFFFF),      // a constant count
        UbrofBytes{0x46}.w(0xFFFF).l("a.c"),                // a line count
        UbrofBytes{0xBD, 0, 0, 0, 1, 0x60, 0xFF, 0x60}.d(0xFFFFFFFF),  // a declared 32-bit length
    };
    int n = 0;
    for (const auto& c : cases) {
        auto reader = readerOf(c);
        EXPECT_THROW(
            {
                while (!reader.Eof()) reader.NextRecord();
            },
            EReadError)
            << "case " << n;
        test::WriteSeed("fuzz_ubrof_reader", "bounds_" + std::to_string(n++), c.data());
    }
}

TEST(UbrofReader, ModuleNumberAndSerialFollowTheirRecords) {
    const auto bytes = UbrofBytes{0xBE, 0, 0, 0, 0, 0, 3, 0x4E, 1, 0x58, 0, 0}
                           .bytes({0xCD, 0, 0, 0, 1, 9, 0xCD, 0, 0, 0, 1, 9})
                           .bytes({0x3F, 0, 0, 0x4E, 1, 0x58, 0, 0});
    test::WriteSeed("fuzz_ubrof_reader", "module_serial", bytes.data());
    auto reader = readerOf(bytes);
    reader.NextRecord();
    const auto named = reader.NextRecord();
    const auto moduleOf = [](const TUbrofRecord& rec) { return std::get<TUbrofComment>(rec.body).module; };
    const auto serialOf = [](const TUbrofRecord& rec) { return std::get<TUbrofExtension>(rec.body).serial; };
    EXPECT_TRUE(moduleOf(*named).has_value());
    EXPECT_EQ(moduleOf(*named).value_or(0), 3);
    EXPECT_EQ(serialOf(*reader.NextRecord()), 1u);
    EXPECT_EQ(serialOf(*reader.NextRecord()), 2u);
    reader.NextRecord();
    const auto unnamed = reader.NextRecord();
    EXPECT_FALSE(moduleOf(*unnamed).has_value());
    EXPECT_EQ(moduleOf(*unnamed).value_or(0), 0);
}

TEST(UbrofReader, EmbeddedSourcesAreWrittenOnlyWhenAllowedAndOnlyBesideTheObjectFile) {
    struct Case {
        const char* name;
        bool allow;
        bool preexisting;
        const char* written;  // the file expected in the folder, or nullptr
    } cases[] = {
        {"a.c", true, false, "a.c"},        {"a.c", false, false, nullptr},
        {"a.c", true, true, nullptr},       {"../../x.c", true, false, "x.c"},
        {"..\\..\\x.c", true, false, "x.c"}, {"/abs/dir/x.c", true, false, "x.c"},
        {"..", true, false, nullptr},       {"", true, false, nullptr},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        const auto obj = dir.file("prog.r03");
        const auto bytes = UbrofBytes{0x46}.w(1).l(c.name).ws("int");
        test::writeBytes(obj, bytes.data());
        if (c.preexisting) test::writeBytes(dir.file("a.c"), {'o', 'l', 'd'});
        TUbrofReader reader;
        reader.SetFileName(obj);
        reader.SetWriteSources(c.allow);
        reader.NextRecord();
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
        const std::size_t expected = 1 + (c.preexisting ? 1 : 0) + (c.written ? 1 : 0);
        EXPECT_EQ(files, expected) << c.name;
        if (c.written) {
            const auto text = test::readBytes(dir.file(c.written));
            EXPECT_EQ(std::string(text.begin(), text.end()), "int\r\n") << c.name;
        }
        if (c.preexisting) {
            EXPECT_EQ(test::readBytes(dir.file("a.c")).size(), 3u);
        }
    }
}

}  // namespace
}  // namespace tarvex
