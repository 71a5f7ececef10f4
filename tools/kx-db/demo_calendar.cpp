#include "kx-db/demo_calendar.h"

#include <cstdio>

namespace kx::dbtool {

namespace {

std::optional<int> Digits(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

int Wrap(int minute) { return ((minute % 1440) + 1440) % 1440; }

}  // namespace

std::optional<Date> ParseDate(std::string_view yyyymmdd) {
    if (yyyymmdd.size() != 8) return std::nullopt;
    auto y = Digits(yyyymmdd.substr(0, 4));
    auto m = Digits(yyyymmdd.substr(4, 2));
    auto d = Digits(yyyymmdd.substr(6, 2));
    if (!y || !m || !d) return std::nullopt;
    std::chrono::year_month_day ymd{std::chrono::year{*y}, std::chrono::month{static_cast<unsigned>(*m)},
                                    std::chrono::day{static_cast<unsigned>(*d)}};
    if (!ymd.ok()) return std::nullopt;
    return Date{ymd};
}

std::string DateText(Date date) {
    std::chrono::year_month_day ymd{date};
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()));
    return text;
}

int WeekdayNumber(Date date) { return static_cast<int>(std::chrono::weekday{date}.c_encoding()) + 1; }

std::string TimeText(int minuteOfDay) {
    int m = Wrap(minuteOfDay);
    char text[8];
    std::snprintf(text, sizeof text, "%02d%02d", m / 60, m % 60);
    return text;
}

std::string TimeTextWithSeconds(int minuteOfDay, int second) {
    int m = Wrap(minuteOfDay);
    char text[12];
    std::snprintf(text, sizeof text, "%02d%02d%02d", m / 60, m % 60, second);
    return text;
}

int Minutes(std::string_view hhmm) {
    auto h = Digits(hhmm.substr(0, 2));
    auto m = Digits(hhmm.substr(2, 2));
    return (h ? *h : 0) * 60 + (m ? *m : 0);
}

}  // namespace kx::dbtool
