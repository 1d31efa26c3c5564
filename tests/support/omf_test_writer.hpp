#pragma once
// A small writer of OMF-51 and OMF2 object files for the tests: no free tool
// writes OMF2, and malformed files are easiest to build byte by byte.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/omf_reader.hpp"
#include "platform/stream.hpp"

namespace tarvex::test {

// The fields of one record body, little-endian.
class OmfBody {
public:
    OmfBody() = default;
    OmfBody(std::initializer_list<std::uint8_t> bytes) : b_(bytes) {}

    OmfBody& u8(std::uint32_t v) {
        b_.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    OmfBody& u16(std::uint32_t v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    OmfBody& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    OmfBody& name(std::string_view s) {
        u8(static_cast<std::uint32_t>(s.size()));
        b_.insert(b_.end(), s.begin(), s.end());
        return *this;
    }
    OmfBody& addr(std::uint32_t value, std::uint8_t flag = 0) { return u8(flag).u32(value); }
    // Type index: one byte, or 0x1F and the value high byte first.
    OmfBody& ti(std::uint32_t value, int width = 1) {
        if (width == 3) return u8(0x1F).u8((value >> 8) & 0xFF).u8(value & 0xFF);
        return u8(value);
    }
    OmfBody& bytes(std::initializer_list<std::uint8_t> bs) {
        b_.insert(b_.end(), bs);
        return *this;
    }
    OmfBody& append(const OmfBody& other) {
        b_.insert(b_.end(), other.b_.begin(), other.b_.end());
        return *this;
    }
    const std::vector<std::uint8_t>& data() const { return b_; }

private:
    std::vector<std::uint8_t> b_;
};

class OmfFile {
public:
    // A record with its length (body + checksum) and a checksum that makes
    // the record's bytes sum to 0.
    OmfFile& record(std::uint8_t type, const OmfBody& body) {
        const auto& b = body.data();
        return recordWithLength(type, static_cast<std::uint16_t>(b.size() + 1), body, true);
    }
    // A record that declares any length; the checksum is appended only when asked.
    OmfFile& recordWithLength(std::uint8_t type, std::uint16_t length, const OmfBody& body, bool checksum) {
        const std::size_t start = bytes_.size();
        bytes_.push_back(type);
        bytes_.push_back(static_cast<std::uint8_t>(length & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(length >> 8));
        bytes_.insert(bytes_.end(), body.data().begin(), body.data().end());
        if (checksum) {
            std::uint8_t sum = 0;
            for (std::size_t i = start; i < bytes_.size(); ++i) sum = static_cast<std::uint8_t>(sum + bytes_[i]);
            bytes_.push_back(static_cast<std::uint8_t>(0x100 - sum));
        }
        return *this;
    }
    OmfFile& raw(std::initializer_list<std::uint8_t> bs) {
        bytes_.insert(bytes_.end(), bs);
        return *this;
    }
    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

inline std::unique_ptr<TOmfReader> readerOver(const std::vector<std::uint8_t>& bytes) {
    return std::make_unique<TOmfReader>(std::make_unique<platform::MemoryStream>(bytes));
}

// Every record up to the end of the file.
inline std::vector<std::unique_ptr<TOmfRecord>> readAll(TOmfReader& r) {
    std::vector<std::unique_ptr<TOmfRecord>> out;
    while (!r.Eof()) out.push_back(r.ReadRecord());
    return out;
}

// The small OMF2 module of the tests: one code segment at base 0, three code
// bytes and the symbol MAIN at bank 3 offset 0x1234, line 10 there, and a
// banked area 0x8000..0xFFFF.
inline OmfFile omf2Sample() {
    OmfFile f;
    f.record(omf::ModuleHeader, OmfBody().name("TEST").u8(0).u8(0));
    f.record(omf::Header2, OmfBody()
                               .u8(0).u8(0).u8(0)     // P Q R
                               .u16(0).addr(0)        // word A, address A
                               .u16(0).addr(0)        // word B, address B
                               .u16(0)                // word C
                               .addr(0x8000)          // C: banked-area start
                               .addr(0xFFFF)          // D: banked-area end
                               .addr(0)               // E
                               .u16(0).u16(0).u8(0));  // words D E, byte Z
    f.record(omf::SegmentDefinition, OmfBody().u8(0).u8(0).addr(0).addr(0).u16(0).name("CODE"));
    f.record(omf::Content2, OmfBody().u16(0).u16(1).u8(0x02).addr(0x00831234).bytes({0x02, 0x00, 0x30}));
    f.record(omf::Symbols88, OmfBody().u16(1).addr(0x00831234).u16(5).u16(0).name("MAIN"));
    f.record(omf::LineNumbers2, OmfBody().u16(0).u16(1).u16(10).addr(0x00831234));
    f.record(omf::ModuleEnd, OmfBody().name("TEST").u32(0));
    return f;
}

}  // namespace tarvex::test
