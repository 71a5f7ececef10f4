#include "assembly/shift_info.h"

#include <gtest/gtest.h>

#include "assembly/copy_emp_ptr.h"
#include "shift_db_fixture.h"

namespace kx {
namespace {

class GetShiftInfoTest : public shift_test::ShiftDbTest {
protected:
    void SetUp() override {
        ShiftDbTest::SetUp();
        if (IsSkipped()) return;
        Fixture({
            "insert into kt_shift (tag_name, sys_in, sys_out, lunch_out, lunch_in, Break1_out, Break1_in, Break2_out,"
            " Break2_in, in_lower, in_upper, out_lower, out_upper, lunchout_lower, lunchout_upper, lunchin_lower,"
            " lunchin_Upper, break1out_lower, break1out_upper, break1in_lower, break1in_upper, break2out_lower,"
            " break2out_upper, break2in_lower, break2in_upper, OT_out, OTout_lower, OTout_upper, OT_In, OTin_lower,"
            " OTin_upper, SysIn_Grace, SysOut_Grace, OT_Minimum_Min, OT_Rounding_Min, OT_Formula, Work_Formula)"
            " values ('DAY', '0800', '1700', '1200', '1300', '1000', '1015', '1500', '1515', '0700', '0930', '1600',"
            " '1900', '1145', '1215', '1245', '1315', '0955', '1005', '1010', '1020', '1455', '1505', '1510', '1520',"
            " '1730', '1715', '1745', '1800', '1750', '1830', '5', '', ' 20 ', '', 'F1', 'F2')",
            "insert into kt_shift (tag_name, sys_in, sys_out, lunch_out, lunch_in, Break1_out, Break1_in, Break2_out,"
            " Break2_in, SysIn_Grace, SysOut_Grace, OT_Minimum_Min, OT_Rounding_Min, OT_Formula, Work_Formula)"
            " values ('EVE', '2345', '0745', '0300', '0330', '0100', '0110', '0500', '0510', '9', '9', '', '15',"
            " 'NOPE', 'F2')",
            "insert into kt_formu values ('F1', 'OT*2')",
            "insert into kt_formu values ('F2', 'WORK')",
            "insert into kt_cdext (staff_number, shift_grp) values ('S1', 'G1')",
            "insert into kt_cdext (staff_number, shift_grp) values ('S2', 'none ')",
            "insert into kt_cdext (staff_number, shift_grp) values ('S3', 'G1')",
            "insert into kt_sfgrp values ('G1', '20240304', 'DAY')",
            "insert into kt_ssche (staff_number, shift_date, Shift_tag) values ('S1', '20240304', 'EVE')",
            "insert into kt_ssche (staff_number, shift_date, Shift_tag) values ('S2', '20240304', 'EVE')",
            "insert into kt_ssche (staff_number, shift_date, Shift_tag) values ('S3', '20240305', 'EVE')",
            "insert into kt_ssche (staff_number, shift_date, Shift_tag) values ('O''Brien', '20240304', 'DAY')",
            "insert into kt_ssche (staff_number, shift_date, Shift_tag) values ('S6', '20240304', 'GHOST')",
            "insert into kt_ssche (staff_number, shift_date, Shift_tag) values ('S7', '20240304', '  ')",
        });
        ctx->settings.options.ATA_Details = 1;
        ctx->log.SetDetailThreshold(1);
    }

    TAT_Emp Defaults() {
        TAT_Emp working;
        working.SysIn = "0830", working.In_lower = "0800", working.OTIn = "old";
        return working;
    }
};

TEST_P(GetShiftInfoTest, GroupScheduleBeforeOwnSchedule) {
    struct Case {
        const char* staff;
        const char* date;
        bool result;
        const char* sysIn;
        const char* logLine;
    };
    const Case cases[] = {
        {"S1", "20240304", true, "0800", "    Group is not NONE, ThisShift = DAY"},
        {"S2", "20240304", true, "2345", "    Shift Group = NONE"},  // none with a trailing blank
        {"S3", "20240305", true, "2345", "    Group is not NONE, ThisShift = "},
        {"O'Brien", "20240304", true, "0800", "    ThisShift = [DAY]"},
        {"S5", "20240304", false, "0830", "    Shift not found"},
        {"S7", "20240304", false, "0830", "    ThisShift = [  ]"},
        {"S6", "20240304", true, "0830", "    ThisShift = [GHOST]"},  // tag without a kt_shift row
    };
    for (const Case& c : cases) {
        TAT_Emp working = Defaults();
        EXPECT_EQ(GetShiftInfo(*ctx, c.date, c.staff, working), c.result) << c.staff;
        EXPECT_EQ(working.SysIn, c.sysIn) << c.staff;
        EXPECT_TRUE(Logged(c.logLine)) << c.staff << "\n" << MainLog();
    }
    EXPECT_TRUE(Logged("    Grouped to none "));
    EXPECT_FALSE(Logged("<GetShiftInfo>")) << MainLog();
}

TEST_P(GetShiftInfoTest, WithoutDataWindowTimesGetHalfHourWindowsAndSettingsGrace) {
    ctx->settings.reprocessing.GraceInMin = 3;
    TAT_Emp working = Defaults();
    ASSERT_TRUE(GetShiftInfo(*ctx, "20240304", "S2", working));

    EXPECT_EQ(working.In_lower + working.SysIn + working.In_upper, "231523450015");
    EXPECT_EQ(working.Out_lower + working.SysOut + working.Out_upper, "071507450815");
    EXPECT_EQ(working.LunchOut_lower + working.LunchIn_upper, "02300400");
    EXPECT_EQ(working.Break1Out_lower + working.Break2In_upper, "00300540");
    EXPECT_EQ(working.SysInGrace + "|" + working.SysOutGrace, "3|0");  // the shift's 9 and 9 are ignored
    EXPECT_EQ(working.OTIn, "old");
    EXPECT_EQ(working.OTEntry.OTMinimumMin + "|" + working.OTEntry.OTRoundingMin, "0|15");
    EXPECT_EQ(working.WorkRangeOffset, "04800480");
    EXPECT_EQ(working.OTEntry.OTFormula + "|" + working.WorkFormula, "|WORK");
    EXPECT_TRUE(Logged("    [Shift In Out]=2345:0745"));
}

TEST_P(GetShiftInfoTest, WithDataWindowEverythingAsStoredAndTheGraceRule) {
    ctx->settings.options.ShiftDataWindow = true;
    struct Case {
        int graceInMin, graceOutMin;
        const char *shiftIn, *shiftOut, *expectIn, *expectOut;
    };
    const Case cases[] = {
        {0, 0, "5", "", "5", "0"},
        {7, 0, "5", "  ", "7", "0"},
        {0, 9, "", " 4", "0", "9"},
        {0, 0, " 4", "12", " 4", "12"},
    };
    for (const Case& c : cases) {
        ctx->settings.reprocessing.GraceInMin = c.graceInMin;
        ctx->settings.reprocessing.GraceOutMin = c.graceOutMin;
        Fixture({"update kt_shift set SysIn_Grace='" + std::string(c.shiftIn) + "', SysOut_Grace='" + c.shiftOut +
                 "' where tag_name='DAY'"});
        TAT_Emp working = Defaults();
        ASSERT_TRUE(GetShiftInfo(*ctx, "20240304", "S1", working));
        EXPECT_EQ(working.SysInGrace + "|" + working.SysOutGrace, std::string(c.expectIn) + "|" + c.expectOut);

        EXPECT_EQ(working.In_lower + working.SysIn + working.In_upper, "070008000930");
        EXPECT_EQ(working.Out_lower + working.SysOut + working.Out_upper, "160017001900");
        EXPECT_EQ(working.LunchOut_lower + working.LunchOut + working.LunchOut_upper, "114512001215");
        EXPECT_EQ(working.LunchIn_lower + working.LunchIn + working.LunchIn_upper, "124513001315");
        EXPECT_EQ(working.Break1Out_lower + working.Break1In_upper + working.Break2Out_upper + working.Break2In_lower,
                  "0955102015051510");
        EXPECT_EQ(working.OTOut_lower + working.OTOut + working.OTOut_upper, "171517301745");
        EXPECT_EQ(working.OTIn_lower + working.OTIn + working.OTIn_upper, "175018001830");
        EXPECT_EQ(working.OTEntry.OTMinimumMin + "|" + working.OTEntry.OTRoundingMin, "20|0");
        EXPECT_EQ(working.OTEntry.OTFormula + "|" + working.WorkFormula, "OT*2|WORK");
    }
    EXPECT_TRUE(Logged("    ShiftDataWindow.GraceIn =  4;   ShiftDataWindow.GraceOut = 12"));
}

TEST_P(GetShiftInfoTest, SaturdayOverrideHoldsOnlyWithoutAShift) {
    ctx->settings.options.SatInOutTime = "0900-1300";
    for (const auto& [staff, sysIn] : {std::pair{"S1", "0800"}, std::pair{"S5", "0900"}}) {
        TAT_Emp working;
        CopyEmpPtr(*ctx, TAT_Emp{}, working, "20240309");  // a Saturday; kt_sfgrp has no row for it
        Fixture({"insert into kt_sfgrp values ('G1', '20240309', 'DAY')"});
        GetShiftInfo(*ctx, "20240309", staff, working);
        EXPECT_EQ(working.SysIn, sysIn) << staff;
        Fixture({"delete from kt_sfgrp where Shift_date='20240309'"});
    }
}

TEST_P(GetShiftInfoTest, FailureIsLoggedAndKeepsTheResultReached) {
    Fixture({"drop table kt_shift"});
    TAT_Emp working = Defaults();
    EXPECT_TRUE(GetShiftInfo(*ctx, "20240304", "S1", working));
    EXPECT_NE(MainLog().find(" : <GetShiftInfo>:"), std::string::npos);
    EXPECT_EQ(working.SysIn, "0830");
}

KX_INSTANTIATE_BACKENDS(GetShiftInfoTest);

}  // namespace
}  // namespace kx
