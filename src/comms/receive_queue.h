#pragma once
#include <array>
#include <mutex>
#include <string>

namespace kx {

// The packets the poll tasks received, waiting for the mailbox's "OLD": a ring of
// 100 slots, indexes 1 to 100, empty when both are equal, at most 99 packets (a
// full ring drops its oldest). Several poll threads put while the main thread takes.
class ReceiveQueue {
public:
    static constexpr int kSlots = 100;

    // Both indexes back to 1: the queue is empty.
    void Reset();
    // Stores text, its leading "C" turned into "O" (a clocking that arrived on line).
    void PutPacket(std::string text);
    // The oldest packet into text, removed; false and text unchanged when empty.
    bool TakePacket(std::string& text);
    int Count() const;

private:
    static int Advance(int index) { return index == kSlots ? 1 : index + 1; }

    mutable std::mutex mutex_;
    std::array<std::string, kSlots> slots_;  // slot i holds index i + 1
    int producer_ = 1;
    int consumer_ = 1;
};

}  // namespace kx
