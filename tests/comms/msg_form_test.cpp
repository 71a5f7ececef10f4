#include "comms/msg_form.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <string>
#include <vector>

#include "comms/command_buffers.h"
#include "comms/fep_frames.h"
#include "comms/receive_queue.h"
#include "loopback_peer.h"
#include "on_the_fly_db.h"
#include "qt_core_app.h"

namespace kx {
namespace {

using namespace std::chrono_literals;
using test::LoopbackListener;
using test::PumpFor;
using test::PumpUntil;

class RecordingHost final : public ConnectionsHost, public SocketDialogs {
public:
    void MemoAdd(std::string_view text) override { memo.emplace_back(text); }
    void SetMessageAreaColour(MessageColour c) override { colours.push_back(c); }
    void ProcessEvents() override { QCoreApplication::processEvents(); }
    void ShowSocketBox(const std::string& caption, const std::string& text, bool) override {
        boxes.push_back(caption + ": " + text);
    }
    bool Memo(const std::string& line) const { return std::find(memo.begin(), memo.end(), line) != memo.end(); }

    std::vector<std::string> memo;
    std::vector<MessageColour> colours;
    std::vector<std::string> boxes;
};

class MsgFormTest : public test::OnTheFlyTest {
protected:
    void SetUp() override {
        test::TestCoreApplication();
        OnTheFlyTest::SetUp();
        if (IsSkipped()) return;
        ctx().log.SetDetailThreshold(11);
        // A suite table without its key, so that a unit number can repeat.
        base().Run({"drop table M_Server",
                    "create table M_Server (unit_no integer, IP_Address text, Port text, Tag_Name text, "
                    "FEP_Type text, Total_Reader integer, Total_Input integer, Total_Output integer)"});
    }
    void AddFep(const std::string& unit, const std::string& address, const std::string& port) {
        base().Run({"insert into M_Server values (" + unit + ", '" + address + "', '" + port +
                    "', 'TAG-LONGER-THAN-TWELVE', 'N', 4, 2, 2)"});
    }
    std::unique_ptr<TMsgForm> MakeForm() { return std::make_unique<TMsgForm>(ctx(), commands, packets, host, host); }
    // Accepts the form's connection on `listener` within the event loop.
    int AcceptFrom(const LoopbackListener& listener) {
        int fd = -1;
        PumpUntil([&] { return (fd = listener.Accept()) >= 0; });
        return fd;
    }

    CommandBuffers commands;
    ReceiveQueue packets;
    RecordingHost host;
};

TEST_P(MsgFormTest, LoadsTheFepTableAndConnectsTheDefinedFeps) {
    LoopbackListener fep1, fep3;
    AddFep("0", "127.0.0.1", fep1.PortText());
    AddFep("1", "127.0.0.1", fep1.PortText());
    AddFep("3", "127.0.0.1", std::to_string(test::ClosedPort()));
    AddFep("3", "127.0.0.1", fep3.PortText());  // a later row of a unit wins
    AddFep("17", "127.0.0.1", fep1.PortText());
    AddFep("9", "127.0.0.1", fep1.PortText());  // defined, but only 1 to 8 connect
    auto form = MakeForm();
    form->FormCreate();

    const FepTable& feps = form->Feps();
    for (int n = 1; n <= FepTable::kFepCount; ++n)
        EXPECT_EQ(feps[n].Defined, n == 1 || n == 3 || n == 9) << "FEP " << n;
    EXPECT_TRUE(feps[1].Connected);
    EXPECT_FALSE(feps[2].Connected);
    EXPECT_TRUE(feps[3].Connected);
    EXPECT_FALSE(feps[9].Connected);
    EXPECT_EQ(feps[3].Port, fep3.PortText());
    EXPECT_EQ(feps[3].TagName, "TAG-LONGER-T");
    EXPECT_EQ(feps[3].TotalReader, 4);
    EXPECT_TRUE(form->PollTaskRunning(1));
    EXPECT_FALSE(form->PollTaskRunning(2));
    EXPECT_TRUE(form->PollTaskRunning(3));
    EXPECT_EQ(std::count(host.memo.begin(), host.memo.end(), "127.0.0.1 connected."), 2);
    EXPECT_TRUE(base().Logged("  1 : 127.0.0.1") || base().Logged("1 : 127.0.0.1"));

    // Both are polled.
    const int peer1 = AcceptFrom(fep1);
    const int peer3 = AcceptFrom(fep3);
    std::string got1, got3;
    PumpUntil(
        [&] { return (got1 += test::ReceiveNow(peer1)).size() >= 2 && (got3 += test::ReceiveNow(peer3)).size() >= 2; });
    EXPECT_EQ(got1.substr(0, 2), PollMessage());
    EXPECT_EQ(got3.substr(0, 2), PollMessage());
    form.reset();
    close(peer1);
    close(peer3);
}

TEST_P(MsgFormTest, NoFepDefinedIsTraced) {
    auto form = MakeForm();
    form->FormCreate();
    EXPECT_TRUE(base().LoggedStartingWith("No FEP defined."));
    EXPECT_FALSE(form->Feps()[1].Defined);
}

TEST_P(MsgFormTest, IPPortReplacesThePortOfFep1Only) {
    LoopbackListener fep1;
    ctx().settings.server.IPPort = fep1.PortText();
    AddFep("1", "127.0.0.1", "4000");
    AddFep("2", "127.0.0.1", "4000");
    auto form = MakeForm();
    form->ConnectIP();
    EXPECT_EQ(form->Feps()[1].Port, fep1.PortText());
    EXPECT_EQ(form->Feps()[2].Port, "4000");
    EXPECT_TRUE(form->Feps()[1].Connected);
}

TEST_P(MsgFormTest, BadAddressesAndPortsLeaveTheFepDown) {
    AddFep("1", "", "4000");
    AddFep("2", "127.0.0.1", "");
    AddFep("3", "127.0.0.1", "not-a-port-x");
    AddFep("4", "no-such-host.invalid", "4000");
    AddFep("5", "127.0.0.1", std::to_string(test::ClosedPort()));
    auto form = MakeForm();
    form->FormCreate();
    for (int n = 1; n <= 5; ++n) {
        EXPECT_TRUE(form->Feps()[n].Defined) << n;
        EXPECT_FALSE(form->Feps()[n].Connected) << n;
        EXPECT_FALSE(form->PollTaskRunning(n)) << n;
    }
    EXPECT_NE(std::find(host.boxes.begin(), host.boxes.end(), "WINSOCK ERROR: No IP Address Specified"),
              host.boxes.end());
    EXPECT_NE(std::find(host.boxes.begin(), host.boxes.end(), "WINSOCK ERROR: No Port Specified"), host.boxes.end());
    EXPECT_NE(std::find(host.boxes.begin(), host.boxes.end(), "WINSOCK ERROR: Cannot convert host address"),
              host.boxes.end());
    EXPECT_TRUE(base().LoggedStartingWith("<ConnectIP>: FEP #3 : "));
    PumpUntil([&] { return base().LoggedStartingWith("FEP #5 : 127.0.0.1"); });
    EXPECT_TRUE(base().Logged("FEP #5 : 127.0.0.1 Port:" + form->Feps()[5].Port + " : Error 10061 Connection refused"));
}

TEST_P(MsgFormTest, EachReceiptReplacesTheBufferAndOnlyACrEndsTheReply) {
    LoopbackListener fep1;
    AddFep("1", "127.0.0.1", fep1.PortText());
    auto form = MakeForm();
    form->ConnectIP();  // no poll task: the test plays its part
    const int peer = AcceptFrom(fep1);
    FepReplyState& reply = form->Feps().Reply(1);
    reply.SetReplyPending(true);
    test::SendAll(peer, "ABC");
    ASSERT_TRUE(PumpUntil([&] { return reply.Received() == "ABC"; }));
    EXPECT_TRUE(reply.ReplyPending());
    test::SendAll(peer, std::string("DEF") + CR);
    ASSERT_TRUE(PumpUntil([&] { return !reply.ReplyPending(); }));
    EXPECT_EQ(reply.Received(), std::string("DEF") + CR);

    // A receipt of 1 MB keeps at most the first 1024 bytes of each receipt.
    reply.SetReplyPending(true);
    std::string big(1 << 20, 'X');
    big.back() = CR;
    std::size_t sent = 0;
    PumpUntil([&] {
        const ssize_t n = send(peer, big.data() + sent, big.size() - sent, MSG_NOSIGNAL);
        if (n > 0) sent += static_cast<std::size_t>(n);
        return sent == big.size() && reply.Received().size() <= FepReplyState::kBufferLength &&
               !reply.Received().empty();
    });
    PumpFor(100ms);
    EXPECT_LE(reply.Received().size(), FepReplyState::kBufferLength);
    close(peer);
}

TEST_P(MsgFormTest, APeerCloseIsNoticedAtTheNextSendAndNotReconnected) {
    LoopbackListener fep2;
    AddFep("2", "127.0.0.1", fep2.PortText());
    auto form = MakeForm();
    form->FormCreate();
    const int peer = AcceptFrom(fep2);
    ASSERT_TRUE(form->Feps()[2].Connected);
    close(peer);
    ASSERT_TRUE(PumpUntil([&] { return !form->Feps()[2].Connected; }));
    PumpFor(300ms);
    EXPECT_EQ(fep2.Accept(), -1) << "only FEP 1 is ever reconnected";
    EXPECT_TRUE(form->PollTaskRunning(2)) << "the task waits for its FEP until it is stopped";
}

TEST_P(MsgFormTest, APeerThatResetsMidReplyLeavesNoPacketAndTheFepDown) {
    LoopbackListener fep3;
    AddFep("3", "127.0.0.1", fep3.PortText());
    auto form = MakeForm();
    form->FormCreate();
    const int peer = AcceptFrom(fep3);
    std::string polled;
    ASSERT_TRUE(PumpUntil([&] { return (polled += test::ReceiveNow(peer)).size() >= 2; }));
    test::SendAll(peer, std::string{ACK} + "C01240102");  // half a clocking, then a reset
    PumpFor(50ms);
    const linger reset{1, 0};
    setsockopt(peer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(peer);
    ASSERT_TRUE(PumpUntil([&] { return !form->Feps()[3].Connected; }));
    PumpFor(200ms);
    EXPECT_EQ(packets.Count(), 0);
    EXPECT_FALSE(form->Feps().Reply(3).ReplyPending());
}

TEST_P(MsgFormTest, ReconnectingReportsInTheMessageArea) {
    const int port = test::ClosedPort();
    AddFep("1", "127.0.0.1", std::to_string(port));
    auto form = MakeForm();
    form->FormCreate();
    ASSERT_FALSE(form->Feps()[1].Connected);

    form->ConnectTCPIP(form->Connection(1), 1, true);
    EXPECT_TRUE(host.Memo("Failed to connect : FEP #1 : 127.0.0.1 Port:" + std::to_string(port)));
    ASSERT_FALSE(host.colours.empty());
    EXPECT_EQ(host.colours.back(), ConnectionsHost::MessageColour::Red);

    LoopbackListener fep1(port);
    ASSERT_TRUE(fep1.Listening());
    form->ConnectTCPIP(form->Connection(1), 1, true);
    EXPECT_TRUE(host.Memo("Reconnected : FEP #1 : 127.0.0.1 Port:" + std::to_string(port)));
    EXPECT_EQ(host.colours.back(), ConnectionsHost::MessageColour::White);
    EXPECT_TRUE(form->PollTaskRunning(1));
}

TEST_P(MsgFormTest, ClosingStopsTheTasksAndClosesTheConnections) {
    LoopbackListener fep1, fep2;
    AddFep("1", "127.0.0.1", fep1.PortText());
    AddFep("2", "127.0.0.1", fep2.PortText());  // never answers: its task sits in the reply wait
    auto form = MakeForm();
    form->FormCreate();
    const int peer1 = AcceptFrom(fep1);
    const int peer2 = AcceptFrom(fep2);
    PumpFor(100ms);
    const auto start = std::chrono::steady_clock::now();
    form->FormClose();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1100ms);
    EXPECT_FALSE(form->PollTaskRunning(1));
    EXPECT_FALSE(form->PollTaskRunning(2));
    char byte;
    pollfd p{peer2, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    test::ReceiveNow(peer2);
    EXPECT_LE(recv(peer2, &byte, 1, 0), 0) << "the connection is gone";
    close(peer1);
    close(peer2);
}

KX_INSTANTIATE_BACKENDS(MsgFormTest);

}  // namespace
}  // namespace kx
