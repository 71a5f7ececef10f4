// kx-ata against misbehaving controllers (kx-fep fault modes on 127.0.0.1):
// whatever they do, the agent logs it, loses nothing it was given, keeps serving
// its mailbox and closes in order.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "agent_process.h"
#include "db/database.h"
#include "fep_simulator.h"

namespace kx::test {
namespace {

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// A loopback port that nothing listens on (for now).
int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

class ControllerFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"kx-ata", "kx-ctl", "kx-db", "kx-fep"})
            if (!ProgramBuilt(program)) GTEST_SKIP() << program << " is not built";
        home.CreateDemo(5, 2, "20240101");
        home.WriteIni();
        db::Database::Open(home.DatabaseFile().string(), home.path())->ExecScript("delete from M_Server");
    }
    void DefineFep(int unit, const std::string& address, int port) {
        auto db = db::Database::Open(home.DatabaseFile().string(), home.path());
        db->ExecScript("insert into M_Server (unit_no, IP_Address, Port) values (" + std::to_string(unit) + ", '" +
                       address + "', '" + std::to_string(port) + "')");
    }
    std::unique_ptr<FepSimulator> StartFep(const std::vector<std::string>& args, const std::string& name) {
        auto fep = std::make_unique<FepSimulator>(args, home.path().string() + "." + name + ".out");
        EXPECT_NE(fep->Port(), 0) << name << ": " << fep->Output();
        return fep;
    }
    ProgramResult Ctl(const RunningAgent& agent, std::vector<std::string> args) {
        args.insert(args.begin(), {BinPath("kx-ctl").string(), "--mailbox", agent.Mailbox(), "--timeout", "20"});
        return RunProgram(args);
    }
    bool WaitForStandardOutput(const RunningAgent& agent, const std::string& text, std::chrono::milliseconds limit) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (agent.StandardOutput().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() >= until) return false;
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }

    AgentHome home;
};

TEST_F(ControllerFaultsTest, EightFepsWithDeadSlowAndBrokenOnesLeaveTheAgentServing) {
    const std::string clockings = home.path().string() + ".clockings";
    std::ofstream(clockings) << "C0124010208051234560000\n";
    std::vector<std::unique_ptr<FepSimulator>> feps;
    feps.push_back(StartFep({"--clockings", clockings}, "normal"));
    feps.push_back(nullptr);  // FEP 2: refused
    feps.push_back(StartFep({"--silent"}, "silent"));
    feps.push_back(StartFep({"--garbage"}, "garbage"));
    feps.push_back(StartFep({"--oversize", "1048576"}, "oversize"));
    feps.push_back(StartFep({"--split"}, "split"));
    feps.push_back(StartFep({"--drop-after", "3"}, "drop"));
    feps.push_back(StartFep({"--delay", "300"}, "slow"));
    const int refusedPort = FreePort();
    for (int n = 1; n <= 8; ++n) DefineFep(n, "127.0.0.1", n == 2 ? refusedPort : feps[n - 1]->Port());

    RunningAgent agent(home);
    ASSERT_TRUE(agent.WaitStarted()) << agent.StandardError();
    EXPECT_TRUE(agent.WaitForLog(
        "FEP #2 : 127.0.0.1 Port:" + std::to_string(refusedPort) + " : Error 10061 Connection refused", 5s));
    for (int n : {1, 3, 4, 5, 6, 7, 8})
        EXPECT_TRUE(feps[n - 1]->WaitForOutput("<SOH><CR>", 10s)) << "FEP " << n << " is polled";

    // The clocking of FEP 1 and the garbage of FEP 4 both reach "OLD"; the garbage is rejected there.
    const long rssBefore = ResidentKiB(agent.Pid());
    bool clockingSeen = false;
    for (int i = 0; i < 40; ++i) {
        const ProgramResult old = Ctl(agent, {"old"});
        ASSERT_EQ(old.status, 0) << old.err;
        clockingSeen = clockingSeen || old.out.rfind("09Unknown,02/01/2024,08:05,", 0) == 0;
        if (clockingSeen && i >= 10) break;
    }
    EXPECT_TRUE(clockingSeen);
    const auto lines = home.LogLines();
    const auto rejected = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("Invalid Raw Data :[", 0) == 0 || line.rfind("FormatClockData:Data length must be", 0) == 0;
    });
    EXPECT_GT(rejected, 0) << "garbage reaches the on-the-fly check and stops there";

    // The slow and the split FEPs keep being polled; the dropped one is not reconnected.
    const auto polls = [](const std::string& out) {
        std::size_t count = 0;
        for (std::size_t at = 0; (at = out.find("<SOH><CR>", at)) != std::string::npos; ++at) ++count;
        return count;
    };
    const std::size_t slowBefore = polls(feps[7]->Output());
    const std::size_t splitBefore = polls(feps[5]->Output());
    std::this_thread::sleep_for(2s);
    EXPECT_GT(polls(feps[7]->Output()), slowBefore);
    EXPECT_GT(polls(feps[5]->Output()), splitBefore);
    EXPECT_TRUE(agent.Running());
    EXPECT_LT(ResidentKiB(agent.Pid()) - rssBefore, 20 * 1024) << "a 1 MB reply does not grow the agent";

    const ProgramResult sgb = Ctl(agent, {"sgb", "10"});
    EXPECT_EQ(sgb.out, "CRV\n");
    const auto closing = std::chrono::steady_clock::now();
    EXPECT_EQ(Ctl(agent, {"end"}).status, 0);
    EXPECT_EQ(agent.WaitExit(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 10s);
    EXPECT_EQ(home.LogLines().back(), "---- KX_ATA Ended. ----");
}

TEST_F(ControllerFaultsTest, Fep1IsReconnectedWhenItComesBack) {
    const int port = FreePort();
    DefineFep(1, "127.0.0.1", port);
    RunningAgent agent(home);
    ASSERT_TRUE(agent.WaitStarted()) << agent.StandardError();
    const std::string line = "FEP #1 : 127.0.0.1 Port:" + std::to_string(port);
    EXPECT_TRUE(WaitForStandardOutput(agent, "Failed to connect : " + line, 15s)) << agent.StandardOutput();

    // Started on the port the agent keeps trying.
    FepSimulator onPort({}, home.path().string() + ".fep1.out", "127.0.0.1:" + std::to_string(port));
    ASSERT_NE(onPort.Port(), 0) << onPort.Output();
    EXPECT_TRUE(WaitForStandardOutput(agent, "Reconnected : " + line, 15s)) << agent.StandardOutput();
    EXPECT_TRUE(onPort.WaitForOutput("<SOH><CR>", 5s));

    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.WaitExit(), 0);
}

TEST_F(ControllerFaultsTest, ClockingsWaitInTheControllerWhileTheQueueIsFull) {
    // More clockings than the receive queue holds, and nobody asks for them at first.
    constexpr int kClockings = 150;
    const std::string clockings = home.path().string() + ".many";
    {
        std::ofstream out(clockings);
        for (int i = 0; i < kClockings; ++i) {
            char record[32];
            std::snprintf(record, sizeof record, "C0124010208%02d%06d0000", i % 60, 100000 + i);
            out << record << "\n";
        }
    }
    auto fep = StartFep({"--clockings", clockings}, "many");
    DefineFep(1, "127.0.0.1", fep->Port());
    RunningAgent agent(home);
    ASSERT_TRUE(agent.WaitStarted()) << agent.StandardError();
    std::this_thread::sleep_for(std::chrono::seconds(kClockings / 20 + 2));

    std::set<std::string> cards;
    for (int i = 0; i < 3 * kClockings && static_cast<int>(cards.size()) < kClockings; ++i) {
        const ProgramResult old = Ctl(agent, {"old"});
        ASSERT_EQ(old.status, 0) << old.err;
        const auto fields = old.out.rfind("09", 0) == 0 ? 6 : 0;
        if (fields == 0) continue;
        std::size_t at = 0;
        for (int f = 0; f < fields && at != std::string::npos; ++f) at = old.out.find(',', at + 1);
        cards.insert(old.out.substr(at + 1, 6));
    }
    EXPECT_EQ(cards.size(), static_cast<std::size_t>(kClockings)) << "none is dropped";
    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.WaitExit(), 0);
}

TEST_F(ControllerFaultsTest, ASignalWhileTheConnectionsOpenClosesTheAgentInOrder) {
    // Eight refused FEPs keep the start of the connections busy for more than a second.
    for (int n = 1; n <= 8; ++n) DefineFep(n, "127.0.0.1", FreePort());
    RunningAgent agent(home);
    ASSERT_TRUE(agent.WaitStarted()) << agent.StandardError();
    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.WaitExit(10s), 0);
    EXPECT_EQ(home.LogLines().back(), "---- KX_ATA Ended. ----");
}

}  // namespace
}  // namespace kx::test
