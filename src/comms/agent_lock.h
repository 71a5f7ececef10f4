#pragma once
#include <chrono>
#include <string>

#include "core/mailbox_protocol.h"

namespace kx {

// An exclusive flock on a file, held for the life of the object. The file is
// created mode 0600 when missing, in a directory that only this user may write:
// the directory is made mode 0700 when missing, and one that another user owns
// or that others may write is refused, so no one else can take, hold or swap
// the lock. The holder may remove the file (UnlockAndRemove): a lock taken on a
// file that was removed meanwhile is let go and taken again on the new file.
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
    // Removes the file and, when it was the last, its directory; then unlocks.
    void UnlockAndRemove();

    bool Held() const { return fd_ >= 0; }
    // The last attempt failed because another holder has the lock.
    bool HeldElsewhere() const { return heldElsewhere_; }
    const std::string& ErrorText() const { return error_; }

private:
    int fd_ = -1;
    std::string path_;
    bool heldElsewhere_ = false;
    std::string error_;
};

// Held by kx-ata for as long as it serves a mailbox, so a second agent on the same
// mailbox refuses to start and kx-ctl can tell whether an agent is there.
class AgentLock {
public:
    // False, with a message for the operator, when another agent serves the mailbox.
    bool Acquire(const std::string& mailboxName);
    // At an orderly close: the lock file and its directory go with it.
    void Release() { lock_.UnlockAndRemove(); }
    bool Held() const { return lock_.Held(); }
    // After a failed Acquire: another agent holds it (and not, say, a lock directory that is refused).
    bool HeldByAnotherAgent() const { return lock_.HeldElsewhere(); }
    const std::string& ErrorText() const { return error_; }

private:
    FileLock lock_;
    std::string error_;
};

// Whether an agent serves the mailbox right now (without creating the lock file).
// For another user, who may not look inside the agent's directory, its presence
// answers: the agent removes it at an orderly close.
bool AgentRunning(const std::string& mailboxName);
// Waits until no agent serves the mailbox, checking every 5 ms; false when the
// timeout passes first (a negative timeout waits without limit).
bool WaitUntilAgentClosed(const std::string& mailboxName, std::chrono::milliseconds timeout);

}  // namespace kx
