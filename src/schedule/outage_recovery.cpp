#include "schedule/outage_recovery.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "assembly/reference_tables.h"

namespace kx {
namespace {

constexpr std::chrono::milliseconds kFirstPause{250};
constexpr std::chrono::milliseconds kLongestPause{5000};
constexpr std::chrono::milliseconds kEventSlice{50};

std::string SecondsText(std::chrono::steady_clock::duration d) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::chrono::duration<double>(d).count());
    return text;
}

std::string WhatText(const std::string& staff, const std::string& date) {
    if (staff.empty()) return date;
    return "staff " + staff + (date.empty() ? "" : " on " + date);
}

}  // namespace

OutageRecovery::OutageRecovery(AgentContext& ctx, db::Database& db, BatchTally& tally, std::string batchName)
    : ctx_(ctx),
      db_(db),
      tally_(tally),
      name_(std::move(batchName)),
      commitsSeen_(db.Commits()),
      failuresAtLastCommit_(tally.FailuresSoFar()) {}

bool OutageRecovery::Step(const std::string& staff, const std::string& date, std::function<void()> step) {
    return Run(Kept{staff, date, std::move(step), false});
}

bool OutageRecovery::Setup(const std::string& staff, std::function<void()> step) {
    return Run(Kept{staff, "", std::move(step), true});
}

bool OutageRecovery::Run(Kept kept) {
    if (abandoned_) return false;
    ForgetDurable();
    const std::uint64_t outages = db_.Outages();
    const bool clean = RunOnce(kept.step, outages);
    kept_.push_back(std::move(kept));
    return clean || RecoverAndRedo(nullptr);
}

// False when an outage met the step; its failure then needs no other telling.
bool OutageRecovery::RunOnce(const std::function<void()>& step, std::uint64_t outagesBefore) {
    try {
        step();
    } catch (const db::DbError&) {
        if (db_.Outages() == outagesBefore) throw;
    }
    return db_.Outages() == outagesBefore;
}

bool OutageRecovery::Read(const std::string& date, const std::function<void()>& read) {
    for (;;) {
        if (abandoned_) return false;
        if (RunOnce(read, db_.Outages())) return true;
        const Kept what{"", date, {}, false};
        if (!RecoverAndRedo(&what)) return false;
    }
}

bool OutageRecovery::BeginBatch(std::optional<db::Database::Batch>& batch) {
    db_.SetBatchReadTables(ReferenceTables());
    return Read("the start of the batch", [&] { batch.emplace(db_); });
}

bool OutageRecovery::CommitIfDue() { return Commit(&db::Database::CommitIfDue); }

bool OutageRecovery::CommitNow() { return Commit(&db::Database::CommitBatchNow); }

bool OutageRecovery::Commit(void (db::Database::*commit)()) {
    if (abandoned_) return false;
    const std::uint64_t outages = db_.Outages();
    try {
        (db_.*commit)();
    } catch (const db::DbError&) {
        if (db_.Outages() == outages) throw;
    }
    if (db_.Outages() == outages) return true;
    return RecoverAndRedo(nullptr) && Commit(commit);
}

// What was committed needs no redoing; the setup the next steps rely on stays.
void OutageRecovery::ForgetDurable() {
    if (db_.Commits() == commitsSeen_) return;
    commitsSeen_ = db_.Commits();
    failuresAtLastCommit_ = tally_.FailuresSoFar();
    const auto setup = std::find_if(kept_.rbegin(), kept_.rend(), [](const Kept& k) { return k.setup; });
    if (setup == kept_.rend()) {
        kept_.clear();
        return;
    }
    Kept current = std::move(*setup);
    kept_.clear();
    kept_.push_back(std::move(current));
}

bool OutageRecovery::RecoverAndRedo(const Kept* notKept) {
    for (;;) {
        if (!WaitForDatabase()) {
            Abandon(notKept);
            return false;
        }
        // What failed since the last commit is done again now and counted anew.
        tally_.Forgive(tally_.FailuresSoFar() - failuresAtLastCommit_);
        const auto redone = std::count_if(kept_.begin(), kept_.end(), [](const Kept& k) { return !k.setup; });
        ctx_.log.WriteLog("<Database>: " + name_ + " does again " + std::to_string(redone) +
                          " staff-days the outage may have undone");
        const std::uint64_t outages = db_.Outages();
        const bool clean =
            std::all_of(kept_.begin(), kept_.end(), [&](const Kept& kept) { return RunOnce(kept.step, outages); });
        if (clean) return true;
    }
}

bool OutageRecovery::WaitForDatabase() {
    const auto started = std::chrono::steady_clock::now();
    const std::chrono::milliseconds limit{std::chrono::seconds{ctx_.settings.database.ReconnectSeconds}};
    ctx_.log.WriteLog("<Database>: out of reach or busy during " + name_ + "; trying again for up to " +
                      std::to_string(ctx_.settings.database.ReconnectSeconds) + " s");
    std::chrono::milliseconds pause = kFirstPause;
    std::string& lastError = lastError_;
    for (;;) {
        const auto left =
            limit - std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        try {
            db_.Recover(std::clamp(left, std::chrono::milliseconds{0}, pause));
            ctx_.log.WriteLog("<Database>: back after " + SecondsText(std::chrono::steady_clock::now() - started) +
                              " s");
            return true;
        } catch (const db::DbError& e) {
            lastError = e.what();
        }
        const auto remaining =
            limit - std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        if (remaining <= std::chrono::milliseconds{0}) break;
        if (!Pause(std::min(pause, remaining))) {
            ctx_.log.WriteLog("<Database>: " + name_ + " stopped while waiting for the database");
            return false;
        }
        pause = std::min(pause * 2, kLongestPause);
    }
    ctx_.log.WriteLog("<Database>: not back after " + std::to_string(ctx_.settings.database.ReconnectSeconds) +
                      " s: " + lastError);
    return false;
}

// The event loop runs on, so a Stop or a close ends the wait.
bool OutageRecovery::Pause(std::chrono::milliseconds length) {
    const auto until = std::chrono::steady_clock::now() + length;
    while (std::chrono::steady_clock::now() < until) {
        ctx_.host->ProcessEvents();
        if (ctx_.flags.stop) return false;
        std::this_thread::sleep_for(std::min(kEventSlice, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                              until - std::chrono::steady_clock::now())));
    }
    return true;
}

void OutageRecovery::Abandon(const Kept* notKept) {
    abandoned_ = true;
    const auto first = std::find_if(kept_.begin(), kept_.end(), [](const Kept& k) { return !k.setup; });
    const Kept* what = first != kept_.end() ? &*first : notKept;
    tally_.Forgive(tally_.FailuresSoFar() - failuresAtLastCommit_);
    tally_.Lost(std::count_if(kept_.begin(), kept_.end(), [](const Kept& k) { return !k.setup; }));
    ctx_.log.WriteLog("<Database>: " + name_ +
                      " ends; first not done: " + (what ? WhatText(what->staff, what->date) : std::string("nothing")));
    kept_.clear();
}

}  // namespace kx
