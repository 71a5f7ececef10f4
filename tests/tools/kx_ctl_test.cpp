#include "kx_ctl.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "comms/agent_lock.h"
#include "ctl_options.h"
#include "fake_agent.h"
#include "mailbox_command.h"
#include "support/mailbox_fixture.h"
#include "support/program_runner.h"

namespace kx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Strings = std::vector<std::string>;

struct CtlRun {
    int status;
    std::string out;
    std::string err;
    std::chrono::milliseconds elapsed;
};

CtlRun RunCtl(const Strings& args) {
    std::ostringstream out, err;
    const auto start = Clock::now();
    const int status = kxctl::RunKxCtl(args, out, err);
    return {status, out.str(), err.str(), std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)};
}

class KxCtlTest : public ::testing::Test {
protected:
    CtlRun Ctl(Strings args) {
        args.insert(args.begin(), {"--mailbox", name.name()});
        return RunCtl(args);
    }
    test::ScopedMailboxName name;
};

// A range run that takes 150 ms after accepting the request.
void RangeAgent(test::FakeAgent& agent, const std::string& text, std::string& request, Clock::time_point& accepted) {
    if (text.rfind("TRP", 0) == 0) {
        request = text;
        accepted = Clock::now();
        agent.Reply("CRVTRP0");
    } else if (text == "CRVTRP0" && agent.Since(accepted) >= 150ms) {
        agent.Reply("RFA");
    }
}

TEST_F(KxCtlTest, TrpWaitsForTheAcceptanceAndThenForRfa) {
    std::string request;
    Clock::time_point accepted;
    test::FakeAgent agent(name.name(),
                          [&](test::FakeAgent& a, const std::string& t) { RangeAgent(a, t, request, accepted); });
    const CtlRun run = Ctl({"trp", "T", "20260301", "20260302", "select * from cards"});
    EXPECT_EQ(run.status, kxctl::kOk) << run.err;
    agent.Close();
    EXPECT_EQ(request, "TRPT2026030120260302select * from cards");
    ASSERT_EQ(run.out.rfind("CRVTRP0 after ", 0), 0u) << run.out;
    const auto rfa = run.out.find("\nRFA after ");
    ASSERT_NE(rfa, std::string::npos) << run.out;
    EXPECT_GE(std::stod(run.out.substr(rfa + 11)), 0.15);
    EXPECT_GE(run.elapsed, 150ms);
}

TEST_F(KxCtlTest, TrpShowsAStopAndARunThatEndedBeforeItsAcceptanceWasSeen) {
    Clock::time_point accepted;
    test::FakeAgent agent(name.name(), [&](test::FakeAgent& a, const std::string& t) {
        if (t.rfind("TRPT", 0) == 0) {
            accepted = Clock::now();
            a.Reply("CRVTRP0");
        } else if (t == "CRVTRP0" && a.Since(accepted) >= 50ms) {
            a.Reply("STP");
        } else if (t == "STP" && a.Since(accepted) >= 100ms) {
            a.Reply("RFA");
        } else if (t.rfind("TRPD", 0) == 0) {
            a.Reply("RFA");  // nothing to do: the run is over before anybody looks
        }
    });
    CtlRun run = Ctl({"trp", "T", "20260301", "20260302", "select 1"});
    EXPECT_EQ(run.status, kxctl::kOk) << run.err;
    EXPECT_NE(run.out.find("\nSTP after "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nRFA after "), std::string::npos) << run.out;

    run = Ctl({"trp", "D", "20260301", "20260302", "select 1 where 1=0"});
    EXPECT_EQ(run.status, kxctl::kOk) << run.err;
    EXPECT_EQ(run.out.rfind("RFA after ", 0), 0u) << run.out;
}

struct ExchangeCase {
    Strings args;
    std::string expectedCommand;  // what the agent finds in the block
    std::string reply;
    std::string out;
};

TEST_F(KxCtlTest, CommandsAndTheirReplies) {
    const ExchangeCase cases[] = {
        {{"old"}, "OLD", "DLO0012026030208000001 IN", "0012026030208000001 IN\n"},
        {{"old"}, "OLD", "DLO", ""},
        {{"cmd", "  relay me "}, "CMD  relay me ", "CRV", "CRV\n"},
        {{"cmd", ""}, "CMD", "CRV", "CRV\n"},
        {{"sgb", "5"}, "SGB005", "CRV", "CRV\n"},
        {{"sgb", "999"}, "SGB999", "CRV", "CRV\n"},
        {{"wnm"}, "WNM", "CRV", "CRV\n"},
        {{"ack"}, "ACK", "", ""},
    };
    for (const ExchangeCase& c : cases) {
        SCOPED_TRACE(c.expectedCommand);
        test::ScopedMailboxName caseName;
        test::FakeAgent agent(caseName.name(), [&](test::FakeAgent& a, const std::string& t) {
            if (t == c.expectedCommand) a.Reply(c.reply);
        });
        Strings args{"--mailbox", caseName.name()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CtlRun run = RunCtl(args);
        EXPECT_EQ(run.status, kxctl::kOk) << run.err;
        EXPECT_EQ(run.out, c.out);
        agent.Close();
        const Strings seen = agent.Seen();
        EXPECT_NE(std::find(seen.begin(), seen.end(), c.expectedCommand), seen.end());
    }
}

TEST_F(KxCtlTest, NoReplyTimesOutAndLeavesTheCommandInTheBlock) {
    test::FakeAgent agent(name.name(), [](test::FakeAgent&, const std::string&) {});
    const CtlRun run = Ctl({"--timeout", "0.2", "cmd", "x"});
    EXPECT_EQ(run.status, kxctl::kTimeout);
    EXPECT_NE(run.err.find("no \"CRV\" from the agent on mailbox " + name.name()), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the block holds \"CMDx\""), std::string::npos) << run.err;
    EXPECT_GE(run.elapsed, 200ms);
    EXPECT_LT(run.elapsed, 2s);
}

TEST_F(KxCtlTest, WithoutAnAgentNothingIsWritten) {
    const CtlRun run = Ctl({"end"});
    EXPECT_EQ(run.status, kxctl::kNoAgent);
    EXPECT_NE(run.err.find("no kx-ata is serving mailbox " + name.name()), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists("/dev/shm/" + name.name())) << "the END must not wait for the next agent";
    EXPECT_EQ(Ctl({"peek"}).status, kxctl::kNoAgent);
}

TEST_F(KxCtlTest, AnAgentThatClosesWhileAKxCtlWaitsIsReported) {
    test::FakeAgent agent(name.name(), [](test::FakeAgent& a, const std::string& t) {
        if (t == "OLD") a.Exit();
    });
    const CtlRun run = Ctl({"old"});
    EXPECT_EQ(run.status, kxctl::kNoAgent);
    EXPECT_NE(run.err.find("closed before its \"DLO\""), std::string::npos) << run.err;
}

TEST_F(KxCtlTest, EndWaitsUntilTheAgentHasClosed) {
    Clock::time_point ended{};
    test::FakeAgent agent(name.name(), [&](test::FakeAgent& a, const std::string& t) {
        if (t != "END") return;
        if (ended == Clock::time_point{}) ended = Clock::now();
        if (a.Since(ended) >= 150ms) a.Exit();
    });
    const CtlRun run = Ctl({"end"});
    EXPECT_EQ(run.status, kxctl::kOk) << run.err;
    EXPECT_GE(run.elapsed, 150ms);
    EXPECT_EQ(run.out.rfind("closed after ", 0), 0u);
    EXPECT_FALSE(AgentRunning(name.name()));
    // A stale "END" would close the next agent on this mailbox at once.
    EXPECT_EQ(Ctl({"peek"}).out, "\n");
}

TEST_F(KxCtlTest, EndTimesOutWhileTheAgentRuns) {
    test::FakeAgent agent(name.name(), [](test::FakeAgent&, const std::string&) {});
    const CtlRun run = Ctl({"--timeout=0.2", "end"});
    EXPECT_EQ(run.status, kxctl::kTimeout);
    EXPECT_NE(run.err.find("is still running"), std::string::npos) << run.err;
}

TEST_F(KxCtlTest, RunsOnOneMailboxTakeTurns) {
    std::string request;
    Clock::time_point accepted;
    Clock::time_point rfaWritten{};
    Clock::time_point cmdSeen{};
    std::atomic<bool> rangeAccepted{false};
    test::FakeAgent agent(name.name(), [&](test::FakeAgent& a, const std::string& t) {
        RangeAgent(a, t, request, accepted);
        if (t == "CRVTRP0") rangeAccepted = true;
        if (t == "RFA" && rfaWritten == Clock::time_point{}) rfaWritten = Clock::now();
        if (t == "CMDsecond") {
            if (cmdSeen == Clock::time_point{}) cmdSeen = Clock::now();
            a.Reply("CRV");
        }
    });
    CtlRun first{}, second{};
    std::thread range([&] { first = Ctl({"trp", "T", "20260301", "20260301", "select 1"}); });
    while (!rangeAccepted) std::this_thread::sleep_for(1ms);
    second = Ctl({"cmd", "second"});
    range.join();
    EXPECT_EQ(first.status, kxctl::kOk) << first.err;
    EXPECT_EQ(second.status, kxctl::kOk) << second.err;
    agent.Close();
    EXPECT_GE(cmdSeen, rfaWritten) << "the second command must wait for the range run's RFA";

    FileLock otherRun;
    ASSERT_TRUE(otherRun.TryLock(CtlLockPath(name.name())));
    const CtlRun blocked = Ctl({"--timeout", "0.1", "wnm"});
    EXPECT_EQ(blocked.status, kxctl::kTimeout);
    EXPECT_NE(blocked.err.find("another kx-ctl is still using mailbox"), std::string::npos) << blocked.err;
}

TEST_F(KxCtlTest, RawAndPeekNeedNoAgent) {
    CtlRun run = Ctl({"raw", "OLD"});
    EXPECT_EQ(run.status, kxctl::kOk) << run.err;
    EXPECT_EQ(run.out, "OLD\n");
    run = Ctl({"peek"});
    EXPECT_EQ(run.status, kxctl::kOk) << run.err;
    EXPECT_EQ(run.out, "OLD\n");
}

TEST(KxCtlUsage, MistakesAreUsageErrors) {
    const Strings cases[] = {
        {},
        {"--mailbox"},
        {"frobnicate"},
        {"--verbose", "old"},
        {"old", "extra"},
        {"cmd"},
        {"sgb", "1000"},
        {"sgb", "5a"},
        {"sgb", "-1"},
        {"trp", "TD", "20260301", "20260302", "select 1"},
        {"trp", "T", "2026031", "20260302", "select 1"},
        {"trp", "T", "20260301", "2026-03-02", "select 1"},
        {"trp", "T", "20260301", "20260302", ""},
        {"trp", "T", "20260301", "20260302", std::string(9980, 's')},
        {"--mailbox", "a/b", "old"},
        {"--mailbox", "", "old"},
        {"--timeout", "soon", "old"},
        {"--timeout", "-1", "old"},
    };
    for (const Strings& args : cases) {
        std::string shown;
        for (const std::string& a : args) shown += "[" + a.substr(0, 20) + "]";
        SCOPED_TRACE(shown);
        const CtlRun run = RunCtl(args);
        EXPECT_EQ(run.status, kxctl::kUsage);
        EXPECT_EQ(run.err.rfind("kx-ctl: ", 0), 0u) << run.err;
    }
    const CtlRun help = RunCtl({"--help"});
    EXPECT_EQ(help.status, kxctl::kOk);
    EXPECT_NE(help.out.find("Exit status: 0 ok, 1 error, 2 usage, 3 timeout, 4 no agent"), std::string::npos);
}

// The installed program, as scripts see it: exit statuses through the shell.
TEST_F(KxCtlTest, TheProgramsExitStatuses) {
    if (!test::ProgramBuilt("kx-ctl")) GTEST_SKIP() << "kx-ctl not built (KX_BIN_DIR)";
    const std::filesystem::path program = test::BinPath("kx-ctl");
    auto status = [&](const std::string& args) {
        const int rc = std::system((program.string() + " " + args + " >/dev/null 2>&1").c_str());
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    };
    EXPECT_EQ(status("--help"), 0);
    EXPECT_EQ(status("sgb abc"), 2);
    EXPECT_EQ(status("--mailbox " + name.name() + " old"), 4);
    test::FakeAgent agent(name.name(), [](test::FakeAgent& a, const std::string& t) {
        if (t == "WNM") a.Reply("CRV");
    });
    EXPECT_EQ(status("--mailbox " + name.name() + " wnm"), 0);
    EXPECT_EQ(status("--mailbox " + name.name() + " --timeout 0.1 ack"), 3);
}

}  // namespace
}  // namespace kx
