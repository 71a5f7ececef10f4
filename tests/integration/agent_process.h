#pragma once
// Running kx-ata from the integration tests: a temporary agent home with a
// database made by kx-db, and a headless kx-ata started on it.
//
//     AgentHome home;
//     home.CreateDemo(20, 10, "20261101");
//     RunningAgent agent(home);
//     ASSERT_TRUE(agent.WaitStarted());
//     ... RunProgram({BinPath("kx-ctl"), "--mailbox", agent.Mailbox(), "trp", ...}) ...
//     agent.Signal(SIGTERM);
//     EXPECT_EQ(agent.WaitExit(), 0);
#include <sys/types.h>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "comms/agent_lock.h"
#include "support/program_runner.h"
#include "support/test_db.h"

namespace kx::test {

using namespace std::chrono_literals;

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
    pid_t Pid() const { return process_->Pid(); }

    // Waits until the main log holds a line with exactly this text.
    bool WaitForLog(std::string_view text, std::chrono::milliseconds timeout = 30s) const;
    // Waits for "<FormCr> End.", the start-up's last line.
    bool WaitStarted(std::chrono::milliseconds timeout = 30s) const { return WaitForLog("<FormCr> End.", timeout); }

    void Signal(int signal) const { process_->Signal(signal); }
    // The exit status (128 + signal when killed by one); nullopt on timeout.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout = 30s) { return process_->WaitExit(timeout); }
    bool Running() { return process_->Running(); }

    std::string StandardOutput() const;
    std::string StandardError() const;

private:
    const AgentHome& home_;
    std::string mailbox_;
    std::filesystem::path outFile_;
    std::filesystem::path errFile_;
    std::optional<BackgroundProgram> process_;
};

// Whether some process holds the running-agent lock of the mailbox.
inline bool AgentLockHeld(const std::string& mailbox) { return FileLockedElsewhere(AgentLockPath(mailbox)); }

}  // namespace kx::test
