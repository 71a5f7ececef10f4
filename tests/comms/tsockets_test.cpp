#include "comms/tsockets.h"

#include <netdb.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "comms/loopback_peer.h"
#include "comms/qt_core_app.h"

namespace kx {
namespace {

using namespace std::chrono_literals;
using test::PumpFor;
using test::PumpUntil;
using Box = std::tuple<std::string, std::string, bool>;  // caption, text, ends the program

struct RecordingDialogs : SocketDialogs {
    std::vector<Box> boxes;
    void ShowSocketBox(const std::string& caption, const std::string& text, bool endsProgram) override {
        boxes.emplace_back(caption, text, endsProgram);
    }
};

int OpenDescriptors() {
    using std::filesystem::directory_iterator;
    return static_cast<int>(std::distance(directory_iterator("/proc/self/fd"), directory_iterator()));
}

TEST(TSocketsErrors, ErrorTextTable) {
    const std::vector<std::pair<int, std::string>> cases = {
        {10004, "Interrupted system call"},
        {10038, "Socket operation on non-socket"},
        {10047, "Address family not supported by protocol family"},
        {10059, "Too many references: can't splice"},
        {10061, "Connection refused"},
        {10093, "WinSock not initialized"},
        {11004, "No Data"},
        {0, "Not a WinSock error"},
        {10000, "Not a WinSock error"},
        {10072, "Not a WinSock error"},
    };
    for (const auto& [error, text] : cases) EXPECT_EQ(TSockets::ErrorText(error), text) << error;
}

TEST(TSocketsErrors, LinuxErrnoIsMappedByName) {
    const std::vector<std::pair<int, int>> cases = {
        {ECONNREFUSED, 10061}, {ECONNRESET, 10054}, {EPIPE, 10054},       {EHOSTUNREACH, 10065},
        {ETIMEDOUT, 10060},    {EBADF, 10038},      {ENOTSOCK, 10038},    {EINPROGRESS, 10036},
        {EAGAIN, 10035},       {EALREADY, 10037},   {ENETUNREACH, 10051}, {EADDRINUSE, 10048},
        {ENOTCONN, 10057},     {EMFILE, 10024},     {EINTR, 10004},       {0, 0},
    };
    for (const auto& [posix, error] : cases) EXPECT_EQ(WinsockError(posix), error) << posix;
    // Whatever a call fails with, the owner gets a number the table has a text for.
    for (int posix = 1; posix < 134; ++posix)
        EXPECT_NE(TSockets::ErrorText(WinsockError(posix)), "Not a WinSock error") << posix;
}

class TSocketsTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::TestCoreApplication();
        ASSERT_TRUE(listener.Listening());
        sockets.IPAddr = "127.0.0.1";
        sockets.Port = listener.PortText();
        sockets.OnSessionConnected = Record("connected");
        sockets.OnDataNeeded = Record("needed");
        sockets.OnDataAvailable = Record("available");
        sockets.OnSessionClosed = Record("closed");
        sockets.OnErrorOccurred = [this](TSockets&, int, int error, const std::string& msg) {
            log.push_back("error " + std::to_string(error) + " " + msg);
        };
    }
    void TearDown() override {
        if (peer >= 0) close(peer);
    }
    TSockets::SocketEvent Record(const char* what) {
        return [this, what](TSockets&, int) { log.push_back(what); };
    }
    long Count(std::string_view what) const {
        return std::count_if(log.begin(), log.end(), [&](const std::string& e) { return e.starts_with(what); });
    }
    void Connect() {
        sockets.SConnect();
        ASSERT_TRUE(PumpUntil([&] { return Count("connected") > 0 && (peer = listener.Accept()) >= 0; }));
    }

    RecordingDialogs dialogs;
    TSockets sockets{dialogs};
    std::vector<std::string> log;
    test::LoopbackListener listener;
    int peer = -1;
};

TEST_F(TSocketsTest, ConnectRaisesConnectedThenDataNeededOnceAndThenStaysQuiet) {
    Connect();
    PumpFor(200ms);
    EXPECT_EQ(log, (std::vector<std::string>{"connected", "needed"}));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(TSocketsTest, RefusedConnectionIsAnErrorOrWithoutHandlerTheEndingBox) {
    sockets.Port = std::to_string(test::ClosedPort());
    sockets.SConnect();
    ASSERT_TRUE(PumpUntil([&] { return !log.empty(); }));
    sockets.OnErrorOccurred = nullptr;
    sockets.SConnect();
    ASSERT_TRUE(PumpUntil([&] { return !dialogs.boxes.empty(); }));
    PumpFor(100ms);
    EXPECT_EQ(log, (std::vector<std::string>{"error 10061 Connection refused"}));
    EXPECT_EQ(dialogs.boxes,
              (std::vector<Box>{{"WINSOCK ERROR", "Error 10061 in function FD_CONNECT\r\nConnection refused", true}}));
}

TEST_F(TSocketsTest, ConfigurationFaultsOnlyShowABox) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"127.0.0.1", "", "No Port Specified"},
        {"", listener.PortText(), "No IP Address Specified"},
        {"", "", "No Port Specified"},
        {"no-such-host.invalid", listener.PortText(), "Cannot convert host address"},
    };
    for (const auto& [address, port, box] : cases) {
        dialogs.boxes.clear();
        sockets.IPAddr = address;
        sockets.Port = port;
        const int before = OpenDescriptors();
        sockets.SConnect();
        PumpFor(20ms);
        EXPECT_EQ(OpenDescriptors(), before) << box;
        EXPECT_EQ(sockets.SocketHandle, -1);
        EXPECT_EQ(dialogs.boxes, (std::vector<Box>{{"WINSOCK ERROR", box, false}}));
    }
    EXPECT_TRUE(log.empty());
}

TEST_F(TSocketsTest, PortIsAServiceNameOrAStrictDecimalNumber) {
    for (const char* port : {"40x0", "-1", "65536", "+80", " 80", "99999999999999999999"}) {
        sockets.Port = port;
        try {
            sockets.SConnect();
            ADD_FAILURE() << "no exception for " << port;
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("'") + port + "'"), std::string::npos) << e.what();
        }
        EXPECT_EQ(sockets.SocketHandle, -1);
    }
    if (getservbyname("echo", "tcp") == nullptr) GTEST_SKIP() << "no echo service in the services database";
    sockets.Port = "echo";  // port 7, where nothing listens here
    EXPECT_NO_THROW(sockets.SConnect());
    ASSERT_TRUE(PumpUntil([&] { return !log.empty(); }));
    EXPECT_EQ(log, (std::vector<std::string>{"error 10061 Connection refused"}));
}

TEST_F(TSocketsTest, ReadStopsAtNulAndAtMaximumLengthAndWaitsForTheOwnerToRead) {
    EXPECT_EQ(sockets.Text(), "");  // no socket
    Connect();
    ASSERT_TRUE(test::SendAll(peer, std::string("AB\0CD", 5)));
    ASSERT_TRUE(PumpUntil([&] { return Count("available") == 1; }));
    PumpFor(200ms);  // not read yet: announced once, not over and over
    EXPECT_EQ(Count("available"), 1);
    EXPECT_EQ(sockets.Text(), "AB");

    ASSERT_TRUE(test::SendAll(peer, "abcdef"));
    ASSERT_TRUE(PumpUntil([&] { return Count("available") == 2; }));
    sockets.MaximumReceiveLength = 4;
    EXPECT_EQ(sockets.Text(), "abcd");
    ASSERT_TRUE(PumpUntil([&] { return Count("available") == 3; }));  // what is left is announced again
    sockets.MaximumReceiveLength = 0;
    EXPECT_EQ(sockets.Text(), "e");
    EXPECT_EQ(sockets.Text(), "f");
    EXPECT_EQ(sockets.Text(), "");  // nothing waits
    EXPECT_EQ(Count("error"), 0);
}

TEST_F(TSocketsTest, SendAfterPeerResetOrDisconnect) {
    Connect();
    const linger reset{1, 0};
    setsockopt(peer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(peer);
    peer = -1;
    PumpUntil([&] { return Count("error") > 0; }, 500ms);  // the reset itself may be seen first
    const long before = Count("error");
    sockets.SetText("ping");
    if (Count("error") == before) sockets.SetText("ping");
    EXPECT_GT(Count("error"), before);
    EXPECT_EQ(log.back(), "error 10054 Connection reset by peer");

    sockets.Disconnect();
    EXPECT_EQ(sockets.SocketHandle, -1);
    sockets.Disconnect();  // nothing to close: quiet
    sockets.SetText("ping");
    EXPECT_EQ(log.back(), "error 10038 Socket operation on non-socket");
    sockets.OnErrorOccurred = nullptr;
    sockets.SetText("ping");
    EXPECT_EQ(dialogs.boxes,
              (std::vector<Box>{{"WINSOCK ERROR",
                                 "Error 10038 in function SetText (Send)\r\nSocket operation on non-socket", true}}));
}

TEST_F(TSocketsTest, PeerCloseRaisesSessionClosedOnce) {
    Connect();
    close(peer);
    peer = -1;
    ASSERT_TRUE(PumpUntil([&] { return Count("closed") > 0; }));
    PumpFor(200ms);
    EXPECT_EQ(Count("closed"), 1);
    EXPECT_EQ(Count("error"), 0);
}

TEST_F(TSocketsTest, RepeatedConnectsDoNotLeakDescriptors) {
    sockets.Port = std::to_string(test::ClosedPort());
    const int before = OpenDescriptors();
    for (int attempt = 0; attempt < 50; ++attempt) {
        sockets.SConnect();  // every other attempt replaces a socket still connecting
        if (attempt % 2 == 1) PumpUntil([&] { return Count("error") > attempt / 2; });
    }
    sockets.Disconnect();
    PumpFor(50ms);
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(Count("connected"), 0);
}

TEST_F(TSocketsTest, HandlersMayDisconnectOrReconnect) {
    sockets.OnSessionConnected = [&](TSockets& sender, int) {
        log.push_back("connected");
        sender.Disconnect();
    };
    sockets.SConnect();
    ASSERT_TRUE(PumpUntil([&] { return Count("connected") > 0; }));
    PumpFor(100ms);
    EXPECT_EQ(log, (std::vector<std::string>{"connected"}));
    EXPECT_EQ(sockets.SocketHandle, -1);

    int retries = 3;
    sockets.Port = std::to_string(test::ClosedPort());
    sockets.OnErrorOccurred = [&](TSockets& sender, int, int error, const std::string&) {
        log.push_back("error " + std::to_string(error));
        if (retries-- > 0) sender.SConnect();
    };
    sockets.SConnect();
    ASSERT_TRUE(PumpUntil([&] { return Count("error") == 4; }));
    PumpFor(100ms);
    EXPECT_EQ(Count("error 10061"), 4);
}

TEST_F(TSocketsTest, BlockingCallsAreBoundedByTimeout) {
    sockets.NonBlocking = false;
    sockets.Timeout = 1;
    sockets.SConnect();
    ASSERT_TRUE(PumpUntil([&] { return (peer = listener.Accept()) >= 0; }));
    ASSERT_TRUE(test::SendAll(peer, "hi"));
    EXPECT_EQ(sockets.Text(), "hi");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sockets.Text(), "");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 900ms);
    EXPECT_EQ(log, (std::vector<std::string>{"error 10060 Blocking call timed out"}));  // and no notifications

    sockets.OnErrorOccurred = nullptr;
    EXPECT_EQ(sockets.Text(), "");
    EXPECT_EQ(dialogs.boxes,
              (std::vector<Box>{{"WINSOCK CALL CANCELED", "Error 10060\r\nBlocking call timed out", false}}));
}

}  // namespace
}  // namespace kx
