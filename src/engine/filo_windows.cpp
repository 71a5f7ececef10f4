#include "engine/filo_windows.h"

#include <stdexcept>

#include "core/text.h"
#include "engine/day_stamps.h"

namespace kx::filo {
namespace {

// A break or meal window: each bound on D, or on D+1 when earlier than the
// start of the shift; a window that would run backwards ends on D+1.
Window BreakWindow(const TAT_Emp& emp, const std::string& lower, const std::string& upper) {
    const std::string& d = emp.AtDate;
    Window w{stamps::DatedTime(d, lower, emp.SysIn), stamps::DatedTime(d, upper, emp.SysIn)};
    if (w.lower > w.upper) w.upper = stamps::ShiftDate(d, 1) + upper;
    return w;
}

// A work-in window around the shift start: the lower bound goes back to D-1
// when it lies after the start, the upper forward to D+1 when it lies before.
Window WorkInWindow(const TAT_Emp& emp, const std::string& lower, const std::string& upper, bool upperOnNextIfEqual) {
    const std::string& d = emp.AtDate;
    const std::string start = d + emp.SysIn;
    Window w{d + lower, d + upper};
    if (w.lower > start) w.lower = stamps::ShiftDate(d, -1) + lower;
    if (w.upper < start) w.upper = stamps::ShiftDate(d, 1) + upper;
    if (w.lower > w.upper || (upperOnNextIfEqual && w.lower == w.upper)) w.upper = stamps::ShiftDate(d, 1) + upper;
    return w;
}

Window DatedWindow(const TAT_Emp& emp, const std::string& lower, const std::string& upper) {
    return {stamps::DatedTime(emp.AtDate, lower, emp.SysIn), stamps::DatedTime(emp.AtDate, upper, emp.SysIn)};
}

// stamp ± minutes; nothing matches when the stamp is no date-time.
Window AroundStamp(const std::string& stamp, long long minutes) {
    const auto lower = stamps::StampPlusMinutes(stamp, -minutes);
    const auto upper = stamps::StampPlusMinutes(stamp, minutes);
    if (!lower || !upper) return {};
    return {*lower, *upper};
}

void WorkWindows(const AgentContext& ctx, const TAT_Emp& emp, PeriodWindows& w) {
    const Log& log = ctx.log;
    const int details = ctx.settings.options.ATA_Details;
    const RangeEnds& ranges = ctx.derived.ranges;
    const std::string& d = emp.AtDate;

    if (emp.ShiftDataWindow) {
        if (details > 0) log.WriteLog("  Datawindow=true");
        w.in = WorkInWindow(emp, emp.In_lower, emp.In_upper, false);
        w.out = DatedWindow(emp, emp.Out_lower, emp.Out_upper);
        if (emp.HalfDayLeave == "Y" && emp.OTEntry.OTMode == "E") {
            // A half day is one stretch of work: either clocking may fall anywhere in it.
            w.in.upper = w.out.upper;
            w.out.lower = w.in.lower;
        }
    } else if (ranges.taken) {
        if (details > 0)
            log.WriteLog("  Based on InRange=" + ranges.inFrom + "-" + ranges.inTo + ",OutRange=" + ranges.outFrom +
                         "-" + ranges.outTo + ", etc");
        w.in = WorkInWindow(emp, ranges.inFrom, ranges.inTo, true);
        w.out = DatedWindow(emp, ranges.outFrom, ranges.outTo);
    } else {
        const long long inOffset = stamps::IntegerOrStampError(Mid(emp.WorkRangeOffset, 1, 4));
        const long long outOffset = stamps::IntegerOrStampError(Mid(emp.WorkRangeOffset, 5, 4));
        w.in = AroundStamp(d + emp.SysIn, inOffset);
        w.out = AroundStamp(stamps::ScheduledOut(d, emp.SysIn, emp.SysOut), outOffset);
    }
}

void CodedOvertimeWindows(const AgentContext& ctx, const TAT_Emp& emp, PeriodWindows& w) {
    const Log& log = ctx.log;
    const int details = ctx.settings.options.ATA_Details;
    if (emp.ShiftDataWindow) {
        if (details > 0) log.WriteLog("  T(OT): Datawindow=true");
        w.in = DatedWindow(emp, emp.OTIn_lower, emp.OTIn_upper);
        w.out = DatedWindow(emp, emp.OTOut_lower, emp.OTOut_upper);
        if (details > 0) {
            log.WriteLog("OTIn_lower=" + emp.OTIn_lower + "  OTIn_upper=" + emp.OTIn_upper + "  SysIn=" + emp.SysIn);
            log.WriteLog("OTOut_lower=" + emp.OTOut_lower + "  OTOut_upper=" + emp.OTOut_upper +
                         "  SysIn=" + emp.SysIn);
        }
    } else {
        // Overtime may run from the start of the day to the next morning.
        const Window wholeDay{emp.AtDate + "0000", stamps::ShiftDate(emp.AtDate, 1) + "0800"};
        w.in = wholeDay;
        w.out = wholeDay;
    }
}

void RangedOvertimeWindows(const AgentContext& ctx, const TAT_Emp& emp, PeriodWindows& w) {
    const Log& log = ctx.log;
    const RangeEnds& ranges = ctx.derived.ranges;
    const std::string& d = emp.AtDate;
    log.WriteDetail(kDetailSteps, std::string("  E(OT): Datawindow = ") + BoolText(emp.ShiftDataWindow));
    if (emp.ShiftDataWindow) {
        w.in = DatedWindow(emp, emp.OTIn_lower, emp.OTIn_upper);
        w.out = DatedWindow(emp, emp.OTOut_lower, emp.OTOut_upper);
        if (ctx.settings.options.ATA_Details >= 1) {
            log.WriteLog("  OTIn_lower =" + emp.OTIn_lower + "  OTIn_upper =" + emp.OTIn_upper +
                         "  SysIn =" + emp.SysIn);
            log.WriteLog("  OTOut_lower=" + emp.OTOut_lower + "  OTOut_upper=" + emp.OTOut_upper +
                         "  SysOut=" + emp.SysOut);
        }
        return;
    }
    log.WriteDetail(kDetailSteps, "  (Tavro) OT Based on OT Range:  [" + ranges.otInFrom + " .. " + ranges.otInTo +
                                      "], [" + ranges.otOutFrom + " .. " + ranges.otOutTo + "]");
    w.in = {d + ranges.otInFrom, d + ranges.otInTo};
    if (w.in.lower > w.in.upper) w.in.upper = stamps::ShiftDate(d, 1) + ranges.otInTo;
    w.out = {d + ranges.otOutFrom, d + ranges.otOutTo};
    if (w.out.lower >= w.out.upper) w.out.upper = stamps::ShiftDate(d, 1) + ranges.otOutTo;
}

}  // namespace

PeriodWindows BuildWindows(const AgentContext& ctx, const TAT_Emp& emp, char kind) {
    PeriodWindows w;
    switch (kind) {
    case '1':
        w.in = BreakWindow(emp, emp.Break1In_lower, emp.Break1In_upper);
        w.out = BreakWindow(emp, emp.Break1Out_lower, emp.Break1Out_upper);
        w.jobCode = emp.B1JobCode;
        break;
    case '2':
        w.in = BreakWindow(emp, emp.Break2In_lower, emp.Break2In_upper);
        w.out = BreakWindow(emp, emp.Break2Out_lower, emp.Break2Out_upper);
        w.jobCode = emp.B2JobCode;
        break;
    case 'L':
        w.in = BreakWindow(emp, emp.LunchIn_lower, emp.LunchIn_upper);
        w.out = BreakWindow(emp, emp.LunchOut_lower, emp.LunchOut_upper);
        w.jobCode = emp.MealJobCode;
        break;
    case 'V':
        w.in = {emp.AtDate + emp.Break1In_lower, emp.AtDate + emp.Break1In_upper};
        w.out = {emp.AtDate + emp.Break1Out_lower, emp.AtDate + emp.Break1Out_upper};
        w.jobCode = emp.B1JobCode;
        break;
    case 'O':
        WorkWindows(ctx, emp, w);
        w.jobCode = emp.WorkJobCode;
        break;
    case 'T':
        CodedOvertimeWindows(ctx, emp, w);
        w.jobCode = emp.OTEntry.OTJobcode;
        break;
    case 'E':
        // Only clockings without a job code count as overtime of this mode.
        RangedOvertimeWindows(ctx, emp, w);
        break;
    default: throw std::invalid_argument(std::string("GetFILO: unknown period kind '") + kind + "'");
    }
    return w;
}

}  // namespace kx::filo
