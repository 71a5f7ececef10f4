#include "comms/shared_block.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

#include "core/log.h"

namespace kx {

void SharedBlock::Fail(const char* what, int errorNumber)
{
    errorNumber_ = errorNumber;
    error_ = std::string(what) + ": " + std::strerror(errorNumber);
}

bool ValidMailboxName(std::string_view name)
{
    return !name.empty() && name.size() <= 200 && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

SharedBlock::~SharedBlock() { Close(); }

SharedBlock::SharedBlock(SharedBlock&& other) noexcept
    : view_(std::exchange(other.view_, nullptr)),
      name_(std::move(other.name_)),
      error_(std::move(other.error_)),
      errorNumber_(other.errorNumber_)
{
}

SharedBlock& SharedBlock::operator=(SharedBlock&& other) noexcept
{
    if (this != &other) {
        Close();
        view_ = std::exchange(other.view_, nullptr);
        name_ = std::move(other.name_);
        error_ = std::move(other.error_);
        errorNumber_ = other.errorNumber_;
    }
    return *this;
}

SharedBlock::OpenResult SharedBlock::Open(const std::string& name, OpenMode mode)
{
    Close();
    name_ = name;
    error_.clear();
    errorNumber_ = 0;
    if (!ValidMailboxName(name)) {
        Fail("invalid mailbox name", EINVAL);
        return OpenResult::NoBlock;
    }
    const int flags = mode == OpenMode::CreateOrOpen ? O_CREAT | O_RDWR : O_RDWR;
    const int fd = shm_open(("/" + name).c_str(), flags, 0666);
    if (fd < 0) {
        Fail("shm_open", errno);
        return OpenResult::NoBlock;
    }
    // Only grow: a block the front end made larger keeps its size.
    struct stat st {};
    if (fstat(fd, &st) != 0 || (st.st_size < static_cast<off_t>(kSize) && ftruncate(fd, kSize) != 0)) {
        Fail("sizing the block", errno);
        close(fd);
        return OpenResult::NoBlock;
    }
    void* view = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) Fail("mmap", errno);
    close(fd);  // the mapping keeps the block alive
    if (view == MAP_FAILED) {
        return OpenResult::NoView;
    }
    view_ = static_cast<unsigned char*>(view);
    return OpenResult::Mapped;
}

void SharedBlock::Close()
{
    if (view_) munmap(view_, kSize);
    view_ = nullptr;
}

// The other process writes without any lock. Writers (this class) clear the first
// byte, write the rest, then set the first byte last; a reader keeps a copy only
// when the first byte was the same before and after and a second look finds the
// same bytes, so it never takes the head of a new command glued to the tail of an
// old one.
std::string SharedBlock::ReadText() const
{
    if (!view_) return {};
    std::atomic_ref<unsigned char> first(view_[0]);
    std::string text;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned char before = first.load(std::memory_order_acquire);
        if (before == 0) return {};
        const void* nul = std::memchr(view_ + 1, 0, kSize - 1);
        const std::size_t length = nul ? static_cast<const unsigned char*>(nul) - view_ : kSize;
        text.assign(reinterpret_cast<const char*>(view_), length);
        std::atomic_thread_fence(std::memory_order_acquire);
        const bool same = std::memcmp(view_ + 1, text.data() + 1, length - 1) == 0 && (length == kSize || view_[length] == 0);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (same && first.load(std::memory_order_relaxed) == before) {
            text[0] = static_cast<char>(before);
            return text;
        }
    }
    return {};  // still being written: nothing to read yet
}

void SharedBlock::SendMFThis(std::string_view text)
{
    if (!view_) return;
    const std::size_t length = std::min(text.size(), kSize - 1);
    std::atomic_ref<unsigned char> first(view_[0]);
    first.store(0, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    if (length > 1) std::memcpy(view_ + 1, text.data() + 1, length - 1);
    if (length > 0) view_[length] = 0;
    first.store(length > 0 ? static_cast<unsigned char>(text[0]) : 0, std::memory_order_release);
}

SharedBlock::OpenResult CreateControlMailbox(SharedBlock& block, const std::string& name, const Log& log)
{
    const SharedBlock::OpenResult result = block.Open(name);
    if (result == SharedBlock::OpenResult::NoBlock) log.WriteLog("hMapFile = 0");
    if (result == SharedBlock::OpenResult::NoView) log.WriteLog("MapFilePointer = nil");
    return result;
}

}  // namespace kx
