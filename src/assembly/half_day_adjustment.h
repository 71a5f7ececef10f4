#pragma once
#include "core/agent_context.h"
#include "core/tat_emp.h"

namespace kx {

// Moves the expected times of a half-day leave (HalfDayLeave "Y") before the
// day is computed. With [Shift/Leave] ExtendedLeaveControl = 1 the leave type
// says which half was taken. Otherwise the clockings on the staff-day decide:
// the half with fewer worked minutes against the meal times was the one taken
// off; a morning off moves SysIn and Out_lower to LunchIn, an afternoon off
// (ties included) moves SysOut to LunchOut. Needs working.AtDate and RawData.
void AdjustForHalfDayLeave(AgentContext& ctx, TAT_Emp& working);

}  // namespace kx
