#include "platform/clock.hpp"

#include <thread>

namespace tarvex::platform {

std::uint32_t SystemClock::tickMs() { return static_cast<std::uint32_t>(monotonicMs()); }

std::uint64_t SystemClock::monotonicMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemClock::sleepMs(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::chrono::system_clock::time_point SystemClock::wallNow() { return std::chrono::system_clock::now(); }

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace tarvex::platform
