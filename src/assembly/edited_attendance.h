#pragma once
#include <string>

#include "core/agent_context.h"
#include "core/tat_emp.h"

namespace kx {

// Adds the clockings of the staff-day's kt_atdedit row (on Common2Query), each
// marked edited "Y": work in on the date, work out and overtime in/out on the
// date CheckNextDay gives, meal out and in from Spare1 on the date. True when
// the row exists; the clock tables are then not read. Failures propagate.
bool AddEditedAttendance(AgentContext& ctx, TAT_Emp& record, const std::string& date, const std::string& staff);

}  // namespace kx
