// kx-ata under a service manager: a Unix datagram socket of the test's own
// plays systemd's notification socket for a real headless agent.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "agent_process.h"

namespace kx::test {
namespace {

// The socket systemd would pass in NOTIFY_SOCKET; every datagram is one report.
// Read at once on a thread of its own, as systemd does: a sender blocks when
// the socket's queue is full.
class NotifySocket {
public:
    explicit NotifySocket(const std::filesystem::path& path) : path_(path) {
        fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.string().copy(address.sun_path, sizeof address.sun_path - 1);
        bound_ = fd_ >= 0 && bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        if (bound_) reader_ = std::jthread([this](std::stop_token stop) { Read(stop); });
    }
    ~NotifySocket() {
        if (reader_.joinable()) {
            reader_.request_stop();
            reader_.join();
        }
        if (fd_ >= 0) close(fd_);
        std::filesystem::remove(path_);
    }
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;

    bool Bound() const { return bound_; }

    // Waits until a report holds the line wanted.
    bool WaitFor(const std::string& line, std::chrono::milliseconds timeout = 30s) const {
        const auto end = std::chrono::steady_clock::now() + timeout;
        do {
            if (Seen(line)) return true;
            std::this_thread::sleep_for(10ms);
        } while (std::chrono::steady_clock::now() < end);
        return Seen(line);
    }

    bool Seen(const std::string& line) const {
        for (const std::string& report : Reports())
            if (("\n" + report + "\n").find("\n" + line + "\n") != std::string::npos) return true;
        return false;
    }
    // The reports, as read, that start with this text; a status may also follow another line.
    std::vector<std::string> Starting(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& report : Reports()) {
            if (report.starts_with(prefix)) found.push_back(report);
            const std::size_t line = report.find("\n" + prefix);
            if (line != std::string::npos) found.push_back(report.substr(line + 1));
        }
        return found;
    }
    std::string All() const {
        std::string all;
        for (const std::string& report : Reports()) all += "[" + report + "]";
        return all;
    }

private:
    std::vector<std::string> Reports() const {
        const std::lock_guard lock(mutex_);
        return reports_;
    }
    void Read(const std::stop_token& stop) {
        while (!stop.stop_requested()) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            char buffer[4096];
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) continue;
            const std::lock_guard lock(mutex_);
            reports_.emplace_back(buffer, static_cast<std::size_t>(n));
        }
    }

    std::filesystem::path path_;
    int fd_ = -1;
    bool bound_ = false;
    mutable std::mutex mutex_;
    std::vector<std::string> reports_;
    std::jthread reader_;
};

// The environment systemd gives a Type=notify service with WatchdogSec=, for
// the programs this test starts.
class ServiceEnvironment {
public:
    ServiceEnvironment(const std::filesystem::path& socket, const char* watchdogUsec) {
        setenv("NOTIFY_SOCKET", socket.c_str(), 1);
        setenv("WATCHDOG_USEC", watchdogUsec, 1);
    }
    ~ServiceEnvironment() {
        unsetenv("NOTIFY_SOCKET");
        unsetenv("WATCHDOG_USEC");
    }
};

class ServiceNotifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ProgramBuilt("kx-ata") || !ProgramBuilt("kx-db") || !ProgramBuilt("kx-ctl"))
            GTEST_SKIP() << "kx-ata, kx-db or kx-ctl is not built";
    }
};

TEST_F(ServiceNotifyTest, ReportsReadinessStatusAndLifeAndTheStop) {
    AgentHome home;
    home.CreateDemo(40, 3, "20261101");
    home.WriteIni();
    NotifySocket reports(home.path() / "notify.sock");
    ASSERT_TRUE(reports.Bound());
    const ServiceEnvironment environment(home.path() / "notify.sock", "400000");  // a kick every 100 ms

    RunningAgent agent(home);
    ASSERT_TRUE(reports.WaitFor("READY=1")) << reports.All() << agent.StandardError();
    EXPECT_TRUE(reports.Seen("STATUS=Ready")) << reports.All();
    EXPECT_TRUE(reports.WaitFor("WATCHDOG=1")) << reports.All();
    EXPECT_TRUE(AgentLockHeld(agent.Mailbox()));  // ready means the mailbox is served

    const ProgramResult range =
        RunProgram({BinPath("kx-ctl").string(), "--mailbox", agent.Mailbox(), "trp", "T", "20261101", "20261103",
                    "select * from cards c, kt_cdext x where c.staff_number=x.staff_number"});
    ASSERT_EQ(range.status, 0) << range.out << range.err;

    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.WaitExit(), 0);
    EXPECT_TRUE(reports.WaitFor("STOPPING=1", 5s)) << reports.All();
    EXPECT_EQ(home.LogLines().back(), "---- KX_ATA Ended. ----");

    // In the order sent: the batch's percentages, then ready again, then the stop.
    const std::vector<std::string> statuses = reports.Starting("STATUS=");
    ASSERT_GE(statuses.size(), 3u) << reports.All();
    EXPECT_EQ(statuses.front(), "STATUS=Ready");
    const auto percentages = reports.Starting("STATUS=Range reprocessing: ");
    ASSERT_FALSE(percentages.empty()) << reports.All();
    for (const std::string& status : percentages)
        EXPECT_TRUE(status.ends_with(" %") || status.ends_with(": busy")) << status;
    EXPECT_TRUE(reports.Seen("STATUS=Range reprocessing: 50 %")) << reports.All();
    EXPECT_EQ(statuses[statuses.size() - 2], "STATUS=Ready") << reports.All();
    EXPECT_EQ(reports.Starting("STOPPING=1"), std::vector<std::string>{"STOPPING=1\nSTATUS=Stopping"});
}

TEST_F(ServiceNotifyTest, NoWatchdogKicksWithoutAWatchdog) {
    AgentHome home;
    home.CreateDatabase();
    home.WriteIni();
    NotifySocket reports(home.path() / "notify.sock");
    ASSERT_TRUE(reports.Bound());
    setenv("NOTIFY_SOCKET", (home.path() / "notify.sock").c_str(), 1);
    RunningAgent agent(home);
    unsetenv("NOTIFY_SOCKET");
    ASSERT_TRUE(reports.WaitFor("READY=1")) << reports.All();
    EXPECT_FALSE(reports.WaitFor("WATCHDOG=1", 500ms)) << reports.All();
    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.WaitExit(), 0);
}

}  // namespace
}  // namespace kx::test
