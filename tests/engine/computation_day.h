#pragma once
// What the day-computation fixtures share: a clocking, the part of a shift
// they agree on, and a context around one working record and its result.
#include <string>
#include <utility>
#include <vector>

#include "core/agent_context.h"
#include "core/clock.h"
#include "engine/day_computation.h"
#include "support/log_texts.h"
#include "support/test_db.h"

namespace kx::test {

inline TCD_Source Clocking(const char* date, const char* time, const char* inOut, const char* jobCode,
                           const char* edited = "") {
    return TCD_Source{date, time, jobCode, inOut, edited};
}

// In at 0800 and meal 1200-1300, each with a 30-minute window; a full day, no
// grace; work "000", meal "002", break 1 "003", break 2 "004"; work-range
// offsets 480 and 480.
inline TAT_Emp CommonShift(const char* staffNo, const char* day) {
    TAT_Emp e;
    e.StaffNo = staffNo;
    e.AtDate = day;
    e.HalfDayLeave = "N";
    e.In_lower = "0730", e.SysIn = "0800", e.In_upper = "0830";
    e.LunchOut_lower = "1130", e.LunchOut = "1200", e.LunchOut_upper = "1230";
    e.LunchIn_lower = "1230", e.LunchIn = "1300", e.LunchIn_upper = "1330";
    e.SysInGrace = "0";
    e.SysOutGrace = "0";
    e.WorkJobCode = "000";
    e.MealJobCode = "002";
    e.B1JobCode = "003";
    e.B2JobCode = "004";
    e.WorkRangeOffset = "04800480";
    return e;
}

// A context with every detail line on, the shift given and a fresh result.
class ComputationDay {
public:
    ComputationDay(LocalTime now, TAT_Emp shift) : clock(now), ctx(home.path(), clock), emp(std::move(shift)) {
        ctx.settings.options.ATA_Details = 999;
        ctx.log.SetDetailThreshold(999);
        ResetAttend(attend, emp.StaffNo, emp.AtDate);
    }

    // The main-log texts without their time stamps.
    std::vector<std::string> Lines() const { return LogTexts(ctx.log.MainLogPath()); }
    bool Logged(const std::string& text) const { return HasText(Lines(), text); }

    TempHome home;
    FakeClock clock;
    AgentContext ctx;
    TAT_Emp emp;
    TAT_Attend attend;
    DayComputation day;
};

}  // namespace kx::test
