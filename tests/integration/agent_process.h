#pragma once
// Running the real programs from the integration tests: a temporary agent home
// with a database made by kx-db, and a headless kx-ata started on it.
//
//     AgentHome home;
//     home.CreateDemo(20, 10, "20261101");
//     RunningAgent agent(home);
//     ASSERT_TRUE(agent.WaitStarted());
//     ... RunAndCapture({BinPath("kx-ctl"), "--mailbox", agent.Mailbox(), "trp", ...}) ...
//     agent.Signal(SIGTERM);
//     EXPECT_EQ(agent.WaitExit(), 0);
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "support/test_db.h"

namespace kx::test {

using namespace std::chrono_literals;

// KX_BIN_DIR/program (the build's bin directory).
std::filesystem::path BinPath(std::string_view program);
// Whether the program exists there (tests skip when it does not).
bool ProgramBuilt(std::string_view program);

struct ProgramResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};
// Runs args[0] with the rest as its arguments and waits for it (killed after the timeout).
ProgramResult RunAndCapture(const std::vector<std::string>& args, std::chrono::milliseconds timeout = 60s);

// A mailbox name no other test uses.
std::string UniqueMailboxName();

// A temporary home directory for kx-ata.
class AgentHome {
public:
    AgentHome() = default;
    const std::filesystem::path& path() const { return dir_.path(); }
    std::filesystem::path DatabaseFile() const { return path() / "Kairox.db"; }

    // Kairox.ini, written as given. The default settings show the level-10 traces,
    // among them the start-up's last line "<FormCr> End.".
    void WriteIni(std::string_view text = "[Options]\nATA_Details=11\n") const;
    // kx-db create / demo on Kairox.db (the default alias); throws on failure.
    void CreateDatabase() const;
    void CreateDemo(int staff, int days, const std::string& from) const;

    // The main log's texts without their time stamps.
    std::vector<std::string> LogLines() const;
    bool Logged(std::string_view text) const;

private:
    TempHome dir_;
};

// kx-ata --headless --home HOME --mailbox NAME [extra], its standard output and
// error kept in files beside the home. Killed, if still running, and its
// mailbox block and lock file removed at destruction.
class RunningAgent {
public:
    explicit RunningAgent(const AgentHome& home, std::vector<std::string> extraArgs = {},
                          std::string mailbox = UniqueMailboxName());
    ~RunningAgent();
    RunningAgent(const RunningAgent&) = delete;
    RunningAgent& operator=(const RunningAgent&) = delete;

    const std::string& Mailbox() const { return mailbox_; }
    pid_t Pid() const { return pid_; }

    // Waits until the main log holds a line with exactly this text.
    bool WaitForLog(std::string_view text, std::chrono::milliseconds timeout = 30s) const;
    // Waits for "<FormCr> End.", the start-up's last line.
    bool WaitStarted(std::chrono::milliseconds timeout = 30s) const { return WaitForLog("<FormCr> End.", timeout); }

    void Signal(int signal) const;
    // The exit status (128 + signal when killed by one); nullopt on timeout.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout = 30s);
    bool Running();

    std::string StandardOutput() const;
    std::string StandardError() const;

private:
    const AgentHome& home_;
    std::string mailbox_;
    std::filesystem::path outFile_;
    std::filesystem::path errFile_;
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Whether some process holds the running-agent lock of the mailbox.
bool AgentLockHeld(const std::string& mailbox);

}  // namespace kx::test
