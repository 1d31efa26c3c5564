#include <gtest/gtest.h>

#include <filesystem>

#include "platform/exception.hpp"
#include "platform/stream.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex::platform {
namespace {

TEST(MemoryStream, ReadsWritesAndCountsReads) {
    MemoryStream m(std::vector<std::uint8_t>{1, 2, 3});
    std::uint8_t b[8] = {};
    EXPECT_EQ(m.read(b, 2), 2u);
    EXPECT_EQ(m.read(b, 8), 1u);
    EXPECT_EQ(b[0], 3);
    EXPECT_EQ(m.read(b, 8), 0u);
    EXPECT_EQ(m.readCalls(), 3u);
    m.seek(-5);
    EXPECT_EQ(m.position(), 0);
    m.seek(5);
    m.write("\xAA", 1);  // writing past the end fills the gap
    EXPECT_EQ(m.bytes(), (std::vector<std::uint8_t>{1, 2, 3, 0, 0, 0xAA}));
    EXPECT_EQ(m.size(), 6);
}

TEST(FileStream, OpenReadSeekAndFailures) {
    test::TempDir dir;
    test::writeBytes(dir.file("a.bin"), {10, 11, 12, 13});
    auto s = openFileStream(dir.file("a.bin"), OpenMode::ReadOnly);
    EXPECT_EQ(s->size(), 4);
    s->seek(2);
    std::uint8_t b[4] = {};
    EXPECT_EQ(s->read(b, 4), 2u);
    EXPECT_EQ(b[0], 12);
    EXPECT_EQ(s->position(), 4);
    try {
        openFileStream(dir.file("missing.bin"), OpenMode::ReadOnly);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.message(), "Cannot open file " + dir.file("missing.bin"));
    }
    EXPECT_THROW(openFileStream(dir.path().string(), OpenMode::ReadOnly), EFOpenError);

    auto w = openFileStream(dir.file("new.bin"), OpenMode::CreateTruncate);
    w->write("xyz", 3);
    w.reset();
    EXPECT_EQ(readWholeFile(dir.file("new.bin")), (std::vector<std::uint8_t>{'x', 'y', 'z'}));
}

TEST(FileStream, AtomicWriteReplacesWholeAndLeavesNoTemporary) {
    test::TempDir dir;
    const auto file = dir.file("out.hex");
    test::writeBytes(file, std::vector<std::uint8_t>(100, 'o'));
    writeFileAtomically(file, "new", 3);
    EXPECT_EQ(test::readBytes(file), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
    EXPECT_ANY_THROW(writeFileAtomically(dir.file("no/such/dir/x"), "a", 1));
    EXPECT_EQ(test::readBytes(file), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
}

}  // namespace
}  // namespace tarvex::platform
