#include "engine/simple_formula.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"

namespace kx {
namespace {

constexpr const char* kUninitialised = "Error Parsing Formula, uninitialized WKI,WKO, etc.";
constexpr const char* kOutOfRange = "Error Parsing Formula, result out of range";

// Only the blank separates tokens; a tab belongs to its token.
std::vector<std::string_view> BlankSeparatedTokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ') ++i;
        tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

// The value of an operand word, or nothing when the word is not an operand. A
// number beyond 32 bits is no minute count; it reads as 0, which refuses it.
std::optional<double> OperandValue(std::string_view word, const FormulaInputs& in) {
    if (word == "WKI") return in.WKI;
    if (word == "WKO") return in.WKO;
    if (word == "OTI") return in.OTI;
    if (word == "OTO") return in.OTO;
    if (word == "MLO") return in.MLO;
    if (word == "MLI") return in.MLI;
    if (word.empty()) return std::nullopt;
    double value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9') return std::nullopt;
        if (value <= std::numeric_limits<std::int32_t>::max()) value = value * 10 + (c - '0');
    }
    return value <= std::numeric_limits<std::int32_t>::max() ? value : 0.0;
}

bool IsOperator(char c) { return c == '*' || c == '+' || c == '-' || c == '/'; }

double Apply(char op, double left, double right) {
    switch (op) {
    case '*': return left * right;
    case '+': return left + right;
    case '-': return left - right;
    default: return left / right;
    }
}

// Shortest general decimal form, 15 significant digits ("272.5", "1E20").
std::string GeneralText(double v) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", v);
    std::string s(buf);
    const std::size_t e = s.find('E');
    if (e == std::string::npos) return s;
    std::string exponent = s.substr(e + 1);
    const bool negative = !exponent.empty() && exponent[0] == '-';
    if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) exponent.erase(0, 1);
    while (exponent.size() > 1 && exponent[0] == '0') exponent.erase(0, 1);
    return s.substr(0, e + 1) + (negative ? "-" : "") + exponent;
}

// "%6.0f" rounds halves to even; minutes round halves away from zero.
std::string WholeMinutesText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%6.0f", std::round(v));
    return Trim(buf);
}

}  // namespace

FormulaResult EvalSimpleFormula(const Log& log, std::string_view text, const FormulaInputs& in) {
    FormulaResult result;
    const bool trace = log.DetailOn(kDetailFine);
    if (trace) {
        log.WriteDetail(kDetailFine, "Standard simple Formula: " + std::string(text));
        log.WriteDetail(kDetailFine, "  WKI=" + std::to_string(in.WKI) + " WKO=" + std::to_string(in.WKO));
        log.WriteDetail(kDetailFine, "  OTI=" + std::to_string(in.OTI) + " OTO=" + std::to_string(in.OTO));
    }
    const auto fail = [&](const char* why) {
        log.WriteDetail(kDetailEverything, why);
        result.error = why;
        return result;
    };

    const std::vector<std::string_view> tokens = BlankSeparatedTokens(text);
    double accumulator = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (trace) log.WriteDetail(kDetailFine, "Token" + std::to_string(i) + " = " + std::string(tokens[i]));
        const std::string word = UpperCase(Trim(tokens[i]));
        if (const std::optional<double> load = OperandValue(word, in)) {
            if (*load == 0) return fail(kUninitialised);
            accumulator = *load;
        } else if (!word.empty() && IsOperator(word[0])) {
            // The operand after an operator is taken exactly as written.
            if (i + 1 >= tokens.size()) return fail(kUninitialised);
            const std::optional<double> right = OperandValue(tokens[i + 1], in);
            if (!right || *right == 0) return fail(kUninitialised);
            accumulator = Apply(word[0], accumulator, *right);
            ++i;
        } else {
            return fail(kUninitialised);
        }
        if (trace) log.WriteDetail(kDetailFine, "rResult := " + GeneralText(accumulator));
    }

    if (accumulator > 0) {
        // Products can outgrow any minute count; such a result is refused, not wrapped.
        if (std::round(accumulator) > std::numeric_limits<std::int32_t>::max()) return fail(kOutOfRange);
        result.value = WholeMinutesText(accumulator);
    }
    return result;
}

}  // namespace kx
