#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/pro_attd.h"
#include "work_day_fixture.h"

namespace kx::test::workday {
namespace {

// The fields a whole day is judged by, in one line.
std::string Summary(const TAT_Attend& a) {
    return "In=" + a.In + " Out=" + a.Out + " OTIn=" + a.OT_In + " OTOut=" + a.OT_Out + " OT=" + a.OT_min +
           " Pre=" + a.PreOT + " Work=" + a.TotalWork + " Late=" + a.Late + a.LateMin + " Early=" + a.Early +
           a.EarlyMin + " P=" + a.Punctual + " A=" + a.Absent + " Inc=" + a.Inc + " Ed=" + a.Edited;
}

struct DayCase {
    const char* name;
    std::function<void(WorkDay&)> setup;
    std::vector<TCD_Source> raw;
    const char* summary;
};

void PrintTo(const DayCase& c, std::ostream* os) { *os << c.name; }

class ProAttdDays : public testing::TestWithParam<DayCase> {};

TEST_P(ProAttdDays, ComputeTheDay) {
    const DayCase& c = GetParam();
    WorkDay w;
    w.emp.RawData = c.raw;
    if (c.setup) c.setup(w);
    ProAttd(w.ctx, w.emp, w.attend);
    EXPECT_EQ(Summary(w.attend), c.summary);
    EXPECT_EQ(w.attend.StaffNo, w.emp.StaffNo);
    EXPECT_EQ(w.attend.AtDate, w.emp.AtDate);
    EXPECT_TRUE(w.Logged("<-------------"));
}

void ModeC(WorkDay& w) {
    w.emp.OTEntry.OTMode = "C";
    w.emp.OTEntry.OTRoundingMin = "15";
}

void MealClocked(WorkDay& w) { w.emp.BreakSelect = "_X______"; }

// Early overtime in break 1: returned 0545..0615, left 0730..0800.
void Break1AsEarlyOT(WorkDay& w) {
    ModeC(w);
    w.emp.OTEntry.OTRoundingMin = "30";
    w.ctx.settings.reprocessing.Break1AsEarlyOT = true;
    w.ctx.settings.reprocessing.PreOTSplit = true;
    w.emp.Break1In_lower = "0545", w.emp.Break1In_upper = "0615";
    w.emp.Break1Out_lower = "0730", w.emp.Break1Out_upper = "0800";
}

const char* kHalfDayFormula = "$V1 = WKO - WKI; $V2 = WKO - WKI - 60; RES = IIF(_HDAY, $V1, $V2);";

INSTANTIATE_TEST_SUITE_P(
    Days, ProAttdDays,
    testing::Values(
        DayCase{"mode_a_overtime",
                nullptr,
                {Swipe("0800", "I"), Swipe("1915", "O")},
                "In=0800 Out=1700 OTIn=1730 OTOut=1915 OT=90 Pre=0 Work=675 Late=N0 Early=N0 P=Y A=N Inc=N Ed=N"},
        DayCase{"no_clockings",
                nullptr,
                {},
                "In=     Out=     OTIn=     OTOut=     OT=0 Pre=0 Work=0 Late=N0 Early=N0 P=N A=Y Inc=N Ed=N"},
        DayCase{"only_work_in",
                nullptr,
                {Swipe("0758", "I")},
                "In=0758 Out=     OTIn=     OTOut=     OT=0 Pre=0 Work=0 Late=N0 Early=N0 P=N A=N Inc=Y Ed=N"},
        DayCase{"on_time_meal_not_returned",
                MealClocked,
                {Swipe("0800", "I"), Swipe("1200", "O", "002"), Swipe("1700", "O")},
                "In=0800 Out=1700 OTIn=     OTOut=     OT=0 Pre=0 Work=540 Late=N0 Early=N0 P=Y A=N Inc=Y Ed=N"},
        DayCase{"no_meal_in_pattern",
                nullptr,
                {Swipe("0800", "I"), Swipe("1200", "O", "002"), Swipe("1700", "O")},
                "In=0800 Out=1700 OTIn=     OTOut=     OT=0 Pre=0 Work=540 Late=N0 Early=N0 P=Y A=N Inc=N Ed=N"},
        DayCase{"late_on_holiday",
                [](WorkDay& w) { w.attend.Holiday = "Y"; },
                {Swipe("0900", "I"), Swipe("1300", "O")},
                "In=0900 Out=1700 OTIn=0900 OTOut=1300 OT=240 Pre=0 Work=240 Late=N0 Early=N0 P=Y A=N Inc=N Ed=N"},
        DayCase{"edited_clocking",
                nullptr,
                {Swipe("0800", "I", "000", kD, "Y"), Swipe("1700", "O")},
                "In=0800 Out=1700 OTIn=     OTOut=     OT=0 Pre=0 Work=540 Late=N0 Early=N0 P=Y A=N Inc=N Ed=Y"},
        DayCase{"half_day_shift_formula",
                [](WorkDay& w) {
                    w.emp.SysIn = "0900", w.emp.SysOut = "1400";
                    w.emp.WorkFormula = kHalfDayFormula;
                },
                {Swipe("0900", "I"), Swipe("1400", "O")},
                "In=0900 Out=1400 OTIn=     OTOut=     OT=0 Pre=0 Work=300 Late=N0 Early=N0 P=Y A=N Inc=N Ed=N"},
        DayCase{"full_day_shift_formula",
                [](WorkDay& w) { w.emp.WorkFormula = kHalfDayFormula; },
                {Swipe("0800", "I"), Swipe("1700", "O")},
                "In=0800 Out=1700 OTIn=     OTOut=     OT=0 Pre=0 Work=480 Late=N0 Early=N0 P=Y A=N Inc=N Ed=N"},
        DayCase{"mode_c_overtime",
                ModeC,
                {Swipe("0800", "I"), Swipe("1700", "O"), Swipe("1800", "I", "001"), Swipe("2047", "O", "001")},
                "In=0800 Out=1700 OTIn=1800 OTOut=2047 OT=165 Pre=0 Work=540 Late=N0 Early=N0 P=Y A=N Inc=N Ed=N"},
        DayCase{"pre_overtime_added",
                [](WorkDay& w) {
                    ModeC(w);
                    w.emp.OTEntry.OTRoundingMin = "30";
                    w.ctx.settings.reprocessing.PreOvertime = true;
                },
                {Swipe("0640", "I"), Swipe("1700", "O")},
                "In=0640 Out=1700 OTIn=     OTOut=     OT=60 Pre=0 Work=620 Late=N0 Early=N0 P=Y A=N Inc=N Ed=N"},
        DayCase{"break1_as_early_overtime",
                Break1AsEarlyOT,
                {Swipe("0600", "I", "003"), Swipe("0745", "O", "003"), Swipe("0800", "I"), Swipe("1700", "O")},
                "In=0800 Out=1700 OTIn=     OTOut=     OT=0 Pre=90 Work=540 Late=N0 Early=N0 P=Y A=N Inc=N Ed=N"},
        DayCase{"blank_shift_times",
                [](WorkDay& w) {
                    w.emp.SysIn = "", w.emp.SysOut = "";
                    w.emp.OTEntry.OTOffset = "0";
                },
                {Swipe("0800", "I"), Swipe("1700", "O")},
                "In=     Out=     OTIn=     OTOut=     OT=0 Pre=0 Work=0 Late=N0 Early=N0 P=N A=Y Inc=N Ed=N"},
        DayCase{"non_digit_clocking_times",
                nullptr,
                {Swipe("08x0", "I"), Swipe("17", "O")},
                "In=08x0 Out=17 OTIn=     OTOut=     OT=0 Pre=0 Work=0 Late=N0 Early=N0 P=N A=N Inc=N Ed=N"}),
    [](const testing::TestParamInfo<DayCase>& info) { return info.param.name; });

TEST(ProAttd, WritesTheTraceOfTheDay) {
    WorkDay w;
    w.emp.RawData = {Swipe("0800", "I"), Swipe("1915", "O")};
    ProAttd(w.ctx, w.emp, w.attend);
    for (const char* line : {"------------->", "Staff.FlexWorkHour=  Offday=N  FlexibleHourRestOffDay=false",
                             "Lunch hour=    ,    ", "In = [0800]  Out = [1915]  OT In = [    ]  OT Out = [    ]",
                             "Readjusted: TIn = 202612090800   TOut = 202612091915",
                             "OT_Mode is A: OutPoint=202612091730  TOut=202612091915", "<-------------"})
        EXPECT_TRUE(w.Logged(line)) << line;
    EXPECT_FALSE(w.Logged("Office hour < 6 hours, turn on System Param WORK_HALF_DAY."));
}

TEST(ProAttd, ShortShiftIsAHalfDay) {
    WorkDay w;
    w.emp.SysIn = "0900", w.emp.SysOut = "1400";
    ProAttd(w.ctx, w.emp, w.attend);
    EXPECT_TRUE(w.Logged("Office hour < 6 hours, turn on System Param WORK_HALF_DAY."));
}

TEST(ProAttd, TavroFILOEndsTheWorkAsScheduled) {
    WorkDay w;
    w.emp.OTEntry.OTMode = "C";
    w.ctx.settings.tavro.FILO = true;
    w.emp.RawData = {Swipe("0800", "I"), Swipe("1705", "O"), Swipe("2015", "O", "001")};
    ProAttd(w.ctx, w.emp, w.attend);
    EXPECT_TRUE(w.Logged("Tavro.FILO 2 Swipes: Adjust Out Time from [1705]  to  [1700]"));
    EXPECT_TRUE(w.Logged("OT = 120 minutes"));
    EXPECT_EQ(w.attend.Out, "1700");
}

// Flexible hours replace the whole computation.
struct FlexDayCase {
    const char* name;
    const char* flexibleWorkHour;
    bool restOffDay;
    const char* off;
    bool flexible;
};

void PrintTo(const FlexDayCase& c, std::ostream* os) { *os << c.name; }

class ProAttdFlexible : public testing::TestWithParam<FlexDayCase> {};

TEST_P(ProAttdFlexible, OnlyTimesAndWork) {
    const FlexDayCase& c = GetParam();
    WorkDay w;
    w.ctx.settings.options.IgnoreInOutCOde = true;
    w.ctx.settings.tavro.FlexibleHourRestOffDay = c.restOffDay;
    w.emp.FlexibleWorkHour = c.flexibleWorkHour;
    w.attend.Off = c.off;
    w.emp.RawData = {Swipe("0905", "I"), Swipe("1230", "O"), Swipe("1315", "I"), Swipe("1820", "O")};
    ProAttd(w.ctx, w.emp, w.attend);
    EXPECT_EQ(w.Logged("It is Flexible working hour ..."), c.flexible);
    EXPECT_EQ(w.Logged("<-------------"), !c.flexible);
    if (c.flexible) {
        EXPECT_EQ(Summary(w.attend),
                  "In=0905 Out=1820 OTIn=     OTOut=     OT=0 Pre=0 Work=555 Late=N0 Early=N0 P=N A=Y Inc=N Ed=N");
        EXPECT_EQ(w.attend.Out_Meal + w.attend.In_Meal, "12301315");
    } else {
        EXPECT_EQ(w.attend.Absent, "N");
    }
}

INSTANTIATE_TEST_SUITE_P(Days, ProAttdFlexible,
                         testing::Values(FlexDayCase{"staff_flexible", "Y", false, "N", true},
                                         FlexDayCase{"rest_off_day", "N", true, "Y", true},
                                         FlexDayCase{"rest_setting_working_day", "N", true, "N", false},
                                         FlexDayCase{"off_day_without_setting", "N", false, "Y", false}),
                         [](const testing::TestParamInfo<FlexDayCase>& info) { return info.param.name; });

// A failure ends the computation; what was done stands.
struct FailureCase {
    const char* name;
    std::function<void(WorkDay&)> setup;
    const char* line;
    const char* summary;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class ProAttdFailures : public testing::TestWithParam<FailureCase> {};

TEST_P(ProAttdFailures, EndTheDayWithTheirLine) {
    const FailureCase& c = GetParam();
    WorkDay w;
    w.emp.RawData = {Swipe("0800", "I"), Swipe("1915", "O")};
    c.setup(w);
    ProAttd(w.ctx, w.emp, w.attend);
    EXPECT_TRUE(w.Logged(c.line));
    EXPECT_FALSE(w.Logged("<-------------"));
    EXPECT_EQ(Summary(w.attend), c.summary);
    EXPECT_EQ(w.attend.StaffNo, w.emp.StaffNo);
}

INSTANTIATE_TEST_SUITE_P(
    Days, ProAttdFailures,
    testing::Values(
        FailureCase{"minimum_not_a_number", [](WorkDay& w) { w.emp.OTEntry.OTMinimumMin = "abc"; },
                    "<ProAttd:>'abc' is not a valid integer value",
                    "In=0800 Out=1915 OTIn=     OTOut=     OT=0 Pre=0 Work=675 Late=N0 Early=N0 P=N A=Y Inc=N Ed=N"},
        FailureCase{"grace_not_a_number",
                    [](WorkDay& w) {
                        w.emp.SysInGrace = "5m";
                        w.emp.RawData = {Swipe("0812", "I"), Swipe("1915", "O")};
                    },
                    "<ProAttd:>'5m' is not a valid integer value",
                    "In=0812 Out=1915 OTIn=     OTOut=     OT=0 Pre=0 Work=0 Late=N0 Early=N0 P=N A=Y Inc=N Ed=N"},
        FailureCase{"rounding_not_a_number_mode_c",
                    [](WorkDay& w) {
                        w.emp.OTEntry.OTMode = "C";
                        w.emp.OTEntry.OTRoundingMin = "1/4";
                    },
                    "<ProAttd:>'1/4' is not a valid integer value",
                    "In=0800 Out=1915 OTIn=     OTOut=     OT=0 Pre=0 Work=0 Late=N0 Early=N0 P=N A=Y Inc=N Ed=N"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(ProAttdFailures, InvalidDateIsLoggedOnlyAtDetail999) {
    for (const int threshold : {999, 100}) {
        WorkDay w;
        w.ctx.log.SetDetailThreshold(threshold);
        w.emp.AtDate = "2026-12-";
        w.emp.RawData = {Swipe("0800", "I", "000", "2026-12-")};
        ProAttd(w.ctx, w.emp, w.attend);
        bool failureLogged = false;
        for (const std::string& line : w.Lines()) failureLogged |= line.starts_with("<ProAttd:>");
        EXPECT_EQ(failureLogged, threshold == 999);
        EXPECT_EQ(w.attend.AtDate, "2026-12-");
    }
}

}  // namespace
}  // namespace kx::test::workday
