#include <gtest/gtest.h>

#include <string>

#include "core/agent_context.h"
#include "engine/attend_remark.h"
#include "support/test_db.h"

namespace kx {
namespace {

std::string Spaces(std::size_t n) { return std::string(n, ' '); }

TEST(AttendRemarkPieces, FixedWidths) {
    const std::pair<const char*, std::string> display[] = {
        {"0830", "08:30"},  {" 0830 ", "08:30"},  {"    ", Spaces(5)},
        {"830", Spaces(5)}, {"08300", Spaces(5)}, {"", Spaces(5)},
    };
    for (const auto& [time, shown] : display) EXPECT_EQ(DisplayTime(time), shown) << "[" << time << "]";

    EXPECT_EQ(BreakGroup("1000", "1015"), "  10:00 10:15");
    EXPECT_EQ(BreakGroup("1000", "    "), "  10:00      ");
    EXPECT_EQ(OvertimeTime("1930"), " 19:30");
    EXPECT_EQ(OvertimeTime("     "), Spaces(6));
    EXPECT_EQ(OvertimeTime("930"), Spaces(6));
}

class AttendRemarkTest : public ::testing::Test {
protected:
    AttendRemarkTest() {
        ResetAttend(ctx.attend, "S1", "20240105");
        ctx.workRec.OTEntry.OTMode = "A";
        TAT_Attend& a = ctx.attend;
        a.In = "0800";
        a.Out = "1730";
        a.B1Out = "1000";
        a.B1In = "1015";
        a.Out_Meal = "1200";
        a.In_Meal = "1300";
        a.B2Out = "1500";
        a.B2In = "1510";
        a.OT_In = a.OT_Out = Spaces(5);
    }
    std::string Remark(const std::string& day = "") { return BuildRemark(ctx, ctx.attend, ctx.workRec, day); }

    test::TempHome home;
    FakeClock clock;
    AgentContext ctx{home.path(), clock};
};

TEST_F(AttendRemarkTest, BreakGroupsFollowTheBreakPattern) {
    const std::pair<const char*, std::string> cases[] = {
        {"________", "08:00 17:30"},
        {"X_______", "08:00  10:00 10:15 17:30"},
        {"_X______", "08:00  12:00 13:00 17:30"},
        {"__X_____", "08:00  15:00 15:10 17:30"},
        {"XXX_____", "08:00  10:00 10:15  12:00 13:00  15:00 15:10 17:30"},
        {"xxx_____", "08:00 17:30"},
        {"X", "08:00  10:00 10:15 17:30"},
        {"", "08:00 17:30"},
    };
    for (const auto& [pattern, times] : cases) {
        ctx.derived.breakPattern = pattern;
        EXPECT_EQ(Remark(), times + Spaces(12)) << pattern;
    }
}

TEST_F(AttendRemarkTest, BreakTimesAloneKeepTheRowOfBlanks) {
    TAT_Attend& a = ctx.attend;
    a.In = a.Out = Spaces(4);
    a.B1In = Spaces(4);
    ctx.derived.breakPattern = "X_______";
    EXPECT_EQ(Remark(), Spaces(5) + "  10:00 " + Spaces(5) + " " + Spaces(5) + Spaces(12));

    ctx.derived.breakPattern = "_X______";  // the break clocking is not shown, so nothing stands
    a.Out_Meal = a.In_Meal = Spaces(4);
    EXPECT_EQ(Remark(), "");
    EXPECT_EQ(Remark("Off Day"), "[Off Day]");
}

TEST_F(AttendRemarkTest, TagsAndDescriptionsFollowTheTimes) {
    ctx.settings.options.AutoFit = true;
    ctx.staffDay.AutoFitShiftTag = "NIGHT";
    EXPECT_EQ(Remark(), "08:00 17:30" + Spaces(12) + " [NIGHT]");
    EXPECT_EQ(Remark("Annual Leave"),
              "08:00 17:30" + Spaces(12) + " [NIGHT] [Annual Leave]");  // only the trailing blanks go

    ctx.settings.options.AutoFit = false;  // the tag only shows under auto-fit
    EXPECT_EQ(Remark("Annual Leave"), "08:00 17:30 [Annual Leave]");

    ctx.workRec.OTEntry.OTMode = "C";  // code-based overtime shows no overtime times
    EXPECT_EQ(Remark(), "08:00 17:30");
    ctx.attend.OT_In = "1800";
    ctx.attend.OT_Out = "1900";
    EXPECT_EQ(Remark(), "08:00 17:30");
    ctx.workRec.OTEntry.OTMode = "E";
    EXPECT_EQ(Remark(), "08:00 17:30 18:00 19:00");
}

}  // namespace
}  // namespace kx
