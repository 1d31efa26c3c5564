// The link against a board that says anything, and the board simulator
// against a host that sends anything: neither may crash or read out of
// bounds, whatever arrives.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "core/errors.hpp"
#include "emulator/link/basis_emulator.hpp"
#include "emulator/monitor_data.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"

namespace {

using namespace tarvex;

// A serial port whose board answers with the fuzzer's bytes.
class FuzzPort final : public platform::SerialPort {
public:
    FuzzPort(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    void configure(std::uint32_t) override {}
    void setTimeouts(const platform::SerialTimeouts&) override {}
    void setRts(bool) override {}
    void setDtr(bool) override {}
    std::size_t read(std::uint8_t* buffer, std::size_t count) override {
        std::size_t n = 0;
        while (n < count && pos_ < size_) buffer[n++] = data_[pos_++];
        return n;
    }
    std::size_t write(const std::uint8_t*, std::size_t count) override { return count; }
    std::size_t inputQueued() override { return size_ - pos_; }
    void purgeInput() override {}

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void fuzzLink(const std::uint8_t* data, std::size_t size) {
    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    platform::ScriptedMessageBoxes boxes;
    platform::NullNoticeWindow notice;
    platform::ScopedUi ui(&boxes, nullptr, &notice);
    TBasisEmulator link(clock, settings);
    link.setSerialPortOpener([data, size](const std::string&) -> std::unique_ptr<platform::SerialPort> {
        return std::make_unique<FuzzPort>(data, size);
    });
    try {
        link.Startup();
        link.ReadN(0x1234);
        link.FrameLesen(0x10203, 3);
    } catch (const Exception&) {
    }
}

// Monitor data of the shape the shipped file has: one code per SFR, the
// same in every variant but for 0x82/0x83, and save cells in two modes.
const TMonitorData& fuzzMonitorData() {
    static const TMonitorData data = [] {
        std::string text;
        char line[64];
        for (int v = 0; v < 4; ++v) {
            text += "[AccessCodes " + std::to_string(v) + "]\n";
            for (int row = 0x80; row <= 0xF0; row += 0x10) {
                std::snprintf(line, sizeof line, "%02X:", row);
                text += line;
                for (int a = row; a < row + 16; ++a) {
                    std::snprintf(line, sizeof line, " %02X", (a * 3 + (a < 0x84 ? v : 0)) & 0xFF);
                    text += line;
                }
                text += "\n";
            }
        }
        text += "[SaveArea 0]\nE0: 7EF7\nD0: 7EFD\nBANK: 7EE8\n[SaveArea 1]\nE0: 76E8\nD0: 76EA\nBANK: 76F3\n";
        return ParseMonitorData(text);
    }();
    return data;
}

// The first byte chooses the board: its firmware (the forms of the flash
// and frame commands, the FPGA load with or without a size), whether the
// FPGA starts without an image, and an image size small enough that a load
// ends within one input, so that the commands after it are reached too,
// whether the monitor has its data, and whether the monitor starts switched
// to system memory (the system bracket open: "DN"/"PN" reach the system
// planes of the hardware bank from the first byte on).
void fuzzBoard(const std::uint8_t* data, std::size_t size) {
    platform::FakeClock clock;
    sim::BoardConfig config;
    static const char* const versions[] = {"5.1 ", "4.2 ", "6.0 ", "3.05"};
    const std::uint8_t choice = size > 0 ? data[0] : 0;
    config.version = versions[choice & 3];
    config.fpgaLoaded = (choice & 4) == 0;
    config.fpgaImageSize = 1 + ((choice >> 3) & 7);
    if (choice & 0x40) config.monitor = fuzzMonitorData();
    sim::Board board(clock, config);
    if (choice & 0x80) {
        static const std::uint8_t bracket[] = {'W', 'V', 0x00, 0x01, 0x00, 'W', 'I', 0x00, 0x22, 0x00};
        board.receive(bracket, sizeof bracket);
    }
    std::uint8_t out[64];
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t chunk = 1 + (data[pos] % 16);
        const std::size_t n = chunk < size - pos ? chunk : size - pos;
        board.receive(data + pos, n, (data[pos] & 0x80) ? 115200 : 0);
        pos += n;
        // A running target gets a millisecond of machine cycles per chunk.
        clock.advance(1);
        board.read(out, sizeof out);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    if (data[0] & 1)
        fuzzLink(data + 1, size - 1);
    else
        fuzzBoard(data + 1, size - 1);
    return 0;
}
