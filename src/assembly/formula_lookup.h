#pragma once
#include <string>

#include "core/agent_context.h"

namespace kx {

// The f_formula text of a kt_formu tag (first row), empty when there is none.
// The tag is used as given, untrimmed. A failure is logged as "<GetFormula>"
// and gives the empty text.
std::string GetFormula(AgentContext& ctx, const std::string& tag);

}  // namespace kx
