#include "assembly/half_day_adjustment.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "core/minute_stamps.h"

namespace kx {
namespace {

void AdjustByLeaveType(TAT_Emp& w) {
    if (w.HalfDayAM) w.SysIn = w.LunchOut;
    if (w.HalfDayPM) w.SysOut = w.LunchIn;
}

void AdjustByClockings(AgentContext& ctx, TAT_Emp& w) {
    const Log& log = ctx.log;
    // Earliest and latest clocking of the day, starting from the far ends of the shift.
    std::string earliestIn = w.SysOut;
    std::string latestOut = w.SysIn;
    const bool codeBased = w.OTEntry.OTMode == "C";
    for (const TCD_Source& c : w.RawData) {
        if (c.TrDate != w.AtDate) continue;
        if (codeBased && c.JobCode != w.WorkJobCode) continue;
        if (c.TrTime < earliestIn) earliestIn = c.TrTime;
        if (c.TrTime > latestOut) latestOut = c.TrTime;
    }
    log.WriteDetail(kDetailSteps, "  Ein=" + earliestIn + "  LOut=" + latestOut + " SysIn=" + w.SysIn +
                                      " LOut=" + w.LunchOut + " LIn=" + w.LunchIn + " SysOut=" + w.SysOut);
    if (earliestIn == w.SysOut || latestOut == w.SysIn) return;

    const std::int64_t afternoon =
        std::max<std::int64_t>(0, MinutesBetween(log, w.AtDate + w.LunchIn, w.AtDate + latestOut));
    const std::int64_t morning =
        std::max<std::int64_t>(0, MinutesBetween(log, w.AtDate + earliestIn, w.AtDate + w.LunchOut));
    if (morning < afternoon) {
        log.WriteDetail(kDetailSteps, "  Out_lower adjusted to " + w.LunchIn + " due to Morning half-day leave.");
        w.Out_lower = w.LunchIn;
        w.SysIn = w.LunchIn;
    } else {
        w.SysOut = w.LunchOut;
    }
}

}  // namespace

void AdjustForHalfDayLeave(AgentContext& ctx, TAT_Emp& working) {
    if (working.HalfDayLeave != "Y") return;
    if (ctx.settings.shiftLeave.ExtendedLeaveControl == 1)
        AdjustByLeaveType(working);
    else
        AdjustByClockings(ctx, working);
}

}  // namespace kx
