#include "support/program_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "support/file_text.h"
#include "support/test_db.h"

extern char** environ;

namespace kx::test {
namespace {

int StatusOf(int waitStatus) {
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return -1;
}

// Starts args with standard input from /dev/null and the output into the files
// (standard error into `out` as well when `err` is empty).
pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& out, const std::filesystem::path& err) {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err.empty())
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + args[0]);
    return pid;
}

// Polls waitpid until the child ends or the timeout passes.
std::optional<int> WaitFor(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int waitStatus = 0;
        const pid_t done = waitpid(pid, &waitStatus, WNOHANG);
        if (done == pid) return StatusOf(waitStatus);
        if (done < 0) return -1;
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

std::filesystem::path ProgramDir() {
    const char* dir = std::getenv("KX_BIN_DIR");
    return dir && *dir ? std::filesystem::path(dir) : std::filesystem::path("bin");
}

std::filesystem::path BinPath(std::string_view program) { return ProgramDir() / std::string(program); }

bool ProgramBuilt(std::string_view program) { return access(BinPath(program).c_str(), X_OK) == 0; }

ProgramResult RunProgram(const std::vector<std::string>& args, ErrorOutput errors, std::chrono::milliseconds timeout) {
    TempHome scratch;
    const auto out = scratch.path() / "out";
    const auto err = errors == ErrorOutput::Apart ? scratch.path() / "err" : std::filesystem::path();
    std::optional<int> status;
    try {
        BackgroundProgram program(args, out, err);
        status = program.WaitExit(timeout);
        if (!status) {
            program.Kill();
            status = program.WaitExit(std::chrono::milliseconds(0));
        }
    } catch (const std::runtime_error& e) {
        return {-1, "", e.what()};
    }
    return {status.value_or(-1), FileText(out), err.empty() ? std::string() : FileText(err)};
}

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& args, const std::filesystem::path& outFile,
                                     const std::filesystem::path& errFile)
    : pid_(Spawn(args, outFile, errFile)) {}

void BackgroundProgram::Signal(int signal) const { kill(pid_, signal); }

std::optional<int> BackgroundProgram::WaitExit(std::chrono::milliseconds timeout) {
    if (!status_) status_ = WaitFor(pid_, timeout);
    return status_;
}

void BackgroundProgram::Kill() {
    if (!Running()) return;
    kill(pid_, SIGKILL);
    WaitExit(std::chrono::seconds(10));
}

bool FileLockedElsewhere(const std::filesystem::path& file) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool locked = flock(fd, LOCK_SH | LOCK_NB) != 0;
    close(fd);
    return locked;
}

}  // namespace kx::test
