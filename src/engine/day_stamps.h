#pragma once
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/blank_times.h"
#include "core/tat_emp.h"

// Text stamps of one staff-day: dates "yyyymmdd", times "hhmm" and the
// twelve-character stamps made of both. Stamps are ordered as text, so a blank
// time sorts before every real time of its date.
namespace kx::stamps {

// A conversion that cannot go on (an invalid date, a minute count that is no
// number). It ends the day computation, which logs it.
class StampError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "yyyymmdd" moved by whole days; throws StampError when the text is no date.
std::string ShiftDate(std::string_view date, int days);

// Characters 9 to 12 of a stamp (its time).
std::string TimeOf(std::string_view stamp);
// Characters 1 to 8 of a stamp (its date).
std::string DateOf(std::string_view stamp);

// The stamp of "no clocking" on a date: the date and four blanks.
inline std::string BlankStamp(std::string_view date) { return std::string(date) + kBlankTime; }

bool IsBlank(std::string_view text);

// A shift time dated against the start of the shift: on D+1 when it is earlier
// than `sysIn` (compared as text), otherwise on D.
std::string DatedTime(std::string_view d, std::string_view time, std::string_view sysIn);

// D + SysOut, or D+1 + SysOut when the shift ends after midnight.
std::string ScheduledOut(std::string_view d, std::string_view sysIn, std::string_view sysOut);

// A stamp moved by a number of minutes as a date-time, or nothing when the
// stamp is no valid date and time.
std::optional<std::string> StampPlusMinutes(std::string_view stamp, long long minutes);

// A minute count held as text, read strictly: no blanks around it; throws
// StampError when it is not an integer (ParseIntegerText).
long long IntegerOrStampError(std::string_view text);

std::string StampOf(const TCD_Source& clocking);
int ClockingsAt(const std::vector<TCD_Source>& raw, std::string_view stamp);

}  // namespace kx::stamps
