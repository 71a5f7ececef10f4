#include <string>

#include "core/minute_stamps.h"
#include "engine/day_computation.h"
#include "engine/day_stamps.h"

namespace kx {

void GetFlexibleMealHours(AgentContext& ctx, DayComputation&, TAT_Emp& emp, Stamp& tIn, Stamp& tOut,
                          TAT_Attend& attend)
{
    const Log& log = ctx.log;
    const Settings::Options& options = ctx.settings.options;
    const std::string& d = emp.AtDate;
    const std::string shiftStart = d + emp.SysIn;
    // A night shift ends on the next day; its meal lies across midnight.
    const std::string shiftEnd = filo::ScheduledOut(d, emp.SysIn, emp.SysOut);

    // The earliest going out wins: start after every stamp up to the end of the shift.
    std::string goOut = filo::DateOf(shiftEnd) + "AAAA";
    std::string comeBack = filo::BlankStamp(d);  // the latest return wins
    for (const TCD_Source& c : emp.RawData) {
        log.WriteDetail(10, "FlexMeal Offset: In=" + std::to_string(options.FlexMealInOffsetMin) +
                                "  Out=" + std::to_string(options.FlexMealOutOffsetMin));
        const std::string stamp = filo::StampOf(c);
        // Only swipes well inside the working time can belong to the meal.
        if (!(MinutesBetween(log, shiftStart, stamp) > options.FlexMealInOffsetMin &&
              MinutesBetween(log, stamp, shiftEnd) > options.FlexMealOutOffsetMin))
            continue;
        if (options.IgnoreInOutCOde) {
            if (stamp > comeBack) comeBack = stamp;
            if (stamp < goOut) goOut = stamp;
        } else if (c.JobCode == emp.MealJobCode) {
            if (c.InOut == "I" && stamp > comeBack) comeBack = stamp;
            if (c.InOut == "O" && stamp < goOut) goOut = stamp;
        }
    }

    if (goOut == comeBack &&
        (ctx.settings.reprocessing.IgnoreSameMinClocking || filo::ClockingsAt(emp.RawData, goOut) < 2))
        goOut = filo::BlankStamp(filo::DateOf(goOut));
    if (filo::TimeOf(goOut) == "AAAA") goOut = filo::BlankStamp(filo::DateOf(goOut));

    attend.Out_Meal = filo::TimeOf(goOut);
    attend.In_Meal = filo::TimeOf(comeBack);
    tOut = goOut;
    tIn = comeBack;
    log.WriteDetail(0, "GetFlexibleMealHours: Go out=" + comeBack + "  Come back=" + goOut);
}

}  // namespace kx
