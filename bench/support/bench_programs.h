#pragma once
// What the benchmarks that run the real programs share: a work directory, the
// processes they start, kx-fep controllers, the front end's side of the mailbox
// and the FEP table. Not a test library: failures throw std::runtime_error.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "comms/agent_lock.h"
#include "comms/shared_block.h"
#include "core/mailbox_protocol.h"
#include "db/database.h"

namespace kx::bench {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The client's pause between looks at the block.
inline constexpr auto kClientSleep = 50us;

// CLOCK_MONOTONIC in microseconds: the clock kx-fep --stamp writes.
inline long long NowMicros() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// The run's directory in /tmp, removed however the run ends.
struct WorkDir {
    explicit WorkDir(const std::string& prefix) {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary directory");
        path = pattern;
    }
    ~WorkDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;
    fs::path path;
};

// The programs started here, ended at the latest when the run ends.
class Processes {
public:
    ~Processes() {
        for (pid_t pid : pids_) End(pid);
    }
    Processes() = default;
    Processes(const Processes&) = delete;
    Processes& operator=(const Processes&) = delete;

    // Output into outFile and errFile; with stdinWrite, standard input is a pipe
    // whose writing end is returned there.
    pid_t Spawn(const std::vector<std::string>& args, const fs::path& outFile, const fs::path& errFile,
                int* stdinWrite = nullptr) {
        int pipeFds[2] = {-1, -1};
        if (stdinWrite && pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid < 0) throw std::runtime_error("fork failed");
        if (pid == 0) {
            const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            const int in = stdinWrite ? pipeFds[0] : open("/dev/null", O_RDONLY);
            if (out < 0 || err < 0 || in < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
            execv(argv[0], argv.data());
            _exit(127);
        }
        if (stdinWrite) {
            close(pipeFds[0]);
            *stdinWrite = pipeFds[1];
        }
        pids_.push_back(pid);
        return pid;
    }

    // Runs a program to its end, both outputs appended to logFile; its exit status.
    int Run(const std::vector<std::string>& args, const fs::path& logFile) {
        return Wait(Spawn(args, logFile, logFile));
    }

    // Waits for pid to end by itself; its exit status, -1 when it did not exit normally.
    int Wait(pid_t pid) {
        if (const auto it = std::find(pids_.begin(), pids_.end(), pid); it != pids_.end()) pids_.erase(it);
        int status = 0;
        if (waitpid(pid, &status, 0) < 0) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static bool Running(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == 0; }

    // Waits up to `limit` for pid to end by itself; then SIGTERM, then SIGKILL.
    void End(pid_t pid, std::chrono::milliseconds limit = 0ms) {
        const auto it = std::find(pids_.begin(), pids_.end(), pid);
        if (it == pids_.end()) return;
        pids_.erase(it);
        if (WaitExit(pid, limit)) return;
        kill(pid, SIGTERM);
        if (WaitExit(pid, 5s)) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }

private:
    static bool WaitExit(pid_t pid, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        do {
            const pid_t done = waitpid(pid, nullptr, WNOHANG);
            if (done == pid || done < 0) return true;
            std::this_thread::sleep_for(5ms);
        } while (std::chrono::steady_clock::now() < end);
        return false;
    }

    std::vector<pid_t> pids_;
};

// One kx-fep on a free loopback port.
struct Fep {
    pid_t pid = -1;
    int port = 0;
    int input = -1;  // its standard input, when fed
    fs::path out, err;
};

// kx-fep --listen 127.0.0.1:0 with `options`; its output in dir/name.out and .err.
inline std::vector<std::string> ReadLines(const fs::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline Fep StartFep(Processes& processes, const fs::path& bin, const fs::path& dir, const std::string& name,
                    const std::vector<std::string>& options, bool feedStandardInput) {
    Fep fep;
    fep.out = dir / (name + ".out");
    fep.err = dir / (name + ".err");
    std::vector<std::string> args = {(bin / "kx-fep").string(), "--listen", "127.0.0.1:0"};
    args.insert(args.end(), options.begin(), options.end());
    fep.pid = processes.Spawn(args, fep.out, fep.err, feedStandardInput ? &fep.input : nullptr);
    const std::string banner = "kx-fep listening on 127.0.0.1:";
    for (const auto end = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < end;) {
        const auto lines = ReadLines(fep.out);
        if (!lines.empty() && lines[0].starts_with(banner)) {
            fep.port = std::stoi(lines[0].substr(banner.size()));
            return fep;
        }
        if (!Processes::Running(fep.pid)) break;
        std::this_thread::sleep_for(10ms);
    }
    throw std::runtime_error("kx-fep did not start listening; see " + fep.err.string());
}

// The FEP table of the database: unit n at 127.0.0.1:ports[n-1], nothing else.
inline void DefineFeps(const std::string& alias, const fs::path& home, const std::vector<int>& ports) {
    auto database = db::Database::Open(alias, home);
    database->Run("delete from M_Server", nullptr);
    for (std::size_t i = 0; i < ports.size(); ++i)
        database->Run("insert into M_Server values (" + std::to_string(i + 1) + ", '127.0.0.1', '" +
                          std::to_string(ports[i]) + "', 'FEP" + std::to_string(i + 1) + "', 'N', 4, 2, 2)",
                      nullptr);
}

// What an agent or kx-ctl may leave of a mailbox when they do not close it in order.
inline void RemoveMailboxFiles(const std::string& name) {
    shm_unlink(("/" + name).c_str());
    std::remove(kx::AgentLockPath(name).c_str());
    std::remove(kx::CtlLockPath(name).c_str());
}

// The front end's side of the mailbox.
class MailboxClient {
public:
    explicit MailboxClient(std::string name) : name_(std::move(name)) {}
    ~MailboxClient() {
        block_.Close();
        RemoveMailboxFiles(name_);
    }
    MailboxClient(const MailboxClient&) = delete;
    MailboxClient& operator=(const MailboxClient&) = delete;

    const std::string& Name() const { return name_; }

    // Until the agent serves the mailbox and answers "OLD".
    void WaitForAgent(pid_t agent, const fs::path& out) {
        for (const auto end = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < end;) {
            if (!Processes::Running(agent)) break;
            if (kx::AgentRunning(name_) &&
                block_.Open(name_, kx::SharedBlock::OpenMode::ExistingOnly) == kx::SharedBlock::OpenResult::Mapped &&
                Old(5s))
                return;
            std::this_thread::sleep_for(50ms);
        }
        throw std::runtime_error("kx-ata did not answer \"OLD\"; see " + out.string());
    }

    struct Reply {
        std::string record;  // after "DLO"
        long long at = 0;    // when it was read
        double ms = 0;       // "OLD" written -> "DLO" read
    };
    std::optional<Reply> Old(std::chrono::milliseconds limit) {
        block_.SendMFThis(kx::mailbox::kOld);
        const long long start = NowMicros();
        const long long end = start + std::chrono::duration_cast<std::chrono::microseconds>(limit).count();
        for (;;) {
            const std::string text = block_.ReadText();
            if (text.starts_with(kx::mailbox::kDlo)) {
                const long long at = NowMicros();
                return Reply{text.substr(kx::mailbox::kCodeLength), at, (at - start) / 1000.0};
            }
            if (NowMicros() > end) return std::nullopt;
            std::this_thread::sleep_for(kClientSleep);
        }
    }

    // Writes a request and waits until the block's text starts with `reply`.
    bool Request(const std::string& text, const std::string& reply, std::chrono::milliseconds limit) {
        block_.SendMFThis(text);
        return Await(reply, limit);
    }
    bool Await(const std::string& reply, std::chrono::milliseconds limit) {
        for (const auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
            if (block_.ReadText().starts_with(reply)) return true;
            std::this_thread::sleep_for(kClientSleep);
        }
        return false;
    }

    void End(Processes& processes, pid_t agent) {
        if (block_.HasView()) block_.SendMFThis(kx::mailbox::kEnd);
        processes.End(agent, 15s);
    }

private:
    std::string name_;
    kx::SharedBlock block_;
};

// kx-ata --headless --server on home and mailbox, its output in home/kx-ata.out.
inline pid_t StartAgent(Processes& processes, const fs::path& bin, const fs::path& home, const std::string& mailbox) {
    return processes.Spawn(
        {(bin / "kx-ata").string(), "--headless", "--server", "--home", home.string(), "--mailbox", mailbox},
        home / "kx-ata.out", home / "kx-ata.out");
}

}  // namespace kx::bench
