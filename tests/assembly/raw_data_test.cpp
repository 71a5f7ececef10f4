#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "assembly/raw_data.h"
#include "staff_day_db.h"

namespace kx {
namespace {

using test::ClockingTexts;
using test::Sorted;

// One staff-day retrieval: settings, fixture rows, and what must come out.
struct RawCase {
    const char* name;
    std::function<void(AgentContext&)> settings;  // data source, mode and options
    std::vector<std::string> fixture;
    std::vector<std::string> clockings;  // "date time inout job edited"
    bool result = true;
    std::string date = "20240105";
    std::string sysIn = "0830";
    std::string staff = "S1";
    std::string card = "C1";
    std::vector<std::string> logged = {};     // lines that must be in the main log
    std::vector<std::string> notLogged = {};  // text no line may hold
    bool ordered = false;                     // clockings compared in list order
    std::optional<bool> fromClock = std::nullopt;
    std::optional<std::string> clockReason = std::nullopt;
};

void TimeClock(AgentContext& ctx, const char* mode) {
    ctx.staffDay.DataSource = "T";
    ctx.derived.integrationMode = mode;
}

void Door(AgentContext& ctx, const char* mode, const char* dbType = "MSSQL") {
    ctx.staffDay.DataSource = "D";
    ctx.derived.integrationMode = mode;
    ctx.settings.database.DBType = dbType;
}

std::string TmClk(const char* staff, const char* date, const char* time, const char* code, const char* job = "000",
                  const char* edited = "") {
    return std::string("insert into kt_tmclk values ('") + staff + "','" + date + "','" + time + "','" + code + "','" +
           job + "','" + edited + "')";
}

std::string TransR(const char* date, const char* time, const char* card, const char* code, const char* staff = "S1",
                   const char* fep = "01", const char* el5k = "01", const char* dev = "01") {
    return std::string("insert into trans_r values ('") + date + "','" + time + "','" + card + "','" + code + "','" +
           staff + "','" + fep + "','" + el5k + "','" + dev + "')";
}

std::string TransC(const char* date, const char* time, const char* card, const char* code, const char* priority,
                   const char* extra = "0000") {
    return std::string("insert into trans_c values ('") + date + "','" + time + "','" + card + "','" + code + "','" +
           priority + "','" + extra + "')";
}

const std::vector<RawCase>& Cases() {
    static const std::vector<RawCase> cases = {
        {.name = "standalone time clock reads kt_tmclk of D and N",
         .settings = [](AgentContext& c) { TimeClock(c, ""); },
         .fixture = {TmClk("S1", "20240104", "2350", "I"), TmClk("S1", "20240105", "0800", "I"),
                     TmClk("S1", "20240105", "1730", "O", "000", "Y"), TmClk("S1", "20240106", "0100", "O", "001"),
                     TmClk("S1", "20240105", "1200", "X"), TmClk("S2", "20240105", "0805", "I"),
                     TransR("20240105", "0700", "C1", "0")},
         .clockings = {"20240105 0800 I 000 ", "20240105 1730 O 000 Y", "20240106 0100 O 001 "},
         .logged = {"  GetRawData: StfNo=S1  20240105  source=T AttendEdit=false",
                    "GetRawData.SQL.add=select * from kt_tmclk where (tc_date ='20240105' or tc_date = '20240106' or "
                    "tc_date = '20240105')  and staff_number = 'S1' and tran_code in ('I','O')",
                    "StfNo=S1,20240105: 3 records", "    AddOneRawData: 20240105 0800 I 000 "},
         .notLogged = {"Door.TMCLK", "trans_r"}},

        {.name = "early expected in reaches the day before, over a leap day",
         .settings = [](AgentContext& c) { TimeClock(c, ""); },
         .fixture = {TmClk("S1", "20240228", "2300", "I"), TmClk("S1", "20240229", "2300", "I"),
                     TmClk("S1", "20240301", "0700", "O"), TmClk("S1", "20240302", "0010", "O"),
                     TmClk("S1", "20240303", "0010", "O")},
         .clockings = {"20240229 2300 I 000 ", "20240301 0700 O 000 ", "20240302 0010 O 000 "},
         .date = "20240301",
         .sysIn = "0030",
         .logged = {"GetRawData.SQL.add=select * from kt_tmclk where (tc_date ='20240301' or tc_date = '20240302' or "
                    "tc_date = '20240229')  and staff_number = 'S1' and tran_code in ('I','O')"}},

        {.name = "expected in 0100 keeps the day before out, end of a common February",
         .settings = [](AgentContext& c) { TimeClock(c, ""); },
         .fixture = {TmClk("S1", "20230227", "2300", "I"), TmClk("S1", "20230228", "0100", "I"),
                     TmClk("S1", "20230301", "0200", "O")},
         .clockings = {"20230228 0100 I 000 ", "20230301 0200 O 000 "},
         .date = "20230228",
         .sysIn = "0100"},

        {.name = "door transactions in the Paradox form: by staff, eight-digit dates whatever TranYearDigits",
         .settings =
             [](AgentContext& c) {
                 Door(c, "", "PARADOX");
                 c.settings.options.TranYearDigits = 2;
             },
         .fixture = {TransR("20240105", "080000", "C9", "0"), TransR("20240105", "173000", "C9", "9"),
                     TransR("20240105", "120000", "C9", "5"), TransR("20240105", "081000", "C9", "0", "S2")},
         .clockings = {"20240105 0800 I 000 ", "20240105 1730 O 000 "},
         .logged = {"    GetRawData - From Paradox - NimbLAN",
                    "GetRawData.SQL.add=select * from trans_r where (tr_date ='20240105' or tr_date = '20240106' or "
                    "tr_date = '20240105')  and staff_number = 'S1' and tr_code in ('0','9')"},
         .notLogged = {"Door.TMCLK"}},

        {.name = "door transactions by card with two-digit years",
         .settings =
             [](AgentContext& c) {
                 Door(c, "");
                 c.settings.options.TranYearDigits = 2;
             },
         .fixture = {TransR("240105", "0800", "C1", "0"), TransR("240106", "0100", "C1", "9"),
                     TransR("240105", "0805", "C2", "0"), TransR("240104", "2300", "C1", "0")},
         .clockings = {"20240105 0800 I 000 ", "20240106 0100 O 000 "},
         .logged = {"GetRawData.SQL.add=select * from trans_r where (tr_date ='240105' or tr_date = '240106' or "
                    "tr_date = '240105')  and tr_data = 'C1' and tr_code in ('0','9')"},
         .notLogged = {"From Paradox"}},

        {.name = "two-digit years across the century",
         .settings =
             [](AgentContext& c) {
                 Door(c, "");
                 c.settings.options.TranYearDigits = 2;
             },
         .fixture = {TransR("991231", "0800", "C1", "0"), TransR("000101", "0200", "C1", "9")},
         .clockings = {"19991231 0800 I 000 ", "20000101 0200 O 000 "},
         .date = "19991231"},

        {.name = "door transactions by staff number",
         .settings =
             [](AgentContext& c) {
                 Door(c, "");
                 c.settings.reprocessing.BasedOnStaffNumber = true;
             },
         .fixture = {TransR("20240105", "0800", "OLD", "0"), TransR("20240105", "0900", "C1", "0", "S2")},
         .clockings = {"20240105 0800 I 000 "},
         .logged = {"GetRawData.SQL.add=select * from trans_r where (tr_date ='20240105' or tr_date = '20240106' or "
                    "tr_date = '20240105')  and staff_number = 'S1' and tr_code in ('0','9')"}},

        {.name = "door path takes trans_c when the card has clock transactions",
         .settings =
             [](AgentContext& c) {
                 Door(c, "");
                 c.settings.options.FromClockIfExist = true;
             },
         .fixture = {TransC("20240105", "0800", "C1", "<", "1"), TransC("20240105", "1700", "C1", ">", "2"),
                     TransC("20230101", "0800", "C1", "<", "1"), TransR("20240105", "0700", "C1", "0")},
         .clockings = {"20240105 0800 I 01 ", "20240105 1700 O 02 "},
         .logged = {"GetRawData.SQL.add=select * from trans_c where (tr_date ='20240105' or tr_date = '20240106' or "
                    "tr_date = '20240105')  and tr_data = 'C1' and tr_code in ('<','>')"},
         .fromClock = true},

        {.name = "door path without clock transactions stays on trans_r and clears the from-clock flag",
         .settings =
             [](AgentContext& c) {
                 Door(c, "");
                 c.settings.options.FromClockIfExist = true;
                 c.staffDay.FromClock = true;
             },
         .fixture = {TransR("20240105", "0700", "C1", "0"), TransC("20240105", "0800", "C2", "<", "1")},
         .clockings = {"20240105 0700 I 000 "},
         .fromClock = false},

        {.name = "clock transactions on the door path are not filtered by controller",
         .settings =
             [](AgentContext& c) {
                 Door(c, "NIMBNET");
                 c.settings.options.FromClockIfExist = true;
                 c.settings.options.SelectedControllersOnly = true;
             },
         .fixture = {TransC("20240105", "0800", "C1", "<", "1")},
         .clockings = {"20240105 0800 I 01 "},
         .notLogged = {"Controller not selected"}},

        {.name = "selected controllers in NIMBNET mode: fep_no and dev_id",
         .settings =
             [](AgentContext& c) {
                 Door(c, "NIMBNET");
                 c.settings.options.SelectedControllersOnly = true;
                 c.derived.selectedControllers.items = {"0301", "0402"};
             },
         .fixture = {TransR("20240105", "0800", "C1", "0", "S1", "03", "09", "01"),
                     TransR("20240105", "0900", "C1", "0", "S1", "03", "04", "02"),
                     TransR("20240105", "1700", "C1", "9", "S1", "04", "03", "02")},
         .clockings = {"20240105 0800 I 000 ", "20240105 1700 O 000 "},
         .logged = {"GetRawData: SelectedCtrl dt,tm,crd,code=20240105,0900,C1,0",
                    "Controller not selected:03,02,20240105",
                    "Door.TMCLK, rec count=0SQL=select * from kt_tmclk where (tc_date ='20240105' or tc_date = "
                    "'20240106' or tc_date = '20240105')  and staff_number = 'S1' and tran_code in ('I','O')"}},

        {.name = "selected controllers in TESSEL mode: el5k_no",
         .settings =
             [](AgentContext& c) {
                 Door(c, "TESSEL");
                 c.settings.options.SelectedControllersOnly = true;
                 c.derived.selectedControllers.items = {"0901"};
             },
         .fixture = {TransR("20240105", "0800", "C1", "0", "S1", "03", "09", "01"),
                     TransR("20240105", "0900", "C1", "0", "S1", "09", "03", "01")},
         .clockings = {"20240105 0800 I 000 "},
         .logged = {"Controller not selected:03,01,20240105"}},

        {.name = "an empty selection skips every door row yet the rows were read",
         .settings =
             [](AgentContext& c) {
                 Door(c, "");
                 c.settings.options.SelectedControllersOnly = true;
             },
         .fixture = {TransR("20240105", "0800", "C1", "0"), TransR("20240105", "1700", "C1", "9")},
         .clockings = {},
         .logged = {"Controller not selected:01,01,20240105"}},

        {.name = "NIMBNET time clock: trans_c with the job digit, then the kt_tmclk supplement",
         .settings = [](AgentContext& c) { TimeClock(c, "NIMBNET"); },
         .fixture = {TransC("20240105", "0800", "C1", "<", "3"), TmClk("S1", "20240105", "1700", "O", "005")},
         .clockings = {"20240105 0800 I 03 ", "20240105 1700 O 005 "},
         .logged = {"    Nimbnet/Tessel: Time CLock.SQL=select * from trans_c where (tr_date ='20240105' or tr_date = "
                    "'20240106' or tr_date = '20240105')  and tr_data = 'C1' and tr_code in ('<','>')",
                    "Door.TMCLK, rec count=1SQL=select * from kt_tmclk where (tc_date ='20240105' or tc_date = "
                    "'20240106' or tc_date = '20240105')  and staff_number = 'S1' and tran_code in ('I','O')"},
         .ordered = true},

        {.name = "TESSEL time clock: job code and clock reasons from extra",
         .settings =
             [](AgentContext& c) {
                 TimeClock(c, "TESSEL");
                 c.settings.tessel.ClockReason = true;
                 c.staffDay.ClockReason = "stale";
             },
         .fixture = {TransC("20240105", "083015", "C1", "<", "9", "1234"),
                     TransC("20240105", "1700", "C1", ">", "9", "0000"),
                     TransC("20240105", "1800", "C1", ">", "9", "0777"),
                     "insert into clock_reasons values ('1234', ' Doctor  ')"},
         .clockings = {"20240105 0830 I 234 ", "20240105 1700 O 000 ", "20240105 1800 O 777 "},
         .notLogged = {"<GetClockReason>"},
         .clockReason = std::string(" Doctor ")},

        {.name = "TESSEL with two-digit years on trans_c",
         .settings =
             [](AgentContext& c) {
                 TimeClock(c, "TESSEL");
                 c.settings.options.TranYearDigits = 2;
             },
         .fixture = {TransC("240105", "0800", "C1", "<", "9", "0001"),
                     TransC("20240105", "0900", "C1", "<", "9", "0001")},
         .clockings = {"20240105 0800 I 001 "}},

        {.name = "NIMBNET time clock with no rows anywhere answers false",
         .settings = [](AgentContext& c) { TimeClock(c, "NIMBNET"); },
         .fixture = {TransC("20240107", "0800", "C1", "<", "3"), TmClk("S1", "20240107", "1700", "O")},
         .clockings = {},
         .result = false},

        {.name = "NIMBLAN time clock reads kt_tmclk twice",
         .settings = [](AgentContext& c) { TimeClock(c, "NIMBLAN"); },
         .fixture = {TmClk("S1", "20240105", "0800", "I")},
         .clockings = {"20240105 0800 I 000 ", "20240105 0800 I 000 "}},

        {.name = "user override: an in-clocking in kt_tmclk on the day replaces the door data",
         .settings =
             [](AgentContext& c) {
                 Door(c, "NIMBNET");
                 c.settings.options.ClockDataUserOverride = true;
             },
         .fixture = {TransR("20240105", "0700", "C1", "0"), TransR("20240105", "1900", "C1", "9"),
                     TmClk("S1", "20240105", "0805", "I", "000", "Y"), TmClk("S1", "20240105", "1200", "B", "002"),
                     TmClk("S1", "20240106", "0100", "O")},
         .clockings = {"20240105 0805 I 000 Y", "20240105 1200 B 002 ", "20240106 0100 O 000 "},
         .logged = {"ClockDataUserOverride-Check For In Rec:Door.TMCLK, rec count=1SQL=select * from kt_tmclk where "
                    "( tc_date = '20240105' )  and staff_number = 'S1' and tran_code ='I'",
                    "ClockDataUserOverride, Rec> 0:Door.TMCLK, rec count=3SQL=select * from kt_tmclk where (tc_date "
                    "='20240105' or tc_date = '20240106' or tc_date = '20240105')  and staff_number = 'S1'"}},

        {.name = "user override without an in-clocking on the day keeps the door data only",
         .settings =
             [](AgentContext& c) {
                 Door(c, "TESSEL");
                 c.settings.options.ClockDataUserOverride = true;
             },
         .fixture = {TransR("20240105", "0700", "C1", "0"), TmClk("S1", "20240105", "1800", "O"),
                     TmClk("S1", "20240106", "0800", "I")},
         .clockings = {"20240105 0700 I 000 "},
         .notLogged = {"Rec> 0"}},

        {.name = "user override with no door data at all still answers true",
         .settings =
             [](AgentContext& c) {
                 Door(c, "NIMBLAN");
                 c.settings.options.ClockDataUserOverride = true;
             },
         .fixture = {TmClk("S1", "20240105", "0805", "I")},
         .clockings = {"20240105 0805 I 000 "}},

        {.name = "standalone door path never reads kt_tmclk",
         .settings = [](AgentContext& c) { Door(c, ""); },
         .fixture = {TransR("20240105", "0700", "C1", "0"), TmClk("S1", "20240105", "0805", "I")},
         .clockings = {"20240105 0700 I 000 "},
         .notLogged = {"kt_tmclk"}},

        {.name = "edited attendance replaces the clock data",
         .settings =
             [](AgentContext& c) {
                 TimeClock(c, "NIMBNET");
                 c.settings.options.AttendEdit = true;
             },
         .fixture = {"insert into kt_atdedit values ('S1','20240105','0800','0200','2230','0100','12001300')",
                     TmClk("S1", "20240105", "0700", "I"), TransC("20240105", "0800", "C1", "<", "1")},
         .clockings = {"20240105 0800 I W Y", "20240106 0200 O W Y", "20240105 2230 I OT Y", "20240106 0100 O OT Y",
                       "20240105 1200 O M Y", "20240105 1300 I M Y"},
         .sysIn = "2200",
         .card = "",
         .logged = {"  GetRawData: StfNo=S1  20240105  source=T AttendEdit=true",
                    "    Found Edited attendance in AtdEdit:[0800],[0200],[2230],[0100],[12001300]"},
         .notLogged = {"GetRawData.SQL.add", "TMCLK", "GetRawDate"},
         .ordered = true},

        {.name = "edited attendance with only a meal-out and blank times",
         .settings =
             [](AgentContext& c) {
                 TimeClock(c, "");
                 c.settings.options.AttendEdit = true;
             },
         .fixture = {"insert into kt_atdedit values ('S1','20240105','  ',null,'','    ','1200')"},
         .clockings = {"20240105 1200 O M Y"}},

        {.name = "edited attendance enabled without a row reads the clocks",
         .settings =
             [](AgentContext& c) {
                 TimeClock(c, "");
                 c.settings.options.AttendEdit = true;
             },
         .fixture = {"insert into kt_atdedit values ('S1','20240104','0800','1700','','','')",
                     TmClk("S1", "20240105", "0700", "I")},
         .clockings = {"20240105 0700 I 000 "}},

        {.name = "an empty card is looked up in cards",
         .settings = [](AgentContext& c) { Door(c, ""); },
         .fixture = {"insert into cards (staff_number, card_number) values ('S1', 'C7')",
                     TransR("20240105", "0700", "C7", "0"), TransR("20240105", "0800", "C1", "0")},
         .clockings = {"20240105 0700 I 000 "},
         .card = "",
         .logged = {"GetRawDate=SQL1=select card_number from cards where staff_number = 'S1'"}},

        {.name = "a staff member without a cards row has no clockings",
         .settings = [](AgentContext& c) { TimeClock(c, ""); },
         .fixture = {TmClk("S9", "20240105", "0700", "I")},
         .clockings = {},
         .result = false,
         .staff = "S9",
         .card = "",
         .notLogged = {"GetRawData.SQL.add"}},

        {.name = "an undecodable date is logged and queried as it stands",
         .settings = [](AgentContext& c) { TimeClock(c, ""); },
         .fixture = {TmClk("S1", "2024013X", "0700", "I")},
         .clockings = {"2024013X 0700 I 000 "},
         .date = "2024013X",
         .logged = {"<GetRawData.encodedate>:'2024013X' is not a valid date"}},

        {.name = "a missing table ends the retrieval with its failure line",
         .settings = [](AgentContext& c) { TimeClock(c, ""); },
         .fixture = {"drop table kt_tmclk"},
         .clockings = {},
         .result = false},

        {.name = "a missing column fails at the row",
         .settings = [](AgentContext& c) { TimeClock(c, "NIMBNET"); },
         .fixture = {"drop table trans_c",
                     "create table trans_c (tr_date text, tr_time text, tr_data text, tr_code text)",
                     "insert into trans_c values ('20240105', '0800', 'C1', '<')"},
         .clockings = {},
         .result = false},

        {.name = "a supplement failure keeps the main result and its clockings",
         .settings = [](AgentContext& c) { TimeClock(c, "NIMBNET"); },
         .fixture = {TransC("20240105", "0800", "C1", "<", "1"), "drop table kt_tmclk"},
         .clockings = {"20240105 0800 I 01 "}},

        {.name = "bad times and empty codes are dropped one by one",
         .settings = [](AgentContext& c) { TimeClock(c, ""); },
         .fixture = {TmClk("S1", "20240105", "", "I"), TmClk("S1", "20240105", "ab12", "O"),
                     TmClk("S1", "20240105", "0800", "I"),
                     "insert into kt_tmclk values ('S1','20240105','0900',null,'000','')",
                     "insert into kt_tmclk values ('S1','20240105',null,'O','000','')"},
         .clockings = {"20240105 0800 I 000 "},
         .logged = {"<AddOneRawData>'' is not a valid clocking time",
                    "<AddOneRawData>'ab12' is not a valid clocking time"}},

        {.name = "quotes in values stay inside their literals",
         .settings = [](AgentContext& c) { TimeClock(c, ""); },
         .fixture = {TmClk("O''Neil", "20240105", "0700", "I"), TmClk("O", "20240105", "0800", "I")},
         .clockings = {"20240105 0700 I 000 "},
         .staff = "O'Neil",
         .logged = {"GetRawData.SQL.add=select * from kt_tmclk where (tc_date ='20240105' or tc_date = '20240106' or "
                    "tc_date = '20240105')  and staff_number = 'O''Neil' and tran_code in ('I','O')"}},

        {.name = "an unknown data source letter reads the door rows and adds none",
         .settings =
             [](AgentContext& c) {
                 Door(c, "NIMBNET", "PARADOX");
                 c.staffDay.DataSource = "X";
             },
         .fixture = {TransR("20240105", "0700", "C1", "0"), TmClk("S1", "20240105", "0800", "I")},
         .clockings = {},
         .notLogged = {"TMCLK"}},
    };
    return cases;
}

class GetRawDataTest : public test::BackendTest {};

TEST_P(GetRawDataTest, PerModeAndSource) {
    for (const RawCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        auto env = NewDb();
        AgentContext& ctx = env->ctx();
        c.settings(ctx);
        env->Run(c.fixture);

        TAT_Emp record;
        record.SysIn = c.sysIn;
        record.WorkJobCode = "W";
        record.MealJobCode = "M";
        record.OTEntry.OTJobcode = "OT";
        const bool result = GetRawData(ctx, record, c.date, c.staff, c.card);

        EXPECT_EQ(result, c.result);
        EXPECT_EQ(record.StaffNo, c.staff);
        EXPECT_EQ(record.AtDate, c.date);
        if (c.ordered)
            EXPECT_EQ(ClockingTexts(record), c.clockings);
        else
            EXPECT_EQ(Sorted(ClockingTexts(record)), Sorted(c.clockings));
        for (const std::string& line : c.logged) EXPECT_TRUE(env->LoggedExactly(line)) << line;
        for (const std::string& text : c.notLogged) EXPECT_FALSE(env->LoggedContaining(text)) << text;
        if (c.fromClock) {
            EXPECT_EQ(ctx.staffDay.FromClock, *c.fromClock);
        }
        if (c.clockReason) {
            EXPECT_EQ(ctx.staffDay.ClockReason, *c.clockReason);
        }
        // Failures are expected exactly where a case's name says so.
        const bool failed = env->LoggedContaining("<GetRawData>:");
        EXPECT_EQ(failed, std::string(c.name).find("fail") != std::string::npos);
        EXPECT_FALSE(env->db().CommonQuery.Active());
        EXPECT_FALSE(env->db().Common2Query.Active());
    }
}

TEST_P(GetRawDataTest, NoSuchStaffLine) {
    auto env = NewDb();
    TimeClock(env->ctx(), "");
    TAT_Emp record;
    EXPECT_FALSE(GetRawData(env->ctx(), record, "20240105", "S9", ""));
    EXPECT_TRUE(env->LoggedExactly("GetRawData - No such staff - S9 DB=ATA AL=" + env->alias()));
}

TEST_P(GetRawDataTest, ClockReasonLookup) {
    auto env = NewDb();
    env->Run({"insert into clock_reasons values ('0042', '  Late bus ')"});
    EXPECT_EQ(GetClockReason(env->ctx(), "0042"), "Late bus");
    EXPECT_EQ(GetClockReason(env->ctx(), "0043"), "");
    EXPECT_EQ(GetClockReason(env->ctx(), "0'1"), "");
    env->Run({"drop table clock_reasons"});
    EXPECT_EQ(GetClockReason(env->ctx(), "0042"), "");
    EXPECT_EQ(env->CountLinesStartingWith("<GetClockReason>:"), 1);
}

TEST_P(GetRawDataTest, ExtendedIdentificationNumbers) {
    const struct {
        const char* name;
        const char* mode;
        bool extendedIdNo;
        int idLength;
        const char* idNo;
        std::vector<std::string> clockings;
        bool result;
    } cases[] = {
        {"last ten characters of a twelve-character ID",
         "TESSEL",
         true,
         12,
         "AB1234567890",
         {"20240105 0800 I 000 "},
         true},
        {"short lengths take the whole ID", "TESSEL", true, 10, "ID77", {"20240105 0900 O 000 "}, true},
        {"off outside TESSEL", "NIMBNET", true, 12, "AB1234567890", {}, false},
        {"off without ExtendedIDNo", "TESSEL", false, 12, "AB1234567890", {}, false},
        {"no Extended_Card_Info row", "TESSEL", true, 12, nullptr, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto env = NewDb();
        AgentContext& ctx = env->ctx();
        ctx.derived.integrationMode = c.mode;
        ctx.settings.options.ExtendedIDNo = c.extendedIdNo;
        ctx.settings.options.ExtendedIDLength = c.idLength;
        ctx.settings.options.ATA_Details = 1;
        ctx.settings.options.TranYearDigits = 2;
        env->Run({TransR("240105", "0800", "1234567890", "0"), TransR("240105", "0900", "ID77", "9"),
                  TransR("240105", "1000", "AB1234567890", "9")});
        if (c.idNo) env->Run({std::string("insert into Extended_Card_Info values ('S1', '") + c.idNo + "')"});

        TAT_Emp record;
        record.SysIn = "0830";
        record.RawData.push_back({"20240105", "0700", "000", "I", ""});  // gathered before
        EXPECT_EQ(GetIDNoRawData(ctx, record, "20240105", "S1", "C1"), c.result);
        std::vector<std::string> expected = {"20240105 0700 I 000 "};
        expected.insert(expected.end(), c.clockings.begin(), c.clockings.end());
        EXPECT_EQ(ClockingTexts(record), expected);
        EXPECT_FALSE(env->LoggedContaining("<GetIDNoRawData>"));
    }
}

TEST_P(GetRawDataTest, ExtendedIdentificationFailure) {
    auto env = NewDb();
    env->ctx().derived.integrationMode = "TESSEL";
    env->ctx().settings.options.ExtendedIDNo = true;
    env->Run({"drop table Extended_Card_Info"});
    TAT_Emp record;
    EXPECT_FALSE(GetIDNoRawData(env->ctx(), record, "20240105", "S1", ""));
    EXPECT_EQ(env->CountLinesStartingWith("<GetIDNoRawData>:"), 1);
}

KX_INSTANTIATE_BACKENDS(GetRawDataTest);

}  // namespace
}  // namespace kx
