#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/day_stamps.h"
#include "engine/get_filo.h"
#include "engine/staff_day_fixture.h"

namespace kx {
namespace {

using test::Clocking;
using test::kDay;
using test::kNextDay;
using test::kPrevDay;
using test::StaffDay;

using Field = std::string TAT_Attend::*;

struct FiloCase {
    const char* name;
    char kind;
    std::function<void(StaffDay&)> setup;
    std::string tIn;
    std::string tOut;
    std::vector<std::pair<Field, const char*>> results;
};

std::string At(const char* date, const char* time) { return std::string(date) + time; }

void Raw(StaffDay& s, std::vector<TCD_Source> clockings) { s.emp.RawData = std::move(clockings); }

void IgnoreInOut(StaffDay& s) { s.ctx.settings.options.IgnoreInOutCOde = true; }

// Night shift 2200-0600 with its own work windows 2100-2300 and 0500-0700.
void NightShiftWindows(StaffDay& s) {
    s.emp.SysIn = "2200", s.emp.SysOut = "0600";
    s.emp.In_lower = "2100", s.emp.In_upper = "2300";
    s.emp.Out_lower = "0500", s.emp.Out_upper = "0700";
    s.emp.ShiftDataWindow = true;
}

void Ranges(StaffDay& s, const char* inFrom, const char* inTo, const char* outFrom, const char* outTo) {
    RangeEnds& r = s.ctx.derived.ranges;
    r.taken = true;
    r.inFrom = inFrom, r.inTo = inTo, r.outFrom = outFrom, r.outTo = outTo;
}

const std::vector<FiloCase> kCases = {
    // Work, coded clockings; no data window: In window D 0000..1600, Out window D 0930..D+1 0130.
    {"WorkEarliestInLatestOut",
     'O',
     [](StaffDay& s) {
         Raw(s, {Clocking(kDay, "0755", "I", "000"), Clocking(kDay, "1201", "O", "000"),
                 Clocking(kDay, "1300", "I", "000"), Clocking(kDay, "1731", "O", "000")});
     },
     At(kDay, "0755"),
     At(kDay, "1731"),
     {{&TAT_Attend::In, "0755"}, {&TAT_Attend::Out, "1731"}}},
    {"WorkSingleIn",
     'O',
     [](StaffDay& s) { Raw(s, {Clocking(kDay, "0758", "I", "000")}); },
     At(kDay, "0758"),
     At(kDay, "    "),
     {{&TAT_Attend::In, "0758"}, {&TAT_Attend::Out, "    "}}},
    {"WorkNoClockings",
     'O',
     [](StaffDay&) {},
     At(kNextDay, "    "),
     At(kDay, "    "),
     {{&TAT_Attend::In, "    "}, {&TAT_Attend::Out, "    "}}},
    {"WorkWrongJobCodeAndForeignLetterSkipped",
     'O',
     [](StaffDay& s) {
         Raw(s, {Clocking(kDay, "0750", "I", "002"), Clocking(kDay, "0802", "I", "000"),
                 Clocking(kDay, "1740", "O", "001"), Clocking(kDay, "1800", "X", "000"),
                 Clocking(kDay, "1735", "O", "000")});
     },
     At(kDay, "0802"),
     At(kDay, "1735"),
     {{&TAT_Attend::In, "0802"}, {&TAT_Attend::Out, "1735"}}},
    {"WorkInOutsideItsWindow",
     'O',
     [](StaffDay& s) {
         Raw(s, {Clocking(kPrevDay, "2330", "I", "000"), Clocking(kDay, "1700", "I", "000"),
                 Clocking(kNextDay, "0200", "O", "000"), Clocking(kDay, "1800", "O", "000")});
     },
     At(kNextDay, "    "),
     At(kDay, "1800"),
     {{&TAT_Attend::In, "    "}, {&TAT_Attend::Out, "1800"}}},
    {"WorkSameMinuteInAndOut",
     'O',
     [](StaffDay& s) {
         Raw(s, {Clocking(kDay, "1200", "I", "000"), Clocking(kDay, "1200", "O", "000")});
     },
     At(kDay, "1200"),
     At(kDay, "1200"),
     {{&TAT_Attend::In, "1200"}, {&TAT_Attend::Out, "1200"}}},
    {"WorkSameMinuteMergedWhenIgnored",
     'O',
     [](StaffDay& s) {
         s.ctx.settings.reprocessing.IgnoreSameMinClocking = true;
         Raw(s, {Clocking(kDay, "1200", "I", "000"), Clocking(kDay, "1200", "O", "000")});
     },
     At(kDay, "1200"),
     At(kDay, "    "),
     {{&TAT_Attend::In, "1200"}, {&TAT_Attend::Out, "    "}}},

    // Work with in/out codes ignored (windows as above).
    {"IgnoreInOutOneSwipeIsNotBoth",
     'O',
     [](StaffDay& s) {
         IgnoreInOut(s);
         Raw(s, {Clocking(kDay, "1200", "I", "000")});
     },
     At(kDay, "1200"),
     At(kDay, "    "),
     {{&TAT_Attend::In, "1200"}, {&TAT_Attend::Out, "    "}}},
    {"IgnoreInOutTwoSwipesInOneMinute",
     'O',
     [](StaffDay& s) {
         IgnoreInOut(s);
         Raw(s, {Clocking(kDay, "1200", "I", "000"), Clocking(kDay, "1200", "I", "000")});
     },
     At(kDay, "1200"),
     At(kDay, "1200"),
     {{&TAT_Attend::In, "1200"}, {&TAT_Attend::Out, "1200"}}},
    {"IgnoreInOutTwoSwipesMergedWhenIgnored",
     'O',
     [](StaffDay& s) {
         IgnoreInOut(s);
         s.ctx.settings.reprocessing.IgnoreSameMinClocking = true;
         Raw(s, {Clocking(kDay, "1200", "I", "000"), Clocking(kDay, "1200", "I", "000")});
     },
     At(kDay, "1200"),
     At(kDay, "    "),
     {{&TAT_Attend::In, "1200"}, {&TAT_Attend::Out, "    "}}},
    {"IgnoreInOutTakesLettersAndJobCodesAsTheyCome",
     'O',
     [](StaffDay& s) {
         IgnoreInOut(s);
         Raw(s, {Clocking(kDay, "1745", "I", "000"), Clocking(kDay, "0805", "O", "009"),
                 Clocking(kNextDay, "0300", "O", "000")});
     },
     At(kDay, "0805"),
     At(kDay, "1745"),
     {{&TAT_Attend::In, "0805"}, {&TAT_Attend::Out, "1745"}}},

    // Night shift across midnight.
    {"NightShiftDataWindowOutOnNextDay",
     'O',
     [](StaffDay& s) {
         NightShiftWindows(s);
         Raw(s, {Clocking(kDay, "2158", "I", "000"), Clocking(kDay, "0602", "O", "000"),
                 Clocking(kNextDay, "0602", "O", "000")});
     },
     At(kDay, "2158"),
     At(kNextDay, "0602"),
     {{&TAT_Attend::In, "2158"}, {&TAT_Attend::Out, "0602"}}},
    // Scheduled out D+1 0600: In window D 1400..D+1 0600, Out window D 2200..D+1 1400.
    {"NightShiftAroundScheduledTimes",
     'O',
     [](StaffDay& s) {
         s.emp.SysIn = "2200", s.emp.SysOut = "0600";
         Raw(s, {Clocking(kDay, "1355", "I", "000"), Clocking(kDay, "2155", "I", "000"),
                 Clocking(kDay, "2230", "O", "000"), Clocking(kNextDay, "0610", "O", "000"),
                 Clocking(kNextDay, "1405", "O", "000")});
     },
     At(kDay, "2155"),
     At(kNextDay, "0610"),
     {{&TAT_Attend::In, "2155"}, {&TAT_Attend::Out, "0610"}}},
    // Midnight shift: In_lower 2300 lies after the start 0000, so it is taken on D-1.
    {"DataWindowInLowerOnPreviousDay",
     'O',
     [](StaffDay& s) {
         s.emp.ShiftDataWindow = true;
         s.emp.SysIn = "0000", s.emp.SysOut = "0800";
         s.emp.In_lower = "2300", s.emp.In_upper = "0100", s.emp.Out_lower = "0700", s.emp.Out_upper = "0900";
         Raw(s, {Clocking(kDay, "2350", "I", "000"), Clocking(kPrevDay, "2350", "I", "000"),
                 Clocking(kDay, "0805", "O", "000")});
     },
     At(kPrevDay, "2350"),
     At(kDay, "0805"),
     {{&TAT_Attend::In, "2350"}, {&TAT_Attend::Out, "0805"}}},
    // In_upper 0030 lies before the start 2200: taken on D+1.
    {"DataWindowInUpperOnNextDay",
     'O',
     [](StaffDay& s) {
         NightShiftWindows(s);
         s.emp.In_upper = "0030";
         Raw(s, {Clocking(kNextDay, "0010", "I", "000"), Clocking(kNextDay, "0555", "O", "000")});
     },
     At(kNextDay, "0010"),
     At(kNextDay, "0555"),
     {{&TAT_Attend::In, "0010"}, {&TAT_Attend::Out, "0555"}}},
    {"DataWindowDayShift",
     'O',
     [](StaffDay& s) {
         s.emp.ShiftDataWindow = true;
         Raw(s, {Clocking(kDay, "0725", "I", "000"), Clocking(kDay, "0740", "I", "000"),
                 Clocking(kDay, "1650", "O", "000"), Clocking(kDay, "1845", "O", "000"),
                 Clocking(kDay, "1905", "O", "000")});
     },
     At(kDay, "0740"),
     At(kDay, "1845"),
     {{&TAT_Attend::In, "0740"}, {&TAT_Attend::Out, "1845"}}},
    {"DataWindowEqualBoundsHoldOneMinute",
     'O',
     [](StaffDay& s) {
         s.emp.ShiftDataWindow = true;
         s.emp.In_lower = "0800", s.emp.In_upper = "0800";
         Raw(s, {Clocking(kDay, "1000", "I", "000")});
     },
     At(kNextDay, "    "),
     At(kDay, "    "),
     {{&TAT_Attend::In, "    "}}},
    // Half-day leave under overtime mode "E": both windows run D 0730..1900.
    {"HalfDayLeaveWindowsSpanTheDay",
     'O',
     [](StaffDay& s) {
         s.emp.ShiftDataWindow = true;
         s.emp.HalfDayLeave = "Y";
         s.emp.OTEntry.OTMode = "E";
         Raw(s, {Clocking(kDay, "0800", "I", "000"), Clocking(kDay, "1200", "O", "000")});
     },
     At(kDay, "0800"),
     At(kDay, "1200"),
     {{&TAT_Attend::In, "0800"}, {&TAT_Attend::Out, "1200"}}},
    {"HalfDayLeaveWithoutModeEKeepsWindows",
     'O',
     [](StaffDay& s) {
         s.emp.ShiftDataWindow = true;
         s.emp.HalfDayLeave = "Y";
         Raw(s, {Clocking(kDay, "0800", "I", "000"), Clocking(kDay, "1200", "O", "000")});
     },
     At(kDay, "0800"),
     At(kDay, "    "),
     {{&TAT_Attend::In, "0800"}, {&TAT_Attend::Out, "    "}}},

    // Fixed ranges: In window D 0700..0900, Out window D 1700..1900.
    {"InRangeWindows",
     'O',
     [](StaffDay& s) {
         Ranges(s, "0700", "0900", "1700", "1900");
         Raw(s, {Clocking(kDay, "0650", "I", "000"), Clocking(kDay, "0705", "I", "000"),
                 Clocking(kDay, "1650", "O", "000"), Clocking(kDay, "1830", "O", "000"),
                 Clocking(kDay, "1905", "O", "000")});
     },
     At(kDay, "0705"),
     At(kDay, "1830"),
     {{&TAT_Attend::In, "0705"}, {&TAT_Attend::Out, "1830"}}},
    // Equal range ends: the upper end moves to D+1 (D 0800..D+1 0800).
    {"InRangeEqualEndsSpanADay",
     'O',
     [](StaffDay& s) {
         Ranges(s, "0800", "0800", "1700", "1900");
         Raw(s, {Clocking(kDay, "1000", "I", "000")});
     },
     At(kDay, "1000"),
     At(kDay, "    "),
     {{&TAT_Attend::In, "1000"}}},
    {"InRangeNightOutOnNextDay",
     'O',
     [](StaffDay& s) {
         s.emp.SysIn = "2200", s.emp.SysOut = "0600";
         Ranges(s, "2100", "2300", "0500", "0700");
         Raw(s, {Clocking(kDay, "2130", "I", "000"), Clocking(kDay, "0630", "O", "000"),
                 Clocking(kNextDay, "0630", "O", "000")});
     },
     At(kDay, "2130"),
     At(kNextDay, "0630"),
     {{&TAT_Attend::In, "2130"}, {&TAT_Attend::Out, "0630"}}},
    {"DataWindowWinsOverInRange",
     'O',
     [](StaffDay& s) {
         s.emp.ShiftDataWindow = true;
         Ranges(s, "0600", "0900", "1700", "1900");
         Raw(s, {Clocking(kDay, "0650", "I", "000"), Clocking(kDay, "0745", "I", "000")});
     },
     At(kDay, "0745"),
     At(kDay, "    "),
     {{&TAT_Attend::In, "0745"}}},

    // Break 1: leave window D 0945..1015, return window D 1000..1030.
    {"Break1Coded",
     '1',
     [](StaffDay& s) {
         Raw(s, {Clocking(kDay, "0800", "I", "000"), Clocking(kDay, "0950", "O", "003"),
                 Clocking(kDay, "1020", "I", "003"), Clocking(kDay, "1025", "I", "003")});
     },
     At(kDay, "1020"),
     At(kDay, "0950"),
     {{&TAT_Attend::B1Out, "0950"}, {&TAT_Attend::B1In, "1020"}}},
    // Start 0000: leave window D 2330..D+1 0030, return window D 2345..D+1 0100.
    {"Break1AcrossMidnight",
     '1',
     [](StaffDay& s) {
         s.emp.SysIn = "0000", s.emp.SysOut = "0800";
         s.emp.Break1Out_lower = "2330", s.emp.Break1Out_upper = "0030";
         s.emp.Break1In_lower = "2345", s.emp.Break1In_upper = "0100";
         Raw(s, {Clocking(kDay, "2340", "O", "003"), Clocking(kNextDay, "0050", "I", "003")});
     },
     At(kNextDay, "0050"),
     At(kDay, "2340"),
     {{&TAT_Attend::B1Out, "2340"}, {&TAT_Attend::B1In, "0050"}}},
    // Night shift: a break at 0150 lies before the start 2200 and is looked for on D+1.
    {"Break1AfterMidnightOfNightShift",
     '1',
     [](StaffDay& s) {
         s.emp.SysIn = "2200", s.emp.SysOut = "0600";
         s.emp.Break1Out_lower = "0145", s.emp.Break1Out_upper = "0215";
         s.emp.Break1In_lower = "0200", s.emp.Break1In_upper = "0230";
         Raw(s, {Clocking(kDay, "0150", "O", "003"), Clocking(kNextDay, "0150", "O", "003"),
                 Clocking(kNextDay, "0220", "I", "003")});
     },
     At(kNextDay, "0220"),
     At(kNextDay, "0150"),
     {{&TAT_Attend::B1Out, "0150"}, {&TAT_Attend::B1In, "0220"}}},
    // Break 1 as early overtime: the bounds stay on D, even before the start of the shift.
    {"EarlyOvertimeWindowsOnTheDay",
     'V',
     [](StaffDay& s) {
         s.emp.SysIn = "2200", s.emp.SysOut = "0600";
         s.emp.Break1Out_lower = "0600", s.emp.Break1Out_upper = "0700";
         s.emp.Break1In_lower = "0700", s.emp.Break1In_upper = "0800";
         Raw(s, {Clocking(kDay, "0630", "O", "003"), Clocking(kDay, "0745", "I", "003"),
                 Clocking(kNextDay, "0640", "O", "003")});
     },
     At(kDay, "0745"),
     At(kDay, "0630"),
     {{&TAT_Attend::EarlyOT_Out, "0630"}, {&TAT_Attend::EarlyOT_In, "0745"}, {&TAT_Attend::B1Out, "    "}}},
    // Break 2 without codes: leave window D 1500..1530, return window D 1515..1545.
    {"Break2IgnoreInOut",
     '2',
     [](StaffDay& s) {
         IgnoreInOut(s);
         Raw(s, {Clocking(kDay, "1510", "I", "000"), Clocking(kDay, "1540", "O", "000")});
     },
     At(kDay, "1540"),
     At(kDay, "1510"),
     {{&TAT_Attend::B2Out, "1510"}, {&TAT_Attend::B2In, "1540"}}},

    // Meal: leave window D 1130..1230, return window D 1230..1330.
    {"MealCoded",
     'L',
     [](StaffDay& s) {
         Raw(s, {Clocking(kDay, "1205", "O", "002"), Clocking(kDay, "1258", "I", "002"),
                 Clocking(kDay, "1210", "O", "000")});
     },
     At(kDay, "1258"),
     At(kDay, "1205"),
     {{&TAT_Attend::Out_Meal, "1205"}, {&TAT_Attend::In_Meal, "1258"}}},
    // Overlapping windows D 1130..1300 and D 1200..1330: both swipes lie in both.
    {"MealIgnoreInOutEnforcesOrder",
     'L',
     [](StaffDay& s) {
         IgnoreInOut(s);
         s.emp.LunchOut_upper = "1300", s.emp.LunchIn_lower = "1200";
         Raw(s, {Clocking(kDay, "1205", "I", "000"), Clocking(kDay, "1258", "O", "000")});
     },
     At(kDay, "1258"),
     At(kDay, "1205"),
     {{&TAT_Attend::Out_Meal, "1205"}, {&TAT_Attend::In_Meal, "1258"}}},
    {"MealHalfDayLeaveModeE",
     'L',
     [](StaffDay& s) {
         s.emp.HalfDayLeave = "Y";
         s.emp.OTEntry.OTMode = "E";
         Raw(s, {Clocking(kDay, "1205", "O", "002"), Clocking(kDay, "1258", "I", "002")});
     },
     At(kDay, "1258"),
     At(kDay, "1205"),
     {{&TAT_Attend::Out_Meal, ""}, {&TAT_Attend::In_Meal, ""}}},

    // Overtime mode "C" without data window: both windows D 0000..D+1 0800.
    {"CodedOvertimeUntilNextMorning",
     'T',
     [](StaffDay& s) {
         Raw(s, {Clocking(kDay, "1800", "I", "001"), Clocking(kNextDay, "0730", "O", "001"),
                 Clocking(kNextDay, "0805", "O", "001"), Clocking(kDay, "1900", "O", "000")});
     },
     At(kDay, "1800"),
     At(kNextDay, "0730"),
     {{&TAT_Attend::OT_In, "1800"}, {&TAT_Attend::OT_Out, "0730"}}},
    // With data window: In D 1745..1815, Out D 1900..2200.
    {"CodedOvertimeDataWindow",
     'T',
     [](StaffDay& s) {
         s.emp.ShiftDataWindow = true;
         Raw(s, {Clocking(kDay, "1740", "I", "001"), Clocking(kDay, "1750", "I", "001"),
                 Clocking(kDay, "2015", "O", "001"), Clocking(kDay, "2230", "O", "001")});
     },
     At(kDay, "1750"),
     At(kDay, "2015"),
     {{&TAT_Attend::OT_In, "1750"}, {&TAT_Attend::OT_Out, "2015"}}},
    {"TavroFiloOvertimeStartsAtSchedule",
     'T',
     [](StaffDay& s) {
         s.ctx.settings.tavro.FILO = true;
         Raw(s, {Clocking(kDay, "2015", "O", "001")});
     },
     At(kDay, "1800"),
     At(kDay, "2015"),
     {{&TAT_Attend::OT_In, "1800"}, {&TAT_Attend::OT_Out, "2015"}}},
    {"TavroFiloWithoutOvertimeOut",
     'T',
     [](StaffDay& s) {
         s.ctx.settings.tavro.FILO = true;
         Raw(s, {Clocking(kDay, "1750", "I", "001")});
     },
     At(kDay, "1750"),
     At(kDay, "    "),
     {{&TAT_Attend::OT_In, "    "}, {&TAT_Attend::OT_Out, "    "}}},
    // Mode "E" with ranges: In D 1730..1830, Out D 1900..D+1 0200; only clockings without a job code.
    {"RangedOvertimeEmptyJobCode",
     'E',
     [](StaffDay& s) {
         Ranges(s, "0700", "0900", "1700", "1900");
         s.ctx.derived.ranges.otInFrom = "1730", s.ctx.derived.ranges.otInTo = "1830";
         s.ctx.derived.ranges.otOutFrom = "1900", s.ctx.derived.ranges.otOutTo = "0200";
         Raw(s, {Clocking(kDay, "1800", "I", "001"), Clocking(kDay, "1745", "I", ""),
                 Clocking(kNextDay, "0130", "O", ""), Clocking(kNextDay, "0210", "O", "")});
     },
     At(kDay, "1745"),
     At(kNextDay, "0130"),
     {{&TAT_Attend::OT_In, "1745"}, {&TAT_Attend::OT_Out, "0130"}}},
    // No ranges: In window D..D holds nothing, Out window D..D+1 holds all of D.
    {"RangedOvertimeWithoutRanges",
     'E',
     [](StaffDay& s) {
         Raw(s, {Clocking(kDay, "1800", "I", ""), Clocking(kDay, "2300", "O", "")});
     },
     At(kNextDay, "    "),
     At(kDay, "2300"),
     {{&TAT_Attend::OT_In, "    "}, {&TAT_Attend::OT_Out, "2300"}}},
    {"RangedOvertimeDataWindowIgnoreInOut",
     'E',
     [](StaffDay& s) {
         IgnoreInOut(s);
         s.emp.ShiftDataWindow = true;
         Raw(s, {Clocking(kDay, "1750", "O", "001"), Clocking(kDay, "2015", "I", "000")});
     },
     At(kDay, "1750"),
     At(kDay, "2015"),
     {{&TAT_Attend::OT_In, "1750"}, {&TAT_Attend::OT_Out, "2015"}}},

    // Malformed clocking times never match a well-formed window.
    {"MalformedTimesSkipped",
     'O',
     [](StaffDay& s) {
         Raw(s, {Clocking(kDay, "", "I", "000"), Clocking(kDay, "83", "I", "000"), Clocking(kDay, "ab12", "I", "000"),
                 Clocking(kDay, "0800", "I", "000")});
     },
     At(kDay, "0800"),
     At(kDay, "    "),
     {{&TAT_Attend::In, "0800"}}},
    // A blank start of shift builds no window around it.
    {"BlankShiftStartMatchesNothing",
     'O',
     [](StaffDay& s) {
         s.emp.SysIn = "    ";
         Raw(s, {Clocking(kDay, "0800", "I", "000")});
     },
     At(kNextDay, "    "),
     At(kDay, "    "),
     {{&TAT_Attend::In, "    "}}},
};

class GetFILOCases : public testing::TestWithParam<FiloCase> {};

TEST_P(GetFILOCases, ChoosesFirstInAndLastOut) {
    const FiloCase& c = GetParam();
    StaffDay s;
    c.setup(s);
    Stamp tIn, tOut;
    GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, c.kind);
    EXPECT_EQ(tIn, c.tIn);
    EXPECT_EQ(tOut, c.tOut);
    for (const auto& [field, value] : c.results) EXPECT_EQ(s.attend.*field, value);
    EXPECT_FALSE(s.day.editedMark);
}

INSTANTIATE_TEST_SUITE_P(Kinds, GetFILOCases, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FiloCase>& info) { return info.param.name; });

// --- Formula inputs and the day's flags ---------------------------------------

TEST(GetFILOWork, SetsWorkStampsAndHalfDayFlag) {
    StaffDay s;
    s.emp.SysIn = "2200", s.emp.SysOut = "0600";
    s.emp.HalfDayLeave = "Y";
    s.emp.RawData = {Clocking(kDay, "2158", "I", "000"), Clocking(kNextDay, "0602", "O", "000")};
    Stamp tIn, tOut;
    GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'O');
    EXPECT_EQ(s.day.inputs.WKO - s.day.inputs.WKI, 8 * 60 + 4);
    EXPECT_GT(s.day.inputs.WKI, 0);
    EXPECT_TRUE(s.day.inputs.WorkHalfDay);
    EXPECT_TRUE(s.Logged("  In Time=2158  Out Time= 0602  WorkHalfday=true"));
}

TEST(GetFILOWork, HalfDayFlagNeedsBothEnds) {
    for (const bool halfDayLeave : {true, false}) {
        StaffDay s;
        s.emp.HalfDayLeave = halfDayLeave ? "Y" : "N";
        s.emp.RawData = {Clocking(kDay, "0800", "I", "000")};
        Stamp tIn, tOut;
        GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'O');
        EXPECT_FALSE(s.day.inputs.WorkHalfDay);
        EXPECT_GT(s.day.inputs.WKI, 0);
        EXPECT_EQ(s.day.inputs.WKO, 0);
    }
}

TEST(GetFILOWork, NoClockingsLeaveStampsAtZero) {
    StaffDay s;
    s.day.inputs.WKI = 5;  // replaced, not kept
    Stamp tIn, tOut;
    GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'O');
    EXPECT_EQ(s.day.inputs.WKI, 0);
    EXPECT_EQ(s.day.inputs.WKO, 0);
}

struct OvertimeFlagCase {
    const char* in;
    const char* out;
    bool filo;
    const char* otTime;  // the one overtime clocking, "O"
    bool wkioto;
};

TEST(GetFILOOvertime, WorkInAndOvertimeOutOnly) {
    const OvertimeFlagCase cases[] = {
        {"0800", "    ", false, "2015", true},   // work-out missing
        {"0800", "1730", false, "2015", true},   // overtime-in missing
        {"    ", "1730", false, "2015", false},  // no work-in
        {"0800", "1730", true, "2015", false},   // FILO supplies the overtime-in
        {"0800", "    ", true, "2015", true},   {"0800", "    ", false, nullptr, false},  // no overtime-out
    };
    for (const auto& c : cases) {
        StaffDay s;
        s.ctx.settings.tavro.FILO = c.filo;
        s.attend.In = c.in;
        s.attend.Out = c.out;
        if (c.otTime) s.emp.RawData = {Clocking(kDay, c.otTime, "O", "001")};
        Stamp tIn, tOut;
        GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'T');
        EXPECT_EQ(s.day.inputs.WKIOTO, c.wkioto) << c.in << "/" << c.out << " FILO " << c.filo;
    }
}

// --- Edited mark ---------------------------------------------------------------

TEST(GetFILOEdited, ChosenEditedClockingSetsTheMark) {
    struct Case {
        std::vector<TCD_Source> raw;
        bool marked;
    };
    const Case cases[] = {
        {{Clocking(kDay, "0755", "I", "000", "Y"), Clocking(kDay, "1731", "O", "000")}, true},
        {{Clocking(kDay, "0755", "I", "000"), Clocking(kDay, "1731", "O", "000", "Y")}, true},
        // The edited clocking is not the one chosen.
        {{Clocking(kDay, "0758", "I", "000", "Y"), Clocking(kDay, "0755", "I", "000")}, false},
        // Same stamp as the chosen one, on another letter: the stamp decides.
        {{Clocking(kDay, "0755", "I", "000"), Clocking(kDay, "0755", "X", "000", "Y")}, true},
        {{Clocking(kDay, "0755", "I", "000", "N")}, false},
    };
    for (const auto& c : cases) {
        StaffDay s;
        s.emp.RawData = c.raw;
        Stamp tIn, tOut;
        GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'O');
        EXPECT_EQ(s.day.editedMark, c.marked) << tIn << "/" << tOut;
    }
}

TEST(GetFILOEdited, MarkIsNeverCleared) {
    StaffDay s;
    s.day.editedMark = true;
    s.emp.RawData = {Clocking(kDay, "0755", "I", "000")};
    Stamp tIn, tOut;
    GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'O');
    EXPECT_TRUE(s.day.editedMark);
}

TEST(GetFILOEdited, BlankEditedTimeIsNoChoice) {
    StaffDay s;
    s.emp.RawData = {Clocking(kDay, "    ", "O", "000", "Y")};
    Stamp tIn, tOut;
    GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'O');
    EXPECT_EQ(tOut, At(kDay, "    "));
    EXPECT_FALSE(s.day.editedMark);
}

// --- Failures and log lines ------------------------------------------------------

TEST(GetFILOFailure, WorkRangeOffsetMustBeNumeric) {
    for (const char* offset : {"abcd0480", "", "0480"}) {
        StaffDay s;
        s.emp.WorkRangeOffset = offset;
        Stamp tIn, tOut;
        EXPECT_THROW(GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'O'), stamps::StampError) << offset;
    }
    StaffDay s;  // not read when the shift brings its windows
    s.emp.WorkRangeOffset = "";
    s.emp.ShiftDataWindow = true;
    Stamp tIn, tOut;
    EXPECT_NO_THROW(GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'O'));
}

TEST(GetFILOFailure, NonDigitChosenTimeGivesZeroStamp) {
    StaffDay s;
    s.ctx.settings.options.IgnoreInOutCOde = true;
    // "20260310ab12" sorts inside the Out window D 0930..D+1 0130.
    s.emp.RawData = {Clocking(kDay, "0800", "I", "000"), Clocking(kDay, "ab12", "O", "000")};
    Stamp tIn, tOut;
    GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'O');
    EXPECT_EQ(s.attend.Out, "ab12");
    EXPECT_EQ(s.day.inputs.WKO, 0);
    EXPECT_TRUE(s.Logged("'ab' is not a valid integer value"));
}

TEST(GetFILOLog, TracesSkippedClockingsAboveLevel10) {
    StaffDay s;
    s.emp.RawData = {Clocking(kDay, "0750", "I", "002"), Clocking(kDay, "1700", "I", "000")};
    Stamp tIn, tOut;
    GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'O');
    EXPECT_TRUE(s.Logged("    202603100750 I 002 : Job Code Error [000]"));
    EXPECT_TRUE(s.Logged("    202603101700 I : Wrong code or Out of In  range [202603100000, 202603101600]"));
    EXPECT_TRUE(s.Logged("    Out Range = 202603100930 to 202603110130  JCode=[000]"));
    EXPECT_TRUE(s.Logged("GetFILO End"));

    StaffDay quiet;
    quiet.ctx.settings.options.ATA_Details = 10;
    quiet.ctx.log.SetDetailThreshold(10);
    quiet.emp.RawData = s.emp.RawData;
    GetFILO(quiet.ctx, quiet.day, quiet.emp, tIn, tOut, quiet.attend, 'O');
    EXPECT_TRUE(quiet.Lines().empty());
}

TEST(GetFILOLog, NamesTheWindowSource) {
    StaffDay s;
    s.emp.ShiftDataWindow = true;
    Stamp tIn, tOut;
    GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'O');
    EXPECT_TRUE(s.Logged("  Datawindow=true"));

    StaffDay r;
    Ranges(r, "0700", "0900", "1700", "1900");
    GetFILO(r.ctx, r.day, r.emp, tIn, tOut, r.attend, 'O');
    EXPECT_TRUE(r.Logged("  Based on InRange=0700-0900,OutRange=1700-1900, etc"));
}

// --- Flexible meal hours -----------------------------------------------------------

struct FlexCase {
    const char* name;
    std::function<void(StaffDay&)> setup;
    std::string tIn;   // return from the meal
    std::string tOut;  // start of the meal
    const char* outMeal;
    const char* inMeal;
};

// Shift 0800-1730, offsets 60 and 60: a meal swipe counts from 0901 to 1629.
const std::vector<FlexCase> kFlexCases = {
    {"Coded",
     [](StaffDay& s) {
         s.emp.RawData = {Clocking(kDay, "0800", "I", "000"), Clocking(kDay, "0900", "O", "002"),
                          Clocking(kDay, "1210", "O", "002"), Clocking(kDay, "1255", "I", "002"),
                          Clocking(kDay, "1300", "I", "000"), Clocking(kDay, "1730", "O", "000")};
     },
     At(kDay, "1255"), At(kDay, "1210"), "1210", "1255"},
    {"IgnoreInOut",
     [](StaffDay& s) {
         IgnoreInOut(s);
         s.emp.RawData = {Clocking(kDay, "0800", "I", "000"), Clocking(kDay, "1255", "O", "000"),
                          Clocking(kDay, "1210", "I", "000"), Clocking(kDay, "1730", "O", "000")};
     },
     At(kDay, "1255"), At(kDay, "1210"), "1210", "1255"},
    {"IgnoreInOutOneSwipe",
     [](StaffDay& s) {
         IgnoreInOut(s);
         s.emp.RawData = {Clocking(kDay, "1210", "I", "000")};
     },
     At(kDay, "1210"), At(kDay, "    "), "    ", "1210"},
    {"IgnoreInOutSameMinuteMerged",
     [](StaffDay& s) {
         IgnoreInOut(s);
         s.ctx.settings.reprocessing.IgnoreSameMinClocking = true;
         s.emp.RawData = {Clocking(kDay, "1210", "I", "000"), Clocking(kDay, "1210", "O", "000")};
     },
     At(kDay, "1210"), At(kDay, "    "), "    ", "1210"},
    {"IgnoreInOutSameMinuteKept",
     [](StaffDay& s) {
         IgnoreInOut(s);
         s.emp.RawData = {Clocking(kDay, "1210", "I", "000"), Clocking(kDay, "1210", "O", "000")};
     },
     At(kDay, "1210"), At(kDay, "1210"), "1210", "1210"},
    {"NoClockings", [](StaffDay&) {}, At(kDay, "    "), At(kDay, "    "), "    ", "    "},
    {"NightShiftMealAfterMidnight",
     [](StaffDay& s) {
         s.emp.SysIn = "2200", s.emp.SysOut = "0600";
         s.emp.RawData = {Clocking(kNextDay, "0200", "O", "002"), Clocking(kNextDay, "0230", "I", "002")};
     },
     At(kNextDay, "0230"), At(kNextDay, "0200"), "0200", "0230"},
};

class FlexibleMealCases : public testing::TestWithParam<FlexCase> {};

TEST_P(FlexibleMealCases, ChoosesMealWellInsideTheShift) {
    const FlexCase& c = GetParam();
    StaffDay s;
    s.ctx.settings.options.FlexibleMealHour = true;
    c.setup(s);
    Stamp tIn, tOut;
    GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'L');
    EXPECT_EQ(tIn, c.tIn);
    EXPECT_EQ(tOut, c.tOut);
    EXPECT_EQ(s.attend.Out_Meal, c.outMeal);
    EXPECT_EQ(s.attend.In_Meal, c.inMeal);
    EXPECT_TRUE(s.Logged("FlexiMeal Enabled."));
}

INSTANTIATE_TEST_SUITE_P(Meals, FlexibleMealCases, testing::ValuesIn(kFlexCases),
                         [](const testing::TestParamInfo<FlexCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kx
