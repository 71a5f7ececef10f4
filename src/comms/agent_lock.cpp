#include "comms/agent_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

namespace kx {

namespace {

constexpr std::chrono::milliseconds kProbeInterval{5};
// A kx-ctl probing the lock holds it for a moment; an agent starting just then
// waits that moment out instead of refusing.
constexpr std::chrono::milliseconds kStartGrace{250};

template <class Check>
bool RetryWithin(std::chrono::milliseconds timeout, Check check)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (check()) return true;
        if (timeout.count() >= 0 && std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kProbeInterval);
    }
}

}  // namespace

std::string AgentLockPath(const std::string& mailboxName) { return "/dev/shm/kx-ata." + mailboxName + ".lock"; }

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), heldElsewhere_(other.heldElsewhere_), error_(std::move(other.error_))
{
}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        Unlock();
        fd_ = std::exchange(other.fd_, -1);
        heldElsewhere_ = other.heldElsewhere_;
        error_ = std::move(other.error_);
    }
    return *this;
}

bool FileLock::TryLock(const std::string& path)
{
    Unlock();
    error_.clear();
    heldElsewhere_ = false;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EACCES) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error_ = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        heldElsewhere_ = errno == EWOULDBLOCK;
        error_ = heldElsewhere_ ? path + " is held by another process" : "flock " + path + ": " + std::strerror(errno);
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool FileLock::LockWithin(const std::string& path, std::chrono::milliseconds timeout)
{
    bool failed = false;  // an error other than another holder is not worth waiting for
    const bool ended = RetryWithin(timeout, [&] {
        if (TryLock(path)) return true;
        failed = !heldElsewhere_;
        return failed;
    });
    return ended && !failed;
}

void FileLock::Unlock()
{
    if (fd_ >= 0) close(fd_);  // closing the only descriptor releases the flock
    fd_ = -1;
}

bool AgentLock::Acquire(const std::string& mailboxName)
{
    const std::string path = AgentLockPath(mailboxName);
    error_.clear();
    if (lock_.LockWithin(path, kStartGrace)) return true;
    error_ = AgentRunning(mailboxName)
                 ? "another kx-ata is already serving mailbox " + mailboxName + " (it holds " + path + ")"
                 : lock_.ErrorText();
    return false;
}

bool AgentRunning(const std::string& mailboxName)
{
    const int fd = open(AgentLockPath(mailboxName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;  // no agent has ever served this mailbox
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

bool WaitUntilAgentClosed(const std::string& mailboxName, std::chrono::milliseconds timeout)
{
    return RetryWithin(timeout, [&] { return !AgentRunning(mailboxName); });
}

}  // namespace kx
