#pragma once
#include <string>

#include "core/agent_context.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"

namespace kx {

// Classes a staff-day against the calendar before its clockings are read:
// weekday off or rest day (not for staff on shift, needShift "Y"), alternate
// Saturday, the monthly off day, public holiday and leave. Marks Off, Holiday,
// Leave and LeaveDesc of result and the half-day and cancel fields of working;
// dayDesc is emptied and then takes "Off Day" / "Rest Day" (texts 502 / 206),
// the holiday's description or the leave descriptions; satDesc becomes
// "Alt.Saturday" or "Off Day" when a Saturday rule applies and is otherwise
// left as it was. A failure is logged as "<CheckIFHolOffLeav>" and stops the
// classification; what was set stays set.
void CheckIfHolOffLeav(AgentContext& ctx, const std::string& date, const std::string& staff, TAT_Attend& result,
                       std::string& dayDesc, std::string& satDesc, TAT_Emp& working, const std::string& needShift);

}  // namespace kx
