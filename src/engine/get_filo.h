#pragma once
#include "core/agent_context.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"
#include "engine/day_computation.h"

namespace kx {

// First-in/last-out selection of one period kind: "1", "2", "L", "V", "O", "T" or "E".
void GetFILO(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, Stamp& tIn, Stamp& tOut, TAT_Attend& attend,
             char kind);

}  // namespace kx
