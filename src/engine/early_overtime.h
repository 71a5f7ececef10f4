#pragma once
#include "core/agent_context.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"
#include "engine/day_computation.h"

namespace kx {

// Overtime before the scheduled start: sets PreOT or OT_min, and EarlyOT_In and
// EarlyOT_Out, from how early the work began.
void CalPreOvertime(AgentContext& ctx, DayComputation& day, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend,
                    TAT_Emp& emp);

// Break 1 taken as early overtime ([Reprocessing] Break1AsEarlyOT): tIn and tOut
// are the stamps of the break-1-as-early-overtime selection. Sets EarlyOT_In,
// EarlyOT_Out and, when both are clocked, PreOT or OT_min.
void CalBreak1EarlyOT(AgentContext& ctx, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend, const TAT_Emp& emp);

}  // namespace kx
