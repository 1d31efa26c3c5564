#pragma once
// The TARVEX board as the link sees it: a byte stream in, fixed-length
// answers out. The board parses what arrives command by command, however the
// bytes were split into writes, keeps its memories and variables, logs every
// command with its bytes, and can be told to misbehave.
#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.hpp"

namespace tarvex::sim {

struct BoardConfig {
    std::string version = "5.1 ";        // 4 characters, sent before the identification
    std::string identification = "TARVEX51";  // or "TARVEX  " for the oldest boards
    std::vector<std::uint8_t> junkPrefix;     // sent in answer to the first polls
    std::uint16_t serialNumber = 0x1234;
    std::uint8_t hardwareId = 0x04;
    std::uint8_t deviceVersion = 0;
    std::uint8_t iapInfo = 0x11;  // answer of the IAP query; 88 means "no erase"
    std::uint8_t frameSize = 11;
};

// One command as the board understood it. Bytes the board could not place
// are logged with the name "?"; bytes sent while RTS was off, or at another
// rate than the board's, with "ignored".
struct CommandRecord {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::uint32_t baud = 0;
};

class Board {
public:
    explicit Board(platform::Clock& clock, BoardConfig config = {});

    // ---- The host side of the wire. lineBaud 0 means the medium carries
    // bytes whatever the rate (a pseudo-terminal, USB, the parallel port).
    void receive(const std::uint8_t* data, std::size_t count, std::uint32_t lineBaud = 0);
    std::size_t available();  // answer bytes ready now
    std::size_t read(std::uint8_t* data, std::size_t count);
    // The first ready answer byte, left in place (0 when none).
    std::uint8_t peek();
    // When the first answer byte that is not ready yet will be; empty when
    // nothing is queued.
    std::optional<std::uint64_t> nextReadyAt();
    void purgeOutput();
    // Puts answer bytes back in front of the queue, ready now.
    void inject(const std::vector<std::uint8_t>& bytes);
    // RTS and DTR going from both off to both on resets the board.
    void setLines(bool rts, bool dtr);
    // The board's power-on state: 9600 baud, flash block 0, parser idle.
    void reset();

    // ---- Faults
    void setSilent(bool on);
    // The next answer is cut to keep bytes.
    void shortenNextAnswer(std::size_t keep);
    // Answers become ready only this long after their command.
    void setAnswerDelay(std::uint32_t ms);
    // In a byte-wise flash transfer, answer with value at data byte index.
    void failFlashByteAt(std::size_t index, std::uint8_t value);

    // ---- Inspection
    std::vector<CommandRecord> log() const;
    void clearLog();
    std::uint32_t baud() const;
    std::uint8_t flashBlock() const;
    std::uint8_t master(std::uint16_t address) const;
    void setMaster(std::uint16_t address, std::uint8_t value);
    std::uint8_t internal(std::uint8_t address) const;
    std::uint8_t variable(std::uint16_t index) const;
    std::uint8_t flash(std::uint8_t block, std::uint16_t address) const;
    std::uint8_t firmwareCode() const { return firmwareCode_; }
    std::uint64_t bytesReceived() const;
    std::uint64_t bytesSent() const;
    const BoardConfig& config() const { return config_; }

private:
    enum class Parse { NeedMore, Unknown, Complete };
    struct Pending {
        std::uint8_t byte;
        std::uint64_t readyAt;
    };

    void feed(std::uint8_t byte);
    Parse match(std::size_t& length) const;
    void execute(const std::vector<std::uint8_t>& command);
    void answer(std::vector<std::uint8_t> bytes);
    void record(std::string name, const std::vector<std::uint8_t>& bytes);
    void identificationByte();
    void flashData(std::uint8_t byte);

    platform::Clock& clock_;
    BoardConfig config_;
    std::uint8_t firmwareCode_;
    mutable std::mutex mutex_;

    std::vector<std::uint8_t> pending_;
    std::deque<Pending> out_;
    std::vector<CommandRecord> log_;
    std::uint32_t baud_ = 9600;
    bool rts_ = true, dtr_ = true;
    bool linesWereOff_ = false;
    std::size_t identIndex_ = 0;
    std::size_t junkIndex_ = 0;

    // A flash block transfer in its data phase.
    struct FlashTransfer {
        std::size_t remaining = 0;
        std::size_t index = 0;
        std::uint16_t address = 0;  // where the next wire byte goes
        bool byteWise = false;
    };
    std::optional<FlashTransfer> transfer_;
    std::vector<std::uint8_t> transferBytes_;

    std::vector<std::uint8_t> master_ = std::vector<std::uint8_t>(0x10000, 0);
    std::array<std::uint8_t, 256> internal_{};
    std::vector<std::uint8_t> variables_ = std::vector<std::uint8_t>(0x10000, 0);
    std::array<std::vector<std::uint8_t>, 2> flash_;
    std::uint8_t flashBlock_ = 0;

    bool silent_ = false;
    std::optional<std::size_t> shortNext_;
    std::uint32_t delay_ = 0;
    std::optional<std::pair<std::size_t, std::uint8_t>> flashFault_;
    std::uint64_t received_ = 0;
    std::uint64_t sent_ = 0;
};

}  // namespace tarvex::sim
