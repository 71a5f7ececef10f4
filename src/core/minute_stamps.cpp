#include "core/minute_stamps.h"

#include <chrono>
#include <limits>
#include <stdexcept>
#include <string>

#include "core/text.h"

namespace kx {
namespace {

using std::chrono::sys_days;

constexpr sys_days kStampEpoch{std::chrono::year{1899} / std::chrono::December / std::chrono::day{30}};

class StampFailure : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Characters from1..from1+count-1 as a decimal number; anything else than
// digits is a conversion failure.
int Field(std::string_view text, std::size_t from1, std::size_t count) {
    const std::string field = Mid(text, from1, count);
    int value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') throw StampFailure("'" + field + "' is not a valid integer value");
        value = value * 10 + (c - '0');
    }
    if (field.empty()) throw StampFailure("'' is not a valid integer value");
    return value;
}

// Minutes from the epoch to the date and time of a "yyyymmddhhmm" text.
std::int64_t EncodeStamp(std::string_view text) {
    const int y = Field(text, 1, 4);
    const int m = Field(text, 5, 2);
    const int d = Field(text, 7, 2);
    const std::chrono::year_month_day date{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(m)},
                                           std::chrono::day{static_cast<unsigned>(d)}};
    if (y < 1 || !date.ok()) throw StampFailure("Invalid argument to date encode");
    const int hh = Field(text, 9, 2);
    const int mm = Field(text, 11, 2);
    if (hh > 23 || mm > 59) throw StampFailure("Invalid argument to time encode");
    const std::int64_t days = (sys_days{date} - kStampEpoch).count();
    return days * 1440 + hh * 60 + mm;
}

}  // namespace

std::int32_t StampToMinutes(const Log& log, std::string_view stamp) {
    if (Trim(Mid(stamp, 9, 4)).size() != 4) return 0;
    try {
        const std::int64_t minutes = EncodeStamp(stamp);
        // Beyond about the year 5983 a stamp no longer fits; it is refused rather than wrapped.
        if (minutes > std::numeric_limits<std::int32_t>::max() || minutes < std::numeric_limits<std::int32_t>::min())
            throw StampFailure("'" + std::string(stamp) + "' is out of the minute stamp range");
        return static_cast<std::int32_t>(minutes);
    } catch (const std::exception& e) {
        log.WriteLog(e.what());
        return 0;
    }
}

std::int64_t MinutesBetween(const Log& log, std::string_view from, std::string_view to) {
    if (Trim(Mid(from, 9, 4) + Mid(to, 9, 4)).size() != 8) return 0;
    try {
        const std::int64_t start = EncodeStamp(from);
        return EncodeStamp(to) - start;
    } catch (const std::exception& e) {
        log.WriteLog(e.what());
        return 0;
    }
}

}  // namespace kx
