#pragma once
#include <string_view>

#include "core/log.h"
#include "engine/formula_inputs.h"

namespace kx {

// A formula without ";": operands and operators separated by blanks, worked
// strictly left to right. A missing (zero) operand or an unknown word gives "0".
FormulaResult EvalSimpleFormula(const Log& log, std::string_view text, const FormulaInputs& in);

}  // namespace kx
