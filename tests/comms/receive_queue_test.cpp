#include "comms/receive_queue.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

namespace kx {
namespace {

TEST(ReceiveQueue, EmptyQueueLeavesTheOutputAlone) {
    ReceiveQueue queue;
    std::string text = "unchanged";
    EXPECT_FALSE(queue.TakePacket(text));
    EXPECT_EQ(text, "unchanged");
}

TEST(ReceiveQueue, OnLineClockingsAreMarkedAndOrderIsKept) {
    ReceiveQueue queue;
    for (const char* p : {"C0001", "c0002", "", "X0003", "CC"}) queue.PutPacket(p);
    std::string text;
    for (const char* expected : {"O0001", "c0002", "", "X0003", "OC"}) {
        ASSERT_TRUE(queue.TakePacket(text));
        EXPECT_EQ(text, expected);
    }
    EXPECT_FALSE(queue.TakePacket(text));
}

TEST(ReceiveQueue, HoldsTheLast99) {
    ReceiveQueue queue;
    for (int i = 1; i <= 120; ++i) queue.PutPacket(std::to_string(i));
    EXPECT_EQ(queue.Count(), 99);
    std::string text;
    ASSERT_TRUE(queue.TakePacket(text));
    EXPECT_EQ(text, "22");
    queue.Reset();
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_FALSE(queue.TakePacket(text));
    queue.PutPacket("after reset");
    ASSERT_TRUE(queue.TakePacket(text));
    EXPECT_EQ(text, "after reset");
}

// Several poll threads put while the main thread takes: every packet taken is
// whole, each producer's packets come out in the order they went in, and none
// is taken twice.
TEST(ReceiveQueue, SeveralProducersAndOneConsumer) {
    ReceiveQueue queue;
    constexpr int kProducers = 4;
    constexpr int kPackets = 20000;
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p)
        producers.emplace_back([&queue, p] {
            for (int i = 0; i < kPackets; ++i) queue.PutPacket("P" + std::to_string(p) + ":" + std::to_string(i));
        });
    std::map<int, int> lastSeen;
    int taken = 0;
    int bad = 0;
    auto take = [&] {
        std::string text;
        while (queue.TakePacket(text)) {
            ++taken;
            const auto colon = text.find(':');
            if (text.size() < 4 || text[0] != 'P' || colon == std::string::npos) {
                ++bad;
                continue;
            }
            const int p = std::stoi(text.substr(1, colon - 1));
            const int i = std::stoi(text.substr(colon + 1));
            if (lastSeen.count(p) && i <= lastSeen[p]) ++bad;
            lastSeen[p] = i;
        }
    };
    for (int round = 0; round < 2000; ++round) take();
    for (std::thread& t : producers) t.join();
    take();
    EXPECT_EQ(bad, 0);
    EXPECT_GT(taken, 0);
    EXPECT_LE(taken, kProducers * kPackets);
    EXPECT_EQ(queue.Count(), 0);
}

}  // namespace
}  // namespace kx
