#pragma once
#include <string>

#include "core/agent_context.h"

namespace kx {

// What the overtime approval hands to the attendance row.
struct OTApprovalTexts {
    std::string approval;    // OT_Approved of the otsap row
    std::string approvedBy;  // OT_Approved_By of the otsap row
};

// Overtime approval of a staff-day with overtime, in otsap:
// - [Options] OTApprovalAdjust: writes the full approval row with the day's
//   times and hours, replacing a row that is not yet approved; an approved row
//   is never touched;
// - else [Options] OTApproval: takes the approver's decision (overtime that was
//   not approved counts 0 minutes), or creates the empty row awaiting it.
OTApprovalTexts ApplyOTApproval(AgentContext& ctx, TAT_Attend& attend, const TAT_Emp& emp);

// The 20 values of the full approval row.
std::string ApprovalRowSql(AgentContext& ctx, const TAT_Attend& attend, const TAT_Emp& emp);

// "%6.2f" of the minutes in hours.
std::string OvertimeHours(const std::string& minutes);

}  // namespace kx
