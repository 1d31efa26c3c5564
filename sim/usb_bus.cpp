#include "sim/usb_bus.hpp"

#include <algorithm>
#include <cstring>

namespace tarvex::sim {

namespace {
// Handles are the device index plus this, so that 0 is never one.
constexpr std::uintptr_t HandleBase = 0x100;
}  // namespace

UsbBus& UsbBus::instance() {
    static UsbBus bus;
    return bus;
}

void UsbBus::setClock(platform::Clock* clock) {
    std::lock_guard lock(mutex_);
    clock_ = clock;
}

platform::Clock& UsbBus::clock() { return clock_ ? *clock_ : platform::systemClock(); }

Board& UsbBus::addDevice(const std::string& serial, const std::string& description, BoardConfig config) {
    std::lock_guard lock(mutex_);
    auto d = std::make_unique<Device>();
    d->serial = serial;
    d->description = description;
    d->board = std::make_unique<Board>(clock(), std::move(config));
    devices_.push_back(std::move(d));
    return *devices_.back()->board;
}

void UsbBus::clear() {
    std::lock_guard lock(mutex_);
    devices_.clear();
    readFault_ = writeFault_ = queueFault_ = timeoutsFault_ = Fault{};
    calls_.clear();
}

Board& UsbBus::board(std::size_t index) {
    std::lock_guard lock(mutex_);
    return *devices_.at(index)->board;
}

void UsbBus::loseDevice(std::size_t index) {
    std::lock_guard lock(mutex_);
    devices_.at(index)->present = false;
}

void UsbBus::failNextRead(std::uint32_t status, std::size_t after, int times) {
    std::lock_guard lock(mutex_);
    readFault_ = Fault{times > 0, status, after, times};
}

void UsbBus::failNextWrite(std::uint32_t status, std::size_t after, int times) {
    std::lock_guard lock(mutex_);
    writeFault_ = Fault{times > 0, status, after, times};
}

UsbBus::Fault UsbBus::take(Fault& f) {
    const Fault used = f;
    if (f.armed && --f.times <= 0) f = Fault{};
    return used;
}

void UsbBus::failNextQueueStatus(std::uint32_t status) {
    std::lock_guard lock(mutex_);
    queueFault_ = Fault{true, status, 0};
}

void UsbBus::clearFaults() {
    std::lock_guard lock(mutex_);
    readFault_ = writeFault_ = queueFault_ = timeoutsFault_ = Fault{};
}

void UsbBus::failNextSetTimeouts(std::uint32_t status) {
    std::lock_guard lock(mutex_);
    timeoutsFault_ = Fault{true, status, 0};
}

std::vector<std::string> UsbBus::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void UsbBus::clearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

std::size_t UsbBus::openHandles() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(devices_.begin(), devices_.end(), [](const auto& d) { return d->open; }));
}

void UsbBus::note(std::string call) { calls_.push_back(std::move(call)); }

UsbBus::Device* UsbBus::deviceOf(void* handle, std::uint32_t& status) {
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value < HandleBase || value - HandleBase >= devices_.size()) {
        status = InvalidHandle;
        return nullptr;
    }
    Device* d = devices_[value - HandleBase].get();
    if (!d->open) {
        status = InvalidHandle;
        return nullptr;
    }
    if (!d->present) {
        status = IoError;
        return nullptr;
    }
    status = Ok;
    return d;
}

std::uint32_t UsbBus::listDevices(void* arg1, void* arg2, std::uint32_t flags) {
    std::lock_guard lock(mutex_);
    std::vector<Device*> present;
    for (auto& d : devices_)
        if (d->present) present.push_back(d.get());
    if (flags == 0x80000000u) {
        note("FT_ListDevices count");
        if (!arg1) return InvalidParameter;
        *static_cast<std::uint32_t*>(arg1) = static_cast<std::uint32_t>(present.size());
        return Ok;
    }
    const auto index = static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(arg1));
    note("FT_ListDevices " + std::to_string(index));
    if (!arg2 || (flags & 0x40000000u) == 0) return InvalidParameter;
    if (index >= present.size()) return DeviceNotFound;
    const std::string& text = (flags & 3) == 1 ? present[index]->serial : present[index]->description;
    // The library's fields hold 64 bytes: it writes texts of up to 63
    // characters and a zero, whatever buffer the caller has.
    const std::size_t n = std::min<std::size_t>(text.size(), 63);
    std::memcpy(arg2, text.data(), n);
    static_cast<char*>(arg2)[n] = '\0';
    return Ok;
}

std::uint32_t UsbBus::open(int index, void** handle) {
    std::lock_guard lock(mutex_);
    note("FT_Open " + std::to_string(index));
    if (!handle) return InvalidParameter;
    *handle = nullptr;
    std::size_t seen = 0;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        if (!devices_[i]->present) continue;
        if (seen++ != static_cast<std::size_t>(index)) continue;
        if (devices_[i]->open) return DeviceNotOpened;
        devices_[i]->open = true;
        *handle = reinterpret_cast<void*>(HandleBase + i);
        return Ok;
    }
    return DeviceNotFound;
}

std::uint32_t UsbBus::close(void* handle) {
    std::lock_guard lock(mutex_);
    note("FT_Close");
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value < HandleBase || value - HandleBase >= devices_.size() || !devices_[value - HandleBase]->open)
        return InvalidHandle;
    devices_[value - HandleBase]->open = false;
    return Ok;
}

std::uint32_t UsbBus::read(void* handle, void* buffer, std::uint32_t count, std::uint32_t* done) {
    std::unique_lock lock(mutex_);
    note("FT_Read " + std::to_string(count));
    if (done) *done = 0;
    std::uint32_t status = Ok;
    Device* d = deviceOf(handle, status);
    if (!d) return status;
    if (!buffer || !done) return InvalidParameter;
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (!d->held.empty()) {
        // What the device still had to send when the last read failed.
        d->board->inject(d->held);
        d->held.clear();
    }
    std::size_t limit = count;
    const Fault fault = take(readFault_);
    if (fault.armed) limit = std::min<std::size_t>(limit, fault.after);
    platform::Clock& c = clock();
    const std::uint64_t end = c.monotonicMs() + d->readTimeout;
    std::size_t got = 0;
    while (got < limit) {
        got += d->board->read(out + got, limit - got);
        if (got == limit) break;
        const auto next = d->board->nextReadyAt();
        const std::uint64_t now = c.monotonicMs();
        if (!next || *next > end) {
            if (end > now) c.sleepMs(static_cast<std::uint32_t>(end - now));
            break;
        }
        if (*next > now) c.sleepMs(static_cast<std::uint32_t>(*next - now));
    }
    *done = static_cast<std::uint32_t>(got);
    if (fault.armed) {
        // The rest of the answer stays in the device, out of reach of a purge.
        std::vector<std::uint8_t> rest(d->board->available());
        rest.resize(d->board->read(rest.data(), rest.size()));
        d->held = std::move(rest);
        return fault.status;
    }
    return Ok;
}

std::uint32_t UsbBus::write(void* handle, const void* buffer, std::uint32_t count, std::uint32_t* done) {
    std::lock_guard lock(mutex_);
    note("FT_Write " + std::to_string(count));
    if (done) *done = 0;
    std::uint32_t status = Ok;
    Device* d = deviceOf(handle, status);
    if (!d) return status;
    if (!buffer || !done) return InvalidParameter;
    std::size_t n = count;
    const Fault fault = take(writeFault_);
    if (fault.armed) n = std::min<std::size_t>(n, fault.after);
    d->board->receive(static_cast<const std::uint8_t*>(buffer), n);
    *done = static_cast<std::uint32_t>(n);
    return fault.armed ? fault.status : Ok;
}

std::uint32_t UsbBus::purge(void* handle, std::uint32_t mask) {
    std::lock_guard lock(mutex_);
    note("FT_Purge " + std::to_string(mask));
    std::uint32_t status = Ok;
    Device* d = deviceOf(handle, status);
    if (d && (mask & 1)) d->board->purgeOutput();
    return status;
}

std::uint32_t UsbBus::setTimeouts(void* handle, std::uint32_t readMs, std::uint32_t) {
    std::lock_guard lock(mutex_);
    note("FT_SetTimeouts " + std::to_string(readMs));
    std::uint32_t status = Ok;
    Device* d = deviceOf(handle, status);
    if (!d) return status;
    if (timeoutsFault_.armed) {
        const std::uint32_t s = timeoutsFault_.status;
        timeoutsFault_ = Fault{};
        return s;
    }
    d->readTimeout = readMs;
    return Ok;
}

std::uint32_t UsbBus::setLatencyTimer(void* handle, std::uint8_t) {
    std::lock_guard lock(mutex_);
    note("FT_SetLatencyTimer");
    std::uint32_t status = Ok;
    deviceOf(handle, status);
    return status;
}

std::uint32_t UsbBus::getQueueStatus(void* handle, std::uint32_t* rx) {
    std::lock_guard lock(mutex_);
    if (rx) *rx = 0;
    std::uint32_t status = Ok;
    Device* d = deviceOf(handle, status);
    if (!d) return status;
    if (queueFault_.armed) {
        const std::uint32_t s = queueFault_.status;
        queueFault_ = Fault{};
        note("FT_GetQueueStatus failed");
        return s;
    }
    if (!rx) return InvalidParameter;
    *rx = static_cast<std::uint32_t>(d->board->available());
    return Ok;
}

std::uint32_t UsbBus::getStatus(void* handle, std::uint32_t* rx, std::uint32_t* tx, std::uint32_t* events) {
    std::lock_guard lock(mutex_);
    std::uint32_t status = Ok;
    Device* d = deviceOf(handle, status);
    if (!d) return status;
    if (rx) *rx = static_cast<std::uint32_t>(d->board->available());
    if (tx) *tx = 0;
    if (events) *events = 0;
    return Ok;
}

std::uint32_t UsbBus::resetDevice(void* handle) {
    std::lock_guard lock(mutex_);
    note("FT_ResetDevice");
    std::uint32_t status = Ok;
    deviceOf(handle, status);
    return status;
}

}  // namespace tarvex::sim
