#include "shell/suite_database.h"

#include <filesystem>

#include "core/text.h"
#include "db/database_alias.h"
#include "db/run_sql.h"
#include "shell/table_def_login.h"

namespace kx {
namespace {

db::Login PrepareLogin(AgentContext& ctx) {
    db::Login login;
    // [Server] Path named the engine's network control directory; neither
    // backend has one, so it has no part in the connection.
    if (!ctx.settings.options.SQLIDChecking) return login;
    ctx.derived.login = ReadTableDefLogin(ctx);
    const TableDefLogin& found = ctx.derived.login;
    if (found.user == "NULL") return login;
    login.user = found.user;
    login.password = found.password == "NULL" ? std::string() : found.password;
    return login;
}

}  // namespace

std::unique_ptr<db::Database> OpenSuiteDatabase(AgentContext& ctx) {
    const db::Login login = PrepareLogin(ctx);
    const db::DatabaseTarget target = db::ResolveAlias(ctx.settings.database.DBAlias, ctx.home);
    // Opening an empty or foreign file would make an SQLite database of it at the first write.
    if (!target.postgres && std::filesystem::exists(target.file) && !db::IsSqliteDatabaseFile(target.file))
        throw db::DbError("not an SQLite database: " + target.file.string() +
                          " (make the suite's database with kx-db create)");
    std::unique_ptr<db::Database> database = db::Database::Open(ctx.settings.database.DBAlias, ctx.home, login);
    if (const auto missing = database->MissingSuiteTables(); !missing.empty()) {
        std::string names;
        for (const std::string& table : missing) names += (names.empty() ? "" : ", ") + table;
        throw db::DbError("not a suite database: no table " + names + " (make them with kx-db create)");
    }
    // Two agents replacing the same staff-days take turns; a wait shows where they overlapped.
    const Log& log = ctx.log;
    database->SetTurnWaitReporter(
        [&log]() { log.WriteLog("<Database>: waited for another agent writing attendance rows"); });
    return database;
}

void ReadSettingsTableValues(AgentContext& ctx) {
    ctx.derived.ignoreLEIfWorkOK = UpperCase(db::ReadKTINI(ctx, "Attend", "IgnoreLEIfWorkOK", "0")) == "1";
    ctx.derived.lastAAPDate = db::ReadKTINI(ctx, "Attend", "LastAAPDate", DateText(ctx.clock.Now()));
}

}  // namespace kx
