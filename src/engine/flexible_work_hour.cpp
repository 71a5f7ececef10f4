#include "engine/flexible_work_hour.h"

#include <string>
#include <vector>

#include "core/minute_stamps.h"
#include "engine/day_stamps.h"
#include "engine/work_hours.h"

namespace kx {
namespace {

// A meal lies more than this many minutes inside the day's first in and last out.
constexpr long long kMealMarginMin = 60;

struct FlexibleDay {
    std::string firstIn, lastOut, mealStart, mealReturn;
};

// The day's own clockings (dated D), in list order.
std::vector<TCD_Source> ClockingsOfDay(const TAT_Emp& emp) {
    const std::string& d = emp.AtDate;
    std::vector<TCD_Source> own;
    for (const TCD_Source& c : emp.RawData) {
        const std::string stamp = stamps::StampOf(c);
        if (d + "0000" <= stamp && stamp <= d + "2359") own.push_back(c);
    }
    return own;
}

void PickFirstInLastOut(const AgentContext& ctx, const TAT_Emp& emp, const std::vector<TCD_Source>& own,
                        FlexibleDay& day) {
    const bool anyCode = ctx.settings.options.IgnoreInOutCOde;
    for (const TCD_Source& c : own) {
        const std::string stamp = stamps::StampOf(c);
        if ((anyCode || c.InOut == "I") && stamp < day.firstIn) day.firstIn = stamp;
        if ((anyCode || c.InOut == "O") && stamp > day.lastOut) day.lastOut = stamp;
    }
    // One swipe cannot be both the first in and the last out; two in the same minute can.
    if (anyCode && day.lastOut == day.firstIn && stamps::ClockingsAt(emp.RawData, day.lastOut) < 2)
        day.lastOut = stamps::BlankStamp(emp.AtDate);
}

void PickMeal(const AgentContext& ctx, const TAT_Emp& emp, const std::vector<TCD_Source>& own, FlexibleDay& day) {
    const Log& log = ctx.log;
    const bool anyCode = ctx.settings.options.IgnoreInOutCOde;
    const bool haveOut = day.lastOut != stamps::BlankStamp(emp.AtDate);
    const bool haveIn = day.firstIn != emp.AtDate + "AAAA";
    for (const TCD_Source& c : own) {
        const std::string stamp = stamps::StampOf(c);
        if ((anyCode || c.InOut == "I") && haveOut && stamp != day.firstIn &&
            MinutesBetween(log, stamp, day.lastOut) > kMealMarginMin && stamp > day.mealReturn)
            day.mealReturn = stamp;
        if ((anyCode || c.InOut == "O") && haveIn && stamp != day.lastOut &&
            MinutesBetween(log, day.firstIn, stamp) > kMealMarginMin && stamp < day.mealStart)
            day.mealStart = stamp;
    }
}

}  // namespace

void CalFlexibleWorkHour(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, TAT_Attend& attend) {
    const std::string& d = emp.AtDate;
    FlexibleDay flex{d + "AAAA", stamps::BlankStamp(d), d + "AAAA", stamps::BlankStamp(d)};
    const std::vector<TCD_Source> own = ClockingsOfDay(emp);
    PickFirstInLastOut(ctx, emp, own, flex);
    PickMeal(ctx, emp, own, flex);
    if (stamps::TimeOf(flex.firstIn) == "AAAA") flex.firstIn = stamps::BlankStamp(d);
    if (stamps::TimeOf(flex.mealStart) == "AAAA") flex.mealStart = stamps::BlankStamp(d);

    attend.Out_Meal = stamps::TimeOf(flex.mealStart);
    attend.In_Meal = stamps::TimeOf(flex.mealReturn);
    attend.In = stamps::TimeOf(flex.firstIn);
    attend.Out = stamps::TimeOf(flex.lastOut);
    if (!stamps::IsBlank(attend.In) && !stamps::IsBlank(attend.Out))
        CalWorkHours(ctx, day, flex.firstIn, flex.lastOut, attend, emp);
}

}  // namespace kx
