#include "engine/flexible_meal_hours.h"

#include <string>

#include "core/minute_stamps.h"
#include "engine/day_stamps.h"

namespace kx {

void GetFlexibleMealHours(AgentContext& ctx, DayComputation&, TAT_Emp& emp, Stamp& tIn, Stamp& tOut,
                          TAT_Attend& attend) {
    const Log& log = ctx.log;
    const Settings::Options& options = ctx.settings.options;
    const std::string& d = emp.AtDate;
    const std::string shiftStart = d + emp.SysIn;
    // A night shift ends on the next day; its meal lies across midnight.
    const std::string shiftEnd = stamps::ScheduledOut(d, emp.SysIn, emp.SysOut);

    // The earliest going out wins: start after every stamp up to the end of the shift.
    std::string goOut = stamps::DateOf(shiftEnd) + "AAAA";
    std::string comeBack = stamps::BlankStamp(d);  // the latest return wins
    for (const TCD_Source& c : emp.RawData) {
        log.WriteDetail(kDetailSteps, "FlexMeal Offset: In=" + std::to_string(options.FlexMealInOffsetMin) +
                                          "  Out=" + std::to_string(options.FlexMealOutOffsetMin));
        const std::string stamp = stamps::StampOf(c);
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
        (ctx.settings.reprocessing.IgnoreSameMinClocking || stamps::ClockingsAt(emp.RawData, goOut) < 2))
        goOut = stamps::BlankStamp(stamps::DateOf(goOut));
    if (stamps::TimeOf(goOut) == "AAAA") goOut = stamps::BlankStamp(stamps::DateOf(goOut));

    attend.Out_Meal = stamps::TimeOf(goOut);
    attend.In_Meal = stamps::TimeOf(comeBack);
    tOut = goOut;
    tIn = comeBack;
    log.WriteDetail(kDetailImportant, "GetFlexibleMealHours: Go out=" + comeBack + "  Come back=" + goOut);
}

}  // namespace kx
