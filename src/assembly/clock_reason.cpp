#include <exception>

#include "assembly/raw_data.h"
#include "assembly/raw_data_sql.h"
#include "core/text.h"
#include "db/query_access.h"

namespace kx {

std::string GetClockReason(AgentContext& ctx, const std::string& reasonNo) {
    std::string reason;
    try {
        db::Query& query = db::ContextDatabase(ctx).Common3Query;
        db::OpenQuery(query, ClockReasonSQL(reasonNo));
        if (!query.Eof()) reason = Trim(query.FieldByName("reason_string"));
        query.Close();
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<GetClockReason>:") + e.what());
        if (ctx.db) ctx.db->Common3Query.Close();
    }
    return reason;
}

}  // namespace kx
