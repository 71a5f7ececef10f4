#pragma once
#include "core/agent_context.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"

namespace kx {

// The day computation: runs its steps in their fixed order on a fresh
// DayComputation. A step that fails ends it, logged; what the steps before it
// set stands.
void ProAttd(AgentContext& ctx, TAT_Emp& emp, TAT_Attend& attend);

}  // namespace kx
