#pragma once
// The far end of a controller connection in a test: a listening socket on
// 127.0.0.1 and the connections it accepts, driven from the test's thread.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace kx::test {

class LoopbackListener {
public:
    // Port 0: a free one.
    explicit LoopbackListener(int port = 0) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(port));
        if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd_, 16) != 0) {
            close(fd_);
            fd_ = -1;
            return;
        }
        socklen_t len = sizeof addr;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    ~LoopbackListener() {
        if (fd_ >= 0) close(fd_);
    }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool Listening() const { return fd_ >= 0; }
    int Port() const { return port_; }
    std::string PortText() const { return std::to_string(port_); }
    // An accepted connection, or -1 when none waits.
    int Accept() const { return fd_ < 0 ? -1 : accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC); }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A free port with nothing listening on it (a refused connection).
inline int ClosedPort() {
    LoopbackListener probe;
    return probe.Port();
}

// What waits on a non-blocking connection now ("" when nothing does).
inline std::string ReceiveNow(int fd) {
    std::string got;
    char buf[4096];
    for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) > 0;) got.append(buf, static_cast<std::size_t>(n));
    return got;
}

inline bool SendAll(int fd, const std::string& text) {
    return send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

}  // namespace kx::test
