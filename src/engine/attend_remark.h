#pragma once
#include <string>
#include <string_view>

#include "core/agent_context.h"

namespace kx {

// "08:30" for "0830"; 5 spaces unless the trimmed time has exactly 4 characters.
std::string DisplayTime(std::string_view time);
// 2 spaces + start + 1 space + return, both as display times.
std::string BreakGroup(std::string_view start, std::string_view back);
// 1 space + display time, or 6 spaces for a blank time.
std::string OvertimeTime(std::string_view time);

// The remark of a staff-day before its status overrides: the row of times (in,
// the breaks of the break pattern, out, overtime), then the auto-fit tag, the
// day description and, under extended leave control, the leave descriptions
// and the time-off rows of the day.
std::string BuildRemark(AgentContext& ctx, const TAT_Attend& attend, const TAT_Emp& emp,
                        const std::string& dayDescription);

}  // namespace kx
