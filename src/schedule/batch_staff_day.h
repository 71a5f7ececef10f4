#pragma once
#include <string>

#include "core/agent_context.h"
#include "core/tat_emp.h"
#include "schedule/batch_staff_rows.h"

namespace kx {

// One staff-day of a batch. The template record is first set back to the
// batch's own copy: whatever ran while the batch let the event loop dispatch
// (a clocking reprocessed on the fly) may have refilled it. Then the card
// fields come from the row and the day is reprocessed with the current data
// source. The batch commits between staff-days, through its OutageRecovery.
void ReprocessBatchStaffDay(AgentContext& ctx, const TAT_Emp& batchTemplate, const BatchStaffRow& row,
                            const std::string& date);

}  // namespace kx
