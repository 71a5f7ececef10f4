#pragma once
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>

#include "comms/agent_lock.h"
#include "comms/shared_block.h"
#include "support/mailbox_files.h"

namespace kx::test {

// A mailbox name no other test or agent uses; its block and lock files are
// removed at the end of the test.
class ScopedMailboxName {
public:
    ScopedMailboxName() {
        static std::atomic<int> counter{0};
        name_ = "kxtest_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
    }
    ~ScopedMailboxName() { RemoveMailboxFiles(name_); }
    ScopedMailboxName(const ScopedMailboxName&) = delete;
    ScopedMailboxName& operator=(const ScopedMailboxName&) = delete;

    const std::string& name() const { return name_; }

private:
    std::string name_;
};

// The raw 10000 bytes of a block, mapped separately, as the front end sees them.
class RawBlockView {
public:
    explicit RawBlockView(const std::string& name) {
        const int fd = shm_open(("/" + name).c_str(), O_CREAT | O_RDWR, 0600);
        if (fd >= 0 && ftruncate(fd, SharedBlock::kSize) == 0) {
            void* view = mmap(nullptr, SharedBlock::kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (view != MAP_FAILED) bytes_ = static_cast<char*>(view);
        }
        if (fd >= 0) close(fd);
    }
    ~RawBlockView() {
        if (bytes_) munmap(bytes_, SharedBlock::kSize);
    }
    RawBlockView(const RawBlockView&) = delete;
    RawBlockView& operator=(const RawBlockView&) = delete;

    char* bytes() { return bytes_; }
    std::string Bytes(std::size_t from, std::size_t count) const { return std::string(bytes_ + from, count); }
    void Write(const std::string& text) { std::memcpy(bytes_, text.c_str(), text.size() + 1); }

private:
    char* bytes_ = nullptr;
};

}  // namespace kx::test
