#pragma once
#include <fstream>
#include <string>
#include <vector>

#include "core/agent_context.h"
#include "engine/day_computation.h"
#include "support/test_db.h"

namespace kx::test {

// The staff-day of the computation tests and its neighbours.
inline constexpr const char* kPrevDay = "20260309";
inline constexpr const char* kDay = "20260310";
inline constexpr const char* kNextDay = "20260311";

inline TCD_Source Clocking(const char* date, const char* time, const char* inOut, const char* jobCode,
                           const char* edited = "")
{
    return TCD_Source{date, time, jobCode, inOut, edited};
}

// Day shift 0800-1730, meal 1200-1300, break 1 1000-1015, break 2 1515-1530,
// overtime 1800-2000, each with its window; work "000", overtime "001",
// meal "002", break 1 "003", break 2 "004"; work-range offsets 480 and 480.
inline TAT_Emp DayShift()
{
    TAT_Emp e;
    e.StaffNo = "000123";
    e.AtDate = kDay;
    e.HalfDayLeave = "N";
    e.In_lower = "0730", e.SysIn = "0800", e.In_upper = "0830";
    e.Out_lower = "1700", e.SysOut = "1730", e.Out_upper = "1900";
    e.LunchOut_lower = "1130", e.LunchOut = "1200", e.LunchOut_upper = "1230";
    e.LunchIn_lower = "1230", e.LunchIn = "1300", e.LunchIn_upper = "1330";
    e.Break1Out_lower = "0945", e.Break1Out = "1000", e.Break1Out_upper = "1015";
    e.Break1In_lower = "1000", e.Break1In = "1015", e.Break1In_upper = "1030";
    e.Break2Out_lower = "1500", e.Break2Out = "1515", e.Break2Out_upper = "1530";
    e.Break2In_lower = "1515", e.Break2In = "1530", e.Break2In_upper = "1545";
    e.OTIn_lower = "1745", e.OTIn = "1800", e.OTIn_upper = "1815";
    e.OTOut_lower = "1900", e.OTOut = "2000", e.OTOut_upper = "2200";
    e.SysInGrace = "0";
    e.SysOutGrace = "0";
    e.WorkJobCode = "000";
    e.MealJobCode = "002";
    e.B1JobCode = "003";
    e.B2JobCode = "004";
    e.OTEntry.OTMode = "A";
    e.OTEntry.OTJobcode = "001";
    e.WorkRangeOffset = "04800480";
    return e;
}

// A context with every log line on, the day shift and a fresh result record.
class StaffDay {
public:
    StaffDay() : ctx(home.path(), clock)
    {
        ctx.settings.options.ATA_Details = 999;
        ctx.log.SetDetailThreshold(999);
        ResetAttend(attend, emp.StaffNo, emp.AtDate);
    }

    // The main-log texts without their time stamps.
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::ifstream in(ctx.log.MainLogPath());
        for (std::string line; std::getline(in, line);) lines.push_back(line.size() >= 20 ? line.substr(20) : line);
        return lines;
    }
    bool Logged(const std::string& text) const
    {
        for (const std::string& line : Lines())
            if (line == text) return true;
        return false;
    }

    TempHome home;
    FakeClock clock{MakeLocalTime(2026, 3, 11, 9, 0, 0)};
    AgentContext ctx;
    TAT_Emp emp = DayShift();
    TAT_Attend attend;
    DayComputation day;
};

}  // namespace kx::test
