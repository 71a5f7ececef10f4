#pragma once
#include <array>
#include <string>

#include "core/blank_times.h"

namespace kx {

// The attendance result of one staff-day. Every field is text; the defaults
// here are the reset values of a new staff-day (StaffNo and AtDate are set by
// the reset itself).
struct TAT_Attend {
    std::string StaffNo;
    std::string AtDate;
    std::string Inc = "N";
    std::string Leave = "****";  // "****": no leave
    std::string Holiday = "N";
    std::string Off = "N";
    std::string Punctual = "N";
    std::string Absent = "Y";
    std::string Edited = "N";
    std::string In = kBlankTime;
    std::string Out = kBlankTime;
    std::string B1In = kBlankTime;
    std::string B1Out = kBlankTime;
    std::string In_Meal = kBlankTime;
    std::string Out_Meal = kBlankTime;
    std::string B2In = kBlankTime;
    std::string B2Out = kBlankTime;
    std::string Late = "N";
    std::string Early = "N";
    std::string EarlyMin = "0";
    std::string LateMin = "0";
    std::string TotalWork = "0";
    std::string MealEarlyMin = "0";
    std::string MealLateMin = "0";
    std::string OT_In = kBlankTime;
    std::string OT_Out = kBlankTime;
    std::string OT_min = "0";
    std::string PreOT = "0";
    std::string EarlyOT_In = kBlankTime;
    std::string EarlyOT_Out = kBlankTime;
    std::array<std::string, 4> LeaveDesc;
};

// Resets the record for a new staff-day.
inline void ResetAttend(TAT_Attend& a, std::string staffNo, std::string atDate) {
    a = TAT_Attend{};
    a.StaffNo = std::move(staffNo);
    a.AtDate = std::move(atDate);
}

}  // namespace kx
