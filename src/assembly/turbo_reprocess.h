#pragma once
#include <string>

#include "core/agent_context.h"

namespace kx {

// Computes and stores the attendance of one staff member on one date from
// scratch, whatever asked for it: reset, defaults from the template record,
// shift, calendar status, raw clockings, half-day adjustment, auto-fit, the
// day computation, the kt_attnd row and the late/early reason row. The row is
// written also when there are no clockings or no shift. The callers put the
// staff member's card fields into ctx.templateRec and load the system
// parameters into it at the start of their batch. On every path the working
// record's clockings are released before it returns. A failure is logged as
// "<TurboReprocessAttend>:" and ends the staff-day.
void TurboReprocessAttend(AgentContext& ctx, const std::string& date, const std::string& staff,
                          const std::string& dataSource, const std::string& needOT, const std::string& needShift,
                          const std::string& card);

// Resets the result record (ctx.attend) for the staff-day.
void PopulateATDRec(AgentContext& ctx, const std::string& date, const std::string& staff);

}  // namespace kx
