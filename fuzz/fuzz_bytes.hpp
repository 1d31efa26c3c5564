#pragma once
// The fuzzer's input read as a stream of little-endian numbers; past its end
// every read gives 0, so a short input still describes a whole case.
#include <cstddef>
#include <cstdint>

namespace tarvex::fuzz {

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    std::uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t u16() {
        // Two statements: the operands of | may be evaluated in either order.
        const std::uint16_t low = u8();
        return static_cast<std::uint16_t>(low | u8() << 8);
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace tarvex::fuzz
