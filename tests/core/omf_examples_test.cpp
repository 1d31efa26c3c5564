// The reader over the object files SDCC wrote for the bundled examples
// (`sdcc --debug`, absolute OMF-51 with debug records). The expected record
// lists in tests/core/data were made with a separate dumper, and the code and
// line numbers are checked against the Intel HEX and CDB files of the same
// build. When the examples are rebuilt, the lists must be made again: SDCC
// writes an undefined offset for variables that live in registers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/omf_reader.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

std::string exampleFile(const std::string& name) { return (test::sourceDir() / "examples" / "build" / name).string(); }

std::string hex(unsigned v, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, v);
    return buf;
}

// One line per record, one more per debug item.
std::vector<std::string> dump(TOmfReader& r) {
    std::vector<std::string> out;
    while (!r.Eof()) {
        const auto rec = r.ReadRecord();
        const std::string type = hex(rec->recordType, 2);
        switch (rec->recordType) {
        case omf::ModuleHeader:
        case omf::ModuleEnd:
            out.push_back(type + " " + rec->name);
            break;
        case omf::ScopeDefinition:
            // Block types 16 to 47 were read as procedure begins; none occur here.
            out.push_back(type + " blk" + std::to_string(rec->blockType) + (rec->name.empty() ? "" : " " + rec->name));
            break;
        case omf::Content:
            out.push_back(type + " seg" + hex(rec->segmentId, 2) + " @" + hex(rec->offset, 4) +
                          " n=" + std::to_string(rec->DataLength()));
            break;
        case omf::DebugItems:
        case omf::DebugItems2:
            out.push_back(type + " kind" + std::to_string(rec->kind) + " items=" + std::to_string(rec->items.size()));
            for (const auto& item : rec->items) {
                if (rec->kind == omf::LineNumberItems)
                    out.push_back("  seg" + hex(item->segmentId, 2) + " @" + hex(item->offset, 4) +
                                  " L" + std::to_string(item->line));
                else
                    out.push_back("  seg" + hex(item->segmentId, 2) + " info" + hex(item->info, 2) + " @" +
                                  hex(item->offset, 4) + " t" + hex(item->type, 1) + " " + item->name);
            }
            break;
        default:
            out.push_back(type + " len=" + std::to_string(rec->declaredLength));
            break;
        }
    }
    return out;
}

std::vector<std::string> lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

class OmfExamples : public ::testing::TestWithParam<const char*> {};

TEST_P(OmfExamples, RecordsAreListedExactly) {
    const std::string name = GetParam();
    TOmfReader r;
    r.SetFileName(exampleFile(name + ".omf"));
    const auto actual = dump(r);
    const auto expected = lines((test::sourceDir() / "tests" / "core" / "data" / (name + ".omf.dump")).string());
    ASSERT_FALSE(expected.empty());
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        ASSERT_EQ(i < actual.size() ? actual[i] : "<end>", i < expected.size() ? expected[i] : "<end>")
            << "line " << i + 1;
    }
    EXPECT_FALSE(r.HasExtendedHeader());
    EXPECT_FALSE(r.wideLineOffsets());
}

TEST_P(OmfExamples, EndOfFileExactlyAfterTheModuleEnd) {
    TOmfReader r;
    r.SetFileName(exampleFile(std::string(GetParam()) + ".omf"));
    std::uint8_t last = 0;
    while (!r.Eof()) last = r.ReadRecord()->recordType;
    EXPECT_EQ(last, omf::ModuleEnd);
    EXPECT_EQ(r.GetPosition(), r.GetSize());
}

// The code of the content records, laid out by address, is the program of
// the HEX file. SDCC gives each one-byte hook entry a two-byte record, so the
// object may hold a byte past the last entry of a hook area.
TEST_P(OmfExamples, ContentIsTheProgramOfTheHexFile) {
    const std::string name = GetParam();
    TOmfReader r;
    r.SetFileName(exampleFile(name + ".omf"));
    std::map<unsigned, std::uint8_t> image;
    std::vector<unsigned> starts;
    while (!r.Eof()) {
        const auto rec = r.NextContent();
        if (!rec) continue;
        starts.push_back(rec->offset);
        for (std::size_t i = 0; i < rec->data.size(); ++i) {
            const unsigned a = rec->offset + static_cast<unsigned>(i);
            if (image.count(a)) {
                EXPECT_EQ(image[a], rec->data[i]) << "overlapping content at " << a;
            }
            image[a] = rec->data[i];
        }
    }
    // Functions first, the start-up code from 0x0000 after them.
    ASSERT_FALSE(starts.empty());
    EXPECT_NE(starts.front(), 0u);
    EXPECT_NE(std::find(starts.begin(), starts.end(), 0u), starts.end());

    std::map<unsigned, std::uint8_t> hexImage;
    std::ifstream in(exampleFile(name + ".hex"));
    for (std::string line; std::getline(in, line);) {
        ASSERT_GE(line.size(), 11u);
        const unsigned n = std::stoul(line.substr(1, 2), nullptr, 16);
        const unsigned address = std::stoul(line.substr(3, 4), nullptr, 16);
        if (std::stoul(line.substr(7, 2), nullptr, 16) != 0) continue;
        for (unsigned i = 0; i < n; ++i)
            hexImage[address + i] = static_cast<std::uint8_t>(std::stoul(line.substr(9 + 2 * i, 2), nullptr, 16));
    }
    ASSERT_FALSE(hexImage.empty());
    for (const auto& [address, byte] : hexImage) {
        ASSERT_TRUE(image.count(address)) << "HEX byte at " << address << " missing from the object";
        EXPECT_EQ(image[address], byte) << "at " << address;
    }
    std::size_t extra = 0;
    for (const auto& [address, byte] : image)
        if (!hexImage.count(address)) {
            ++extra;
            EXPECT_TRUE(address == 0xFFBA || address == 0xFFDA || address == 0xFFFC) << "at " << address;
        }
    if (name == "ports") {
        EXPECT_EQ(extra, 0u);
    }
}

// The line items are line records of the CDB file
// ("L:C$file$line$level$block:address"); SDCC leaves some of them out of the
// object (hook entries that share a line with the one before).
TEST_P(OmfExamples, LineItemsAreTheCdbLineRecords) {
    const std::string name = GetParam();
    TOmfReader r;
    r.SetFileName(exampleFile(name + ".omf"));
    std::multiset<std::pair<unsigned, unsigned>> fromObject;
    while (!r.Eof()) {
        const auto rec = r.ReadRecord();
        if (rec->recordType != omf::DebugItems || rec->kind != omf::LineNumberItems) continue;
        for (const auto& item : rec->items) fromObject.insert({item->line, item->offset});
    }
    std::multiset<std::pair<unsigned, unsigned>> fromCdb;
    std::ifstream in(exampleFile(name + ".cdb"));
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("L:C$", 0) != 0) continue;
        std::istringstream fields(line.substr(4));
        std::string file, lineNo;
        std::getline(fields, file, '$');
        std::getline(fields, lineNo, '$');
        const auto colon = line.rfind(':');
        fromCdb.insert({static_cast<unsigned>(std::stoul(lineNo)),
                        static_cast<unsigned>(std::stoul(line.substr(colon + 1), nullptr, 16))});
    }
    ASSERT_FALSE(fromCdb.empty());
    EXPECT_TRUE(std::includes(fromCdb.begin(), fromCdb.end(), fromObject.begin(), fromObject.end()));
    if (name == "ports") {
        EXPECT_EQ(fromObject, fromCdb);
    }
}

INSTANTIATE_TEST_SUITE_P(Sdcc, OmfExamples, ::testing::Values("ports", "hooks", "hooks_old"));

}  // namespace
}  // namespace tarvex
