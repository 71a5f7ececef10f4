#include "engine/formula_minutes.h"

#include "engine/day_stamps.h"
#include "engine/formula.h"

namespace kx {

bool FormulaApplies(std::string_view formula) { return !formula.empty() && formula != "NONE"; }

long long FormulaMinutes(const AgentContext& ctx, std::string_view formula, const FormulaInputs& inputs) {
    return stamps::IntegerOrStampError(CalFormula(ctx.log, formula, inputs).value);
}

}  // namespace kx
