// The daily auto-process on small suite databases (SQLite and PostgreSQL),
// with a fake clock at 05/01/2024 09:00.
#include "schedule/auto_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "fake_batch_control.h"
#include "schedule_env.h"

namespace kx {
namespace {

TEST(AutoProcessDaysTest, BaseDateAndDays) {
    const LocalTime now = MakeLocalTime(2024, 3, 1, 9, 30, 0);
    struct Case {
        std::string lastAAPDate;
        long long days;
    };
    const Case cases[] = {
        {"20240301", 0},                                      // today: already processed
        {"20240229", 1},                                      // leap day yesterday
        {"20240227", 3},  {"20231231", 61}, {"20240302", 0},  // a date still to come counts as processed (no whole day)
        {"20240310", -8}, {"29991231", 1},                    // today only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lastAAPDate);
        EXPECT_EQ(AutoProcessDays(AutoProcessBase(c.lastAAPDate, now), now), c.days);
    }
    EXPECT_EQ(DateText(AutoProcessBase("29991231", now) + std::chrono::days{1}), "20240301");
    for (const char* bad : {"", "2024031", "20240230", "2024-3-1", "abcdefgh"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(AutoProcessBase(bad, now), std::invalid_argument);
    }
}

TEST(AutoProcessProgressTest, WholePercentOrBusy) {
    struct Case {
        long long n, days, r, rows;
        int expected;
    };
    const Case cases[] = {
        {1, 3, 1, 2, 16},  {1, 3, 2, 2, 33},    {3, 3, 2, 2, 100},
        {1, 1, 1, 1, 100}, {1, 200, 1, 1, 999},  // below 1 %: busy
        {2, 200, 1, 1, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(AutoProcessProgress(c.n, c.days, c.r, c.rows), c.expected);
}

class AutoProcessTest : public test::ScheduleTest {
protected:
    void SetUp() override {
        ScheduleTest::SetUp();
        if (IsSkipped()) return;
        env->clock().Set(MakeLocalTime(2024, 1, 5, 9, 0, 0));
        ctx().settings.options.AutoProcess = true;
    }
    void RunFrom(const std::string& lastAAPDate) {
        ctx().derived.lastAAPDate = lastAAPDate;
        env->Run(
            {"delete from kt_ini", "insert into kt_ini values ('-','Attend','LastAAPDate','" + lastAAPDate + "')"});
        AutoProcessTick(ctx(), control);
    }
    std::vector<std::string> StoredDate() {
        return env->Rows("select i_value from kt_ini where i_group='Attend' and i_entry='LastAAPDate'");
    }

    test::FakeBatchControl control;
};

TEST_P(AutoProcessTest, EachDayAfterTheLastDateUpToTodayForTheStaffWithoutARow) {
    // S2 already has today's row: it is kept as it is
    env->Run({"insert into kt_attnd (at_date, staff_number, at_remark) values ('20240105','S2','kept')"});
    RunFrom("20240102");

    EXPECT_EQ(env->AttendRows(),
              (std::vector<std::string>{"S1 20240103", "S2 20240103", "S3 20240103", "S1 20240104", "S2 20240104",
                                        "S3 20240104", "S1 20240105", "S2 20240105", "S3 20240105"}));
    EXPECT_EQ(env->Rows("select at_remark from kt_attnd where staff_number='S2' and at_date='20240105'"),
              std::vector<std::string>{"kept"});
    EXPECT_EQ(env->Rows("select in_time || out_time || name || late_min from kt_attnd "
                        "where staff_number='S1' and at_date='20240105'"),
              std::vector<std::string>{"08451735Ann Lee15"});
    EXPECT_EQ(StoredDate(), std::vector<std::string>{"20240105"});
    EXPECT_EQ(ctx().derived.lastAAPDate, "20240102");  // the value read at start-up stays

    EXPECT_EQ(env->Logged("AutoProcess: started.").size(), 1u);
    EXPECT_EQ(env->Logged("Auto-Processed End.").size(), 1u);
    const auto summary = env->Logged("Auto-process: ");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0].rfind("Auto-process: 8 staff-days done, 0 failed, 0 skipped in ", 0), 0u) << summary[0];
    // 3 rows on the first two days, 2 on the last; the estimate uses each day's own count
    EXPECT_EQ(env->host.gradBar, (std::vector<int>{11, 22, 33, 44, 55, 66, 83, 100, 0}));
    ASSERT_EQ(env->host.memo.size(), 8u);
    EXPECT_EQ(env->host.memo.back().rfind("Auto-Process S", 0), 0u);
    EXPECT_EQ(env->host.memo.back().substr(15), " on 05/01/2024");
    EXPECT_EQ(env->host.eventDispatches, 8);
    EXPECT_EQ(control.RunningBatch(), std::nullopt);
    EXPECT_FALSE(env->db().InBatch());
}

TEST_P(AutoProcessTest, DaysToProcess) {
    struct Case {
        const char* lastAAPDate;
        std::vector<std::string> rows;
        const char* logged;
        std::vector<std::string> stored;
    };
    const std::vector<std::string> today = {"S1 20240105", "S2 20240105", "S3 20240105"};
    const Case cases[] = {
        {"20240105", {}, "Already processed.", {"20240105"}},
        {"20240108", {}, "Already processed.", {"20240108"}},
        {"20240104", today, "Auto-Processed End.", {"20240105"}},
        {"29991231", today, "Auto-Processed End.", {"20240105"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lastAAPDate);
        SetUp();
        RunFrom(c.lastAAPDate);
        EXPECT_EQ(env->AttendRows(), c.rows);
        EXPECT_EQ(env->Logged(c.logged).size(), 1u);
        EXPECT_EQ(StoredDate(), c.stored);
    }
}

TEST_P(AutoProcessTest, StopKeepsTheLastDateAndIsCleared) {
    env->host.onEvents = [&] {
        if (env->host.eventDispatches == 2) ctx().flags.stop = true;
    };
    RunFrom("20240102");
    EXPECT_EQ(env->AttendRows().size(), 1u);  // the staff-day under way was finished
    EXPECT_EQ(StoredDate(), std::vector<std::string>{"20240102"});
    EXPECT_EQ(env->Logged("User Interrupted.").size(), 1u);
    EXPECT_TRUE(env->Logged("Auto-Processed End.").empty());
    EXPECT_FALSE(ctx().flags.stop);
    EXPECT_EQ(env->host.gradBar.back(), 0);
}

TEST_P(AutoProcessTest, AFailureEndsTheRunAsItStands) {
    ctx().flags.stop = false;
    RunFrom("2024010x");
    EXPECT_EQ(env->Logged("<Timer3Timer>").size(), 1u);
    EXPECT_TRUE(env->AttendRows().empty());
    EXPECT_EQ(StoredDate(), std::vector<std::string>{"2024010x"});
    EXPECT_TRUE(env->host.gradBar.empty());  // steps 7 and 8 skipped
    EXPECT_EQ(control.RunningBatch(), std::nullopt);
}

TEST_P(AutoProcessTest, ARunPastMidnightRecordsTheLastDayItProcessed) {
    env->clock().Set(MakeLocalTime(2024, 1, 5, 23, 59, 0));
    env->host.onEvents = [&] { env->clock().Advance(std::chrono::seconds{30}); };
    RunFrom("20240103");
    EXPECT_EQ(env->AttendRows().size(), 6u);
    // 06/01 was not processed: the next start must still do it
    EXPECT_EQ(StoredDate(), std::vector<std::string>{"20240105"});
}

TEST_P(AutoProcessTest, NotStartedWhenSwitchedOffOrDeferredBehindAnotherBatch) {
    ctx().settings.options.AutoProcess = false;
    RunFrom("20240102");
    EXPECT_TRUE(env->AttendRows().empty());
    EXPECT_TRUE(env->LogLines().empty());

    ctx().settings.options.AutoProcess = true;
    {
        BatchGuard range(control, BatchKind::Range);
        RunFrom("20240102");
        EXPECT_TRUE(env->AttendRows().empty());
        EXPECT_TRUE(control.IsPending(BatchKind::AutoProcess));
    }
    EXPECT_EQ(control.refired, std::vector<BatchKind>{BatchKind::AutoProcess});
    AutoProcessTick(ctx(), control);  // fired again
    EXPECT_EQ(env->AttendRows().size(), 9u);
    EXPECT_EQ(StoredDate(), std::vector<std::string>{"20240105"});
}

KX_INSTANTIATE_BACKENDS(AutoProcessTest);

}  // namespace
}  // namespace kx
