#include "schedule/range_request.h"

#include <algorithm>
#include <cstdio>

#include "assembly/clock_date_window.h"
#include "core/text.h"

namespace kx {

RangeRequest SplitRangeRequest(std::string_view trpRequest) {
    return RangeRequest{Mid(trpRequest, 4, 1), Mid(trpRequest, 5, 8), Mid(trpRequest, 13, 8),
                        Mid(trpRequest, 21, std::string_view::npos)};
}

RangeDays PlanRangeDays(AgentContext& ctx, const RangeRequest& request) {
    using namespace std::chrono;
    const local_days first{DecodeDateText(request.firstDate)};
    const year_month_day lastDate = DecodeDateText(request.lastDate);

    LocalTime last = local_days{lastDate};
    const LocalTime now = ctx.clock.Now();
    if (now < last) {
        ctx.log.WriteDetail(kDetailImportant,
                            "Reprocess - set dt2 " + DayMonthYearText(lastDate) + " to current date.");
        last = now;
    }
    // Whole days of (last - first + 1), the fraction of a current time dropped.
    const long long count = duration_cast<days>(last - LocalTime{first} + days{1}).count();
    return RangeDays{first, std::max(0LL, count)};
}

std::string DayMonthYearText(std::chrono::year_month_day date) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02u/%02u/%04d", static_cast<unsigned>(date.day()),
                  static_cast<unsigned>(date.month()), static_cast<int>(date.year()));
    return buf;
}

}  // namespace kx
