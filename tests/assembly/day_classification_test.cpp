#include "assembly/day_classification.h"

#include <gtest/gtest.h>

#include "assembly/clock_date_window.h"
#include "assembly/off_day.h"
#include "shift_db_fixture.h"

namespace kx {
namespace {

using std::chrono::year_month_day;

year_month_day Ymd(int y, unsigned m, unsigned d) {
    return year_month_day{std::chrono::year{y}, std::chrono::month{m}, std::chrono::day{d}};
}

TEST(SaturdayRules, AlternateSaturdaysAreTheFirstAndThird) {
    struct Case {
        year_month_day date;
        bool expected;
    };
    const Case cases[] = {
        {Ymd(2024, 6, 1), true},   {Ymd(2024, 6, 15), true},  {Ymd(2024, 6, 8), false},   // 1st is a Saturday
        {Ymd(2024, 9, 7), true},   {Ymd(2024, 9, 21), true},  {Ymd(2024, 9, 14), false},  // 1st is a Sunday
        {Ymd(2020, 2, 1), true},   {Ymd(2020, 2, 29), false}, {Ymd(2024, 3, 16), true},
        {Ymd(2024, 3, 17), false}, {Ymd(2025, 1, 4), true},   {Ymd(2024, 12, 28), false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsAlternateSaturday(c.date), c.expected) << DateText(c.date);
}

TEST(SaturdayRules, MonthlyOffDayCountsFromTheWeekOfTheFirst) {
    struct Case {
        int n;
        year_month_day date;
        bool expected;
    };
    const Case cases[] = {
        // Saturdays: every one of the month, a fifth one included, also in a leap February.
        {6, Ymd(2020, 2, 1), true},
        {6, Ymd(2020, 2, 22), true},
        {6, Ymd(2020, 2, 29), true},
        {6, Ymd(2024, 3, 2), true},
        {6, Ymd(2024, 3, 30), true},
        {6, Ymd(2024, 3, 31), false},
        // Mondays of a month starting on a Monday: the fifth is not marked.
        {1, Ymd(2024, 1, 1), true},
        {1, Ymd(2024, 1, 22), true},
        {1, Ymd(2024, 1, 29), false},
        // w0 in the month (and year) before: only the first three Mondays of January 2025.
        {1, Ymd(2025, 1, 6), true},
        {1, Ymd(2025, 1, 20), true},
        {1, Ymd(2025, 1, 27), false},
        {1, Ymd(2024, 12, 30), false},
        // A leap-day Thursday is the fifth.
        {4, Ymd(2024, 2, 22), true},
        {4, Ymd(2024, 2, 29), false},
        {4, Ymd(2023, 2, 23), true},
        // Fridays of January 2022 (the 1st a Saturday): w0 is 31 December 2021.
        {5, Ymd(2022, 1, 7), true},
        {5, Ymd(2022, 1, 21), true},
        {5, Ymd(2022, 1, 28), false},
        {0, Ymd(2024, 3, 2), false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsSetOffDay(c.date, c.n), c.expected) << c.n << " " << DateText(c.date);
}

TEST(IsOffDayTest, WeekdayInTheListAndTheSundayFlag) {
    test::TempHome home;
    FakeClock clock;
    AgentContext ctx(home.path(), clock);
    struct Case {
        const char *list, *date;
        bool off, sunday;
    };
    const Case cases[] = {
        {"17", "20240303", true, true},   {"17", "20240302", true, false}, {"17", "20240304", false, false},
        {"26", "20240304", true, false},  {"1", "20240310", true, true},   {"7", "20240303", false, false},
        {"17", "20240230", false, false}, {"17", "2024", false, false},
    };
    for (const Case& c : cases) {
        ctx.derived.offDayList = c.list;
        ctx.sundayOffDay = true;
        EXPECT_EQ(IsOffDay(ctx, c.date), c.off) << c.list << " " << c.date;
        EXPECT_EQ(ctx.sundayOffDay, c.sunday) << c.list << " " << c.date;
    }
}

class CheckIfHolOffLeavTest : public shift_test::ShiftDbTest {
protected:
    void SetUp() override {
        ShiftDbTest::SetUp();
        if (IsSkipped()) return;
        Fixture({
            "insert into holdate values ('20240105', 'New Year Fair')",
            "insert into holdate values ('05/01/24', 'Short Form')",
            "insert into holdate values ('20240106', 'Saturday Feast')",
            "insert into kt_leave values ('AL', 'Annual', 'Y')",
            "insert into kt_leavetype values ('L1', 1, ' Sick ', '0', 0)",
            "insert into kt_leavetype values ('HAM', 0, 'Half AM', '1', 1)",
            "insert into kt_leavetype values ('HPM', 0, 'Half PM', '1', 2)",
            "insert into kt_ssche (staff_number, shift_date, leave_tag) values ('S1', '20240303', 'AL ')",
            "insert into kt_ssche values ('S2', '20240304', 'DAY', 'L1', '', 'HPM', 'NOROW')",
            "insert into kt_ssche values ('S3', '20240304', 'DAY', 'HAM', null, null, null)",
            "insert into kt_ssche values ('S4', '20240304', 'DAY', '', 'HAM', null, null)",
        });
        ctx->log.SetDetailThreshold(999);
    }

    struct Outcome {
        TAT_Attend result;
        TAT_Emp working;
        std::string dayDesc = "stale";
        std::string satDesc = "prev";
    };

    Outcome Classify(const std::string& date, const std::string& staff = "S9", const std::string& needShift = "N") {
        Outcome o;
        ResetAttend(o.result, staff, date);
        o.result.LeaveDesc[3] = "keep";
        o.working.HalfDayLeave = "N";
        CheckIfHolOffLeav(*ctx, date, staff, o.result, o.dayDesc, o.satDesc, o.working, needShift);
        return o;
    }
};

TEST_P(CheckIfHolOffLeavTest, WeekdayOffAndRestDays) {
    struct Case {
        const char* date;
        bool offRestDayId;
        const char* needShift;
        bool disabled;
        const char *dayDesc, *off;
    };
    const Case cases[] = {
        {"20240303", false, "N", false, "Rest Day", "Y"}, {"20240302", false, "N", false, "Rest Day", "Y"},
        {"20240303", true, "N", false, "Rest Day", "Y"},  {"20240302", true, "N", false, "Off Day", "Y"},
        {"20240302", false, "Y", false, "", "N"},         {"20240302", false, "y", false, "Rest Day", "Y"},
        {"20240302", false, "N", true, "", "N"},          {"20240304", false, "N", false, "", "N"},
    };
    for (const Case& c : cases) {
        ctx->settings.options.OffRestDayId = c.offRestDayId;
        ctx->derived.offDaysDisabled = c.disabled;
        const Outcome o = Classify(c.date, "S9", c.needShift);
        EXPECT_EQ(o.dayDesc, c.dayDesc) << c.date << c.offRestDayId << c.needShift << c.disabled;
        EXPECT_EQ(o.result.Off, c.off) << c.date << c.offRestDayId << c.needShift << c.disabled;
        EXPECT_EQ(o.result.Holiday + o.result.Leave + o.satDesc, "N****prev");
    }

    ctx->settings.options.OffRestDayId = true;
    ctx->settings.options.International = true;
    ctx->internArray.Set(206, "Repos");
    ctx->internArray.Set(502, "Libre");
    EXPECT_EQ(Classify("20240303").dayDesc, "Repos");
    EXPECT_EQ(Classify("20240302").dayDesc, "Libre");
}

TEST_P(CheckIfHolOffLeavTest, HolidaysInEachQueryForm) {
    struct Case {
        const char *dbType, *mode, *date, *dayDesc, *holiday, *off;
    };
    const Case cases[] = {
        {"PARADOX", "", "20240105", "New Year Fair", "Y", "N"},
        {"SQLITE", "TESSEL", "20240105", "New Year Fair", "Y", "N"},
        {"POSTGRESQL", "NIMBNET", "20240105", "Short Form", "Y", "N"},
        {"PARADOX", "NIMBNET", "20240105", "New Year Fair", "Y", "N"},
        {"PARADOX", "", "20240106", "Saturday Feast", "Y", "Y"},  // replaces the rest-day word
        {"SQLITE", "", "20240108", "", "N", "N"},
    };
    for (const Case& c : cases) {
        ctx->settings.database.DBType = c.dbType;
        ctx->derived.integrationMode = c.mode;
        const Outcome o = Classify(c.date);
        EXPECT_EQ(o.dayDesc + "|" + o.result.Holiday + o.result.Off, std::string(c.dayDesc) + "|" + c.holiday + c.off)
            << c.dbType << " " << c.mode << " " << c.date;
    }
    EXPECT_FALSE(Logged("<CheckIFHolOffLeav>")) << MainLog();
}

TEST_P(CheckIfHolOffLeavTest, PlainLeaveExtendsTheDayDescription) {
    const Outcome o = Classify("20240303", "S1");
    EXPECT_EQ(o.dayDesc, "Rest Day,Annual");
    EXPECT_EQ(o.result.Leave, "AL");
    EXPECT_EQ(o.working.HalfDayLeave, "Y");
    EXPECT_FALSE(o.working.HalfDayAM || o.working.HalfDayPM);
    EXPECT_EQ(o.result.LeaveDesc[0], "");
    EXPECT_TRUE(Logged("    Looks for AL cnt=1"));
    EXPECT_TRUE(Logged("    Leave: Found = 1;  ExtendedLeave Option = 0"));

    EXPECT_EQ(Classify("20240304", "S2").dayDesc, "");  // a tag without a kt_leave row
}

TEST_P(CheckIfHolOffLeavTest, ExtendedLeaveReadsFourSlots) {
    ctx->settings.shiftLeave.ExtendedLeaveControl = 1;
    const Outcome pm = Classify("20240304", "S2");
    EXPECT_EQ(pm.result.Leave, "");
    EXPECT_EQ(pm.result.LeaveDesc, (std::array<std::string, 4>{"Sick", "", "Half PM", "keep"}));
    EXPECT_EQ(pm.working.HalfDayLeave, "Y");
    EXPECT_TRUE(pm.working.HalfDayPM);
    EXPECT_FALSE(pm.working.HalfDayAM);
    EXPECT_EQ(pm.working.CancelInOut, 1);
    EXPECT_EQ(pm.dayDesc, "");
    EXPECT_TRUE(Logged("    Leave_list 1..4: L1,,HPM,NOROW"));
    EXPECT_TRUE(Logged("ExtendedLeaveControl"));

    const Outcome am = Classify("20240304", "S3");
    EXPECT_TRUE(am.working.HalfDayAM);
    EXPECT_FALSE(am.working.HalfDayPM);
    EXPECT_EQ(am.working.CancelInOut, 0);
    EXPECT_EQ(am.result.LeaveDesc, (std::array<std::string, 4>{"Half AM", "", "", ""}));

    const Outcome noFirstSlot = Classify("20240304", "S4");  // the first slot decides whether there is leave
    EXPECT_EQ(noFirstSlot.result.Leave, "****");
    EXPECT_FALSE(noFirstSlot.working.HalfDayAM);
    EXPECT_EQ(noFirstSlot.working.HalfDayLeave, "N");
}

TEST_P(CheckIfHolOffLeavTest, SaturdayDescriptions) {
    EXPECT_EQ(Classify("20240601").satDesc, "prev");
    ctx->settings.options.GovFTWRDay = true;
    EXPECT_EQ(Classify("20240601").satDesc, "Alt.Saturday");
    EXPECT_EQ(Classify("20240608").satDesc, "prev");
    ctx->settings.options.SetOffDayTO = 6;
    EXPECT_EQ(Classify("20240601").satDesc, "Off Day");
    EXPECT_EQ(Classify("20240629").satDesc, "Off Day");
}

TEST_P(CheckIfHolOffLeavTest, FailureStopsWhereItWas) {
    Fixture({"drop table kt_leave"});
    const Outcome o = Classify("20240106", "S1");
    EXPECT_EQ(o.result.Holiday, "Y");
    EXPECT_EQ(o.dayDesc, "Saturday Feast");
    Fixture({"insert into kt_ssche (staff_number, shift_date, leave_tag) values ('S1', '20240106', 'AL')"});
    const Outcome failed = Classify("20240106", "S1");
    EXPECT_EQ(failed.result.Leave, "AL");
    EXPECT_NE(MainLog().find(" : <CheckIFHolOffLeav>"), std::string::npos);

    ctx->settings.options.GovFTWRDay = true;  // an undecodable date ends the classification at that rule
    const Outcome badDate = Classify("2024013x");
    EXPECT_EQ(badDate.dayDesc, "");
    EXPECT_TRUE(Logged("<IsOffDay>'2024013x' is not a valid date"));
    EXPECT_TRUE(Logged("<CheckIFHolOffLeav>'2024013x' is not a valid date"));
}

KX_INSTANTIATE_BACKENDS(CheckIfHolOffLeavTest);

}  // namespace
}  // namespace kx
