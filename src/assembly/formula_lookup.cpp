#include "assembly/formula_lookup.h"

#include <exception>

#include "db/query_access.h"
#include "db/sql_quote.h"

namespace kx {

std::string GetFormula(AgentContext& ctx, const std::string& tag) {
    std::string formula;
    try {
        db::Query& query = db::ContextDatabase(ctx).Common3Query;
        db::OpenQuery(query, "select * from kt_formu where tag_name='" + db::SqlQuote(tag) + "'");
        if (!query.Eof()) formula = query.FieldByName("f_formula");
        query.Close();
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<GetFormula>") + e.what());
        if (ctx.db) ctx.db->Common3Query.Close();
    }
    return formula;
}

}  // namespace kx
