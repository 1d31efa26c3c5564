#include "sim/trace_recorder.hpp"

#include <algorithm>

namespace tarvex::sim {

TraceRecorder::TraceRecorder(std::uint8_t frameSize, std::size_t capacity)
    : frameSize_(frameSize == 0 ? 1 : frameSize), capacity_(256) {
    while (capacity_ < capacity) capacity_ <<= 1;
}

void TraceRecorder::record(const std::uint8_t* frame, std::size_t length) {
    if (memory_.empty()) {
        memory_.resize(capacity_ * frameSize_);
        for (std::size_t i = 0; i < memory_.size(); ++i) memory_[i] = static_cast<std::uint8_t>(i);
    }
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
