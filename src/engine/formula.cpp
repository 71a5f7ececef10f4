#include "engine/formula.h"

#include <exception>
#include <string>

#include "engine/complex_formula.h"
#include "engine/simple_formula.h"

namespace kx {
namespace {

void TraceComplexInputs(const Log& log, std::string_view formula, const FormulaInputs& in) {
    if (log.DetailOn(kDetailFine)) {
        log.WriteDetail(kDetailFine, "");
        log.WriteDetail(kDetailFine, std::string("Complex Formula Parsing: WorkHalfDay=") + BoolText(in.WorkHalfDay) +
                                         "  WKIOTO=" + BoolText(in.WKIOTO) + "  WKIWKO=" + BoolText(in.WKIWKO));
    }
    if (log.DetailOn(kDetailFinest)) log.WriteDetail(kDetailFinest, "Formula: " + std::string(formula));
    if (log.DetailOn(kDetailFine)) {
        log.WriteDetail(kDetailFine, "WKI=" + std::to_string(in.WKI) + " WKO=" + std::to_string(in.WKO));
        log.WriteDetail(kDetailFine, "OTI=" + std::to_string(in.OTI) + " OTO=" + std::to_string(in.OTO));
    }
}

FormulaResult EvalComplexFormula(const Log& log, std::string_view formula, const FormulaInputs& in) {
    TraceComplexInputs(log, formula, in);
    FormulaResult result;
    FormulaParser parser(log);
    parser.InitParser(in);
    parser.ParseFormula(formula);
    std::string text;
    const bool valid = parser.ParseEndRes(text);
    // A variable holding a negative number can reach RES through IIF; minutes
    // below zero are no result, as everywhere else.
    if (valid && !text.starts_with('-')) {
        result.value = text;
        log.WriteDetail(kDetailFine, "Result=" + result.value);
    } else {
        log.WriteDetail(kDetailEverything, "Error.Formula: " + text);
        result.error = valid ? "Result below zero: " + text : parser.ErrorText();
    }
    log.WriteDetail(kDetailFine, "");
    return result;
}

}  // namespace

FormulaResult CalFormula(const Log& log, std::string_view formula, const FormulaInputs& in) {
    try {
        if (formula.find(';') == std::string_view::npos) return EvalSimpleFormula(log, formula, in);
        return EvalComplexFormula(log, formula, in);
    } catch (const std::exception& e) {
        // Only resource exhaustion gets here; the formula simply gives no minutes.
        FormulaResult failed;
        failed.error = e.what();
        log.WriteDetail(kDetailEverything, "Error.Formula: " + failed.error);
        return failed;
    }
}

}  // namespace kx
