#pragma once
#include <chrono>
#include <string>
#include <string_view>

#include "core/log.h"

namespace kx {

// The three dates a staff-day's clock queries cover, each "yyyymmdd":
// D the staff-day, N the day after, P the day before when the expected
// work-in is "0059" or earlier (or empty), otherwise D again.
struct ClockDates {
    std::string D;
    std::string N;
    std::string P;
    bool operator==(const ClockDates&) const = default;
};

// "yyyymmdd" decoded; std::invalid_argument when it is not a calendar date.
std::chrono::year_month_day DecodeDateText(std::string_view text);
// The day after / before a "yyyymmdd" date; std::invalid_argument when it cannot be decoded.
std::string NextDateText(std::string_view date);
std::string PreviousDateText(std::string_view date);

// Whether clockings of the day before may belong to a staff-day with this expected work-in.
bool WindowReachesPreviousDay(std::string_view sysIn);
// D, N and P of a staff-day; std::invalid_argument when the date cannot be decoded.
ClockDates ClockDateWindow(std::string_view date, std::string_view sysIn);
// ClockDateWindow of a staff-day being retrieved: a date that cannot be decoded
// is logged as "<GetRawData.encodedate>:" and all three dates are that text.
ClockDates StaffDayClockDates(const Log& log, std::string_view date, std::string_view sysIn);
// The dates as the transaction tables write them: yyyymmdd with four-digit
// years, otherwise yymmdd (characters 3 to 8).
ClockDates InTranYearForm(const ClockDates& dates, int tranYearDigits);

// A transaction date read back, trimmed; a six-character one is widened with
// "20" when its first two characters are below "90" in text order, else "19".
std::string WidenTransDate(std::string_view trDate);

}  // namespace kx
