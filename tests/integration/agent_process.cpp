#include "agent_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/mailbox_files.h"

extern char** environ;

namespace kx::test {
namespace {

std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int StatusOf(int waitStatus)
{
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return -1;
}

// Starts args with standard output and error sent to the two files.
pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& out, const std::filesystem::path& err)
{
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + args[0]);
    return pid;
}

// Polls waitpid until the child ends or the timeout passes.
std::optional<int> WaitFor(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int waitStatus = 0;
        const pid_t done = waitpid(pid, &waitStatus, WNOHANG);
        if (done == pid) return StatusOf(waitStatus);
        if (done < 0) return -1;
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(5ms);
    }
}

}  // namespace

std::filesystem::path BinPath(std::string_view program)
{
    const char* dir = std::getenv("KX_BIN_DIR");
    return std::filesystem::path(dir && *dir ? dir : "bin") / std::string(program);
}

bool ProgramBuilt(std::string_view program) { return access(BinPath(program).c_str(), X_OK) == 0; }

ProgramResult RunAndCapture(const std::vector<std::string>& args, std::chrono::milliseconds timeout)
{
    TempHome scratch;
    const auto out = scratch.path() / "out";
    const auto err = scratch.path() / "err";
    const pid_t pid = Spawn(args, out, err);
    std::optional<int> status = WaitFor(pid, timeout);
    if (!status) {
        kill(pid, SIGKILL);
        status = WaitFor(pid, 10s);
    }
    return {status.value_or(-1), ReadFile(out), ReadFile(err)};
}

std::string UniqueMailboxName()
{
    static std::atomic<int> counter{0};
    return "kx-it-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

void AgentHome::WriteIni(std::string_view text) const { std::ofstream(path() / "Kairox.ini") << text; }

void AgentHome::CreateDatabase() const
{
    const ProgramResult made = RunAndCapture({BinPath("kx-db").string(), "create", DatabaseFile().string()});
    if (made.status != 0) throw std::runtime_error("kx-db create failed: " + made.err);
}

void AgentHome::CreateDemo(int staff, int days, const std::string& from) const
{
    const ProgramResult made =
        RunAndCapture({BinPath("kx-db").string(), "demo", DatabaseFile().string(), "--staff", std::to_string(staff),
                    "--days", std::to_string(days), "--from", from});
    if (made.status != 0) throw std::runtime_error("kx-db demo failed: " + made.err);
}

std::vector<std::string> AgentHome::LogLines() const
{
    std::vector<std::string> lines;
    std::ifstream in(path() / "KX_ATA.Log");
    for (std::string line; std::getline(in, line);) lines.push_back(line.size() >= 20 ? line.substr(20) : line);
    return lines;
}

bool AgentHome::Logged(std::string_view text) const
{
    const auto lines = LogLines();
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

RunningAgent::RunningAgent(const AgentHome& home, std::vector<std::string> extraArgs, std::string mailbox)
    : home_(home),
      mailbox_(std::move(mailbox)),
      outFile_(home.path().string() + ".stdout"),
      errFile_(home.path().string() + ".stderr")
{
    std::vector<std::string> args{BinPath("kx-ata").string(), "--headless", "--home", home.path().string(),
                                  "--mailbox", mailbox_};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    pid_ = Spawn(args, outFile_, errFile_);
}

RunningAgent::~RunningAgent()
{
    if (Running()) {
        kill(pid_, SIGKILL);
        WaitExit(10s);
    }
    RemoveMailboxFiles(mailbox_);
    std::error_code ec;
    std::filesystem::remove(outFile_, ec);
    std::filesystem::remove(errFile_, ec);
}

bool RunningAgent::WaitForLog(std::string_view text, std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!home_.Logged(text)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

void RunningAgent::Signal(int signal) const { kill(pid_, signal); }

std::optional<int> RunningAgent::WaitExit(std::chrono::milliseconds timeout)
{
    if (!status_) status_ = WaitFor(pid_, timeout);
    return status_;
}

bool RunningAgent::Running() { return !WaitExit(0ms).has_value(); }

std::string RunningAgent::StandardOutput() const { return ReadFile(outFile_); }
std::string RunningAgent::StandardError() const { return ReadFile(errFile_); }

bool AgentLockHeld(const std::string& mailbox)
{
    const int fd = open(AgentLockPath(mailbox).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0;
    close(fd);
    return held;
}

}  // namespace kx::test
