#pragma once
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "kx-db/prng.h"
#include "kx-fep/clock_source.h"
#include "kx-fep/clock_store.h"
#include "kx-fep/fep_options.h"
#include "kx-fep/frame_text.h"

namespace kx::feptool {

// The TCP side: one thread, poll(), any number of connections. Replies are
// scheduled, never waited for, so a delayed or split reply on one connection
// does not hold up the others.
class FepServer {
public:
    using SteadyClock = std::chrono::steady_clock;

    // store may be null (no --db).
    FepServer(const FepOptions& options, ClockQueue& queue, ClockStore* store, std::ostream& out, std::ostream& err);
    ~FepServer();
    FepServer(const FepServer&) = delete;
    FepServer& operator=(const FepServer&) = delete;

    // Throws dbtool::ToolError when the address cannot be bound.
    void Listen();
    // HOST:PORT with the port actually bound.
    std::string Address() const;
    // Serves until stopFd turns readable; reads clockings from standard input
    // while intake is given and input lasts.
    void Serve(int stopFd, ClockingIntake* intake);

private:
    struct Reply {
        enum class Kind { Ack, Poll, Bytes };
        SteadyClock::time_point due;
        Kind kind = Kind::Ack;
        std::string bytes;  // Kind::Bytes: the second piece of a split reply
    };
    struct InFlight {
        Clocking clocking;
        std::uint64_t end = 0;  // delivered once this many bytes of the connection went out
    };
    struct Connection {
        int fd = -1;
        int id = 0;
        std::string peer;
        FrameSplitter frames;
        std::deque<Reply> replies;
        std::string output;  // refused by the socket so far
        std::uint64_t appended = 0;
        std::uint64_t sent = 0;
        std::deque<InFlight> inFlight;
        int scheduled = 0;
    };

    void Accept();
    void Receive(Connection& c);
    void OnFrame(Connection& c, const Frame& frame);
    // Sends the replies that are due; false when the connection is to be closed.
    bool SendDue(Connection& c, SteadyClock::time_point now, std::string& closeReason);
    std::string PollReplyBytes(Connection& c, std::optional<Clocking>& handedOut);
    bool Flush(Connection& c, std::string& closeReason);
    bool WantsInput(const Connection& c) const;
    bool Finished(const Connection& c) const;
    void Close(int id, const std::string& reason);
    int PollTimeoutMs(SteadyClock::time_point now) const;
    void ReadInput(ClockingIntake& intake, bool& inputOpen);

    void Say(const std::string& line);  // a traffic line, unless --quiet
    void Complain(const std::string& line);

    const FepOptions& options_;
    ClockQueue& queue_;
    ClockStore* store_;
    std::ostream& out_;
    std::ostream& err_;
    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    int nextId_ = 1;
    std::map<int, std::unique_ptr<Connection>> connections_;
    dbtool::Rng garbage_{1};
};

}  // namespace kx::feptool
