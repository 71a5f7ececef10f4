#include <gtest/gtest.h>

#include <string>

#include "engine/day_stamps.h"
#include "engine/get_filo.h"
#include "engine/late_early.h"
#include "engine/staff_day_fixture.h"

namespace kx {
namespace {

using test::kDay;
using test::kNextDay;
using test::StaffDay;

struct LateEarlyCase {
    const char* name;
    const char* sysIn;
    const char* sysOut;
    std::string scheduledOut;  // as the day computation sets it
    const char* graceIn;
    const char* graceOut;
    const char* in;
    const char* out;
    const char* otMode;
    const char* off;
    const char* holiday;
    const char* lateMin;
    const char* late;
    const char* earlyMin;
    const char* early;
};

std::string At(const char* date, const char* time) { return std::string(date) + time; }

const LateEarlyCase kCases[] = {
    {"GraceIsSubtracted", "0830", "1730", At(kDay, "1730"), "5", "0", "0842", "1730", "A", "N", "N", "7", "Y", "0",
     "N"},
    {"WithinGrace", "0830", "1730", At(kDay, "1730"), "5", "0", "0835", "1730", "A", "N", "N", "0", "N", "0", "N"},
    {"EarlyArrival", "0830", "1730", At(kDay, "1730"), "5", "0", "0825", "1730", "A", "N", "N", "0", "N", "0", "N"},
    {"NoIn", "0830", "1730", At(kDay, "1730"), "5", "0", "    ", "1730", "A", "N", "N", "0", "N", "0", "N"},
    {"EarlyLeaving", "0830", "1730", At(kDay, "1730"), "0", "0", "0830", "1715", "A", "N", "N", "0", "N", "15", "Y"},
    {"EarlyLeavingBeyondGrace", "0830", "1730", At(kDay, "1730"), "0", "10", "0830", "1715", "A", "N", "N", "0", "N",
     "5", "Y"},
    {"LeavingLate", "0830", "1730", At(kDay, "1730"), "0", "0", "0830", "1745", "A", "N", "N", "0", "N", "0", "N"},
    {"NoOut", "0830", "1730", At(kDay, "1730"), "0", "0", "0830", "    ", "A", "N", "N", "0", "N", "0", "N"},
    {"NoClockings", "0830", "1730", At(kDay, "1730"), "0", "0", "    ", "    ", "A", "N", "N", "0", "N", "0", "N"},
    {"NightShiftOutAfterMidnight", "2200", "0600", At(kNextDay, "0600"), "0", "0", "2158", "0545", "A", "N", "N", "0",
     "N", "15", "Y"},
    {"NightShiftLateAndEarly", "2200", "0600", At(kNextDay, "0600"), "0", "0", "2220", "0500", "A", "N", "N", "20", "Y",
     "60", "Y"},
    {"OffDayCancels", "0830", "1730", At(kDay, "1730"), "0", "0", "0900", "1700", "A", "Y", "N", "0", "N", "0", "N"},
    {"HolidayCancels", "0830", "1730", At(kDay, "1730"), "0", "0", "0900", "1700", "C", "N", "Y", "0", "N", "0", "N"},
    {"ModeECountsOnOffDays", "0830", "1730", At(kDay, "1730"), "0", "0", "0900", "1700", "E", "Y", "Y", "30", "Y", "30",
     "Y"},
};

class CalLateEarlyCases : public testing::TestWithParam<LateEarlyCase> {};

TEST_P(CalLateEarlyCases, MeasuresAgainstTheShift) {
    const LateEarlyCase& c = GetParam();
    StaffDay s;
    s.emp.SysIn = c.sysIn;
    s.emp.SysOut = c.sysOut;
    s.day.scheduledIn = At(kDay, c.sysIn);
    s.day.scheduledOut = c.scheduledOut;
    s.emp.SysInGrace = c.graceIn;
    s.emp.SysOutGrace = c.graceOut;
    s.emp.OTEntry.OTMode = c.otMode;
    s.attend.In = c.in;
    s.attend.Out = c.out;
    s.attend.Off = c.off;
    s.attend.Holiday = c.holiday;
    CalLateEarly(s.ctx, s.day, s.emp, s.attend);
    EXPECT_EQ(s.attend.LateMin, c.lateMin);
    EXPECT_EQ(s.attend.Late, c.late);
    EXPECT_EQ(s.attend.EarlyMin, c.earlyMin);
    EXPECT_EQ(s.attend.Early, c.early);
}

INSTANTIATE_TEST_SUITE_P(Days, CalLateEarlyCases, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<LateEarlyCase>& info) { return info.param.name; });

TEST(CalLateEarly, WritesItsTraceLines) {
    StaffDay s;
    s.day.scheduledOut = At(kDay, "1730");
    s.attend.In = "0812";
    s.attend.Out = "1715";
    s.attend.Off = "Y";
    CalLateEarly(s.ctx, s.day, s.emp, s.attend);
    EXPECT_TRUE(s.Logged("SysIn=202603100800  In=202603100812  Late In=Y (12 min)"));
    EXPECT_TRUE(s.Logged("SysOut=202603101730  Out=202603101715 Early Out=Y (15 min)"));
    EXPECT_TRUE(s.Logged("No late/early for offday/holiday"));
    EXPECT_EQ(s.attend.Late, "N");
}

TEST(CalLateEarly, NonNumericGraceFailsOnlyWhenNeeded) {
    StaffDay late;
    late.day.scheduledOut = At(kDay, "1730");
    late.emp.SysInGrace = "5m";
    late.attend.In = "0812";
    late.attend.Out = "1730";
    EXPECT_THROW(CalLateEarly(late.ctx, late.day, late.emp, late.attend), stamps::StampError);

    StaffDay onTime;  // no lateness to reduce: the grace is never read
    onTime.day.scheduledOut = At(kDay, "1730");
    onTime.emp.SysInGrace = "5m";
    onTime.attend.In = "0800";
    onTime.attend.Out = "1730";
    EXPECT_NO_THROW(CalLateEarly(onTime.ctx, onTime.day, onTime.emp, onTime.attend));
    EXPECT_EQ(onTime.attend.LateMin, "0");
}

struct MealCase {
    const char* name;
    const char* sysIn;
    const char* lunchOut;
    const char* lunchIn;
    std::string tIn;   // return from the meal
    std::string tOut;  // start of the meal
    const char* lateMin;
    const char* earlyMin;
};

const MealCase kMealCases[] = {
    {"LateAndEarly", "0800", "1200", "1300", At(kDay, "1310"), At(kDay, "1155"), "10", "5"},
    {"WithinSchedule", "0800", "1200", "1300", At(kDay, "1255"), At(kDay, "1205"), "0", "0"},
    {"NoMealClockings", "0800", "1200", "1300", At(kNextDay, "    "), At(kDay, "    "), "0", "0"},
    {"OnlyTheReturn", "0800", "1200", "1300", At(kDay, "1320"), At(kDay, "    "), "20", "0"},
    // The scheduled meal of a night shift after midnight lies on D+1 like its windows.
    {"NightShiftAfterMidnight", "2200", "0200", "0230", At(kNextDay, "0245"), At(kNextDay, "0150"), "15", "10"},
};

class CalBreaksLateEarlyCases : public testing::TestWithParam<MealCase> {};

TEST_P(CalBreaksLateEarlyCases, MeasuresTheMealWithoutGrace) {
    const MealCase& c = GetParam();
    StaffDay s;
    s.emp.SysIn = c.sysIn;
    s.emp.LunchOut = c.lunchOut;
    s.emp.LunchIn = c.lunchIn;
    s.emp.SysInGrace = "30";  // applies to work only
    CalBreaksLateEarly(s.ctx, s.day, s.emp, s.attend, c.tIn, c.tOut);
    EXPECT_EQ(s.attend.MealLateMin, c.lateMin);
    EXPECT_EQ(s.attend.MealEarlyMin, c.earlyMin);
}

INSTANTIATE_TEST_SUITE_P(Meals, CalBreaksLateEarlyCases, testing::ValuesIn(kMealCases),
                         [](const testing::TestParamInfo<MealCase>& info) { return info.param.name; });

TEST(CalBreaksLateEarly, TracesWhenDetailsAreOn) {
    StaffDay s;
    CalBreaksLateEarly(s.ctx, s.day, s.emp, s.attend, At(kDay, "1310"), At(kDay, "1155"));
    EXPECT_TRUE(
        s.Logged("CalBreaksLateEarly: Tin,Tout,DefIn,DefOut202603101310,202603101155,202603101300,202603101200"));
    EXPECT_TRUE(s.Logged("CalBreaksLateEarly: LIn.min, EOut.min=10,5"));

    StaffDay quiet;
    quiet.ctx.settings.options.ATA_Details = 0;
    CalBreaksLateEarly(quiet.ctx, quiet.day, quiet.emp, quiet.attend, At(kDay, "1310"), At(kDay, "1155"));
    EXPECT_TRUE(quiet.Lines().empty());
}

// Without codes both meal swipes lie in both windows (D 1130..1330): the
// earlier one is the going out, also for the measurement.
TEST(CalBreaksLateEarly, AfterMealSelectionWithoutCodes) {
    StaffDay s;
    s.ctx.settings.options.IgnoreInOutCOde = true;
    s.emp.LunchOut_upper = "1330", s.emp.LunchIn_lower = "1130";
    s.emp.RawData = {test::Clocking(kDay, "1150", "I", "000"), test::Clocking(kDay, "1310", "O", "000")};
    Stamp tIn, tOut;
    GetFILO(s.ctx, s.day, s.emp, tIn, tOut, s.attend, 'L');
    CalBreaksLateEarly(s.ctx, s.day, s.emp, s.attend, tIn, tOut);
    EXPECT_EQ(s.attend.Out_Meal, "1150");
    EXPECT_EQ(s.attend.In_Meal, "1310");
    EXPECT_EQ(s.attend.MealEarlyMin, "10");
    EXPECT_EQ(s.attend.MealLateMin, "10");
}

}  // namespace
}  // namespace kx
