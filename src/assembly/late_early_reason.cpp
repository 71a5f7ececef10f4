#include "assembly/late_early_reason.h"

#include <exception>

#include "db/query_access.h"
#include "db/sql_quote.h"

namespace kx {

using db::SqlQuote;

void InsertLateEarly(AgentContext& ctx, const std::string& staff, const std::string& date, const std::string& in,
                     const std::string& out) {
    try {
        db::Query& query = db::ContextDatabase(ctx).Common2Query;
        db::OpenQuery(query, "select * from kt_lerea where staff_number='" + SqlQuote(staff) + "'" +
                                 " and le_date=" + "'" + SqlQuote(date) + "'");
        const bool exists = query.RecordCount() > 0;
        query.Close();
        if (exists) return;

        std::string sql = "insert into kt_lerea values ('" + SqlQuote(staff) + "'";
        for (const std::string& value : {date, in, out, std::string(), std::string(), std::string()})
            sql += "," + std::string("'") + SqlQuote(value) + "'";
        sql += ")";
        query.SetSQL(std::move(sql));
        query.ExecSQL();
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<InsertLateEarly>:") + e.what());
        if (ctx.db) ctx.db->Common2Query.Close();
    }
}

}  // namespace kx
