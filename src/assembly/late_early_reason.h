#pragma once
#include <string>

#include "core/agent_context.h"

namespace kx {

// Writes the staff-day's kt_lerea row (the times, reasons left empty for the
// front end) unless one exists: a reason someone already entered is never
// overwritten. A failure is logged as "<InsertLateEarly>:"; the staff-day
// goes on.
void InsertLateEarly(AgentContext& ctx, const std::string& staff, const std::string& date, const std::string& in,
                     const std::string& out);

}  // namespace kx
