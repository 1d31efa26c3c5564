#include "sim/posix/pty_server.hpp"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace tarvex::sim {

namespace {

std::uint32_t baudOf(speed_t s) {
    switch (s) {
        case B9600: return 9600;
        case B38400: return 38400;
        case B115200: return 115200;
        default: return 0;
    }
}

[[noreturn]] void fail(const char* what) { throw std::runtime_error(std::string(what) + ": " + std::strerror(errno)); }

}  // namespace

PtyServer::PtyServer(Board& board) : board_(board) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) fail("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        ::close(master_);
        fail("grantpt");
    }
    const char* name = ::ptsname(master_);
    if (!name) {
        ::close(master_);
        fail("ptsname");
    }
    path_ = name;
    slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        ::close(master_);
        fail("open slave");
    }
    termios t{};
    if (::tcgetattr(slave_, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B9600);
        ::cfsetospeed(&t, B9600);
        ::tcsetattr(slave_, TCSANOW, &t);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    lastBaud_ = lineBaud();
}

PtyServer::~PtyServer() {
    stop();
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

void PtyServer::start() {
    if (running_.exchange(true)) return;
    thread_ = std::thread([this] {
        while (running_.load()) serveOnce(5);
    });
}

void PtyServer::stop() {
    running_.store(false);
    if (thread_.joinable()) thread_.join();
}

std::uint32_t PtyServer::lineBaud() const {
    termios t{};
    // On the master side the terminal settings are the host side's.
    if (::tcgetattr(master_, &t) != 0) return 0;
    return baudOf(::cfgetospeed(&t));
}

void PtyServer::followLineRate() {
    const std::uint32_t now = lineBaud();
    if (now != lastBaud_ && now == 9600 && board_.baud() != 9600) board_.reset();
    lastBaud_ = now;
}

bool PtyServer::answersPending() {
    std::lock_guard lock(pushing_);
    return board_.available() > 0;
}

void PtyServer::pushAnswers() {
    std::lock_guard lock(pushing_);
    std::vector<std::uint8_t> out(board_.available());
    if (out.empty()) return;
    out.resize(board_.read(out.data(), out.size()));
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(master_, out.data() + done, out.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            sent_ += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return;
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, 50);
    }
}

void PtyServer::serveOnce(int timeoutMs) {
    // Wake in time for what the board sends on its own.
    int wait = board_.available() > 0 ? 0 : timeoutMs;
    if (const auto next = board_.nextReadyAt()) {
        const std::uint64_t now = board_.clock().monotonicMs();
        wait = *next <= now ? 0 : static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(wait), *next - now));
    }
    pollfd p{master_, POLLIN, 0};
    const int r = ::poll(&p, 1, wait);
    if (r > 0 && (p.revents & POLLIN)) {
        std::uint8_t buffer[512];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            followLineRate();
            board_.receive(buffer, static_cast<std::size_t>(n), lineBaud());
        }
    }
    pushAnswers();
}

}  // namespace tarvex::sim
