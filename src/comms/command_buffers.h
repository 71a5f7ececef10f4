#pragma once
#include <array>
#include <atomic>
#include <string>
#include <vector>

namespace kx {

// Everything sent to a FEP waits in that FEP's command buffer: a ring of 10000
// slots, indexes 1 to 10000, empty when get equals put. A full ring drops its
// oldest text, so it holds at most 9999. BufferUp and GetOneCmd run on the main
// thread; a poll thread may ask CommandWaiting for its own FEP at any time.
class CommandBuffers {
public:
    static constexpr int kFepCount = 16;
    static constexpr int kSlots = 10000;

    CommandBuffers();

    void InitCommandBuffers();
    // Appends a copy of text to FEP n's buffer (n from 1 to 16).
    void BufferUp(const std::string& text, int n);
    // Moves FEP n's oldest text into text; leaves text unchanged when the buffer is empty.
    void GetOneCmd(std::string& text, int n);
    bool CommandWaiting(int n) const;
    // How many texts FEP n's buffer holds.
    int Count(int n) const;

private:
    struct Ring {
        std::vector<std::string> texts;  // allocated at the first text; slot i holds index i + 1
        std::atomic<int> get{1};
        std::atomic<int> put{1};
    };
    Ring& RingOf(int n);
    const Ring& RingOf(int n) const;

    std::array<Ring, kFepCount> rings_;
};

// Queues a text for FEP 1, the message server.
void SendThisMessage(CommandBuffers& buffers, const std::string& text);
// Queues the inter-module message frame of text for FEP 1.
void InterModMsg(CommandBuffers& buffers, const std::string& text);

}  // namespace kx
