#pragma once
#include <string>

#include "computation_day.h"

// Working records and a context for the working-hour, overtime and day
// computation tests.
namespace kx::test::workday {

inline constexpr const char* kD = "20261209";   // a Wednesday
inline constexpr const char* kD1 = "20261210";  // the next day

inline std::string At(const char* time) { return std::string(kD) + time; }
inline std::string NextAt(const char* time) { return std::string(kD1) + time; }

inline TCD_Source Swipe(const char* time, const char* inOut, const char* jobCode = "000", const char* date = kD,
                        const char* edited = "") {
    return Clocking(date, time, inOut, jobCode, edited);
}

// Shift 0800-1700 with 30-minute windows, meal 1200-1300, overtime 1800-2000;
// work "000", overtime "001", meal "002"; overtime mode "A" with offset,
// minimum and rounding 30; no breaks in the pattern; entitled to overtime.
inline TAT_Emp Shift0800To1700() {
    TAT_Emp e = CommonShift("000777", kD);
    e.ProcessMode = "T";
    e.Out_lower = "1630", e.SysOut = "1700", e.Out_upper = "1730";
    e.OTIn_lower = "1730", e.OTIn = "1800", e.OTIn_upper = "1830";
    e.OTOut_lower = "1930", e.OTOut = "2000", e.OTOut_upper = "2030";
    e.OTEntry = TOTEntry{"A", "30", "001", "30", "30", ""};
    e.BreakSelect = "________";
    return e;
}

// The scheduled stamps the day computation keeps for the steps.
inline DayComputation ScheduleOf(const TAT_Emp& e) {
    DayComputation day;
    day.scheduledIn = e.AtDate + e.SysIn;
    day.scheduledOut = (e.SysOut < e.SysIn ? std::string(kD1) : e.AtDate) + e.SysOut;
    return day;
}

// A context with every detail line on, the shift above and a fresh result.
class WorkDay : public ComputationDay {
public:
    WorkDay() : ComputationDay(MakeLocalTime(2026, 12, 9, 23, 0, 0), Shift0800To1700()) {}

    // Re-reads the scheduled stamps after a test changed the shift.
    DayComputation& Day() {
        day = ScheduleOf(emp);
        return day;
    }
};

}  // namespace kx::test::workday
