#pragma once
#include "core/agent_context.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"

// The rules every overtime calculation shares. The minute settings of the
// overtime rules are read as they are used; one that is no integer throws
// stamps::StampError, which ends the day computation.
namespace kx {

// Minutes below OTMinimumMin count as none (negative minutes too).
long long OTMinimum(const TAT_Emp& emp, long long minutes);

// Rounded down to the OTRoundingMin step after adding OTRoundingFactorMin;
// unchanged without a positive step.
long long OTRounded(const AgentContext& ctx, const TAT_Emp& emp, long long minutes);

// Early overtime kept apart in PreOT under PreOTSplit, else added to OT_min.
void SplitEarlyOT(const AgentContext& ctx, long long minutes, TAT_Attend& attend);

}  // namespace kx
