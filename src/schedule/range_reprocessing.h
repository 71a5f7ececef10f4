#pragma once
#include <string>

#include "core/agent_context.h"
#include "schedule/batch_control.h"

namespace kx {

// The range run, fired by the range timer after the mailbox stored a "TRP"
// request and answered "CRVTRP0": reprocesses every staff row the request's
// select returns over every date of its range (exempted staff lose all their
// kt_attnd rows instead; with [Options] CheckStartExpiryDate, days outside the
// card's validity delete the rows outside it and are skipped), with progress
// in the window and the application title, obeying the Stop button. The
// staff-days are written in database batches. Whatever happens (also a stop or
// a failure, logged as "<TurboReprocess>"), the run ends by leaving "RFA" in
// the mailbox, restarting the mailbox timer, restoring the title and the
// ready state, and clearing the range-busy flag.
//
// While another batch runs, the run is deferred (see BatchControl): it returns
// false at once, touching nothing, and is fired again when that batch ends.
//
// An observer, when given, hears the planned total and each staff-day handed
// to TurboReprocessAttend, just before and just after it (done counts it).
class RangeObserver {
public:
    virtual ~RangeObserver() = default;
    virtual void Planned(long long /*total*/) {}
    virtual void BeforeStaffDay(const std::string& /*staff*/, const std::string& /*date*/) {}
    virtual void AfterStaffDay(const std::string& /*staff*/, const std::string& /*date*/, long long /*done*/) {}
    // The run ended early on this failure (it is logged as "<TurboReprocess>" too).
    virtual void RunFailed(const std::string& /*error*/) {}
};
bool RunRangeReprocessing(AgentContext& ctx, const std::string& trpRequest, BatchControl& control,
                          RangeObserver* observer = nullptr);

// The application title during a range run: done x 100 / total rounded,
// right-aligned in three characters, then " % Processed.".
std::string RangeProgressTitle(long long done, long long total);

}  // namespace kx
