#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace kx::dbtool {

using Date = std::chrono::sys_days;

// "yyyymmdd" to a date; nothing when the text is not a valid calendar date.
std::optional<Date> ParseDate(std::string_view yyyymmdd);
std::string DateText(Date date);
// 1 = Sunday ... 7 = Saturday, the suite's numbering.
int WeekdayNumber(Date date);
// "hhmm" for a minute of the day (wrapped into 0..1439).
std::string TimeText(int minuteOfDay);
// "hhmmss".
std::string TimeTextWithSeconds(int minuteOfDay, int second);
// Minutes of an "hhmm" text.
int Minutes(std::string_view hhmm);

}  // namespace kx::dbtool
