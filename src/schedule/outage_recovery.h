#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/agent_context.h"
#include "db/database.h"
#include "schedule/batch_tally.h"

namespace kx {

// Keeps a batch's work from being lost to a database outage: a connection that
// drops, a server restarting, a file another program keeps locked.
//
// The batch runs each of its steps through this object. A step is kept until
// the database has made it durable (see Database::Commits). When a step, a
// read or a commit meets an outage (see Database::Outages), the object waits
// for the database, trying again with growing pauses (0.25 s doubling up to
// 5 s) for up to [Database] ReconnectSeconds while the event loop runs, then
// runs again, in order, every kept step: the ones the outage rolled back and
// the one that met it, whose reads may have failed. A setup step (a staff
// member's template) is kept while later steps rely on it.
//
// Every call answers false once the database has not come back in time, or
// the batch was stopped while waiting: the batch must then end. The steps not
// done are counted as failed, and the first of them is named in the log.
class OutageRecovery {
public:
    OutageRecovery(AgentContext& ctx, db::Database& db, BatchTally& tally, std::string batchName);
    OutageRecovery(const OutageRecovery&) = delete;
    OutageRecovery& operator=(const OutageRecovery&) = delete;

    // A staff-day, or another write of the batch. `date` names the day ("" for all of the staff's days).
    bool Step(const std::string& staff, const std::string& date, std::function<void()> step);
    // State that the following steps build on; run again before them when they are.
    bool Setup(const std::string& staff, std::function<void()> step);
    // A read the batch's course depends on (its staff list): run again until no
    // outage disturbed it. `date` names what it reads for, in the log.
    bool Read(const std::string& date, const std::function<void()>& read);
    // Opens the batch (see Database::Batch), waiting out a database that is busy or away.
    bool BeginBatch(std::optional<db::Database::Batch>& batch);
    // Database::CommitIfDue, and at the end of the batch Database::CommitBatchNow.
    bool CommitIfDue();
    bool CommitNow();

    bool Abandoned() const { return abandoned_; }
    // Why the database was last found out of reach, as the engine said it.
    const std::string& LastError() const { return lastError_; }

private:
    struct Kept {
        std::string staff;
        std::string date;
        std::function<void()> step;
        bool setup = false;
    };

    bool Run(Kept kept);
    bool RunOnce(const std::function<void()>& step, std::uint64_t outagesBefore);
    bool Commit(void (db::Database::*commit)());
    void ForgetDurable();
    bool RecoverAndRedo(const Kept* notKept);
    bool WaitForDatabase();
    bool Pause(std::chrono::milliseconds length);
    void Abandon(const Kept* notKept);

    AgentContext& ctx_;
    db::Database& db_;
    BatchTally& tally_;
    std::string name_;
    std::vector<Kept> kept_;
    std::uint64_t commitsSeen_;
    long long failuresAtLastCommit_;
    bool abandoned_ = false;
    std::string lastError_;
};

}  // namespace kx
