#include "comms/agent_lock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "mailbox_fixture.h"

namespace kx {
namespace {

using namespace std::chrono_literals;

TEST(AgentLock, PathIsBesideTheSharedMemoryBlocks)
{
    EXPECT_EQ(AgentLockPath("KT3MapFile"), "/dev/shm/kx-ata.KT3MapFile.lock");
}

TEST(AgentLock, ASecondAgentOnTheSameMailboxIsRefused)
{
    test::ScopedMailboxName name;
    EXPECT_FALSE(AgentRunning(name.name()));
    EXPECT_NE(access(AgentLockPath(name.name()).c_str(), F_OK), 0) << "a probe must not create the lock file";

    AgentLock first;
    ASSERT_TRUE(first.Acquire(name.name())) << first.ErrorText();
    EXPECT_TRUE(AgentRunning(name.name()));

    AgentLock second;
    EXPECT_FALSE(second.Acquire(name.name()));
    EXPECT_NE(second.ErrorText().find("another kx-ata is already serving mailbox " + name.name()), std::string::npos)
        << second.ErrorText();

    test::ScopedMailboxName other;
    AgentLock elsewhere;
    EXPECT_TRUE(elsewhere.Acquire(other.name()));

    first.Release();
    EXPECT_FALSE(AgentRunning(name.name()));
    EXPECT_TRUE(second.Acquire(name.name()));
}

TEST(AgentLock, WaitingForTheAgentToClose)
{
    test::ScopedMailboxName name;
    AgentLock agent;
    ASSERT_TRUE(agent.Acquire(name.name()));
    EXPECT_FALSE(WaitUntilAgentClosed(name.name(), 50ms));

    std::thread closer([&] {
        std::this_thread::sleep_for(100ms);
        agent.Release();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(WaitUntilAgentClosed(name.name(), 5s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 90ms);
    closer.join();
}

TEST(FileLock, ReportsAnotherHolderAndAnOpenFailureApart)
{
    test::ScopedMailboxName name;
    const std::string path = "/dev/shm/kx-ctl." + name.name() + ".lock";
    FileLock held;
    ASSERT_TRUE(held.TryLock(path));
    FileLock waiting;
    EXPECT_FALSE(waiting.LockWithin(path, 30ms));
    EXPECT_TRUE(waiting.HeldElsewhere());

    FileLock broken;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(broken.LockWithin("/nonexistent-dir/x.lock", 5s));
    EXPECT_FALSE(broken.HeldElsewhere());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "an open failure is not waited out";
}

}  // namespace
}  // namespace kx
