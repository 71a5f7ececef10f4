#include "comms/receive_queue.h"

namespace kx {

void ReceiveQueue::Reset() {
    std::lock_guard lock(mutex_);
    for (std::string& slot : slots_) std::string().swap(slot);
    producer_ = 1;
    consumer_ = 1;
}

void ReceiveQueue::PutPacket(std::string text) {
    if (!text.empty() && text[0] == 'C') text[0] = 'O';
    std::lock_guard lock(mutex_);
    producer_ = Advance(producer_);
    if (producer_ == consumer_) consumer_ = Advance(consumer_);
    slots_[producer_ - 1] = std::move(text);
}

bool ReceiveQueue::TakePacket(std::string& text) {
    std::lock_guard lock(mutex_);
    if (consumer_ == producer_) return false;
    consumer_ = Advance(consumer_);
    text = std::move(slots_[consumer_ - 1]);
    slots_[consumer_ - 1] = std::string();
    return true;
}

int ReceiveQueue::Count() const {
    std::lock_guard lock(mutex_);
    const int count = producer_ - consumer_;
    return count < 0 ? count + kSlots : count;
}

}  // namespace kx
