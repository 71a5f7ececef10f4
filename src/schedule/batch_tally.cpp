#include "schedule/batch_tally.h"

#include <algorithm>
#include <cstdio>

#include "db/database.h"

namespace kx {

BatchTally::BatchTally(AgentContext& ctx, std::string name)
    : ctx_(ctx),
      name_(std::move(name)),
      failuresBefore_(ctx.flags.staffDayFailures),
      failedUnitsBefore_(ctx.db ? ctx.db->FailedUnits() : 0) {}

long long BatchTally::FailuresSoFar() const {
    const long long failures = ctx_.flags.staffDayFailures - failuresBefore_;
    const long long units = ctx_.db ? static_cast<long long>(ctx_.db->FailedUnits() - failedUnitsBefore_) : 0;
    return failures + units - forgiven_;
}

long long BatchTally::Failed() const { return std::clamp(FailuresSoFar() + lost_, 0LL, processed_); }

BatchTally::~BatchTally() {
    try {
        const long long failed = Failed();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        char took[32];
        std::snprintf(took, sizeof took, "%.1f", seconds);
        ctx_.log.WriteLog(name_ + ": " + std::to_string(processed_ - failed) + " staff-days done, " +
                          std::to_string(failed) + " failed, " + std::to_string(skipped_) + " skipped in " + took +
                          " s");
    } catch (...) {
    }
}

}  // namespace kx
