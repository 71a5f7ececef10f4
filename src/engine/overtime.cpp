#include "engine/overtime.h"

#include <string>

#include "core/blank_times.h"
#include "core/minute_stamps.h"
#include "core/text.h"
#include "engine/day_stamps.h"
#include "engine/formula_minutes.h"
#include "engine/overtime_rules.h"

namespace kx {
namespace {

// The work-out on D, or on D+1 when the work ended after midnight.
std::string WorkOutStamp(const TAT_Emp& emp, const TAT_Attend& attend) {
    return (attend.Out < attend.In ? stamps::ShiftDate(emp.AtDate, 1) : emp.AtDate) + attend.Out;
}

// A scheduled overtime time on D, or on D+1 when the shift crosses midnight or
// the time lies before the end of the shift.
std::string ScheduledOTStamp(const TAT_Emp& emp, const std::string& time) {
    const bool nextDay = emp.SysOut < emp.SysIn || time < emp.SysOut;
    return (nextDay ? stamps::ShiftDate(emp.AtDate, 1) : emp.AtDate) + time;
}

bool IsTime(const std::string& time) { return Trim(time).size() == 4; }

// Clocked overtime is cut to the scheduled overtime window.
void SnapToOTRange(const AgentContext& ctx, const TAT_Emp& emp, Stamp& tIn, Stamp& tOut) {
    const Log& log = ctx.log;
    const std::string snapIn = ScheduledOTStamp(emp, emp.OTIn);
    const std::string snapOut = ScheduledOTStamp(emp, emp.OTOut);
    log.WriteDetail(kDetailSteps, "Emp.OTIn,Out=" + emp.OTIn + "," + emp.OTOut + ",  SysOut=" + emp.SysOut);
    // A shift without a scheduled overtime time has no bound on that side: a
    // bare date would cut the clocked time off and lose the overtime.
    if (IsTime(emp.OTOut) && tOut > snapOut) tOut = snapOut;
    if (IsTime(emp.OTIn) && tIn < snapIn) tIn = snapIn;
    log.WriteDetail(kDetailSteps, "SnapToOTRange=true  OTInSnap=" + snapIn + "  OTOutSnap=" + snapOut + " Tin=" + tIn +
                                      " TOut=" + tOut);
}

// The point after which mode-"A" overtime counts.
std::string ModeAOutPoint(const DayComputation& day, const Stamp& tIn, const TAT_Attend& attend, const TAT_Emp& emp) {
    std::string outPoint = day.scheduledOut;
    if (emp.OTEntry.OTOffset != "0") {
        const auto moved =
            stamps::StampPlusMinutes(day.scheduledOut, stamps::IntegerOrStampError(emp.OTEntry.OTOffset));
        if (!moved) throw stamps::StampError("'" + day.scheduledOut + "' is not a valid date and time");
        outPoint = *moved;
    }
    // All of an off day's or a holiday's work is overtime.
    if (attend.Off == "Y" || attend.Holiday == "Y") outPoint = tIn;
    return outPoint;
}

std::string Shown(const Stamp& stamp) {
    return stamps::IsBlank(stamps::TimeOf(stamp)) ? std::string("none") : stamps::TimeOf(stamp);
}

StaffDayTrace::Facts OvertimeFacts(const AgentContext& ctx, const TOTEntry& rules, const TAT_Attend& attend) {
    return {{"mode", rules.OTMode},
            {"offset_min", rules.OTOffset},
            {"minimum_min", rules.OTMinimumMin},
            {"rounding_min", rules.OTRoundingMin},
            {"rounding_factor_min", std::to_string(ctx.settings.options.OTRoundingFactorMin)},
            {"formula", rules.OTFormula},
            {"ot_min", attend.OT_min}};
}

}  // namespace

void CalOvertime(AgentContext& ctx, DayComputation& day, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend,
                 TAT_Emp& emp) {
    const Log& log = ctx.log;
    const TOTEntry& rules = emp.OTEntry;
    Stamp otIn = tIn;
    Stamp otOut = tOut;
    if (ctx.settings.options.SnapToOTRange) SnapToOTRange(ctx, emp, otIn, otOut);

    long long minutes = 0;
    if (FormulaApplies(rules.OTFormula)) {
        FormulaInputs& in = day.inputs;
        in.OTI = StampToMinutes(log, otIn);
        in.OTO = StampToMinutes(log, otOut);
        in.WKO = StampToMinutes(log, WorkOutStamp(emp, attend));
        if (in.WKIOTO && emp.HalfDayLeave == "Y") in.WorkHalfDay = true;
        minutes = FormulaMinutes(ctx, rules.OTFormula, in);
    } else {
        minutes = MinutesBetween(log, otIn, otOut);
    }
    const long long counted = minutes;

    if (!ctx.settings.reprocessing.AllowNegativeOT) minutes = OTMinimum(emp, minutes);
    log.WriteDetail(kDetailFine, "RoundingMinute=" + rules.OTRoundingMin +
                                     "  RoundingFactorMin=" + std::to_string(ctx.settings.options.OTRoundingFactorMin) +
                                     " OT Minimum=" + rules.OTMinimumMin +
                                     "  OT Before Rounding=" + std::to_string(minutes));
    minutes = OTRounded(ctx, emp, minutes);
    log.WriteDetail(kDetailFine, "Rounded ot min=" + std::to_string(minutes));

    // The clocked times are shown, not the snapped ones.
    attend.OT_In = stamps::TimeOf(tIn);
    attend.OT_Out = stamps::TimeOf(tOut);
    attend.OT_min = std::to_string(minutes);
    if (ctx.trace.On())
        ctx.trace.Record("overtime",
                         "Overtime mode " + rules.OTMode + ": the overtime clockings are " + Shown(tIn) + " to " +
                             Shown(tOut) + ", " + std::to_string(counted) + " minutes" +
                             (FormulaApplies(rules.OTFormula) ? " by the shift's overtime formula" : "") +
                             (ctx.settings.options.SnapToOTRange ? ", cut to the scheduled overtime window" : "") +
                             "; " + attend.OT_min + " after the minimum of " + rules.OTMinimumMin +
                             " and the rounding down to steps of " + rules.OTRoundingMin + " minutes.",
                         OvertimeFacts(ctx, rules, attend));
}

void CalOTModeA(AgentContext& ctx, DayComputation& day, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend,
                TAT_Emp& emp) {
    const Log& log = ctx.log;
    const TOTEntry& rules = emp.OTEntry;
    if (emp.ProcessMode == "N") {
        log.WriteDetail(kDetailSteps, "Normal Mode --> no OT procressing");
        if (ctx.trace.On())
            ctx.trace.Record("overtime",
                             "No overtime is computed: the staff member is not entitled (ot_entitled is "
                             "not Y).");
        return;
    }
    if (rules.OTMode != "A") return;

    const std::string outPoint = ModeAOutPoint(day, tIn, attend, emp);
    log.WriteDetail(kDetailFine, "OT_Mode is A: OutPoint=" + outPoint + "  TOut=" + tOut);
    const bool dayOff = attend.Off == "Y" || attend.Holiday == "Y";
    const std::string from = dayOff
                                 ? "the first in " + stamps::TimeOf(outPoint) + " (all work on a day off is overtime)"
                                 : stamps::TimeOf(outPoint) + " (the scheduled out " + emp.SysOut +
                                       " plus an offset of " + rules.OTOffset + " minutes)";
    if (tOut < outPoint) {
        attend.OT_min = "0";
        if (ctx.trace.On())
            ctx.trace.Record("overtime",
                             "Overtime mode A counts from " + from + "; the out " + stamps::TimeOf(tOut) +
                                 " is before that, so no overtime.",
                             OvertimeFacts(ctx, rules, attend));
        return;
    }

    const bool byFormula = FormulaApplies(rules.OTFormula);
    long long minutes = 0;
    if (byFormula) {
        FormulaInputs& in = day.inputs;
        in.OTI = StampToMinutes(log, outPoint);
        in.OTO = StampToMinutes(log, tOut);
        in.WKO = StampToMinutes(log, WorkOutStamp(emp, attend));
        in.WKI = StampToMinutes(log, emp.AtDate + attend.In);
        minutes = FormulaMinutes(ctx, rules.OTFormula, in);
    } else {
        minutes = MinutesBetween(log, outPoint, tOut);
    }
    const long long counted = minutes;

    if (!ctx.settings.reprocessing.AllowNegativeOT) minutes = OTMinimum(emp, minutes);
    const int factor = ctx.settings.options.OTRoundingFactorMin;
    if (factor > 0)
        log.WriteDetail(kDetailSteps, "RoundingFactorMin=" + std::to_string(factor) +
                                          " OT Before Rounding=" + std::to_string(minutes));
    minutes = OTRounded(ctx, emp, minutes);
    attend.OT_min = std::to_string(minutes);

    if (minutes == 0 || byFormula) {
        attend.Out = stamps::TimeOf(tOut);
        attend.OT_In = kClearedTime;
        attend.OT_Out = kClearedTime;
    } else {
        // The working day is shown ending at the scheduled time, the rest as overtime.
        attend.OT_In = stamps::TimeOf(outPoint);
        attend.OT_Out = stamps::TimeOf(tOut);
        attend.Out = emp.SysOut;
    }
    if (ctx.trace.On())
        ctx.trace.Record("overtime",
                         "Overtime mode A counts from " + from + " to the out " + stamps::TimeOf(tOut) + ": " +
                             std::to_string(counted) + " minutes" +
                             (byFormula ? " by the shift's overtime formula" : "") + ", " + attend.OT_min +
                             " after the minimum of " + rules.OTMinimumMin + " and the rounding down to steps of " +
                             rules.OTRoundingMin + " minutes." +
                             (minutes > 0 && !byFormula ? " The work is shown ending at " + emp.SysOut + "." : ""),
                         OvertimeFacts(ctx, rules, attend));
}

}  // namespace kx
