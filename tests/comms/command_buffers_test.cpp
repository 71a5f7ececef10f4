#include "comms/command_buffers.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "comms/fep_frames.h"

namespace kx {
namespace {

TEST(CommandBuffers, EmptyBufferLeavesTheOutputAlone) {
    CommandBuffers buffers;
    buffers.BufferUp("x", 3);
    buffers.InitCommandBuffers();
    std::string text = "unchanged";
    buffers.GetOneCmd(text, 3);
    EXPECT_EQ(text, "unchanged");
    EXPECT_FALSE(buffers.CommandWaiting(3));
}

TEST(CommandBuffers, EachFepKeepsItsOwnOrder) {
    CommandBuffers buffers;
    buffers.BufferUp("a1", 1);
    buffers.BufferUp("b1", 16);
    buffers.BufferUp("", 1);
    buffers.BufferUp("a3", 1);
    std::string text;
    EXPECT_TRUE(buffers.CommandWaiting(16));
    buffers.GetOneCmd(text, 16);
    EXPECT_EQ(text, "b1");
    EXPECT_FALSE(buffers.CommandWaiting(16));
    for (const char* expected : {"a1", "", "a3"}) {
        ASSERT_TRUE(buffers.CommandWaiting(1));
        buffers.GetOneCmd(text, 1);
        EXPECT_EQ(text, expected);
    }
    EXPECT_FALSE(buffers.CommandWaiting(1));
}

TEST(CommandBuffers, FullRingDropsTheOldest) {
    CommandBuffers buffers;
    for (int i = 1; i <= 10000; ++i) buffers.BufferUp(std::to_string(i), 2);
    EXPECT_EQ(buffers.Count(2), 9999);
    std::string text;
    buffers.GetOneCmd(text, 2);
    EXPECT_EQ(text, "2");
    for (int i = 10001; i <= 10005; ++i) buffers.BufferUp(std::to_string(i), 2);
    EXPECT_EQ(buffers.Count(2), 9999);
    buffers.GetOneCmd(text, 2);
    EXPECT_EQ(text, "7");
}

TEST(CommandBuffers, IndexesWrapPastTheLastSlot) {
    CommandBuffers buffers;
    std::string text;
    for (int i = 0; i < 9990; ++i) {
        buffers.BufferUp("early", 5);
        buffers.GetOneCmd(text, 5);
    }
    for (int i = 0; i < 30; ++i) buffers.BufferUp("late" + std::to_string(i), 5);
    EXPECT_EQ(buffers.Count(5), 30);
    for (int i = 0; i < 30; ++i) {
        buffers.GetOneCmd(text, 5);
        EXPECT_EQ(text, "late" + std::to_string(i));
    }
    EXPECT_FALSE(buffers.CommandWaiting(5));
}

TEST(CommandBuffers, FepNumbersOutsideOneToSixteenAreRefused) {
    CommandBuffers buffers;
    EXPECT_THROW(buffers.BufferUp("x", 0), std::out_of_range);
    EXPECT_THROW(buffers.BufferUp("x", 17), std::out_of_range);
}

TEST(CommandBuffers, MessagesForTheMessageServerGoToFep1) {
    CommandBuffers buffers;
    SendThisMessage(buffers, "relayed");
    InterModMsg(buffers, "RFA");
    std::string text;
    buffers.GetOneCmd(text, 1);
    EXPECT_EQ(text, "relayed");
    buffers.GetOneCmd(text, 1);
    EXPECT_EQ(text,
              "\x0F            \x1B"
              "RFA\r");
    EXPECT_EQ(text.size(), 18u);
    EXPECT_EQ(PollMessage(), std::string("\x01\r"));
}

struct ReplyCase {
    const char* title;
    std::string reply;
    std::optional<std::string> packet;
    bool secondWindow;
};

TEST(FepFrames, ReplyPacketsAndSecondWindow) {
    const std::string longText(150, 'L');
    const ReplyCase cases[] = {
        {"ACK alone", "\x06\r", std::nullopt, false},
        {"ACK with a clocking",
         "\x06"
         "C00120260302080000\r",
         "C00120260302080000", false},
        {"NAK M", "\x15M\r", "M", false},
        {"NAK with text",
         "\x15"
         "E\r",
         "E", true},
        {"bare NAK", "\x15\r", std::nullopt, false},
        {"first byte NUL", std::string("\0abc\r", 5), std::nullopt, false},
        {"other first byte counts as ACK", "Xabc\r", "abc", false},
        {"text after the first CR is not part of the packet",
         "\x06"
         "ab\rcd\r",
         "ab", false},
        {"cut to 100 characters", "\x06" + longText + "\r", longText.substr(0, 100), false},
        {"a single byte", "\x06", std::nullopt, false},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.title);
        const FepReply r = ReadFepReply(c.reply);
        EXPECT_EQ(r.packet, c.packet);
        EXPECT_EQ(r.secondWindow, c.secondWindow);
    }
    EXPECT_FALSE(
        ReplyComplete("\x06"
                      "abc"));
    EXPECT_TRUE(
        ReplyComplete("\x06"
                      "abc\r"));
}

}  // namespace
}  // namespace kx
