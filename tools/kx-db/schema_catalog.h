#pragma once
#include <string>
#include <vector>

#include "db/database.h"

namespace kx::dbtool {

struct TableColumns {
    std::string table;                 // lower case
    std::vector<std::string> columns;  // lower case, in column order
};

// The tables of the database (PostgreSQL: of the current schema), sorted by
// name, each with its columns in order; read from the database's own catalog.
std::vector<TableColumns> ReadTableColumns(db::Database& db);

}  // namespace kx::dbtool
