#include "engine/get_desc.h"

#include <exception>

#include "db/database.h"
#include "db/run_sql.h"

namespace kx {

void GetDesc(AgentContext& ctx, const std::string& sql, std::string& out)
{
    out.clear();
    try {
        if (!ctx.db) throw db::DbError("database is not open");
        db::Query& query = ctx.db->Common2Query;
        if (db::RunSQL(ctx.log, query, sql, true)) out = query.Field(0);
    } catch (const std::exception& e) {
        out.clear();
        ctx.log.WriteLog("<GetDesc>" + std::string(e.what()));
    }
}

}  // namespace kx
