#include "kx-db/demo_generator.h"

#include "kx-db/demo_days.h"
#include "kx-db/demo_site.h"
#include "kx-db/demo_staff.h"

namespace kx::dbtool {

DemoSummary FillDemo(db::Database& db, const DemoOptions& options) {
    DemoTables tables(db);
    const DemoSite site(options);
    site.Write(tables);
    std::vector<DemoStaff> staff = MakeStaff(options, site);
    WriteStaff(staff, options, tables);
    // Day by day, as the controllers would have reported them.
    for (int day = 0; day < options.days; ++day)
        for (DemoStaff& member : staff) WriteStaffDay(site, options, member, day, tables);
    tables.FlushAll();
    return {tables.Counts(), tables.checksum.Value()};
}

}  // namespace kx::dbtool
