#pragma once
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kx::db {

// Any failure of the database layer; callers catch it at their own boundary.
class DbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Login read from the table-definition file; "NULL" means not available.
struct Login {
    std::string user = "NULL";
    std::string password = "NULL";
};

class Backend;
class Database;

// A named query object: holds one SQL text; opened, it holds all rows of the
// select and a cursor over them; fields are read as text, null as "".
class Query {
public:
    Query(std::string name, Database& db) : name_(std::move(name)), db_(&db) {}

    const std::string& Name() const { return name_; }
    const std::string& SQL() const { return sql_; }
    void SetSQL(std::string sql);  // closes first
    void Close();
    bool Active() const { return active_; }

    void Open();     // runs the select and stays on the first row; throws DbError
    void ExecSQL();  // runs a statement that returns no rows; throws DbError

    int RecordCount() const { return static_cast<int>(rows_.size()); }
    bool Eof() const { return cursor_ >= rows_.size(); }
    void First() { cursor_ = 0; }
    void Next() { if (cursor_ < rows_.size()) ++cursor_; }

    int FieldCount() const { return static_cast<int>(columns_.size()); }
    bool HasField(std::string_view name) const;
    // Throws DbError when the result lacks the column or there is no current row.
    std::string FieldByName(std::string_view name) const;
    std::string Field(int index) const;

private:
    friend class Backend;
    std::string name_;
    Database* db_;
    std::string sql_;
    bool active_ = false;
    std::vector<std::string> columns_;               // lower-cased names
    std::vector<std::vector<std::string>> rows_;     // null read as ""
    std::size_t cursor_ = 0;
};

// The suite database, opened under the name ATA.
class Database {
public:
    // Alias rule: "postgresql://" or "postgres://" is a PostgreSQL URI (user and
    // password from the login override the URI's); any other alias names an
    // SQLite file that must exist: ALIAS.db in home when it has no '/' and no '.',
    // otherwise the path as written, relative to home. Throws DbError.
    static std::unique_ptr<Database> Open(const std::string& alias, const std::filesystem::path& home,
                                          const Login& login = {});
    ~Database();

    bool IsPostgres() const;

    Query CommonQuery{"CommonQuery", *this};
    Query Common2Query{"Common2Query", *this};
    Query Common3Query{"Common3Query", *this};
    Query AutoAPQuery{"AutoAPQuery", *this};
    Query TurboQuery{"TurboQuery", *this};
    Query AutoPOnlyQuery{"AutoPOnlyQuery", *this};

    // Batches group consecutive staff-days in one transaction, committed at the
    // latest every 250 ms and at the end of the batch.
    void BeginBatch();
    void CommitIfDue();
    void EndBatch();
    // One staff-day's writes: atomic on their own, or inside the running batch.
    class Unit;

    // Runs a script of several statements without caching (schema creation, tools).
    void ExecScript(std::string_view sql);

    Backend& backend() { return *backend_; }

private:
    explicit Database(std::unique_ptr<Backend> backend);
    std::unique_ptr<Backend> backend_;
};

}  // namespace kx::db
