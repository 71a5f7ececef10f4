#pragma once
#include "core/agent_context.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"
#include "engine/day_computation.h"

namespace kx {

// Working minutes of a flexible shift.
void CalFlexibleWorkHour(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, TAT_Attend& attend);

}  // namespace kx
