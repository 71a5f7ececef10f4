#include "kx-fep/fep_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "comms/fep_frames.h"

namespace kx::feptool {

namespace {

constexpr std::size_t kReceiveChunk = 64 * 1024;
// Beyond these a connection is not read until its peer takes what it was sent:
// a client that sends without reading cannot make kx-fep grow.
constexpr std::size_t kOutputCap = 64 * 1024;
constexpr std::size_t kMaxQueuedReplies = 1024;
constexpr std::size_t kMaxConnections = 256;
constexpr auto kSplitGap = std::chrono::milliseconds(20);
constexpr std::size_t kMaxGarbage = 100;

std::string ErrnoText(int error) { return std::strerror(error); }

std::string PeerText(const sockaddr_in& address) {
    char host[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &address.sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(ntohs(address.sin_port));
}

}  // namespace

FepServer::FepServer(const FepOptions& options, ClockQueue& queue, ClockStore* store, std::ostream& out,
                     std::ostream& err)
    : options_(options), queue_(queue), store_(store), out_(out), err_(err) {}

FepServer::~FepServer() {
    for (auto& [id, c] : connections_) close(c->fd);
    if (listenFd_ >= 0) close(listenFd_);
}

void FepServer::Say(const std::string& line) {
    if (options_.quiet) return;
    if (options_.stamp) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        out_ << (static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000) << ' ';
    }
    out_ << line << std::endl;
}

void FepServer::Complain(const std::string& line) { err_ << "kx-fep: " << line << std::endl; }

void FepServer::Listen() {
    const std::string where = options_.host + ":" + std::to_string(options_.port);
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) throw dbtool::ToolError("cannot listen on " + where + ": " + ErrnoText(errno));
    const int on = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(options_.port);
    inet_pton(AF_INET, options_.host.c_str(), &address.sin_addr);
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listenFd_, 64) != 0)
        throw dbtool::ToolError("cannot listen on " + where + ": " + ErrnoText(errno));
    socklen_t length = sizeof address;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
}

std::string FepServer::Address() const { return options_.host + ":" + std::to_string(port_); }

void FepServer::Accept() {
    for (;;) {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        const int fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED)
                Complain("accept: " + ErrnoText(errno));
            return;
        }
        if (connections_.size() >= kMaxConnections) {
            Complain("refused a connection from " + PeerText(address) + ": " + std::to_string(kMaxConnections) +
                     " connections are open");
            close(fd);
            continue;
        }
        // Small replies, and the two pieces of a split one, go out at once.
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        auto c = std::make_unique<Connection>();
        c->fd = fd;
        c->id = nextId_++;
        c->peer = PeerText(address);
        Say("#" + std::to_string(c->id) + " connected from " + c->peer);
        connections_.emplace(c->id, std::move(c));
    }
}

bool FepServer::WantsInput(const Connection& c) const {
    return c.output.size() < kOutputCap && c.replies.size() < kMaxQueuedReplies;
}

bool FepServer::Finished(const Connection& c) const {
    return options_.dropAfter && c.scheduled >= *options_.dropAfter && c.replies.empty() && c.output.empty();
}

void FepServer::Receive(Connection& c) {
    char buf[kReceiveChunk];
    const ssize_t n = recv(c.fd, buf, sizeof buf, 0);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
        Close(c.id, ErrnoText(errno));
        return;
    }
    if (n == 0) {
        Close(c.id, "closed by the peer");
        return;
    }
    for (const Frame& frame : c.frames.Feed(std::string_view(buf, static_cast<std::size_t>(n)))) OnFrame(c, frame);
}

void FepServer::OnFrame(Connection& c, const Frame& frame) {
    const std::string tag = "#" + std::to_string(c.id);
    if (frame.kind == Frame::Kind::Dropped) {
        Complain(tag + " dropped a frame of " + std::to_string(frame.dropped) + " bytes (over " +
                 std::to_string(FrameSplitter::kDefaultCap) + " before its CR)");
        return;
    }
    Say(tag + " <- " + ShowBytes(frame.bytes));
    if (options_.answer == PollAnswer::Silent) return;
    if (options_.dropAfter && c.scheduled >= *options_.dropAfter) return;
    Reply reply;
    reply.due = SteadyClock::now() + std::chrono::milliseconds(options_.delayMs);
    reply.kind = frame.kind == Frame::Kind::Poll ? Reply::Kind::Poll : Reply::Kind::Ack;
    c.replies.push_back(std::move(reply));
    ++c.scheduled;
}

std::string FepServer::PollReplyBytes(Connection& c, std::optional<Clocking>& handedOut) {
    switch (options_.answer) {
    case PollAnswer::Nak: return std::string(1, NAK) + options_.nakText + CR;
    case PollAnswer::Oversize: return std::string(1, ACK) + std::string(options_.oversize - 2, 'X') + CR;
    case PollAnswer::Garbage: {
        std::string bytes(1, ACK);
        const int body = garbage_.Below(static_cast<int>(kMaxGarbage - 1));  // 0 to 98
        for (int i = 0; i < body; ++i) {
            int byte = garbage_.Below(126);  // 0 to 126 without CR
            if (byte >= CR) ++byte;
            bytes += static_cast<char>(byte);
        }
        return bytes + CR;
    }
    case PollAnswer::Normal:
    case PollAnswer::Silent: break;
    }
    if (queue_.empty()) return {ACK, CR};
    handedOut = std::move(queue_.front());
    queue_.pop_front();
    if (store_ && !handedOut->stored) {
        const std::string problem = store_->Store(handedOut->record);
        if (!problem.empty())
            Complain("#" + std::to_string(c.id) + " clocking " + handedOut->record + " not stored: " + problem);
        handedOut->stored = true;  // a failed store is not retried when the clocking is put back
    }
    Say("#" + std::to_string(c.id) + " -> clocking " + handedOut->record);
    return std::string(1, ACK) + handedOut->record + CR;
}

bool FepServer::SendDue(Connection& c, SteadyClock::time_point now, std::string& closeReason) {
    // A peer that does not read holds at most one reply beyond the cap here.
    while (!c.replies.empty() && c.replies.front().due <= now && c.output.size() < kOutputCap) {
        Reply reply = std::move(c.replies.front());
        c.replies.pop_front();
        std::optional<Clocking> handedOut;
        std::string bytes;
        bool whole = true;
        switch (reply.kind) {
        case Reply::Kind::Ack: bytes = {ACK, CR}; break;
        case Reply::Kind::Poll: bytes = PollReplyBytes(c, handedOut); break;
        case Reply::Kind::Bytes:
            bytes = std::move(reply.bytes);
            whole = false;
            break;
        }
        if (handedOut) c.inFlight.push_back({std::move(*handedOut), c.appended + bytes.size()});
        if (whole && options_.split) {
            const std::size_t half = bytes.size() / 2;
            c.replies.push_front({now + kSplitGap, Reply::Kind::Bytes, bytes.substr(half)});
            bytes.resize(half);
        }
        c.output += bytes;
        c.appended += bytes.size();
        if (!Flush(c, closeReason)) return false;
    }
    return true;
}

bool FepServer::Flush(Connection& c, std::string& closeReason) {
    while (!c.output.empty()) {
        const ssize_t n = send(c.fd, c.output.data(), c.output.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            closeReason = ErrnoText(errno);
            return false;
        }
        c.output.erase(0, static_cast<std::size_t>(n));
        c.sent += static_cast<std::uint64_t>(n);
    }
    while (!c.inFlight.empty() && c.inFlight.front().end <= c.sent) c.inFlight.pop_front();
    return true;
}

void FepServer::Close(int id, const std::string& reason) {
    const auto found = connections_.find(id);
    if (found == connections_.end()) return;
    Connection& c = *found->second;
    const std::string tag = "#" + std::to_string(c.id);
    // Undelivered clockings go back to the head of the queue, in their order.
    for (auto it = c.inFlight.rbegin(); it != c.inFlight.rend(); ++it) {
        Say(tag + " clocking " + it->clocking.record + " put back");
        queue_.push_front(std::move(it->clocking));
    }
    close(c.fd);
    Say(tag + " closed: " + reason);
    connections_.erase(found);
}

int FepServer::PollTimeoutMs(SteadyClock::time_point now) const {
    std::optional<SteadyClock::time_point> next;
    for (const auto& [id, c] : connections_) {
        if (Finished(*c)) return 0;
        if (c->replies.empty() || c->output.size() >= kOutputCap) continue;  // POLLOUT wakes those
        if (!next || c->replies.front().due < *next) next = c->replies.front().due;
    }
    if (!next) return -1;
    if (*next <= now) return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(*next - now).count());
}

void FepServer::ReadInput(ClockingIntake& intake, bool& inputOpen) {
    char buf[16384];
    const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0 && errno == EINTR) return;
    if (n > 0) {
        intake.Feed(std::string_view(buf, static_cast<std::size_t>(n)), queue_);
        return;
    }
    if (n < 0) Complain("standard input: " + ErrnoText(errno));
    intake.Finish(queue_);
    inputOpen = false;
}

void FepServer::Serve(int stopFd, ClockingIntake* intake) {
    bool inputOpen = intake != nullptr;
    std::vector<pollfd> fds;
    std::vector<int> ids;  // connection of fds[i] for i >= first
    for (;;) {
        fds.clear();
        ids.clear();
        fds.push_back({stopFd, POLLIN, 0});
        fds.push_back({listenFd_, POLLIN, 0});
        fds.push_back({inputOpen ? STDIN_FILENO : -1, POLLIN, 0});
        const std::size_t first = fds.size();
        for (const auto& [id, c] : connections_) {
            short events = 0;
            if (WantsInput(*c)) events |= POLLIN;
            if (!c->output.empty()) events |= POLLOUT;
            fds.push_back({c->fd, events, 0});
            ids.push_back(id);
        }
        const int ready = poll(fds.data(), fds.size(), PollTimeoutMs(SteadyClock::now()));
        if (ready < 0 && errno != EINTR) {
            Complain("poll: " + ErrnoText(errno));
            return;
        }
        if (ready > 0) {
            if (fds[0].revents) return;
            if (fds[2].revents) ReadInput(*intake, inputOpen);
            for (std::size_t i = first; i < fds.size(); ++i) {
                const short revents = fds[i].revents;
                if (!revents) continue;
                const auto found = connections_.find(ids[i - first]);
                if (found == connections_.end()) continue;
                Connection& c = *found->second;
                std::string reason;
                if ((revents & POLLOUT) && !Flush(c, reason)) {
                    Close(c.id, reason);
                    continue;
                }
                if (revents & POLLIN)
                    Receive(c);
                else if (revents & (POLLERR | POLLHUP))
                    Close(c.id, "connection lost");
            }
            if (fds[1].revents) Accept();
        }
        const auto now = SteadyClock::now();
        std::vector<std::pair<int, std::string>> ended;
        for (auto& [id, c] : connections_) {
            std::string reason;
            if (!SendDue(*c, now, reason))
                ended.emplace_back(id, reason);
            else if (Finished(*c))
                ended.emplace_back(id, "after " + std::to_string(c->scheduled) + " replies");
        }
        for (const auto& [id, reason] : ended) Close(id, reason);
    }
}

}  // namespace kx::feptool
