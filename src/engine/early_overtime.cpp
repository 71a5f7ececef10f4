#include "engine/early_overtime.h"

#include <string>

#include "core/blank_times.h"
#include "core/minute_stamps.h"
#include "core/text.h"
#include "engine/day_stamps.h"
#include "engine/overtime_rules.h"

namespace kx {

void CalPreOvertime(AgentContext& ctx, DayComputation&, const Stamp& tIn, const Stamp&, TAT_Attend& attend,
                    TAT_Emp& emp) {
    // How early the work began; negative overtime is never kept here.
    long long minutes = MinutesBetween(ctx.log, tIn, emp.AtDate + emp.SysIn);
    minutes = OTRounded(ctx, emp, OTMinimum(emp, minutes));
    SplitEarlyOT(ctx, minutes, attend);
    if (minutes <= 0) {
        attend.EarlyOT_In = kBlankTime;
        attend.EarlyOT_Out = kBlankTime;
    } else {
        attend.EarlyOT_In = stamps::TimeOf(tIn);
        attend.EarlyOT_Out = emp.SysIn;
    }
    ctx.log.WriteDetail(kDetailSteps, "Pre-Overtime: OT.pre=" + std::to_string(minutes) + "  OT.std=" + attend.OT_min +
                                          "  EOT_In=[" + attend.EarlyOT_In + "]  EOT_Out=[" + attend.EarlyOT_Out + "]");
}

void CalBreak1EarlyOT(AgentContext& ctx, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend, const TAT_Emp& emp) {
    attend.EarlyOT_In = stamps::TimeOf(tIn);
    attend.EarlyOT_Out = stamps::TimeOf(tOut);
    if (Trim(tIn).size() + Trim(tOut).size() > 23) {
        long long minutes = MinutesBetween(ctx.log, tIn, tOut);
        minutes = OTRounded(ctx, emp, OTMinimum(emp, minutes));
        SplitEarlyOT(ctx, minutes, attend);
    }
    ctx.log.WriteDetail(kDetailSteps,
                        "Pre-Overtime(B1) : EOT_In=[" + attend.EarlyOT_In + "]  EOT_Out=[" + attend.EarlyOT_Out + "]");
}

}  // namespace kx
