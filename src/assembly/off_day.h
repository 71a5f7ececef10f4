#pragma once
#include <chrono>
#include <string>

#include "core/agent_context.h"

namespace kx {

// Whether the date's weekday number (1 = Sunday ... 7 = Saturday) is in the
// off-day list loaded from kt_sys. Sets ctx.sundayOffDay when it is and the
// day is a Sunday, clears it otherwise. An undecodable date is logged as
// "<IsOffDay>" and answers false.
bool IsOffDay(AgentContext& ctx, const std::string& date);

// The first or the third Saturday of the date's month.
bool IsAlternateSaturday(std::chrono::year_month_day date);

// The monthly off-day rule of [Options] SetOffDayTO = n (1 = Monday ... 6 =
// Saturday): counting from w0, the day of weekday n + 1 in the week of the 1st
// (possibly in the month before), the date is w0, w0 + 7, + 14 or + 21, or
// w0 + 28 when that is a Saturday. Never for n = 0.
bool IsSetOffDay(std::chrono::year_month_day date, int n);

}  // namespace kx
