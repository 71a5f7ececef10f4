#include "engine/late_early.h"

#include <string>

#include "core/minute_stamps.h"
#include "engine/day_stamps.h"

namespace kx {
namespace {

// Minutes beyond the grace; the grace is subtracted, it is not a threshold.
long long BeyondGrace(long long minutes, const std::string& grace) {
    const long long beyond = minutes - stamps::IntegerOrStampError(grace);
    return beyond < 0 ? 0 : beyond;
}

}  // namespace

void CalLateEarly(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, TAT_Attend& attend) {
    const Log& log = ctx.log;
    const std::string& d = emp.AtDate;

    const std::string scheduledIn = d + emp.SysIn;
    const std::string inStamp = d + attend.In;
    long long late = 0;
    if (scheduledIn < inStamp) late = BeyondGrace(MinutesBetween(log, scheduledIn, inStamp), emp.SysInGrace);
    attend.LateMin = std::to_string(late);
    if (late > 0) attend.Late = "Y";
    log.WriteDetail(kDetailSteps, "SysIn=" + scheduledIn + "  In=" + inStamp + "  Late In=" + attend.Late + " (" +
                                      std::to_string(late) + " min)");

    // A work-out earlier than the work-in (as times) was clocked after midnight.
    const std::string outStamp = (attend.Out < attend.In ? stamps::ShiftDate(d, 1) : d) + attend.Out;
    long long early = 0;
    if (day.scheduledOut > outStamp)
        early = BeyondGrace(MinutesBetween(log, outStamp, day.scheduledOut), emp.SysOutGrace);
    attend.EarlyMin = std::to_string(early);
    if (early > 0) attend.Early = "Y";
    log.WriteDetail(kDetailImportant, "SysOut=" + day.scheduledOut + "  Out=" + outStamp +
                                          " Early Out=" + attend.Early + " (" + std::to_string(early) + " min)");

    if (ctx.trace.On()) {
        ctx.trace.Record(
            "lateness",
            "Lateness: due in at " + emp.SysIn + ", clocked in at " +
                (stamps::IsBlank(attend.In) ? std::string("no time") : attend.In) + "; " + std::to_string(late) +
                " minutes late after a grace of " + std::to_string(stamps::IntegerOrStampError(emp.SysInGrace)) +
                " minutes (the grace is taken off the lateness).",
            {{"due_in", emp.SysIn}, {"in", attend.In}, {"grace_in_min", emp.SysInGrace}, {"late_min", attend.LateMin}});
        ctx.trace.Record("lateness",
                         "Early leaving: due out at " + stamps::TimeOf(day.scheduledOut) + ", clocked out at " +
                             (stamps::IsBlank(attend.Out) ? std::string("no time") : attend.Out) + "; " +
                             std::to_string(early) + " minutes early after a grace of " +
                             std::to_string(stamps::IntegerOrStampError(emp.SysOutGrace)) + " minutes.",
                         {{"due_out", stamps::TimeOf(day.scheduledOut)},
                          {"out", attend.Out},
                          {"grace_out_min", emp.SysOutGrace},
                          {"early_min", attend.EarlyMin}});
    }

    // Under overtime mode "E" lateness and early leaving count on every day.
    if (emp.OTEntry.OTMode == "E") {
        if (ctx.trace.On() && (attend.Off == "Y" || attend.Holiday == "Y"))
            ctx.trace.Record("lateness", "Overtime mode E: lateness and early leaving count also on this day off.");
        return;
    }
    if (attend.Off == "Y" || attend.Holiday == "Y") {
        if (ctx.trace.On()) ctx.trace.Record("lateness", "No lateness or early leaving on an off day or a holiday.");
        log.WriteDetail(kDetailImportant, "No late/early for offday/holiday");
        attend.EarlyMin = "0";
        attend.Early = "N";
        attend.LateMin = "0";
        attend.Late = "N";
    }
}

void CalBreaksLateEarly(AgentContext& ctx, DayComputation&, TAT_Emp& emp, TAT_Attend& attend, const Stamp& tIn,
                        const Stamp& tOut) {
    const Log& log = ctx.log;
    const bool traced = ctx.settings.options.ATA_Details > 0;
    // Dated like the meal windows, so that a meal after midnight on a night
    // shift is measured against the next day's schedule.
    const std::string mealStart = stamps::DatedTime(emp.AtDate, emp.LunchOut, emp.SysIn);
    const std::string mealEnd = stamps::DatedTime(emp.AtDate, emp.LunchIn, emp.SysIn);
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

    if (traced) log.WriteLog("CalBreaksLateEarly: LIn.min, EOut.min=" + attend.MealLateMin + "," + attend.MealEarlyMin);
}

}  // namespace kx
