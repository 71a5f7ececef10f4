// Interval, daily and previous-day reprocessing driven through minute changes
// with a fake clock, on SQLite and PostgreSQL.
#include "schedule/interval_reprocessing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "assembly/sys_param.h"
#include "assembly/turbo_reprocess.h"
#include "fake_batch_control.h"
#include "schedule/batch_staff_rows.h"
#include "schedule/reprocess_these_staff.h"
#include "schedule_env.h"

namespace kx {
namespace {

using std::chrono::seconds;

TEST(ClockingWindowTest, MinuteWindowsWithTheMidnightRule) {
    struct Case {
        LocalTime now;
        int minutes;
        ClockingWindow expected;
    };
    const Case cases[] = {
        {MakeLocalTime(2024, 1, 5, 10, 5, 40), 5, {"100000", "100500"}},
        {MakeLocalTime(2024, 1, 5, 0, 2, 0), 5, {"000000", "000200"}},  // 23:57 would be later than 00:02
        {MakeLocalTime(2024, 1, 5, 0, 0, 59), 1, {"000000", "000000"}},
        {MakeLocalTime(2024, 1, 5, 23, 59, 0), 0, {"235900", "235900"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClockingWindowSince(c.now - std::chrono::minutes{c.minutes}, c.now), c.expected);
}

TEST(StaffSelectTest, AllStaffAndNewClockingsByCardOrStaffNumber) {
    const ClockingWindow window{"095500", "100000"};
    EXPECT_EQ(StaffSelect(true, "20240105", window, false),
              "select * from cards c, kt_cdext x where  c.staff_number=x.staff_number");
    EXPECT_EQ(StaffSelect(false, "20240105", window, false),
              "select * from cards c, kt_cdext x where  c.staff_number=x.staff_number  and c.card_number in "
              "(select tr_data from trans_r where tr_date='20240105' and tr_time >='095500' and tr_time <='100000')");
    EXPECT_EQ(StaffSelect(false, "20240105", window, true),
              "select * from cards c, kt_cdext x where  c.staff_number=x.staff_number  and c.staff_number in "
              "(select staff_number from trans_r where tr_date='20240105' and tr_time >='095500' and tr_time "
              "<='100000')");
    EXPECT_EQ(StaffSelect(false, "2024'05", window, true).find("tr_date='2024''05'") != std::string::npos, true);
}

class FakeTickTimer : public TickTimer {
public:
    void Stop() override { calls.push_back("stop"); }
    void Start() override { calls.push_back("start"); }
    std::vector<std::string> calls;
};

class IntervalTest : public test::ScheduleTest {
protected:
    // The agent has been running since before 07:59: the last-seen minute is 59.
    void SetUp() override {
        ScheduleTest::SetUp();
        if (IsSkipped()) return;
        interval = IntervalReprocessing{};
        timer.calls.clear();
        TickAt(7, 59, 30);
        timer.calls.clear();
    }
    void TickAt(int hour, int minute, int second) {
        env->clock().Set(MakeLocalTime(2024, 1, 5, hour, minute, second));
        Tick();
    }
    void Tick() { interval.Tick(ctx(), control, timer); }
    Settings::Reprocessing& settings() { return ctx().settings.reprocessing; }
    // The summary line of each run.
    std::vector<std::string> Runs() const {
        std::vector<std::string> runs;
        for (const std::string& line : env->Logged("ReprocessTheseStaff: "))
            if (line.find(" to be processed. ") != std::string::npos) runs.push_back(line);
        return runs;
    }

    IntervalReprocessing interval;
    test::FakeBatchControl control;
    FakeTickTimer timer;
};

TEST_P(IntervalTest, DailyTimesRunOncePerMinuteChange) {
    struct Case {
        const char* name;
        std::vector<std::string Settings::Reprocessing::*> times;  // set to "0800"
        bool previousDay;
        std::vector<std::string> runs;
    };
    using R = Settings::Reprocessing;
    const std::string today = "ReprocessTheseStaff: 3 to be processed. ALL=true Date=20240105";
    const std::string yesterday = "ReprocessTheseStaff: 3 to be processed. ALL=true Date=20240104";
    const Case cases[] = {
        {"first time", {&R::DailyReprocessAtHHMM}, false, {today}},
        {"third time only", {&R::DailyReprocess3AtHHMM}, false, {today}},
        {"two times alike", {&R::DailyReprocessAtHHMM, &R::DailyReprocess2AtHHMM}, false, {today, today}},
        {"previous day", {}, true, {yesterday}},
        {"sixth and previous day", {&R::DailyReprocess6AtHHMM}, true, {today, yesterday}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        for (auto time : c.times) settings().*time = "0800";
        if (c.previousDay) settings().PrevDayReprocessAtHHMM = "0800";
        settings().DailyReprocess5AtHHMM = "0900";  // never reached

        TickAt(8, 0, 10);  // due
        TickAt(8, 0, 40);  // same minute
        TickAt(8, 1, 5);
        EXPECT_EQ(Runs(), c.runs);
        EXPECT_EQ(ctx().flags.lastSeenMinute, 1);
    }
}

TEST_P(IntervalTest, AllStaffRunReprocessesEveryoneWithProgressAndLogs) {
    settings().DailyReprocessAtHHMM = "0800";
    TickAt(8, 0, 0);

    EXPECT_EQ(env->AttendRows(), (std::vector<std::string>{"S1 20240105", "S2 20240105", "S3 20240105"}));
    EXPECT_EQ(env->Rows("select in_time || out_time || late_min from kt_attnd where staff_number='S1'"),
              std::vector<std::string>{"0845173515"});
    EXPECT_EQ(env->Logged("Exempted : "), std::vector<std::string>{"Exempted : S3"});
    EXPECT_EQ(env->host.gradBar, (std::vector<int>{33, 66, 100, 0}));
    EXPECT_EQ(env->host.eventDispatches, 3);
    EXPECT_EQ(timer.calls, (std::vector<std::string>{"stop", "start"}));
    EXPECT_EQ(control.RunningBatch(), std::nullopt);
    EXPECT_FALSE(env->db().InBatch());

    const std::vector<std::string> rp = env->RPLines();
    ASSERT_EQ(rp.size(), 8u);
    EXPECT_EQ(rp.front(), "ReprocessTheseStaff: 3 to be processed. ALL=true Date=20240105");
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(rp[static_cast<std::size_t>(2 * i - 1)].rfind("AutoRP " + std::to_string(i) + " : stf=S", 0), 0u);
        EXPECT_EQ(rp[static_cast<std::size_t>(2 * i)].rfind("AutoRP " + std::to_string(i) + " End : stf=S", 0), 0u);
    }
    EXPECT_EQ(rp.back(), "KT_attnd.RecordCount for 20240105=3");
    EXPECT_EQ(env->Logged("ReprocessTheseStaff"),
              (std::vector<std::string>{"ReprocessTheseStaff: started.", rp.front(), "ReprocessTheseStaff ended."}));
}

TEST_P(IntervalTest, NothingBeforeTheFirstMinuteChange) {
    ctx().flags.lastSeenMinute = 0;
    settings().DailyReprocessAtHHMM = "1000";
    settings().ReprocessIntervalMin = 1;
    TickAt(10, 0, 30);  // minute 0 is the initial last-seen minute
    TickAt(10, 0, 50);
    EXPECT_TRUE(Runs().empty());
    EXPECT_EQ(ctx().flags.intervalCounter, 0);
    TickAt(10, 1, 0);  // 1000 has passed; the interval counts its first change
    EXPECT_EQ(Runs(), std::vector<std::string>{"ReprocessTheseStaff: 0 to be processed. ALL=false Date=20240105"});
}

TEST_P(IntervalTest, NewClockingsByCardOrByStaffNumberEveryIntervalMinutes) {
    struct Case {
        bool basedOnStaffNumber;
        std::string processed;
    };
    for (const Case& c : {Case{false, "S2 20240105"}, Case{true, "S1 20240105"}}) {
        SCOPED_TRACE(c.processed);
        SetUp();
        env->Run({
            "insert into trans_r values ('20240105','080030','000222','0','X2','01','','1')",  // S2's card
            "insert into trans_r values ('20240105','080000','999999','0','S1','01','','1')",  // S1's number
            "insert into trans_r values ('20240105','075500','000333','0','S3','01','','1')",  // before the window
            "insert into trans_r values ('20240105','080300','000333','0','S3','01','','1')",  // after it
            "insert into trans_r values ('20240104','080000','000111','0','S1','01','','1')",  // another day
        });
        settings().ReprocessIntervalMin = 3;
        settings().BasedOnStaffNumber = c.basedOnStaffNumber;

        TickAt(8, 0, 0);  // 1
        TickAt(8, 1, 0);  // 2
        EXPECT_TRUE(Runs().empty());
        TickAt(8, 2, 20);  // 3: window 07:59:00 to 08:02:00
        EXPECT_EQ(env->Logged("Reprocess interval min").size(), 1u);
        EXPECT_EQ(Runs(), std::vector<std::string>{"ReprocessTheseStaff: 1 to be processed. ALL=false Date=20240105"});
        EXPECT_EQ(env->Logged("select * from cards").size(), 1u);
        EXPECT_EQ(env->AttendRows(), std::vector<std::string>{c.processed});
        EXPECT_EQ(ctx().flags.intervalCounter, 0);

        TickAt(8, 3, 0);
        TickAt(8, 4, 0);
        TickAt(8, 5, 0);  // window 08:02:00 to 08:05:00: only S3's clocking at 08:03
        EXPECT_EQ(env->Logged("Reprocess interval min").size(), 2u);
        EXPECT_EQ(Runs().back(), "ReprocessTheseStaff: 1 to be processed. ALL=false Date=20240105");
        EXPECT_EQ(env->Rows("select staff_number from kt_attnd where staff_number='S3'"),
                  std::vector<std::string>{"S3"});
    }
}

TEST_P(IntervalTest, ATimeThatPassesDuringAnEarlierRunOfTheTickIsMissed) {
    settings().DailyReprocessAtHHMM = "0800";
    settings().DailyReprocess2AtHHMM = "0800";
    env->host.onEvents = [&] { env->clock().Advance(seconds{40}); };  // three staff: two minutes
    TickAt(8, 0, 0);
    EXPECT_EQ(Runs().size(), 1u);
    Tick();  // 08:02: minute changed, nothing due
    EXPECT_EQ(Runs().size(), 1u);
}

TEST_P(IntervalTest, AFailedTickIsLoggedAndTheTimerGoesOn) {
    settings().DailyReprocessAtHHMM = "0800";
    settings().DailyReprocess2AtHHMM = "0801";
    env->Run({"drop table kt_attnd"});  // the closing count fails outside RunSQL

    TickAt(8, 0, 5);
    TickAt(8, 0, 40);  // the failed minute is not tried again
    EXPECT_EQ(env->Logged("<Timer2Timer>").size(), 1u);
    EXPECT_EQ(timer.calls, (std::vector<std::string>{"stop", "start", "stop", "start"}));
    EXPECT_EQ(control.RunningBatch(), std::nullopt);

    TickAt(8, 1, 0);  // the next time of day still runs
    EXPECT_EQ(Runs().size(), 2u);
    EXPECT_EQ(env->Logged("<Timer2Timer>").size(), 2u);
}

TEST_P(IntervalTest, AFailedIntervalRunDoesNotStopTheCounting) {
    settings().ReprocessIntervalMin = 1;
    ctx().db = nullptr;
    TickAt(8, 1, 0);
    TickAt(8, 2, 0);
    EXPECT_EQ(env->Logged("<Timer2Timer>").size(), 2u);
    EXPECT_EQ(env->Logged("Reprocess interval min").size(), 2u);
    ctx().db = &env->db();
    TickAt(8, 3, 0);
    EXPECT_EQ(Runs().size(), 1u);
}

// A Stop ends the batch it was pressed in; the next batch starts afresh.
TEST_P(IntervalTest, StopEndsTheRunningBatchOnly) {
    settings().DailyReprocessAtHHMM = "0800";
    settings().DailyReprocess2AtHHMM = "0801";
    ctx().flags.stop = true;  // pressed during an earlier batch
    env->host.onEvents = [&] {
        if (env->host.eventDispatches == 2) ctx().flags.stop = true;  // pressed now, at the second staff member
    };
    TickAt(8, 0, 0);
    EXPECT_EQ(env->AttendRows().size(), 1u) << "the first staff member is done, the batch then stops";
    EXPECT_TRUE(ctx().flags.stop);
    env->host.onEvents = nullptr;
    TickAt(8, 1, 0);
    EXPECT_EQ(Runs().size(), 2u);
    EXPECT_EQ(env->AttendRows().size(), 3u) << "the next batch runs whole";
    const auto summaries = env->Logged("Daily reprocessing: ");
    ASSERT_EQ(summaries.size(), 2u);
    EXPECT_EQ(summaries[0].rfind("Daily reprocessing: 1 staff-days done, 0 failed, 0 skipped in ", 0), 0u);
    EXPECT_EQ(summaries[1].rfind("Daily reprocessing: 3 staff-days done, 0 failed, 0 skipped in ", 0), 0u);
}

TEST_P(IntervalTest, RunsDueDuringAnotherBatchAreOwedAndPaidAfterIt) {
    settings().DailyReprocessAtHHMM = "0800";
    settings().DailyReprocess2AtHHMM = "0900";  // the same date again: one run pays both
    settings().ReprocessIntervalMin = 1;
    env->Run({"insert into trans_r values ('20240105','080500','000222','0','S2','01','','1')"});
    {
        BatchGuard range(control, BatchKind::Range);
        TickAt(8, 0, 10);
        TickAt(9, 0, 0);
        EXPECT_TRUE(Runs().empty());
        EXPECT_TRUE(interval.OwesRuns());
        EXPECT_TRUE(control.IsPending(BatchKind::Daily));
        EXPECT_TRUE(control.IsPending(BatchKind::Interval));
    }
    EXPECT_EQ(control.refired, (std::vector<BatchKind>{BatchKind::Interval, BatchKind::Daily}));

    env->clock().Set(MakeLocalTime(2024, 1, 5, 9, 0, 30));
    Tick();
    EXPECT_FALSE(interval.OwesRuns());
    EXPECT_EQ(Runs(), (std::vector<std::string>{"ReprocessTheseStaff: 3 to be processed. ALL=true Date=20240105",
                                                "ReprocessTheseStaff: 1 to be processed. ALL=false Date=20240105"}));
    // the owed window reaches back to the first interval that fell due
    EXPECT_EQ(env->Logged("select * from cards").back().find("tr_time >='075900' and tr_time <='090000'") !=
                  std::string::npos,
              true);
}

TEST_P(IntervalTest, AnOwedDayStaysItsOwnDateAfterMidnight) {
    settings().DailyReprocessAtHHMM = "2359";
    {
        BatchGuard range(control, BatchKind::Range);
        TickAt(23, 58, 30);
        TickAt(23, 59, 0);
    }
    env->clock().Set(MakeLocalTime(2024, 1, 6, 0, 0, 20));
    Tick();
    EXPECT_EQ(Runs(), std::vector<std::string>{"ReprocessTheseStaff: 3 to be processed. ALL=true Date=20240105"});
}

TEST_P(IntervalTest, WorkDoneWhileTheBatchDispatchesDoesNotChangeItsTemplate) {
    settings().DailyReprocessAtHHMM = "0800";
    // a clocking processed on the fly reloads the template with other values
    env->host.onEvents = [&] {
        ctx().templateRec.SysIn = "0900";
        ctx().templateRec.SysInGrace = "0900";
    };
    TickAt(8, 0, 0);
    EXPECT_EQ(env->Rows("select late_min from kt_attnd where staff_number='S1'"), std::vector<std::string>{"15"});

    // the same staff-day with that template would differ
    GetSysParam(ctx(), ctx().templateRec);
    ctx().templateRec.SysIn = "0900";
    ctx().templateRec.SysInGrace = "0900";
    TurboReprocessAttend(ctx(), "20240105", "S1", "T", "Y", "N", "000111");
    EXPECT_NE(env->Rows("select late_min from kt_attnd where staff_number='S1'"), std::vector<std::string>{"15"});
}

KX_INSTANTIATE_BACKENDS(IntervalTest);

}  // namespace
}  // namespace kx
