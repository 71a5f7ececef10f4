#pragma once
#include <optional>
#include <vector>

#include "core/agent_context.h"
#include "core/clock.h"
#include "schedule/batch_control.h"

namespace kx {

// The interval timer as its tick sees it: stopped while the tick works.
class TickTimer {
public:
    virtual ~TickTimer() = default;
    virtual void Stop() = 0;
    virtual void Start() = 0;
};

// Interval and daily reprocessing, driven by the 330 ms interval timer. Once
// per change of the clock's minute: all staff at each of the six daily times,
// all staff for the previous day at its time, and every ReprocessIntervalMin
// minute changes the staff members with new clockings.
//
// A run that falls due while another batch runs is owed, not dropped: the
// following ticks pay it as soon as no batch runs (an owed all-staff run keeps
// its date; an owed new-clockings run widens its window back to when it first
// fell due). The last-seen minute and the interval counter are the agent's
// (ctx.flags); the owed runs are kept here.
class IntervalReprocessing {
public:
    // One tick. Every failure is logged as "<Timer2Timer>" + text; the timer
    // is started again also after a failure, so the reprocessing goes on.
    void Tick(AgentContext& ctx, BatchControl& control, TickTimer& timer);

    bool OwesRuns() const { return !owedAllStaff_.empty() || owedSince_.has_value(); }

private:
    void OnMinuteChange(AgentContext& ctx, BatchControl& control);
    void AllStaff(AgentContext& ctx, BatchControl& control, LocalTime date);
    void NewClockings(AgentContext& ctx, BatchControl& control);
    void PayOwedRuns(AgentContext& ctx, BatchControl& control);

    std::vector<LocalTime> owedAllStaff_;  // dates of all-staff runs, oldest first
    std::optional<LocalTime> owedSince_;   // start of an owed new-clockings window
};

}  // namespace kx
