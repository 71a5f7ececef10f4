#include "engine/row_replacement.h"

#include <exception>

namespace kx {

bool ExecuteStatement(const Log& log, db::Query& query, std::string sql)
{
    try {
        query.Close();
        query.SetSQL(std::move(sql));
        query.ExecSQL();
        return true;
    } catch (const std::exception& e) {
        log.WriteLog("<RunSQL>" + std::string(e.what()));
    } catch (...) {
        log.WriteLog("<RunSQL>unknown failure");
    }
    return false;
}

bool ReplaceRow(const Log& log, db::Database& db, db::Query& deleteQuery, std::string deleteSql,
                db::Query& insertQuery, const std::function<std::string()>& makeInsert)
{
    db::Database::Unit unit(db);
    // Without the delete the insert would only duplicate or collide with the old row.
    if (!ExecuteStatement(log, deleteQuery, std::move(deleteSql))) return false;
    if (!ExecuteStatement(log, insertQuery, makeInsert())) return false;
    unit.Commit();
    return true;
}

}  // namespace kx
