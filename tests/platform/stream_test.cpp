#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/exception.hpp"
#include "platform/files.hpp"
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
    try {
        writeFileAtomically(dir.file("no/such/dir/x"), "a", 1);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.message(), "Cannot create file " + dir.file("no/such/dir/x"));
    }
    EXPECT_EQ(test::readBytes(file), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
}

namespace fs = std::filesystem;

std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

std::size_t entriesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// Links need rights that a Windows account may lack; such a run skips.
bool makeLink(const fs::path& target, const fs::path& link) {
    std::error_code ec;
    fs::create_symlink(target, link, ec);
    return !ec;
}

TEST(FileStream, AtomicWriteKeepsTheTargetsPermissions) {
    test::TempDir dir;
    const auto file = dir.file("keep.hex");
    test::writeBytes(file, bytesOf("old"));
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const auto before = fs::status(file).permissions();
    writeFileAtomically(file, "new", 3);
    EXPECT_EQ(fs::status(file).permissions(), before);
    EXPECT_EQ(test::readBytes(file), bytesOf("new"));
}

TEST(FileStream, AtomicWriteRefusesAReadOnlyTarget) {
    test::TempDir dir;
    const auto file = dir.file("ro.hex");
    test::writeBytes(file, bytesOf("old"));
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(isReadOnlyFile(file));
    EXPECT_THROW(writeFileAtomically(file, "new", 3), EWriteError);
    EXPECT_EQ(test::readBytes(file), bytesOf("old"));
    EXPECT_EQ(entriesIn(dir.path()), 1u);
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_FALSE(isReadOnlyFile(file));
}

TEST(FileStream, AtomicWriteThroughALinkReplacesTheFileItNames) {
    test::TempDir dir;
    fs::create_directory(dir.path() / "real");
    const auto real = (dir.path() / "real" / "p.hex").string();
    test::writeBytes(real, bytesOf("old"));
    if (!makeLink(real, dir.path() / "p.hex") || !makeLink("real/q.hex", dir.path() / "q.hex"))
        GTEST_SKIP() << "no symbolic links here";
    writeFileAtomically(dir.file("p.hex"), "new", 3);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "p.hex"));
    EXPECT_EQ(test::readBytes(real), bytesOf("new"));
    // A dangling relative link: the file it names comes into being.
    writeFileAtomically(dir.file("q.hex"), "q", 1);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "q.hex"));
    EXPECT_EQ(test::readBytes((dir.path() / "real" / "q.hex").string()), bytesOf("q"));
}

TEST(FileStream, APlantedTemporaryNameIsNeverWrittenThrough) {
    test::TempDir dir;
    const auto victim = dir.file("victim");
    test::writeBytes(victim, bytesOf("keep me"));
    if (!makeLink(victim, dir.path() / "out.hex.tmp~")) GTEST_SKIP() << "no symbolic links here";
    writeFileAtomically(dir.file("out.hex"), "new", 3);
    EXPECT_EQ(test::readBytes(victim), bytesOf("keep me"));
    EXPECT_EQ(test::readBytes(dir.file("out.hex")), bytesOf("new"));
    EXPECT_EQ(entriesIn(dir.path()), 3u) << "no temporary is left behind";
}

TEST(FileStream, NewFileIsCreatedExclusively) {
    test::TempDir dir;
    const auto file = dir.file("b.bak");
    EXPECT_TRUE(createNewFile(file, "one", 3));
    EXPECT_FALSE(createNewFile(file, "two", 3));
    EXPECT_EQ(test::readBytes(file), bytesOf("one"));
    EXPECT_THROW(createNewFile(dir.file("no/such/dir/x"), "a", 1), EFOpenError);
}

TEST(Files, KindsOfNames) {
    test::TempDir dir;
    test::writeBytes(dir.file("f"), bytesOf("x"));
    EXPECT_EQ(fileKind(dir.file("f")), FileKind::Regular);
    EXPECT_EQ(fileKind(dir.path().string()), FileKind::Directory);
    EXPECT_EQ(fileKind(dir.file("missing")), FileKind::Missing);
    EXPECT_FALSE(isReadOnlyFile(dir.file("missing")));
}

#ifndef _WIN32
TEST(Files, APipeIsNoFileAndOpeningItDoesNotWait) {
    test::TempDir dir;
    const auto pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(fileKind(pipe), FileKind::Other);
    EXPECT_THROW(openFileStream(pipe, OpenMode::ReadOnly), EFOpenError);
    EXPECT_THROW(readWholeFile(pipe), EFOpenError);
}
#endif

TEST(Files, ExecutablePathNamesThisProgram) {
    const fs::path self = executablePath();
    EXPECT_TRUE(self.is_absolute()) << self;
    EXPECT_EQ(self.stem(), "tests_platform");
    EXPECT_EQ(fileKind(self.string()), FileKind::Regular);
    EXPECT_EQ(fs::path(executableDir()), self.parent_path());
}

}  // namespace
}  // namespace tarvex::platform
