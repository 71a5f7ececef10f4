// Faults met by the real programs during range runs: the agent killed at
// random points, a PostgreSQL server restarted under it, an SQLite file that
// another process keeps locked for 30 s. No committed row may be wrong, and
// an outage shorter than [Database] ReconnectSeconds may lose no staff-day.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "backend_programs.h"
#include "comms/agent_lock.h"
#include "db/database.h"
#include "support/file_text.h"
#include "support/log_texts.h"

namespace kx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::BackgroundProgram;
using test::FileText;
using test::RunProgram;

const std::string kStaffSelect = "select * from cards c, kt_cdext x where c.staff_number=x.staff_number";
const std::vector<std::string> kDecember = {"trp", "T", "20231201", "20231231", kStaffSelect};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// The last line of the main log that starts so, without its time stamp.
std::string LastLogLine(const fs::path& home, const std::string& start) {
    std::string found;
    for (std::string& text : test::LogTexts(home / "KX_ATA.Log"))
        if (text.starts_with(start)) found = std::move(text);
    return found;
}

class DatabaseFaultsTest : public test::BackendProgramsTest {
protected:
    void SetUp() override { SetUpPrograms({"kx-ata", "kx-ctl", "kx-db"}, "faults"); }

    void Demo(const std::string& target, int staff) {
        const test::ProgramResult demo = RunProgram({(bin / "kx-db").string(), "demo", target, "--staff",
                                                     std::to_string(staff), "--days", "31", "--from", "20231201"},
                                                    test::ErrorOutput::IntoOutput);
        ASSERT_EQ(demo.status, 0) << demo.out;
    }
    void WriteIni(const std::string& alias, const fs::path& home) {
        std::ofstream(home / "Kairox.ini") << "[Database]\nDBAlias=" << alias << "\n";
    }

    std::unique_ptr<BackgroundProgram> StartAgent(const fs::path& home) {
        auto agent = std::make_unique<BackgroundProgram>(
            std::vector<std::string>{(bin / "kx-ata").string(), "--home", home.string(), "--headless", "--mailbox",
                                     mailbox},
            home / "kx-ata.out");
        EXPECT_TRUE(
            WaitFor([&] { return test::FileLockedElsewhere(AgentLockPath(mailbox)) || !agent->Running(); }, 30s));
        EXPECT_TRUE(agent->Running()) << FileText(home / "kx-ata.out");
        return agent;
    }
    std::unique_ptr<BackgroundProgram> StartRequest(const fs::path& output) {
        std::vector<std::string> args = {(bin / "kx-ctl").string(), "--mailbox", mailbox, "--timeout", "300"};
        args.insert(args.end(), kDecember.begin(), kDecember.end());
        return std::make_unique<BackgroundProgram>(args, output);
    }
    void EndAgent(std::unique_ptr<BackgroundProgram>& agent) {
        EXPECT_EQ(Ctl({"end"}).status, 0);
        EXPECT_EQ(agent->WaitExit(30s), 0);
    }

    // kt_attnd by staff and date, each row's fields joined.
    std::map<std::string, std::string> AttendRows(db::Database& db) {
        db::Query& q = db.CommonQuery;
        q.SetSQL("select * from kt_attnd");
        q.Open();
        std::map<std::string, std::string> rows;
        for (; !q.Eof(); q.Next()) {
            std::string row;
            for (int i = 0; i < q.FieldCount(); ++i) row += q.Field(i) + "|";
            rows[q.FieldByName("staff_number") + " " + q.FieldByName("at_date")] = row;
        }
        q.Close();
        return rows;
    }
};

// Ten kills would say more, but three at random points already reach each
// phase of a run (its start, its middle, the commits) across the runs of the suite.
TEST_P(DatabaseFaultsTest, KilledAtRandomPointsEveryCommittedRowIsRightAndARepeatCompletesTheTable) {
    Demo(Target(), 60);
    WriteIni(testDb_->alias(), Home());

    auto agent = StartAgent(Home());
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Ctl(kDecember).status, 0);
    const auto cleanRun =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    EndAgent(agent);
    const std::map<std::string, std::string> clean = AttendRows(db());
    ASSERT_GT(clean.size(), 1000u);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed) + ", clean run " + std::to_string(cleanRun.count()) + " ms");
    std::mt19937 random(seed);
    std::uniform_int_distribution<long long> delay(20, std::max<long long>(40, cleanRun.count() * 9 / 10));
    db().ExecScript("delete from kt_attnd");
    for (int round = 0; round < 3; ++round) {
        agent = StartAgent(Home());
        auto request = StartRequest(Home() / "kx-ctl.out");
        std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
        agent.reset();  // SIGKILL
        request.reset();
        test::RemoveMailboxFiles(mailbox);  // what a kill leaves, so the next request is the only one
        for (const auto& [key, row] : AttendRows(db())) {
            SCOPED_TRACE(key);
            ASSERT_TRUE(clean.count(key));
            EXPECT_EQ(row, clean.at(key));
        }
    }

    agent = StartAgent(Home());
    ASSERT_EQ(Ctl(kDecember).status, 0);
    EndAgent(agent);
    EXPECT_EQ(AttendRows(db()), clean);
}

// The front end (another process) holds the file's write lock from before the
// request for 30 s: three times what the engine waits by itself.
TEST_P(DatabaseFaultsTest, AnSQLiteLockHeldThirtySecondsByAnotherProcessLosesNoStaffDay) {
    if (IsPostgres()) GTEST_SKIP() << "the file lock is SQLite's";
    Demo(Target(), 20);
    WriteIni(testDb_->alias(), Home());
    auto agent = StartAgent(Home());
    ASSERT_EQ(Ctl(kDecember).status, 0);
    const std::map<std::string, std::string> clean = AttendRows(db());
    db().ExecScript("delete from kt_attnd");

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t locker = fork();
    if (locker == 0) {
        close(ready[0]);
        auto own = db::Database::Open(Target(), Home());
        own->ExecScript("BEGIN IMMEDIATE");
        (void)!write(ready[1], "x", 1);
        std::this_thread::sleep_for(30s);
        own->ExecScript("ROLLBACK");
        _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);

    const test::ProgramResult request = Ctl(kDecember, "300");
    int status = -1;
    waitpid(locker, &status, 0);
    EXPECT_EQ(request.status, 0) << request.out;
    EXPECT_NE(request.out.find("RFA"), std::string::npos);
    EXPECT_EQ(AttendRows(db()), clean);
    EXPECT_NE(LastLogLine(Home(), "<Database>: back after "), "");
    EXPECT_EQ(
        LastLogLine(Home(), "Range reprocessing: ").find(std::to_string(clean.size()) + " staff-days done, 0 failed"),
        std::string("Range reprocessing: ").size());
    EndAgent(agent);
}

// A server of the test's own, stopped and started again within 20 s while a
// range runs on it.
TEST_P(DatabaseFaultsTest, APostgresRestartDuringARangeLosesNoStaffDay) {
    if (!IsPostgres()) GTEST_SKIP() << "a server restart is PostgreSQL's";
    char dirTemplate[] = "/tmp/kx-restart-pg.XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    chmod(dirTemplate, 0755);
    const fs::path serverDir = fs::path(dirTemplate) / "srv";
    const std::string script = std::string(KX_SOURCE_DIR) + "/scripts/pg-server.sh";
    const test::ProgramResult start =
        RunProgram({"/bin/bash", script, "start", serverDir.string()}, test::ErrorOutput::IntoOutput);
    struct StopServer {
        std::string script, dir, top;
        ~StopServer() {
            RunProgram({"/bin/bash", script, "stop", dir}, test::ErrorOutput::IntoOutput);
            std::error_code ignored;
            fs::remove_all(top, ignored);
        }
    } stop{script, serverDir.string(), dirTemplate};
    ASSERT_EQ(start.status, 0) << start.out;
    const std::string uri = start.out.substr(0, start.out.find('\n'));

    // Long enough (12,400 staff-days) that the restart comes in the middle of the run.
    Demo(uri, 400);
    WriteIni(uri, Home());
    auto agent = StartAgent(Home());
    const fs::path ctlOut = Home() / "kx-ctl.out";
    auto request = StartRequest(ctlOut);
    ASSERT_TRUE(WaitFor([&] { return FileText(ctlOut).find("CRVTRP0") != std::string::npos; }, 60s));
    std::this_thread::sleep_for(200ms);
    const auto stopped = std::chrono::steady_clock::now();
    const test::ProgramResult restart =
        RunProgram({"/bin/bash", script, "restart", serverDir.string(), "5"}, test::ErrorOutput::IntoOutput);
    ASSERT_EQ(restart.status, 0) << restart.out;
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 20s);

    EXPECT_EQ(request->WaitExit(300s), 0) << FileText(ctlOut);
    EXPECT_NE(FileText(ctlOut).find("RFA"), std::string::npos);
    EXPECT_NE(LastLogLine(Home(), "<Database>: back after "), "") << "the run ended before the restart";
    const std::string summary = LastLogLine(Home(), "Range reprocessing: ");

    auto server = db::Database::Open(uri, Home());
    const std::map<std::string, std::string> afterOutage = AttendRows(*server);
    EXPECT_NE(summary.find(std::to_string(afterOutage.size()) + " staff-days done, 0 failed"), std::string::npos)
        << summary;
    // The same request on a quiet server: the rows the outage run wrote are these.
    ASSERT_EQ(Ctl(kDecember).status, 0);
    EXPECT_EQ(AttendRows(*server), afterOutage);
    EXPECT_GT(afterOutage.size(), 10000u);
    EndAgent(agent);
}

KX_INSTANTIATE_BACKENDS(DatabaseFaultsTest);

}  // namespace
}  // namespace kx
