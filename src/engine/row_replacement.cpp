#include "engine/row_replacement.h"


namespace kx {

bool ReplaceRow(const Log& log, db::Database& db, db::Query& deleteQuery, std::string deleteSql,
                db::Query& insertQuery, std::string insertSql, const std::function<void()>& deleted)
{
    deleteQuery.SetSQL(deleteSql);
    // Without the delete the insert would only duplicate or collide with the old row:
    // a failing delete keeps the insert from running.
    const db::UnitOutcome outcome = db.RunUnit({std::move(deleteSql), insertSql});
    if (outcome.failed != 0) {
        insertQuery.SetSQL(std::move(insertSql));
        if (deleted) deleted();
    }
    if (outcome.failed < 0) return true;
    log.WriteLog("<RunSQL>" + outcome.error);
    return false;
}

}  // namespace kx
