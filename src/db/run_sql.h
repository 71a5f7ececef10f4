#pragma once
#include <string>

#include "core/log.h"
#include "db/database.h"

namespace kx {
struct AgentContext;
}

namespace kx::db {

// Closes the query, sets its text, then opens it (yes when it holds a row; it
// stays open on the first row) or executes it (always no). Any failure is
// logged as "<RunSQL>" + error text and answers no; nothing is thrown.
bool RunSQL(const kx::Log& log, Query& query, std::string sql, bool open);
// Executes a statement as RunSQL does, with the same log line, but tells
// whether it ran (for writers that must roll back what a failure left half done).
bool ExecuteSQL(const kx::Log& log, Query& query, std::string sql);

// The settings table kt_ini. ReadKTINI reads on CommonQuery: the first value
// found for group and entry (any user), else `defaultValue`; on failure it logs
// "<ReadKTINI>" + error text and answers "". WriteKTINI works on AutoAPQuery:
// updates the row of user "-" when the entry exists for any user, else inserts a
// row for user "-"; it answers no only when it could not run at all (logged as
// "<WriteKTIni>" + error text). Every value is quoted with SqlQuote.
std::string ReadKTINI(AgentContext& ctx, const std::string& group, const std::string& entry,
                      const std::string& defaultValue);
bool WriteKTINI(AgentContext& ctx, const std::string& group, const std::string& entry, const std::string& value);

}  // namespace kx::db
