#pragma once
// The trace board's memory: a ring of frames of 11 or 12 bytes written at a
// 24-bit counter (the next frame's number), of which the low bits choose the
// slot. Until the CPU records cycles, a slot never written reads as a fixed
// pattern: byte j of slot h is (h × frame size + j) mod 256.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvex::sim {

class TraceRecorder {
public:
    static constexpr std::uint32_t CounterMask = 0xFFFFFF;
    static constexpr std::size_t DefaultCapacity = 32768;

    // `capacity` is a power of two of at least 256 frames.
    explicit TraceRecorder(std::uint8_t frameSize = 11, std::size_t capacity = DefaultCapacity);

    std::uint8_t frameSize() const { return frameSize_; }
    std::size_t capacity() const { return capacity_; }
    std::uint32_t counter() const { return counter_; }
    void setCounter(std::uint32_t counter) { counter_ = counter & CounterMask; }
    // Set when the write counter wrapped; the register string carries it.
    bool overflow() const { return overflow_; }
    void setOverflow(bool on) { overflow_ = on; }
    // Another memory size (a power of two of at least 256 frames): what was
    // recorded is gone.
    void setCapacity(std::size_t capacity);
    // Byte `offset` of the frame in the slot of frame number `number`.
    std::uint8_t byteAt(std::uint32_t number, std::size_t offset) const;
    void setByteAt(std::uint32_t number, std::size_t offset, std::uint8_t value);

    // Writes one frame (frame size bytes; missing bytes are 0) at the counter
    // and counts on.
    void record(const std::uint8_t* frame, std::size_t length);
    // `count` frames from frame number `from` on, back to back.
    std::vector<std::uint8_t> frames(std::uint32_t from, std::size_t count) const;

private:
    std::size_t slot(std::uint32_t number) const { return number & (capacity_ - 1); }

    std::uint8_t frameSize_;
    std::size_t capacity_;
    void allocate();

    std::uint32_t counter_ = 0;
    bool overflow_ = false;
    // Allocated at the first recorded frame.
    std::vector<std::uint8_t> memory_;
};

}  // namespace tarvex::sim
