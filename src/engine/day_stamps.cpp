#include "engine/day_stamps.h"

#include <chrono>

#include "core/clock.h"
#include "core/int_text.h"
#include "core/text.h"

namespace kx::stamps {
namespace {

using namespace std::chrono;

// Digits from1..from1+count-1 of a text, or -1 when they are not all digits.
int Digits(std::string_view text, std::size_t from1, std::size_t count) {
    if (text.size() < from1 - 1 + count) return -1;
    int value = 0;
    for (std::size_t i = from1 - 1; i < from1 - 1 + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::optional<sys_days> DateValue(std::string_view text) {
    const int y = Digits(text, 1, 4), m = Digits(text, 5, 2), d = Digits(text, 7, 2);
    if (y < 1 || m < 0 || d < 0) return std::nullopt;
    const year_month_day ymd{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}};
    if (!ymd.ok()) return std::nullopt;
    return sys_days{ymd};
}

std::string DateText(sys_days date) { return kx::DateText(year_month_day{date}); }

}  // namespace

std::string ShiftDate(std::string_view date, int days) {
    const auto value = DateValue(date);
    if (date.size() != 8 || !value) throw StampError("'" + std::string(date) + "' is not a valid date");
    return DateText(*value + std::chrono::days{days});
}

std::string TimeOf(std::string_view stamp) { return Mid(stamp, 9, 4); }
std::string DateOf(std::string_view stamp) { return Mid(stamp, 1, 8); }

bool IsBlank(std::string_view text) { return Trim(text).empty(); }

std::string DatedTime(std::string_view d, std::string_view time, std::string_view sysIn) {
    return (time < sysIn ? ShiftDate(d, 1) : std::string(d)) + std::string(time);
}

std::string ScheduledOut(std::string_view d, std::string_view sysIn, std::string_view sysOut) {
    return (sysOut < sysIn ? ShiftDate(d, 1) : std::string(d)) + std::string(sysOut);
}

std::optional<std::string> StampPlusMinutes(std::string_view stamp, long long minutes) {
    const auto date = DateValue(stamp);
    const int hh = Digits(stamp, 9, 2), mm = Digits(stamp, 11, 2);
    if (stamp.size() != 12 || !date || hh < 0 || hh > 23 || mm < 0 || mm > 59) return std::nullopt;
    const sys_time<std::chrono::minutes> moved = *date + hours{hh} + std::chrono::minutes{mm + minutes};
    const sys_days movedDay = floor<std::chrono::days>(moved);
    const hh_mm_ss clock{moved - movedDay};
    return DateText(movedDay) +
           HourMinuteText(static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()));
}

long long IntegerOrStampError(std::string_view text) {
    const auto value = ParseIntegerText(text);
    if (!value) throw StampError("'" + std::string(text) + "' is not a valid integer value");
    return *value;
}

std::string StampOf(const TCD_Source& clocking) { return clocking.TrDate + clocking.TrTime; }

int ClockingsAt(const std::vector<TCD_Source>& raw, std::string_view stamp) {
    int count = 0;
    for (const TCD_Source& c : raw)
        if (c.TrDate.size() + c.TrTime.size() == stamp.size() && StampOf(c) == stamp) ++count;
    return count;
}

}  // namespace kx::stamps
