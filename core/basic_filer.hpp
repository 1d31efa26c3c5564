#pragma once
// Buffered, byte-order aware access to a file: the base of the object-file
// and HEX readers, which parse their input byte by byte. Reads go through a
// buffer (2048 bytes unless changed) so that such parsing costs one stream
// read per buffer. A read past the end raises EReadError; readers that must
// stop cleanly test Eof() first.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/stream.hpp"

namespace tarvex {

class TBasicFiler {
public:
    static constexpr std::int32_t DefaultBufferSize = 2048;
    // The platform's file-mode bits, kept for the subclasses that test them.
    static constexpr std::uint16_t ModeReadWriteDenyNone = 0x42;
    static constexpr std::uint16_t ModeReadDenyWrite = 0x20;

    // With a stream the filer reads it (tests and fuzzers feed memory this
    // way); without one a file is opened through SetFileName.
    explicit TBasicFiler(std::unique_ptr<platform::Stream> stream = nullptr);
    virtual ~TBasicFiler();
    TBasicFiler(const TBasicFiler&) = delete;
    TBasicFiler& operator=(const TBasicFiler&) = delete;

    // Opens the named file when the name differs from the current one; an
    // empty name closes the file. When opening fails (EFOpenError) the filer
    // is left with no file and an empty name.
    virtual void SetFileName(const std::string& name);
    const std::string& FileName() const { return fileName_; }
    bool HasStream() const { return stream_ != nullptr; }

    // The position of the next byte is at or past the end.
    virtual bool Eof();
    // Forgets the buffered bytes; the next read refills from the stream.
    virtual void ResetBuffer();

    std::int64_t GetPosition();
    std::int64_t GetSize() const;
    void SetPosition(std::int64_t position);
    void SetBufferSize(std::int32_t size);
    std::int32_t BufferSize() const { return capacity_; }

    void SetLittleEndian(bool littleEndian) { littleEndian_ = littleEndian; }
    bool LittleEndian() const { return littleEndian_; }
    std::uint16_t OpenMode() const { return openMode_; }

    std::uint8_t ReadByte() {
        if (index_ < count_) return buffer_[static_cast<std::size_t>(index_++)];
        return readByteRefilling();
    }
    void ReadBuffer(void* buffer, std::size_t n);
    std::uint16_t ReadWord();
    std::uint32_t ReadDWord();
    // Up to and excluding a 0 byte, which is consumed.
    std::string ReadZString();
    // A length of 8, 16 or 32 bits, then that many bytes. A declared length
    // beyond the end of the file raises EReadError before anything is read.
    std::string ReadLString();
    std::string ReadWString();
    std::string ReadDString();

    // The write side fills the buffer only (it grows as needed) and never
    // touches the stream. Writers start on an empty buffer (ResetBuffer);
    // WrittenBytes() is everything from the buffer's start to the write index.
    void WriteByte(std::uint8_t value);
    void WriteWord(std::uint16_t value);
    // Raises EWriteError for a text longer than 255 bytes, which its one
    // length byte cannot describe.
    void WriteLString(std::string_view text);
    std::span<const std::uint8_t> WrittenBytes() const;

protected:
    void SetOpenMode(std::uint16_t mode) { openMode_ = mode; }
    platform::Stream* stream() { return stream_.get(); }

private:
    void refill();
    std::uint8_t readByteRefilling();
    void readExact(std::uint8_t* out, std::size_t n);
    std::string readCounted(std::uint64_t length);
    platform::Stream& requireStream();

    std::vector<std::uint8_t> buffer_;
    std::int32_t count_ = 0;
    std::int32_t index_ = 0;
    std::int32_t capacity_ = 0;
    std::string fileName_;
    std::uint16_t openMode_ = ModeReadWriteDenyNone;
    bool littleEndian_ = false;
    std::unique_ptr<platform::Stream> stream_;
};

// The reading filer: opens its files read-only.
class TBasicReader : public TBasicFiler {
public:
    explicit TBasicReader(std::unique_ptr<platform::Stream> stream = nullptr);
};

}  // namespace tarvex
