// Random FEP receipts through the receive buffer and the reply framing, as
// the poll task takes them: a reply built from a known first byte and packet
// gives that packet back, cut to 100 characters, and only a NAK with a packet
// not starting with "M" asks for a second reply window. 20,000 receipts by
// default; KX_FUZZ_LONG=1 runs two million, KX_FUZZ_SEED picks another seed.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "comms/fep_frames.h"
#include "comms/fep_table.h"
#include "comms/receive_queue.h"
#include "support/random_text.h"

namespace kx {
namespace {

const std::vector<std::string> kWords = {
    std::string(1, ACK), std::string(1, NAK), std::string(1, CR), std::string(1, '\0'), "M", "C0126030212001234560002"};

struct Receipt {
    std::string bytes;
    std::optional<std::string> packet;  // what the framing must take
    bool secondWindow = false;
};

Receipt MakeReceipt(test::Rng& rng) {
    Receipt r;
    char first = rng.Chance(0.4) ? ACK : rng.Chance(0.6) ? NAK : rng.Chance(0.3) ? '\0' : rng.AnyByte();
    if (first == CR) first = ' ';  // a CR first makes any receipt complete: left to the mutations
    std::string text = rng.Chance(0.1) ? std::string(rng.Below(1200), 'P') : test::RawBytes(rng, 150);
    for (char& c : text)
        if (c == CR) c = ' ';
    if (!text.empty() && rng.Chance(0.2)) text[0] = rng.Chance(0.5) ? 'M' : 'C';
    r.bytes = first + text + CR;
    if (rng.Chance(0.2)) r.bytes += test::RawBytes(rng, 20);  // whatever follows the first CR
    // Only the first 1024 bytes are kept: a longer reply is no reply yet.
    if (text.size() + 2 <= FepReplyState::kBufferLength && first != '\0' && !text.empty()) {
        r.packet = text.substr(0, kMaxPacketLength);
        r.secondWindow = first == NAK && text[0] != 'M';
    }
    return r;
}

TEST(FepReplyRandom, PacketsAreTheBytesTheFramingNames) {
    const test::RandomRun run = test::RandomRunFromEnv(20261209, 20000, 2000000);
    test::Rng rng(run.seed);
    FepReplyState state;
    ReceiveQueue queue;
    std::size_t packets = 0;
    for (std::size_t n = 0; n < run.count; ++n) {
        Receipt r = MakeReceipt(rng);
        const bool built = !rng.Chance(0.2);
        if (!built) r.bytes = test::Mutated(rng, r.bytes, kWords, "");
        const std::string trace = "seed " + std::to_string(run.seed) + ", receipt " + std::to_string(n) + ": \"" +
                                  test::Escaped(r.bytes) + "\"";

        const bool complete = state.Receive(r.bytes);
        const std::string buffer = state.Received();
        ASSERT_EQ(buffer, r.bytes.substr(0, FepReplyState::kBufferLength)) << trace;
        ASSERT_EQ(complete, buffer.find(CR) != std::string::npos) << trace;
        if (!complete) {
            ASSERT_FALSE(built && r.packet) << trace;
            continue;
        }
        const FepReply reply = ReadFepReply(buffer);
        if (built) {
            ASSERT_EQ(reply.packet, r.packet) << trace;
            ASSERT_EQ(reply.secondWindow, r.secondWindow) << trace;
        }
        if (!reply.packet) {
            ASSERT_FALSE(reply.secondWindow) << trace;
            continue;
        }
        ASSERT_FALSE(reply.packet->empty()) << trace;
        ASSERT_LE(reply.packet->size(), kMaxPacketLength) << trace;
        ASSERT_EQ(reply.packet->find(CR), std::string::npos) << trace;
        ASSERT_EQ(buffer.compare(1, reply.packet->size(), *reply.packet), 0) << trace;

        queue.PutPacket(*reply.packet);
        std::string taken;
        ASSERT_TRUE(queue.TakePacket(taken)) << trace;
        ASSERT_EQ(taken.substr(1), reply.packet->substr(1)) << trace;
        ASSERT_EQ(taken[0], (*reply.packet)[0] == 'C' ? 'O' : (*reply.packet)[0]) << trace;
        ++packets;
        state.ClearBuffer();
    }
    EXPECT_GT(packets, run.count / 3);
}

}  // namespace
}  // namespace kx
