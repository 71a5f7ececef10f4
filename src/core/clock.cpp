#include "core/clock.h"

#include <ctime>
#include <cstdio>

namespace kx {

LocalTime SystemClock::Now() const
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return MakeLocalTime(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1), static_cast<unsigned>(tm.tm_mday),
                         tm.tm_hour, tm.tm_min, tm.tm_sec);
}

LocalTime MakeLocalTime(int year, unsigned month, unsigned day, int hour, int minute, int second)
{
    using namespace std::chrono;
    const local_days d{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
    return d + hours{hour} + minutes{minute} + seconds{second};
}

std::string DateText(LocalTime t)
{
    const std::chrono::year_month_day ymd{std::chrono::floor<std::chrono::days>(t)};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()));
    return buf;
}

std::string TimeText(LocalTime t)
{
    const std::chrono::hh_mm_ss hms{t - std::chrono::floor<std::chrono::days>(t)};
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d%02d", static_cast<int>(hms.hours().count()),
                  static_cast<int>(hms.minutes().count()));
    return buf;
}

}  // namespace kx
