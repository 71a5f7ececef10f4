#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "agent_process.h"
#include "comms/agent_lock.h"
#include "db/database.h"

namespace kx::test {
namespace {

class KxAtaTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ProgramBuilt("kx-ata") || !ProgramBuilt("kx-db")) GTEST_SKIP() << "kx-ata or kx-db is not built";
    }
};

TEST_F(KxAtaTest, VersionAndHelp) {
    const ProgramResult version = RunProgram({BinPath("kx-ata").string(), "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "kx-ata 1.1.4.7\n");

    const ProgramResult help = RunProgram({BinPath("kx-ata").string(), "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: kx-ata [--home DIR] [--server] [--headless] [--mailbox NAME] "
                             "[--mailbox-group GROUP] [--version] [--help]",
                             0),
              0u);
}

TEST_F(KxAtaTest, UnknownOptionIsRefusedWithStatus2) {
    const ProgramResult run = RunProgram({BinPath("kx-ata").string(), "--frobnicate"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("kx-ata: The following argument was not expected: --frobnicate\nUsage: kx-ata ", 0), 0u)
        << run.err;
    EXPECT_EQ(run.out, "");
}

// The one-shot check beside a running agent: it serves no mailbox and writes no log line.
TEST_F(KxAtaTest, CheckReportsTheSettingsAndChangesNothing) {
    AgentHome home;
    home.CreateDemo(5, 3, "20261101");
    home.WriteIni("[Options]\nAutoProcess=1\n");
    RunningAgent agent(home);
    ASSERT_TRUE(agent.WaitForLog("FEP #1 : 127.0.0.1 Port:4000 : Error 10061 Connection refused"));
    const auto logBefore = home.LogLines();

    struct Case {
        const char* ini;
        int status;
        const char* shown;
    };
    const Case cases[] = {
        {"[Options]\nAutoProcess=1\n", 1,
         "FEP #1 127.0.0.1:4000 MSGSERVER does not answer"},  // the demo's unit 1 is not there
        {"[Options]\nAutoProccess=1\n", 1, "did you mean AutoProcess?"},
        {"[Database]\nDBAlias=nowhere.db\n", 1, "nowhere.db does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        home.WriteIni(c.ini);
        const ProgramResult check = RunProgram({BinPath("kx-ata").string(), "--check", "--home", home.path().string()});
        EXPECT_EQ(check.status, c.status) << check.out << check.err;
        EXPECT_NE(check.out.find(c.shown), std::string::npos) << check.out;
        EXPECT_NE(check.out.find("overtime mode") == std::string::npos,
                  std::string(c.ini).find("DBAlias") == std::string::npos)
            << check.out;
    }
    EXPECT_EQ(home.LogLines(), logBefore);
    EXPECT_TRUE(AgentLockHeld(agent.Mailbox()));

    const ProgramResult wrong = RunProgram({BinPath("kx-ata").string(), "--check", "--mailbox", "M"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("--mailbox excludes --check"), std::string::npos) << wrong.err;
    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.WaitExit(), 0);
}

TEST_F(KxAtaTest, CheckOfAGoodHomeExitsZero) {
    AgentHome home;
    home.CreateDemo(5, 3, "20261101");
    home.WriteIni("[Options]\nATA_Details=11\n");
    // The demo's FEP 1 is not listening here; a site without controllers has nothing to warn about.
    const auto db = db::Database::Open("Kairox", home.path());
    db->CommonQuery.SetSQL("delete from M_Server");
    db->CommonQuery.ExecSQL();
    const ProgramResult check = RunProgram({BinPath("kx-ata").string(), "--check", "--home", home.path().string()});
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_NE(check.out.find("[Options] ATA_Details = 11 (default 0)"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("No warnings."), std::string::npos) << check.out;
}

TEST_F(KxAtaTest, StartsAndClosesInOrderOnTermination) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        AgentHome home;
        home.CreateDemo(5, 3, "20261101");
        home.WriteIni();
        RunningAgent agent(home);
        ASSERT_TRUE(agent.WaitStarted()) << agent.StandardError();
        EXPECT_TRUE(AgentLockHeld(agent.Mailbox()));

        agent.Signal(signal);
        EXPECT_EQ(agent.WaitExit(), 0);
        const auto lines = home.LogLines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines.front(), "---- KX_ATA Started [1.1.4.7] <RW> ----");
        // The controller connections follow the start-up: the demo's FEP 1 is not there.
        EXPECT_NE(std::find(lines.begin(), lines.end(), "<FormCr> End."), lines.end());
        EXPECT_EQ(lines.back(), "---- KX_ATA Ended. ----");
        EXPECT_FALSE(AgentLockHeld(agent.Mailbox()));
    }
}

// Nothing accumulates in /dev/shm: the lock goes with its directory, and the
// block too unless a front end of the named group may still hold it.
TEST_F(KxAtaTest, AnOrderlyCloseLeavesNothingBehindUnlessAGroupMayHoldTheBlock) {
    struct Case {
        std::vector<std::string> args;
        bool blockKept;
    };
    for (const Case& c : {Case{{}, false}, Case{{"--mailbox-group", "root"}, true}}) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        AgentHome home;
        home.CreateDatabase();
        home.WriteIni();
        RunningAgent agent(home, c.args);
        ASSERT_TRUE(agent.WaitStarted()) << agent.StandardError();
        const std::string lock = AgentLockPath(agent.Mailbox());
        struct stat st {};
        ASSERT_EQ(stat(lock.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        ASSERT_EQ(stat(AgentLockDirectory(agent.Mailbox()).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);

        agent.Signal(SIGTERM);
        EXPECT_EQ(agent.WaitExit(), 0);
        EXPECT_FALSE(std::filesystem::exists(AgentLockDirectory(agent.Mailbox())));
        EXPECT_EQ(std::filesystem::exists("/dev/shm/" + agent.Mailbox()), c.blockKept);
    }
}

TEST_F(KxAtaTest, SignalDuringStartUpIsServedOnceItHasEnded) {
    AgentHome home;
    home.CreateDatabase();
    home.WriteIni();
    RunningAgent agent(home);
    ASSERT_TRUE(agent.WaitForLog("---- KX_ATA Started [1.1.4.7] <RW> ----"));
    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.WaitExit(), 0);
    EXPECT_EQ(home.LogLines().back(), "---- KX_ATA Ended. ----");
}

TEST_F(KxAtaTest, MissingDatabaseEndsWithFCRDBAndAFailureStatus) {
    AgentHome home;
    home.WriteIni();
    RunningAgent agent(home);
    const std::optional<int> status = agent.WaitExit();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 1);
    const std::string error = "database file not found: " + home.DatabaseFile().string();
    EXPECT_TRUE(home.Logged("<FCR.DB>" + error)) << ::testing::PrintToString(home.LogLines());
    EXPECT_NE(agent.StandardOutput().find(error), std::string::npos) << "the message is shown on standard output";
    EXPECT_EQ(home.LogLines().back(), "---- KX_ATA Ended. ----");
    EXPECT_FALSE(AgentLockHeld(agent.Mailbox()));
}

// An empty file, a foreign file and an SQLite database without the suite's
// tables: refused at start with a line naming kx-db create; the file is left as it was.
TEST_F(KxAtaTest, NotASuiteDatabaseIsRefusedAndLeftAlone) {
    const struct {
        const char* name;
        std::string content;  // written as the file; "sqlite" makes an SQLite database with one table
        const char* logged;
    } cases[] = {
        {"empty file", "", "<FCR.DB>not an SQLite database: "},
        {"text file", "hello\n", "<FCR.DB>not an SQLite database: "},
        {"other database", "sqlite",
         "<FCR.DB>not a suite database: no table cards, kt_attnd (make them with kx-db create)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AgentHome home;
        home.WriteIni();
        if (c.content == "sqlite") {
            std::ofstream(home.DatabaseFile()).close();
            db::Database::Open(home.DatabaseFile().string(), home.path())->ExecScript("create table other (a text)");
        } else {
            std::ofstream(home.DatabaseFile(), std::ios::binary) << c.content;
        }
        const auto sizeBefore = std::filesystem::file_size(home.DatabaseFile());
        RunningAgent agent(home);
        EXPECT_EQ(agent.WaitExit(), 1);
        const auto lines = home.LogLines();
        EXPECT_NE(
            std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(c.logged, 0) == 0; }),
            lines.end())
            << ::testing::PrintToString(lines);
        EXPECT_EQ(std::filesystem::file_size(home.DatabaseFile()), sizeBefore);
    }
}

// Whoever made the block first reads and writes every request: a block that is
// open to others ends the start, before any database work.
TEST_F(KxAtaTest, AMailboxBlockOpenToOthersIsRefused) {
    AgentHome home;
    home.CreateDatabase();
    home.WriteIni();
    const std::string mailbox = UniqueMailboxName();
    const int fd = shm_open(("/" + mailbox).c_str(), O_CREAT | O_RDWR, 0666);
    ASSERT_GE(fd, 0);
    fchmod(fd, 0666);
    close(fd);
    RunningAgent agent(home, {}, mailbox);
    EXPECT_EQ(agent.WaitExit(), 1);
    const auto lines = home.LogLines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.rfind(
                   "<FCR.MapFile>the block /dev/shm/" + mailbox + " belongs to another user or is open to others", 0) ==
               0;
    })) << ::testing::PrintToString(lines);
    shm_unlink(("/" + mailbox).c_str());
}

// Another local user makes the block first, private to that user and of the
// right size: the agent must still not serve requests through it.
TEST_F(KxAtaTest, ABlockAnotherUserMadeIsRefused) {
    if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "needs root and setpriv";
    AgentHome home;
    home.CreateDatabase();
    home.WriteIni();
    const std::string mailbox = UniqueMailboxName();
    const ProgramResult made =
        RunProgram({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "/bin/sh", "-c",
                    "umask 077; head -c 10000 /dev/zero > /dev/shm/" + mailbox});
    ASSERT_EQ(made.status, 0) << made.err;
    struct stat st {};
    ASSERT_EQ(stat(("/dev/shm/" + mailbox).c_str(), &st), 0);
    ASSERT_EQ(st.st_uid, 65534u);

    RunningAgent agent(home, {}, mailbox);
    EXPECT_EQ(agent.WaitExit(), 1);
    const auto lines = home.LogLines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.rfind("<FCR.MapFile>the block /dev/shm/" + mailbox + " belongs to another user", 0) == 0;
    })) << ::testing::PrintToString(lines);
}

TEST_F(KxAtaTest, SecondAgentOnTheSameMailboxIsRefused) {
    AgentHome home;
    home.CreateDatabase();
    home.WriteIni();
    RunningAgent first(home);
    ASSERT_TRUE(first.WaitStarted());

    AgentHome otherHome;
    otherHome.CreateDatabase();
    RunningAgent second(otherHome, {}, first.Mailbox());
    EXPECT_EQ(second.WaitExit(), 3);
    EXPECT_NE(second.StandardError().find("already serving mailbox"), std::string::npos) << second.StandardError();
    EXPECT_TRUE(otherHome.LogLines().empty());
    EXPECT_TRUE(first.Running());
}

}  // namespace
}  // namespace kx::test
