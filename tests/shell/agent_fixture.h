#pragma once
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qt_test_app.h"
#include "shell/agent.h"
#include "support/log_texts.h"
#include "support/test_db.h"

namespace kx::test {

// A mailbox name of this test program's own, removed with the fixture.
inline std::string UniqueMailboxName() {
    static std::atomic<int> counter{0};
    return "kx-shell-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

// An agent, headless, on a fresh database with the suite's tables, with the
// settings file written by the test. Parametrised over both backends.
class AgentTest : public SuiteDatabaseTest {
protected:
    void TearDown() override {
        agent.reset();
        shm_unlink(("/" + mailbox).c_str());
        SuiteDatabaseTest::TearDown();
    }

    const std::filesystem::path& home() { return testDatabase().home(); }

    // Kairox.ini: the test database's alias, then `more` as written.
    void WriteIni(const std::string& more = "[Options]\nATA_Details=999\n") {
        std::ofstream(home() / "Kairox.ini") << "[Database]\nDBAlias=" << testDatabase().alias() << "\n" << more;
    }

    Agent& MakeAgent(bool serverMode = false) {
        AgentOptions options;
        options.home = home();
        options.headless = true;
        options.serverMode = serverMode;
        options.mailboxName = mailbox;
        agent = std::make_unique<Agent>(options, &clock);
        return *agent;
    }
    Agent& StartAgent(bool serverMode = false) {
        Agent& started = MakeAgent(serverMode);
        EXPECT_TRUE(started.FormCreate());
        return started;
    }

    // The main log's texts without their time stamps.
    std::vector<std::string> LogLines() { return LogTexts(home() / "KX_ATA.Log"); }
    bool Logged(const std::string& text) { return HasText(LogLines(), text); }

    // Lets the event loop run until `done` or the timeout.
    static bool PumpUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            usleep(1000);
        }
        return true;
    }

    QApplication& app = TestApplication();
    FakeClock clock{MakeLocalTime(2026, 12, 9, 8, 0, 0)};
    std::string mailbox = UniqueMailboxName();
    std::unique_ptr<Agent> agent;
};

}  // namespace kx::test
