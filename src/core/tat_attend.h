#pragma once
#include <array>
#include <string>

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
    std::string In = "    ";
    std::string Out = "    ";
    std::string B1In = "    ";
    std::string B1Out = "    ";
    std::string In_Meal = "    ";
    std::string Out_Meal = "    ";
    std::string B2In = "    ";
    std::string B2Out = "    ";
    std::string Late = "N";
    std::string Early = "N";
    std::string EarlyMin = "0";
    std::string LateMin = "0";
    std::string TotalWork = "0";
    std::string MealEarlyMin = "0";
    std::string MealLateMin = "0";
    std::string OT_In = "    ";
    std::string OT_Out = "    ";
    std::string OT_min = "0";
    std::string PreOT = "0";
    std::string EarlyOT_In = "    ";
    std::string EarlyOT_Out = "    ";
    std::array<std::string, 4> LeaveDesc;
};

// Resets the record for a new staff-day.
inline void ResetAttend(TAT_Attend& a, std::string staffNo, std::string atDate)
{
    a = TAT_Attend{};
    a.StaffNo = std::move(staffNo);
    a.AtDate = std::move(atDate);
}

}  // namespace kx
