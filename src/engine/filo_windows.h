#pragma once
#include <string>
#include <string_view>

#include "core/agent_context.h"
#include "core/tat_emp.h"

namespace kx::filo {

// Stamps from `lower` to `upper`, both included, compared as text. Bounds that
// could not be built are empty and the window holds nothing.
struct Window {
    std::string lower;
    std::string upper;
    bool Contains(std::string_view stamp) const { return lower <= stamp && stamp <= upper; }
};

// Where a period's first in and last out are looked for, and the job code its
// coded clockings must carry.
struct PeriodWindows {
    Window in;
    Window out;
    std::string jobCode;
};

// The windows of one period kind ("1", "2", "L", "V", "O", "T", "E") for the
// staff-day of `emp`. Writes the window trace lines of the work and overtime
// kinds. Throws StampError on a work-range offset that is no number.
PeriodWindows BuildWindows(const AgentContext& ctx, const TAT_Emp& emp, char kind);

}  // namespace kx::filo
