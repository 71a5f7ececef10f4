#pragma once
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "db/database.h"

namespace kx::dbtool {

// A failure of the tool that is reported to the user as it stands.
class ToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

bool IsPostgresTarget(std::string_view target);
// The target as it may be shown: a password in a URI is replaced by "***".
std::string ShownTarget(std::string_view target);

// The database a command works on: an SQLite file (created empty when missing,
// unlike the agent, which never creates it) or a PostgreSQL server.
class TargetDatabase {
public:
    // Throws ToolError when the target cannot be opened.
    explicit TargetDatabase(const std::string& target);
    ~TargetDatabase();
    TargetDatabase(const TargetDatabase&) = delete;
    TargetDatabase& operator=(const TargetDatabase&) = delete;

    db::Database& Db() { return *db_; }
    bool HasTables();
    // Creates the suite tables, all of them or none, and runs fill inside the same
    // transaction, so a failure leaves the database as it was. A file this object
    // created is removed again on failure.
    template <class Fill>
    void CreateTables(Fill&& fill);

private:
    void Begin();
    void Commit();
    void RollBack() noexcept;
    void ExecSchema();
    void RemoveCreatedFile() noexcept;

    std::unique_ptr<db::Database> db_;
    std::filesystem::path createdFile_;
};

template <class Fill>
void TargetDatabase::CreateTables(Fill&& fill) {
    Begin();
    try {
        ExecSchema();
        fill(*db_);
        Commit();
    } catch (...) {
        RollBack();
        RemoveCreatedFile();
        throw;
    }
}

}  // namespace kx::dbtool
