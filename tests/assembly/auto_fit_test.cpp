#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "assembly/auto_fit_pattern.h"
#include "assembly/auto_fit_shift.h"
#include "assembly/extended_clock.h"
#include "shift_db_fixture.h"

namespace kx {
namespace {

TEST(ExtendedClock, RunsPastMidnightWithoutWrapping) {
    test::TempHome home;
    FakeClock clock;
    AgentContext ctx(home.path(), clock);
    struct Case {
        const char *time, *sign;
        int minutes;
        const char* expected;
    };
    for (const Case& c :
         {Case{"0800", "-", 120, "3000"}, Case{"2200", "+", 360, "5200"}, Case{"0800", "x", 120, "3200"},
          Case{"0000", "-", 120, "2200"}, Case{"2359", "+", 1, "4800"}, Case{"0500", "+", 360, "3500"}})
        EXPECT_EQ(Adjust4DTime(ctx, c.time, c.sign, c.minutes), c.expected) << c.time << c.sign << c.minutes;
    EXPECT_THROW(Adjust4DTime(ctx, "8:00", "-", 120), std::invalid_argument);
    EXPECT_THROW(Adjust4DTime(ctx, "", "-", 120), std::invalid_argument);

    EXPECT_EQ(ToExtendedClock("0745"), "3145");
    EXPECT_EQ(ToExtendedClock("1930"), "4330");
    for (const char* bad : {"745", "07450", "07:4", "    "}) EXPECT_THROW(ToExtendedClock(bad), std::invalid_argument);
}

class AutoFitTest : public shift_test::ShiftDbTest {
protected:
    void SetUp() override {
        ShiftDbTest::SetUp();
        if (IsSkipped()) return;
        Fixture({
            "insert into kt_shift (tag_name, sys_in, sys_out, lunch_out, lunch_in, Break1_out, Break1_in, Break2_out,"
            " Break2_in, in_lower, in_upper, out_lower, out_upper)"
            " values ('DAY', '0800', '1700', '1200', '1300', '', '', '', '', '0700', '3900', '4000', '4800')",
            "insert into kt_shift (tag_name, sys_in, sys_out, lunch_out, lunch_in, Break1_out, Break1_in, Break2_out,"
            " Break2_in) values ('NIGHT', '2000', '0500', '0000', '0030', '', '', '', '')",
            "insert into kt_shift (tag_name, sys_in, sys_out, lunch_out, lunch_in, Break1_out, Break1_in, Break2_out,"
            " Break2_in) values ('MID', '1200', '2100', '1600', '1630', '', '', '', '')",
        });
    }

    static AutoFitRecord Pattern(const char* tag, std::initializer_list<const char*> shifts,
                                 std::initializer_list<ShiftInOutRange> ranges) {
        AutoFitRecord p;
        p.Tag = tag;
        auto range = ranges.begin();
        for (const char* shift : shifts) {
            p.Shift[p.Count] = shift;
            p.InLow[p.Count] = range->InLow, p.InUp[p.Count] = range->InUp;
            p.OutLow[p.Count] = range->OutLow, p.OutUp[p.Count] = range->OutUp;
            ++p.Count, ++range;
        }
        return p;
    }
};

TEST_P(AutoFitTest, PatternsTakeTheirRangesFromTheShifts) {
    ctx->settings.options.ATA_Details = 1;
    Fixture({"insert into kt_afchi values ('A', 'DAY')", "insert into kt_afchi values ('B', 'GHOST')",
             "insert into kt_afchi values ('C', 'NIGHT')"});
    GetAutoFitPattern(*ctx);

    const AFRecList& list = ctx->afRecList;
    ASSERT_EQ(list.count, 3);
    const std::string expected[3][5] = {{"DAY", "3000", "3800", "3900", "4700"},
                                        {"GHOST", "3000", "3800", "3900", "4700"},  // carried from the row before
                                        {"NIGHT", "4200", "5000", "2700", "3500"}};
    for (int i = 0; i < 3; ++i) {
        const AutoFitRecord& p = list.items[i];
        EXPECT_EQ(p.Count, 1);
        EXPECT_EQ(p.Tag, std::string(1, static_cast<char>('A' + i)));
        EXPECT_EQ((std::array<std::string, 5>{p.Shift[0], p.InLow[0], p.InUp[0], p.OutLow[0], p.OutUp[0]}),
                  (std::array<std::string, 5>{expected[i][0], expected[i][1], expected[i][2], expected[i][3],
                                              expected[i][4]}));
    }
    for (const char* line : {"--- GetAutoFitPattern Started ---", "GetAutoFitPattern: kt_afchi count=3", "Old_aftag,=B",
                             "List Of Records= 4200  5000  2700  3500", "sp_AFList Debug =   3", "Tag=C",
                             "Shift1=NIGHT", "InLow=4200", "OutUp=3500", "--- GetAutoFitPattern Ended ---"})
        EXPECT_TRUE(Logged(line)) << line << "\n" << MainLog();

    ctx->settings.options.ShiftDataWindow = true;  // ranges as stored
    GetAutoFitPattern(*ctx);
    EXPECT_EQ(list.items[0].InLow[0] + list.items[0].InUp[0] + list.items[0].OutLow[0] + list.items[0].OutUp[0],
              "0700390040004800");
}

TEST_P(AutoFitTest, AFourthShiftOfAPatternIsIgnored) {
    Fixture({"insert into kt_afchi values ('P', 'DAY')", "insert into kt_afchi values ('P', 'NIGHT')",
             "insert into kt_afchi values ('P', 'MID')", "insert into kt_afchi values ('P', 'GHOST')",
             "insert into kt_afchi values ('Q', 'MID')"});
    GetAutoFitPattern(*ctx);
    const AFRecList& list = ctx->afRecList;
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.items[0].Count, 3);
    const std::set<std::string> kept(list.items[0].Shift.begin(), list.items[0].Shift.end());
    EXPECT_EQ(kept.size(), 3u);
    EXPECT_EQ(list.items[1].Tag + list.items[1].Shift[0], "QMID");
    EXPECT_NE(MainLog().find(" : <GetAutoFitPattern>pattern P has more than 3 shifts; shift "), std::string::npos);
}

TEST_P(AutoFitTest, ListHoldsAHundredPatterns) {
    for (int i = 0; i <= 100; ++i) {
        char tag[8];
        std::snprintf(tag, sizeof tag, "P%03d", i);
        Fixture({"insert into kt_afchi values ('" + std::string(tag) + "', 'DAY')"});
    }
    ctx->settings.options.ATA_Details = 1;
    GetAutoFitPattern(*ctx);
    EXPECT_EQ(ctx->afRecList.count, 100);
    EXPECT_EQ(ctx->afRecList.items[99].Tag, "P099");
    EXPECT_TRUE(
        Logged("<GetAutoFitPattern>more than 100 auto-fit patterns; pattern P100 and those after it are ignored"))
        << MainLog();
    EXPECT_FALSE(Logged("--- GetAutoFitPattern Ended ---"));
}

TEST_P(AutoFitTest, ChoosesTheShiftWhoseRangeHoldsTheDay) {
    Fixture({"insert into cards (staff_number, misc) values ('S1', 'dn ')",
             "insert into cards (staff_number, misc) values ('S2', 'None')",
             "insert into cards (staff_number, misc) values ('S3', 'lower')",
             "insert into cards (staff_number, misc) values ('S5', 'G')",
             "insert into cards (staff_number, misc) values ('O''Hara', 'DN')"});
    AFRecList& list = ctx->afRecList;
    list.items[0] = Pattern("lower", {"DAY"}, {{"0000", "9999", "0000", "9999"}});
    list.items[1] =
        Pattern("DN", {"DAY", "NIGHT"}, {{"3000", "3800", "3900", "4700"}, {"4200", "5000", "2700", "3500"}});
    list.items[2] = Pattern("G", {"GHOST"}, {{"0000", "9999", "0000", "9999"}});
    list.count = 3;

    struct Case {
        const char *staff, *firstIn, *lastOut;
        bool result;
        const char *tag, *sysIn, *inLower;
    };
    const Case cases[] = {
        {"S1", "0745", "1700", true, "DAY", "0800", "0730"},
        {"O'Hara", "1930", "0500", true, "NIGHT", "2000", "1930"},
        {"S1", "0400", "1705", true, "DAY", "0800", "0730"},  // in no in-range, last out in DAY's out-range
        {"S1", "    ", "1700", false, "", "", ""},            // no first in: no choice
        {"S1", "1530", "2330", false, "", "", ""},
        {"S2", "0745", "1700", false, "", "", ""},
        {"S3", "0745", "1700", false, "", "", ""},  // patterns are matched upper-cased
        {"S4", "0745", "1700", false, "", "", ""},  // no card
        {"S5", "0745", "1700", true, "GHOST", "", ""},
        {"S1", "7:45", "1700", true, "", "", ""},  // failure: computed with the record as it stands
    };
    for (const bool dataWindow : {false, true}) {
        ctx->settings.options.ShiftDataWindow = dataWindow;  // the chosen shift's times get 30-minute windows anyway
        for (const Case& c : cases) {
            TAT_Emp working;
            ctx->staffDay.AutoFitShiftTag = "OLD";
            EXPECT_EQ(GetAFShiftInfo(*ctx, c.firstIn, c.lastOut, "20240304", c.staff, working), c.result) << c.staff;
            EXPECT_EQ(ctx->staffDay.AutoFitShiftTag, c.tag) << c.staff << c.firstIn;
            EXPECT_EQ(working.SysIn, c.sysIn) << c.staff << c.firstIn;
            EXPECT_EQ(working.In_lower, c.inLower) << c.staff << c.firstIn;
            EXPECT_EQ(working.WorkRangeOffset, *c.sysIn ? "04800480" : "") << c.staff << c.firstIn;
        }
    }
    EXPECT_TRUE(Logged("<GetAFShiftInfo>:'7:45' is not a valid time")) << MainLog();
}

KX_INSTANTIATE_BACKENDS(AutoFitTest);

}  // namespace
}  // namespace kx
