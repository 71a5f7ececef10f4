#pragma once
#include <cstdint>
#include <vector>

#include "db/database.h"
#include "kx-db/demo_options.h"
#include "kx-db/demo_tables.h"

namespace kx::dbtool {

struct DemoSummary {
    std::vector<TableCount> counts;  // every suite table, in schema order
    std::uint64_t checksum = 0;      // over every value written, in order
};

// Fills the empty suite tables of db with a generated site. The caller holds the
// transaction; the same options always give the same rows.
DemoSummary FillDemo(db::Database& db, const DemoOptions& options);

}  // namespace kx::dbtool
