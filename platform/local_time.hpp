#pragma once
// The calendar time of the user's time zone.
#include <ctime>

namespace tarvex::platform {

// The broken-down local time of a moment; all fields zero when the system
// cannot convert it.
std::tm localTime(std::time_t when);

}  // namespace tarvex::platform
