#pragma once
#include <string_view>

#include "core/log.h"
#include "engine/formula_inputs.h"

namespace kx {

// Evaluates a working-hour or overtime formula against the staff-day's inputs:
// a text with a ";" is a sequence of statements, any other text a simple
// left-to-right chain. The value is "0" or a positive whole number of minutes;
// nothing escapes, every problem gives "0" and its reason in `error`.
FormulaResult CalFormula(const Log& log, std::string_view formula, const FormulaInputs& in);

}  // namespace kx
