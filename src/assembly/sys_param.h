#pragma once
#include "core/agent_context.h"
#include "core/tat_emp.h"

namespace kx {

// Loads the kt_sys row (the first one) into the record, always the template:
// the eight expected times with a 30-minute window each side, the job codes,
// WorkRangeOffset, the overtime rules, DataSource and the two formulas.
// A kt_sys without rows reads every column as empty. A failure is logged as
// "<GetSysPAram>"; fields filled before it keep their new values.
void GetSysParam(AgentContext& ctx, TAT_Emp& record);

}  // namespace kx
