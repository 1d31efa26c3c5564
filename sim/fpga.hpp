#pragma once
// The board's FPGA: whether it holds an image, and the loading of one
// through "f". Without an image the board's master memory is not there
// (reads answer 0xFF, writes are lost). The image bytes are counted, not
// kept: the simulator plays no gates.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tarvex::sim {

class Fpga {
public:
    explicit Fpga(bool loaded) : loaded_(loaded) {}

    bool loaded() const { return loaded_; }
    bool loading() const { return loading_; }
    // Power off and on: the FPGA forgets its image.
    void powerCycle() {
        loaded_ = false;
        loading_ = false;
    }

    // The answer of "f": 0x00 without an image, 0x01 with one, unless a
    // test makes it answer something else.
    std::uint8_t queryAnswer() const { return queryAnswer_.value_or(loaded_ ? 0x01 : 0x00); }
    void setQueryAnswer(std::optional<std::uint8_t> answer) { queryAnswer_ = answer; }

    // A load of `size` image bytes begins; the old image is gone.
    void beginLoad(std::size_t size);
    // Takes one image byte; true when it was the last.
    bool take();
    // The answer after the last byte (0x00 loaded, else the failure value,
    // which leaves the FPGA without an image).
    std::uint8_t finishLoad();
    // A load cut short (a reset on the way): no image.
    void abortLoad() {
        loading_ = false;
        loaded_ = false;
    }
    std::size_t remaining() const { return remaining_; }
    // The image bytes of the last load received so far.
    std::size_t imageBytes() const { return received_; }

    // The next load answers `answer` (0x01, 0x02, ...) and leaves no image.
    void failNextLoad(std::uint8_t answer) { failure_ = answer; }

private:
    bool loaded_;
    bool loading_ = false;
    std::size_t remaining_ = 0;
    std::size_t received_ = 0;
    std::optional<std::uint8_t> queryAnswer_;
    std::optional<std::uint8_t> failure_;
};

// The image size a board expects below firmware code 21, where the load
// carries no size: the TARVEX-IV's (codes 11, 12) 14,751 bytes, else 32,768.
std::size_t ExpectedFpgaImageSize(std::uint8_t firmwareCode);

}  // namespace tarvex::sim
