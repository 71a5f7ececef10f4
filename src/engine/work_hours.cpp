#include "engine/work_hours.h"

#include <string>

#include "core/blank_times.h"
#include "core/minute_stamps.h"
#include "core/text.h"
#include "engine/day_stamps.h"
#include "engine/formula_minutes.h"

namespace kx {
namespace {

bool HasTime(const Stamp& stamp) { return Trim(stamps::TimeOf(stamp)).size() == 4; }

// An overtime too short to count makes its last swipe the end of the working day.
void SetWorkOutIfNotEnoughOT(const AgentContext& ctx, const TAT_Emp& emp, Stamp& tOut, TAT_Attend& attend) {
    const Log& log = ctx.log;
    log.WriteDetail(kDetailImportant, "SetWorkOutIfNotEnoughOT is TRUE");
    if (attend.OT_min != "0" || Trim(attend.OT_In + attend.OT_Out).size() != 8) return;
    log.WriteDetail(kDetailImportant, "Set work_out=OT_out (" + attend.OT_Out + ") since OT is less than OT_minimum.");
    tOut = (stamps::TimeOf(tOut) > attend.OT_Out ? stamps::ShiftDate(emp.AtDate, 1) : stamps::DateOf(tOut)) +
           attend.OT_Out;
    attend.Out = attend.OT_Out;
    attend.OT_In = kClearedTime;
    attend.OT_Out = kClearedTime;
}

// A meal time dated against the work-in: after midnight when earlier than it.
std::string MealStamp(const std::string& d, const std::string& mealTime, const Stamp& tIn) {
    return (mealTime < stamps::TimeOf(tIn) ? stamps::ShiftDate(d, 1) : d) + mealTime;
}

// Enough hours worked excuse lateness and early leaving.
void IgnoreLateEarlyIfWorkOK(const AgentContext& ctx, const DayComputation& day, const std::string& scheduledIn,
                             TAT_Attend& attend) {
    const Log& log = ctx.log;
    const long long scheduled = MinutesBetween(log, scheduledIn, day.scheduledOut);
    log.WriteDetail(kDetailImportant, "Ignore Late/Early if work enough hour: Work=" + attend.TotalWork +
                                          " vs. System=" + std::to_string(scheduled));
    if (stamps::IntegerOrStampError(attend.TotalWork) < scheduled) return;
    log.WriteDetail(kDetailSteps, "Set Late/Early min = 0, late/early=N, ontime=Y ");
    if (ctx.trace.On())
        ctx.trace.Record("lateness", "Enough minutes worked (" + attend.TotalWork + " of " + std::to_string(scheduled) +
                                         " scheduled, kt_ini IgnoreLEIfWorkOK): lateness and early leaving are "
                                         "forgiven.");
    attend.LateMin = "0";
    attend.EarlyMin = "0";
    attend.Late = "N";
    attend.Early = "N";
    attend.Punctual = "Y";
}

}  // namespace

void CalWorkHours(AgentContext& ctx, DayComputation& day, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend,
                  TAT_Emp& emp) {
    const Log& log = ctx.log;
    const std::string& d = emp.AtDate;
    Stamp workOut = tOut;
    log.WriteDetail(kDetailSteps,
                    "CalWorkHours: w_formula=" + emp.WorkFormula + "  Tin=" + tIn + "," + "  TOut=" + tOut);

    if (ctx.settings.tavro.FILO && ctx.settings.tavro.SetWorkOutIfNotEnoughOT)
        SetWorkOutIfNotEnoughOT(ctx, emp, workOut, attend);

    // Snapping needs a clocked work-in: a missing one must not turn into the
    // scheduled start and earn a day's minutes.
    const std::string scheduledIn = d + emp.SysIn;
    const bool snapIn = ctx.settings.options.SnapToInTime && HasTime(tIn) && tIn < scheduledIn;

    if (FormulaApplies(emp.WorkFormula)) {
        FormulaInputs& in = day.inputs;
        in.WKI = StampToMinutes(log, snapIn ? scheduledIn : tIn);
        in.WKO = StampToMinutes(log, workOut);
        in.MLO = StampToMinutes(log, MealStamp(d, attend.Out_Meal, tIn));
        in.MLI = StampToMinutes(log, MealStamp(d, attend.In_Meal, tIn));
        attend.TotalWork = std::to_string(FormulaMinutes(ctx, emp.WorkFormula, in));
        if (ctx.trace.On())
            ctx.trace.Record("work",
                             "Working minutes " + attend.TotalWork + " from the shift's work formula" +
                                 (snapIn ? ", with the in snapped to the scheduled " + emp.SysIn : std::string()) + ".",
                             {{"total_work_min", attend.TotalWork}, {"rule", "formula"}, {"formula", emp.WorkFormula}});
    } else {
        // The meal is not deducted here; a formula is the means to deduct it.
        long long minutes = MinutesBetween(log, snapIn ? scheduledIn : tIn, workOut);
        if (ctx.settings.options.SnapToInTime)
            log.WriteDetail(kDetailSteps, "SnapToInTime=true  m=" + std::to_string(minutes) + "  Sysin=" + scheduledIn +
                                              "  Tin=" + tIn);
        attend.TotalWork = std::to_string(minutes < 0 ? 0 : minutes);
        if (ctx.trace.On())
            ctx.trace.Record(
                "work",
                "Working minutes " + attend.TotalWork + ": from " + stamps::TimeOf(snapIn ? scheduledIn : tIn) +
                    (snapIn ? " (the in snapped to the scheduled start, [Options] SnapToInTime)" : "") + " to " +
                    stamps::TimeOf(workOut) + ", the meal not deducted (no work formula).",
                {{"total_work_min", attend.TotalWork}, {"rule", snapIn ? "snap to in time" : "in to out"}});
    }

    if (ctx.derived.ignoreLEIfWorkOK) IgnoreLateEarlyIfWorkOK(ctx, day, scheduledIn, attend);
}

}  // namespace kx
