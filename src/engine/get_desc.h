#pragma once
#include <string>

#include "core/agent_context.h"

namespace kx {

// Runs a select on Common2Query; `out` is the first column of its first row,
// or empty when it finds nothing (or fails, logged as "<GetDesc>" + error text
// unless RunSQL has logged it).
void GetDesc(AgentContext& ctx, const std::string& sql, std::string& out);

}  // namespace kx
