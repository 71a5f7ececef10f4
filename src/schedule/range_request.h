#pragma once
#include <chrono>
#include <string>
#include <string_view>

#include "core/agent_context.h"

namespace kx {

// A stored "TRP" request, split by character positions: 4 the data-source
// letter, 5-12 the first date, 13-20 the last date (yyyymmdd), 21 to the end
// the select that returns the staff rows. Shorter texts give empty parts.
struct RangeRequest {
    std::string dataSource;
    std::string firstDate;
    std::string lastDate;
    std::string staffSql;
};

RangeRequest SplitRangeRequest(std::string_view trpRequest);

// The days a range run walks: `count` days from `first` on (0 when the first
// date is after the last).
struct RangeDays {
    std::chrono::local_days first;
    long long count = 0;
};

// Decodes the request's dates (std::invalid_argument when one is not a
// calendar date). A last date still to come is replaced by the current date
// and time (logged "Reprocess - set dt2 dd/mm/yyyy to current date."), so the
// range ends today; both dates count inclusively.
RangeDays PlanRangeDays(AgentContext& ctx, const RangeRequest& request);

// "dd/mm/yyyy".
std::string DayMonthYearText(std::chrono::year_month_day date);

}  // namespace kx
