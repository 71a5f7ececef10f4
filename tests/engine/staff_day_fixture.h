#pragma once
#include "computation_day.h"

namespace kx::test {

// The staff-day of the computation tests and its neighbours.
inline constexpr const char* kPrevDay = "20260309";
inline constexpr const char* kDay = "20260310";
inline constexpr const char* kNextDay = "20260311";

// Day shift 0800-1730, meal 1200-1300, break 1 1000-1015, break 2 1515-1530,
// overtime 1800-2000, each with its window; work "000", overtime "001",
// meal "002", break 1 "003", break 2 "004"; work-range offsets 480 and 480.
inline TAT_Emp DayShift() {
    TAT_Emp e = CommonShift("000123", kDay);
    e.Out_lower = "1700", e.SysOut = "1730", e.Out_upper = "1900";
    e.Break1Out_lower = "0945", e.Break1Out = "1000", e.Break1Out_upper = "1015";
    e.Break1In_lower = "1000", e.Break1In = "1015", e.Break1In_upper = "1030";
    e.Break2Out_lower = "1500", e.Break2Out = "1515", e.Break2Out_upper = "1530";
    e.Break2In_lower = "1515", e.Break2In = "1530", e.Break2In_upper = "1545";
    e.OTIn_lower = "1745", e.OTIn = "1800", e.OTIn_upper = "1815";
    e.OTOut_lower = "1900", e.OTOut = "2000", e.OTOut_upper = "2200";
    e.OTEntry.OTMode = "A";
    e.OTEntry.OTJobcode = "001";
    return e;
}

// A context with every log line on, the day shift and a fresh result record.
class StaffDay : public ComputationDay {
public:
    StaffDay() : ComputationDay(MakeLocalTime(2026, 3, 11, 9, 0, 0), DayShift()) {}
};

}  // namespace kx::test
