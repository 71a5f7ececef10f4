#pragma once
#include <functional>
#include <string>

#include "core/log.h"
#include "db/database.h"

namespace kx {

// Executes a statement on the query object as RunSQL does, logging a failure as
// "<RunSQL>" + error text, but tells whether it ran.
bool ExecuteStatement(const Log& log, db::Query& query, std::string sql);

// Replaces a row: the delete, then the insert that makeInsert builds once the
// delete has run, as one unit of work. When either statement fails (logged as
// above) the unit is rolled back and the old row stays. Answers whether the new
// row was stored; a failure of the unit itself throws DbError.
bool ReplaceRow(const Log& log, db::Database& db, db::Query& deleteQuery, std::string deleteSql,
                db::Query& insertQuery, const std::function<std::string()>& makeInsert);

}  // namespace kx
