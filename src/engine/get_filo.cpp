#include <string>

#include "engine/day_computation.h"
#include "engine/filo_results.h"
#include "engine/filo_selection.h"
#include "engine/filo_windows.h"

namespace kx {

void GetFILO(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, Stamp& tIn, Stamp& tOut, TAT_Attend& attend,
             char kind)
{
    const Log& log = ctx.log;
    if (kind == 'L' && ctx.settings.options.FlexibleMealHour) {
        log.WriteDetail(0, "FlexiMeal Enabled.");
        GetFlexibleMealHours(ctx, day, emp, tIn, tOut, attend);
        return;
    }
    log.WriteDetail(10, " ");
    log.WriteDetail(10, "GetFILO Begin");

    const filo::PeriodWindows windows = filo::BuildWindows(ctx, emp, kind);
    log.WriteDetail(10, std::string("  Break = ") + kind + ";  SysIn = " + emp.SysIn + "  SysOut = " + emp.SysOut);
    log.WriteDetail(10, "    In Range  = " + windows.in.lower + " to " + windows.in.upper);
    log.WriteDetail(10, "    Out Range = " + windows.out.lower + " to " + windows.out.upper + "  JCode=[" +
                            windows.jobCode + "]");

    const filo::FirstInLastOut pick = filo::SelectFirstInLastOut(ctx, emp, windows, kind);
    if (pick.edited) day.editedMark = true;
    tIn = pick.tIn;
    tOut = pick.tOut;
    filo::StoreFiloResult(ctx, day, emp, tIn, tOut, attend, kind);
}

}  // namespace kx
