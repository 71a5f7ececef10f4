#include "assembly/off_day.h"

#include <exception>

#include "assembly/clock_date_window.h"
#include "assembly/weekday.h"

namespace kx {
namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

sys_days FirstOfMonth(year_month_day date) { return sys_days{date.year() / date.month() / 1}; }

}  // namespace

bool IsOffDay(AgentContext& ctx, const std::string& date) {
    ctx.sundayOffDay = false;
    try {
        const int weekday = WeekdayNumber(sys_days{DecodeDateText(date)});
        const bool off = ctx.derived.offDayList.find(static_cast<char>('0' + weekday)) != std::string::npos;
        ctx.sundayOffDay = off && weekday == kSunday;
        return off;
    } catch (const std::exception& e) {
        ctx.log.WriteLog("<IsOffDay>" + std::string(e.what()));
        return false;
    }
}

bool IsAlternateSaturday(year_month_day date) {
    const sys_days first = FirstOfMonth(date);
    const sys_days firstSaturday = first + days{kSaturday - WeekdayNumber(first)};
    const sys_days day{date};
    return day == firstSaturday || day == firstSaturday + days{14};
}

bool IsSetOffDay(year_month_day date, int n) {
    if (n == 0) return false;
    const sys_days first = FirstOfMonth(date);
    const sys_days w0 = first + days{n + 1 - WeekdayNumber(first)};
    const sys_days day{date};
    for (int week = 0; week < 4; ++week)
        if (day == w0 + days{7 * week}) return true;
    return day == w0 + days{28} && WeekdayNumber(day) == kSaturday;
}

}  // namespace kx
