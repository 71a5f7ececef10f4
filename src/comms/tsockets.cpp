#include "comms/tsockets.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <QObject>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "comms/winsock_errors.h"

namespace kx {

namespace {

constexpr const char* kErrorCaption = "WINSOCK ERROR";
constexpr int kTimedOut = 10060;
constexpr int kMaxReceive = 1 << 20;  // one receive never asks for more, whatever the property says

// A TCP service known to the system, else a plain decimal 0..65535; the result is in network byte order.
std::uint16_t ResolvePort(const std::string& port) {
    if (const servent* service = getservbyname(port.c_str(), "tcp")) return static_cast<std::uint16_t>(service->s_port);
    const bool digits = !port.empty() && port.size() <= 5 &&
                        std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || std::stoi(port) > 65535)
        throw std::invalid_argument("'" + port + "' is not a valid TCP service or port number");
    return htons(static_cast<std::uint16_t>(std::stoi(port)));
}

// Dotted text or a host name; the host's first IPv4 address.
bool ResolveHost(const std::string& host, in_addr& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

// Blocking mode: the kernel ends a call that outlasts Timeout, which is the time-out timer.
void ArmTimeout(int socket, int seconds) {
    const timeval limit{seconds > 0 ? seconds : 0, 0};
    setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

}  // namespace

// The notifiers stand in for the classic asynchronous select. They are level-triggered, so each one is
// switched off whenever the classic notification would not be posted again until the owner acts.
struct TSockets::Impl {
    explicit Impl(TSockets& owner) : owner(owner) {}

    TSockets& owner;
    sockaddr_in remote{};
    int socket = -1;  // the socket this component opened and has not closed yet
    bool blocking = false;
    QSocketNotifier* readNotifier = nullptr;
    QSocketNotifier* writeNotifier = nullptr;
    bool connecting = false;
    bool connected = false;
    bool readEnded = false;  // peer closed or the connection failed: nothing more to notify
    bool readSinceNotify = false;
    int dispatching = 0;
    unsigned generation = 0;  // changes whenever the notifiers change, so a handler's Disconnect is seen

    void Raise(const SocketEvent& event, int fd) {
        const SocketEvent handler = event;  // the handler may reassign the event it runs from
        if (handler) handler(owner, fd);
    }

    void Watch(int fd) {
        readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read);
        readNotifier->setEnabled(false);
        writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write);
        QObject::connect(readNotifier, &QSocketNotifier::activated, readNotifier, [this] { OnReadable(); });
        QObject::connect(writeNotifier, &QSocketNotifier::activated, writeNotifier, [this] { OnWritable(); });
        connecting = true;
        connected = false;
        readEnded = false;
        ++generation;
    }

    void Unwatch() {
        for (QSocketNotifier* notifier : {readNotifier, writeNotifier}) {
            if (notifier == nullptr) continue;
            notifier->setEnabled(false);
            QObject::disconnect(notifier, nullptr, nullptr, nullptr);
            // A notifier must outlive its own activation, which may be what called us.
            if (dispatching > 0)
                notifier->deleteLater();
            else
                delete notifier;
        }
        readNotifier = writeNotifier = nullptr;
        connecting = connected = false;
        ++generation;
    }

    // The classic receive re-enables the read notification.
    void ReadHappened(int fd) {
        if (fd != socket || readNotifier == nullptr) return;
        readSinceNotify = true;
        if (connected && !readEnded) readNotifier->setEnabled(true);
    }

    void CloseQuietly() {
        if (socket < 0) return;
        Unwatch();
        ::close(socket);
        if (owner.SocketHandle == socket) owner.SocketHandle = -1;
        socket = -1;
    }

    void OnWritable() {
        const int fd = socket;
        ++dispatching;
        writeNotifier->setEnabled(false);  // a connected socket is always writable
        if (connecting) {
            connecting = false;
            int error = 0;
            socklen_t length = sizeof error;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
            if (error != 0) {
                readEnded = true;
                owner.ReportError(fd, "FD_CONNECT", WinsockError(error));
            } else {
                connected = true;
                readNotifier->setEnabled(true);
                const unsigned seen = generation;
                Raise(owner.OnSessionConnected, fd);
                if (seen == generation) Raise(owner.OnDataNeeded, fd);
            }
        } else {
            Raise(owner.OnDataNeeded, fd);
        }
        --dispatching;
    }

    void OnReadable() {
        const int fd = socket;
        ++dispatching;
        char byte;
        const ssize_t peeked = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        const int error = errno;
        if (peeked > 0) {
            readSinceNotify = false;
            const unsigned seen = generation;
            Raise(owner.OnDataAvailable, fd);
            if (seen == generation && !readSinceNotify) readNotifier->setEnabled(false);
        } else if (peeked < 0 && (error == EAGAIN || error == EWOULDBLOCK || error == EINTR)) {
            // woken without data after all; the notifier stays on
        } else {
            readEnded = true;
            readNotifier->setEnabled(false);
            if (peeked == 0) {
                Raise(owner.OnSessionClosed, fd);
            } else {
                const bool lost = error == ECONNRESET || error == ECONNABORTED || error == ETIMEDOUT ||
                                  error == ENETRESET || error == EPIPE;
                owner.ReportError(fd, lost ? "FD_CLOSE" : "FD_READ", WinsockError(error));
            }
        }
        --dispatching;
    }

    void TimedOut() {
        const ErrorEvent handler = owner.OnErrorOccurred;
        if (handler)
            handler(owner, owner.SocketHandle, kTimedOut, "Blocking call timed out");
        else
            owner.dialogs_.ShowSocketBox("WINSOCK CALL CANCELED", "Error 10060\r\nBlocking call timed out", false);
    }
};

TSockets::TSockets(SocketDialogs& dialogs) : impl_(std::make_unique<Impl>(*this)), dialogs_(dialogs) {}

TSockets::~TSockets() { impl_->CloseQuietly(); }

void TSockets::SConnect() {
    if (Port.empty()) {
        dialogs_.ShowSocketBox(kErrorCaption, "No Port Specified", false);
        return;
    }
    if (IPAddr.empty()) {
        dialogs_.ShowSocketBox(kErrorCaption, "No IP Address Specified", false);
        return;
    }
    sockaddr_in& remote = impl_->remote;
    remote = sockaddr_in{};
    remote.sin_family = AF_INET;
    remote.sin_port = ResolvePort(Port);
    if (!ResolveHost(IPAddr, remote.sin_addr)) {
        dialogs_.ShowSocketBox(kErrorCaption, "Cannot convert host address", false);
        return;
    }

    // The agent retries a lost connection several times a second: never leave the previous socket behind.
    impl_->CloseQuietly();
    impl_->blocking = !NonBlocking;
    SocketHandle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (NonBlocking ? SOCK_NONBLOCK : 0), IPPROTO_TCP);
    if (SocketHandle < 0) ReportError(-1, "SConnect (socket)", WinsockError(errno));
    impl_->socket = SocketHandle;
    const int socket = SocketHandle;

    if (NonBlocking) {
        if (socket < 0)
            ReportError(socket, "WSAAsyncSelect", WinsockError(ENOTSOCK));
        else
            impl_->Watch(socket);
    } else if (socket >= 0) {
        ArmTimeout(socket, Timeout);
    }

    if (::connect(socket, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0) return;
    const int error = errno;
    if (NonBlocking && (error == EINPROGRESS || error == EINTR)) return;
    if (!NonBlocking && error == EINPROGRESS) {
        impl_->TimedOut();
        return;
    }
    // Failed at once: the write notifier would otherwise report a connection that never came.
    if (socket >= 0 && socket == impl_->socket) impl_->Unwatch();
    ReportError(socket, "SConnect", WinsockError(error));
}

void TSockets::Disconnect() {
    if (SocketHandle == -1) return;
    const int socket = SocketHandle;
    if (socket == impl_->socket) {
        impl_->Unwatch();
        impl_->socket = -1;
    }
    ::shutdown(socket, SHUT_RDWR);
    const linger off{1, 0};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    const int error = ::close(socket) == 0 ? 0 : errno;
    SocketHandle = -1;
    if (error != 0) ReportError(socket, "Disconnect (closesocket)", WinsockError(error));
}

std::string TSockets::Text() {
    if (SocketHandle == -1) return {};
    const int socket = SocketHandle;
    const bool blocking = impl_->blocking && socket == impl_->socket;
    if (blocking) ArmTimeout(socket, Timeout);
    std::string text(static_cast<std::size_t>(std::clamp(MaximumReceiveLength, 1, kMaxReceive)), '\0');
    const ssize_t received = ::recv(socket, text.data(), text.size(), 0);
    const int error = errno;
    impl_->ReadHappened(socket);
    if (received >= 0) {
        text.resize(static_cast<std::size_t>(received));
        text.resize(std::min(text.size(), std::strlen(text.c_str())));
        return text;
    }
    if (error == EAGAIN || error == EWOULDBLOCK) {
        if (blocking) impl_->TimedOut();
        return {};
    }
    ReportError(socket, "GetText (Recv)", WinsockError(error));
    return {};
}

void TSockets::SetText(std::string_view text) {
    const int socket = SocketHandle;
    const bool blocking = impl_->blocking && socket == impl_->socket;
    if (blocking && socket >= 0) ArmTimeout(socket, Timeout);
    if (::send(socket, text.data(), text.size(), MSG_NOSIGNAL) >= 0) return;
    const int error = errno;
    if (blocking && (error == EAGAIN || error == EWOULDBLOCK)) {
        impl_->TimedOut();
        return;
    }
    // As the classic select does after a would-block: tell the owner once there is room again.
    if ((error == EAGAIN || error == EWOULDBLOCK) && socket == impl_->socket && impl_->connected)
        impl_->writeNotifier->setEnabled(true);
    ReportError(socket, "SetText (Send)", WinsockError(error));
}

void TSockets::ReportError(int socket, std::string_view step, int error) {
    const std::string message = ErrorText(error);
    const ErrorEvent handler = OnErrorOccurred;
    if (handler) {
        handler(*this, socket, error, message);
        return;
    }
    dialogs_.ShowSocketBox(
        kErrorCaption, "Error " + std::to_string(error) + " in function " + std::string(step) + "\r\n" + message, true);
}

std::string TSockets::ErrorText(int error) { return std::string(WinsockErrorText(error)); }

}  // namespace kx
