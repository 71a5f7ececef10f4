#include "engine/row_replacement.h"

#include "db/run_sql.h"

namespace kx {

bool ReplaceRow(const Log& log, db::Database& db, db::Query& deleteQuery, std::string deleteSql,
                db::Query& insertQuery, const std::function<std::string()>& makeInsert)
{
    db::Database::Unit unit(db);
    // Without the delete the insert would only duplicate or collide with the old row.
    if (!db::ExecuteSQL(log, deleteQuery, std::move(deleteSql))) return false;
    if (!db::ExecuteSQL(log, insertQuery, makeInsert())) return false;
    unit.Commit();
    return true;
}

}  // namespace kx
