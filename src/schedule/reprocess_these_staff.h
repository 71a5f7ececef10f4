#pragma once
#include <string>

#include "core/agent_context.h"
#include "core/clock.h"

namespace kx {

// The time window of the new-clockings select, "hhmmss" at each end, on one date.
struct ClockingWindow {
    std::string from;
    std::string to;
    bool operator==(const ClockingWindow&) const = default;
};

// From `since` to `now`, both to the minute with seconds "00". A window that
// would cross midnight starts at "000000" of now's date.
ClockingWindow ClockingWindowSince(LocalTime since, LocalTime now);

// The staff select of a run: every staff member (all), or those with clock
// transactions on `date` (yyyymmdd) inside the window, matched by staff number
// or by card number.
std::string StaffSelect(bool all, const std::string& date, const ClockingWindow& window, bool basedOnStaffNumber);

// Reprocesses every staff member (all) or the staff members who clocked on the
// date in the last ReprocessIntervalMin minutes, for the date of `date`.
// Catches nothing: the caller's tick logs what escapes.
void ReprocessTheseStaff(AgentContext& ctx, bool all, LocalTime date);

// The same with an explicit window for the new-clockings select (a run that was
// deferred covers the time since it first fell due).
void ReprocessTheseStaff(AgentContext& ctx, bool all, LocalTime date, const ClockingWindow& window);

}  // namespace kx
