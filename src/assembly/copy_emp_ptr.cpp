#include "assembly/copy_emp_ptr.h"

#include <string>

#include "assembly/clock_date_window.h"
#include "assembly/weekday.h"
#include "core/add_the_range.h"
#include "core/text.h"

namespace kx {
namespace {

// Two times of a "hhmm-hhmm" setting: characters 1-4 and 6-9.
struct TimePair {
    std::string first;
    std::string second;
};

TimePair SplitTimePair(std::string_view setting) { return {Mid(setting, 1, 4), Mid(setting, 6, 4)}; }

void SetWindow(const Log& log, const std::string& time, std::string& lower, std::string& expected, std::string& upper) {
    lower = AddtheRange(log, time, -30);
    expected = time;
    upper = AddtheRange(log, time, +30);
}

void SetWorkTimes(const Log& log, std::string_view setting, TAT_Emp& working) {
    const TimePair times = SplitTimePair(setting);
    SetWindow(log, times.first, working.In_lower, working.SysIn, working.In_upper);
    SetWindow(log, times.second, working.Out_lower, working.SysOut, working.Out_upper);
}

void CopyWorkTimes(const TAT_Emp& from, TAT_Emp& to) {
    to.In_lower = from.In_lower;
    to.SysIn = from.SysIn;
    to.In_upper = from.In_upper;
    to.Out_lower = from.Out_lower;
    to.SysOut = from.SysOut;
    to.Out_upper = from.Out_upper;
}

void CopyMealTimes(const TAT_Emp& from, TAT_Emp& to) {
    to.LunchOut_lower = from.LunchOut_lower;
    to.LunchOut = from.LunchOut;
    to.LunchOut_upper = from.LunchOut_upper;
    to.LunchIn_lower = from.LunchIn_lower;
    to.LunchIn = from.LunchIn;
    to.LunchIn_upper = from.LunchIn_upper;
}

void CopyBreakTimes(const TAT_Emp& from, TAT_Emp& to) {
    to.Break1Out_lower = from.Break1Out_lower;
    to.Break1Out = from.Break1Out;
    to.Break1Out_upper = from.Break1Out_upper;
    to.Break1In_lower = from.Break1In_lower;
    to.Break1In = from.Break1In;
    to.Break1In_upper = from.Break1In_upper;
    to.Break2Out_lower = from.Break2Out_lower;
    to.Break2Out = from.Break2Out;
    to.Break2Out_upper = from.Break2Out_upper;
    to.Break2In_lower = from.Break2In_lower;
    to.Break2In = from.Break2In;
    to.Break2In_upper = from.Break2In_upper;
}

}  // namespace

void CopyEmpPtr(AgentContext& ctx, const TAT_Emp& templateRec, TAT_Emp& working, std::string_view date) {
    const auto& options = ctx.settings.options;

    working.CardNo = templateRec.CardNo;
    working.Name = templateRec.Name;
    working.ScCode = templateRec.ScCode;
    working.BrCode = templateRec.BrCode;
    working.DpCode = templateRec.DpCode;
    working.CpCode = templateRec.CpCode;

    const int weekday = WeekdayNumber(std::chrono::sys_days{DecodeDateText(date)});
    const bool saturday = weekday == kSaturday;
    const bool friday = weekday == kFriday;

    const StaffDayTrace& trace = ctx.trace;
    if (saturday && !options.SatInOutTime.empty()) {
        SetWorkTimes(ctx.log, options.SatInOutTime, working);
        ctx.log.WriteDetail(kDetailSteps, "CopyEMP: sys In,Out=" + working.SysIn + ", " + working.SysOut);
        if (trace.On())
            trace.Record("shift", "Saturday: the day's default times come from [Options] SatInOutTime.",
                         {{"SatInOutTime", options.SatInOutTime}});
    } else {
        CopyWorkTimes(templateRec, working);
        if (friday && !options.FriInOutTime.empty()) {
            SetWorkTimes(ctx.log, options.FriInOutTime, working);
            if (trace.On())
                trace.Record("shift", "Friday: the day's default times come from [Options] FriInOutTime.",
                             {{"FriInOutTime", options.FriInOutTime}});
        }
    }

    if (friday && !options.FriLunchInOutTime.empty()) {
        const TimePair meal = SplitTimePair(options.FriLunchInOutTime);
        SetWindow(ctx.log, meal.first, working.LunchOut_lower, working.LunchOut, working.LunchOut_upper);
        SetWindow(ctx.log, meal.second, working.LunchIn_lower, working.LunchIn, working.LunchIn_upper);
        if (trace.On())
            trace.Record("shift", "Friday: the default meal comes from [Options] FriLunchInOutTime.",
                         {{"FriLunchInOutTime", options.FriLunchInOutTime}});
    } else {
        CopyMealTimes(templateRec, working);
    }

    CopyBreakTimes(templateRec, working);
    working.WorkJobCode = templateRec.WorkJobCode;
    working.B1JobCode = templateRec.B1JobCode;
    working.MealJobCode = templateRec.MealJobCode;
    working.B2JobCode = templateRec.B2JobCode;
    working.WorkRangeOffset = templateRec.WorkRangeOffset;
    working.OTEntry.OTMode = templateRec.OTEntry.OTMode;

    if (saturday && options.SatOTOffsetMin > 0) {
        working.OTEntry.OTOffset = std::to_string(options.SatOTOffsetMin);
        if (trace.On())
            trace.Record("overtime", "Saturday: the overtime offset comes from [Options] SatOTOffsetMin.",
                         {{"ot_offset_min", working.OTEntry.OTOffset}});
    } else
        working.OTEntry.OTOffset = templateRec.OTEntry.OTOffset;

    working.OTEntry.OTMinimumMin = templateRec.OTEntry.OTMinimumMin;
    working.OTEntry.OTRoundingMin = templateRec.OTEntry.OTRoundingMin;
    working.OTEntry.OTJobcode = templateRec.OTEntry.OTJobcode;
    working.DataSource = templateRec.DataSource;
    working.OTEntry.OTFormula = templateRec.OTEntry.OTFormula;
    working.WorkFormula = templateRec.WorkFormula;
    working.FlexibleWorkHour = templateRec.FlexibleWorkHour;
}

}  // namespace kx
