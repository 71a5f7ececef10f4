#include "engine/get_desc.h"

#include <exception>

#include "db/database.h"
#include "db/query_access.h"
#include "db/run_sql.h"

namespace kx {

void GetDesc(AgentContext& ctx, const std::string& sql, std::string& out) {
    out.clear();
    try {
        db::Query& query = db::ContextDatabase(ctx).Common2Query;
        if (db::RunSQL(ctx.log, query, sql, true)) out = query.Field(0);
    } catch (const std::exception& e) {
        out.clear();
        ctx.log.WriteLog("<GetDesc>" + std::string(e.what()));
    }
}

}  // namespace kx
