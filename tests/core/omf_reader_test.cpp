#include "core/omf_reader.hpp"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/omf_test_writer.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex::test {
namespace {

// ---------------------------------------------------------------- framing

TEST(OmfReaderFraming, RecordOfLengthOneIsOnlyItsChecksum) {
    OmfFile f;
    f.recordWithLength(omf::TypeCheck, 1, OmfBody{0x39}, false);  // C6 + 01 + 39 = 0x100
    auto r = readerOver(f.bytes());
    auto rec = r->ReadRecord();
    EXPECT_EQ(rec->recordType, omf::TypeCheck);
    EXPECT_EQ(rec->declaredLength, 1);
    EXPECT_EQ(rec->checksum, 0x39);
    EXPECT_TRUE(r->Eof());
}

TEST(OmfReaderFraming, ContentOfLengthFourHasNoDataAndPointsAtItsChecksum) {
    OmfFile f;
    f.record(omf::ModuleHeader, OmfBody().name("M"));  // 6 bytes
    f.record(omf::Content, OmfBody().u8(0).u16(0x1234));
    auto r = readerOver(f.bytes());
    r->ReadRecord();
    auto rec = r->ReadRecord();
    EXPECT_EQ(rec->position, 6);
    EXPECT_EQ(rec->offset, 0x1234);
    EXPECT_EQ(rec->DataLength(), 0);
    EXPECT_EQ(rec->DataPosition(), 6 + 6);
    EXPECT_EQ(static_cast<std::size_t>(rec->DataPosition()), f.size() - 1);
    EXPECT_TRUE(rec->data.empty());
    EXPECT_TRUE(r->Eof());
}

TEST(OmfReaderFraming, ContentCarriesItsDataBytes) {
    OmfFile f;
    f.record(omf::Content, OmfBody().u8(0).u16(0x0062).bytes({0xE5, 0x82, 0x04}));
    auto r = readerOver(f.bytes());
    auto rec = r->ReadRecord();
    EXPECT_EQ(rec->DataPosition(), 6);
    ASSERT_EQ(rec->DataLength(), 3);
    EXPECT_EQ(rec->data, (std::vector<std::uint8_t>{0xE5, 0x82, 0x04}));
    EXPECT_EQ(rec->DebugValueA(), 0);  // accessors of other record types answer 0
}

TEST(OmfReaderFraming, TypeIndexEscapeGivesTwoByteIndexOfWidthThree) {
    OmfFile f;
    f.record(omf::DebugItems, OmfBody()
                                  .u8(omf::PublicSymbols)
                                  .u8(0).u8(0x40).u16(0x0100).bytes({0x1F, 0x01, 0x02}).name("a")
                                  .u8(0).u8(0x40).u16(0x0200).ti(0x20).name("b"));
    auto r = readerOver(f.bytes());
    auto rec = r->ReadRecord();
    ASSERT_EQ(rec->items.size(), 2u);
    EXPECT_EQ(rec->items[0]->type, 0x0102u);
    EXPECT_EQ(rec->items[0]->typeWidth, 3);
    EXPECT_EQ(rec->items[1]->type, 0x20u);
    EXPECT_EQ(rec->items[1]->typeWidth, 1);
    EXPECT_EQ(rec->items[1]->info, 0x40);
    EXPECT_EQ(rec->items[1]->offset, 0x0200u);
    EXPECT_EQ(rec->items[1]->name, "b");
}

TEST(OmfReaderFraming, WideLineOffsetsAfterTheHashZeroQuoteRecord) {
    OmfFile f;
    f.record(omf::LineOffsetMode, OmfBody().bytes({'#', '0', '\''}));
    OmfBody lines;
    lines.u8(omf::LineNumberItems);
    for (int i = 0; i < 3; ++i) lines.u8(0).bytes({0x34, 0x99, 0x12}).u16(100 + i);
    f.record(omf::DebugItems, lines);
    f.record(omf::ModuleEnd, OmfBody().name("M"));
    ASSERT_EQ(f.bytes()[7 + 1], 20);  // the debug record's declared length

    auto r = readerOver(f.bytes());
    r->ReadRecord();
    EXPECT_TRUE(r->wideLineOffsets());
    auto rec = r->ReadRecord();
    ASSERT_EQ(rec->items.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rec->items[i]->offset, 0x1234u);
        EXPECT_EQ(rec->items[i]->line, 100u + i);
    }
    EXPECT_EQ(rec->remaining, 1);
    EXPECT_EQ(rec->checksum, f.bytes()[7 + 3 + 19]);
    EXPECT_EQ(r->ReadRecord()->recordType, omf::ModuleEnd);
}

// Where each record of a well-formed file starts.
std::vector<std::size_t> RecordStarts(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::size_t> starts;
    for (std::size_t p = 0; p + 3 <= bytes.size(); p += 3u + (bytes[p + 1] | bytes[p + 2] << 8)) starts.push_back(p);
    return starts;
}

TEST(OmfReaderFraming, AFlippedByteIsAFormatErrorUnlessTheChecksumIsZero) {
    const std::vector<std::uint8_t> good = test::omf2Sample().bytes();
    const std::vector<std::size_t> starts = RecordStarts(good);
    ASSERT_EQ(starts.size(), 7u);
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t length = good[starts[k] + 1] | good[starts[k] + 2] << 8;
        std::vector<std::uint8_t> bytes = good;
        bytes[starts[k] + 3 + length / 2] ^= 0x10;
        auto r = readerOver(bytes);
        for (std::size_t i = 0; i < k; ++i) ASSERT_NO_THROW(r->ReadRecord()) << "record " << i;
        try {
            r->ReadRecord();
            ADD_FAILURE() << "record " << k << " read despite its flipped byte";
        } catch (const EOmfFormatError& e) {
            EXPECT_NE(e.detail().find("checksum"), std::string::npos) << e.detail();
        }
        // The content pass checks the records it passes over as well.
        auto pass = readerOver(bytes);
        EXPECT_THROW(while (!pass->Eof()) pass->NextContent(), EOmfFormatError) << "record " << k;

        // A writer that computes no checksum writes 0: nothing to compare.
        bytes[starts[k] + 2 + length] = 0;
        auto unchecked = readerOver(bytes);
        EXPECT_NO_THROW(readAll(*unchecked)) << "record " << k;
    }
}

TEST(OmfReaderFraming, OtherLineOffsetModeRecordsLeaveOffsetsNarrow) {
    OmfFile f;
    f.record(omf::LineOffsetMode, OmfBody().bytes({'#', '0', '"'}));
    f.record(omf::LineOffsetMode, OmfBody().bytes({'#', '0', '\'', 0}));  // length 5
    auto r = readerOver(f.bytes());
    readAll(*r);
    EXPECT_FALSE(r->wideLineOffsets());
}

TEST(OmfReaderFraming, ExtendedHeaderOfLengthZeroStillCounts) {
    OmfFile f;
    f.recordWithLength(omf::ExtendedHeader, 0, OmfBody(), false);
    f.record(omf::ModuleEnd, OmfBody().name("M"));
    auto r = readerOver(f.bytes());
    auto rec = r->ReadRecord();
    EXPECT_EQ(rec->checksum, 0);
    EXPECT_TRUE(r->HasExtendedHeader());
    EXPECT_TRUE(r->extendedHeader());
    const auto& h = r->moduleHeader();
    EXPECT_EQ(h.unknownWord1, 3);
    EXPECT_EQ(h.unknownWord2, 1);
    EXPECT_EQ(h.unknownAddress1.value, 0u);
    EXPECT_EQ(h.bankedAreaStart.value, 0u);
    EXPECT_EQ(h.bankedAreaEnd.value, 0u);
    EXPECT_EQ(h.unknownWord4, 0);
    EXPECT_EQ(r->GetPosition(), 3);  // no checksum was read
    EXPECT_EQ(r->ReadRecord()->name, "M");
}

TEST(OmfReaderFraming, ExtendedHeaderFoldsItsValues) {
    OmfFile f;
    f.record(omf::ExtendedHeader,
             OmfBody().u8(1).u8(2).u8(3).u8(4).u16(5).u16(0x8000).u16(0xFFFF).u16(8).u16(9).u16(10));
    auto r = readerOver(f.bytes());
    r->ReadRecord();
    const auto& h = r->moduleHeader();
    EXPECT_EQ(h.recordType, omf::ExtendedHeader);
    EXPECT_EQ(h.unknownBytes[0], 1);
    EXPECT_EQ(h.unknownBytes[2], 3);
    EXPECT_EQ(h.unknownAddress1.value, 4u);
    EXPECT_EQ(h.unknownAddress2.value, 5u);
    EXPECT_EQ(r->BankedAreaStart(), 0x8000);
    EXPECT_EQ(r->BankedAreaEnd(), 0xFFFF);
    EXPECT_EQ(h.unknownAddress3.value, 8u);
    EXPECT_EQ(h.unknownWord4, 9);
    EXPECT_EQ(h.unknownWord5, 10);
}

TEST(OmfReaderFraming, UndecodedRecordsAreSkippedByTheirLength) {
    OmfFile f;
    f.record(0x0E, OmfBody().bytes({1, 2, 3, 4, 5, 6}));
    f.record(0x16, OmfBody());
    f.record(0xF0, OmfBody().bytes({9, 9}));
    f.record(omf::ModuleEnd, OmfBody().name("END"));
    auto r = readerOver(f.bytes());
    auto all = readAll(*r);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0]->remaining, 7);
    EXPECT_EQ(all[3]->name, "END");
}

TEST(OmfReaderFraming, OmfAddressFlagIsSetOnlyByOne) {
    OmfFile f;
    f.record(omf::ScopeEnd, OmfBody().addr(0x1234, 2));
    f.record(omf::ScopeEnd, OmfBody().addr(0x1234, 1));
    auto r = readerOver(f.bytes());
    auto all = readAll(*r);
    EXPECT_FALSE(all[0]->first.flag);
    EXPECT_TRUE(all[1]->first.flag);
    EXPECT_EQ(all[1]->first.value, 0x1234u);
}

// ---------------------------------------------------------------- OMF-51 records

TEST(OmfReaderOmf51, ScopeBlockTypesAndNames) {
    OmfFile f;
    f.record(omf::ScopeDefinition, OmfBody().u8(0).name("mod"));
    f.record(omf::ScopeDefinition, OmfBody().u8(20).name("bankedProc"));
    f.record(omf::ScopeDefinition, OmfBody().u8(7).bytes({1, 2, 3}));
    auto r = readerOver(f.bytes());
    auto all = readAll(*r);
    EXPECT_EQ(all[0]->blockType, omf::ModuleBegin);
    EXPECT_EQ(all[0]->name, "mod");
    EXPECT_EQ(all[1]->blockType, omf::ProcedureBegin);
    EXPECT_EQ(all[1]->segmentId, 20);
    EXPECT_EQ(all[1]->name, "bankedProc");
    EXPECT_EQ(all[2]->blockType, 7);
    EXPECT_EQ(all[2]->name, "");
}

TEST(OmfReaderOmf51, DebugTypeItems) {
    OmfFile f;
    f.record(omf::DebugItems, OmfBody().u8(6).u8(5).u16(1).u16(10).ti(0x21));
    f.record(omf::DebugItems2, OmfBody().u8(7).u8(4).u16(6).name("S").u16(0).ti(1).name("a").u16(2).ti(3).name("b"));
    f.record(omf::DebugItems, OmfBody().u8(8).u8(3).name("E").u16(0).name("RED").u16(1).name("GREEN"));
    f.record(omf::DebugItems, OmfBody().u8(9).u8(2).name("P").ti(0x1234, 3));
    f.record(omf::DebugItems, OmfBody().u8(10).u8(1).u8(0x55).ti(7));
    f.record(omf::DebugItems, OmfBody().u8(4).bytes({1, 2, 3, 4, 5}));
    auto r = readerOver(f.bytes());
    auto all = readAll(*r);
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[0]->blockType, 5);
    EXPECT_EQ(all[0]->DebugValueB(), 1);
    EXPECT_EQ(all[0]->DebugValueA(), 10);
    EXPECT_EQ(all[0]->typeIndex.value, 0x21u);
    EXPECT_EQ(all[1]->DebugValueC(), 6);
    EXPECT_EQ(all[1]->name, "S");
    ASSERT_EQ(all[1]->items.size(), 2u);
    EXPECT_EQ(all[1]->items[1]->offset, 2u);
    EXPECT_EQ(all[1]->items[1]->type, 3u);
    EXPECT_EQ(all[1]->items[1]->name, "b");
    ASSERT_EQ(all[2]->items.size(), 2u);
    EXPECT_EQ(all[2]->items[1]->name, "GREEN");
    EXPECT_EQ(all[3]->typeIndex, (OmfTypeIndex{0x1234, 3}));
    EXPECT_EQ(all[4]->byte, 0x55);
    EXPECT_EQ(all[4]->typeIndex.value, 7u);
    EXPECT_TRUE(all[5]->items.empty());
    EXPECT_EQ(all[5]->remaining, 6);
}

TEST(OmfReaderOmf51, SegmentIdsNameBanksOnlyWithAnExtendedHeader) {
    EXPECT_EQ(OmfSegmentAddress(false, 0x12, 0x1234), UnbankedAdresse(0x1234));
    EXPECT_EQ(OmfSegmentAddress(false, 0xFF, 0x1234), UnbankedAdresse(0x1234));
    EXPECT_EQ(OmfSegmentAddress(true, 0, 0x0100), AllBanksAdresse(0x0100));
    EXPECT_EQ(OmfSegmentAddress(true, 16, 0x8000), BankedAdresse(0, 0x8000));
    EXPECT_EQ(OmfSegmentAddress(true, 47, 0x8000), BankedAdresse(31, 0x8000));
    EXPECT_EQ(OmfSegmentAddress(true, 3, 0x8000), BankedAdresse(3, 0x8000));
    EXPECT_EQ(OmfSegmentAddress(true, 48, 0x8000), BankedAdresse(48, 0x8000));
    EXPECT_THROW(OmfSegmentAddress(true, 0xFE, 0), EOmfFormatError);
    EXPECT_THROW(OmfSegmentAddress(true, 0xFF, 0), EOmfFormatError);
}

TEST(OmfReaderOmf51, SegmentTypeIsInTheInfoByte) {
    OmfFile f;
    f.record(omf::DebugItems, OmfBody()
                                  .u8(omf::PublicSymbols)
                                  .u8(0).u8(0x00).u16(0x0062).ti(0).name("f")
                                  .u8(0).u8(0x41).u16(0x0000).ti(0).name("buffer")
                                  .u8(0).u8(0x42).u16(0x0080).ti(0).name("P0")
                                  .u8(0).u8(0x44).u16(0x0087).ti(0).name("P0_7"));
    auto r = readerOver(f.bytes());
    auto rec = r->ReadRecord();
    ASSERT_EQ(rec->items.size(), 4u);
    EXPECT_EQ(rec->items[0]->SegmentType(), 0);
    EXPECT_EQ(rec->items[1]->SegmentType(), 1);
    EXPECT_EQ(rec->items[2]->SegmentType(), 2);
    EXPECT_EQ(rec->items[3]->SegmentType(), 4);
}

TEST(OmfReaderOmf51, SourceNameSkipsThreeBytes) {
    OmfFile f;
    f.record(omf::SourceName, OmfBody().bytes({0xAA, 0xBB, 0xCC}).name("main.c"));
    auto r = readerOver(f.bytes());
    EXPECT_EQ(r->ReadRecord()->name, "main.c");
}

// ---------------------------------------------------------------- OMF2

TEST(OmfReaderOmf2, SampleModule) {
    const OmfFile f = test::omf2Sample();
    ASSERT_EQ(f.size(), 142u);
    EXPECT_EQ(f.bytes()[0x0A], 0xB2);  // checksums as the tool chain writes them
    EXPECT_EQ(f.bytes()[0x35], 0xBE);
    EXPECT_EQ(f.bytes()[0x4C], 0x49);
    EXPECT_EQ(f.bytes()[0x5D], 0x60);
    EXPECT_EQ(f.bytes()[0x71], 0x6F);
    EXPECT_EQ(f.bytes()[0x80], 0x8E);
    EXPECT_EQ(f.bytes()[0x8D], 0xAE);

    auto r = readerOver(f.bytes());
    auto all = readAll(*r);
    ASSERT_EQ(all.size(), 7u);
    EXPECT_TRUE(r->HasExtendedHeader());
    EXPECT_EQ(r->BankedAreaStart(), 0x8000);
    EXPECT_EQ(r->BankedAreaEnd(), 0xFFFF);
    ASSERT_EQ(r->segmentTable().size(), 1u);
    EXPECT_EQ(r->segmentTable()[0]->name, "CODE");

    const TOmfRecord& content = *all[3];
    EXPECT_EQ(content.data, (std::vector<std::uint8_t>{0x02, 0x00, 0x30}));
    EXPECT_EQ(r->RecordAddress(content), 0x00831234u);
    EXPECT_EQ(r->ElementBankOffset(content), (OmfBankOffset{3, 0x1234}));
    EXPECT_TRUE(r->IsCodeContent(content));
    EXPECT_FALSE(r->IsXdataContent(content));
    EXPECT_FALSE(r->ContinuesRecord(content));

    const TOmfElement& main = *all[4]->items.at(0);
    EXPECT_EQ(main.name, "MAIN");
    EXPECT_EQ(main.value, 5u);
    EXPECT_EQ(r->SymbolBankOffset(main), (OmfBankOffset{3, 0x1234}));
    EXPECT_TRUE(r->IsCodeSymbol(main));
    EXPECT_FALSE(r->IsXdataSymbol(main));

    const TOmfRecord& lines = *all[5];
    ASSERT_EQ(lines.items.size(), 1u);
    EXPECT_EQ(lines.items[0]->line, 10u);
    EXPECT_EQ(lines.word, 0);  // file number
    EXPECT_EQ(r->SymbolBankOffset(*lines.items[0]), (OmfBankOffset{3, 0x1234}));
    EXPECT_EQ(all[6]->name, "TEST");
}

TEST(OmfReaderOmf2, SegmentBasesAddToRecordAndSymbolAddresses) {
    OmfFile f;
    f.record(omf::SegmentDefinition, OmfBody().u8(1).u8(2).addr(0x00810000).addr(0x0FFF).u16(7).name("C1"));
    f.record(omf::SegmentDefinition, OmfBody().u8(0).u8(0).addr(0x01000100).addr(0).u16(0).name("X1"));
    f.record(omf::ScopeBegin, OmfBody().u16(0).u16(0x81).u16(1).addr(0x0200).name("fn"));
    f.record(omf::Symbols8C, OmfBody().u16(2).addr(0x10).u16(1).u16(0).name("v").u16(9).addr(0x20).u16(1).u16(0).name("w"));
    f.record(omf::LineNumbers2, OmfBody().u16(3).u16(1).u16(0xFFFF).u32(70000).addr(0x0300).u16(5).addr(0x0301));
    auto r = readerOver(f.bytes());
    auto all = readAll(*r);
    const auto& seg = *r->segmentTable()[0];
    EXPECT_EQ(seg.segmentId, 1);
    EXPECT_EQ(seg.info, 2);
    EXPECT_EQ(seg.value, 0x0FFFu);
    EXPECT_EQ(seg.type, 7u);
    EXPECT_EQ(r->segmentTable()[1]->number, 1u);

    const auto& scope = *all[2];
    EXPECT_EQ(scope.typeIndex.value, 0x81u);
    EXPECT_EQ(r->SegmentBase(scope), 0x00810000u);
    EXPECT_EQ(r->RecordAddress(scope), 0x00810200u);
    EXPECT_EQ(r->ElementAddress(scope), 0x00010000u);
    EXPECT_EQ(r->ElementBankOffset(scope), (OmfBankOffset{1, 0x0200}));
    EXPECT_EQ(r->SegmentBase(*all[0]), 0u);  // only scope, line and content records have one

    EXPECT_EQ(r->SymbolBankOffset(*all[3]->items[0]), (OmfBankOffset{0, 0x0110}));
    EXPECT_EQ(r->SymbolBankOffset(*all[3]->items[1]), (OmfBankOffset{0, 0x0020}));  // index beyond the table

    ASSERT_EQ(all[4]->items.size(), 2u);
    EXPECT_EQ(all[4]->items[0]->line, 70000u);
    EXPECT_EQ(all[4]->items[1]->line, 5u);
    EXPECT_EQ(all[4]->items[1]->address.value, 0x0301u);
}

TEST(OmfReaderOmf2, MemoryModelMakesSymbolsCodeWithoutHeader) {
    for (auto [bits, model] : {std::pair{0x00, 4}, {0x10, 3}, {0x20, 1}, {0x30, 2}}) {
        OmfFile f;
        f.record(omf::MemoryModel, OmfBody().u16(0).u8(bits | 0x0F).u8(0xFF).u8(4));
        f.record(omf::Symbols88, OmfBody().u16(0).addr(0x01000000).u16(1).u16(0).name("x"));
        f.record(omf::ScopeBegin, OmfBody().u16(0).u16(0).u16(0).addr(0x01000000).name("f"));
        f.record(omf::Content2, OmfBody().u16(0).u16(0).u8(0).addr(0).u8(0xAA));
        auto r = readerOver(f.bytes());
        auto all = readAll(*r);
        EXPECT_EQ(r->memoryModel(), model);
        EXPECT_EQ(r->modelFlag(), 1);
        EXPECT_EQ(r->modelCount(), 5);
        const bool code = model == 2;
        EXPECT_EQ(r->IsCodeSymbol(*all[1]->items[0]), code);
        EXPECT_EQ(r->IsCodeContent(*all[2]), code);
        EXPECT_EQ(r->IsCodeContent(*all[3]), code);
        EXPECT_FALSE(r->IsXdataSymbol(*all[1]->items[0]));  // needs a header
    }
}

TEST(OmfReaderOmf2, XdataContentIsRememberedAndItsCodeCopyContinuesIt) {
    OmfFile f;
    f.record(omf::Header2, OmfBody().bytes({0, 0, 0}).u16(0).addr(0).u16(0).addr(0).u16(0).addr(0).addr(0).addr(0)
                               .u16(0).u16(0).u8(0));
    f.record(omf::SegmentDefinition, OmfBody().u8(0).u8(0).addr(0x01000000).addr(0).u16(0).name("XD"));
    f.record(omf::Content2, OmfBody().u16(0).u16(1).u8(0x01).addr(0x0040).bytes({1, 2}));
    f.record(omf::Content2, OmfBody().u16(0).u16(0).u8(0x01).addr(0x00800040).bytes({1, 2}));
    f.record(omf::Content2, OmfBody().u16(0).u16(0).u8(0x01).addr(0x00800041).bytes({1, 2}));
    f.record(omf::ScopeBegin, OmfBody().u16(0).u16(0).u16(1).addr(0x10).name("x"));
    auto r = readerOver(f.bytes());
    auto all = readAll(*r);
    EXPECT_EQ(r->rememberedContent().dataLength, 2);
    EXPECT_EQ(r->rememberedContent().segmentIndex, 1u);
    EXPECT_TRUE(r->IsXdataContent(*all[2]));
    EXPECT_FALSE(r->ContinuesRecord(*all[2]));  // the remembered one itself
    EXPECT_TRUE(r->ContinuesRecord(*all[3]));
    EXPECT_FALSE(r->ContinuesRecord(*all[4]));  // another low address
    EXPECT_TRUE(r->IsXdataContent(*all[5]));
    EXPECT_FALSE(r->IsCodeContent(*all[5]));
}

TEST(OmfReaderOmf2, OtherRecordsDecode) {
    OmfFile f;
    f.record(omf::KindName, OmfBody().u8(3).name("k"));
    f.record(omf::NumberTable, OmfBody().u16(5).name("CODE").u16(1).name("XDATA"));
    f.record(omf::Record8A, OmfBody().u16(1).u16(2).name("n"));
    f.record(omf::SourceFiles, OmfBody().u16(1).u8(2).name("dir").name("a.c").u32(0xDEADBEEF));
    f.record(omf::ModuleClose2, OmfBody().name("c0"));
    f.record(omf::RecordCA, OmfBody().u32(0x00051234));
    f.record(omf::RecordCC, OmfBody().u8(0).u16(3).name("a").addr(0x55).u8(1).u16(4).name("b").u16(0x66));
    auto r = readerOver(f.bytes());
    auto all = readAll(*r);
    EXPECT_EQ(all[0]->kind, 3);
    EXPECT_EQ(all[0]->name, "k");
    ASSERT_EQ(r->numberTable().size(), 2u);
    EXPECT_EQ(r->numberTable()[1].number, 1);
    EXPECT_EQ(r->numberTable()[1].name, "XDATA");
    EXPECT_EQ(all[2]->items.at(0)->type, 2u);
    const auto& src = *all[3]->items.at(0);
    EXPECT_EQ(src.number, 1u);
    EXPECT_EQ(src.info, 2);
    EXPECT_EQ(src.name, "dir");
    EXPECT_EQ(src.secondName, "a.c");
    EXPECT_EQ(src.value, 0xDEADBEEFu);
    EXPECT_EQ(all[4]->name, "c0");
    EXPECT_EQ(all[5]->offset, 0x1234);
    ASSERT_EQ(all[6]->items.size(), 2u);
    EXPECT_EQ(all[6]->items[0]->address.value, 0x55u);
    EXPECT_EQ(all[6]->items[1]->offset, 0x66u);
}

TEST(OmfReaderOmf2, ResolveTypeIndexThroughTheNumberTable) {
    OmfFile f;
    f.record(omf::NumberTable, OmfBody().u16(5).name("CODE").u16(1).name("XDATA"));
    auto r = readerOver(f.bytes());
    readAll(*r);
    EXPECT_EQ(r->ResolveTypeIndex(7), 7u);
    EXPECT_EQ(r->ResolveTypeIndex(128), 5u);
    EXPECT_EQ(r->ResolveTypeIndex(129), 1u);
    // Beyond the table: the format error of the family, not a library range error.
    EXPECT_THROW(r->ResolveTypeIndex(130), EOmfFormatError);
    EXPECT_THROW(r->ResolveTypeIndex(0xFFFFFFFF), EVokWinError);
}

// ---------------------------------------------------------------- passes

TEST(OmfReaderPasses, NextContentVisitsOnlyContentRecords) {
    OmfFile f;
    f.record(omf::ModuleHeader, OmfBody().name("M"));
    f.record(omf::Content, OmfBody().u8(0).u16(0x0100).bytes({1, 2, 3}));
    f.record(omf::ScopeDefinition, OmfBody().u8(0).name("M"));
    f.record(omf::Content2, OmfBody().u16(0).u16(0).u8(2).addr(0x40).bytes({4}));
    f.record(omf::ModuleEnd, OmfBody().name("M"));
    auto r = readerOver(f.bytes());
    std::vector<std::uint8_t> types;
    while (!r->Eof())
        if (auto rec = r->NextContent()) types.push_back(rec->recordType);
    EXPECT_EQ(types, (std::vector<std::uint8_t>{omf::Content, omf::Content2}));
}

TEST(OmfReaderPasses, RewindingKeepsTheTablesAndNumbersTypedefsOn) {
    OmfFile f;
    f.record(omf::Typedef2, OmfBody().u8(0x26).u16(3).u8(0).u8(4));
    f.record(omf::NumberTable, OmfBody().u16(5).name("CODE"));
    auto r = readerOver(f.bytes());
    EXPECT_EQ(r->ReadRecord()->typeIndex.value, 128u);
    r->ReadRecord();
    r->SetPosition(0);
    EXPECT_EQ(r->ReadRecord()->typeIndex.value, 129u);
    r->ReadRecord();
    EXPECT_EQ(r->typeDefinitions().size(), 2u);
    EXPECT_EQ(r->numberTable().size(), 2u);
    EXPECT_EQ(r->nextTypedefNumber(), 130);
}

TEST(OmfReaderPasses, ReadsAFileByName) {
    test::TempDir dir;
    const auto path = dir.file("sample.omf");
    test::writeBytes(path, test::omf2Sample().bytes());
    TOmfReader r;
    r.SetFileName(path);
    auto all = readAll(r);
    EXPECT_EQ(all.size(), 7u);
    EXPECT_EQ(all.back()->recordType, omf::ModuleEnd);
    r.SetFileName("");
}

TEST(OmfReaderPasses, AnotherFileStartsWithEmptyTables) {
    test::TempDir dir;
    OmfFile first;
    first.record(omf::SegmentDefinition, OmfBody().u8(0).u8(0).addr(0x00810000).addr(0).u16(0).name("C1"));
    first.record(omf::NumberTable, OmfBody().u16(0x1234).name("T"));
    first.record(omf::Typedef2, OmfBody().u8(0x26).u16(2).u8(0).u8(1));
    first.record(omf::LineOffsetMode, OmfBody().u8('#').u8('0').u8('\''));
    test::writeBytes(dir.file("first.omf"), first.bytes());
    // The second file's content names segment 1 without defining it.
    OmfFile second;
    second.record(omf::Content2, OmfBody().u16(0).u16(1).u8(0x02).addr(0x0100).bytes({0x00}));
    second.record(omf::Typedef2, OmfBody().u8(0x26).u16(2).u8(0).u8(1));
    test::writeBytes(dir.file("second.omf"), second.bytes());

    TOmfReader r;
    r.SetFileName(dir.file("first.omf"));
    readAll(r);
    ASSERT_EQ(r.segmentTable().size(), 1u);
    ASSERT_TRUE(r.wideLineOffsets());
    r.SetFileName(dir.file("first.omf"));  // the same file: nothing changes
    EXPECT_EQ(r.segmentTable().size(), 1u);
    r.SetFileName("");  // closing: the types stay there to be looked up
    EXPECT_EQ(r.ResolveTypeIndex(128), 0x1234u);

    r.SetFileName(dir.file("second.omf"));
    EXPECT_TRUE(r.segmentTable().empty());
    EXPECT_TRUE(r.numberTable().empty());
    EXPECT_FALSE(r.wideLineOffsets());
    EXPECT_THROW(r.ResolveTypeIndex(128), EOmfFormatError);
    auto all = readAll(r);
    EXPECT_EQ(r.RecordAddress(*all[0]), 0x0100u) << "no segment base from the first file";
    EXPECT_EQ(all[1]->typeIndex.value, 128u) << "type numbers count from the start again";
    EXPECT_EQ(r.typeDefinitions().size(), 1u);
}

// ---------------------------------------------------------------- malformed input

void expectFormatError(const OmfFile& f, std::size_t goodRecords) {
    auto r = readerOver(f.bytes());
    for (std::size_t i = 0; i < goodRecords; ++i) ASSERT_NO_THROW(r->ReadRecord()) << "record " << i;
    EXPECT_THROW(r->ReadRecord(), EOmfFormatError);
}

TEST(OmfReaderMalformed, ContentShorterThanItsFields) {
    for (std::uint16_t length = 0; length < 4; ++length) {
        OmfFile f;
        f.recordWithLength(omf::Content, length, OmfBody{0, 0, 0}, false);
        f.record(omf::ModuleEnd, OmfBody().name("M"));
        expectFormatError(f, 0);
    }
    OmfFile f2;
    f2.recordWithLength(omf::Content2, 10, OmfBody().u16(0).u16(0).u8(0).addr(0), false);
    expectFormatError(f2, 0);
}

TEST(OmfReaderMalformed, ItemsMayNotRunIntoTheNextRecord) {
    // The last symbol item claims a name longer than what its record has left.
    OmfFile f;
    f.record(omf::DebugItems, OmfBody().u8(1).u8(0).u8(0).u16(0x10).ti(0).name("ab").u8(0).u8(0).u16(0x20).ti(0).u8(9));
    f.record(omf::ModuleEnd, OmfBody().name("MODULEEND"));
    expectFormatError(f, 0);

    // A wide line item cut short by the record's end.
    OmfFile g;
    g.record(omf::LineOffsetMode, OmfBody().bytes({'#', '0', '\''}));
    g.record(omf::DebugItems, OmfBody().u8(3).u8(0).bytes({0x10, 0, 0}).u16(1).u8(0).bytes({0x20, 0, 0}));
    g.record(omf::ModuleEnd, OmfBody().name("M"));
    expectFormatError(g, 1);

    // An OMF2 symbol item cut short.
    OmfFile h;
    h.record(omf::Symbols88, OmfBody().u16(1).addr(0).u16(1).u16(0).name("abc").u16(1).addr(0));
    expectFormatError(h, 0);
}

TEST(OmfReaderMalformed, NameLongerThanItsRecord) {
    OmfFile f;
    f.recordWithLength(omf::ModuleHeader, 3, OmfBody{0x40, 'a'}, true);
    f.record(omf::ModuleEnd, OmfBody().name("0123456789012345678901234567890123456789012345678901234567890123"));
    expectFormatError(f, 0);
}

TEST(OmfReaderMalformed, ShortFixedFieldsOfEveryDecodedType) {
    // A field may take the checksum's place (the record then has none), but
    // none may reach beyond the declared length.
    const std::uint8_t decoded[] = {omf::ModuleHeader, omf::Content, omf::ScopeDefinition, omf::DebugItems,
                                    omf::Typedefs51, omf::SourceName, omf::KindName, omf::SegmentDefinition,
                                    omf::ScopeBegin, omf::ScopeEnd, omf::LineNumbers2, omf::Content2,
                                    omf::Typedef2, omf::Header2, omf::ModuleClose2, omf::MemoryModel, omf::RecordCA};
    for (std::uint8_t type : decoded) {
        OmfFile f;
        f.recordWithLength(type, 0, OmfBody(), false);
        f.record(omf::ModuleEnd, OmfBody().name("M"));
        auto r = readerOver(f.bytes());
        EXPECT_THROW(r->ReadRecord(), EOmfFormatError) << "type " << int(type);
    }
    for (std::uint8_t type : {omf::SourceName, omf::ExtendedHeader, omf::SegmentDefinition, omf::ScopeBegin,
                              omf::ScopeEnd, omf::LineNumbers2, omf::Header2, omf::MemoryModel, omf::RecordCA}) {
        OmfFile f;
        f.recordWithLength(type, 2, OmfBody{0x01}, true);
        f.record(omf::ModuleEnd, OmfBody().name("M"));
        auto r = readerOver(f.bytes());
        EXPECT_THROW(r->ReadRecord(), EOmfFormatError) << "type " << int(type);
    }
}

TEST(OmfReaderMalformed, RecordRunningPastTheEndOfTheFile) {
    OmfFile f;
    f.record(omf::ModuleHeader, OmfBody().name("M"));
    f.recordWithLength(omf::Content, 200, OmfBody{0, 0, 0, 1, 2}, false);
    expectFormatError(f, 1);

    auto r = readerOver(f.bytes());
    r->ReadRecord();
    EXPECT_THROW(r->NextContent(), EOmfFormatError);

    OmfFile g;
    g.recordWithLength(0x0E, 200, OmfBody{0, 0, 0, 1, 2}, false);
    auto rg = readerOver(g.bytes());
    EXPECT_THROW(rg->NextContent(), EOmfFormatError);
}

TEST(OmfReaderMalformed, TrailingBytesThatAreNoRecordHeader) {
    for (int extra = 1; extra <= 2; ++extra) {
        OmfFile f;
        f.record(omf::ModuleEnd, OmfBody().name("M"));
        for (int i = 0; i < extra; ++i) f.raw({0x04});
        expectFormatError(f, 1);
    }
}

TEST(OmfReaderMalformed, TheFormatErrorNamesTheRecord) {
    OmfFile f;
    f.record(omf::ModuleHeader, OmfBody().name("M"));
    f.recordWithLength(omf::Content, 2, OmfBody{0, 0}, false);
    auto r = readerOver(f.bytes());
    r->ReadRecord();
    try {
        r->ReadRecord();
        FAIL() << "no format error";
    } catch (const EOmfFormatError& e) {
        EXPECT_EQ(std::string(e.what()), "Format error in OMF file: " + e.detail());
        EXPECT_NE(e.detail().find("record 06 at 00000006"), std::string::npos) << e.detail();
    }
}

// Every prefix and many random mutations of valid files give a clean read or
// the format error, and nothing else.
void readExpectingOnlyFormatErrors(const std::vector<std::uint8_t>& bytes) {
    auto r = readerOver(bytes);
    try {
        while (!r->Eof()) {
            auto rec = r->ReadRecord();
            for (const auto& item : rec->items) r->SymbolBankOffset(*item);
        }
    } catch (const EOmfFormatError&) {
    }
    auto again = readerOver(bytes);
    try {
        while (!again->Eof()) again->NextContent();
    } catch (const EOmfFormatError&) {
    }
}

OmfFile typedSample() {
    OmfFile f = test::omf2Sample();
    f.record(omf::Typedef2, OmfBody().u8(0x21).u16(0x8002).u16(0x80).u16(0x81));
    f.record(omf::Typedef2, OmfBody().u8(0x20).addr(8, 1).u16(2).u16(0x80).u16(0).name("m"));
    f.record(omf::TypeCheck, OmfBody());
    f.record(omf::Typedefs51, OmfBody().u8(0x22).u8(1).u16(4).ti(0x20).u8(0x24).ti(0x21).name("T"));
    f.record(omf::LineOffsetMode, OmfBody().bytes({'#', '0', '\''}));
    f.record(omf::DebugItems, OmfBody().u8(3).u8(0).bytes({1, 2, 3}).u16(4));
    return f;
}

TEST(OmfReaderMalformed, TruncatedFilesGiveOnlyTheFormatError) {
    const auto full = typedSample().bytes();
    for (std::size_t n = 0; n < full.size(); ++n) {
        std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        ASSERT_NO_FATAL_FAILURE(readExpectingOnlyFormatErrors(cut));
    }
}

TEST(OmfReaderMalformed, RandomMutationsGiveOnlyTheFormatError) {
    const auto full = typedSample().bytes();
    std::mt19937 rng(20261208);
    for (int round = 0; round < 3000; ++round) {
        auto bytes = full;
        const int changes = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < changes; ++i) bytes[rng() % bytes.size()] = static_cast<std::uint8_t>(rng());
        ASSERT_NO_FATAL_FAILURE(readExpectingOnlyFormatErrors(bytes));
    }
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> bytes(rng() % 300);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
        ASSERT_NO_FATAL_FAILURE(readExpectingOnlyFormatErrors(bytes));
    }
}

}  // namespace
}  // namespace tarvex::test
