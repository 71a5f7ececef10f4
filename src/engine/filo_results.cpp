#include "engine/filo_results.h"

#include <string>
#include <utility>

#include "core/minute_stamps.h"
#include "core/text.h"
#include "engine/day_stamps.h"

namespace kx::filo {
namespace {

void StoreMeal(const AgentContext& ctx, const TAT_Emp& emp, Stamp& tIn, Stamp& tOut, TAT_Attend& attend) {
    const Log& log = ctx.log;
    if (ctx.settings.options.IgnoreInOutCOde) {
        log.WriteDetail(kDetailSteps, "IgnoreInOut: enforce meal rule");
        // Without direction codes the earlier swipe is the going out; the
        // stamps are swapped too, so that the meal is measured the right way round.
        if (tOut > tIn) std::swap(tIn, tOut);
    }
    attend.Out_Meal = stamps::TimeOf(tOut);
    attend.In_Meal = stamps::TimeOf(tIn);
    log.WriteDetail(kDetailImportant, "  Half_day=" + emp.HalfDayLeave + "  OT_Mode=" + emp.OTEntry.OTMode);
    if (emp.HalfDayLeave == "Y" && emp.OTEntry.OTMode == "E") {
        log.WriteDetail(kDetailImportant, "No meal in/out for half-day leave");
        attend.Out_Meal.clear();
        attend.In_Meal.clear();
    }
}

void StoreWork(const AgentContext& ctx, DayComputation& day, const TAT_Emp& emp, const Stamp& tIn, const Stamp& tOut,
               TAT_Attend& attend) {
    attend.In = stamps::TimeOf(tIn);
    attend.Out = stamps::TimeOf(tOut);
    // Both ends clocked on a half-day leave: the formulas see a half day.
    if (emp.HalfDayLeave == "Y" && Trim(tIn).size() + Trim(tOut).size() >= 24 && tIn != tOut)
        day.inputs.WorkHalfDay = true;
    day.inputs.WKI = StampToMinutes(ctx.log, tIn);
    day.inputs.WKO = StampToMinutes(ctx.log, tOut);
    ctx.log.WriteDetail(kDetailSteps, "  In Time=" + attend.In + "  Out Time= " + attend.Out +
                                          "  WorkHalfday=" + BoolText(day.inputs.WorkHalfDay));
}

void StoreOvertime(const AgentContext& ctx, DayComputation& day, const TAT_Emp& emp, Stamp& tIn, const Stamp& tOut,
                   TAT_Attend& attend) {
    const Log& log = ctx.log;
    const bool filo = ctx.settings.tavro.FILO;
    log.WriteDetail(kDetailSteps, "  Tin = " + tIn + "  Tavro_FILO = " + BoolText(filo));
    if (filo) {
        // Only the last swipe counts: the overtime starts at its scheduled time.
        if (!stamps::IsBlank(stamps::TimeOf(tOut))) {
            attend.OT_In = emp.OTIn;
            tIn = stamps::DatedTime(emp.AtDate, emp.OTIn, emp.SysIn);
        }
    } else {
        attend.OT_In = stamps::TimeOf(tIn);
    }
    attend.OT_Out = stamps::TimeOf(tOut);
    day.inputs.WKIOTO = !stamps::IsBlank(attend.In) && !stamps::IsBlank(attend.OT_Out) &&
                        (stamps::IsBlank(attend.Out) || stamps::IsBlank(attend.OT_In));
    log.WriteDetail(kDetailSteps, "  Tin = " + tIn + "  TOut = " + tOut + "  OT In = " + attend.OT_In +
                                      "  OT Out = " + attend.OT_Out);
}

}  // namespace

void StoreFiloResult(const AgentContext& ctx, DayComputation& day, const TAT_Emp& emp, Stamp& tIn, Stamp& tOut,
                     TAT_Attend& attend, char kind) {
    switch (kind) {
    case '1':
        attend.B1Out = stamps::TimeOf(tOut);
        attend.B1In = stamps::TimeOf(tIn);
        break;
    case '2':
        attend.B2Out = stamps::TimeOf(tOut);
        attend.B2In = stamps::TimeOf(tIn);
        break;
    case 'V':
        attend.EarlyOT_Out = stamps::TimeOf(tOut);
        attend.EarlyOT_In = stamps::TimeOf(tIn);
        break;
    case 'L': StoreMeal(ctx, emp, tIn, tOut, attend); break;
    case 'O': StoreWork(ctx, day, emp, tIn, tOut, attend); break;
    case 'T':
    case 'E': StoreOvertime(ctx, day, emp, tIn, tOut, attend); break;
    default: break;
    }
    ctx.log.WriteDetail(kDetailSteps, "GetFILO End");
}

}  // namespace kx::filo
