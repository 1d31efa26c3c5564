#include <time.h>

#include "platform/local_time.hpp"

namespace tarvex::platform {

std::tm localTime(std::time_t when) {
    std::tm local{};
    if (!localtime_r(&when, &local)) local = std::tm{};
    return local;
}

}  // namespace tarvex::platform
