// Batches that meet a database outage: a server connection that drops, a server
// that refuses connections for a while or for good, an SQLite file that another
// program keeps locked. What the outage rolled back is done again; what cannot
// be done is named in the log and counted as failed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "assembly/staff_day_db.h"
#include "fake_batch_control.h"
#include "schedule/range_reprocessing.h"
#include "schedule/reprocess_these_staff.h"
#include "support/query_rows.h"
#include "support/recording_host.h"

namespace kx {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

const std::vector<std::string> kSite = {
    "insert into kt_sys values ('________','X_____X','0','0830','1730','1200','1300','1000','1015','1500','1515',"
    "'000','002','003','004','001','1','30','30','30','','')",
    "insert into cards values ('S1','000111','Ann Lee','D1','N','','SC1','BR1','D1','CP1','N','20200101','20991231','')",
    "insert into cards values ('S2','000222','Bo Tan','D2','N','','SC2','BR2','D2','CP2','N','20200101','20991231','')",
    "insert into kt_cdext values ('S1','Y','N','NONE','N','SC1','BR1','D1','CP1')",
    "insert into kt_cdext values ('S2','N','N','NONE','N','SC2','BR2','D2','CP2')",
    "insert into kt_tmclk values ('S1','20240102','0825','I','000','')",
    "insert into kt_tmclk values ('S1','20240102','1735','O','000','')",
    "insert into kt_tmclk values ('S2','20240103','0910','I','000','')",
    "insert into kt_tmclk values ('S2','20240103','1700','O','000','')",
};
const std::string kRange =
    "TRPT2024010120240103select * from cards c, kt_cdext x where c.staff_number=x.staff_number order by "
    "c.staff_number";
const std::string kRows =
    "select staff_number || ' ' || at_date || ' ' || coalesce(in_time,'') || "
    "coalesce(out_time,'') || ' ' || coalesce(late,'') || coalesce(absent,'') || ' ' || coalesce(total_wmin,0) || ' ' || coalesce(at_remark,'') "
    "from kt_attnd order by staff_number, at_date";

class OutageRecoveryTest : public test::BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped()) return;
        agentDb.reset();
        env = NewDb();
        env->Run(kSite);
        ctx().host = &host;
        other = db::Database::Open(env->alias(), ctx().home);
    }

    void TearDown() override {
        agentDb.reset();
        for (const std::string& role : roles) admin->ExecScript("drop role if exists " + role);
    }

    // The agent logs in as a role of its own, which the server can then refuse
    // without disturbing the other tests that share it.
    void GiveTheAgentItsOwnLogin() {
        if (!admin) admin = db::Database::Open(test::PostgresServerUri(), ctx().home);
        role = "kx_outage_" + std::to_string(getpid()) + "_" + std::to_string(roles.size());
        admin->ExecScript("create role " + role + " login superuser");
        roles.push_back(role);
        agentDb = db::Database::Open(env->alias(), ctx().home, db::Login{role, "NULL"});
        ctx().db = agentDb.get();
    }

    AgentContext& ctx() { return env->ctx(); }

    std::vector<std::string> Rows(db::Database& db) { return test::FirstColumn(db.CommonQuery, kRows); }

    std::string One(db::Database& db, const std::string& sql) {
        db.CommonQuery.SetSQL(sql);
        db.CommonQuery.Open();
        std::string value = db.CommonQuery.Field(0);
        db.CommonQuery.Close();
        return value;
    }

    // From the second connection: the agent's connection goes, as when its server restarts.
    void DropAgentConnection() { One(*other, "select pg_terminate_backend(" + agentPid + ")::text"); }
    void AllowConnections(bool allow) {
        admin->ExecScript("alter role " + role + (allow ? " login" : " nologin"));
        refusing = !allow;
    }

    std::string LastLineStartingWith(const std::string& start) {
        std::string found;
        for (const std::string& line : env->LogLines())
            if (line.rfind(start, 0) == 0) found = line;
        return found;
    }

    std::unique_ptr<test::StaffDayDb> env;
    std::unique_ptr<db::Database> other;
    std::unique_ptr<db::Database> admin;
    std::unique_ptr<db::Database> agentDb;  // closed before its schema goes with env
    std::vector<std::string> roles;
    std::string role;
    test::RecordingHost host;
    test::FakeBatchControl control;
    std::string agentPid;
    bool refusing = false;
};

TEST_P(OutageRecoveryTest, AServerThatGoesAwayMidRangeLosesNoStaffDay) {
    if (!env->db().IsPostgres()) GTEST_SKIP() << "only a server connection can be lost";
    struct Case {
        const char* name;
        milliseconds refused;  // how long the server refuses new connections after the drop
        int reconnectSeconds;
        bool allDone;
    };
    const Case cases[] = {
        {"dropped, the server stays up", milliseconds{0}, 60, true},
        {"the server refuses for 1.5 s", milliseconds{1500}, 60, true},
        {"the server refuses past the limit", milliseconds{60000}, 1, false},
    };

    RunRangeReprocessing(ctx(), kRange, control);
    const std::vector<std::string> clean = Rows(env->db());
    ASSERT_EQ(clean.size(), 6u);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host = test::RecordingHost{};
        SetUp();
        GiveTheAgentItsOwnLogin();
        agentPid = One(*ctx().db, "select pg_backend_pid()::text");
        ctx().settings.database.ReconnectSeconds = c.reconnectSeconds;

        int staffDays = 0;
        steady_clock::time_point refusedUntil{};
        host.onEvents = [&] {
            if (++staffDays == 4) {
                if (c.refused.count() > 0) AllowConnections(false);
                refusedUntil = steady_clock::now() + c.refused;
                DropAgentConnection();
            } else if (refusing && steady_clock::now() >= refusedUntil) {
                AllowConnections(true);
            }
        };
        RunRangeReprocessing(ctx(), kRange, control);
        if (refusing) AllowConnections(true);

        EXPECT_EQ(host.mailbox, std::vector<std::string>{"RFA"});
        EXPECT_FALSE(ctx().db->InBatch());
        const std::vector<std::string> rows = Rows(*other);
        const std::string summary = LastLineStartingWith("Range reprocessing: ");
        EXPECT_TRUE(env->LoggedContaining("<Database>: out of reach or busy during Range reprocessing"));
        if (c.allDone) {
            EXPECT_EQ(rows, clean);
            EXPECT_EQ(summary.rfind("Range reprocessing: 6 staff-days done, 0 failed, 0 skipped in ", 0), 0u)
                << summary;
            EXPECT_TRUE(env->LoggedContaining("<Database>: back after "));
        } else {
            // What was committed before the drop stays; the rest is named and counted.
            const std::string ended = LastLineStartingWith("<Database>: Range reprocessing ends; first not done: ");
            EXPECT_FALSE(ended.empty());
            EXPECT_EQ(summary.rfind("Range reprocessing: " + std::to_string(rows.size()) + " staff-days done, " +
                                        std::to_string(4 - rows.size()) + " failed",
                                    0),
                      0u)
                << summary;
            for (const std::string& row : rows) EXPECT_NE(std::find(clean.begin(), clean.end(), row), clean.end());
        }
    }
}

// The daily batch walks its staff through the same recovery.
TEST_P(OutageRecoveryTest, ADailyRunWhoseConnectionDropsWritesEveryStaffMember) {
    if (!env->db().IsPostgres()) GTEST_SKIP() << "only a server connection can be lost";
    agentPid = One(env->db(), "select pg_backend_pid()::text");
    int dispatches = 0;
    host.onEvents = [&] {
        if (++dispatches == 2) DropAgentConnection();
    };
    ReprocessTheseStaff(ctx(), true, MakeLocalTime(2024, 1, 3, 9, 0, 0));
    EXPECT_EQ(One(*other, "select count(*) from kt_attnd where at_date='20240103'"), "2");
    EXPECT_EQ(LastLineStartingWith("Daily reprocessing: ").rfind("Daily reprocessing: 2 staff-days done, 0 failed", 0),
              0u);
}

// The front end holds the file's write lock longer than the engine waits for it.
TEST_P(OutageRecoveryTest, ARangeWaitsForAnSQLiteLockHeldByAnotherProgram) {
    if (env->db().IsPostgres()) GTEST_SKIP() << "the file lock is SQLite's";
    RunRangeReprocessing(ctx(), kRange, control);
    const std::vector<std::string> clean = Rows(env->db());
    env->Run({"delete from kt_attnd"});
    host = test::RecordingHost{};

    other->ExecScript("BEGIN IMMEDIATE");
    bool held = true;
    host.onEvents = [&] {
        // The first events come from the wait: the batch could not open its transaction.
        if (!held) return;
        other->ExecScript("ROLLBACK");
        held = false;
    };
    RunRangeReprocessing(ctx(), kRange, control);

    EXPECT_FALSE(held);
    EXPECT_EQ(Rows(*other), clean);
    EXPECT_EQ(host.mailbox, std::vector<std::string>{"RFA"});
    EXPECT_TRUE(env->LoggedContaining("<Database>: back after "));
}

KX_INSTANTIATE_BACKENDS(OutageRecoveryTest);

}  // namespace
}  // namespace kx
