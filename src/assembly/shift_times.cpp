#include "assembly/shift_times.h"

#include <cstdio>

#include "core/add_the_range.h"
#include "core/text.h"
#include "db/query_access.h"

namespace kx {
namespace {

void LoadWindow(const Log& log, const std::string& time, std::string& lower, std::string& expected,
                std::string& upper) {
    lower = AddtheRange(log, time, -30);
    expected = time;
    upper = AddtheRange(log, time, +30);
}

}  // namespace

void LoadDayTimesWithWindows(const Log& log, const db::Query& row, TAT_Emp& rec) {
    LoadWindow(log, db::FieldOrEmpty(row, "sys_in"), rec.In_lower, rec.SysIn, rec.In_upper);
    LoadWindow(log, db::FieldOrEmpty(row, "sys_out"), rec.Out_lower, rec.SysOut, rec.Out_upper);
    LoadWindow(log, db::FieldOrEmpty(row, "lunch_out"), rec.LunchOut_lower, rec.LunchOut, rec.LunchOut_upper);
    LoadWindow(log, db::FieldOrEmpty(row, "lunch_in"), rec.LunchIn_lower, rec.LunchIn, rec.LunchIn_upper);
    LoadWindow(log, db::FieldOrEmpty(row, "Break1_out"), rec.Break1Out_lower, rec.Break1Out, rec.Break1Out_upper);
    LoadWindow(log, db::FieldOrEmpty(row, "Break1_in"), rec.Break1In_lower, rec.Break1In, rec.Break1In_upper);
    LoadWindow(log, db::FieldOrEmpty(row, "Break2_out"), rec.Break2Out_lower, rec.Break2Out, rec.Break2Out_upper);
    LoadWindow(log, db::FieldOrEmpty(row, "Break2_in"), rec.Break2In_lower, rec.Break2In, rec.Break2In_upper);
}

std::string WorkRangeOffsetText(const Settings& settings) {
    char text[32];
    std::snprintf(text, sizeof text, "%4.4d%4.4d", settings.options.InWorkRangeOffsetMin,
                  settings.options.OutWorkRangeOffsetMin);
    return text;
}

std::string MinutesOrZero(std::string_view stored) {
    std::string minutes = Trim(stored);
    return minutes.empty() ? "0" : minutes;
}

}  // namespace kx
