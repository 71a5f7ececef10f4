#pragma once
#include <string>

#include "core/agent_context.h"
#include "core/tat_emp.h"

namespace kx {

// The auto-fit choice of a staff-day: among the shifts of the staff member's
// pattern (cards.misc), the first whose in-range holds firstIn, or else whose
// out-range holds lastOut; no choice without a first in (blank firstIn). The
// chosen tag goes to ctx.staffDay.AutoFitShiftTag (emptied first) and the
// shift's work, meal and break times, with 30-minute windows, into working.
// False when no shift was chosen (the day is saved uncomputed). A failure,
// also a firstIn or lastOut that is neither blank nor four digits, is logged
// as "<GetAFShiftInfo>:" and answers true: the day is computed with the times
// the record already holds.
bool GetAFShiftInfo(AgentContext& ctx, const std::string& firstIn, const std::string& lastOut, const std::string& date,
                    const std::string& staff, TAT_Emp& working);

}  // namespace kx
