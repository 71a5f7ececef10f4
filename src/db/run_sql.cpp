#include "db/run_sql.h"

#include <exception>

#include "core/agent_context.h"
#include "db/query_access.h"
#include "db/sql_quote.h"

namespace kx::db {
namespace {

std::string SelectKTINI(const std::string& group, const std::string& entry) {
    return "select i_value from kt_ini where i_group='" + SqlQuote(group) + "'" + " and i_entry=" + "'" +
           SqlQuote(entry) + "'";
}

}  // namespace

namespace {

// Runs `step` on the query after giving it its new text; a failure is logged
// as "<RunSQL>" + error text and answers no.
template <class Step>
bool Attempt(const kx::Log& log, Query& query, std::string sql, Step step) {
    try {
        query.Close();
        query.SetSQL(std::move(sql));
        return step();
    } catch (const std::exception& e) {
        log.WriteLog("<RunSQL>" + std::string(e.what()));
    } catch (...) {
        log.WriteLog("<RunSQL>unknown failure");
    }
    return false;
}

}  // namespace

bool RunSQL(const kx::Log& log, Query& query, std::string sql, bool open) {
    return Attempt(log, query, std::move(sql), [&] {
        if (!open) {
            query.ExecSQL();
            return false;
        }
        query.Open();
        return !query.Eof();
    });
}

bool ExecuteSQL(const kx::Log& log, Query& query, std::string sql) {
    return Attempt(log, query, std::move(sql), [&] {
        query.ExecSQL();
        return true;
    });
}

std::string ReadKTINI(AgentContext& ctx, const std::string& group, const std::string& entry,
                      const std::string& defaultValue) {
    try {
        Query& query = ContextDatabase(ctx).CommonQuery;
        query.Close();
        query.SetSQL(SelectKTINI(group, entry));
        query.Open();
        std::string value = query.Eof() ? defaultValue : query.Field(0);
        query.Close();
        return value;
    } catch (const std::exception& e) {
        ctx.log.WriteLog("<ReadKTINI>" + std::string(e.what()));
    }
    return "";
}

bool WriteKTINI(AgentContext& ctx, const std::string& group, const std::string& entry, const std::string& value) {
    try {
        Query& query = ContextDatabase(ctx).AutoAPQuery;
        if (RunSQL(ctx.log, query, SelectKTINI(group, entry), true)) {
            query.Close();
            RunSQL(ctx.log, query,
                   "update kt_ini set i_value='" + SqlQuote(value) + "'" + " where i_user=" + "'" + "-" + "'" +
                       " and i_group=" + "'" + SqlQuote(group) + "'" + " and i_entry=" + "'" + SqlQuote(entry) + "'",
                   false);
        } else {
            RunSQL(ctx.log, query,
                   "insert into kt_ini values ('-','" + SqlQuote(group) + "'" + "," + "'" + SqlQuote(entry) + "'" +
                       "," + "'" + SqlQuote(value) + "'" + ")",
                   false);
        }
        return true;
    } catch (const std::exception& e) {
        ctx.log.WriteLog("<WriteKTIni>" + std::string(e.what()));
    }
    return false;
}

}  // namespace kx::db
