#pragma once
#include <string>

#include "core/agent_context.h"

namespace kx {

// The first-in and last-out ranges, on the extended clock, that select a shift.
struct ShiftInOutRange {
    std::string InLow;
    std::string InUp;
    std::string OutLow;
    std::string OutUp;
};

// Ranges of one shift from its kt_shift row: the stored work windows with
// [Options] ShiftDataWindow on, otherwise sys_in and sys_out widened by 120
// minutes before and 360 after. Without a row, or on a failure (logged as
// "<GetShiftInOutRange>"), range keeps what it held.
void GetShiftInOutRange(AgentContext& ctx, const std::string& shiftTag, ShiftInOutRange& range);

// Loads ctx.afRecList from kt_afchi: rows of one AFC_Tag form a pattern of at
// most 3 shifts, at most 100 patterns. A shift without a kt_shift row takes the
// ranges of the row before it. Failures are logged as "<GetAutoFitPattern>"
// and the patterns loaded so far are kept; so are rows beyond the list's
// capacity, each ignored with such a line.
void GetAutoFitPattern(AgentContext& ctx);

}  // namespace kx
