#include "schedule/interval_reprocessing.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string>

#include "schedule/reprocess_these_staff.h"

namespace kx {
namespace {

int MinuteOfHour(LocalTime t) {
    const std::chrono::hh_mm_ss hms{t - std::chrono::floor<std::chrono::days>(t)};
    return static_cast<int>(hms.minutes().count());
}

// The clock is read at each comparison: a time of day that passes while an
// earlier run of the same tick works is not matched.
bool DueNow(const std::string& hhmm, const Clock& clock) { return !hhmm.empty() && hhmm == TimeText(clock.Now()); }

}  // namespace

void IntervalReprocessing::Tick(AgentContext& ctx, BatchControl& control, TickTimer& timer) {
    timer.Stop();
    std::optional<int> minute;
    try {
        PayOwedRuns(ctx, control);
        minute = MinuteOfHour(ctx.clock.Now());
        if (*minute != ctx.flags.lastSeenMinute) {
            OnMinuteChange(ctx, control);
            ctx.flags.lastSeenMinute = *minute;
        }
    } catch (const std::exception& e) {
        ctx.log.WriteLog("<Timer2Timer>" + std::string(e.what()));
        // Not tried again at every tick of the same minute.
        if (minute) ctx.flags.lastSeenMinute = *minute;
    }
    timer.Start();
}

void IntervalReprocessing::OnMinuteChange(AgentContext& ctx, BatchControl& control) {
    const Settings::Reprocessing& r = ctx.settings.reprocessing;
    for (const std::string* daily : {&r.DailyReprocessAtHHMM, &r.DailyReprocess2AtHHMM, &r.DailyReprocess3AtHHMM,
                                     &r.DailyReprocess4AtHHMM, &r.DailyReprocess5AtHHMM, &r.DailyReprocess6AtHHMM})
        if (DueNow(*daily, ctx.clock)) AllStaff(ctx, control, ctx.clock.Now());
    if (DueNow(r.PrevDayReprocessAtHHMM, ctx.clock)) AllStaff(ctx, control, ctx.clock.Now() - std::chrono::days{1});

    if (r.ReprocessIntervalMin == 0) return;
    if (++ctx.flags.intervalCounter != r.ReprocessIntervalMin) return;
    // Cleared before the run, so a failed run does not stop the counting.
    ctx.flags.intervalCounter = 0;
    ctx.log.WriteDetail(kDetailImportant, "Reprocess interval min");
    NewClockings(ctx, control);
}

void IntervalReprocessing::AllStaff(AgentContext& ctx, BatchControl& control, LocalTime date) {
    BatchGuard guard(control, BatchKind::Daily);
    if (guard.Entered()) {
        ReprocessTheseStaff(ctx, true, date);
        return;
    }
    const std::string day = DateText(date);
    const bool owedAlready =
        std::any_of(owedAllStaff_.begin(), owedAllStaff_.end(), [&](LocalTime owed) { return DateText(owed) == day; });
    if (!owedAlready) owedAllStaff_.push_back(date);
}

void IntervalReprocessing::NewClockings(AgentContext& ctx, BatchControl& control) {
    const LocalTime now = ctx.clock.Now();
    BatchGuard guard(control, BatchKind::Interval);
    if (guard.Entered()) {
        ReprocessTheseStaff(ctx, false, now);
        return;
    }
    const LocalTime since = now - std::chrono::minutes{ctx.settings.reprocessing.ReprocessIntervalMin};
    if (!owedSince_ || since < *owedSince_) owedSince_ = since;
}

void IntervalReprocessing::PayOwedRuns(AgentContext& ctx, BatchControl& control) {
    if (!OwesRuns() || control.RunningBatch()) return;
    BatchGuard guard(control, owedAllStaff_.empty() ? BatchKind::Interval : BatchKind::Daily);
    if (!guard.Entered()) return;
    while (!owedAllStaff_.empty()) {
        const LocalTime date = owedAllStaff_.front();
        owedAllStaff_.erase(owedAllStaff_.begin());
        ReprocessTheseStaff(ctx, true, date);
    }
    if (!owedSince_) return;
    const LocalTime since = *owedSince_;
    owedSince_.reset();
    // The window keeps to today's date, as every new-clockings window does.
    const LocalTime now = ctx.clock.Now();
    const LocalTime midnight = std::chrono::floor<std::chrono::days>(now);
    ReprocessTheseStaff(ctx, false, now, ClockingWindowSince(std::max(since, midnight), now));
}

}  // namespace kx
