#pragma once
#include <functional>
#include <string>

#include "core/log.h"
#include "db/database.h"

namespace kx {

// Replaces a row: the delete, then the insert, as one unit of work (on a server,
// in one exchange). `deleted` runs once the delete has run, before the insert's
// outcome is told: callers trace the insert there. When either statement fails
// (logged as RunSQL logs it) the unit is rolled back and the old row stays.
// Answers whether the new row was stored; a failure of the unit itself throws DbError.
bool ReplaceRow(const Log& log, db::Database& db, db::Query& deleteQuery, std::string deleteSql,
                db::Query& insertQuery, std::string insertSql, const std::function<void()>& deleted = {});

}  // namespace kx
