#include "core/clock.h"

#include <cstdio>
#include <ctime>

namespace kx {

LocalTime SystemClock::Now() const {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return MakeLocalTime(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1), static_cast<unsigned>(tm.tm_mday),
                         tm.tm_hour, tm.tm_min, tm.tm_sec);
}

LocalTime MakeLocalTime(int year, unsigned month, unsigned day, int hour, int minute, int second) {
    using namespace std::chrono;
    const local_days d{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
    return d + hours{hour} + minutes{minute} + seconds{second};
}

namespace {

// `value` (0 or more, at most `width` digits) as `width` digits, zero-filled.
void AppendDigits(std::string& text, int value, int width) {
    char digits[4];
    for (int i = width - 1; i >= 0; --i, value /= 10) digits[i] = static_cast<char>('0' + value % 10);
    text.append(digits, static_cast<std::size_t>(width));
}

}  // namespace

// Dates and times are written several times per staff-day: no formatted printing
// on the common path.
std::string DateText(std::chrono::year_month_day date) {
    const int year = static_cast<int>(date.year());
    const auto month = static_cast<unsigned>(date.month()), day = static_cast<unsigned>(date.day());
    if (year < 0 || year > 9999 || month > 99 || day > 99) {
        char buf[24];
        std::snprintf(buf, sizeof buf, "%04d%02u%02u", year, month, day);
        return buf;
    }
    std::string text;
    text.reserve(12);
    AppendDigits(text, year, 4);
    AppendDigits(text, static_cast<int>(month), 2);
    AppendDigits(text, static_cast<int>(day), 2);
    return text;
}

std::string DateText(LocalTime t) {
    return DateText(std::chrono::year_month_day{std::chrono::floor<std::chrono::days>(t)});
}

std::string HourMinuteText(int hours, int minutes) {
    std::string text;
    AppendDigits(text, hours, 2);
    AppendDigits(text, minutes, 2);
    return text;
}

std::string TimeText(LocalTime t) {
    const std::chrono::hh_mm_ss hms{t - std::chrono::floor<std::chrono::days>(t)};
    return HourMinuteText(static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()));
}

}  // namespace kx
