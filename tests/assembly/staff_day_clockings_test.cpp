// Half-day adjustment, auto-fit first in/last out and the positional layout:
// the steps of a staff-day that read the clockings by time alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assembly/clocking_positions.h"
#include "assembly/half_day_adjustment.h"
#include "core/agent_context.h"
#include "core/clock.h"
#include "support/test_db.h"

namespace kx {
namespace {

constexpr const char* kDay = "20240105";
constexpr const char* kNext = "20240106";
constexpr const char* kPrev = "20240104";

TCD_Source At(const char* date, const char* time, const char* inOut = "I", const char* job = "000") {
    return TCD_Source{date, time, job, inOut, ""};
}
TCD_Source On(const char* time, const char* inOut = "I", const char* job = "000") { return At(kDay, time, inOut, job); }

// Work 0830-1730, meal 1200-1300, work code "000", half-day leave.
TAT_Emp HalfDay(std::vector<TCD_Source> clockings) {
    TAT_Emp w;
    w.AtDate = kDay;
    w.HalfDayLeave = "Y";
    w.Out_lower = "1700";
    w.SysIn = "0830";
    w.SysOut = "1730";
    w.LunchOut = "1200";
    w.LunchIn = "1300";
    w.WorkJobCode = "000";
    w.OTEntry.OTMode = "A";
    w.RawData = std::move(clockings);
    return w;
}

class ClockingsTest : public ::testing::Test {
protected:
    ClockingsTest() : ctx(home.path(), clock) { ctx.log.SetDetailThreshold(999); }
    test::TempHome home;
    FakeClock clock{MakeLocalTime(2024, 1, 5, 9)};
    AgentContext ctx;
};

TEST_F(ClockingsTest, HalfDayByClockings) {
    struct Case {
        const char* name;
        std::vector<TCD_Source> clockings;
        const char* mode;
        const char* sysIn;
        const char* sysOut;
        const char* outLower;
    };
    const Case cases[] = {
        // morning 235 minutes against an afternoon of none: the afternoon was taken off
        {"afternoon off", {On("0805"), On("1210", "O")}, "A", "0830", "1200", "1700"},
        // morning none (in after the meal began) against 275: the morning was taken off
        {"morning off", {On("1255"), On("1735", "O")}, "A", "1300", "1730", "1300"},
        // 180 each side: a tie counts as the afternoon
        {"tie", {On("0900"), On("1600", "O")}, "A", "0830", "1200", "1700"},
        // the latest clocking never passes SysIn: nothing is moved
        {"only early clockings", {On("0700"), On("0800", "O")}, "A", "0830", "1730", "1700"},
        // clockings of other dates do not count
        {"other dates",
         {At(kPrev, "0805"), At(kNext, "1210", "O"), On("1255"), On("1735", "O")},
         "A",
         "1300",
         "1730",
         "1300"},
        // under code-based overtime only work clockings count: the overtime 1800 is ignored
        {"code-based", {On("0805"), On("1210", "O"), On("1800", "O", "001")}, "C", "0830", "1200", "1700"},
        // in any other mode it counts and makes the afternoon the worked half
        {"overtime code counts", {On("0805"), On("1210", "O"), On("1800", "O", "001")}, "A", "1300", "1730", "1300"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TAT_Emp w = HalfDay(c.clockings);
        w.OTEntry.OTMode = c.mode;
        AdjustForHalfDayLeave(ctx, w);
        EXPECT_EQ(w.SysIn, c.sysIn);
        EXPECT_EQ(w.SysOut, c.sysOut);
        EXPECT_EQ(w.Out_lower, c.outLower);
    }
}

TEST_F(ClockingsTest, HalfDayByLeaveTypeOrNotAtAll) {
    struct Case {
        const char* name;
        int extended;
        const char* halfDay;
        bool am, pm;
        const char* sysIn;
        const char* sysOut;
    };
    const Case cases[] = {
        {"morning leave type", 1, "Y", true, false, "1200", "1730"},
        {"afternoon leave type", 1, "Y", false, true, "0830", "1300"},
        // the leave type decides, the clockings (an afternoon off) do not
        {"neither", 1, "Y", false, false, "0830", "1730"},
        // without extended leave control only "Y" is a half day (the stored half_day "1" is not)
        {"half_day 1", 0, "1", false, false, "0830", "1730"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ctx.settings.shiftLeave.ExtendedLeaveControl = c.extended;
        TAT_Emp w = HalfDay({On("0805"), On("1210", "O")});
        w.HalfDayLeave = c.halfDay;
        w.HalfDayAM = c.am;
        w.HalfDayPM = c.pm;
        AdjustForHalfDayLeave(ctx, w);
        EXPECT_EQ(w.SysIn, c.sysIn);
        EXPECT_EQ(w.SysOut, c.sysOut);
        EXPECT_EQ(w.Out_lower, "1700");
    }
}

TEST(FirstInLastOutOfDay, EarliestInLatestOutOnTheDayOnly) {
    struct Case {
        const char* name;
        std::vector<TCD_Source> clockings;
        const char* firstIn;
        const char* lastOut;
    };
    const Case cases[] = {
        {"in and out", {On("0825"), On("1200", "O"), On("1300"), On("1735", "O")}, "0825", "1735"},
        {"only outs", {On("1735", "O")}, "    ", "1735"},
        {"other dates ignored", {At(kPrev, "2300"), At(kNext, "0100", "O"), On("0900")}, "0900", "    "},
        // codes other than I and O are neither
        {"other codes", {On("0700", "X"), On("2000", "Z"), On("0800")}, "0800", "    "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DayInOutTimes filo = FirstInLastOutOfDay(c.clockings, kDay);
        EXPECT_EQ(filo.firstIn, c.firstIn);
        EXPECT_EQ(filo.lastOut, c.lastOut);
    }
}

TEST(LayOutClockingsByPosition, SortedClockingsOfTheDayFillThePositions) {
    struct Case {
        const char* name;
        std::vector<TCD_Source> clockings;
        std::vector<std::string> positions;  // In, B1Out, B1In, Out_Meal, In_Meal, B2Out, B2In, Out
    };
    const std::string none = "    ";
    const Case cases[] = {
        {"order of the list does not matter, in and out neither",
         {On("1300", "O"), On("0800", "O"), On("1200")},
         {"0800", "1200", "1300", none, none, none, none, none}},
        // before the cut-off on the day, after it on other days: not the day's
        {"cut-off",
         {On("0430"), On("0500"), At(kNext, "0400", "O"), At(kNext, "0501", "O"), At(kPrev, "2300")},
         {"0500", "0400", none, none, none, none, none, none}},
        {"beyond eight",
         {On("0801"), On("0802"), On("0803"), On("0804"), On("0805"), On("0806"), On("0807"), On("0808"), On("0809")},
         {"0801", "0802", "0803", "0804", "0805", "0806", "0807", "0808"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TAT_Attend a;
        a.In = a.Out = "0700";
        LayOutClockingsByPosition(c.clockings, kDay, "0500", a);
        EXPECT_EQ((std::vector<std::string>{a.In, a.B1Out, a.B1In, a.Out_Meal, a.In_Meal, a.B2Out, a.B2In, a.Out}),
                  c.positions);
    }
}

}  // namespace
}  // namespace kx
