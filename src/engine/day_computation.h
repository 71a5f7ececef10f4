#pragma once
#include <string>

#include "engine/formula_inputs.h"

namespace kx {

// State the day computation keeps while one staff-day is computed: the formula
// inputs, the edited mark and the scheduled stamps. ProAttd creates it fresh
// for every staff-day and hands it to each step.
struct DayComputation {
    FormulaInputs inputs;
    bool editedMark = false;
    std::string scheduledIn;   // D + SysIn, "yyyymmddhhmm"
    std::string scheduledOut;  // D + SysOut, or D+1 + SysOut when SysOut is earlier than SysIn
};

// A 12-character stamp "yyyymmddhhmm".
using Stamp = std::string;

}  // namespace kx
