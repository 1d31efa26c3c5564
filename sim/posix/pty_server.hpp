#pragma once
// The board simulator behind a pseudo-terminal, so that the link's real
// serial-port code (or any terminal program) can talk to it. A terminal has
// no RTS/DTR, so the board takes a change of the line to 9600 baud while it
// runs at another rate as the reset pulse that goes with every fresh open.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "sim/board.hpp"

namespace tarvex::sim {

class PtyServer {
public:
    // Opens the pseudo-terminal; raises std::runtime_error on failure.
    explicit PtyServer(Board& board);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // The device a serial port opens, e.g. /dev/pts/4.
    const std::string& devicePath() const { return path_; }

    // Serves in a thread of its own until stop() or destruction.
    void start();
    void stop();
    // One round: waits up to timeoutMs for bytes from the host, hands them
    // to the board and sends its answers back.
    void serveOnce(int timeoutMs);

    // The rate the host side set on the line (0 when not one of the board's).
    std::uint32_t lineBaud() const;
    std::uint64_t bytesSent() const { return sent_.load(); }
    // True while the board holds answers not yet on the line.
    bool answersPending();

private:
    void pushAnswers();
    void followLineRate();

    Board& board_;
    int master_ = -1;
    int slave_ = -1;  // kept open so that the line survives the host's close
    std::string path_;
    std::uint32_t lastBaud_ = 0;
    std::atomic<bool> running_{false};
    std::atomic<std::uint64_t> sent_{0};
    std::mutex pushing_;  // answers taken from the board and not yet on the line
    std::thread thread_;
};

}  // namespace tarvex::sim
