#include "db/query_access.h"

namespace kx::db {

Database& ContextDatabase(AgentContext& ctx) {
    if (!ctx.db) throw DbError("database is not open");
    return *ctx.db;
}

void OpenQuery(Query& query, std::string sql) {
    query.Close();
    query.SetSQL(std::move(sql));
    query.Open();
}

std::string FieldOrEmpty(const Query& query, std::string_view name) {
    if (query.Eof() && query.HasField(name)) return {};
    return query.FieldByName(name);
}

}  // namespace kx::db
