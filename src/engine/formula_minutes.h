#pragma once
#include <string_view>

#include "core/agent_context.h"
#include "engine/formula_inputs.h"

namespace kx {

// A working-hour or overtime formula counts when it is neither empty nor "NONE".
bool FormulaApplies(std::string_view formula);

// The minutes a formula yields for the loaded inputs; 0 when it fails.
long long FormulaMinutes(const AgentContext& ctx, std::string_view formula, const FormulaInputs& inputs);

}  // namespace kx
