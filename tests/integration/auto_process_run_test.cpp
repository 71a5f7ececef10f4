// The daily auto-process of a headless kx-ata on a kx-db demo site, on SQLite
// and PostgreSQL: the days since the last auto-process date up to today get
// their rows and the date moves to today; a run ended early keeps the date.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "agent_process.h"
#include "core/clock.h"
#include "support/query_rows.h"
#include "support/test_db.h"

namespace kx {
namespace {

using namespace std::chrono_literals;

std::string DaysFromToday(int days) { return DateText(SystemClock().Now() + std::chrono::days{days}); }

class AutoProcessRunTest : public test::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) return;
        if (!test::ProgramBuilt("kx-ata") || !test::ProgramBuilt("kx-db"))
            GTEST_SKIP() << "kx-ata or kx-db is not built";
    }

    std::string Target() const { return IsPostgres() ? testDb_->alias() : (testDb_->home() / "kxtest.db").string(); }

    // A demo site whose last auto-process date is `lastAAPDate`, with no attendance rows.
    void MakeSite(int staff, int days, const std::string& lastAAPDate) {
        const test::ProgramResult demo =
            test::RunProgram({test::BinPath("kx-db").string(), "demo", Target(), "--staff", std::to_string(staff),
                              "--days", std::to_string(days), "--from", DaysFromToday(1 - days)});
        ASSERT_EQ(demo.status, 0) << demo.err;
        test::RunFixture(db(), {"delete from kt_attnd"});
        test::RunFixture(db(), {"delete from kt_ini where i_entry='LastAAPDate'"});
        test::RunFixture(db(), {"insert into kt_ini values ('-','Attend','LastAAPDate','" + lastAAPDate + "')"});
        home.WriteIni("[Database]\nDBAlias=" + Target() + "\n[Options]\nAutoProcess=1\nATA_Details=11\n");
    }

    std::vector<std::string> Column(const std::string& sql) { return test::FirstColumn(db().CommonQuery, sql); }
    int Count(const std::string& sql) { return std::stoi(Column(sql).at(0)); }
    std::vector<std::string> StoredDate() {
        return Column("select i_value from kt_ini where i_group='Attend' and i_entry='LastAAPDate'");
    }

    test::AgentHome home;
};

TEST_P(AutoProcessRunTest, TheDaysSinceTheLastDateUpToTodayAreProcessed) {
    const std::string last = DaysFromToday(-3);
    MakeSite(12, 6, last);
    const int staff = Count("select count(*) from cards c, kt_cdext x where c.staff_number=x.staff_number");
    ASSERT_GT(staff, 5);
    const std::string kept = Column("select min(staff_number) from cards").at(0);
    test::RunFixture(db(), {"insert into kt_attnd (at_date, staff_number, at_remark) values ('" + DaysFromToday(-1) +
                            "','" + kept + "','kept')"});

    test::RunningAgent agent(home);
    ASSERT_TRUE(agent.WaitForLog("Auto-Processed End.", 90s)) << agent.StandardError();

    for (int day = -2; day <= 0; ++day) {
        SCOPED_TRACE(day);
        EXPECT_EQ(Count("select count(*) from kt_attnd where at_date='" + DaysFromToday(day) + "'"), staff);
    }
    EXPECT_EQ(
        Count("select count(*) from kt_attnd where at_date<='" + last + "' or at_date>'" + DaysFromToday(0) + "'"), 0);
    EXPECT_EQ(Column("select at_remark from kt_attnd where staff_number='" + kept + "' and at_date='" +
                     DaysFromToday(-1) + "'"),
              std::vector<std::string>{"kept"});
    EXPECT_GT(Count("select count(*) from kt_attnd where total_wmin > 0"), 0);  // computed, not only reset
    EXPECT_EQ(StoredDate(), std::vector<std::string>{DaysFromToday(0)});
    EXPECT_NE(agent.StandardOutput().find("Auto-Process " + kept + " on "), std::string::npos);

    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.WaitExit(), 0);
}

TEST_P(AutoProcessRunTest, ARunEndedBeforeItsLastDayKeepsTheDate) {
    const std::string last = DaysFromToday(-60);
    MakeSite(200, 61, last);
    const int total = 60 * Count("select count(*) from cards c, kt_cdext x where c.staff_number=x.staff_number");

    test::RunningAgent agent(home);
    ASSERT_TRUE(agent.WaitForLog("AutoProcess: started.", 60s)) << agent.StandardError();
    std::this_thread::sleep_for(300ms);
    agent.Signal(SIGTERM);  // closing stops the batch at its next check, as the Stop button does
    EXPECT_EQ(agent.WaitExit(120s), 0);

    const std::vector<std::string> lines = home.LogLines();
    EXPECT_TRUE(home.Logged("User Interrupted."));
    EXPECT_FALSE(home.Logged("Auto-Processed End."));
    EXPECT_EQ(lines.back(), "---- KX_ATA Ended. ----");
    EXPECT_EQ(StoredDate(), std::vector<std::string>{last});
    const int written = Count("select count(*) from kt_attnd");
    EXPECT_GT(written, 0);
    EXPECT_LT(written, total);
}

TEST_P(AutoProcessRunTest, WithADailyTimeTheIntervalTimerRunsInstead) {
    MakeSite(5, 2, DaysFromToday(-1));
    // the first tick's minute differs from the initial last-seen minute 0 (unless the agent
    // starts in minute 0 of an hour), so an interval of one minute runs at once or a minute later
    home.WriteIni("[Database]\nDBAlias=" + Target() +
                  "\n[Options]\nAutoProcess=1\nATA_Details=11\n[Reprocessing]\nReprocessIntervalMin=1\n"
                  "DailyReprocessAtHHMM=9999\n");
    test::RunningAgent agent(home);
    ASSERT_TRUE(agent.WaitForLog("Reprocess interval min", 90s)) << agent.StandardError();
    ASSERT_TRUE(agent.WaitForLog("ReprocessTheseStaff ended.", 30s));
    EXPECT_FALSE(home.Logged("AutoProcess: started."));
    EXPECT_EQ(StoredDate(), std::vector<std::string>{DaysFromToday(-1)});

    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.WaitExit(), 0);
}

KX_INSTANTIATE_BACKENDS(AutoProcessRunTest);

}  // namespace
}  // namespace kx
