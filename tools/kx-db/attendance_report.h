#pragma once
#include <ostream>
#include <string>

#include "db/database.h"

namespace kx::dbtool {

struct ReportOptions {
    std::string from;   // yyyymmdd, inclusive
    std::string to;     // yyyymmdd, inclusive
    std::string staff;  // the staff member whose days are listed; empty: the first one with clockings
};

// A readable summary of the attendance rows of a date range, and one staff
// member's days as a small table.
void PrintAttendanceReport(db::Database& db, const ReportOptions& options, std::ostream& out);

}  // namespace kx::dbtool
