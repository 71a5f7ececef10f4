#pragma once
#include <string_view>

#include "core/agent_context.h"
#include "core/tat_emp.h"

namespace kx {

// Starts the working record of a staff-day from the template: card fields,
// expected times and windows, job codes and overtime rules, with the Saturday
// and Friday overrides of the settings applied. date is "yyyymmdd"; a date
// that cannot be decoded throws std::invalid_argument (the card fields are
// already copied then), which ends the staff-day.
void CopyEmpPtr(AgentContext& ctx, const TAT_Emp& templateRec, TAT_Emp& working, std::string_view date);

}  // namespace kx
