#include "engine/get_filo.h"

#include <string>

#include "engine/day_stamps.h"
#include "engine/filo_results.h"
#include "engine/filo_selection.h"
#include "engine/filo_windows.h"
#include "engine/flexible_meal_hours.h"

namespace kx {
namespace {

std::string PeriodName(char kind) {
    switch (kind) {
    case 'O': return "Work";
    case 'L': return "Meal";
    case '1': return "Break 1";
    case '2': return "Break 2";
    case 'V': return "Break 1 as early overtime";
    case 'T': return "Overtime by job code (mode C)";
    case 'E': return "Overtime (mode E)";
    default: return std::string("Period ") + kind;
    }
}

std::string Shown(const Stamp& stamp) {
    return stamps::IsBlank(stamps::TimeOf(stamp)) ? "none" : stamps::DateOf(stamp) + " " + stamps::TimeOf(stamp);
}

// "yyyymmdd hhmm" of a window bound, easier to read than the bare stamp.
std::string Bound(const std::string& stamp) {
    return stamp.size() == 12 ? stamps::DateOf(stamp) + " " + stamps::TimeOf(stamp) : stamp;
}

// A window whose bounds are bare dates has no times set: it holds nothing.
std::string WindowText(const filo::Window& w) {
    if (w.lower.size() != 12 || w.upper.size() != 12) return "nowhere (no times are set for it)";
    return "from " + Bound(w.lower) + " to " + Bound(w.upper);
}

// Why each clocking of the day was taken or left for this period.
void TraceChoice(const AgentContext& ctx, const TAT_Emp& emp, const filo::PeriodWindows& w,
                 const filo::PeriodInOutStamps& pick, char kind) {
    const std::string name = PeriodName(kind);
    const bool byWindow = ctx.settings.options.IgnoreInOutCOde;
    ctx.trace.Record("choice",
                     name + ": the start is looked for " + WindowText(w.in) + ", the end " + WindowText(w.out) +
                         (byWindow            ? " (in/out codes ignored)."
                          : w.jobCode.empty() ? " (by in/out code, only clockings without a job code)."
                                              : " (by in/out code, job " + w.jobCode + ")."),
                     {{"period", name},
                      {"start_window", Bound(w.in.lower) + " - " + Bound(w.in.upper)},
                      {"end_window", Bound(w.out.lower) + " - " + Bound(w.out.upper)},
                      {"start", Shown(pick.tIn)},
                      {"end", Shown(pick.tOut)}});
    for (const TCD_Source& c : emp.RawData) {
        const std::string stamp = stamps::StampOf(c);
        const bool jobFits = byWindow || c.JobCode == w.jobCode;
        const bool canStart = w.in.Contains(stamp) && jobFits && (byWindow || c.InOut == "I");
        const bool canEnd = w.out.Contains(stamp) && jobFits && (byWindow || c.InOut == "O");
        std::string why;
        if (stamp == pick.tIn && canStart)
            why = "taken as the start: the earliest that may start the period";
        else if (stamp == pick.tOut && canEnd)
            why = "taken as the end: the latest that may end the period";
        else if (canStart || canEnd)
            why = canStart ? "may start the period, but " + Shown(pick.tIn) + " is earlier"
                           : "may end the period, but " + Shown(pick.tOut) + " is later";
        else if (!jobFits)
            why = "not taken: job " + c.JobCode + " is not the period's job" +
                  (w.jobCode.empty() ? " (none)" : " " + w.jobCode);
        else if (w.in.Contains(stamp) || w.out.Contains(stamp))
            why = "not taken: its code " + c.InOut + " does not fit the window it lies in";
        else
            why = "not taken: outside both windows";
        ctx.trace.Record("choice", "  " + c.TrDate + " " + c.TrTime + " " + c.InOut + ": " + why + ".",
                         {{"period", name}, {"clocking", c.TrDate + " " + c.TrTime}, {"decision", why}});
    }
}

}  // namespace

void GetFILO(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, Stamp& tIn, Stamp& tOut, TAT_Attend& attend,
             char kind) {
    const Log& log = ctx.log;
    if (kind == 'L' && ctx.settings.options.FlexibleMealHour) {
        log.WriteDetail(kDetailImportant, "FlexiMeal Enabled.");
        GetFlexibleMealHours(ctx, day, emp, tIn, tOut, attend);
        return;
    }
    log.WriteDetail(kDetailSteps, " ");
    log.WriteDetail(kDetailSteps, "GetFILO Begin");

    const filo::PeriodWindows windows = filo::BuildWindows(ctx, emp, kind);
    log.WriteDetail(kDetailSteps,
                    std::string("  Break = ") + kind + ";  SysIn = " + emp.SysIn + "  SysOut = " + emp.SysOut);
    log.WriteDetail(kDetailSteps, "    In Range  = " + windows.in.lower + " to " + windows.in.upper);
    log.WriteDetail(kDetailSteps, "    Out Range = " + windows.out.lower + " to " + windows.out.upper + "  JCode=[" +
                                      windows.jobCode + "]");

    const filo::PeriodInOutStamps pick = filo::SelectFirstInLastOut(ctx, emp, windows, kind);
    if (ctx.trace.On()) TraceChoice(ctx, emp, windows, pick, kind);
    if (pick.edited) day.editedMark = true;
    tIn = pick.tIn;
    tOut = pick.tOut;
    filo::StoreFiloResult(ctx, day, emp, tIn, tOut, attend, kind);
}

}  // namespace kx
