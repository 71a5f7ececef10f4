#include "engine/pro_attd.h"

#include <exception>
#include <string>

#include "core/minute_stamps.h"
#include "core/text.h"
#include "engine/day_stamps.h"
#include "engine/early_overtime.h"
#include "engine/flexible_work_hour.h"
#include "engine/get_filo.h"
#include "engine/late_early.h"
#include "engine/overtime.h"
#include "engine/work_hours.h"

namespace kx {
namespace {

// A working day shorter than this is a half day for the formulas.
constexpr long long kHalfDayBelowMin = 360;

// Character `position` (1-based) of the break pattern is "X": that period is clocked.
bool PatternClocks(const TAT_Emp& emp, std::size_t position) { return Mid(emp.BreakSelect, position, 1) == "X"; }

bool BothClocked(const std::string& first, const std::string& second) { return Trim(first + second).size() == 8; }

void StartDay(AgentContext& ctx, DayComputation& day, const TAT_Emp& emp, TAT_Attend& attend) {
    const Log& log = ctx.log;
    day.scheduledIn = emp.AtDate + emp.SysIn;
    day.scheduledOut = stamps::ScheduledOut(emp.AtDate, emp.SysIn, emp.SysOut);
    if (StampToMinutes(log, day.scheduledOut) - StampToMinutes(log, day.scheduledIn) < kHalfDayBelowMin) {
        log.WriteDetail(kDetailFine, "Office hour < 6 hours, turn on System Param WORK_HALF_DAY.");
        day.inputs.WorkHalfDay = true;
    }
    attend.StaffNo = emp.StaffNo;
    attend.AtDate = emp.AtDate;
}

void SelectBreaksAndMeal(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, TAT_Attend& attend) {
    Stamp tIn, tOut;
    if (ctx.settings.reprocessing.Break1AsEarlyOT) {
        GetFILO(ctx, day, emp, tIn, tOut, attend, 'V');
        CalBreak1EarlyOT(ctx, tIn, tOut, attend, emp);
    } else if (PatternClocks(emp, 1)) {
        GetFILO(ctx, day, emp, tIn, tOut, attend, '1');
    }
    if (PatternClocks(emp, 2)) {
        GetFILO(ctx, day, emp, tIn, tOut, attend, 'L');
        CalBreaksLateEarly(ctx, day, emp, attend, tIn, tOut);
    }
    ctx.log.WriteDetail(kDetailFine, "Lunch hour=" + attend.Out_Meal + "," + attend.In_Meal);
    if (PatternClocks(emp, 3)) GetFILO(ctx, day, emp, tIn, tOut, attend, '2');
}

// The work stamps again, now from the times that stand after the overtime steps.
void Readjust(const TAT_Emp& emp, const TAT_Attend& attend, Stamp& tIn, Stamp& tOut) {
    const std::string& d = emp.AtDate;
    if (!stamps::IsBlank(attend.In)) tIn = d + attend.In;
    if (!stamps::IsBlank(attend.Out)) tOut = (attend.Out < attend.In ? stamps::ShiftDate(d, 1) : d) + attend.Out;
}

void WorkingMinutes(AgentContext& ctx, DayComputation& day, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend,
                    TAT_Emp& emp) {
    const std::string& mode = emp.OTEntry.OTMode;
    if (BothClocked(attend.In, attend.Out)) {
        CalWorkHours(ctx, day, tIn, tOut, attend, emp);
        if (mode != "C" && mode != "E") CalOTModeA(ctx, day, tIn, tOut, attend, emp);
    } else if (!emp.WorkFormula.empty()) {
        CalWorkHours(ctx, day, tIn, tOut, attend, emp);
    }
}

void StatusLetters(const DayComputation& day, const TAT_Emp& emp, TAT_Attend& attend) {
    // Inc still holds its reset value here; it is decided below.
    if (attend.Early != "Y" && attend.Late != "Y" && attend.Inc != "Y" && BothClocked(attend.In, attend.Out))
        attend.Punctual = "Y";
    for (const std::string* time :
         {&attend.In, &attend.Out, &attend.In_Meal, &attend.Out_Meal, &attend.EarlyOT_In, &attend.EarlyOT_Out})
        if (!stamps::IsBlank(*time)) attend.Absent = "N";
    if (stamps::IsBlank(attend.In) || stamps::IsBlank(attend.Out) ||
        (PatternClocks(emp, 2) && (stamps::IsBlank(attend.In_Meal) || stamps::IsBlank(attend.Out_Meal))))
        attend.Inc = "Y";
    if (attend.Absent == "Y") attend.Inc = "N";
    if (day.editedMark) attend.Edited = "Y";
}

void ComputeDay(AgentContext& ctx, TAT_Emp& emp, TAT_Attend& attend) {
    const Log& log = ctx.log;
    const Settings& settings = ctx.settings;
    log.WriteDetail(kDetailImportant, "------------->");
    DayComputation day;
    StartDay(ctx, day, emp, attend);

    const bool restOffDay = settings.tavro.FlexibleHourRestOffDay;
    log.WriteDetail(kDetailImportant, "Staff.FlexWorkHour=" + emp.FlexibleWorkHour + "  Offday=" + attend.Off +
                                          "  FlexibleHourRestOffDay=" + BoolText(restOffDay));
    if (emp.FlexibleWorkHour == "Y" || (restOffDay && attend.Off == "Y")) {
        CalFlexibleWorkHour(ctx, day, emp, attend);
        log.WriteDetail(kDetailImportant, "It is Flexible working hour ...");
        if (ctx.trace.On())
            ctx.trace.Record("work",
                             std::string("Flexible working hours (") +
                                 (emp.FlexibleWorkHour == "Y" ? "kt_cdext.flexi_hour is Y"
                                                              : "[Tavro] FlexibleHourRestOffDay on an off day") +
                                 "): in " + attend.In + ", out " + attend.Out + ", working minutes " +
                                 attend.TotalWork + ", overtime " + attend.OT_min + ".",
                             {{"total_work_min", attend.TotalWork}, {"rule", "flexible hours"}});
        return;
    }

    SelectBreaksAndMeal(ctx, day, emp, attend);

    Stamp tIn, tOut;
    GetFILO(ctx, day, emp, tIn, tOut, attend, 'O');
    const Stamp workIn = tIn;
    const Stamp workOut = tOut;
    const std::string& mode = emp.OTEntry.OTMode;
    if (mode == "C")
        GetFILO(ctx, day, emp, tIn, tOut, attend, 'T');
    else if (mode == "E")
        GetFILO(ctx, day, emp, tIn, tOut, attend, 'E');
    log.WriteDetail(kDetailSteps, "");

    // The overtime swipe is the last of the day: the work ends as scheduled.
    if (settings.tavro.FILO && !stamps::IsBlank(attend.OT_Out)) {
        log.WriteDetail(kDetailSteps,
                        "Tavro.FILO 2 Swipes: Adjust Out Time from [" + attend.Out + "]  to  [" + emp.SysOut + "]");
        if (ctx.trace.On())
            ctx.trace.Record("choice",
                             "[Tavro] FILO: the overtime swipe is the last of the day, so the work ends at "
                             "the scheduled " +
                                 emp.SysOut + " instead of " + attend.Out + ".");
        attend.Out = emp.SysOut;
    }
    log.WriteDetail(kDetailSteps, "In = [" + attend.In + "]  Out = [" + attend.Out + "]  " + "OT In = [" +
                                      attend.OT_In + "]  OT Out = [" + attend.OT_Out + "]");
    day.inputs.WKIWKO = stamps::IsBlank(attend.OT_Out) && BothClocked(attend.In, attend.Out);

    if (mode != "A") {
        CalOvertime(ctx, day, tIn, tOut, attend, emp);
        log.WriteDetail(kDetailSteps, "OT = " + attend.OT_min + " minutes");
    }

    tIn = workIn;
    tOut = workOut;
    Readjust(emp, attend, tIn, tOut);
    log.WriteDetail(kDetailSteps, "Readjusted: TIn = " + tIn + "   TOut = " + tOut);

    if (!settings.reprocessing.Break1AsEarlyOT && settings.reprocessing.PreOvertime)
        CalPreOvertime(ctx, day, tIn, tOut, attend, emp);
    CalLateEarly(ctx, day, emp, attend);
    WorkingMinutes(ctx, day, tIn, tOut, attend, emp);
    StatusLetters(day, emp, attend);
    log.WriteDetail(kDetailImportant, "<-------------");
}

}  // namespace

void ProAttd(AgentContext& ctx, TAT_Emp& emp, TAT_Attend& attend) {
    try {
        ComputeDay(ctx, emp, attend);
    } catch (const std::exception& e) {
        // The steps done so far stand; the day is saved as it is.
        ctx.log.WriteDetail(kDetailEverything, "<ProAttd:>" + std::string(e.what()));
    }
}

}  // namespace kx
