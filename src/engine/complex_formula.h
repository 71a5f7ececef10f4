#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/log.h"
#include "engine/formula_inputs.h"

namespace kx {

// Interpreter of formulas made of statements ended by ";": nine variables
// $V1..$V9, the result RES, "+" and "-" worked left to right, and IIF on the
// day flags. Use in this order: InitParser, ParseFormula, ParseEndRes. Every
// error replaces the error text; only the last one is reported.
class FormulaParser {
public:
    explicit FormulaParser(const Log& log) : log_(log) {}

    void InitParser(const FormulaInputs& in);
    void ParseFormula(std::string_view text);
    // The result text and true, or the error text and false.
    bool ParseEndRes(std::string& text);

    const std::string& ErrorText() const { return error_; }
    const std::string& Res() const { return res_; }
    // Content of $V1..$V9 (n from 1 to 9).
    const std::string& Variable(int n) const { return vars_.at(static_cast<std::size_t>(n)); }

private:
    struct Operand {
        std::int32_t value = 0;
        bool uninitialised = false;
    };

    void PThis(std::string_view statement);
    void ProParse(const std::vector<std::string>& tokens);
    Operand GetTK(std::string_view token);
    bool Eval(std::string_view word);
    // The content of the variable a "$V" + digit text names ($V0 names none: empty).
    const std::string& Named(std::string_view name) const;

    const Log& log_;
    FormulaInputs in_;
    std::string error_;
    std::string res_;
    std::array<std::string, 10> vars_;  // [0] is never assigned
};

}  // namespace kx
