#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/day_stamps.h"
#include "engine/early_overtime.h"
#include "engine/overtime.h"
#include "work_day_fixture.h"

namespace kx::test::workday {
namespace {

void Rules(WorkDay& w, const char* minimum, const char* rounding, int factor = 0) {
    w.emp.OTEntry.OTMinimumMin = minimum;
    w.emp.OTEntry.OTRoundingMin = rounding;
    w.ctx.settings.options.OTRoundingFactorMin = factor;
}

// Mode "A": overtime after the scheduled out plus the offset, from the work stamps.
struct ModeACase {
    const char* name;
    std::function<void(WorkDay&)> setup;
    std::string tIn, tOut;
    const char* otMin;
    const char* out;
    const char* otIn;
    const char* otOut;
};

void PrintTo(const ModeACase& c, std::ostream* os) { *os << c.name; }

class CalOTModeACases : public testing::TestWithParam<ModeACase> {};

TEST_P(CalOTModeACases, SplitsTheDay) {
    const ModeACase& c = GetParam();
    WorkDay w;
    w.attend.In = stamps::TimeOf(c.tIn);
    w.attend.Out = stamps::TimeOf(c.tOut);
    DayComputation& day = w.Day();
    if (c.setup) c.setup(w);
    CalOTModeA(w.ctx, day, c.tIn, c.tOut, w.attend, w.emp);
    EXPECT_EQ(w.attend.OT_min, c.otMin);
    EXPECT_EQ(w.attend.Out, c.out);
    EXPECT_EQ(w.attend.OT_In, c.otIn);
    EXPECT_EQ(w.attend.OT_Out, c.otOut);
}

INSTANTIATE_TEST_SUITE_P(
    Overtime, CalOTModeACases,
    testing::Values(ModeACase{"beyond_offset", nullptr, At("0800"), At("1915"), "90", "1700", "1730", "1915"},
                    ModeACase{"below_minimum", nullptr, At("0800"), At("1750"), "0", "1750", "     ", "     "},
                    ModeACase{"before_out_point", nullptr, At("0800"), At("1725"), "0", "1725", "    ", "    "},
                    ModeACase{"holiday_all_overtime",
                              [](WorkDay& w) {
                                  w.attend.Holiday = "Y";
                                  Rules(w, "0", "0");
                              },
                              At("0900"), At("1300"), "240", "1700", "0900", "1300"},
                    ModeACase{"not_entitled",
                              [](WorkDay& w) {
                                  w.emp.ProcessMode = "N";
                                  w.attend.OT_min = "7";
                              },
                              At("0800"), At("1915"), "7", "1915", "    ", "    "},
                    ModeACase{"no_offset", [](WorkDay& w) { w.emp.OTEntry.OTOffset = "0"; }, At("0800"), At("1915"),
                              "120", "1700", "1700", "1915"},
                    ModeACase{"allow_negative_skips_minimum",
                              [](WorkDay& w) {
                                  w.ctx.settings.reprocessing.AllowNegativeOT = true;
                                  Rules(w, "30", "0");
                              },
                              At("0800"), At("1750"), "20", "1700", "1730", "1750"},
                    ModeACase{"formula_keeps_clocked_out", [](WorkDay& w) { w.emp.OTEntry.OTFormula = "OTO - OTI"; },
                              At("0800"), At("1915"), "90", "1915", "     ", "     "},
                    ModeACase{"night_shift",
                              [](WorkDay& w) {
                                  w.emp.SysIn = "2200", w.emp.SysOut = "0600";
                                  w.Day();
                              },
                              At("2200"), NextAt("0800"), "90", "0600", "0630", "0800"}),
    [](const testing::TestParamInfo<ModeACase>& info) { return info.param.name; });

TEST(CalOTModeA, WritesItsTraceLines) {
    WorkDay w;
    Rules(w, "30", "30", 15);
    CalOTModeA(w.ctx, w.Day(), At("0800"), At("1915"), w.attend, w.emp);
    EXPECT_TRUE(w.Logged("OT_Mode is A: OutPoint=202612091730  TOut=202612091915"));
    EXPECT_TRUE(w.Logged("RoundingFactorMin=15 OT Before Rounding=105"));

    WorkDay notEntitled;
    notEntitled.emp.ProcessMode = "N";
    CalOTModeA(notEntitled.ctx, notEntitled.Day(), At("0800"), At("1915"), notEntitled.attend, notEntitled.emp);
    EXPECT_TRUE(notEntitled.Logged("Normal Mode --> no OT procressing"));
}

// Every other mode: overtime between the overtime stamps.
struct OvertimeCase {
    const char* name;
    std::function<void(WorkDay&)> setup;
    std::string tIn, tOut;
    const char* otMin;
    const char* otIn;
    const char* otOut;
};

void PrintTo(const OvertimeCase& c, std::ostream* os) { *os << c.name; }

class CalOvertimeCases : public testing::TestWithParam<OvertimeCase> {};

TEST_P(CalOvertimeCases, CountsClockedOvertime) {
    const OvertimeCase& c = GetParam();
    WorkDay w;
    w.emp.OTEntry.OTMode = "C";
    w.attend.In = "0800", w.attend.Out = "1700";
    DayComputation& day = w.Day();
    if (c.setup) c.setup(w);
    CalOvertime(w.ctx, day, c.tIn, c.tOut, w.attend, w.emp);
    EXPECT_EQ(w.attend.OT_min, c.otMin);
    EXPECT_EQ(w.attend.OT_In, c.otIn);
    EXPECT_EQ(w.attend.OT_Out, c.otOut);
}

void Snap(WorkDay& w) {
    w.ctx.settings.options.SnapToOTRange = true;
    Rules(w, "30", "0");
}

void HalfDayFormula(WorkDay& w) {
    Rules(w, "30", "15");
    w.emp.OTEntry.OTFormula = "$V1 = OTO - OTI; $V2 = OTO - WKO; RES = IIF(_HDAY, $V2, $V1);";
    w.attend.Out = "1300";
    w.day.inputs.WKIOTO = true;
}

INSTANTIATE_TEST_SUITE_P(
    Overtime, CalOvertimeCases,
    testing::Values(OvertimeCase{"rounding_15", [](WorkDay& w) { Rules(w, "30", "15"); }, At("1800"), At("2047"), "165",
                                 "1800", "2047"},
                    OvertimeCase{"rounding_15_factor_10", [](WorkDay& w) { Rules(w, "30", "15", 10); }, At("1800"),
                                 At("2047"), "165", "1800", "2047"},
                    OvertimeCase{"rounding_15_factor_14", [](WorkDay& w) { Rules(w, "30", "15", 14); }, At("1800"),
                                 At("2047"), "180", "1800", "2047"},
                    OvertimeCase{"below_minimum", nullptr, At("1800"), At("1820"), "0", "1800", "1820"},
                    OvertimeCase{"snapped_to_scheduled", Snap, At("1745"), At("2030"), "120", "1745", "2030"},
                    OvertimeCase{"snap_without_scheduled_times",
                                 [](WorkDay& w) {
                                     Snap(w);
                                     w.emp.OTIn = "", w.emp.OTOut = "";
                                 },
                                 At("1745"), At("2030"), "165", "1745", "2030"},
                    OvertimeCase{"snap_night_shift_next_day",
                                 [](WorkDay& w) {
                                     Snap(w);
                                     w.emp.SysIn = "2200", w.emp.SysOut = "0600", w.emp.OTIn = "0600",
                                     w.emp.OTOut = "0800";
                                 },
                                 NextAt("0550"), NextAt("0830"), "120", "0550", "0830"},
                    OvertimeCase{"negative_allowed",
                                 [](WorkDay& w) {
                                     Rules(w, "30", "0");
                                     w.ctx.settings.reprocessing.AllowNegativeOT = true;
                                 },
                                 At("1800"), At("1750"), "-10", "1800", "1750"},
                    OvertimeCase{"negative_not_allowed", [](WorkDay& w) { Rules(w, "30", "0"); }, At("1800"),
                                 At("1750"), "0", "1800", "1750"},
                    OvertimeCase{"negative_rounded_toward_zero",
                                 [](WorkDay& w) {
                                     Rules(w, "30", "30");
                                     w.ctx.settings.reprocessing.AllowNegativeOT = true;
                                 },
                                 At("1800"), At("1720"), "-30", "1800", "1720"},
                    OvertimeCase{"formula_full_day", HalfDayFormula, At("1800"), At("2047"), "165", "1800", "2047"},
                    OvertimeCase{"formula_half_day_leave",
                                 [](WorkDay& w) {
                                     HalfDayFormula(w);
                                     w.emp.HalfDayLeave = "Y";
                                 },
                                 At("1800"), At("2047"), "465", "1800", "2047"},
                    OvertimeCase{"nothing_clocked", nullptr, NextAt("    "), At("    "), "0", "    ", "    "}),
    [](const testing::TestParamInfo<OvertimeCase>& info) { return info.param.name; });

TEST(CalOvertime, WritesItsTraceLines) {
    WorkDay w;
    Snap(w);
    CalOvertime(w.ctx, w.Day(), At("1745"), At("2030"), w.attend, w.emp);
    EXPECT_TRUE(w.Logged("Emp.OTIn,Out=1800,2000,  SysOut=1700"));
    EXPECT_TRUE(
        w.Logged("SnapToOTRange=true  OTInSnap=202612091800  OTOutSnap=202612092000 Tin=202612091800 "
                 "TOut=202612092000"));
    EXPECT_TRUE(w.Logged("RoundingMinute=0  RoundingFactorMin=0 OT Minimum=30  OT Before Rounding=120"));
    EXPECT_TRUE(w.Logged("Rounded ot min=120"));
}

// Minute settings that are no integers end the day computation.
struct BadSettingCase {
    const char* name;
    const char* offset;
    const char* minimum;
    const char* rounding;
};

void PrintTo(const BadSettingCase& c, std::ostream* os) { *os << c.name; }

class BadMinuteSettings : public testing::TestWithParam<BadSettingCase> {};

TEST_P(BadMinuteSettings, Throw) {
    const BadSettingCase& c = GetParam();
    WorkDay w;
    w.emp.OTEntry.OTOffset = c.offset, w.emp.OTEntry.OTMinimumMin = c.minimum, w.emp.OTEntry.OTRoundingMin = c.rounding;
    EXPECT_THROW(CalOTModeA(w.ctx, w.Day(), At("0800"), At("1915"), w.attend, w.emp), stamps::StampError);
    EXPECT_THROW(CalOvertime(w.ctx, w.Day(), At("1800"), At("1915"), w.attend, w.emp), stamps::StampError);
    EXPECT_THROW(CalPreOvertime(w.ctx, w.Day(), At("0600"), At("1700"), w.attend, w.emp), stamps::StampError);
}

INSTANTIATE_TEST_SUITE_P(Overtime, BadMinuteSettings,
                         testing::Values(BadSettingCase{"minimum_letters", "30", "3O", "30"},
                                         BadSettingCase{"rounding_blank", "30", "30", "  "}),
                         [](const testing::TestParamInfo<BadSettingCase>& info) { return info.param.name; });

TEST(BadMinuteSettings, OffsetOnlyMattersInModeA) {
    WorkDay w;
    w.emp.OTEntry.OTOffset = "half";
    EXPECT_THROW(CalOTModeA(w.ctx, w.Day(), At("0800"), At("1915"), w.attend, w.emp), stamps::StampError);
    EXPECT_NO_THROW(CalOvertime(w.ctx, w.Day(), At("1800"), At("1915"), w.attend, w.emp));
}

TEST(CalOTModeA, InvalidScheduledOutEndsTheDay) {
    WorkDay w;
    w.emp.SysOut = "17";
    EXPECT_THROW(CalOTModeA(w.ctx, w.Day(), At("0800"), At("1915"), w.attend, w.emp), stamps::StampError);
}

// Early overtime: before the shift (pre-overtime) or in the first break.
struct EarlyCase {
    const char* name;
    bool break1;  // break 1 taken as early overtime, else pre-overtime
    bool split;
    std::string tIn, tOut;
    const char* otMin;  // OT_min starts at "45"
    const char* preOT;
    const char* earlyIn;
    const char* earlyOut;
};

void PrintTo(const EarlyCase& c, std::ostream* os) { *os << c.name; }

class EarlyOvertimeCases : public testing::TestWithParam<EarlyCase> {};

TEST_P(EarlyOvertimeCases, AddsOrKeepsApart) {
    const EarlyCase& c = GetParam();
    WorkDay w;
    w.emp.OTEntry.OTMode = "C";
    w.ctx.settings.reprocessing.PreOTSplit = c.split;
    // Negative early overtime is never kept.
    w.ctx.settings.reprocessing.AllowNegativeOT = true;
    w.attend.OT_min = "45";
    if (c.break1)
        CalBreak1EarlyOT(w.ctx, c.tIn, c.tOut, w.attend, w.emp);
    else
        CalPreOvertime(w.ctx, w.Day(), c.tIn, c.tOut, w.attend, w.emp);
    EXPECT_EQ(w.attend.OT_min, c.otMin);
    EXPECT_EQ(w.attend.PreOT, c.preOT);
    EXPECT_EQ(w.attend.EarlyOT_In, c.earlyIn);
    EXPECT_EQ(w.attend.EarlyOT_Out, c.earlyOut);
}

INSTANTIATE_TEST_SUITE_P(
    Overtime, EarlyOvertimeCases,
    testing::Values(EarlyCase{"pre_added", false, false, At("0640"), At("1700"), "105", "0", "0640", "0800"},
                    EarlyCase{"pre_split", false, true, At("0640"), At("1700"), "45", "60", "0640", "0800"},
                    EarlyCase{"pre_below_minimum", false, false, At("0745"), At("1700"), "45", "0", "    ", "    "},
                    EarlyCase{"pre_no_work_in", false, false, NextAt("    "), At("1700"), "45", "0", "    ", "    "},
                    EarlyCase{"break1_added", true, false, At("0600"), At("0745"), "135", "0", "0600", "0745"},
                    EarlyCase{"break1_split", true, true, At("0600"), At("0745"), "45", "90", "0600", "0745"},
                    EarlyCase{"break1_negative", true, true, At("0745"), At("0730"), "45", "0", "0745", "0730"},
                    EarlyCase{"break1_only_in", true, false, At("0600"), At("    "), "45", "0", "0600", "    "}),
    [](const testing::TestParamInfo<EarlyCase>& info) { return info.param.name; });

TEST(EarlyOvertime, WritesItsTraceLines) {
    WorkDay w;
    w.attend.OT_min = "45";
    CalPreOvertime(w.ctx, w.Day(), At("0640"), At("1700"), w.attend, w.emp);
    EXPECT_TRUE(w.Logged("Pre-Overtime: OT.pre=60  OT.std=105  EOT_In=[0640]  EOT_Out=[0800]"));
    CalBreak1EarlyOT(w.ctx, At("0600"), At("0745"), w.attend, w.emp);
    EXPECT_TRUE(w.Logged("Pre-Overtime(B1) : EOT_In=[0600]  EOT_Out=[0745]"));
}

}  // namespace
}  // namespace kx::test::workday
