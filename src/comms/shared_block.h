#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/mailbox_protocol.h"

namespace kx {

class Log;

// The control mailbox: a named block of 10000 bytes of POSIX shared memory that
// holds one NUL-terminated text, shared with the front end. Create-or-open, so
// whichever side starts first makes it; the name is unlinked only on request
// (RemoveIfCreated), since the other side may still hold it.
class SharedBlock {
public:
    static constexpr std::size_t kSize = kMailboxSize;

    enum class OpenMode { CreateOrOpen, ExistingOnly };
    enum class OpenResult { Mapped, NoBlock, NoView, Refused };

    SharedBlock() = default;
    ~SharedBlock();
    SharedBlock(SharedBlock&& other) noexcept;
    SharedBlock& operator=(SharedBlock&& other) noexcept;
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    // Maps the block "/" + name, replacing any view held. NoBlock: the block could
    // not be created or opened (or sized); NoView: it could not be mapped. ErrorText()
    // tells why.
    //
    // CreateOrOpen makes the block private: mode 0600, or 0660 and owned by
    // `group` when one is given (for a front end that runs as another user). A
    // block that is already there is used only when this user owns it and it is
    // no more open than that mode; otherwise Refused, and ErrorText says why.
    OpenResult Open(const std::string& name, OpenMode mode = OpenMode::CreateOrOpen,
                    std::optional<unsigned> group = std::nullopt);
    void Close();
    // Unlinks the block's name when this object created it: for a close after
    // which no other program can still be holding it.
    void RemoveIfCreated();

    bool HasView() const { return fd_ >= 0; }
    const std::string& Name() const { return name_; }
    const std::string& ErrorText() const { return error_; }
    int ErrorNumber() const { return errorNumber_; }  // errno of the failed step, 0 when none

    // The text up to the first NUL, or all 10000 bytes when there is none; the empty
    // text without a view.
    std::string ReadText() const;
    // Writes text and one NUL at offset 0 (a longer text is cut to 9999 bytes); the
    // bytes after that NUL keep what they held. Nothing without a view.
    void SendMFThis(std::string_view text);

    // True once each time a read finds the block shorter than 10000 bytes (another
    // process cut it): the caller logs it. Reads and writes go through the
    // block's descriptor, never a mapping, so a cut block cannot kill the agent.
    bool TakeShrinkNotice() const;
    std::size_t LastReadSize() const { return lastReadSize_; }

private:
    void Fail(const char* what, int errorNumber);

    int fd_ = -1;
    bool created_ = false;
    mutable std::size_t lastReadSize_ = kSize;
    mutable bool shrinkNoticed_ = false;
    std::string name_;
    std::string error_;
    int errorNumber_ = 0;
};

// A mailbox name usable as a shared-memory and lock-file name: not empty, no "/",
// no NUL, at most 200 bytes.
bool ValidMailboxName(std::string_view name);

// Start-up's creation of the control mailbox: opens the block and writes
// "hMapFile = 0" or "MapFilePointer = nil" when that fails (the agent runs on
// without a mailbox).
// A block that is not this agent's to use (Refused) is logged as "<FCR.MapFile>"
// with the reason, and start-up must not go on with it.
SharedBlock::OpenResult CreateControlMailbox(SharedBlock& block, const std::string& name, const Log& log,
                                             std::optional<unsigned> group = std::nullopt);

}  // namespace kx
