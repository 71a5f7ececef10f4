#pragma once

namespace kx::feptool {

// SIGINT and SIGTERM make Fd() readable, so the poll loop ends in order;
// SIGPIPE is ignored (a peer that goes away must not end the server). The
// previous dispositions come back at destruction. One instance at a time.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    int Fd() const;
};

}  // namespace kx::feptool
