#include "comms/agent_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "support/mailbox_fixture.h"

namespace kx {
namespace {

using namespace std::chrono_literals;

TEST(AgentLock, PathIsBesideTheSharedMemoryBlocks) {
    EXPECT_EQ(AgentLockPath("KT3MapFile"), "/dev/shm/kx-ata.KT3MapFile.d/agent.lock");
    EXPECT_EQ(CtlLockPath("KT3MapFile"), "/dev/shm/kx-ctl." + std::to_string(geteuid()) + ".d/KT3MapFile.lock");
    EXPECT_EQ(AgentLockDirectory("KT3MapFile"), "/dev/shm/kx-ata.KT3MapFile.d");
    EXPECT_EQ(CtlLockDirectory(), "/dev/shm/kx-ctl." + std::to_string(geteuid()) + ".d");
}

TEST(AgentLock, ASecondAgentOnTheSameMailboxIsRefused) {
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

TEST(AgentLock, WaitingForTheAgentToClose) {
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

// Nobody else may take, hold or swap the lock: the directory is this user's alone.
TEST(FileLock, ADirectoryAnotherUserOwnsOrOthersMayWriteIsRefused) {
    test::ScopedMailboxName name;
    const std::string path = AgentLockPath(name.name());
    const std::string dir = AgentLockDirectory(name.name());
    struct Case {
        const char* name;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"open to others", [&] { ASSERT_EQ(mkdir(dir.c_str(), 0700) | chmod(dir.c_str(), 0777), 0); }},
        {"another user's", [&] { ASSERT_EQ(mkdir(dir.c_str(), 0700) | chown(dir.c_str(), 65534, 65534), 0); }},
        {"a link to elsewhere", [&] { ASSERT_EQ(symlink("/tmp", dir.c_str()), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.name == std::string("another user's") && geteuid() != 0) continue;  // needs root to give it away
        c.make();
        AgentLock lock;
        EXPECT_FALSE(lock.Acquire(name.name()));
        EXPECT_NE(lock.ErrorText().find("belongs to another user or is open to others"), std::string::npos)
            << lock.ErrorText();
        unlink(dir.c_str());
        rmdir(dir.c_str());
    }

    AgentLock mine;
    ASSERT_TRUE(mine.Acquire(name.name())) << mine.ErrorText();
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    mine.Release();
    EXPECT_NE(access(dir.c_str(), F_OK), 0) << "an orderly release leaves nothing behind";
    EXPECT_FALSE(AgentRunning(name.name()));
}

// A holder that removes its file lets the next one lock a file that is really there.
TEST(FileLock, TheNextHolderAfterARemovalLocksTheFileAtThePath) {
    test::ScopedMailboxName name;
    const std::string path = CtlLockPath(name.name());
    FileLock first;
    ASSERT_TRUE(first.TryLock(path)) << first.ErrorText();
    FileLock second;
    EXPECT_FALSE(second.TryLock(path));
    first.UnlockAndRemove();
    EXPECT_NE(access(path.c_str(), F_OK), 0);
    ASSERT_TRUE(second.TryLock(path)) << second.ErrorText();
    EXPECT_EQ(access(path.c_str(), F_OK), 0);
    FileLock third;
    EXPECT_FALSE(third.TryLock(path)) << "the lock is on the file at the path, not on a removed one";
}

TEST(FileLock, ReportsAnotherHolderAndAnOpenFailureApart) {
    test::ScopedMailboxName name;
    const std::string path = CtlLockPath(name.name());
    FileLock held;
    ASSERT_TRUE(held.TryLock(path));
    FileLock waiting;
    EXPECT_FALSE(waiting.LockWithin(path, 30ms));
    EXPECT_TRUE(waiting.HeldElsewhere());

    FileLock broken;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(broken.LockWithin("/dev/null/x.lock", 5s));
    EXPECT_FALSE(broken.HeldElsewhere());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "an open failure is not waited out";
}

}  // namespace
}  // namespace kx
