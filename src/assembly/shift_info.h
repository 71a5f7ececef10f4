#pragma once
#include <string>

#include "core/agent_context.h"
#include "core/tat_emp.h"

namespace kx {

// Finds the shift of a staff member on a date (the shift group's schedule in
// kt_sfgrp unless the group is NONE, else the staff member's own in kt_ssche)
// and loads its times, windows, grace minutes, overtime minimum and rounding,
// WorkRangeOffset and formulas into working. False only when no shift tag was
// found; a tag without a kt_shift row leaves the record as it was and answers
// true. A failure is logged as "<GetShiftInfo>:" and answers the result
// reached so far; fields already loaded keep their new values.
bool GetShiftInfo(AgentContext& ctx, const std::string& date, const std::string& staff, TAT_Emp& working);

}  // namespace kx
