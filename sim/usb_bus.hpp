#pragma once
// USB as the D2XX library shows it, with boards behind it: the stand-in
// D2XX library built from this folder serves its calls from a UsbBus, and
// tests reach that bus to plug boards in, pull them out and make calls fail.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "sim/board.hpp"

namespace tarvex::sim {

class UsbBus {
public:
    // D2XX status values the bus hands out.
    static constexpr std::uint32_t Ok = 0, InvalidHandle = 1, DeviceNotFound = 2, DeviceNotOpened = 3,
                                   IoError = 4, InvalidParameter = 6;

    // The clock on which reads wait for answers; the system clock unless a
    // test hands its own.
    void setClock(platform::Clock* clock);
    platform::Clock& clock();

    Board& addDevice(const std::string& serial, const std::string& description, BoardConfig config = {});
    void clear();
    Board& board(std::size_t index);
    // The device is gone: every call on it fails with an I/O error.
    void loseDevice(std::size_t index);

    // The next `times` reads (or writes) move at most `after` bytes and then
    // report status; later ones behave.
    void failNextRead(std::uint32_t status, std::size_t after, int times = 1);
    void failNextWrite(std::uint32_t status, std::size_t after, int times = 1);
    void failNextQueueStatus(std::uint32_t status);
    void failNextSetTimeouts(std::uint32_t status);
    // Every call behaves again.
    void clearFaults();

    // Names of the calls made, in order ("FT_Open 0", "FT_Read", ...).
    std::vector<std::string> calls() const;
    void clearCalls();
    std::size_t openHandles() const;

    // ---- The library's calls
    std::uint32_t listDevices(void* arg1, void* arg2, std::uint32_t flags);
    std::uint32_t open(int index, void** handle);
    std::uint32_t close(void* handle);
    std::uint32_t read(void* handle, void* buffer, std::uint32_t count, std::uint32_t* done);
    std::uint32_t write(void* handle, const void* buffer, std::uint32_t count, std::uint32_t* done);
    std::uint32_t purge(void* handle, std::uint32_t mask);
    std::uint32_t setTimeouts(void* handle, std::uint32_t readMs, std::uint32_t writeMs);
    std::uint32_t setLatencyTimer(void* handle, std::uint8_t ms);
    std::uint32_t getQueueStatus(void* handle, std::uint32_t* rx);
    std::uint32_t getStatus(void* handle, std::uint32_t* rx, std::uint32_t* tx, std::uint32_t* events);
    std::uint32_t resetDevice(void* handle);

    // The bus of the stand-in library loaded in this process.
    static UsbBus& instance();

private:
    struct Device {
        std::string serial;
        std::string description;
        std::unique_ptr<Board> board;
        bool present = true;
        bool open = false;
        std::uint32_t readTimeout = 0;
        std::vector<std::uint8_t> held;
    };
    struct Fault {
        bool armed = false;
        std::uint32_t status = 0;
        std::size_t after = 0;
        int times = 1;
    };
    // Takes one use of a fault; returns it as it was armed.
    static Fault take(Fault& f);
    Device* deviceOf(void* handle, std::uint32_t& status);
    void note(std::string call);

    mutable std::recursive_mutex mutex_;
    platform::Clock* clock_ = nullptr;
    std::vector<std::unique_ptr<Device>> devices_;
    Fault readFault_, writeFault_, queueFault_, timeoutsFault_;
    std::vector<std::string> calls_;
};

}  // namespace tarvex::sim
