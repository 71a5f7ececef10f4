#pragma once
// Runs the built programs (kx-ata, kx-ctl, kx-db) from the tests: in the
// foreground with their output captured, or in the background.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace kx::test {

// KX_BIN_DIR (set by ctest), or empty.
inline std::filesystem::path ProgramDir()
{
    const char* dir = std::getenv("KX_BIN_DIR");
    return dir ? std::filesystem::path(dir) : std::filesystem::path();
}

namespace detail {
// Built before the fork: the child only calls what is safe after it.
inline std::vector<char*> ArgvOf(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}
}  // namespace detail

struct ProgramOutcome {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string output;  // standard output and error together
};

// args[0] is the program's path.
inline ProgramOutcome RunProgram(const std::vector<std::string>& args)
{
    std::vector<char*> argv = detail::ArgvOf(args);
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        dup2(fds[1], STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    ProgramOutcome outcome;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) outcome.output.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
    return outcome;
}

// A program running in the background, its output going to a file; killed
// when still running at destruction.
class BackgroundProgram {
public:
    BackgroundProgram(const std::vector<std::string>& args, const std::filesystem::path& outputFile)
    {
        std::vector<char*> argv = detail::ArgvOf(args);
        const std::string output = outputFile.string();
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
            close(fd);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~BackgroundProgram()
    {
        if (pid_ <= 0 || exited_) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    bool Running()
    {
        if (exited_) return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
        Record(status);
        return false;
    }
    // The exit status once it has ended within the timeout; -1 otherwise.
    int WaitForExit(std::chrono::milliseconds timeout)
    {
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (Running() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return exited_ ? status_ : -1;
    }

private:
    void Record(int status)
    {
        exited_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = -1;
};

// Whether a process holds the flock on the file (a running kx-ata holds its mailbox lock).
inline bool FileLockedElsewhere(const std::filesystem::path& file)
{
    const int fd = open(file.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return locked;
}

}  // namespace kx::test
