#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/parallel_port.hpp"

namespace tarvex::platform {

namespace {

class PosixPortHold final : public PortHold {
public:
    explicit PosixPortHold(int fd) : fd_(fd) {}
    ~PosixPortHold() override { ::close(fd_); }  // closing drops the lock
    PosixPortHold(const PosixPortHold&) = delete;
    PosixPortHold& operator=(const PosixPortHold&) = delete;

private:
    int fd_;
};

}  // namespace

std::unique_ptr<PortHold> holdSystemParallelPort(const std::string& device) {
    // Read and write, as the port is used; never waiting on a FIFO or device.
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        throw PortHoldError(code, device + ": " + std::strerror(code), false);
    }
    // The lock belongs to this open file, so a second link of the same
    // program is kept off as well as another program.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        throw PortHoldError(code, device + ": " + std::strerror(code), code == EWOULDBLOCK);
    }
    return std::make_unique<PosixPortHold>(fd);
}

}  // namespace tarvex::platform
