#include "comms/fep_table.h"

#include "comms/fep_frames.h"

namespace kx {

void FepRecord::Reset() {
    Connected = false;
    Defined = false;
    TagName.clear();
    FEPType.clear();
    UnitNo = TotalReader = TotalInput = TotalOutput = 0;
    IPAddress.clear();
    Port.clear();
}

bool FepReplyState::Receive(const std::string& receipt) {
    std::lock_guard lock(mutex_);
    buffer_.assign(receipt, 0, kBufferLength);
    return ReplyComplete(buffer_);
}

void FepReplyState::ClearBuffer() {
    std::lock_guard lock(mutex_);
    buffer_.clear();
}

std::string FepReplyState::Received() const {
    std::lock_guard lock(mutex_);
    return buffer_;
}

}  // namespace kx
