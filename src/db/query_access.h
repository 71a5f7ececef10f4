#pragma once
#include <string>
#include <string_view>

#include "core/agent_context.h"
#include "db/database.h"

namespace kx::db {

// The database of the context; DbError "database is not open" when none is.
Database& ContextDatabase(AgentContext& ctx);

// Closes the query, replaces its text and opens it on its first row.
void OpenQuery(Query& query, std::string sql);

// The named column of the current row; the empty text when the query holds no
// row. A column the result lacks is still a failure (DbError).
std::string FieldOrEmpty(const Query& query, std::string_view name);

}  // namespace kx::db
