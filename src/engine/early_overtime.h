#pragma once
#include "core/agent_context.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"
#include "engine/day_computation.h"

namespace kx {

// Break 1 taken as early overtime ([Reprocessing] Break1AsEarlyOT): tIn and tOut
// are the stamps of the break-1-as-early-overtime selection. Sets EarlyOT_In,
// EarlyOT_Out and, when both are clocked, PreOT or OT_min.
void CalBreak1EarlyOT(AgentContext& ctx, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend, const TAT_Emp& emp);

}  // namespace kx
