#pragma once
#include <string>

#include "core/agent_context.h"
#include "core/clock.h"
#include "schedule/batch_control.h"

namespace kx {

// The first day before the days to process: the last auto-process date at
// midnight, or one day before now when it reads "29991231".
// std::invalid_argument when the date cannot be decoded.
LocalTime AutoProcessBase(const std::string& lastAAPDate, LocalTime now);

// Whole days from base to now (0 or less: nothing to process).
long long AutoProcessDays(LocalTime base, LocalTime now);

// The progress of row r of day n: ((n - 1) x rows + r) x 100 / (days x rows),
// or 999 (busy) when that is 0.
int AutoProcessProgress(long long n, long long days, long long r, long long rows);

// The daily auto-process: for each day after the last auto-process date up to
// today, reprocesses the staff members without a kt_attnd row for that day,
// then records the last day processed as the new LastAAPDate. Stop ends it
// without recording a date. Any failure is logged as "<Timer3Timer>" and ends
// the run as it stands.
void AutoProcess(AgentContext& ctx);

// The handler of the one-shot auto-process timer: the run, unless another
// batch runs; then the run is deferred and fired again when that batch ends.
void AutoProcessTick(AgentContext& ctx, BatchControl& control);

}  // namespace kx
