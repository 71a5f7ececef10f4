#include "engine/row_replacement.h"

namespace kx {

bool ReplaceRow(const Log& log, db::Database& db, db::Query& deleteQuery, std::string deleteSql, db::Query& insertQuery,
                std::string insertSql, const std::function<void()>& deleted) {
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

void ReplaceRowWithoutWaiting(const Log& log, db::Database& db, db::Query& query, std::string deleteSql,
                              std::string insertSql, std::function<void(const std::string&)> unitFailed) {
    query.SetSQL(insertSql);
    db.RunUnit({std::move(deleteSql), std::move(insertSql)},
               [log, unitFailed = std::move(unitFailed)](const db::UnitOutcome& outcome) {
                   if (outcome.failed >= 0)
                       log.WriteLog("<RunSQL>" + outcome.error);
                   else if (outcome.failed == db::UnitOutcome::kUnitFailed && unitFailed)
                       unitFailed(outcome.error);
               });
}

}  // namespace kx
