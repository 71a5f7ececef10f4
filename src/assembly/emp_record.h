#pragma once
#include <string>

#include "core/agent_context.h"
#include "core/tat_emp.h"

namespace kx {

// Prepares a record for a new staff-day: grace minutes, identity, work times,
// half-day state, data source, overtime defaults, break pattern and data window
// flag. Everything else (card fields, meal/break/overtime windows, other job
// codes, formulas, RawData) keeps what it held. needOT "Y" (exactly) gives
// ProcessMode "T", anything else "N". A failure is logged as "<InitEmpRecord>".
void InitEmpRecord(AgentContext& ctx, TAT_Emp& record, const std::string& needOT);

// Destroys every clocking of the record and leaves RawData empty.
void ReleaseRawDataMem(AgentContext& ctx, TAT_Emp& record);

}  // namespace kx
