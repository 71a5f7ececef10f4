#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/flexible_work_hour.h"
#include "engine/work_hours.h"
#include "work_day_fixture.h"

namespace kx::test::workday {
namespace {

struct WorkCase {
    const char* name;
    std::function<void(WorkDay&)> setup;
    std::string tIn, tOut;
    const char* totalWork;
};

void PrintTo(const WorkCase& c, std::ostream* os) { *os << c.name; }

class CalWorkHoursCases : public testing::TestWithParam<WorkCase> {};

TEST_P(CalWorkHoursCases, GivesTotalWork) {
    const WorkCase& c = GetParam();
    WorkDay w;
    if (c.setup) c.setup(w);
    CalWorkHours(w.ctx, w.Day(), c.tIn, c.tOut, w.attend, w.emp);
    EXPECT_EQ(w.attend.TotalWork, c.totalWork);
}

void In0830(WorkDay& w) { w.emp.SysIn = "0830"; }
void SnapIn0830(WorkDay& w) {
    In0830(w);
    w.ctx.settings.options.SnapToInTime = true;
}
void Formula(WorkDay& w, const char* text) { w.emp.WorkFormula = text; }

INSTANTIATE_TEST_SUITE_P(
    WorkHours, CalWorkHoursCases,
    testing::Values(
        WorkCase{"late_in_snap", SnapIn0830, At("0842"), At("1745"), "543"},
        WorkCase{"early_in", In0830, At("0755"), At("1745"), "590"},
        WorkCase{"early_in_snap", SnapIn0830, At("0755"), At("1745"), "555"},
        WorkCase{"out_before_in", nullptr, At("1745"), At("0842"), "0"},
        WorkCase{"meal_not_deducted", [](WorkDay& w) { w.attend.Out_Meal = "1200", w.attend.In_Meal = "1300"; },
                 At("0800"), At("1700"), "540"},
        WorkCase{"formula_none_is_plain", [](WorkDay& w) { Formula(w, "NONE"); }, At("0800"), At("1700"), "540"},
        WorkCase{"formula_deducts_meal",
                 [](WorkDay& w) {
                     Formula(w, "WKO - WKI - MLI + MLO");
                     w.attend.Out_Meal = "1200", w.attend.In_Meal = "1300";
                 },
                 At("0800"), At("1700"), "480"},
        WorkCase{"formula_night_meal_next_day",
                 [](WorkDay& w) {
                     Formula(w, "WKO - WKI - MLI + MLO");
                     w.emp.SysIn = "2200", w.emp.SysOut = "0600";
                     w.attend.Out_Meal = "0200", w.attend.In_Meal = "0230";
                 },
                 At("2200"), NextAt("0600"), "450"},
        WorkCase{"formula_snapped_in",
                 [](WorkDay& w) {
                     Formula(w, "RES = WKO - WKI;");
                     w.ctx.settings.options.SnapToInTime = true;
                 },
                 At("0745"), At("1700"), "540"},
        // A missing work-in is not replaced by the scheduled start.
        WorkCase{"snap_without_work_in", [](WorkDay& w) { w.ctx.settings.options.SnapToInTime = true; }, NextAt("    "),
                 At("1700"), "0"},
        WorkCase{"formula_snap_without_work_in",
                 [](WorkDay& w) {
                     Formula(w, "WKO - WKI");
                     w.ctx.settings.options.SnapToInTime = true;
                 },
                 NextAt("    "), At("1700"), "0"},
        WorkCase{"non_digit_times", nullptr, At("08x0"), At("1700"), "0"}),
    [](const testing::TestParamInfo<WorkCase>& info) { return info.param.name; });

TEST(CalWorkHours, WritesItsTraceLines) {
    WorkDay w;
    SnapIn0830(w);
    CalWorkHours(w.ctx, w.Day(), At("0755"), At("1745"), w.attend, w.emp);
    EXPECT_TRUE(w.Logged("CalWorkHours: w_formula=  Tin=202612090755,  TOut=202612091745"));
    EXPECT_TRUE(w.Logged("SnapToInTime=true  m=555  Sysin=202612090830  Tin=202612090755"));
}

TEST(CalWorkHours, NonDigitTimeIsLoggedAndCountsNothing) {
    WorkDay w;
    CalWorkHours(w.ctx, w.Day(), At("08x0"), At("1700"), w.attend, w.emp);
    EXPECT_EQ(w.attend.TotalWork, "0");
    EXPECT_TRUE(w.Logged("'x0' is not a valid integer value"));
}

// Lateness and early leaving are excused when the hours were worked.
struct EnoughHoursCase {
    const char* name;
    const char* sysIn;
    const char* sysOut;
    std::string tIn, tOut;
    bool excused;
};

void PrintTo(const EnoughHoursCase& c, std::ostream* os) { *os << c.name; }

class IgnoreLateEarlyIfWorkOK : public testing::TestWithParam<EnoughHoursCase> {};

TEST_P(IgnoreLateEarlyIfWorkOK, ExcusesOnlyAFullDay) {
    const EnoughHoursCase& c = GetParam();
    WorkDay w;
    w.ctx.derived.ignoreLEIfWorkOK = true;
    w.emp.SysIn = c.sysIn;
    w.emp.SysOut = c.sysOut;
    w.attend.Late = "Y", w.attend.LateMin = "15", w.attend.Early = "Y", w.attend.EarlyMin = "5";
    CalWorkHours(w.ctx, w.Day(), c.tIn, c.tOut, w.attend, w.emp);
    if (c.excused) {
        EXPECT_EQ(w.attend.Late + w.attend.LateMin + w.attend.Early + w.attend.EarlyMin + w.attend.Punctual, "N0N0Y");
        // Each full case works exactly its scheduled minutes.
        EXPECT_TRUE(w.Logged("Ignore Late/Early if work enough hour: Work=" + w.attend.TotalWork +
                             " vs. System=" + w.attend.TotalWork));
        EXPECT_TRUE(w.Logged("Set Late/Early min = 0, late/early=N, ontime=Y "));
    } else {
        EXPECT_EQ(w.attend.Late + w.attend.LateMin + w.attend.Early + w.attend.EarlyMin + w.attend.Punctual, "Y15Y5N");
    }
}

INSTANTIATE_TEST_SUITE_P(
    WorkHours, IgnoreLateEarlyIfWorkOK,
    testing::Values(EnoughHoursCase{"day_full", "0800", "1700", At("0815"), At("1715"), true},
                    EnoughHoursCase{"day_short", "0800", "1700", At("0815"), At("1700"), false},
                    EnoughHoursCase{"night_short", "2200", "0600", At("2215"), NextAt("0600"), false},
                    EnoughHoursCase{"night_full", "2200", "0600", At("2215"), NextAt("0615"), true}),
    [](const testing::TestParamInfo<EnoughHoursCase>& info) { return info.param.name; });

// [Tavro] SetWorkOutIfNotEnoughOT: an overtime below the minimum ends the working day.
struct WorkOutCase {
    const char* name;
    const char* otIn;
    const char* otOut;
    const char* otMin;
    std::string tOut;
    const char* out;
    const char* otInAfter;
    const char* otOutAfter;
    const char* totalWork;
};

void PrintTo(const WorkOutCase& c, std::ostream* os) { *os << c.name; }

class SetWorkOutIfNotEnoughOT : public testing::TestWithParam<WorkOutCase> {};

TEST_P(SetWorkOutIfNotEnoughOT, MovesTheWorkOut) {
    const WorkOutCase& c = GetParam();
    WorkDay w;
    w.ctx.settings.tavro.FILO = true;
    w.ctx.settings.tavro.SetWorkOutIfNotEnoughOT = true;
    w.attend.Out = "1700";
    w.attend.OT_In = c.otIn, w.attend.OT_Out = c.otOut, w.attend.OT_min = c.otMin;
    CalWorkHours(w.ctx, w.Day(), At("0800"), c.tOut, w.attend, w.emp);
    EXPECT_EQ(w.attend.Out, c.out);
    EXPECT_EQ(w.attend.OT_In, c.otInAfter);
    EXPECT_EQ(w.attend.OT_Out, c.otOutAfter);
    EXPECT_EQ(w.attend.TotalWork, c.totalWork);
    EXPECT_TRUE(w.Logged("SetWorkOutIfNotEnoughOT is TRUE"));
}

INSTANTIATE_TEST_SUITE_P(
    WorkHours, SetWorkOutIfNotEnoughOT,
    testing::Values(WorkOutCase{"short_overtime", "1800", "1725", "0", At("1700"), "1725", "     ", "     ", "565"},
                    WorkOutCase{"enough_overtime", "1800", "2015", "120", At("1700"), "1700", "1800", "2015", "540"},
                    WorkOutCase{"no_overtime_in", "    ", "1725", "0", At("1700"), "1700", "    ", "1725", "540"},
                    WorkOutCase{"after_midnight", "2300", "0100", "0", At("2330"), "0100", "     ", "     ", "1020"}),
    [](const testing::TestParamInfo<WorkOutCase>& info) { return info.param.name; });

TEST(SetWorkOutIfNotEnoughOT, NeedsTavroFILO) {
    WorkDay w;
    w.ctx.settings.tavro.SetWorkOutIfNotEnoughOT = true;
    w.attend.OT_In = "1800", w.attend.OT_Out = "1725", w.attend.OT_min = "0";
    CalWorkHours(w.ctx, w.Day(), At("0800"), At("1700"), w.attend, w.emp);
    EXPECT_EQ(w.attend.TotalWork, "540");
    EXPECT_EQ(w.attend.OT_Out, "1725");
    EXPECT_FALSE(w.Logged("SetWorkOutIfNotEnoughOT is TRUE"));
}

// Flexible hours: first in, last out and the meal from the day's own clockings.
struct FlexCase {
    const char* name;
    bool ignoreCodes;
    std::vector<TCD_Source> raw;
    const char* in;
    const char* out;
    const char* outMeal;
    const char* inMeal;
    const char* totalWork;
};

void PrintTo(const FlexCase& c, std::ostream* os) { *os << c.name; }

class CalFlexibleWorkHourCases : public testing::TestWithParam<FlexCase> {};

TEST_P(CalFlexibleWorkHourCases, PicksTimesAndCountsWork) {
    const FlexCase& c = GetParam();
    WorkDay w;
    w.ctx.settings.options.IgnoreInOutCOde = c.ignoreCodes;
    w.emp.RawData = c.raw;
    CalFlexibleWorkHour(w.ctx, w.Day(), w.emp, w.attend);
    EXPECT_EQ(w.attend.In, c.in);
    EXPECT_EQ(w.attend.Out, c.out);
    EXPECT_EQ(w.attend.Out_Meal, c.outMeal);
    EXPECT_EQ(w.attend.In_Meal, c.inMeal);
    EXPECT_EQ(w.attend.TotalWork, c.totalWork);
}

INSTANTIATE_TEST_SUITE_P(
    WorkHours, CalFlexibleWorkHourCases,
    testing::Values(FlexCase{"any_code",
                             true,
                             {Swipe("0905", "I"), Swipe("1230", "O"), Swipe("1315", "I"), Swipe("1820", "O")},
                             "0905",
                             "1820",
                             "1230",
                             "1315",
                             "555"},
                    FlexCase{"any_code_unordered_near_first_in",
                             true,
                             {Swipe("1820", "X"), Swipe("0940", "X"), Swipe("1315", "X"), Swipe("0905", "X"),
                              Swipe("1230", "X")},
                             "0905",
                             "1820",
                             "1230",
                             "1315",
                             "555"},
                    FlexCase{"coded_letters_matter",
                             false,
                             {Swipe("0905", "I"), Swipe("1230", "I"), Swipe("1315", "O"), Swipe("1820", "O")},
                             "0905",
                             "1820",
                             "1315",
                             "1230",
                             "555"},
                    FlexCase{"other_days_ignored",
                             false,
                             {Swipe("2300", "I", "000", "20261208"), Swipe("0905", "I"), Swipe("1820", "O"),
                              Swipe("0100", "O", "000", kD1)},
                             "0905",
                             "1820",
                             "    ",
                             "    ",
                             "555"},
                    FlexCase{"single_swipe", true, {Swipe("0905", "I")}, "0905", "    ", "    ", "    ", "0"},
                    FlexCase{"two_swipes_same_minute",
                             true,
                             {Swipe("0905", "I"), Swipe("0905", "O")},
                             "0905",
                             "0905",
                             "    ",
                             "    ",
                             "0"},
                    FlexCase{"only_work_out", false, {Swipe("1820", "O")}, "    ", "1820", "    ", "    ", "0"},
                    FlexCase{"short_and_blank_times",
                             true,
                             {Swipe("9", "I"), Swipe("", "O"), Swipe("0905", "I")},
                             "0905",
                             "    ",
                             "    ",
                             "    ",
                             "0"}),
    [](const testing::TestParamInfo<FlexCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kx::test::workday
