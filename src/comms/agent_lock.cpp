#include "comms/agent_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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
bool RetryWithin(std::chrono::milliseconds timeout, Check check) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (check()) return true;
        if (timeout.count() >= 0 && std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kProbeInterval);
    }
}

std::string ParentOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

std::string OctalText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Empty when the directory is there (made now if missing) and only this user may write it.
std::string PrivateDirectoryError(const std::string& dir) {
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return "cannot make " + dir + ": " + std::strerror(errno);
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0) return "cannot read " + dir + ": " + std::strerror(errno);
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 022) != 0)
        return "the lock directory " + dir + " belongs to another user or is open to others (owner " +
               std::to_string(st.st_uid) + ", mode " + OctalText(st.st_mode) + "); remove it or name another mailbox";
    return {};
}

// The file at the path is still the one locked (it was not removed and made anew meanwhile).
bool StillAtPath(int fd, const std::string& path) {
    struct stat held {
    }, named{};
    return fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

}  // namespace

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      heldElsewhere_(other.heldElsewhere_),
      error_(std::move(other.error_)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        Unlock();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        heldElsewhere_ = other.heldElsewhere_;
        error_ = std::move(other.error_);
    }
    return *this;
}

bool FileLock::TryLock(const std::string& path) {
    Unlock();
    error_.clear();
    heldElsewhere_ = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        error_ = PrivateDirectoryError(ParentOf(path));
        if (!error_.empty()) return false;
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno == ENOENT) continue;  // the last holder of another lock took the directory
        if (fd < 0) {
            error_ = "cannot open " + path + ": " + std::strerror(errno);
            return false;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            heldElsewhere_ = errno == EWOULDBLOCK;
            error_ =
                heldElsewhere_ ? path + " is held by another process" : "flock " + path + ": " + std::strerror(errno);
            close(fd);
            return false;
        }
        if (StillAtPath(fd, path)) {
            fd_ = fd;
            path_ = path;
            return true;
        }
        close(fd);  // its holder removed it as we took it: lock the new one
    }
    error_ = path + " keeps being removed";
    return false;
}

bool FileLock::LockWithin(const std::string& path, std::chrono::milliseconds timeout) {
    bool failed = false;  // an error other than another holder is not worth waiting for
    const bool ended = RetryWithin(timeout, [&] {
        if (TryLock(path)) return true;
        failed = !heldElsewhere_;
        return failed;
    });
    return ended && !failed;
}

void FileLock::Unlock() {
    if (fd_ >= 0) close(fd_);  // closing the only descriptor releases the flock
    fd_ = -1;
}

// Removed while still held: whoever opened the old file before finds it gone once it gets the lock.
void FileLock::UnlockAndRemove() {
    if (fd_ < 0) return;
    unlink(path_.c_str());
    rmdir(ParentOf(path_).c_str());  // fails, harmlessly, while other files are in it
    Unlock();
}

bool AgentLock::Acquire(const std::string& mailboxName) {
    const std::string path = AgentLockPath(mailboxName);
    error_.clear();
    if (lock_.LockWithin(path, kStartGrace)) return true;
    error_ = AgentRunning(mailboxName)
                 ? "another kx-ata is already serving mailbox " + mailboxName + " (it holds " + path + ")"
                 : lock_.ErrorText();
    return false;
}

bool AgentRunning(const std::string& mailboxName) {
    const std::string path = AgentLockPath(mailboxName);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == EACCES) return access(ParentOf(path).c_str(), F_OK) == 0;
    if (fd < 0) return false;  // no agent serves this mailbox, or it closed in order
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

bool WaitUntilAgentClosed(const std::string& mailboxName, std::chrono::milliseconds timeout) {
    return RetryWithin(timeout, [&] { return !AgentRunning(mailboxName); });
}

}  // namespace kx
