#include "core/omf_typedefs.hpp"

#include <gtest/gtest.h>

#include <chrono>

#include "core/omf_reader.hpp"
#include "tests/support/omf_test_writer.hpp"

namespace tarvex::test {
namespace {

// ---------------------------------------------------------------- OMF-51

// One definition of every kind, type indexes of both widths among them.
OmfBody allOmf51Kinds() {
    return OmfBody()
        .u8(0x20).u16(2).u16(0).ti(0x21).name("lo").u16(2).ti(0x0123, 3).name("hi")
        .u8(0x21).ti(0x0456, 3)
        .u8(0x22).u8(2).u16(10).u16(300).ti(0x21)
        .u8(0x23).ti(0x22).ti(0x0180, 3)
        .u8(0x24).ti(0x23).name("word_t")
        .u8(0x25).u16(12).ti(0x20).ti(0x24)
        .u8(0x26).u8(1).u8(3).u8(2)
        .u8(0x27).ti(0x22).u8(2).u8(4)
        .u8(0x28).u8(1).u8(3).u8(5).u8(7).u8(0xEE).u16(0xBEEF).ti(0x0999, 3);
}

TEST(OmfTypedef51, EveryKindIsWrittenBackByteForByte) {
    const OmfBody body = allOmf51Kinds();
    OmfFile f;
    f.record(omf::Typedefs51, body);
    auto r = readerOver(f.bytes());
    auto rec = r->ReadRecord();
    ASSERT_EQ(rec->typedefs.size(), 9u);
    EXPECT_EQ(rec->remaining, 1);

    TBasicFiler out;
    out.SetLittleEndian(true);
    out.ResetBuffer();
    std::size_t counted = 0;
    for (const auto& def : rec->typedefs) {
        def->WriteTo(out);
        counted += static_cast<const TOmf51Typedef&>(*def).byteCount;
    }
    const auto written = out.WrittenBytes();
    EXPECT_EQ(std::vector<std::uint8_t>(written.begin(), written.end()), body.data());
    EXPECT_EQ(counted, body.data().size());
}

TEST(OmfTypedef51, Texts) {
    OmfFile f;
    f.record(omf::Typedefs51, allOmf51Kinds());
    f.record(omf::Typedefs51, OmfBody().u8(0x2A));
    auto r = readerOver(f.bytes());
    auto all = readAll(*r);
    std::vector<std::string> texts;
    for (const auto& rec : all)
        for (const auto& def : rec->typedefs) texts.push_back(def->GetText());
    ASSERT_EQ(texts.size(), 10u);
    EXPECT_EQ(texts[0], "0003 List Anzahl: 2 Pos.: 0006 Offset: 0000 Type: 0021 lo Pos.: 000C Offset: 0002 Type: 0123 hi");
    EXPECT_EQ(texts[1], "0014 Pointer $21 Type: 0456");
    EXPECT_EQ(texts[2], "0018 Array Dimensionen: 2 10 300 Type: 0021");
    EXPECT_EQ(texts[3], "001F Function Type: 0022 ListType: 0180");
    EXPECT_EQ(texts[4], "0024 Type Type: 0023 word_t");
    EXPECT_EQ(texts[5], "002D Struct Size: 12 NameType: 0024 ListType: 0020");
    EXPECT_EQ(texts[6], "0032 BitField BaseType: 0001 BitOffset: 3 BitWidth: 2");
    EXPECT_EQ(texts[7], "0036 SpacedPointer Type: 0022 Größe: 2 Speicher: 4");
    EXPECT_EQ(texts[8], "003A GenericPointer Type: 0999 Größe: 3 Speicher: 5 Attr: 1 PtrSpec: 7");
    EXPECT_EQ(texts[9], "0049 RecType: 2A");
}

TEST(OmfTypedef51, ArrayConsumesItsDimensionsAndTypeIndex) {
    OmfFile f;
    f.record(omf::Typedefs51, OmfBody().u8(0x22).u8(2).u16(10).u16(300).ti(0x0101, 3));
    auto r = readerOver(f.bytes());
    auto rec = r->ReadRecord();
    const auto& def = static_cast<const TOmf51Typedef&>(*rec->typedefs.at(0));
    EXPECT_EQ(def.byteCount, 1 + 1 + 4 + 3);
    EXPECT_EQ(def.dimensions, (std::vector<std::uint16_t>{10, 300}));
    EXPECT_EQ(def.typeIndex, (OmfTypeIndex{0x0101, 3}));
}

TEST(OmfTypedef51, AnUnknownKindEndsTheRecord) {
    // After kind 0x30 come bytes that would read as a pointer definition.
    OmfFile f;
    f.record(omf::Typedefs51, OmfBody().u8(0x21).ti(5).u8(0x30).u8(0x21).u8(0x21).u8(0x21).u8(0x21));
    f.record(omf::ModuleEnd, OmfBody().name("M"));
    auto r = readerOver(f.bytes());
    auto rec = r->ReadRecord();
    ASSERT_EQ(rec->typedefs.size(), 2u);
    EXPECT_EQ(rec->typedefs[1]->kind, 0x30);
    EXPECT_EQ(rec->typedefs[1]->GetText(), "0005 RecType: 30");
    EXPECT_EQ(r->ReadRecord()->name, "M");
}

TEST(OmfTypedef51, ListLongerThanItsRecordIsAFormatError) {
    OmfFile f;
    f.record(omf::Typedefs51, OmfBody().u8(0x20).u16(0xFFFF).u16(0).ti(1).name("a"));
    f.record(omf::ModuleEnd, OmfBody().name("M"));
    auto r = readerOver(f.bytes());
    EXPECT_THROW(r->ReadRecord(), EOmfFormatError);
}

// ---------------------------------------------------------------- OMF2

// One 0x98 record per kind; they are numbered 128 upwards.
OmfFile allOmf2Kinds() {
    OmfFile f;
    f.record(omf::Typedef2, OmfBody().u8(0x20).addr(0x10, 1).u16(3).u16(0x0082).u16(0xFFFF).name("field"));  // 128
    f.record(omf::Typedef2, OmfBody().u8(0x21).u16(0x8003).u16(0x0080).u16(0x0005).u16(0x0090));             // 129
    f.record(omf::Typedef2, OmfBody().u8(0x22).u8(16).u8(0).u16(2).u16(9).u16(0).u16(0x0081));              // 130
    f.record(omf::Typedef2, OmfBody().u8(0x23).u8(2).u8(0x1A).u16(3).u32(4).u32(0x10005));                   // 131
    f.record(omf::Typedef2, OmfBody().u8(0x24).u8(0).u32(0xA5).addr(16, 1).addr(2).u32(0xFF).u16(6).u16(0x83)
                                .u16(0x0099));                                                               // 132
    f.record(omf::Typedef2, OmfBody().u8(0x25).u8(1).u32(6).u16(0x0081).name("point"));                       // 133
    f.record(omf::Typedef2, OmfBody().u8(0x26).u16(4).u8(3).u8(5));                                           // 134
    f.record(omf::Typedef2, OmfBody().u8(0x27).u8(4).u16(0x0085).u32(0).name("point_t"));                     // 135
    f.record(omf::Typedef2, OmfBody().u8(0x25).u8(9).u32(1).u16(0x008A).name("odd"));                         // 136
    f.record(omf::Typedef2, OmfBody().u8(0x3F).bytes({1, 2, 3, 4}));                                          // 137
    return f;
}

TEST(OmfTypedef2, TextsAndKindNames) {
    auto r = readerOver(allOmf2Kinds().bytes());
    auto all = readAll(*r);
    ASSERT_EQ(r->typeDefinitions().size(), 10u);
    std::vector<std::string> texts, names;
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i]->typeIndex.value, 128 + i);
        const auto& def = static_cast<const TOmf2Typedef&>(*all[i]->typedefs.at(0));
        texts.push_back(def.GetText());
        names.push_back(def.KindName());
        EXPECT_EQ(r->TypedefByNumber(static_cast<std::uint32_t>(128 + i))->GetText(), texts.back());
    }
    EXPECT_EQ(texts[0], "COMPONENT Offset: 00000010 (Bits) MemClassIdx: 0003 TypeIndex: 0082 Name: field");
    EXPECT_EQ(texts[1], "COMPONENT-LIST Anzahl: 3 TIs: 0080 0005 0090");
    EXPECT_EQ(texts[2], "POINTER(16) VendorId: 0 Attribute: 2 MemClassIdx: 0009 TypeIndex: 0081");
    EXPECT_EQ(texts[3], "ARRAY Dimensionen: 2 Attrib: 1A TypeIndex: 0003 DimSize(1): 4 DimSize(2): 5");
    EXPECT_EQ(texts[4], "FUNCTION VendorId: 0 Attribute: 000000A5 FrameSize: 16 (Bits) LocalSize: 2 PushMask: 000000FF "
                        "MemClassIdx: 0006 TypeIndex: 0083 TypeIndexList: 0099");
    EXPECT_EQ(texts[5], "STRUCT Size: 6 TypeIndexList: 0081 Name: point");
    EXPECT_EQ(texts[6], "BITFIELD BaseScalarType: 0004 BitOffset: 3 BitWidth: 5");
    EXPECT_EQ(texts[7], "TYPETAG-ID Typedef TypeIndex: 0085 Name: point_t");
    EXPECT_EQ(texts[8], "Element 09 Size: 1 TypeIndexList: 008A Name: odd");
    EXPECT_EQ(texts[9], "");
    EXPECT_EQ(names, (std::vector<std::string>{"COMPONENT", "COMPONENT-LIST", "POINTER(16)", "ARRAY", "FUNCTION",
                                               "STRUCT", "BITFIELD", "TYPETAG-ID", "Element 09", "unknown: 3F"}));
    EXPECT_EQ(r->TypedefByNumber(127), nullptr);
    EXPECT_EQ(r->TypedefByNumber(138), nullptr);
}

TEST(OmfTypedef2, IndexItemOutsideTheListIsZero) {
    auto r = readerOver(allOmf2Kinds().bytes());
    readAll(*r);
    const TOmf2Typedef* list = r->TypedefByNumber(129);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count, 3);
    EXPECT_EQ(list->IndexItem(0), 0x0080);
    EXPECT_EQ(list->IndexItem(2), 0x0090);
    EXPECT_EQ(list->IndexItem(3), 0);
    EXPECT_EQ(list->IndexItem(-1), 0);
}

TEST(OmfTypedef2, ListOfTwelveOrMoreEndsWithDots) {
    OmfBody b;
    b.u8(0x21).u16(13);
    for (int i = 0; i < 13; ++i) b.u16(i);
    OmfFile f;
    f.record(omf::Typedef2, b);
    auto r = readerOver(f.bytes());
    auto rec = r->ReadRecord();
    EXPECT_EQ(rec->typedefs[0]->GetText(),
              "COMPONENT-LIST Anzahl: 13 TIs: 0000 0001 0002 0003 0004 0005 0006 0007 0008 0009 000A 000B ...");
}

TEST(OmfTypedef2, TypeCheckReportsEveryMissingIndex) {
    OmfFile f = allOmf2Kinds();
    f.record(omf::TypeCheck, OmfBody());
    auto r = readerOver(f.bytes());
    EXPECT_FALSE(r->missingTypedefs());
    readAll(*r);
    EXPECT_TRUE(r->missingTypedefs());
    EXPECT_EQ(r->messages(), (std::vector<std::string>{
                                 "Missing type index: 0090 in typedef 0081 (COMPONENT-LIST)",
                                 "Missing type index list: 0099 in typedef 0084 (FUNCTION)",
                                 "Missing type index list: 008A in typedef 0088 (Element 09)",
                             }));
}

TEST(OmfTypedef2, EachCheckSeesOnlyTheDefinitionsAddedSinceTheLast) {
    OmfFile f;
    f.record(omf::Typedef2, OmfBody().u8(0x22).u8(0).u8(0).u16(0).u16(0).u16(0).u16(0x0090));
    f.record(omf::TypeCheck, OmfBody());
    f.record(omf::Typedef2, OmfBody().u8(0x22).u8(0).u8(0).u16(0).u16(0).u16(0).u16(0x0091));
    f.record(omf::TypeCheck, OmfBody());
    f.record(omf::TypeCheck, OmfBody());
    auto r = readerOver(f.bytes());
    readAll(*r);
    EXPECT_EQ(r->messages(), (std::vector<std::string>{
                                 "Missing type index: 0090 in typedef 0080 (POINTER(0))",
                                 "Missing type index: 0091 in typedef 0081 (POINTER(0))",
                             }));
}

TEST(OmfTypedef2, AFloodOfCheckRecordsStaysFastAndTheMessagesBounded) {
    // One list of 30,000 unknown indexes, then 2,000 check records: 68 KB.
    OmfBody list;
    list.u8(0x21).u16(30000);
    for (int i = 0; i < 30000; ++i) list.u16(0x8000 + i);
    OmfFile f;
    f.record(omf::Typedef2, list);
    for (int i = 0; i < 2000; ++i) f.record(omf::TypeCheck, OmfBody());
    auto r = readerOver(f.bytes());
    const auto start = std::chrono::steady_clock::now();
    while (!r->Eof()) {
        r->ReadRecord();
        ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    }
    EXPECT_TRUE(r->missingTypedefs());
    ASSERT_EQ(r->messages().size(), TOmfReader::MaxTypeMessages);
    EXPECT_EQ(r->messages().front(), "Missing type index: 8000 in typedef 0080 (COMPONENT-LIST)");
}

TEST(OmfTypedef2, CompleteTypesPassTheCheck) {
    OmfFile f;
    f.record(omf::Typedef2, OmfBody().u8(0x21).u16(0x8002).u16(0x0003).u16(0x0081));
    f.record(omf::Typedef2, OmfBody().u8(0x20).addr(0).u16(0).u16(0x0080).u16(0).name("self"));
    f.record(omf::TypeCheck, OmfBody());
    auto r = readerOver(f.bytes());
    readAll(*r);
    EXPECT_FALSE(r->missingTypedefs());
    EXPECT_TRUE(r->messages().empty());
    EXPECT_TRUE(r->HasTypedef(0x7F));
    EXPECT_FALSE(r->HasTypedef(0x82));
    EXPECT_TRUE(r->missingTypedefs());
}

TEST(OmfTypedef2, UnknownKindKeepsTheStreamInStep) {
    // The definition's unknown kind reads nothing more; the next record must
    // still start right after this one's checksum.
    OmfFile f;
    f.record(omf::Typedef2, OmfBody().u8(0x3F).bytes({0x04, 0x02, 0x00, 0x01}));
    f.record(omf::ModuleEnd, OmfBody().name("M"));
    auto r = readerOver(f.bytes());
    auto rec = r->ReadRecord();
    EXPECT_EQ(rec->remaining, 5);
    EXPECT_EQ(r->ReadRecord()->name, "M");
    EXPECT_TRUE(r->Eof());
}

TEST(OmfTypedef2, ComponentListCountIsBoundedByItsRecord) {
    OmfFile f;
    f.record(omf::Typedef2, OmfBody().u8(0x21).u16(0x7FFF).u16(1));
    auto r = readerOver(f.bytes());
    EXPECT_THROW(r->ReadRecord(), EOmfFormatError);
    EXPECT_TRUE(r->typeDefinitions().empty());
    EXPECT_EQ(r->nextTypedefNumber(), 128);
}

}  // namespace
}  // namespace tarvex::test
