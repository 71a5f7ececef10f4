#include "assembly/copy_emp_ptr.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/test_db.h"

namespace kx {
namespace {

TAT_Emp SystemTemplate() {
    TAT_Emp t;
    t.Name = "Ada";
    t.CardNo = "000123";
    t.ScCode = "S";
    t.BrCode = "B";
    t.DpCode = "D";
    t.CpCode = "C";
    t.In_lower = "0800", t.SysIn = "0830", t.In_upper = "0900";
    t.Out_lower = "1700", t.SysOut = "1730", t.Out_upper = "1800";
    t.LunchOut_lower = "1130", t.LunchOut = "1200", t.LunchOut_upper = "1230";
    t.LunchIn_lower = "1230", t.LunchIn = "1300", t.LunchIn_upper = "1330";
    t.Break1Out = "1000", t.Break2In_upper = "1545";
    t.WorkJobCode = "000", t.MealJobCode = "002", t.B1JobCode = "003", t.B2JobCode = "004";
    t.WorkRangeOffset = "04800480";
    t.OTEntry = {"A", "30", "001", "45", "15", "OT formula"};
    t.DataSource = "D";
    t.WorkFormula = "work formula";
    t.FlexibleWorkHour = "Y";
    return t;
}

struct WeekdayCase {
    const char* name;
    const char* date;
    const char* sat;       // SatInOutTime
    const char* fri;       // FriInOutTime
    const char* friLunch;  // FriLunchInOutTime
    int satOTOffset;
    // expected In_lower SysIn In_upper Out_lower SysOut Out_upper
    std::array<const char*, 6> work;
    // expected LunchOut_lower LunchOut LunchOut_upper LunchIn_lower LunchIn LunchIn_upper
    std::array<const char*, 6> meal;
    const char* otOffset;
};

class CopyEmpPtrTest : public ::testing::TestWithParam<WeekdayCase> {};

constexpr std::array<const char*, 6> kTemplateWork{"0800", "0830", "0900", "1700", "1730", "1800"};
constexpr std::array<const char*, 6> kTemplateMeal{"1130", "1200", "1230", "1230", "1300", "1330"};

TEST_P(CopyEmpPtrTest, AppliesTheOverridesOfTheDay) {
    const WeekdayCase& c = GetParam();
    test::TempHome home;
    FakeClock clock;
    AgentContext ctx(home.path(), clock);
    ctx.log.SetDetailThreshold(11);
    ctx.settings.options.SatInOutTime = c.sat;
    ctx.settings.options.FriInOutTime = c.fri;
    ctx.settings.options.FriLunchInOutTime = c.friLunch;
    ctx.settings.options.SatOTOffsetMin = c.satOTOffset;

    TAT_Emp working;
    working.StaffNo = "000001", working.ProcessMode = "T", working.HalfDayLeave = "N";
    working.OTOut = "1900", working.SysInGrace = "5", working.BreakSelect = "X_______";
    CopyEmpPtr(ctx, SystemTemplate(), working, c.date);

    EXPECT_EQ((std::array<std::string, 6>{working.In_lower, working.SysIn, working.In_upper, working.Out_lower,
                                          working.SysOut, working.Out_upper}),
              (std::array<std::string, 6>{c.work[0], c.work[1], c.work[2], c.work[3], c.work[4], c.work[5]}));
    EXPECT_EQ((std::array<std::string, 6>{working.LunchOut_lower, working.LunchOut, working.LunchOut_upper,
                                          working.LunchIn_lower, working.LunchIn, working.LunchIn_upper}),
              (std::array<std::string, 6>{c.meal[0], c.meal[1], c.meal[2], c.meal[3], c.meal[4], c.meal[5]}));
    EXPECT_EQ(working.OTEntry.OTOffset, c.otOffset);

    // Everything else comes from the template, and the fields of the staff-day stay.
    EXPECT_EQ(working.Name + working.CardNo + working.ScCode + working.BrCode + working.DpCode + working.CpCode,
              "Ada000123SBDC");
    EXPECT_EQ(working.Break1Out, "1000");
    EXPECT_EQ(working.Break2In_upper, "1545");
    EXPECT_EQ(working.MealJobCode + working.B1JobCode + working.B2JobCode, "002003004");
    EXPECT_EQ(working.OTEntry.OTMinimumMin + working.OTEntry.OTRoundingMin + working.OTEntry.OTJobcode, "4515001");
    EXPECT_EQ(working.OTEntry.OTFormula + "|" + working.WorkFormula, "OT formula|work formula");
    EXPECT_EQ(working.DataSource + working.FlexibleWorkHour + working.WorkRangeOffset, "DY04800480");
    EXPECT_EQ(working.StaffNo + working.ProcessMode + working.HalfDayLeave + working.OTOut + working.SysInGrace +
                  working.BreakSelect,
              "000001TN19005X_______");

    std::ifstream in(ctx.log.MainLogPath());
    std::stringstream log;
    log << in.rdbuf();
    const bool saturdayTimes = std::string(c.date) == "20240302" && *c.sat;
    EXPECT_EQ(log.str().find("CopyEMP: sys In,Out=" + working.SysIn + ", " + working.SysOut) != std::string::npos,
              saturdayTimes);
}

INSTANTIATE_TEST_SUITE_P(Weekdays, CopyEmpPtrTest,
                         ::testing::Values(WeekdayCase{"SaturdayTimes",
                                                       "20240302",
                                                       "0800-1300",
                                                       "0700-1600",
                                                       "1130-1215",
                                                       15,
                                                       {"0730", "0800", "0830", "1230", "1300", "1330"},
                                                       kTemplateMeal,
                                                       "15"},
                                           WeekdayCase{"SaturdayWithoutOverride", "20240302", "", "0700-1600", "", 0,
                                                       kTemplateWork, kTemplateMeal, "30"},
                                           WeekdayCase{"SaturdayOvernight",
                                                       "20240302",
                                                       "2345-0015",
                                                       "",
                                                       "",
                                                       0,
                                                       {"2315", "2345", "0015", "2345", "0015", "0045"},
                                                       kTemplateMeal,
                                                       "30"},
                                           WeekdayCase{"FridayTimesAndMeal",
                                                       "20240301",
                                                       "0800-1300",
                                                       "0700-1600",
                                                       "1130-1215",
                                                       15,
                                                       {"0630", "0700", "0730", "1530", "1600", "1630"},
                                                       {"1100", "1130", "1200", "1145", "1215", "1245"},
                                                       "30"},
                                           WeekdayCase{"FridayMealOnly",
                                                       "20240301",
                                                       "",
                                                       "",
                                                       "1130-1215",
                                                       0,
                                                       kTemplateWork,
                                                       {"1100", "1130", "1200", "1145", "1215", "1245"},
                                                       "30"},
                                           WeekdayCase{"Monday", "20240304", "0800-1300", "0700-1600", "1130-1215", 15,
                                                       kTemplateWork, kTemplateMeal, "30"}),
                         [](const ::testing::TestParamInfo<WeekdayCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(CopyEmpPtrDate, UndecodableDateThrowsAfterTheCardFields) {
    test::TempHome home;
    FakeClock clock;
    AgentContext ctx(home.path(), clock);
    for (const char* date : {"20240230", "2024030", "2024O304", ""}) {
        TAT_Emp working;
        EXPECT_THROW(CopyEmpPtr(ctx, SystemTemplate(), working, date), std::invalid_argument) << date;
        EXPECT_EQ(working.Name, "Ada");
        EXPECT_EQ(working.SysIn, "");
    }
}

}  // namespace
}  // namespace kx
