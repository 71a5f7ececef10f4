#pragma once
#include <functional>
#include <string>

#include "core/log.h"
#include "db/database.h"

namespace kx {

// Replaces a row: the delete, then the insert that makeInsert builds once the
// delete has run, as one unit of work. When either statement fails (logged as
// RunSQL logs it) the unit is rolled back and the old row stays. Answers whether the new
// row was stored; a failure of the unit itself throws DbError.
bool ReplaceRow(const Log& log, db::Database& db, db::Query& deleteQuery, std::string deleteSql,
                db::Query& insertQuery, const std::function<std::string()>& makeInsert);

}  // namespace kx
