#include "comms/shared_block.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/log.h"

namespace kx {

void SharedBlock::Fail(const char* what, int errorNumber) {
    errorNumber_ = errorNumber;
    error_ = std::string(what) + ": " + std::strerror(errorNumber);
}

namespace {

std::string OctalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%03o", static_cast<unsigned>(mode & 0777));
    return text;
}

}  // namespace

bool ValidMailboxName(std::string_view name) {
    return !name.empty() && name.size() <= 200 && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

SharedBlock::~SharedBlock() { Close(); }

SharedBlock::SharedBlock(SharedBlock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      created_(std::exchange(other.created_, false)),
      name_(std::move(other.name_)),
      error_(std::move(other.error_)),
      errorNumber_(other.errorNumber_) {}

SharedBlock& SharedBlock::operator=(SharedBlock&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        created_ = std::exchange(other.created_, false);
        name_ = std::move(other.name_);
        error_ = std::move(other.error_);
        errorNumber_ = other.errorNumber_;
    }
    return *this;
}

SharedBlock::OpenResult SharedBlock::Open(const std::string& name, OpenMode mode, std::optional<unsigned> group) {
    Close();
    name_ = name;
    error_.clear();
    errorNumber_ = 0;
    if (!ValidMailboxName(name)) {
        Fail("invalid mailbox name", EINVAL);
        return OpenResult::NoBlock;
    }
    const std::string path = "/" + name;
    const mode_t allowed = group ? 0660 : 0600;
    int fd = -1;
    bool created = false;
    if (mode == OpenMode::CreateOrOpen) {
        fd = shm_open(path.c_str(), O_CREAT | O_EXCL | O_RDWR, allowed);
        created = fd >= 0;
        if (!created && errno != EEXIST) {
            Fail("shm_open", errno);
            return OpenResult::NoBlock;
        }
    }
    if (fd < 0) fd = shm_open(path.c_str(), O_RDWR, 0);
    if (fd < 0) {
        Fail("shm_open", errno);
        return OpenResult::NoBlock;
    }
    if (mode == OpenMode::CreateOrOpen) {
        if (created && group &&
            (fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(*group)) != 0 || fchmod(fd, allowed) != 0)) {
            Fail("giving the block to its group", errno);
            close(fd);
            return OpenResult::NoBlock;
        }
        // Whoever made the block first could read and write every request in it.
        struct stat owner {};
        if (fstat(fd, &owner) != 0 || owner.st_uid != geteuid() || (owner.st_mode & 0777 & ~allowed) != 0) {
            error_ = "the block /dev/shm/" + name + " belongs to another user or is open to others (owner " +
                     std::to_string(owner.st_uid) + ", mode " + OctalMode(owner.st_mode) +
                     "); remove it or name another mailbox";
            errorNumber_ = EACCES;
            close(fd);
            return OpenResult::Refused;
        }
    }
    // Only grow: a block the front end made larger keeps its size.
    struct stat st {};
    if (fstat(fd, &st) != 0 || (st.st_size < static_cast<off_t>(kSize) && ftruncate(fd, kSize) != 0)) {
        Fail("sizing the block", errno);
        close(fd);
        return OpenResult::NoBlock;
    }
    fd_ = fd;
    created_ = created;
    lastReadSize_ = kSize;
    shrinkNoticed_ = false;
    return OpenResult::Mapped;
}

void SharedBlock::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

void SharedBlock::RemoveIfCreated() {
    if (created_ && !name_.empty()) shm_unlink(("/" + name_).c_str());
    created_ = false;
}

bool SharedBlock::TakeShrinkNotice() const {
    if (lastReadSize_ >= kSize) {
        shrinkNoticed_ = false;
        return false;
    }
    if (shrinkNoticed_) return false;
    shrinkNoticed_ = true;
    return true;
}

// The other process writes without any lock. Writers (this class) clear the first
// byte, write the rest, then set the first byte last; a reader keeps a copy only
// when a second look finds the same first byte and the same bytes, so it never
// takes the head of a new command glued to the tail of an old one.
std::string SharedBlock::ReadText() const {
    if (fd_ < 0) return {};
    std::string text(kSize, '\0');
    std::string again;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const ssize_t got = pread(fd_, text.data(), kSize, 0);
        if (got < 0) return {};
        lastReadSize_ = static_cast<std::size_t>(got);
        if (got == 0 || text[0] == '\0') return {};
        const void* nul = std::memchr(text.data(), 0, static_cast<std::size_t>(got));
        const std::size_t length = nul ? static_cast<const char*>(nul) - text.data() : static_cast<std::size_t>(got);
        const std::size_t compared = std::min(length + 1, static_cast<std::size_t>(got));
        again.resize(compared);
        if (pread(fd_, again.data(), compared, 0) == static_cast<ssize_t>(compared) &&
            std::memcmp(again.data(), text.data(), compared) == 0) {
            text.resize(length);
            return text;
        }
    }
    return {};  // still being written: nothing to read yet
}

void SharedBlock::SendMFThis(std::string_view text) {
    if (fd_ < 0) return;
    const std::size_t length = std::min(text.size(), kSize - 1);
    const char nul = 0;
    // Each write is whole before the next starts, so the other side never sees a
    // first byte before the rest; a write past a cut block's end grows it again.
    if (pwrite(fd_, &nul, 1, 0) != 1) return;
    if (length > 1 && pwrite(fd_, text.data() + 1, length - 1, 1) != static_cast<ssize_t>(length - 1)) return;
    if (length == 0 || pwrite(fd_, &nul, 1, static_cast<off_t>(length)) != 1) return;
    [[maybe_unused]] const ssize_t first = pwrite(fd_, text.data(), 1, 0);
}

SharedBlock::OpenResult CreateControlMailbox(SharedBlock& block, const std::string& name, const Log& log,
                                             std::optional<unsigned> group) {
    const SharedBlock::OpenResult result = block.Open(name, SharedBlock::OpenMode::CreateOrOpen, group);
    if (result == SharedBlock::OpenResult::Refused) log.WriteLog("<FCR.MapFile>" + block.ErrorText());
    if (result == SharedBlock::OpenResult::NoBlock) log.WriteLog("hMapFile = 0");
    if (result == SharedBlock::OpenResult::NoView) log.WriteLog("MapFilePointer = nil");
    return result;
}

}  // namespace kx
