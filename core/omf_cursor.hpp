#pragma once
// Bounded decoding of one OMF record. A record is read whole into memory and
// its fields are taken from there through this cursor, which knows how many
// bytes the record really has: a field that would run past the record's end
// raises EOmfFormatError instead of reading into the next record.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/errors.hpp"

namespace tarvex {

// Malformed object file: a record that lies about its length, a field that
// runs past its record, a file that ends inside a record, a type index
// beyond the number table. Inside the family, so a handler of file errors
// catches it; `detail()` is the text without the leading
// "Format error in OMF file" for callers that add their own prefix.
class EOmfFormatError : public EVokWinFileError {
public:
    explicit EOmfFormatError(const std::string& detail);
    const std::string& detail() const noexcept { return detail_; }

private:
    std::string detail_;
};

// Five-byte OMF2 address: a flag byte (set only when it is exactly 1) and a
// 32-bit value. Bits 24-31 of the value are the memory space, bit 23 the
// code flag, bits 16-22 the bank, bits 0-15 the offset.
struct OmfAddress {
    bool flag = false;
    std::uint32_t value = 0;
    friend bool operator==(const OmfAddress&, const OmfAddress&) = default;
};

// A type index with the width it had in the file (1, or 3 after the 0x1F escape).
struct OmfTypeIndex {
    std::uint32_t value = 0;
    std::uint8_t width = 1;
    friend bool operator==(const OmfTypeIndex&, const OmfTypeIndex&) = default;
};

// Bank and offset of a 24-bit address with its code flag (bit 23) cleared.
struct OmfBankOffset {
    std::uint8_t bank = 0;
    std::uint16_t offset = 0;
    friend bool operator==(const OmfBankOffset&, const OmfBankOffset&) = default;
};

constexpr OmfBankOffset SplitOmfAddress(std::uint32_t value) {
    return {static_cast<std::uint8_t>((value >> 16) & 0x7F), static_cast<std::uint16_t>(value & 0xFFFF)};
}

class OmfCursor {
public:
    // `bytes` are the record's bytes after its length word (body and
    // checksum); `filePosition` is where the first of them lies in the file.
    OmfCursor(const std::uint8_t* bytes, std::size_t size, std::int32_t filePosition, std::uint8_t recordType,
              std::int32_t recordPosition)
        : bytes_(bytes),
          size_(size),
          filePosition_(filePosition),
          recordPosition_(recordPosition),
          recordType_(recordType) {}

    std::size_t remaining() const { return size_ - pos_; }
    std::size_t consumed() const { return pos_; }
    // File position of the next byte the cursor hands out.
    std::int32_t filePosition() const { return filePosition_ + static_cast<std::int32_t>(pos_); }
    const std::uint8_t* current() const { return bytes_ + pos_; }

    std::uint8_t Byte() {
        need(1);
        return bytes_[pos_++];
    }
    std::uint16_t Word() {
        need(2);
        const auto v = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t DWord() {
        need(4);
        const std::uint32_t v = static_cast<std::uint32_t>(bytes_[pos_]) |
                                (static_cast<std::uint32_t>(bytes_[pos_ + 1]) << 8) |
                                (static_cast<std::uint32_t>(bytes_[pos_ + 2]) << 16) |
                                (static_cast<std::uint32_t>(bytes_[pos_ + 3]) << 24);
        pos_ += 4;
        return v;
    }
    // Length byte, then that many characters.
    std::string Name() {
        const std::size_t n = Byte();
        need(n);
        std::string s(reinterpret_cast<const char*>(bytes_ + pos_), n);
        pos_ += n;
        return s;
    }
    // One byte, or 0x1F followed by the index high byte first.
    OmfTypeIndex TypeIndex() {
        const std::uint8_t b = Byte();
        if (b != 0x1F) return {b, 1};
        need(2);
        const std::uint32_t v = (static_cast<std::uint32_t>(bytes_[pos_]) << 8) | bytes_[pos_ + 1];
        pos_ += 2;
        return {v, 3};
    }
    OmfAddress Address() {
        const std::uint8_t flag = Byte();
        return {flag == 1, DWord()};
    }
    void Skip(std::size_t n) {
        need(n);
        pos_ += n;
    }

    // Raises the format error for this record with the given reason.
    [[noreturn]] void Fail(std::string_view reason) const;

private:
    void need(std::size_t n) const {
        if (n > size_ - pos_) Fail("a field runs past the end of the record");
    }

    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::int32_t filePosition_;
    std::int32_t recordPosition_;
    std::uint8_t recordType_;
};

}  // namespace tarvex
