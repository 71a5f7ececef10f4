#pragma once
#include <string>

#include "core/agent_context.h"
#include "core/tat_emp.h"
#include "engine/filo_windows.h"

namespace kx::filo {

struct PeriodInOutStamps {
    std::string tIn;      // first clocking into the period, or D+1 + 4 blanks
    std::string tOut;     // last clocking out of the period, or D + 4 blanks
    bool edited = false;  // an edited clocking was chosen
};

// Picks the first in and the last out of the clockings of `emp` within the
// windows, by in/out letter and job code, or by window alone while in/out
// codes are ignored. One swipe is never both the first in and the last out.
PeriodInOutStamps SelectFirstInLastOut(const AgentContext& ctx, const TAT_Emp& emp, const PeriodWindows& windows,
                                       char kind);

}  // namespace kx::filo
