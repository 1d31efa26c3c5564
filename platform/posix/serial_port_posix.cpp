#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/serial_port.hpp"

namespace tarvex::platform {

namespace {

std::uint64_t nowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

speed_t speedOf(std::uint32_t baud) {
    switch (baud) {
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        default: return B0;
    }
}

[[noreturn]] void fail(const char* what, bool duringOpen = false) {
    const int code = errno;
    throw SerialError(code, std::string(what) + ": " + std::strerror(code), duringOpen);
}

class PosixSerialPort final : public SerialPort {
public:
    explicit PosixSerialPort(const std::string& device) {
        fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) fail("open", true);
        // No other program may use the port while the link holds it.
        ::ioctl(fd_, TIOCEXCL);
        if (::tcgetattr(fd_, &saved_) != 0) {
            const int code = errno;
            ::close(fd_);
            fd_ = -1;
            errno = code;
            fail("tcgetattr");
        }
        const char* name = ::ttyname(fd_);
        pseudoTerminal_ = name && std::strncmp(name, "/dev/pts/", 9) == 0;
    }

    ~PosixSerialPort() override {
        if (fd_ >= 0) {
            ::tcsetattr(fd_, TCSANOW, &saved_);
            ::close(fd_);
        }
    }

    void configure(std::uint32_t baud) override {
        termios t{};
        if (::tcgetattr(fd_, &t) != 0) fail("tcgetattr");
        ::cfmakeraw(&t);
        t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CSIZE | CRTSCTS);
        t.c_cflag |= CS8 | CREAD | CLOCAL;
        t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        const speed_t speed = speedOf(baud);
        if (speed == B0) {
            errno = EINVAL;
            fail("baud rate");
        }
        if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0) fail("cfsetspeed");
        if (::tcsetattr(fd_, TCSANOW, &t) != 0) fail("tcsetattr");
    }

    void setTimeouts(const SerialTimeouts& timeouts) override { timeouts_ = timeouts; }

    void setRts(bool on) override { modemLine(TIOCM_RTS, on); }
    void setDtr(bool on) override { modemLine(TIOCM_DTR, on); }

    std::size_t read(std::uint8_t* buffer, std::size_t count) override {
        const std::uint64_t total =
            static_cast<std::uint64_t>(timeouts_.readTotalMultiplier) * count + timeouts_.readTotalConstant;
        const std::uint64_t end = nowMs() + total;
        std::size_t done = 0;
        std::uint64_t lastByte = 0;
        while (done < count) {
            const std::uint64_t now = nowMs();
            std::uint64_t limit = end;
            if (done > 0 && timeouts_.readInterval != 0) limit = std::min(limit, lastByte + timeouts_.readInterval);
            if (now >= limit) break;
            if (!waitFor(POLLIN, limit - now)) break;
            const ssize_t n = ::read(fd_, buffer + done, count - done);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) continue;
                fail("read");
            }
            if (n == 0) break;
            done += static_cast<std::size_t>(n);
            lastByte = nowMs();
        }
        return done;
    }

    std::size_t write(const std::uint8_t* buffer, std::size_t count) override {
        const std::uint64_t total =
            static_cast<std::uint64_t>(timeouts_.writeTotalMultiplier) * count + timeouts_.writeTotalConstant;
        const std::uint64_t end = nowMs() + total;
        std::size_t done = 0;
        while (done < count) {
            const ssize_t n = ::write(fd_, buffer + done, count - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) fail("write");
            const std::uint64_t now = nowMs();
            if (now >= end || !waitFor(POLLOUT, end - now)) break;
        }
        return done;
    }

    std::size_t inputQueued() override {
        int n = 0;
        if (::ioctl(fd_, FIONREAD, &n) != 0) fail("FIONREAD");
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }

    void purgeInput() override { ::tcflush(fd_, TCIFLUSH); }

private:
    bool waitFor(short events, std::uint64_t ms) {
        pollfd p{fd_, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(std::min<std::uint64_t>(ms, 1u << 30)));
        if (r < 0) {
            if (errno == EINTR) return true;
            fail("poll");
        }
        if (r > 0 && (p.revents & (POLLERR | POLLNVAL))) {
            errno = EIO;
            fail("poll");
        }
        return r > 0;
    }

    void modemLine(int bit, bool on) {
        if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0) return;
        // A pseudo-terminal has no modem lines; the board simulator behind
        // one does without them.
        if (pseudoTerminal_ && (errno == ENOTTY || errno == EINVAL || errno == EIO)) return;
        fail("modem control");
    }

    int fd_ = -1;
    termios saved_{};
    SerialTimeouts timeouts_{};
    bool pseudoTerminal_ = false;
};

}  // namespace

std::unique_ptr<SerialPort> openSystemSerialPort(const std::string& device) {
    return std::make_unique<PosixSerialPort>(device);
}

}  // namespace tarvex::platform
