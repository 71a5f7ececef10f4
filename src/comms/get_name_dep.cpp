#include "comms/get_name_dep.h"

#include <chrono>
#include <cstdio>
#include <exception>

#include "core/text.h"
#include "db/query_access.h"
#include "db/run_sql.h"
#include "db/sql_quote.h"

namespace kx {

namespace {

using db::SqlQuote;

std::string CardRowSelect() { return "select name,depart_code,staff_number,card_type,photo "; }

// Name, department code, staff and photo from a card-row query.
void TakeCardRow(const db::Query& query, NameDep& found) {
    found.name = query.FieldByName("name");
    found.department = query.FieldByName("depart_code");
    found.staff = query.FieldByName("staff_number");
    found.photo = query.FieldByName("photo");
}

// The holder of a temporary card whose issue covers now; empty when none.
std::string TempCardHolder(AgentContext& ctx, db::Query& query, const std::string& card) {
    const std::string now = TempCardStamp(ctx.clock.Now());
    const std::string sql = "select staff_number from tempcard where TmpCard_Number='" + SqlQuote(card) + "'" +
                            " and Start_DateTime<='" + now + "' and End_DateTime>='" + now + "'";
    if (!db::RunSQL(ctx.log, query, sql, true)) return {};
    return query.FieldByName("staff_number");
}

}  // namespace

std::string TempCardStamp(LocalTime now) {
    const auto second = (now - std::chrono::floor<std::chrono::minutes>(now)).count();
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02d", static_cast<int>(second));
    return DateText(now) + TimeText(now) + buf;
}

NameDep GetNameDep(AgentContext& ctx, const std::string& card) {
    NameDep found;
    try {
        db::Query& query = db::ContextDatabase(ctx).Common3Query;
        const Log& log = ctx.log;
        if (db::RunSQL(log, query, CardRowSelect() + "from cards where card_number = '" + SqlQuote(card) + "'", true)) {
            if (Trim(query.FieldByName("card_type")) != "T") {
                TakeCardRow(query, found);
            } else {
                const std::string holder = TempCardHolder(ctx, query, card);
                if (!holder.empty() &&
                    db::RunSQL(log, query,
                               CardRowSelect() + "from cards where staff_number = '" + SqlQuote(holder) + "'", true))
                    TakeCardRow(query, found);
            }
        }
        if (db::RunSQL(log, query, "select * from department where depart_code='" + SqlQuote(found.department) + "'",
                       true))
            found.department = query.FieldByName("Depart_desc");
        if (db::RunSQL(log, query, "select * from kt_cdext where staff_number='" + SqlQuote(found.staff) + "'", true)) {
            found.otEntitled = query.FieldByName("ot_entitled");
            found.onShift = query.FieldByName("on_shift");
        }
        query.Close();
        if (found.name.empty()) found.name = "Unknown";
        if (found.department.empty()) found.department = "Unknown";
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<GetNameDep>") + e.what());
    }
    return found;
}

}  // namespace kx
