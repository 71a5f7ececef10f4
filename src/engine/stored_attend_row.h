#pragma once
#include <string>
#include <utility>
#include <vector>

#include "db/database.h"

namespace kx {

// The kt_attnd row of one staff-day as it is stored, every column as text in
// the table's order; not found when the staff-day has no row.
struct StoredAttendRow {
    bool found = false;
    std::vector<std::pair<std::string, std::string>> fields;  // column (lower case), value

    // The value of a column, "" when the row or the column is missing.
    std::string Value(const std::string& column) const;
};

// Reads it without touching the named query objects, so it may run between the
// steps of a staff-day. Throws DbError.
StoredAttendRow ReadStoredAttendRow(db::Database& db, const std::string& staff, const std::string& date);

// One column whose value differs between two rows of the same staff-day.
struct AttendFieldChange {
    std::string column;
    std::string before;
    std::string after;
};

// The columns that differ, in the table's order. A row that appears or goes
// counts every column of the one that exists; two missing rows have none.
std::vector<AttendFieldChange> ChangedAttendFields(const StoredAttendRow& before, const StoredAttendRow& after);

}  // namespace kx
