// kx-ctl against a real headless kx-ata: every mailbox command once, a failing
// tick that leaves the mailbox served, and "end".
#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>

#include "agent_process.h"

namespace kx::test {
namespace {

class KxCtlAgentTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"kx-ata", "kx-ctl", "kx-db"})
            if (!ProgramBuilt(program)) GTEST_SKIP() << program << " is not built";
    }

    ProgramResult Ctl(const RunningAgent& agent, std::vector<std::string> args) {
        args.insert(args.begin(), {BinPath("kx-ctl").string(), "--mailbox", agent.Mailbox(), "--timeout", "20"});
        return RunProgram(args);
    }
};

TEST_F(KxCtlAgentTest, EveryCommandIsServedAndEndClosesTheAgent) {
    AgentHome home;
    home.CreateDatabase();
    home.WriteIni();
    RunningAgent agent(home);
    ASSERT_TRUE(agent.WaitStarted()) << agent.StandardError();

    struct Exchange {
        std::vector<std::string> args;
        std::string out;
    };
    const Exchange exchanges[] = {
        {{"sgb", "50"}, "CRV\n"},
        {{"wnm"}, "CRV\n"},
        {{"cmd", "to the message server"}, "CRV\n"},
        {{"old"}, ""},  // no controller, no clocking
        {{"ack"}, ""},
        {{"peek"}, "\n"},
        {{"sgb", "0"}, "CRV\n"},
    };
    for (const Exchange& e : exchanges) {
        SCOPED_TRACE(e.args.front());
        const ProgramResult run = Ctl(agent, e.args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, e.out);
    }

    // A tick that fails is logged, and the next ticks still serve the mailbox.
    EXPECT_EQ(Ctl(agent, {"raw", "SGBabc"}).status, 0);
    EXPECT_TRUE(agent.WaitForLog("<Timer1Timer>:'abc' is not a valid integer value", 5s));
    EXPECT_EQ(Ctl(agent, {"raw", "RPO"}).status, 0);
    EXPECT_TRUE(agent.WaitForLog("RPO received, old version ?", 5s));
    const ProgramResult afterError = Ctl(agent, {"sgb", "10"});
    EXPECT_EQ(afterError.status, 0) << afterError.err;
    EXPECT_EQ(afterError.out, "CRV\n");

    const ProgramResult end = Ctl(agent, {"end"});
    EXPECT_EQ(end.status, 0) << end.err;
    EXPECT_EQ(end.out.rfind("closed after ", 0), 0u) << end.out;
    EXPECT_EQ(agent.WaitExit(), 0);
    EXPECT_FALSE(AgentLockHeld(agent.Mailbox()));
    EXPECT_EQ(home.LogLines().back(), "---- KX_ATA Ended. ----");

    const ProgramResult none = Ctl(agent, {"wnm"});
    EXPECT_EQ(none.status, 4);
}

TEST_F(KxCtlAgentTest, ABlockCutUnderTheAgentIsLoggedAndServedAgain) {
    AgentHome home;
    home.CreateDatabase();
    home.WriteIni();
    RunningAgent agent(home);
    ASSERT_TRUE(agent.WaitStarted()) << agent.StandardError();
    ASSERT_EQ(truncate(("/dev/shm/" + agent.Mailbox()).c_str(), 0), 0);
    EXPECT_TRUE(
        agent.WaitForLog("<Timer1Timer>: the mailbox block holds 0 of its 10000 bytes; another program cut it", 5s));
    EXPECT_TRUE(agent.Running());
    const ProgramResult sgb = Ctl(agent, {"sgb", "20"});
    EXPECT_EQ(sgb.out, "CRV\n") << sgb.err;
    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.WaitExit(), 0);
}

}  // namespace
}  // namespace kx::test
