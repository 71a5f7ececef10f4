#include "engine/complex_formula.h"

#include <limits>
#include <stdexcept>

#include "core/int_text.h"
#include "core/text.h"

namespace kx {
namespace {

// A running value of -999 means "no left operand yet": the next operator takes
// the token before it. A chain that happens to reach -999 restarts that way too.
constexpr std::int32_t kNoValue = -999;

class FormulaFailure : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string NotAnInteger(std::string_view text) { return "'" + std::string(text) + "' is not a valid integer value"; }

bool IsDelimiter(char c) { return c == ' ' || c == '(' || c == ')' || c == ',' || c == ';' || c == '='; }

bool NamesVariable(std::string_view token) { return token.starts_with("$V"); }

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (const char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// The variable number in "$V" + digit (only the third character counts).
std::size_t VariableNumber(std::string_view name) {
    if (name.size() < 3 || name[2] < '0' || name[2] > '9') throw FormulaFailure(NotAnInteger(name.substr(2, 1)));
    return static_cast<std::size_t>(name[2] - '0');
}

std::int32_t ToInteger(std::string_view text) {
    const std::optional<long long> v = ParseIntegerText(text);
    if (!v || *v < std::numeric_limits<std::int32_t>::min() || *v > std::numeric_limits<std::int32_t>::max())
        throw FormulaFailure(NotAnInteger(text));
    return static_cast<std::int32_t>(*v);
}

std::int32_t Combine(std::int32_t left, bool minus, std::int32_t right) {
    std::int32_t r = 0;
    const bool overflow = minus ? __builtin_sub_overflow(left, right, &r) : __builtin_add_overflow(left, right, &r);
    if (overflow) throw FormulaFailure("Integer overflow");
    return r;
}

const std::string& TokenAt(const std::vector<std::string>& tokens, std::size_t position) {
    if (position < 1 || position > tokens.size())
        throw FormulaFailure("List index out of bounds (" + std::to_string(static_cast<long long>(position) - 1) + ")");
    return tokens[position - 1];
}

}  // namespace

void FormulaParser::InitParser(const FormulaInputs& in) {
    in_ = in;
    error_.clear();
    res_.clear();
    for (std::string& v : vars_) v.clear();
}

void FormulaParser::ParseFormula(std::string_view text) {
    // Every ";" ends a statement, which keeps it; text after the last ";" is ignored.
    std::vector<std::string_view> statements;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ';') {
            statements.push_back(text.substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (statements.empty()) error_ = "Syntax Error: " + std::string(text);
    for (const std::string_view statement : statements) PThis(statement);
}

void FormulaParser::PThis(std::string_view statement) {
    try {
        std::vector<std::string> tokens;
        std::string current;
        for (const char c : statement) {
            if (!IsDelimiter(c)) {
                current.push_back(c);
            } else if (!current.empty()) {
                tokens.push_back(Trim(current));
                current.clear();
            }
        }
        if (!current.empty()) tokens.push_back(Trim(current));
        ProParse(tokens);
    } catch (const std::exception& e) {
        error_ = std::string("PThis:") + e.what();
    }
}

void FormulaParser::ProParse(const std::vector<std::string>& tokens) {
    enum class Target { None, Res, Variable };
    try {
        std::int32_t running = kNoValue;
        Target target = Target::None;
        std::size_t targetVariable = 0;
        std::string resultText;
        bool uninitialised = false;

        for (std::size_t p = 1; p <= tokens.size(); ++p) {
            const std::string word = UpperCase(tokens[p - 1]);
            if (word.starts_with("$V")) {
                targetVariable = VariableNumber(word);
                target = Target::Variable;
            } else if (word == "RES") {
                target = Target::Res;
            } else if (word == "-" || word == "+") {
                if (running == kNoValue) running = GetTK(TokenAt(tokens, p - 1)).value;
                const Operand right = GetTK(TokenAt(tokens, p + 1));
                running = Combine(running, word == "-", right.value);
                resultText = std::to_string(running);
                if (right.uninitialised) uninitialised = true;
                ++p;
            } else if (word == "IIF") {
                // The chosen token's text is the result, not its value.
                resultText = Eval(TokenAt(tokens, p + 1)) ? TokenAt(tokens, p + 2) : TokenAt(tokens, p + 3);
                p += 3;
            } else if (word == "PRINT") {
                break;
            } else if (word == "WKI" || word == "WKO" || word == "OTI" || word == "OTO") {
                // The left operand of the operator that follows.
            } else {
                error_ = "ProParse - Unknown Identifier: " + word;
            }
        }

        if (log_.DetailOn(kDetailFine)) log_.WriteDetail(kDetailFine, "Parse.Result=" + resultText);
        if (target == Target::Res) {
            res_ = resultText;
        } else if (target == Target::Variable && targetVariable != 0) {
            vars_[targetVariable] = uninitialised ? std::string() : resultText;
        }
    } catch (const FormulaFailure& f) {
        error_ = std::string("ProParse:") + f.what();
    }
}

const std::string& FormulaParser::Named(std::string_view name) const { return vars_[VariableNumber(name)]; }

FormulaParser::Operand FormulaParser::GetTK(std::string_view token) {
    const auto stamp = [](std::int32_t v) { return Operand{v, v == 0}; };
    if (token == "WKI") return stamp(in_.WKI);
    if (token == "WKO") return stamp(in_.WKO);
    if (token == "OTI") return stamp(in_.OTI);
    if (token == "OTO") return stamp(in_.OTO);

    try {
        if (!NamesVariable(token)) {
            if (!AllDigits(token)) {
                error_ = "GetTK - Unknown Identifier: " + std::string(token);
                return {};
            }
            return {ToInteger(token), false};
        }
        // A variable may name another variable, which may name a third; the
        // third is read as a number whatever it holds.
        const std::string& first = Named(token);
        if (first.empty()) return {0, true};
        if (!NamesVariable(first)) return {ToInteger(first), false};
        const std::string& second = Named(first);
        if (second.empty()) return {0, true};
        if (!NamesVariable(second)) return {ToInteger(second), false};
        return {ToInteger(Named(second)), false};
    } catch (const FormulaFailure& f) {
        error_ = std::string("GetTK:") + f.what() + " " + std::string(token);
        return {};
    }
}

bool FormulaParser::Eval(std::string_view word) {
    if (word == "_HDAY") return in_.WorkHalfDay;
    if (word == "_WKIWKO_ONLY") return in_.WKIWKO;
    if (word == "_WKIOTO_ONLY") return in_.WKIOTO;
    error_ = "Eval - Unknown Identifier: " + std::string(word);
    return false;
}

bool FormulaParser::ParseEndRes(std::string& text) {
    if (!error_.empty()) {
        text = error_;
        return false;
    }
    const Operand result = GetTK(res_);
    text = std::to_string(result.value);
    if (log_.DetailOn(kDetailFinest))
        log_.WriteDetail(kDetailFinest, "ParseEndRes: Before=" + res_ + "  After=" + text);
    if (result.uninitialised) error_ = "Error";
    return error_.empty();
}

}  // namespace kx
