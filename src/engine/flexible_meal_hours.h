#pragma once
#include "core/agent_context.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"
#include "engine/day_computation.h"

namespace kx {

// The meal times of a shift whose meal is flexible.
void GetFlexibleMealHours(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, Stamp& tIn, Stamp& tOut,
                          TAT_Attend& attend);

}  // namespace kx
