#pragma once
#include "core/agent_context.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"
#include "engine/day_computation.h"

namespace kx::filo {

// Writes the chosen first in and last out of one period kind into the result
// record (and the formula inputs of the work and overtime kinds). The meal
// and overtime kinds may adjust the stamps handed back to the caller.
void StoreFiloResult(const AgentContext& ctx, DayComputation& day, const TAT_Emp& emp, Stamp& tIn, Stamp& tOut,
                     TAT_Attend& attend, char kind);

}  // namespace kx::filo
