#include "sim/trace_recorder.hpp"

#include <algorithm>

namespace tarvex::sim {

TraceRecorder::TraceRecorder(std::uint8_t frameSize, std::size_t capacity)
    : frameSize_(frameSize == 0 ? 1 : frameSize), capacity_(256) {
    while (capacity_ < capacity) capacity_ <<= 1;
}

void TraceRecorder::allocate() {
    if (!memory_.empty()) return;
    memory_.resize(capacity_ * frameSize_);
    for (std::size_t i = 0; i < memory_.size(); ++i) memory_[i] = static_cast<std::uint8_t>(i);
}

void TraceRecorder::setCapacity(std::size_t capacity) {
    std::size_t c = 256;
    while (c < capacity) c <<= 1;
    if (c == capacity_) return;
    capacity_ = c;
    memory_.clear();
    memory_.shrink_to_fit();
}

std::uint8_t TraceRecorder::byteAt(std::uint32_t number, std::size_t offset) const {
    const std::size_t at = slot(number) * frameSize_ + offset % frameSize_;
    return memory_.empty() ? static_cast<std::uint8_t>(at) : memory_[at];
}

void TraceRecorder::setByteAt(std::uint32_t number, std::size_t offset, std::uint8_t value) {
    allocate();
    memory_[slot(number) * frameSize_ + offset % frameSize_] = value;
}

void TraceRecorder::record(const std::uint8_t* frame, std::size_t length) {
    allocate();
    const std::size_t at = slot(counter_) * frameSize_;
    const std::size_t n = std::min<std::size_t>(length, frameSize_);
    std::copy_n(frame, n, memory_.begin() + static_cast<std::ptrdiff_t>(at));
    std::fill_n(memory_.begin() + static_cast<std::ptrdiff_t>(at + n), frameSize_ - n, std::uint8_t{0});
    counter_ = (counter_ + 1) & CounterMask;
}

std::vector<std::uint8_t> TraceRecorder::frames(std::uint32_t from, std::size_t count) const {
    std::vector<std::uint8_t> out;
    out.reserve(count * frameSize_);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = slot(static_cast<std::uint32_t>(from + i)) * frameSize_;
        for (std::size_t j = 0; j < frameSize_; ++j)
            out.push_back(memory_.empty() ? static_cast<std::uint8_t>(at + j) : memory_[at + j]);
    }
    return out;
}

}  // namespace tarvex::sim
