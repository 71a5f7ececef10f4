#pragma once
#include "core/agent_context.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"
#include "engine/day_computation.h"

namespace kx {

// Lateness and early leaving; meal lateness and meal early start.
void CalLateEarly(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, TAT_Attend& attend);
void CalBreaksLateEarly(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, TAT_Attend& attend, const Stamp& tIn,
                        const Stamp& tOut);

}  // namespace kx
