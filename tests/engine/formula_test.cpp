#include "engine/formula.h"

#include <gtest/gtest.h>

#include "engine/complex_formula.h"
#include "engine/log_capture.h"

namespace kx {
namespace {

// A day worked 1000..1545 (545 minutes), overtime 2000..2120, meal 1240..1300.
FormulaInputs Day() {
    FormulaInputs in;
    in.WKI = 1000;
    in.WKO = 1545;
    in.OTI = 2000;
    in.OTO = 2120;
    in.MLO = 1240;
    in.MLI = 1300;
    return in;
}

template <typename T>
FormulaInputs Day(T FormulaInputs::*field, T value) {
    FormulaInputs in = Day();
    in.*field = value;
    return in;
}

FormulaInputs Flags(bool halfDay, bool wkiwko, bool wkioto) {
    FormulaInputs in = Day();
    in.WorkHalfDay = halfDay;
    in.WKIWKO = wkiwko;
    in.WKIOTO = wkioto;
    return in;
}

FormulaInputs HalfDayWithoutOvertimeOut() {
    FormulaInputs in = Flags(true, false, false);
    in.OTO = 0;
    return in;
}

struct Case {
    const char* text;
    FormulaInputs in;
    const char* value;
    const char* error;  // "" when the formula evaluates
};

void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class FormulaCases : public testing::TestWithParam<Case> {};

TEST_P(FormulaCases, GivesValueAndError) {
    const Case& c = GetParam();
    test::LogCapture capture(0);
    const FormulaResult r = CalFormula(capture.log(), c.text, c.in);
    EXPECT_EQ(r.value, c.value);
    EXPECT_EQ(r.error, c.error);
}

constexpr const char* kUninit = "Error Parsing Formula, uninitialized WKI,WKO, etc.";
constexpr const char* kOutOfRange = "Error Parsing Formula, result out of range";

INSTANTIATE_TEST_SUITE_P(
    Simple, FormulaCases,
    testing::Values(
        Case{"WKO - WKI", Day(), "545", ""}, Case{"WKO - WKI", Day(&FormulaInputs::WKI, 0), "0", kUninit},
        Case{"WKO - WKI - 600", Day(), "0", ""},  // below zero
        Case{"WKO - WKI - 545", Day(), "0", ""}, Case{"- WKI", Day(), "0", ""},
        Case{"wko - WKI", Day(), "545", ""},     // the first word is upper-cased ...
        Case{"WKO - wki", Day(), "0", kUninit},  // ... the operand after an operator is taken as written
        Case{"WKO - WKI - 0", Day(), "0", kUninit}, Case{"WKO WKI", Day(), "1000", ""},   // a second operand replaces
        Case{"WKO - WKI 30", Day(), "30", ""}, Case{"WKO - WKI * 2", Day(), "1090", ""},  // no precedence
        Case{"WKO - WKI / 2", Day(), "273", ""},                                          // 272.5, half away from zero
        Case{"1 / 2", Day(), "1", ""}, Case{"WKO - WKI - 1 / 2", Day(), "272", ""}, Case{"WKI / 3", Day(), "333", ""},
        Case{"2 / 3", Day(), "1", ""}, Case{"WKO - WKI - MLI + MLO", Day(), "485", ""},
        Case{"WKO - MLO", Day(&FormulaInputs::MLO, 0), "0", kUninit}, Case{"OTO - OTI", Day(), "120", ""},
        Case{"0030 + WKO", Day(), "1575", ""}, Case{"+ WKO", Day(), "1545", ""}, Case{"* 2", Day(), "0", ""},
        Case{"WKO -x WKI", Day(), "545", ""},      // only the first character of an operator counts
        Case{"WKO - 30 -5", Day(), "0", kUninit},  // "-5" is an operator without operand
        Case{"WKO   -   WKI", Day(), "545", ""},
        Case{"\tWKO - WKI", Day(), "545", ""},  // a tab belongs to the token, which is trimmed
        Case{"WKO\t- WKI", Day(), "0", kUninit}, Case{"WKO - \tWKI", Day(), "0", kUninit},
        Case{"WKO -", Day(), "0", kUninit}, Case{"WKO - WKI x", Day(), "0", kUninit},
        Case{"WKO - WKI - 0.5", Day(), "0", kUninit},
        Case{"RES = WKO - WKI", Day(), "0", kUninit},  // no ";": "RES" is no operand
        Case{"(WKO - WKI)", Day(), "0", kUninit}, Case{"", Day(), "0", ""}, Case{"   ", Day(), "0", ""},
        Case{"99999999999 + 1", Day(), "0", kUninit}, Case{"2147483647 + 1", Day(), "0", kOutOfRange},
        Case{"WKO * WKO * WKO", Day(), "0", kOutOfRange}));

constexpr const char* kExample = "$V1 = WKO - WKI; $V2 = OTO - WKI; RES = IIF(_WKIOTO_ONLY, $V2, $V1);";
constexpr const char* kThreeLevels =
    "$V1 = WKO - 1538; $V2 = IIF(_HDAY, $V1, $V1); $V3 = IIF(_HDAY, $V2, $V2); RES = IIF(_HDAY, $V3, $V3);";
constexpr const char* kFourLevels =
    "$V1 = WKO - 1538; $V2 = IIF(_HDAY, $V1, $V1); $V3 = IIF(_HDAY, $V2, $V2); "
    "$V4 = IIF(_HDAY, $V3, $V3); RES = IIF(_HDAY, $V4, $V4);";

INSTANTIATE_TEST_SUITE_P(
    Complex, FormulaCases,
    testing::Values(
        Case{"RES = WKO - WKI;", Day(), "545", ""}, Case{"RES = OTO - OTI + WKO - WKI;", Day(), "665", ""},
        Case{"RES = WKO - WKO;", Day(), "0", ""},
        Case{"RES = WKO;", Day(), "0", "GetTK - Unknown Identifier: "},  // RES gets an empty text
        Case{"RES = WKO + 0;", Day(), "1545", ""},
        Case{"RES = WKI - WKO;", Day(), "0", "GetTK - Unknown Identifier: -545"},
        Case{"RES = WKO - WKI; RES = 5", Day(), "545", ""},  // unterminated statement ignored
        Case{"RES = WKO - WKI; PRINT FOO BAR;", Day(), "545", ""}, Case{"RES =\tWKO - WKI;", Day(), "545", ""},
        Case{"RES=WKO-WKI;", Day(), "0", "ProParse - Unknown Identifier: WKO-WKI"},
        Case{";", Day(), "0", "GetTK - Unknown Identifier: "},
        // Each flag of IIF.
        Case{"RES = IIF(_HDAY, OTO, WKO);", Flags(true, false, false), "2120", ""},
        Case{"RES = IIF(_HDAY, OTO, WKO);", Flags(false, true, true), "1545", ""},
        Case{"RES = IIF(_HDAY, OTO, WKO);", Day(&FormulaInputs::OTO, 0), "1545", ""},
        Case{"RES = IIF(_HDAY, OTO, WKO);", HalfDayWithoutOvertimeOut(), "0", "Error"},
        Case{"RES = IIF(_WKIWKO_ONLY, 1, 2);", Flags(false, true, false), "1", ""},
        Case{"RES = IIF(_WKIWKO_ONLY, 1, 2);", Flags(true, false, true), "2", ""},
        Case{"RES = IIF(_WKIOTO_ONLY, 1, 2);", Flags(false, false, true), "1", ""},
        Case{"RES = IIF(_WKIOTO_ONLY, 1, 2);", Flags(true, true, false), "2", ""},
        Case{"RES = IIF(_hday, 1, 2);", Flags(true, true, true), "0", "Eval - Unknown Identifier: _hday"},
        Case{"RES = IIF(_HDAY, 007, 1);", Flags(true, false, false), "7", ""},
        Case{"RES = IIF(_HDAY, WKO);", Flags(true, false, false), "1545", ""},
        Case{"RES = IIF(_HDAY, WKO);", Day(), "0", "ProParse:List index out of bounds (4)"},
        Case{kExample, Flags(false, false, true), "1120", ""}, Case{kExample, Flags(true, true, false), "545", ""},
        // The -999 sentinel: the chain restarts from the token before the operator.
        Case{"RES = WKO - 2544 + 5;", Day(), "2549", ""},  // 1545 - 2544 = -999
        Case{"RES = WKO + 3 - 2;", Day(), "1546", ""},
        // A number before an operator is read as a statement word too.
        Case{"RES = 5 + 3;", Day(), "0", "ProParse - Unknown Identifier: 5"},
        // Variables and targets.
        Case{"RES = $V1 + 30;", Day(), "0", "GetTK - Unknown Identifier: "},  // assigns $V1, not RES
        Case{"$V1 = IIF(_HDAY, 30, 30); RES = WKO - $V1;", Day(), "1515", ""},
        Case{"$V1 = WKI - WKO; RES = WKO + $V1;", Day(), "1000", ""},
        Case{"$V2 = WKO - $V1; RES = WKO - $V2;", Day(), "1545", ""},      // uninitialised right: $V2 emptied
        Case{"RES = $V1 + 5; RES = WKO - $V1;", Day(), "1540", ""},        // left report dropped
        Case{"$V2 = WKO - $V1 + 5; RES = WKO - $V2;", Day(), "1545", ""},  // stays uninitialised
        Case{"$V1 = WKO - WKI; RES = WKO - $V1;", Day(&FormulaInputs::WKI, 0), "1545", ""},
        Case{"$V0 = WKO + 0; RES = WKO + 1;", Day(), "1546", ""},
        Case{"$V12 = WKO - 1540; RES = WKO - $V1;", Day(), "1540", ""},
        Case{"$v1 = WKO - 1540; RES = WKO - $V1;", Day(), "1540", ""},
        // Indirection.
        Case{kThreeLevels, Day(), "7", ""},
        Case{kFourLevels, Day(), "0", "GetTK:'$V1' is not a valid integer value $V4"},
        Case{"$V2 = IIF(_HDAY, $V1, $V1); RES = IIF(_HDAY, $V2, $V2);", Day(), "0", "Error"},
        Case{"$V1 = IIF(_HDAY, WKO, WKO); RES = WKO - $V1;", Day(), "0",
             "GetTK:'WKO' is not a valid integer value $V1"},
        // Errors, the last one wins.
        Case{"RES = FOO;", Day(), "0", "ProParse - Unknown Identifier: FOO"},
        Case{"RES = foo;", Day(), "0", "ProParse - Unknown Identifier: FOO"},
        Case{"RES = WKO - WKI + FOO;", Day(), "0", "GetTK - Unknown Identifier: FOO"},
        Case{"res = wko - wki;", Day(), "0", "GetTK - Unknown Identifier: wki"},
        Case{"RES = FOO; RES = BAR;", Day(), "0", "ProParse - Unknown Identifier: BAR"},
        Case{"RES = FOO; RES = WKO - WKI;", Day(), "0", "ProParse - Unknown Identifier: FOO"},
        Case{"RES = WKO -;", Day(), "0", "ProParse:List index out of bounds (3)"},
        Case{"- 5;", Day(), "0", "ProParse:List index out of bounds (-1)"},
        Case{"$VX = 5 + 0;", Day(), "0", "ProParse:'X' is not a valid integer value"},
        Case{"$V = 5 + 0;", Day(), "0", "ProParse:'' is not a valid integer value"},
        // Sound behaviour where wrapping or a negative would slip through.
        Case{"RES = 2147483647 + 1;", Day(), "0", "ProParse:Integer overflow"},
        Case{"RES = 99999999999 + 1;", Day(), "0", "GetTK:'99999999999' is not a valid integer value 99999999999"},
        Case{"$V1 = WKI - WKO; RES = IIF(_HDAY, $V1, $V1);", Day(), "0", "Result below zero: -545"}));

TEST(FormulaParser, StatementsAfterAFailureStillRun) {
    test::LogCapture capture(0);
    FormulaParser parser(capture.log());
    parser.InitParser(Day());
    parser.ParseFormula("RES = -; RES = WKO - WKI;");
    EXPECT_EQ(parser.Res(), "545");
    EXPECT_EQ(parser.ErrorText(), "ProParse:List index out of bounds (2)");
    std::string text;
    EXPECT_FALSE(parser.ParseEndRes(text));
    EXPECT_EQ(text, "ProParse:List index out of bounds (2)");
}

TEST(FormulaParser, NoStatementIsASyntaxError) {
    test::LogCapture capture(0);
    FormulaParser parser(capture.log());
    parser.InitParser(Day());
    parser.ParseFormula("RES = 5");
    EXPECT_EQ(parser.ErrorText(), "Syntax Error: RES = 5");
}

TEST(FormulaParser, InitParserForgetsThePreviousEvaluation) {
    test::LogCapture capture(0);
    FormulaParser parser(capture.log());
    parser.InitParser(Day());
    parser.ParseFormula("$V3 = 1 + 1; RES = FOO;");
    parser.InitParser(Day());
    EXPECT_EQ(parser.Variable(3), "");
    EXPECT_EQ(parser.Res(), "");
    EXPECT_EQ(parser.ErrorText(), "");
}

using Lines = std::vector<std::string>;

TEST(FormulaLog, SimpleFormulaTrace) {
    test::LogCapture capture(999);
    CalFormula(capture.log(), "WKO - WKI / 2", Day());
    EXPECT_EQ(capture.Lines(), (Lines{"Standard simple Formula: WKO - WKI / 2", "  WKI=1000 WKO=1545",
                                      "  OTI=2000 OTO=2120", "Token0 = WKO", "rResult := 1545", "Token1 = -",
                                      "rResult := 545", "Token3 = /", "rResult := 272.5"}));
}

TEST(FormulaLog, SimpleFormulaError) {
    test::LogCapture capture(999);
    CalFormula(capture.log(), "WKO - WKI", Day(&FormulaInputs::WKI, 0));
    EXPECT_EQ(capture.Lines(),
              (Lines{"Standard simple Formula: WKO - WKI", "  WKI=0 WKO=1545", "  OTI=2000 OTO=2120", "Token0 = WKO",
                     "rResult := 1545", "Token1 = -", "Error Parsing Formula, uninitialized WKI,WKO, etc."}));
}

TEST(FormulaLog, ComplexFormulaTrace) {
    test::LogCapture capture(999);
    CalFormula(capture.log(), "RES = WKO - WKI;", Day());
    EXPECT_EQ(capture.Lines(), (Lines{"", "Complex Formula Parsing: WorkHalfDay=false  WKIOTO=false  WKIWKO=false",
                                      "Formula: RES = WKO - WKI;", "WKI=1000 WKO=1545", "OTI=2000 OTO=2120",
                                      "Parse.Result=545", "ParseEndRes: Before=545  After=545", "Result=545", ""}));
}

TEST(FormulaLog, ComplexFormulaErrorFoundAtTheEndShowsTheValueText) {
    FormulaInputs in = Flags(true, false, true);
    in.OTO = 0;
    test::LogCapture capture(999);
    CalFormula(capture.log(), "RES = IIF(_HDAY, OTO, WKO);", in);
    EXPECT_EQ(capture.Lines(), (Lines{"", "Complex Formula Parsing: WorkHalfDay=true  WKIOTO=true  WKIWKO=false",
                                      "Formula: RES = IIF(_HDAY, OTO, WKO);", "WKI=1000 WKO=1545", "OTI=2000 OTO=0",
                                      "Parse.Result=OTO", "ParseEndRes: Before=OTO  After=0", "Error.Formula: 0", ""}));
}

TEST(FormulaLog, ComplexFormulaErrorDuringParsingShowsTheErrorText) {
    test::LogCapture capture(999);
    CalFormula(capture.log(), "RES = FOO; RES = WKO -;", Day());
    const Lines lines = capture.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "Parse.Result=");  // the failing statement writes none
    EXPECT_EQ(lines[lines.size() - 2], "Error.Formula: ProParse:List index out of bounds (3)");
}

TEST(FormulaLog, LevelsFollowTheThreshold) {
    {
        test::LogCapture capture(21);  // levels 0 to 20: neither the formula text nor the error line
        CalFormula(capture.log(), "RES = FOO;", Day());
        EXPECT_EQ(capture.Lines(), (Lines{"", "Complex Formula Parsing: WorkHalfDay=false  WKIOTO=false  WKIWKO=false",
                                          "WKI=1000 WKO=1545", "OTI=2000 OTO=2120", "Parse.Result=", ""}));
    }
    {
        test::LogCapture capture(20);
        CalFormula(capture.log(), "RES = FOO;", Day());
        CalFormula(capture.log(), "WKO - WKI - 0", Day());
        EXPECT_TRUE(capture.Lines().empty());
    }
}

}  // namespace
}  // namespace kx
