// Staff-day reprocessing end to end on small suite databases (SQLite and PostgreSQL).
#include "assembly/turbo_reprocess.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "assembly/sys_param.h"
#include "staff_day_db.h"
#include "support/recording_host.h"

namespace kx {
namespace {

constexpr const char* kDay = "20240105";  // a Friday
const std::string kNoTime = "    ";

// Work 0830-1730, meal 1200-1300, breaks 1000-1015 and 1500-1515 (not clocked
// in the pattern); job codes work 000, meal 002, break 003/004, overtime 001;
// overtime mode A, offset, minimum and rounding 30; time-clock data.
const std::vector<std::string> kSite = {
    "insert into kt_sys values ('________','X_____X','0','0830','1730','1200','1300','1000','1015','1500','1515',"
    "'000','002','003','004','001','1','30','30','30','','')",
    "insert into cards values ('S1','000123','Ann Lee','D1','N','','SC1','BR1','D1','CP1','N','20200101','20991231','')",
    "insert into kt_cdext values ('S1','N','N','NONE','N','SC1','BR1','D1','CP1')",
};

std::string Clocking(const char* time, const char* inOut, const char* date = kDay) {
    return std::string("insert into kt_tmclk values ('S1','") + date + "','" + time + "','" + inOut + "','000','')";
}

class TurboReprocessTest : public test::BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped()) return;
        host = test::RecordingHost{};
        env = NewDb();
        env->Run(kSite);
        ctx().host = &host;
    }

    AgentContext& ctx() { return env->ctx(); }

    // What a batch does before the staff-days of a staff member.
    void Process(const std::string& needShift = "N", const std::string& date = kDay, const std::string& source = "T") {
        GetSysParam(ctx(), ctx().templateRec);
        TAT_Emp& t = ctx().templateRec;
        t.Name = "Ann Lee";
        t.CardNo = "000123";
        t.ScCode = "SC1", t.BrCode = "BR1", t.DpCode = "D1", t.CpCode = "CP1";
        TurboReprocessAttend(ctx(), date, "S1", source, "N", needShift, "000123");
    }

    std::string Value(const std::string& sql) {
        db::Query& q = env->db().CommonQuery;
        q.Close();
        q.SetSQL(sql);
        q.Open();
        return q.Eof() ? "<no row>" : q.Field(0);
    }
    std::string Attend(const std::string& column, const std::string& date = kDay) {
        return Value("select " + column + " from kt_attnd where staff_number='S1' and at_date='" + date + "'");
    }
    std::map<std::string, std::string> AttendRow(const std::vector<std::string>& columns) {
        std::map<std::string, std::string> row;
        for (const std::string& c : columns) row[c] = Attend(c);
        return row;
    }

    std::unique_ptr<test::StaffDayDb> env;
    test::RecordingHost host;
};

TEST_P(TurboReprocessTest, WholeDayReadBackFromTheAttendanceTable) {
    env->Run({Clocking("0825", "I"), Clocking("1735", "O"), Clocking("0840", "I", "20240108"),
              Clocking("1700", "O", "20240108")});
    Process();
    Process("N", "20240108");

    const std::map<std::string, std::string> expected = {
        {"card_number", "000123"},
        {"name", "Ann Lee"},
        {"dp_code", "D1"},
        {"absent", "N"},
        {"late", "N"},
        {"early", "N"},
        {"punctual", "Y"},
        {"in_time", "0825"},
        {"out_time", "1735"},
        {"late_min", "0"},
        {"early_min", "0"},
        {"ot_min", "0"},
        {"leave_tag", "****"},
        {"at_remark", "08:25 17:35" + std::string(12, ' ')},
    };
    std::vector<std::string> columns;
    for (const auto& [column, value] : expected) columns.push_back(column);
    EXPECT_EQ(AttendRow(columns), expected);

    // The Monday after is a row of its own, computed from its own clockings.
    EXPECT_EQ(Attend("in_time", "20240108"), "0840");
    EXPECT_EQ(Attend("late", "20240108"), "Y");
    EXPECT_EQ(Attend("late_min", "20240108"), "10");
    EXPECT_EQ(Attend("early_min", "20240108"), "30");
    EXPECT_EQ(Value("select count(*) from kt_attnd"), "2");

    EXPECT_TRUE(ctx().workRec.RawData.empty());
    EXPECT_EQ(env->CountLinesStartingWith("Reprocess Begin"), 2);
    EXPECT_EQ(env->CountLinesStartingWith("Reprocess End"), 2);
    EXPECT_TRUE(env->LoggedExactly("  Data source = T;   Need_Shift = N   Need_OT = N"));
    EXPECT_TRUE(env->LoggedExactly("  OT mode = A  OT Job Code = 001  ProcessMode=N"));
    EXPECT_TRUE(env->LoggedExactly("  NoRawData = false;   NoIDRawData=true;   ShiftNotDefined = false"));
    EXPECT_TRUE(env->LoggedExactly("  LateEarlyReason=false"));
    EXPECT_EQ(host.normalIcons, 0);
}

TEST_P(TurboReprocessTest, DaysWithoutDataOrShiftAreStoredUncomputed) {
    struct Case {
        const char* name;
        std::vector<std::string> fixture;
        const char* needShift;
        std::map<std::string, std::string> row;
        const char* noDataLine;
    };
    const Case cases[] = {
        {"no clockings",
         {},
         "N",
         {{"absent", "Y"}, {"in_time", kNoTime}, {"at_remark", "[Absent]"}, {"holiday", "N"}},
         "  NoRawData = true;   NoIDRawData=true;   ShiftNotDefined = false"},
        {"holiday without clockings",
         {"insert into holdate values ('20240105','New Year')"},
         "N",
         {{"absent", "N"}, {"in_time", kNoTime}, {"at_remark", "[New Year]"}, {"holiday", "Y"}},
         "  NoRawData = true;   NoIDRawData=true;   ShiftNotDefined = false"},
        // on shift, but no shift for the day: the clockings are read and not computed
        {"shift not found",
         {Clocking("0825", "I"), Clocking("1735", "O")},
         "Y",
         {{"absent", "Y"}, {"in_time", kNoTime}, {"at_remark", "[Shift Not Defined]"}, {"holiday", "N"}},
         "  NoRawData = false;   NoIDRawData=true;   ShiftNotDefined = true"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (IsSkipped()) return;
        env->Run(c.fixture);
        ctx().settings.options.LateEarlyReason = true;
        Process(c.needShift);

        std::vector<std::string> columns;
        for (const auto& [column, value] : c.row) columns.push_back(column);
        EXPECT_EQ(AttendRow(columns), c.row);
        EXPECT_TRUE(ctx().staffDay.ShiftNotFound == (std::string(c.needShift) == "Y"));
        EXPECT_TRUE(env->LoggedExactly(c.noDataLine));
        EXPECT_TRUE(env->LoggedExactly("  No Raw Data or shift not found"));
        EXPECT_EQ(env->CountLinesStartingWith("Reprocess End"), 0);
        EXPECT_TRUE(ctx().workRec.RawData.empty());
        EXPECT_EQ(host.normalIcons, 1);
        // the reason row takes the reset times
        EXPECT_EQ(Value("select in_time || '|' || out_time || '|' || late_reason || '|' || le_remark from kt_lerea"
                        " where staff_number='S1' and le_date='20240105'"),
                  "    |    ||");
    }
}

TEST_P(TurboReprocessTest, HalfDayLeaveMovesTheExpectedTimesBeforeTheComputation) {
    struct Case {
        const char* name;
        const char* in;
        const char* out;
        const char* sysIn;
        const char* sysOut;
        std::map<std::string, std::string> row;
    };
    const Case cases[] = {
        // without the move the 1210 out would be 320 minutes early
        {"afternoon taken", "0805", "1210", "0830", "1200", {{"early", "N"}, {"late", "N"}, {"in_time", "0805"}}},
        // without the move the 1255 in would be 265 minutes late
        {"morning taken", "1255", "1735", "1300", "1730", {{"early", "N"}, {"late", "N"}, {"in_time", "1255"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (IsSkipped()) return;
        env->Run({"insert into kt_ssche (staff_number, shift_date, leave_tag) values ('S1','20240105','HL')",
                  "insert into kt_leave values ('HL','Half day','Y')", Clocking(c.in, "I"), Clocking(c.out, "O")});
        Process();
        EXPECT_EQ(ctx().workRec.SysIn, c.sysIn);
        EXPECT_EQ(ctx().workRec.SysOut, c.sysOut);
        std::vector<std::string> columns;
        for (const auto& [column, value] : c.row) columns.push_back(column);
        EXPECT_EQ(AttendRow(columns), c.row);
        EXPECT_TRUE(env->LoggedExactly("  Half day leave = Y;   Holiday = Half day"));
    }
}

TEST_P(TurboReprocessTest, IgnoreInOutCodeStaysOffOnceCodedOvertimeWasSeen) {
    env->Run({Clocking("0825", "I"), Clocking("1735", "O")});
    ctx().settings.options.IgnoreInOutCOde = true;
    Process();  // mode A leaves it alone
    EXPECT_TRUE(ctx().settings.options.IgnoreInOutCOde);

    env->Run({"update kt_sys set OT_Mode='2'"});
    Process();
    EXPECT_FALSE(ctx().settings.options.IgnoreInOutCOde);
    EXPECT_TRUE(env->LoggedExactly("  Adjusted IgnoreInOutCode=0 under Coded Based OT (OT_Mode=C)"));

    env->Run({"update kt_sys set OT_Mode='1'"});
    Process();
    EXPECT_FALSE(ctx().settings.options.IgnoreInOutCOde);
    EXPECT_EQ(env->CountLinesStartingWith("  Adjusted IgnoreInOutCode=0"), 1);
}

TEST_P(TurboReprocessTest, LateEarlyReasonRowIsWrittenOnceAndNeverReplaced) {
    env->Run({Clocking("0825", "I"), Clocking("1735", "O"), Clocking("0900", "I", "20240108"),
              Clocking("1700", "O", "20240108"),
              "insert into kt_lerea values ('S1','20240108','0700','1900','Traffic','','seen')"});
    ctx().settings.options.LateEarlyReason = true;
    Process();
    Process("N", "20240108");

    const char* row =
        "select in_time || '|' || out_time || '|' || late_reason || '|' || early_reason || '|' || "
        "le_remark from kt_lerea where staff_number='S1' and le_date=";
    EXPECT_EQ(Value(std::string(row) + "'20240105'"), "0825|1735|||");
    EXPECT_EQ(Value(std::string(row) + "'20240108'"), "0700|1900|Traffic||seen");
    EXPECT_TRUE(env->LoggedExactly("  LateEarlyReason=true"));
}

TEST_P(TurboReprocessTest, GroupByDepartmentLaysTheClockingsOutByPosition) {
    env->Run({Clocking("0800", "I"), Clocking("1000", "O"), Clocking("1015", "I"), Clocking("1200", "O"),
              Clocking("1300", "I"), Clocking("0430", "O")});
    ctx().settings.customReport.GroupByDepartment = true;
    Process();
    const std::map<std::string, std::string> expected = {
        {"in_time", "0800"}, {"brk1_out", "1000"},  {"brk1_in", "1015"},  {"meal_out", "1200"},
        {"meal_in", "1300"}, {"brk2_out", kNoTime}, {"brk2_in", kNoTime}, {"out_time", kNoTime},
    };
    std::vector<std::string> columns;
    for (const auto& [column, value] : expected) columns.push_back(column);
    EXPECT_EQ(AttendRow(columns), expected);
    EXPECT_TRUE(ctx().workRec.RawData.empty());
}

TEST_P(TurboReprocessTest, AutoFitWithoutAFittingShiftSavesTheDayUncomputed) {
    env->Run({Clocking("0825", "I"), Clocking("1735", "O")});
    ctx().settings.options.AutoFit = true;
    Process("Y");  // with auto-fit the shift is not looked up
    EXPECT_FALSE(ctx().staffDay.ShiftNotFound);
    EXPECT_TRUE(env->LoggedExactly("  AutoFit - Get FILO & Shift, workjobcode=000"));
    EXPECT_TRUE(env->LoggedExactly("  No shift Fit for FILO=0825,1735"));
    EXPECT_EQ(env->CountLinesStartingWith("Reprocess End"), 0);
    EXPECT_EQ(Attend("in_time"), kNoTime);
    EXPECT_EQ(Attend("absent"), "Y");
    EXPECT_TRUE(ctx().workRec.RawData.empty());
}

TEST_P(TurboReprocessTest, DoorDataFromTheClockTakesTheClockJobCodes) {
    env->Run({"insert into trans_c values ('20240105','0825','000123','<','00','')",
              "insert into trans_c values ('20240105','1735','000123','>','00','')"});
    ctx().settings.database.DBType = "STANDARD";  // the PARADOX door path never reads the clock
    ctx().settings.options.FromClockIfExist = true;
    ctx().settings.options.FromClockJobCodes = "100-200-300-400";
    Process("N", kDay, "D");
    EXPECT_EQ(ctx().staffDay.DataSource, "D");
    EXPECT_TRUE(ctx().staffDay.FromClock);
    const TAT_Emp& w = ctx().workRec;
    EXPECT_EQ(w.WorkJobCode + w.B1JobCode + w.MealJobCode + w.B2JobCode, "100200300400");
    EXPECT_EQ(Attend("absent"), "Y");  // the clock's "000" clockings are not work any more
}

TEST_P(TurboReprocessTest, PhantomRowsGoWhenAsked) {
    env->Run({"insert into kt_attnd (at_date, staff_number) values ('20240101','GONE')",
              "insert into kt_attnd (at_date, staff_number) values ('20240101','S1')"});
    Process();
    EXPECT_EQ(Value("select count(*) from kt_attnd where staff_number='GONE'"), "1");
    ctx().settings.options.ClearAttendPhantom = true;
    Process();
    EXPECT_EQ(Value("select count(*) from kt_attnd where staff_number='GONE'"), "0");
    EXPECT_EQ(Value("select count(*) from kt_attnd where staff_number='S1'"), "2");
    EXPECT_TRUE(env->LoggedExactly("  ClearAttendPhantom ON"));
}

TEST_P(TurboReprocessTest, AFailureEndsTheDayAndReleasesTheClockings) {
    ctx().workRec.RawData.push_back(TCD_Source{kDay, "0800", "000", "I", ""});
    Process("N", "2024011X");
    EXPECT_TRUE(env->LoggedContaining("<TurboReprocessAttend>:"));
    EXPECT_TRUE(ctx().workRec.RawData.empty());
    EXPECT_EQ(Value("select count(*) from kt_attnd"), "0");
}

KX_INSTANTIATE_BACKENDS(TurboReprocessTest);

}  // namespace
}  // namespace kx
