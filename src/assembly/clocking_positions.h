#pragma once
#include <string>
#include <vector>

#include "core/tat_attend.h"
#include "core/tat_emp.h"

namespace kx {

// The day's clockings read by time alone, without the job-code and window
// rules of the day computation.

struct DayInOutTimes {
    std::string firstIn;  // hhmm, or 4 spaces
    std::string lastOut;  // hhmm, or 4 spaces
};

// What auto-fit chooses a shift by: the earliest "I" and the latest "O"
// clocking on date itself (4 spaces for either when there is none).
DayInOutTimes FirstInLastOutOfDay(const std::vector<TCD_Source>& rawData, const std::string& date);

// The positional layout of department reports: the clockings that belong to
// the day (on date at or after cutOffTime, or on another date at or before
// it) in time order become In, B1Out, B1In, Out_Meal, In_Meal, B2Out, B2In and
// Out; positions beyond the last clocking get 4 spaces.
void LayOutClockingsByPosition(const std::vector<TCD_Source>& rawData, const std::string& date,
                               const std::string& cutOffTime, TAT_Attend& attend);

}  // namespace kx
