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
bool ReplaceRow(const Log& log, db::Database& db, db::Query& deleteQuery, std::string deleteSql, db::Query& insertQuery,
                std::string insertSql, const std::function<void()>& deleted = {});

// The same replacement, with the delete and the insert built up front, for a
// batch's staff-days: on a server the unit may go out without waiting, its
// outcome read with the next statement. A failing statement is logged as RunSQL
// logs it, whenever its outcome is read; a failure of the unit itself goes to
// `unitFailed` (with the error text), or is thrown as DbError when known at once.
void ReplaceRowWithoutWaiting(const Log& log, db::Database& db, db::Query& query, std::string deleteSql,
                              std::string insertSql, std::function<void(const std::string&)> unitFailed);

}  // namespace kx
