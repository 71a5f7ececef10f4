#include <string>

#include "core/minute_stamps.h"
#include "engine/day_computation.h"
#include "engine/day_stamps.h"

namespace kx {
namespace {

// Minutes beyond the grace; the grace is subtracted, it is not a threshold.
long long BeyondGrace(long long minutes, const std::string& grace)
{
    const long long beyond = minutes - filo::MinuteCount(grace);
    return beyond < 0 ? 0 : beyond;
}

}  // namespace

void CalLateEarly(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, TAT_Attend& attend)
{
    const Log& log = ctx.log;
    const std::string& d = emp.AtDate;

    const std::string scheduledIn = d + emp.SysIn;
    const std::string inStamp = d + attend.In;
    long long late = 0;
    if (scheduledIn < inStamp) late = BeyondGrace(MinutesBetween(log, scheduledIn, inStamp), emp.SysInGrace);
    attend.LateMin = std::to_string(late);
    if (late > 0) attend.Late = "Y";
    log.WriteDetail(10, "SysIn=" + scheduledIn + "  In=" + inStamp + "  Late In=" + attend.Late + " (" +
                            std::to_string(late) + " min)");

    // A work-out earlier than the work-in (as times) was clocked after midnight.
    const std::string outStamp = (attend.Out < attend.In ? filo::ShiftDate(d, 1) : d) + attend.Out;
    long long early = 0;
    if (day.scheduledOut > outStamp)
        early = BeyondGrace(MinutesBetween(log, outStamp, day.scheduledOut), emp.SysOutGrace);
    attend.EarlyMin = std::to_string(early);
    if (early > 0) attend.Early = "Y";
    log.WriteDetail(0, "SysOut=" + day.scheduledOut + "  Out=" + outStamp + " Early Out=" + attend.Early + " (" +
                           std::to_string(early) + " min)");

    // Under overtime mode "E" lateness and early leaving count on every day.
    if (emp.OTEntry.OTMode == "E") return;
    if (attend.Off == "Y" || attend.Holiday == "Y") {
        log.WriteDetail(0, "No late/early for offday/holiday");
        attend.EarlyMin = "0";
        attend.Early = "N";
        attend.LateMin = "0";
        attend.Late = "N";
    }
}

void CalBreaksLateEarly(AgentContext& ctx, DayComputation&, TAT_Emp& emp, TAT_Attend& attend, const Stamp& tIn,
                        const Stamp& tOut)
{
    const Log& log = ctx.log;
    const bool traced = ctx.settings.options.ATA_Details > 0;
    // Dated like the meal windows, so that a meal after midnight on a night
    // shift is measured against the next day's schedule.
    const std::string mealStart = filo::DatedTime(emp.AtDate, emp.LunchOut, emp.SysIn);
    const std::string mealEnd = filo::DatedTime(emp.AtDate, emp.LunchIn, emp.SysIn);
    if (traced)
        log.WriteLog("CalBreaksLateEarly: Tin,Tout,DefIn,DefOut" + tIn + "," + tOut + "," + mealEnd + "," + mealStart);

    long long mealLate = 0;
    if (mealEnd < tIn) mealLate = MinutesBetween(log, mealEnd, tIn);
    if (mealLate < 0) mealLate = 0;
    attend.MealLateMin = std::to_string(mealLate);

    long long mealEarly = 0;
    if (mealStart > tOut) mealEarly = MinutesBetween(log, tOut, mealStart);
    if (mealEarly < 0) mealEarly = 0;
    attend.MealEarlyMin = std::to_string(mealEarly);

    if (traced)
        log.WriteLog("CalBreaksLateEarly: LIn.min, EOut.min=" + attend.MealLateMin + "," + attend.MealEarlyMin);
}

}  // namespace kx
