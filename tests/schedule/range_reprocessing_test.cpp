// Range runs of "TRP" requests on small suite databases (SQLite and PostgreSQL),
// with a recording window and batch control.
#include "schedule/range_reprocessing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "assembly/staff_day_db.h"
#include "fake_batch_control.h"
#include "support/recording_host.h"

namespace kx {
namespace {

// The agent's clock reads 05/01/2024 09:00.
const std::vector<std::string> kSite = {
    "insert into kt_sys values ('________','X_____X','0','0830','1730','1200','1300','1000','1015','1500','1515',"
    "'000','002','003','004','001','1','30','30','30','','')",
    "insert into cards values ('S1','000111','Ann Lee','D1','N','','SC1','BR1','D1','CP1','N','20200101','20991231','')",
    "insert into cards values ('S2','000222','Bo Tan','D2','N','','SC2','BR2','D2','CP2','N','20200101','20991231','')",
    "insert into cards values ('S3','000333','Cy Ong','D1','N','','SC1','BR1','D1','CP1','Y','20200101','20991231','')",
    "insert into kt_cdext values ('S1','Y','N','NONE','Y','SC1','BR1','D1','CP1')",
    "insert into kt_cdext values ('S2','N','N','NONE','N','SC2','BR2','D2','CP2')",
    "insert into kt_cdext values ('S3','N','N','NONE','N','SC1','BR1','D1','CP1')",
    "insert into kt_tmclk values ('S1','20240102','0825','I','000','')",
    "insert into kt_tmclk values ('S1','20240102','1735','O','000','')",
    // S3 is exempted: his rows go, whatever their dates
    "insert into kt_attnd (at_date, staff_number) values ('20230101','S3')",
    "insert into kt_attnd (at_date, staff_number) values ('20240102','S3')",
};

// The staff select as the front end writes it, with an extra condition.
std::string StaffSelect(const std::string& condition = "") {
    return "select * from cards c, kt_cdext x where c.staff_number=x.staff_number" + condition +
           " order by c.staff_number";
}
const std::string kAllStaff = StaffSelect();

std::string Request(const std::string& first, const std::string& last, const std::string& sql = kAllStaff,
                    const std::string& source = "T") {
    return "TRP" + source + first + last + sql;
}

class RangeReprocessingTest : public test::BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped()) return;
        env = NewDb();
        env->Run(kSite);
        ctx().host = &host;
    }
    // The next case of a table, on fresh recorders and a fresh database.
    void SetUpNextCase() {
        host = test::RecordingHost{};
        control.calls.clear();
        SetUp();
    }

    AgentContext& ctx() { return env->ctx(); }
    void Run(const std::string& request) { RunRangeReprocessing(ctx(), request, control); }

    std::vector<std::string> Rows(const std::string& sql) {
        db::Query& q = env->db().CommonQuery;
        q.Close();
        q.SetSQL(sql);
        q.Open();
        std::vector<std::string> rows;
        for (; !q.Eof(); q.Next()) rows.push_back(q.Field(0));
        return rows;
    }
    std::vector<std::string> AttendRows() {
        return Rows("select staff_number || ' ' || at_date from kt_attnd order by staff_number, at_date");
    }

    // Step 8, whatever happened before it.
    void ExpectFinished() {
        EXPECT_EQ(host.mailbox, std::vector<std::string>{"RFA"});
        EXPECT_EQ(control.calls, (std::vector<std::string>{"stop mailbox timer", "start mailbox timer"}));
        ASSERT_FALSE(host.gradBar.empty());
        EXPECT_EQ(host.gradBar.back(), 0);
        EXPECT_EQ(host.title, "Brisk Attendance Agent");
        EXPECT_FALSE(ctx().flags.rangeBusy);
        EXPECT_EQ(control.RunningBatch(), std::nullopt);
        EXPECT_FALSE(env->db().InBatch());
    }

    std::unique_ptr<test::StaffDayDb> env;
    test::RecordingHost host;
    test::FakeBatchControl control;
};

TEST_P(RangeReprocessingTest, EveryStaffDayOfTheRangeWithProgress) {
    bool busyDuringRun = false, batchDuringRun = false;
    std::vector<std::string> flexibleHours;
    host.onEvents = [&] {
        busyDuringRun = ctx().flags.rangeBusy;
        batchDuringRun = env->db().InBatch();
        flexibleHours.push_back(ctx().templateRec.FlexibleWorkHour);
    };
    ctx().flags.stop = true;  // left over from an earlier run: cleared at the start
    ctx().settings.options.FlexibleWorkHour = true;
    Run(Request("20240101", "20240103"));

    ExpectFinished();
    EXPECT_TRUE(busyDuringRun);
    EXPECT_TRUE(batchDuringRun);
    EXPECT_EQ(AttendRows(), (std::vector<std::string>{"S1 20240101", "S1 20240102", "S1 20240103", "S2 20240101",
                                                      "S2 20240102", "S2 20240103"}));
    EXPECT_EQ(Rows("select in_time || out_time || name from kt_attnd where staff_number='S1' and at_date='20240102'"),
              std::vector<std::string>{"08251735Ann Lee"});

    // 3 staff x 3 days planned; the exempted staff's 3 are never counted
    EXPECT_TRUE(env->LoggedExactly("9 records (days * staff) to be reprocessed."));
    EXPECT_TRUE(env->LoggedExactly("Turbo SQL=" + kAllStaff));
    EXPECT_TRUE(env->LoggedExactly("Exempted : S3"));
    EXPECT_EQ(host.gradBar, (std::vector<int>{11, 22, 33, 44, 55, 66, 0}));
    EXPECT_EQ(host.titles,
              (std::vector<std::string>{" 11 % Processed.", " 22 % Processed.", " 33 % Processed.", " 44 % Processed.",
                                        " 56 % Processed.", " 67 % Processed.", "Brisk Attendance Agent"}));
    EXPECT_EQ(host.memo, (std::vector<std::string>{"Process S1 on 01/01/2024", "Process S1 on 02/01/2024",
                                                   "Process S1 on 03/01/2024", "Process S2 on 01/01/2024",
                                                   "Process S2 on 02/01/2024", "Process S2 on 03/01/2024"}));
    EXPECT_EQ(flexibleHours, (std::vector<std::string>{"Y", "Y", "Y", "N", "N", "N"}));

    // the template carries the last staff member's card, the request's letter the data source
    EXPECT_EQ(ctx().templateRec.Name + ctx().templateRec.CardNo + ctx().templateRec.ProcessMode, "Bo Tan000222N");
    EXPECT_EQ(ctx().staffDay.DataSource, "T");

    // committed: another connection sees the rows
    auto other = db::Database::Open(env->alias(), env->ctx().home);
    other->CommonQuery.SetSQL("select count(*) from kt_attnd");
    other->CommonQuery.Open();
    EXPECT_EQ(other->CommonQuery.Field(0), "6");
}

TEST_P(RangeReprocessingTest, RequestsThatProcessNothingStillEndWithRFA) {
    struct Case {
        const char* name;
        std::string request;
        std::vector<std::string> rows;  // kt_attnd afterwards
        const char* logged;             // a main-log line that starts so
    };
    const Case cases[] = {
        {"empty select",
         Request("20240101", "20240103", StaffSelect(" and 1=0")),
         {"S3 20230101", "S3 20240102"},
         "Turbo SQL="},
        {"broken select",
         Request("20240101", "20240103", "select * from no_such_table"),
         {"S3 20230101", "S3 20240102"},
         "<TurboReprocess>"},
        {"invalid date", Request("20240101", "20240231"), {"S3 20230101", "S3 20240102"}, "<TurboReprocess>"},
        // nothing to select: no staff rows
        {"short request", "TRPT2024", {"S3 20230101", "S3 20240102"}, "Turbo SQL="},
        // no day at all, yet the exempted staff member loses his rows
        {"first date after last", Request("20240103", "20240101"), {}, "0 records (days * staff) to be reprocessed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUpNextCase();
        if (IsSkipped()) return;
        Run(c.request);
        ExpectFinished();
        EXPECT_EQ(AttendRows(), c.rows);
        EXPECT_GE(env->CountLinesStartingWith(c.logged), 1);
        EXPECT_EQ(host.eventDispatches, 0);
        EXPECT_EQ(host.gradBar, std::vector<int>{0});
    }
}

// The staff select comes from outside: a text that could write is refused
// before anything of it runs, logged, and the run ends as for a broken select.
TEST_P(RangeReprocessingTest, AStaffSelectThatCouldWriteIsRefused) {
    const std::vector<std::string> selects = {
        "delete from holdate",
        "drop table holdate",
        "update holdate set Description='x'",
        StaffSelect() + "; delete from holdate",
        "with gone as (delete from holdate returning *) select * from gone",
        "copy (select 1) to program 'true'",
        "  /* looks harmless */ insert into holdate values ('20990101','x')",
    };
    for (const std::string& select : selects) {
        SCOPED_TRACE(select);
        SetUpNextCase();
        if (IsSkipped()) return;
        env->Run({"insert into holdate values ('20240101','New Year')"});
        Run(Request("20240101", "20240103", select));
        ExpectFinished();
        EXPECT_EQ(Rows("select Description from holdate"), std::vector<std::string>{"New Year"});
        EXPECT_EQ(AttendRows(), (std::vector<std::string>{"S3 20230101", "S3 20240102"}));
        EXPECT_GE(env->CountLinesStartingWith("<TurboReprocess>"), 1);
    }
}

// Every run ends with one line that says what it did.
TEST_P(RangeReprocessingTest, TheRunEndsWithItsSummaryLine) {
    struct Case {
        const char* name;
        std::vector<std::string> fixture;
        const char* summary;
    };
    const Case cases[] = {
        // S1 and S2 for three days; S3 is exempted, his three days skipped
        {"all well", {}, "Range reprocessing: 6 staff-days done, 0 failed, 3 skipped in "},
        {"rows refused",
         {"alter table kt_attnd drop column pre_ot"},
         "Range reprocessing: 0 staff-days done, 6 failed, 3 skipped in "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUpNextCase();
        if (IsSkipped()) return;
        if (!c.fixture.empty()) env->Run(c.fixture);
        Run(Request("20240101", "20240103"));
        ExpectFinished();
        const auto lines = env->LogLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().rfind(c.summary, 0), 0u) << lines.back();
    }
}

TEST_P(RangeReprocessingTest, ALastDateStillToComeEndsTheRangeToday) {
    Run(Request("20240104", "20240110", kAllStaff, "D"));
    ExpectFinished();
    EXPECT_TRUE(env->LoggedExactly("Reprocess - set dt2 10/01/2024 to current date."));
    EXPECT_TRUE(env->LoggedExactly("6 records (days * staff) to be reprocessed."));
    EXPECT_EQ(AttendRows(), (std::vector<std::string>{"S1 20240104", "S1 20240105", "S2 20240104", "S2 20240105"}));
    EXPECT_EQ(ctx().staffDay.DataSource, "D");
}

TEST_P(RangeReprocessingTest, CardValidityLimitsTheDays) {
    env->Run({"update cards set starting_date='20231205', expiry_date='20231210' where staff_number='S1'",
              "update cards set expiry_date='' where staff_number='S2'",
              "insert into kt_attnd (at_date, staff_number) values ('20231130','S1')",
              "insert into kt_attnd (at_date, staff_number) values ('20231220','S1')",
              "insert into kt_attnd (at_date, staff_number) values ('20231220','S2')"});
    ctx().settings.options.CheckStartExpiryDate = true;
    ctx().settings.options.ATA_Details = 1;
    Run(Request("20231201", "20231215", StaffSelect(" and c.staff_number in ('S1','S2')")));
    ExpectFinished();

    // S1: days 5 to 10 processed, the rows outside the card's validity gone;
    // S2's card has no expiry date: every day processed, nothing deleted
    std::vector<std::string> expected = {"S1 20231205", "S1 20231206", "S1 20231207",
                                         "S1 20231208", "S1 20231209", "S1 20231210"};
    for (int day = 1; day <= 15; ++day)
        expected.push_back("S2 202312" + std::string(day < 10 ? "0" : "") + std::to_string(day));
    expected.insert(expected.end(), {"S2 20231220", "S3 20230101", "S3 20240102"});
    EXPECT_EQ(AttendRows(), expected);
    ASSERT_EQ(host.gradBar.size(), 22u);  // done 6 + 15 of the 30 planned, and the ready state
    EXPECT_EQ(host.gradBar[5], 20);
    EXPECT_EQ(host.gradBar[20], 70);
    EXPECT_TRUE(env->LoggedExactly("sStartdt,sEndDt=20231205,20231210"));
    EXPECT_TRUE(env->LoggedExactly("CheckStartExpiryDate=true  dts,Start,End=20231204,20231205,20231210"));
    EXPECT_TRUE(
        env->LoggedExactly("Timer4Timer : out of date range : stf,dts,start,end=S1,20231211,20231205,20231210"));
    EXPECT_TRUE(
        env->LoggedExactly("Timer4Timer : delete from kt_attnd where staff_number= 'S1'  and (at_date < "
                           "'20231205' or at_date>'20231210')"));
    EXPECT_EQ(env->CountLinesStartingWith("Timer4Timer : out of date range"), 9);
}

TEST_P(RangeReprocessingTest, StaffWithoutACardIsSkippedUnderCardValidity) {
    const std::string noCard =
        "select x.staff_number, 'N' as exempted, 'Nobody' as name, '' as card_number, x.sc_code, x.br_code, "
        "x.dp_code, x.cp_code, x.ot_entitled, x.on_shift from kt_cdext x where x.staff_number in ('S1','S9')";
    env->Run({"insert into kt_cdext values ('S9','N','N','NONE','N','SC1','BR1','D1','CP1')"});
    ctx().settings.options.CheckStartExpiryDate = true;
    ctx().settings.options.ATA_Details = 1;
    Run(Request("20240101", "20240101", noCard));
    ExpectFinished();
    EXPECT_TRUE(env->LoggedExactly("<Timer4Timer>: S9 not found"));
    EXPECT_EQ(Rows("select staff_number from kt_attnd where at_date='20240101'"), std::vector<std::string>{"S1"});
}

TEST_P(RangeReprocessingTest, StopEndsTheRunAfterTheStaffDayUnderWay) {
    host.onEvents = [&] { ctx().flags.stop = true; };
    Run(Request("20240101", "20240103"));
    ExpectFinished();
    // the exempted S3 comes after the stop and keeps his rows
    EXPECT_EQ(AttendRows(), (std::vector<std::string>{"S1 20240101", "S3 20230101", "S3 20240102"}));
    EXPECT_EQ(env->CountLinesStartingWith("Stopped manually by user."), 1);
    EXPECT_TRUE(ctx().flags.stop);  // stays set until the next batch clears it
}

TEST_P(RangeReprocessingTest, ManyStaffDaysShowBusyUntilAPercentIsDone) {
    Run(Request("20230101", "20230501", StaffSelect(" and c.staff_number='S2'")));
    ExpectFinished();
    ASSERT_EQ(host.gradBar.size(), 122u);  // 121 days and the ready state
    EXPECT_EQ(host.gradBar[0], 999);
    EXPECT_EQ(host.gradBar[1], 1);
    EXPECT_EQ(host.gradBar[120], 100);
    EXPECT_EQ(host.titles[0], "  1 % Processed.");  // 0.8 rounded
    EXPECT_EQ(host.titles[120], "100 % Processed.");
}

TEST_P(RangeReprocessingTest, DeferredWhileAnotherBatchRuns) {
    {
        BatchGuard interval(control, BatchKind::Interval);
        Run(Request("20240101", "20240101"));
        EXPECT_TRUE(host.mailbox.empty());
        EXPECT_TRUE(control.calls.empty());
        EXPECT_FALSE(ctx().flags.rangeBusy);
        EXPECT_TRUE(control.IsPending(BatchKind::Range));
        EXPECT_EQ(AttendRows(), (std::vector<std::string>{"S3 20230101", "S3 20240102"}));
    }
    EXPECT_EQ(control.refired, std::vector<BatchKind>{BatchKind::Range});
    Run(Request("20240101", "20240101"));
    ExpectFinished();
    EXPECT_EQ(AttendRows(), (std::vector<std::string>{"S1 20240101", "S2 20240101"}));
}

TEST(RangeProgressTitle, RoundedPercentRightAlignedInThree) {
    struct Case {
        long long done, total;
        const char* title;
    };
    const Case cases[] = {
        {1, 2, " 50 % Processed."}, {1, 8, " 13 % Processed."},    {2, 3, " 67 % Processed."},
        {3, 3, "100 % Processed."}, {1, 1000, "  0 % Processed."}, {1, 200, "  1 % Processed."},
    };
    for (const Case& c : cases) EXPECT_EQ(RangeProgressTitle(c.done, c.total), c.title) << c.done << "/" << c.total;
}

KX_INSTANTIATE_BACKENDS(RangeReprocessingTest);

}  // namespace
}  // namespace kx
