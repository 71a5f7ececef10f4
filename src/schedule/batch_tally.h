#pragma once
#include <chrono>
#include <cstdint>
#include <string>

#include "core/agent_context.h"

namespace kx {

// Counts a batch's staff-days and, when the batch ends however it ends, writes
// its one summary line to the main log: "NAME: D staff-days done, F failed,
// S skipped in T s". Failed are the staff-days that ended in a logged failure,
// their own or their row's; they are not among the done ones. Made before the
// batch's database transaction and ended after it, so that the outcomes of rows
// written without waiting are in.
class BatchTally {
public:
    BatchTally(AgentContext& ctx, std::string name);
    ~BatchTally();
    BatchTally(const BatchTally&) = delete;
    BatchTally& operator=(const BatchTally&) = delete;

    void Processed() { ++processed_; }
    void Skipped(long long days = 1) { skipped_ += days; }
    // The failures counted so far; those an outage caused and that are done
    // again are forgiven; staff-days an outage took for good count as failed.
    long long FailuresSoFar() const;
    void Forgive(long long failures) { forgiven_ += failures; }
    void Lost(long long staffDays) { lost_ += staffDays; }

private:
    long long Failed() const;

    AgentContext& ctx_;
    std::string name_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    long long failuresBefore_;
    std::uint64_t failedUnitsBefore_;
    long long processed_ = 0;
    long long skipped_ = 0;
    long long forgiven_ = 0;
    long long lost_ = 0;
};

}  // namespace kx
