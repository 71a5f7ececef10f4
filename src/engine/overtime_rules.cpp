#include "engine/overtime_rules.h"

#include <string>

#include "engine/day_stamps.h"

namespace kx {

long long OTMinimum(const TAT_Emp& emp, long long minutes) {
    return minutes < stamps::IntegerOrStampError(emp.OTEntry.OTMinimumMin) ? 0 : minutes;
}

long long OTRounded(const AgentContext& ctx, const TAT_Emp& emp, long long minutes) {
    const long long step = stamps::IntegerOrStampError(emp.OTEntry.OTRoundingMin);
    if (step <= 0) return minutes;
    // Integer division truncates toward zero, so the factor moves the boundary.
    return (minutes + ctx.settings.options.OTRoundingFactorMin) / step * step;
}

void SplitEarlyOT(const AgentContext& ctx, long long minutes, TAT_Attend& attend) {
    if (ctx.settings.reprocessing.PreOTSplit)
        attend.PreOT = std::to_string(minutes);
    else
        attend.OT_min = std::to_string(minutes + stamps::IntegerOrStampError(attend.OT_min));
}

}  // namespace kx
