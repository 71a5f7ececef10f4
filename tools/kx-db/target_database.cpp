#include "kx-db/target_database.h"

#include <fstream>
#include <system_error>

#include "db/database_alias.h"
#include "kx-db/schema_catalog.h"
#include "kx-db/schema_sql.h"

namespace kx::dbtool {

bool IsPostgresTarget(std::string_view target) {
    return target.starts_with("postgresql://") || target.starts_with("postgres://");
}

std::string ShownTarget(std::string_view target) { return db::MaskedAlias(std::string(target)); }

TargetDatabase::TargetDatabase(const std::string& target) {
    std::string alias = target;
    std::error_code ec;
    const std::filesystem::path home = std::filesystem::current_path(ec);
    if (!IsPostgresTarget(target)) {
        // An absolute path: the alias rule then takes the file exactly as named.
        const std::filesystem::path file = std::filesystem::absolute(target, ec);
        if (ec) throw ToolError("cannot use " + target + ": " + ec.message());
        if (!std::filesystem::exists(file, ec)) {
            std::ofstream create(file, std::ios::out | std::ios::binary);
            if (!create) throw ToolError("cannot create " + target + ": no such directory or no permission");
            createdFile_ = file;
        }
        alias = file.string();
    }
    try {
        db_ = db::Database::Open(alias, home);
    } catch (const std::exception& e) {
        RemoveCreatedFile();
        throw ToolError("cannot open " + ShownTarget(target) + ": " + e.what());
    }
}

TargetDatabase::~TargetDatabase() = default;

bool TargetDatabase::HasTables() { return !ReadTableColumns(*db_).empty(); }

void TargetDatabase::Begin() { db_->backend().Begin(); }

void TargetDatabase::Commit() { db_->backend().Control("COMMIT"); }

void TargetDatabase::RollBack() noexcept {
    try {
        if (db_ && db_->backend().InTransaction()) db_->backend().Control("ROLLBACK");
    } catch (...) {
        // The connection may be gone; the server drops the transaction with it.
    }
}

void TargetDatabase::ExecSchema() { db_->ExecScript(db_->IsPostgres() ? PostgresSchemaSql() : SqliteSchemaSql()); }

void TargetDatabase::RemoveCreatedFile() noexcept {
    if (createdFile_.empty()) return;
    db_.reset();
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        std::filesystem::remove(createdFile_.string() + suffix, ec);
    createdFile_.clear();
}

}  // namespace kx::dbtool
