#pragma once
#include "kx-db/demo_options.h"
#include "kx-db/demo_site.h"
#include "kx-db/demo_staff.h"
#include "kx-db/demo_tables.h"

namespace kx::dbtool {

// Writes what one staff member leaves behind on one date of the range: the
// schedule and leave rows, the door and time-clock transactions with the noise
// of a real site (late, early, overtime, forgotten swipes, double swipes, night
// shifts ending the next morning), edits of forgotten clock-outs and time off.
void WriteStaffDay(const DemoSite& site, const DemoOptions& options, DemoStaff& staff, int dayIndex,
                   DemoTables& tables);

}  // namespace kx::dbtool
