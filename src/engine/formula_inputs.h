#pragma once
#include <cstdint>
#include <string>

namespace kx {

// What a formula can refer to: the clock times of the staff-day as minute
// stamps (0 when the clocking is missing) and the three day flags. The day
// computation clears these at the start of every staff-day and loads them
// before each evaluation.
struct FormulaInputs {
    std::int32_t WKI = 0;      // work-in
    std::int32_t WKO = 0;      // work-out
    std::int32_t OTI = 0;      // overtime-in
    std::int32_t OTO = 0;      // overtime-out
    std::int32_t MLI = 0;      // return from meal (simple formulas only)
    std::int32_t MLO = 0;      // start of meal (simple formulas only)
    bool WorkHalfDay = false;  // short office day or half-day leave
    bool WKIOTO = false;       // work-in and overtime-out clocked, work-out or overtime-in missing
    bool WKIWKO = false;       // work-in and work-out clocked, no overtime-out
};

struct FormulaResult {
    std::string value = "0";  // "0" or the decimal text of a positive whole number of minutes
    std::string error;        // why the value is "0"; empty when the formula evaluated
};

}  // namespace kx
