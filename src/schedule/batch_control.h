#pragma once
#include <array>
#include <optional>

namespace kx {

// The batches that reprocess many staff-days. All of them fill the one
// template record, so they must never run interleaved, although each lets the
// event loop dispatch events (and so fire the other batches' timers) between
// staff-days.
enum class BatchKind {
    Range,        // a "TRP" request, fired by the range timer
    Interval,     // the interval reprocessing of recent clockings
    Daily,        // the fixed times of day and the previous day
    AutoProcess,  // the once-per-start processing of the days not yet processed
};
inline constexpr std::size_t kBatchKindCount = 4;

// What a batch needs from the agent's shell, and the bookkeeping of the
// one-batch-at-a-time rule. The shell implements the three hooks and keeps one
// BatchControl for the life of the agent; every batch receives it by reference.
//
// The rule (kept by BatchGuard below): a batch starts only when no other batch
// runs. A batch that is asked to start while another runs is deferred, not
// lost: the guard records it as pending, the asking handler returns at once,
// and when the running batch ends its guard calls RefireBatch for every pending
// kind (the range first), so the shell arms that batch's timer again and the
// batch runs from the event loop. The guard records only the kind: a batch
// whose work depends on the moment it was asked (the time of day of a daily
// run) keeps its own note of what it still owes. In particular:
// - range runs are never dropped: a "TRP" that arrives while an interval,
//   daily or auto-process batch runs is stored by the mailbox and its range
//   run waits until that batch ends (during a range run the mailbox timer is
//   stopped, so no second "TRP" can arrive);
// - interval, daily and auto-process batches whose timer fires during a range
//   run are fired again when it ends.
//
// The on-the-fly path is not a batch: it processes a single staff-day whenever
// the mailbox serves "OLD", which may happen while an interval, daily or
// auto-process batch dispatches events. Because it reloads the system
// parameters and its own staff member's card fields into the template record,
// it wraps that work in a TemplateRecordKeeper (assembly/template_record_keeper.h),
// which saves the batch's template record and puts it back afterwards.
class BatchControl {
public:
    virtual ~BatchControl() = default;
    BatchControl() = default;
    BatchControl(const BatchControl&) = delete;
    BatchControl& operator=(const BatchControl&) = delete;

    // The 50 ms mailbox timer. A range run stops it for its whole run and
    // starts it again at its end (after leaving "RFA" in the mailbox).
    virtual void StopMailboxTimer() = 0;
    virtual void StartMailboxTimer() = 0;
    // Arms the timer of a deferred batch so that it runs again from the event
    // loop (the range timer as a 1 ms single shot, with the stored "TRP"
    // request). Called while the ending batch is still unwinding: it must only
    // arm the timer, never run the batch inside the call, and must not throw.
    virtual void RefireBatch(BatchKind kind) = 0;

    // The batch running now, if any.
    std::optional<BatchKind> RunningBatch() const { return running_; }
    // Whether a batch of this kind was deferred and waits for the running one.
    bool IsPending(BatchKind kind) const { return pending_[Index(kind)]; }

private:
    friend class BatchGuard;
    static std::size_t Index(BatchKind kind) { return static_cast<std::size_t>(kind); }

    std::optional<BatchKind> running_;
    std::array<bool, kBatchKindCount> pending_{};
};

// Held by a batch for its whole run:
//
//     BatchGuard guard(control, BatchKind::Interval);
//     if (!guard.Entered()) return;  // deferred; fired again later
//     ... the batch ...
//
// Entered when no batch runs; otherwise the kind is recorded as pending and
// the batch must return without doing anything. On leaving, an entered guard
// frees the rule and re-fires every pending batch.
class BatchGuard {
public:
    BatchGuard(BatchControl& control, BatchKind kind);
    ~BatchGuard();
    BatchGuard(const BatchGuard&) = delete;
    BatchGuard& operator=(const BatchGuard&) = delete;

    bool Entered() const { return entered_; }

private:
    BatchControl& control_;
    bool entered_ = false;
};

}  // namespace kx
