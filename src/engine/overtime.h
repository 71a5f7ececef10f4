#pragma once
#include "core/agent_context.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"
#include "engine/day_computation.h"

namespace kx {

// Overtime minutes and times.
void CalOvertime(AgentContext& ctx, DayComputation& day, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend,
                 TAT_Emp& emp);
void CalOTModeA(AgentContext& ctx, DayComputation& day, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend,
                TAT_Emp& emp);

}  // namespace kx
