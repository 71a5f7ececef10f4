#pragma once
#include <fstream>
#include <string>
#include <vector>

#include "core/agent_context.h"
#include "engine/day_computation.h"
#include "support/test_db.h"

// Working records and a context for the working-hour, overtime and day
// computation tests.
namespace kx::test::workday {

inline constexpr const char* kD = "20261209";   // a Wednesday
inline constexpr const char* kD1 = "20261210";  // the next day

inline std::string At(const char* time) { return std::string(kD) + time; }
inline std::string NextAt(const char* time) { return std::string(kD1) + time; }

inline TCD_Source Swipe(const char* time, const char* inOut, const char* jobCode = "000", const char* date = kD,
                        const char* edited = "")
{
    return TCD_Source{date, time, jobCode, inOut, edited};
}

// Shift 0800-1700 with 30-minute windows, meal 1200-1300, overtime 1800-2000;
// work "000", overtime "001", meal "002"; overtime mode "A" with offset,
// minimum and rounding 30; no breaks in the pattern; entitled to overtime.
inline TAT_Emp Shift0800To1700()
{
    TAT_Emp e;
    e.StaffNo = "000777";
    e.AtDate = kD;
    e.ProcessMode = "T";
    e.HalfDayLeave = "N";
    e.In_lower = "0730", e.SysIn = "0800", e.In_upper = "0830";
    e.Out_lower = "1630", e.SysOut = "1700", e.Out_upper = "1730";
    e.LunchOut_lower = "1130", e.LunchOut = "1200", e.LunchOut_upper = "1230";
    e.LunchIn_lower = "1230", e.LunchIn = "1300", e.LunchIn_upper = "1330";
    e.OTIn_lower = "1730", e.OTIn = "1800", e.OTIn_upper = "1830";
    e.OTOut_lower = "1930", e.OTOut = "2000", e.OTOut_upper = "2030";
    e.SysInGrace = "0";
    e.SysOutGrace = "0";
    e.WorkJobCode = "000";
    e.MealJobCode = "002";
    e.B1JobCode = "003";
    e.B2JobCode = "004";
    e.OTEntry = TOTEntry{"A", "30", "001", "30", "30", ""};
    e.WorkRangeOffset = "04800480";
    e.BreakSelect = "________";
    return e;
}

// The scheduled stamps the day computation keeps for the steps.
inline DayComputation ScheduleOf(const TAT_Emp& e)
{
    DayComputation day;
    day.scheduledIn = e.AtDate + e.SysIn;
    day.scheduledOut = (e.SysOut < e.SysIn ? std::string(kD1) : e.AtDate) + e.SysOut;
    return day;
}

// A context with every detail line on, the shift above and a fresh result.
class WorkDay {
public:
    WorkDay() : ctx(home.path(), clock)
    {
        ctx.settings.options.ATA_Details = 999;
        ctx.log.SetDetailThreshold(999);
        ResetAttend(attend, emp.StaffNo, emp.AtDate);
    }

    // Re-reads the scheduled stamps after a test changed the shift.
    DayComputation& Day()
    {
        day = ScheduleOf(emp);
        return day;
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
    FakeClock clock{MakeLocalTime(2026, 12, 9, 23, 0, 0)};
    AgentContext ctx;
    TAT_Emp emp = Shift0800To1700();
    TAT_Attend attend;
    DayComputation day;
};

}  // namespace kx::test::workday
