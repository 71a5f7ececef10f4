// libFuzzer target for the reply framing of a FEP receive buffer: any receipt
// a FEP (or anything on its port) sends goes into the buffer, is tested for a
// complete reply and, as the poll task does, has its packet taken into the
// receive queue. Nothing may crash or read out of bounds, and the packet must
// be the bytes the framing names.
//
//   cmake --build build-fuzz --target fep_reply_fuzz
//   mkdir -p /tmp/fep_reply-corpus && cp tests/fuzz/corpus/fep_reply/* /tmp/fep_reply-corpus/
//   build-fuzz/bin/fep_reply_fuzz -dict=tests/fuzz/fep_reply.dict -max_len=2048 -timeout=5 \
//       -runs=10000000 /tmp/fep_reply-corpus
//
// Input: the receipt, as one read from the connection delivers it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "comms/fep_frames.h"
#include "comms/fep_table.h"
#include "comms/receive_queue.h"
#include "fuzz_home.h"

using kx::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static kx::FepReplyState state;
    static kx::ReceiveQueue queue;
    const std::string receipt(reinterpret_cast<const char*>(data), size);

    const bool complete = state.Receive(receipt);
    const std::string buffer = state.Received();
    Require(buffer == receipt.substr(0, kx::FepReplyState::kBufferLength));
    Require(complete == (buffer.find(kx::CR) != std::string::npos));
    Require(complete == kx::ReplyComplete(buffer));
    if (!complete) {
        state.ClearBuffer();
        return 0;
    }

    const kx::FepReply reply = kx::ReadFepReply(buffer);
    const bool carries = buffer.size() >= 2 && buffer[0] != '\0' && buffer[1] != kx::CR;
    Require(reply.packet.has_value() == carries);
    if (!carries) {
        Require(!reply.secondWindow);
    } else {
        const std::string& packet = *reply.packet;
        const std::size_t cr = buffer.find(kx::CR, 1);  // byte 1 is the ACK or NAK, whatever it holds
        Require(!packet.empty() && packet.size() <= kx::kMaxPacketLength);
        Require(packet == buffer.substr(1, std::min(cr - 1, kx::kMaxPacketLength)));
        Require(reply.secondWindow == (buffer[0] == kx::NAK && packet[0] != 'M'));

        queue.PutPacket(packet);
        std::string taken, none = "unchanged";
        Require(queue.TakePacket(taken));
        Require(!queue.TakePacket(none) && none == "unchanged");
        Require(taken.size() == packet.size() && taken.compare(1, std::string::npos, packet, 1) == 0);
        Require(taken[0] == (packet[0] == 'C' ? 'O' : packet[0]));
    }
    state.ClearBuffer();
    Require(state.Received().empty());
    return 0;
}
