#include "comms/poll_task.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "comms/command_buffers.h"
#include "comms/fep_frames.h"
#include "comms/fep_table.h"
#include "comms/hand_over.h"
#include "comms/receive_queue.h"
#include "qt_core_app.h"

namespace kx {
namespace {

using namespace std::chrono_literals;
using test::PumpFor;
using test::PumpUntil;

const std::string kAckCr{ACK, CR};

// A FEP without a socket: what the task sends is answered (or not) by `answer`
// on the main thread, as a receipt on the connection would be.
class FakeLink final : public PollLink {
public:
    FakeLink() {
        feps[1].Defined = true;
        feps[1].Connected = true;
    }

    bool FepDefined(int n) const override { return feps[n].Defined; }
    bool FepConnected(int n) const override { return feps[n].Connected; }
    bool ReplyPending(int n) const override { return feps.Reply(n).ReplyPending(); }
    bool CommandWaiting(int n) const override { return commands.CommandWaiting(n); }
    std::string ReceivedCopy(int n) const override { return feps.Reply(n).Received(); }
    void ClearReceived(int n) override { feps.Reply(n).ClearBuffer(); }
    void PutPacket(std::string packet) override { packets.PutPacket(std::move(packet)); }
    bool ReceiveQueueFull() const override { return full; }
    void TakeCommand(int n, std::string& command) override { commands.GetOneCmd(command, n); }
    void ClearReceiveBuffer(int n) override { feps.Reply(n).ClearBuffer(); }
    void SetReplyPending(int n, bool pending) override { feps.Reply(n).SetReplyPending(pending); }
    void SendCommand(int n, const std::string& text) override {
        {
            std::lock_guard lock(mutex);
            sent.push_back(text);
        }
        if (auto reply = answer(text)) Receive(n, *reply);
    }

    // A receipt arriving on the main thread.
    void Receive(int n, const std::string& receipt) {
        if (feps.Reply(n).Receive(receipt)) {
            feps.Reply(n).SetReplyPending(false);
            if (task) task->Wake();
        }
    }
    std::vector<std::string> Sent() const {
        std::lock_guard lock(mutex);
        return sent;
    }
    int SentCount() const { return static_cast<int>(Sent().size()); }

    FepTable feps;
    CommandBuffers commands;
    ReceiveQueue packets;
    std::function<std::optional<std::string>(const std::string&)> answer = [](const std::string&) {
        return std::optional<std::string>(kAckCr);
    };
    TPollTask* task = nullptr;
    std::atomic<bool> full{false};

private:
    mutable std::mutex mutex;
    std::vector<std::string> sent;
};

class PollTaskTest : public ::testing::Test {
protected:
    std::unique_ptr<TPollTask> Start() {
        auto task = std::make_unique<TPollTask>(1, link, handOver);
        link.task = task.get();
        return task;
    }
    QCoreApplication& app = test::TestCoreApplication();
    FakeLink link;
    HandOverQueue handOver;
};

TEST_F(PollTaskTest, PollsAgainAndAgainWhileNothingIsQueued) {
    auto task = Start();
    ASSERT_TRUE(PumpUntil([&] { return link.SentCount() >= 5; }));
    task.reset();
    for (const std::string& frame : link.Sent()) EXPECT_EQ(frame, PollMessage());
    EXPECT_EQ(link.packets.Count(), 0);
}

TEST_F(PollTaskTest, PacketsOfRepliesReachTheQueue) {
    struct Case {
        std::string reply;
        std::optional<std::string> packet;
    };
    const std::vector<Case> cases = {
        {std::string{ACK} + "C0126120908051234560000" + CR, "O0126120908051234560000"},
        {std::string{NAK} + "M" + CR, "M"},
        {std::string{NAK} + CR, std::nullopt},
        {std::string(1, ACK) + std::string(150, 'Z') + CR, std::string(100, 'Z')},
    };
    for (const Case& c : cases) {
        FakeLink fresh;
        bool answered = false;
        fresh.answer = [&](const std::string&) -> std::optional<std::string> {
            if (answered) return kAckCr;
            answered = true;
            return c.reply;
        };
        {
            TPollTask task(1, fresh, handOver);
            fresh.task = &task;
            ASSERT_TRUE(PumpUntil([&] { return fresh.SentCount() >= 3; }));
        }
        std::string packet;
        if (c.packet) {
            ASSERT_TRUE(fresh.packets.TakePacket(packet));
            EXPECT_EQ(packet, *c.packet);
        }
        EXPECT_FALSE(fresh.packets.TakePacket(packet)) << packet;
    }
}

TEST_F(PollTaskTest, ACommandIsSentOnceAtTheNextTurn) {
    link.commands.BufferUp("HELLO", 1);
    auto task = Start();
    ASSERT_TRUE(PumpUntil([&] { return link.SentCount() >= 3; }));
    task.reset();
    const auto sent = link.Sent();
    EXPECT_EQ(sent[0], "HELLO");
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "HELLO"), 1);
}

TEST_F(PollTaskTest, ANegativeReplyGivesASecondWindowWithoutSending) {
    link.commands.BufferUp("CMD1", 1);
    link.answer = [](const std::string& text) -> std::optional<std::string> {
        if (text == "CMD1") return std::string{NAK} + "E" + CR;
        return kAckCr;
    };
    auto task = Start();
    ASSERT_TRUE(PumpUntil([&] { return link.packets.Count() == 1; }));
    const auto afterNak = std::chrono::steady_clock::now();
    PumpFor(1500ms);
    EXPECT_EQ(link.SentCount(), 1) << "nothing is sent in the second window";
    // A late receipt during the window is taken like any reply.
    link.Receive(1, std::string{ACK} + "LATE" + CR);
    ASSERT_TRUE(PumpUntil([&] { return link.SentCount() >= 2; }));
    EXPECT_LT(std::chrono::steady_clock::now() - afterNak, 2500ms);
    task.reset();
    std::string packet;
    ASSERT_TRUE(link.packets.TakePacket(packet));
    EXPECT_EQ(packet, "E");
    ASSERT_TRUE(link.packets.TakePacket(packet));
    EXPECT_EQ(packet, "LATE");
    EXPECT_EQ(link.Sent()[1], PollMessage()) << "the command is not sent again";
}

TEST_F(PollTaskTest, AnUnansweredCommandWaitsTwoWindowsThenGoesOn) {
    link.commands.BufferUp("CMD1", 1);
    link.answer = [](const std::string& text) -> std::optional<std::string> {
        if (text == "CMD1") return std::nullopt;
        return kAckCr;
    };
    const auto start = std::chrono::steady_clock::now();
    auto task = Start();
    ASSERT_TRUE(PumpUntil([&] { return link.SentCount() >= 2; }, 6s));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    task.reset();
    EXPECT_GE(elapsed, 3900ms);
    EXPECT_EQ(link.Sent()[1], PollMessage());
}

TEST_F(PollTaskTest, ADownFepIsNotPolledUntilItIsConnected) {
    link.feps[1].Connected = false;
    auto task = Start();
    PumpFor(300ms);
    EXPECT_EQ(link.SentCount(), 0);
    link.feps[1].Connected = true;
    EXPECT_TRUE(PumpUntil([&] { return link.SentCount() >= 1; }));
}

TEST_F(PollTaskTest, AFullReceiveQueueHoldsThePollsButNotTheCommands) {
    link.full = true;
    auto task = Start();
    PumpFor(300ms);
    EXPECT_EQ(link.SentCount(), 0) << "the clockings wait in the controller";
    link.commands.BufferUp("CMD1", 1);
    ASSERT_TRUE(PumpUntil([&] { return link.SentCount() == 1; }));
    EXPECT_EQ(link.Sent()[0], "CMD1");
    PumpFor(200ms);
    EXPECT_EQ(link.SentCount(), 1);
    link.full = false;
    EXPECT_TRUE(PumpUntil([&] { return link.SentCount() >= 3; }));
}

TEST_F(PollTaskTest, StopsWhileItsHandOverWaitsForABusyMainThread) {
    auto task = Start();
    // The main thread does not pump: the task's first step stays queued.
    std::this_thread::sleep_for(50ms);
    const auto start = std::chrono::steady_clock::now();
    task.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_EQ(link.SentCount(), 0);
    PumpFor(50ms);  // the dropped step, delivered now, does nothing
    EXPECT_EQ(link.SentCount(), 0);
}

}  // namespace
}  // namespace kx
