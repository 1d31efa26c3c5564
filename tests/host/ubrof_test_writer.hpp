#pragma once
// Builds UBROF files byte by byte for the tests (no free tool writes them):
// big-endian B/W/D fields, L/W/D strings, dotted and colon groups.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::test {

class UbrofBytes {
public:
    UbrofBytes() = default;
    UbrofBytes(std::initializer_list<std::uint8_t> bytes) : b_(bytes) {}

    UbrofBytes& b(std::uint32_t v) {
        b_.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    UbrofBytes& w(std::uint32_t v) { return b((v >> 8) & 0xFF).b(v & 0xFF); }
    UbrofBytes& d(std::uint32_t v) { return w(v >> 16).w(v & 0xFFFF); }
    UbrofBytes& raw(std::string_view s) {
        b_.insert(b_.end(), s.begin(), s.end());
        return *this;
    }
    UbrofBytes& l(std::string_view s) { return b(static_cast<std::uint32_t>(s.size())).raw(s); }
    UbrofBytes& ws(std::string_view s) { return w(static_cast<std::uint32_t>(s.size())).raw(s); }
    UbrofBytes& ds(std::string_view s) { return d(static_cast<std::uint32_t>(s.size())).raw(s); }
    // A dotted or colon group: three bytes.
    UbrofBytes& group(std::uint8_t x, std::uint8_t y, std::uint8_t z) { return b(x).b(y).b(z); }
    UbrofBytes& bytes(std::initializer_list<std::uint8_t> bs) {
        b_.insert(b_.end(), bs);
        return *this;
    }
    UbrofBytes& append(const UbrofBytes& o) {
        b_.insert(b_.end(), o.b_.begin(), o.b_.end());
        return *this;
    }
    const std::vector<std::uint8_t>& data() const { return b_; }

private:
    std::vector<std::uint8_t> b_;
};

// The records of a function START in the open module: its code 02 00 30
// at 0, a label LOOP, line 10.
inline UbrofBytes StartFunction() {
    return UbrofBytes{}
        .b(0x50)
        .l("START")
        .w(0).w(0).w(0).w(0).w(0)
        .bytes({0x51, 0x01, 0, 0, 0, 0})
        .bytes({0x47, 0, 0x0A, 0, 0, 0, 0, 0, 0, 0})
        .bytes({0x39, 3, 0x02, 0x00, 0x30})
        .bytes({0x4C, 2, 0, 1, 0, 0, 0, 0})
        .l("LOOP")
        .bytes({0, 0, 0, 0x49});
}

// With TARVEX_WRITE_SEEDS naming the fuzz seed folder (fuzz/seeds), the tests
// leave their inputs there as seeds: `TARVEX_WRITE_SEEDS=$PWD/fuzz/seeds
// build/dev/tests/tests_host --gtest_filter='Ubrof*:Avr*:Cdb*'`.
inline void WriteSeed(const std::string& target, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const char* dir = std::getenv("TARVEX_WRITE_SEEDS");
    if (dir == nullptr || *dir == 0) return;
    std::string file = name;
    for (auto& c : file)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.') c = '_';
    std::ofstream out(std::string(dir) + "/" + target + "/" + file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// avra's object file for avrdefs.asm (including avrregs.inc): rjmp main,
// .org 0x10, jmp main (two words, one line), ldi, mov, rjmp.
inline std::vector<std::uint8_t> AvrdefsObject() {
    const struct {
        std::uint32_t word;
        std::uint16_t opcode, line;
    } records[] = {{0x00, 0xC011, 9},  {0x10, 0x940C, 11}, {0x11, 0x0012, 11},
                   {0x12, 0xE102, 12}, {0x13, 0x2F10, 13}, {0x14, 0xCFFD, 14}};
    UbrofBytes f;
    f.d(0x50).d(0x1A).b(9).b(2).raw("AVR Object File").b(0);
    for (const auto& r : records) f.b(0).w(r.word).w(r.opcode).b(0).w(r.line).b(0);
    return f.raw("avrdefs.asm").b(0).raw("avrregs.inc").b(0).b(0).data();
}

}  // namespace tarvex::test
