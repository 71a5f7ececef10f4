#include <gtest/gtest.h>

#include "assembly/formula_lookup.h"
#include "assembly/startup_sys_values.h"
#include "assembly/sys_param.h"
#include "staff_day_db.h"

namespace kx {
namespace {

using test::StaffDayDb;

constexpr const char* kSysColumns =
    "insert into kt_sys (sys_in, sys_out, lunch_out, lunch_in, Break1_out, Break1_in, Break2_out, Break2_in, "
    "Work_JobCode, Meal_JobCode, B1_JobCode, B2_JobCode, OT_Jobcode, OT_Mode, OT_Offset, OT_Minimum_Min, "
    "OT_Rounding_Min, OT_Formula, Work_Formula, DataSource) values ";

std::string SysRow(const std::string& otMode, const std::string& dataSource, const std::string& sysIn = "0830") {
    return std::string(kSysColumns) + "('" + sysIn +
           "', '1730', '1200', '1300', '1000', '1015', '1500', '1515', 'W01', 'M01', 'B01', 'B02', ' 002 ', " + otMode +
           ", ' 15 ', ' 60', '30 ', 'OTF', 'WKF', " + dataSource + ")";
}

class SysParamTest : public test::BackendTest {};

TEST_P(SysParamTest, LoadsTheRowWithThirtyMinuteWindows) {
    auto env = NewDb();
    env->Run({SysRow("'1'", "'0'", "0010"), "insert into kt_formu values ('OTF', 'OT-30')"});
    env->ctx().settings.options.InWorkRangeOffsetMin = 15;
    env->ctx().settings.options.OutWorkRangeOffsetMin = 600;
    TAT_Emp tpl;
    GetSysParam(env->ctx(), tpl);

    EXPECT_EQ(tpl.In_lower + " " + tpl.SysIn + " " + tpl.In_upper, "2340 0010 0040");
    EXPECT_EQ(tpl.Out_lower + " " + tpl.SysOut + " " + tpl.Out_upper, "1700 1730 1800");
    EXPECT_EQ(tpl.LunchOut_lower + " " + tpl.LunchOut + " " + tpl.LunchOut_upper, "1130 1200 1230");
    EXPECT_EQ(tpl.LunchIn_lower + " " + tpl.LunchIn + " " + tpl.LunchIn_upper, "1230 1300 1330");
    EXPECT_EQ(tpl.Break1Out_lower + " " + tpl.Break1Out + " " + tpl.Break1Out_upper, "0930 1000 1030");
    EXPECT_EQ(tpl.Break1In_lower + " " + tpl.Break1In + " " + tpl.Break1In_upper, "0945 1015 1045");
    EXPECT_EQ(tpl.Break2Out_lower + " " + tpl.Break2Out + " " + tpl.Break2Out_upper, "1430 1500 1530");
    EXPECT_EQ(tpl.Break2In_lower + " " + tpl.Break2In + " " + tpl.Break2In_upper, "1445 1515 1545");
    EXPECT_EQ(tpl.WorkJobCode + tpl.MealJobCode + tpl.B1JobCode + tpl.B2JobCode, "W01M01B01B02");
    EXPECT_EQ(tpl.WorkRangeOffset, "00150600");
    EXPECT_EQ(tpl.OTEntry.OTMode, "A");
    EXPECT_EQ(tpl.OTEntry.OTOffset, "15");
    EXPECT_EQ(tpl.OTEntry.OTMinimumMin, "60");
    EXPECT_EQ(tpl.OTEntry.OTRoundingMin, "30");
    EXPECT_EQ(tpl.OTEntry.OTJobcode, "002");
    EXPECT_EQ(tpl.DataSource, "T");
    EXPECT_EQ(tpl.OTEntry.OTFormula, "OT-30");
    EXPECT_EQ(tpl.WorkFormula, "");  // tag without a kt_formu row
    EXPECT_TRUE(env->LoggedExactly("  GetSysParam: OT mode = A  SysIn=0010 SysOut=1730"));
    EXPECT_FALSE(env->LoggedContaining("<GetFormula>"));
    EXPECT_FALSE(env->db().CommonQuery.Active());
    EXPECT_FALSE(env->db().Common3Query.Active());
}

TEST_P(SysParamTest, OvertimeModeAndDataSourceMapping) {
    const struct {
        const char* otMode;
        const char* dataSource;
        const char* mode;
        const char* source;
    } cases[] = {
        {"'1'", "'0'", "A", "T"},  {"' 2'", "'1'", "C", "D"}, {"'21'", "'2'", "C", "D"},  {"'3'", "''", "E", "D"},
        {"'4'", "' 0'", "N", "D"}, {"''", "null", "N", "D"},  {"null", "'0 '", "N", "D"}, {"'A'", "'00'", "N", "D"},
    };
    auto env = NewDb();
    for (const auto& c : cases) {
        env->Run({"delete from kt_sys", SysRow(c.otMode, c.dataSource)});
        TAT_Emp tpl;
        GetSysParam(env->ctx(), tpl);
        EXPECT_EQ(tpl.OTEntry.OTMode, c.mode) << "OT_Mode " << c.otMode;
        EXPECT_EQ(tpl.DataSource, c.source) << "DataSource " << c.dataSource;
    }
    EXPECT_FALSE(env->LoggedContaining("<GetSysPAram>"));
}

TEST_P(SysParamTest, EmptyTableGivesEmptyTimesModeNAndDoorSource) {
    auto env = NewDb();
    TAT_Emp tpl;
    tpl.SysIn = "0830";
    tpl.WorkJobCode = "000";
    GetSysParam(env->ctx(), tpl);
    EXPECT_EQ(tpl.In_lower + tpl.SysIn + tpl.In_upper + tpl.Break2In_upper, "");
    EXPECT_EQ(tpl.WorkJobCode, "");
    EXPECT_EQ(tpl.OTEntry.OTMode, "N");
    EXPECT_EQ(tpl.DataSource, "D");
    EXPECT_EQ(tpl.WorkRangeOffset, "04800480");
    EXPECT_EQ(env->CountLinesStartingWith("<AddtheRange>"), 16);
    EXPECT_FALSE(env->LoggedContaining("<GetSysPAram>"));
}

TEST_P(SysParamTest, FailuresAreLoggedAndKeepWhatWasFilled) {
    auto env = NewDb();
    TAT_Emp tpl;
    tpl.SysIn = "0700";
    env->Run({"drop table kt_sys"});
    GetSysParam(env->ctx(), tpl);
    EXPECT_EQ(tpl.SysIn, "0700");
    EXPECT_EQ(env->CountLinesStartingWith("<GetSysPAram>"), 1);

    // A table lacking a column fails at that column; the windows before it are filled.
    env->Run({"create table kt_sys (sys_in text, sys_out text)", "insert into kt_sys values ('0900', '1800')"});
    GetSysParam(env->ctx(), tpl);
    EXPECT_EQ(tpl.In_lower + tpl.SysIn + tpl.In_upper, "083009000930");
    EXPECT_EQ(tpl.Out_lower + tpl.SysOut + tpl.Out_upper, "173018001830");
    EXPECT_EQ(tpl.LunchOut, "");
    EXPECT_EQ(env->CountLinesStartingWith("<GetSysPAram>"), 2);
    EXPECT_FALSE(env->db().CommonQuery.Active());
}

TEST_P(SysParamTest, GetFormula) {
    auto env = NewDb();
    env->Run({"insert into kt_formu values ('OT1', 'OUT-IN')", "insert into kt_formu values ('O''K', 'X')",
              "insert into kt_formu values (' OT1', 'padded')"});
    EXPECT_EQ(GetFormula(env->ctx(), "OT1"), "OUT-IN");
    EXPECT_EQ(GetFormula(env->ctx(), " OT1"), "padded");  // the tag is not trimmed
    EXPECT_EQ(GetFormula(env->ctx(), "O'K"), "X");
    EXPECT_EQ(GetFormula(env->ctx(), "NONE"), "");
    EXPECT_EQ(GetFormula(env->ctx(), ""), "");
    EXPECT_FALSE(env->LoggedContaining("<GetFormula>"));

    env->Run({"drop table kt_formu"});
    EXPECT_EQ(GetFormula(env->ctx(), "OT1"), "");
    EXPECT_EQ(env->CountLinesStartingWith("<GetFormula>"), 1);
}

TEST(StartupSysValues, OffDayListAndDataSource) {
    const struct {
        const char* offdays;
        const char* list;
        bool disabled;
    } cases[] = {
        {"X_____X_", "17", false}, {"X-----X", "17", false}, {"_______X", "8", true},    {"XXXXXXXX", "12345678", true},
        {"", "", false},           {"x_____x_", "", false},  {"_X_X_X__", "246", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OffDayListOf(c.offdays), c.list) << c.offdays;
        EXPECT_EQ(OffDaysDisabledBy(OffDayListOf(c.offdays)), c.disabled) << c.offdays;
    }
    EXPECT_EQ(StartupDataSourceOf("1"), "D");
    EXPECT_EQ(StartupDataSourceOf(" 1 "), "D");
    EXPECT_EQ(StartupDataSourceOf("0"), "T");
    EXPECT_EQ(StartupDataSourceOf("2"), "T");
    EXPECT_EQ(StartupDataSourceOf(""), "T");
    EXPECT_EQ(StartupDataSourceOf("11"), "T");
}

TEST_P(SysParamTest, StartupReadOfKtSys) {
    auto env = NewDb();
    AgentContext& ctx = env->ctx();
    EXPECT_FALSE(LoadStartupSysValues(ctx));  // no row: the initial values stay
    EXPECT_EQ(ctx.derived.breakPattern, "________");
    EXPECT_EQ(ctx.derived.offDayList, "17");
    EXPECT_FALSE(ctx.derived.offDaysDisabled);
    EXPECT_EQ(ctx.derived.startupDataSource, "T");
    EXPECT_EQ(ctx.staffDay.DataSource, "T");

    env->Run({"insert into kt_sys (break_select, offdays, datasource) values ('XX_', '_X____XX', ' 1')"});
    EXPECT_TRUE(LoadStartupSysValues(ctx));
    EXPECT_EQ(ctx.derived.breakPattern, "XX_");
    EXPECT_EQ(ctx.derived.offDayList, "278");
    EXPECT_TRUE(ctx.derived.offDaysDisabled);
    EXPECT_EQ(ctx.derived.startupDataSource, "D");
    EXPECT_EQ(ctx.staffDay.DataSource, "D");

    env->Run({"update kt_sys set break_select = null, offdays = null, datasource = '0'"});
    EXPECT_TRUE(LoadStartupSysValues(ctx));
    EXPECT_EQ(ctx.derived.breakPattern, "");
    EXPECT_EQ(ctx.derived.offDayList, "");
    EXPECT_FALSE(ctx.derived.offDaysDisabled);
    EXPECT_EQ(ctx.staffDay.DataSource, "T");

    env->Run({"drop table kt_sys"});
    EXPECT_THROW(LoadStartupSysValues(ctx), db::DbError);
}

KX_INSTANTIATE_BACKENDS(SysParamTest);

}  // namespace
}  // namespace kx
