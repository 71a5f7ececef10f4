#pragma once
#include <string>

#include "core/agent_context.h"

namespace kx {

// Finalises the result of a staff-day and stores it: cancels lateness and early
// leaving where the day allows, blanks the times that do not stand, builds the
// remark, settles overtime approval and replaces the day's kt_attnd row (the
// delete and the insert commit together). A failure is logged as
// "<SavetoAttendFile>" + text + "s1=[" + insert (or remark) + "] s2=[" + delete + "]".
void SavetoAttendFile(AgentContext& ctx, TAT_Attend& attend, const std::string& dayDescription,
                      const std::string& saturdayDescription, const TAT_Emp& emp);

}  // namespace kx
