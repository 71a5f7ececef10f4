#pragma once
#include <chrono>
#include <string>

namespace kx {

// The lock file a running kx-ata holds for its mailbox.
std::string AgentLockPath(const std::string& mailboxName);

// An exclusive flock on a file, held for the life of the object. The file is
// created when missing and never removed: removing a lock file races with the
// next process that takes it.
class FileLock {
public:
    FileLock() = default;
    ~FileLock() { Unlock(); }
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock without waiting; false when someone else holds it or the file
    // cannot be opened (ErrorText tells which).
    bool TryLock(const std::string& path);
    // Tries every 5 ms until the lock is taken or the timeout has passed; a
    // negative timeout waits without limit.
    bool LockWithin(const std::string& path, std::chrono::milliseconds timeout);
    void Unlock();

    bool Held() const { return fd_ >= 0; }
    // The last attempt failed because another holder has the lock.
    bool HeldElsewhere() const { return heldElsewhere_; }
    const std::string& ErrorText() const { return error_; }

private:
    int fd_ = -1;
    bool heldElsewhere_ = false;
    std::string error_;
};

// Held by kx-ata for as long as it serves a mailbox, so a second agent on the same
// mailbox refuses to start and kx-ctl can tell whether an agent is there.
class AgentLock {
public:
    // False, with a message for the operator, when another agent serves the mailbox.
    bool Acquire(const std::string& mailboxName);
    void Release() { lock_.Unlock(); }
    bool Held() const { return lock_.Held(); }
    const std::string& ErrorText() const { return error_; }

private:
    FileLock lock_;
    std::string error_;
};

// Whether an agent serves the mailbox right now (without creating the lock file).
bool AgentRunning(const std::string& mailboxName);
// Waits until no agent serves the mailbox, checking every 5 ms; false when the
// timeout passes first (a negative timeout waits without limit).
bool WaitUntilAgentClosed(const std::string& mailboxName, std::chrono::milliseconds timeout);

}  // namespace kx
