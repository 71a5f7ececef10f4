// Random and mutated formula texts through both languages: the evaluator must
// never crash, hang or read out of bounds, and its answers must keep their
// shape. 20,000 texts by default; KX_FUZZ_LONG=1 runs a million, KX_FUZZ_SEED
// picks another seed. A failing text is printed escaped, with its number.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/complex_formula.h"
#include "engine/formula.h"
#include "engine/log_capture.h"
#include "engine/simple_formula.h"
#include "support/minutes_text.h"
#include "support/random_text.h"

namespace kx {
namespace {

using test::EnvNumber;
using test::Rng;

const std::vector<std::string> kStamps = {"WKI", "WKO", "OTI", "OTO"};
const std::vector<std::string> kSimpleOperands = {"WKI", "WKO", "OTI", "OTO", "MLI", "MLO"};
const std::vector<std::string> kOperators = {"+", "-", "*", "/"};
const std::vector<std::string> kConditions = {"_HDAY", "_WKIWKO_ONLY", "_WKIOTO_ONLY", "_hday", "HDAY", ""};
// clang-format off
const std::vector<std::string> kWords = {
    "WKI", "WKO", "OTI", "OTO", "MLI", "MLO", "RES", "IIF", "PRINT", "_HDAY", "_WKIWKO_ONLY", "_WKIOTO_ONLY",
    "$V0", "$V1", "$V2", "$V3", "$V4", "$V5", "$V6", "$V7", "$V8", "$V9", "$V", "$VX", "$V12", "$v1", "+", "-",
    "*", "/", "(", ")", ",", ";", "=", " ", "\t", "0", "1", "30", "-999", "999", "2147483647", "2147483648",
    "99999999999", "007", "wko", "res", "iif", "print", "$1F", "0x10", "\xff", std::string(1, '\0')};
// clang-format on

FormulaInputs RandomInputs(Rng& rng) {
    const auto stamp = [&]() -> std::int32_t {
        switch (rng.Below(8)) {
        case 0:
        case 1: return 0;
        case 2: return static_cast<std::int32_t>(1 + rng.Below(3000));
        case 3: return std::numeric_limits<std::int32_t>::max();
        case 4: return std::numeric_limits<std::int32_t>::min();
        case 5: return rng.AnyInt32();
        default: return static_cast<std::int32_t>(65000000 + rng.Below(1000000));
        }
    };
    FormulaInputs in;
    in.WKI = stamp();
    in.WKO = stamp();
    in.OTI = stamp();
    in.OTO = stamp();
    in.MLI = stamp();
    in.MLO = stamp();
    in.WorkHalfDay = rng.Chance(0.5);
    in.WKIOTO = rng.Chance(0.5);
    in.WKIWKO = rng.Chance(0.5);
    return in;
}

std::string Blanks(Rng& rng) { return std::string(1 + rng.Below(3), ' '); }

std::string RandomCase(Rng& rng, std::string word) {
    for (char& c : word)
        if (c >= 'A' && c <= 'Z' && rng.Chance(0.3)) c = static_cast<char>(c - 'A' + 'a');
    return word;
}

double SimpleValue(const std::string& operand, const FormulaInputs& in) {
    if (operand == "WKI") return in.WKI;
    if (operand == "WKO") return in.WKO;
    if (operand == "OTI") return in.OTI;
    if (operand == "OTO") return in.OTO;
    if (operand == "MLI") return in.MLI;
    if (operand == "MLO") return in.MLO;
    return std::stod(operand);
}

// A well-formed simple chain and the value it must give, worked out here
// from the language's rules.
std::string SimpleChain(Rng& rng, const FormulaInputs& in, std::string& expected) {
    const auto operand = [&] {
        return rng.Chance(0.7) ? rng.Pick(kSimpleOperands) : std::to_string(1 + rng.Below(100000));
    };
    std::string first = operand();
    std::string text = RandomCase(rng, first);
    double acc = SimpleValue(first, in);
    bool zero = acc == 0;
    const std::size_t steps = rng.Below(8);
    for (std::size_t i = 0; i < steps; ++i) {
        const std::string right = operand();
        const double value = SimpleValue(right, in);
        zero = zero || value == 0;
        if (rng.Chance(0.1)) {  // a second operand replaces the accumulator
            text += Blanks(rng) + RandomCase(rng, right);
            acc = value;
            continue;
        }
        const std::string op = rng.Pick(kOperators);
        text += Blanks(rng) + op + Blanks(rng) + right;
        switch (op[0]) {
        case '+': acc += value; break;
        case '-': acc -= value; break;
        case '*': acc *= value; break;
        default: acc /= value; break;
        }
    }
    if (zero) {
        expected = "0";
    } else if (acc > 0 && std::round(acc) <= std::numeric_limits<std::int32_t>::max()) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", std::round(acc));
        expected = buf;
    } else {
        expected = "0";
    }
    return text;
}

std::string ComplexOperand(Rng& rng) {
    switch (rng.Below(5)) {
    case 0:
    case 1: return rng.Pick(kStamps);
    case 2: return std::to_string(rng.Below(5000));
    case 3: return "$V" + std::to_string(rng.Below(10));
    default: return rng.Pick(kWords);
    }
}

std::string ComplexStatements(Rng& rng) {
    std::string text;
    const std::size_t statements = 1 + rng.Below(6);
    for (std::size_t s = 0; s < statements; ++s) {
        if (rng.Chance(0.9)) text += (rng.Chance(0.5) ? "RES" : "$V" + std::to_string(rng.Below(10))) + " = ";
        switch (rng.Below(4)) {
        case 0:
            text += "IIF(" + rng.Pick(kConditions) + ", " + ComplexOperand(rng) + ", " + ComplexOperand(rng) + ")";
            break;
        case 1: text += "PRINT " + ComplexOperand(rng); break;
        default: {
            text += rng.Chance(0.8) ? rng.Pick(kStamps) : ComplexOperand(rng);
            const std::size_t ops = rng.Below(5);
            for (std::size_t i = 0; i < ops; ++i) text += (rng.Chance(0.5) ? " + " : " - ") + ComplexOperand(rng);
        }
        }
        text += rng.Chance(0.95) ? "; " : " ";
    }
    return text;
}

std::string Mutated(Rng& rng, std::string text, const std::string& other) {
    const std::size_t mutations = 1 + rng.Below(8);
    for (std::size_t m = 0; m < mutations; ++m) {
        const std::size_t at = rng.Below(text.size() + 1);
        switch (rng.Below(7)) {
        case 0:
            if (!text.empty()) text[rng.Below(text.size())] = static_cast<char>(rng.Below(256));
            break;
        case 1: text.insert(at, 1, static_cast<char>(rng.Below(256))); break;
        case 2: text.insert(at, rng.Pick(kWords)); break;
        case 3: text.erase(at, rng.Below(8)); break;
        case 4: {
            const std::size_t len = rng.Below(16);
            const std::string piece = text.substr(rng.Below(text.size() + 1), len);
            text.insert(at, piece);
            break;
        }
        case 5: text.insert(at, other.substr(rng.Below(other.size() + 1))); break;
        default: text.insert(at, std::string(1, "();,= "[rng.Below(6)])); break;
        }
    }
    return text;
}

std::string RawBytes(Rng& rng) {
    std::string text(rng.Below(200), '\0');
    const bool printable = rng.Chance(0.5);
    for (char& c : text) c = static_cast<char>(printable ? 32 + rng.Below(95) : rng.Below(256));
    return text;
}

std::string Repeated(const std::string& piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

// Huge texts of every shape the tokenisers and the interpreter could choke on.
std::vector<std::string> EnormousTexts(std::size_t scale) {
    return {
        Repeated("$V1 = WKO - WKI + $V1; RES = IIF(_HDAY, $V1, $V2); ", scale / 8),
        Repeated("(", scale) + "IIF" + Repeated(")", scale) + ";",
        Repeated("((IIF(_HDAY, ", scale / 16) + "WKO" + Repeated("))", scale / 16) + ";",
        "RES = WKO + " + std::string(scale, '9') + ";",
        std::string(scale, '9'),
        "WKO" + Repeated(" + 1", scale / 4),
        "WKO" + Repeated(" * 2", scale / 4),
        "RES = WKO" + Repeated(" + 1", scale / 4) + ";",
        "RES = WKO" + Repeated(" - 0", scale / 4) + ";",
        Repeated(";", scale),
        std::string(scale, 'A'),
        std::string(scale, ' '),
        std::string(scale, '\0'),
        "RES = " + Repeated("IIF(_HDAY, $V1, ", scale / 16) + ";",
        Repeated("$V1 = IIF(_HDAY, $V1, $V1); ", scale / 28) + "RES = IIF(_HDAY, $V1, $V1);",
    };
}

using test::IsMinutesText;

bool IsIntegerText(const std::string& v) {
    std::size_t i = !v.empty() && v[0] == '-' ? 1 : 0;
    if (i == v.size()) return false;
    for (; i < v.size(); ++i)
        if (v[i] < '0' || v[i] > '9') return false;
    return true;
}

// Runs one text through both languages and checks the shape of every answer.
// Returns an empty string when all is well, else what went wrong.
std::string CheckText(const Log& log, const std::string& text, const FormulaInputs& in,
                      const std::optional<std::string>& expectedSimple) {
    const FormulaResult simple = EvalSimpleFormula(log, text, in);
    if (!IsMinutesText(simple.value)) return "simple value " + simple.value;
    if (!simple.error.empty() && simple.value != "0") return "simple value with an error";
    if (expectedSimple && simple.value != *expectedSimple)
        return "simple value " + simple.value + ", expected " + *expectedSimple;

    FormulaParser parser(log);
    parser.InitParser(in);
    parser.ParseFormula(text);
    std::string endText;
    const bool valid = parser.ParseEndRes(endText);
    if (valid && (!parser.ErrorText().empty() || !IsIntegerText(endText))) return "complex end text " + endText;
    if (!valid && (parser.ErrorText().empty() || endText.empty())) return "complex failure without a reason";

    const FormulaResult chosen = CalFormula(log, text, in);
    if (!IsMinutesText(chosen.value)) return "value " + chosen.value;
    if (!chosen.error.empty() && chosen.value != "0") return "value with an error";
    const bool complex = text.find(';') != std::string::npos;
    if (!complex && (chosen.value != simple.value || chosen.error != simple.error)) return "simple dispatch differs";
    if (complex && valid && !endText.starts_with('-') && chosen.value != endText) return "complex dispatch differs";
    const FormulaResult again = CalFormula(log, text, in);
    if (again.value != chosen.value || again.error != chosen.error) return "not deterministic";
    return {};
}

// A log whose every line goes to /dev/null: all trace lines are built and
// written, none is kept.
class NullLog {
public:
    NullLog() { std::filesystem::create_symlink("/dev/null", capture_.log().MainLogPath()); }
    const Log& log() const { return capture_.log(); }

private:
    test::LogCapture capture_{999};
};

TEST(FormulaFuzz, RandomAndMutatedTextsKeepTheirShape) {
    const bool longRun = EnvNumber("KX_FUZZ_LONG", 0) == 1;
    const std::uint64_t seed = EnvNumber("KX_FUZZ_SEED", 20261209);
    const std::size_t count = longRun ? 1000000 : 20000;
    Rng rng(seed);
    test::LogCapture quiet(0);
    NullLog traced;

    std::vector<std::string> pool = {"RES = WKO - WKI;",
                                     "$V1 = WKO - WKI; $V2 = OTO - WKI; RES = IIF(_WKIOTO_ONLY, $V2, $V1);",
                                     "WKO - WKI - MLI + MLO", "RES = IIF(_HDAY, OTO, WKO);", "WKO - WKI / 2"};
    std::size_t enormous = 0;
    std::size_t positiveChains = 0;  // chains whose expected value is not "0"
    double slowest = 0;
    const auto started = std::chrono::steady_clock::now();
    for (std::size_t n = 0; n < count; ++n) {
        const FormulaInputs in = RandomInputs(rng);
        std::optional<std::string> expected;
        std::string text;
        const std::size_t kind = rng.Below(2000);
        if (kind == 0) {
            const std::vector<std::string> huge = EnormousTexts(50000 + rng.Below(200000));
            text = Mutated(rng, rng.Pick(huge), rng.Pick(pool));
            ++enormous;
        } else if (kind < 600) {
            std::string value;
            text = SimpleChain(rng, in, value);
            expected = value;
            if (value != "0") ++positiveChains;
        } else if (kind < 1200) {
            text = ComplexStatements(rng);
        } else if (kind < 1700) {
            text = Mutated(rng, rng.Pick(pool), rng.Pick(pool));
        } else {
            text = RawBytes(rng);
        }
        if (text.size() < 512 && pool.size() < 4096 && rng.Chance(0.05)) pool.push_back(text);

        const Log& log = text.size() < 4096 && rng.Chance(0.125) ? traced.log() : quiet.log();
        const auto t0 = std::chrono::steady_clock::now();
        const std::string fault = CheckText(log, text, in, expected);
        slowest = std::max(slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        ASSERT_TRUE(fault.empty()) << fault << "\n  seed " << seed << ", text " << n << ": \"" << test::Escaped(text)
                                   << "\"";
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf(
        "  %zu texts (%zu enormous, %zu chains with a known positive value) in %.1f s, slowest %.3f s, "
        "seed %llu\n",
        count, enormous, positiveChains, seconds, slowest, static_cast<unsigned long long>(seed));
    EXPECT_GT(positiveChains, count / 20);
}

TEST(FormulaFuzz, EnormousAndDeeplyNestedTexts) {
    test::LogCapture quiet(0);
    Rng rng(7);
    for (const std::string& text : EnormousTexts(400000)) {
        const FormulaInputs in = RandomInputs(rng);
        const auto t0 = std::chrono::steady_clock::now();
        const std::string fault = CheckText(quiet.log(), text, in, std::nullopt);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        EXPECT_TRUE(fault.empty()) << fault << ": \"" << test::Escaped(text) << "\"";
        // Linear work: a few megabytes a second even without optimisation.
        EXPECT_LT(seconds, 20.0) << test::Escaped(text);
    }
}

}  // namespace
}  // namespace kx
