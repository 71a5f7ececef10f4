#include "comms/command_buffers.h"

#include <stdexcept>

#include "comms/fep_frames.h"

namespace kx {

namespace {

int Advance(int index) { return index == CommandBuffers::kSlots ? 1 : index + 1; }

}  // namespace

CommandBuffers::CommandBuffers() { InitCommandBuffers(); }

void CommandBuffers::InitCommandBuffers() {
    for (Ring& ring : rings_) {
        ring.texts.clear();
        ring.texts.shrink_to_fit();
        ring.get = 1;
        ring.put = 1;
    }
}

CommandBuffers::Ring& CommandBuffers::RingOf(int n) {
    if (n < 1 || n > kFepCount) throw std::out_of_range("no command buffer for FEP " + std::to_string(n));
    return rings_[n - 1];
}

const CommandBuffers::Ring& CommandBuffers::RingOf(int n) const { return const_cast<CommandBuffers*>(this)->RingOf(n); }

void CommandBuffers::BufferUp(const std::string& text, int n) {
    Ring& ring = RingOf(n);
    if (ring.texts.empty()) ring.texts.resize(kSlots);
    const int put = ring.put;
    ring.texts[put - 1] = text;
    const int next = Advance(put);
    if (next == ring.get) {
        ring.texts[next - 1].clear();
        ring.texts[next - 1].shrink_to_fit();
        ring.get = Advance(next);
    }
    ring.put = next;
}

void CommandBuffers::GetOneCmd(std::string& text, int n) {
    Ring& ring = RingOf(n);
    const int get = ring.get;
    if (get == ring.put) return;
    text = std::move(ring.texts[get - 1]);
    ring.texts[get - 1] = std::string();
    ring.get = Advance(get);
}

bool CommandBuffers::CommandWaiting(int n) const {
    const Ring& ring = RingOf(n);
    return ring.get != ring.put;
}

int CommandBuffers::Count(int n) const {
    const Ring& ring = RingOf(n);
    const int count = ring.put - ring.get;
    return count < 0 ? count + kSlots : count;
}

void SendThisMessage(CommandBuffers& buffers, const std::string& text) { buffers.BufferUp(text, 1); }

void InterModMsg(CommandBuffers& buffers, const std::string& text) { buffers.BufferUp(InterModFrame(text), 1); }

}  // namespace kx
