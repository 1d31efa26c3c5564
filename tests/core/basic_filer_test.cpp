#include <gtest/gtest.h>

#include <numeric>

#include "core/basic_filer.hpp"
#include "platform/exception.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

std::vector<std::uint8_t> pattern(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return v;
}

// A stream decorator that counts the block reads reaching the file.
class CountingStream final : public platform::Stream {
public:
    CountingStream(std::unique_ptr<platform::Stream> inner, std::vector<std::size_t>& reads)
        : inner_(std::move(inner)), reads_(reads) {}
    std::size_t read(void* b, std::size_t n) override {
        reads_.push_back(n);
        return inner_->read(b, n);
    }
    void write(const void* b, std::size_t n) override { inner_->write(b, n); }
    std::int64_t position() const override { return inner_->position(); }
    void seek(std::int64_t p) override { inner_->seek(p); }
    std::int64_t size() const override { return inner_->size(); }

private:
    std::unique_ptr<platform::Stream> inner_;
    std::vector<std::size_t>& reads_;
};

struct MemoryReader {
    explicit MemoryReader(std::vector<std::uint8_t> bytes) {
        auto s = std::make_unique<platform::MemoryStream>(std::move(bytes));
        stream = s.get();
        reader = std::make_unique<TBasicReader>(std::move(s));
    }
    platform::MemoryStream* stream;
    std::unique_ptr<TBasicReader> reader;
};

TEST(BasicReader, ReadsAFileByteByByteInWholeBuffers) {
    test::TempDir dir;
    const auto bytes = pattern(10000);
    test::writeBytes(dir.file("f.bin"), bytes);
    std::vector<std::size_t> reads;
    TBasicReader r(std::make_unique<CountingStream>(
        platform::openFileStream(dir.file("f.bin"), platform::OpenMode::ReadOnly), reads));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        EXPECT_FALSE(r.Eof());
        ASSERT_EQ(r.ReadByte(), bytes[i]);
    }
    EXPECT_TRUE(r.Eof());
    EXPECT_EQ(reads, (std::vector<std::size_t>{2048, 2048, 2048, 2048, 1808}));
    EXPECT_THROW(r.ReadByte(), EReadError);

    MemoryReader m(bytes);
    while (!m.reader->Eof()) m.reader->ReadByte();
    EXPECT_EQ(m.stream->readCalls(), 5u);
}

TEST(BasicReader, PositionSizeAndEof) {
    MemoryReader m(pattern(5000));
    auto& r = *m.reader;
    EXPECT_EQ(r.GetPosition(), 0);
    EXPECT_EQ(r.GetSize(), 5000);
    r.ReadByte();
    r.ReadByte();
    r.ReadByte();
    EXPECT_EQ(r.GetPosition(), 3);  // although the stream read a whole buffer
    EXPECT_EQ(m.stream->position(), 2048);
    r.SetPosition(4999);
    EXPECT_FALSE(r.Eof());
    EXPECT_EQ(r.ReadByte(), pattern(5000)[4999]);
    EXPECT_TRUE(r.Eof());
    r.SetPosition(10);
    EXPECT_EQ(r.ReadByte(), pattern(5000)[10]);
    EXPECT_THROW(r.SetPosition(-1), EReadError);
    r.SetPosition(6000);
    EXPECT_TRUE(r.Eof());
    EXPECT_THROW(r.ReadByte(), EReadError);
}

TEST(BasicReader, ByteOrder) {
    MemoryReader m({0x12, 0x34, 0x12, 0x34, 0x56, 0x78, 0x12, 0x34, 0x12, 0x34, 0x56, 0x78});
    auto& r = *m.reader;
    EXPECT_FALSE(r.LittleEndian());
    EXPECT_EQ(r.ReadWord(), 0x1234);
    EXPECT_EQ(r.ReadDWord(), 0x12345678u);
    r.SetLittleEndian(true);
    EXPECT_EQ(r.ReadWord(), 0x3412);
    EXPECT_EQ(r.ReadDWord(), 0x78563412u);
}

TEST(BasicReader, Strings) {
    MemoryReader m({'a', 'b', 0, 0, 2, 'c', 'd', 0, 1, 'e', 0, 0, 0, 2, 'f', 'g', 0xFF, 0xFF, 0xFF, 0xFF, 'h'});
    auto& r = *m.reader;
    EXPECT_EQ(r.ReadZString(), "ab");
    EXPECT_EQ(r.ReadLString(), "");  // a zero length consumes its byte only
    EXPECT_EQ(r.GetPosition(), 4);
    EXPECT_EQ(r.ReadLString(), "cd");
    EXPECT_EQ(r.ReadWString(), "e");
    EXPECT_EQ(r.ReadDString(), "fg");
    EXPECT_EQ(r.ReadDString(), "");  // a negative length gives no text
    std::uint8_t last = 0;
    r.ReadBuffer(&last, 1);
    EXPECT_EQ(last, 'h');
    EXPECT_TRUE(r.Eof());
}

TEST(BasicReader, DeclaredLengthsBeyondTheEndAreRefusedUpFront) {
    {
        MemoryReader m({0x7F, 0xFF, 0xFF, 0xFF, 'a'});
        EXPECT_THROW(m.reader->ReadDString(), EReadError);
        EXPECT_EQ(m.reader->GetPosition(), 4);  // nothing of the text was taken
    }
    {
        MemoryReader m({0xFF, 0xFF, 'a', 'b'});
        EXPECT_THROW(m.reader->ReadWString(), EReadError);
    }
    {
        MemoryReader m({5, 'a', 'b'});
        EXPECT_THROW(m.reader->ReadLString(), EReadError);
    }
    {
        MemoryReader m({'a', 'b'});
        EXPECT_THROW(m.reader->ReadZString(), EReadError);
    }
}

TEST(BasicReader, ShrinkingTheBufferKeepsTheReadPosition) {
    const auto bytes = pattern(5000);
    MemoryReader m(bytes);
    auto& r = *m.reader;
    for (int i = 0; i < 10; ++i) r.ReadByte();  // buffer holds 2048, 10 handed out
    r.SetBufferSize(100);                       // below what the buffer holds
    EXPECT_EQ(r.BufferSize(), 100);
    EXPECT_EQ(r.GetPosition(), 10);
    for (std::size_t i = 10; i < bytes.size(); ++i) ASSERT_EQ(r.ReadByte(), bytes[i]) << i;
    EXPECT_TRUE(r.Eof());
    r.SetBufferSize(0);  // meaningless sizes are ignored
    EXPECT_EQ(r.BufferSize(), 100);
}

TEST(BasicReader, FileNames) {
    test::TempDir dir;
    test::writeBytes(dir.file("a.bin"), pattern(100));
    test::writeBytes(dir.file("b.bin"), {0xEE});
    TBasicReader r;
    EXPECT_EQ(r.OpenMode(), TBasicFiler::ModeReadDenyWrite);
    EXPECT_TRUE(r.Eof());
    EXPECT_THROW(r.ReadByte(), EReadError);
    r.SetFileName(dir.file("a.bin"));
    r.ReadByte();
    r.ReadByte();
    r.SetFileName(dir.file("a.bin"));  // same name: same stream, same position
    EXPECT_EQ(r.GetPosition(), 2);
    r.SetFileName(dir.file("b.bin"));
    EXPECT_EQ(r.ReadByte(), 0xEE);

    // A failed open leaves no file and no name behind, so that opening the
    // old file again really opens it.
    EXPECT_THROW(r.SetFileName(dir.file("missing.bin")), EFOpenError);
    EXPECT_EQ(r.FileName(), "");
    EXPECT_FALSE(r.HasStream());
    EXPECT_THROW(r.ReadByte(), EReadError);
    r.SetFileName(dir.file("b.bin"));
    EXPECT_EQ(r.ReadByte(), 0xEE);
    r.SetFileName("");
    EXPECT_FALSE(r.HasStream());
    EXPECT_TRUE(r.Eof());

    TBasicFiler f;
    EXPECT_EQ(f.OpenMode(), TBasicFiler::ModeReadWriteDenyNone);
}

TEST(BasicFiler, WriteSideKeepsEverythingWritten) {
    TBasicFiler f;
    f.SetBufferSize(4);
    f.WriteWord(0x1234);
    f.SetLittleEndian(true);
    f.WriteWord(0x1234);
    f.WriteLString("xyz");  // beyond the four-byte buffer: it grows
    const std::vector<std::uint8_t> expected = {0x12, 0x34, 0x34, 0x12, 3, 'x', 'y', 'z'};
    EXPECT_EQ(std::vector<std::uint8_t>(f.WrittenBytes().begin(), f.WrittenBytes().end()), expected);
    EXPECT_THROW(f.WriteLString(std::string(256, 'a')), EWriteError);
    f.WriteLString(std::string(255, 'a'));
    EXPECT_EQ(f.WrittenBytes().size(), expected.size() + 256);
    f.ResetBuffer();
    EXPECT_TRUE(f.WrittenBytes().empty());
}

}  // namespace
}  // namespace tarvex
