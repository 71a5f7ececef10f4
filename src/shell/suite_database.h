#pragma once
#include <memory>

#include "core/agent_context.h"
#include "db/database.h"

namespace kx {

// Opens the suite database of [Database] DBAlias (with [Options] SQLIDChecking,
// the login of the table-definition file replaces the alias's). Refused with
// DbError, whose text is meant for a person: an existing file that is not an
// SQLite database (it is left as it was), a database without the suite's
// tables, or one that cannot be opened. A wait for another agent's turn at
// writing attendance rows is logged.
std::unique_ptr<db::Database> OpenSuiteDatabase(AgentContext& ctx);

// The two values of the settings table kt_ini that start-up reads.
void ReadSettingsTableValues(AgentContext& ctx);

}  // namespace kx
