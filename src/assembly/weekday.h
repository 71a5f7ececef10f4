#pragma once
#include <chrono>

namespace kx {

// Weekday number of a date as the suite counts: 1 = Sunday, 2 = Monday, ..., 7 = Saturday.
inline int WeekdayNumber(std::chrono::sys_days date) {
    return static_cast<int>(std::chrono::weekday{date}.c_encoding()) + 1;
}

inline constexpr int kSunday = 1;
inline constexpr int kFriday = 6;
inline constexpr int kSaturday = 7;

}  // namespace kx
