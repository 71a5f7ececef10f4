#pragma once
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "db/backend.h"
#include "db/batch_read_cache.h"

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

class Database;

// A named query object: holds one SQL text; opened, it holds all rows of the
// select and a cursor over them; fields are read as text, null as "".
class Query {
public:
    Query(std::string name, Database& db) : name_(std::move(name)), db_(&db) {}
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& SQL() const { return sql_; }
    void SetSQL(std::string sql);  // closes first
    void Close();
    bool Active() const { return active_; }

    void Open();  // runs the select and stays on the first row; throws DbError
    // As Open, for a select written outside the agent: a text that could write
    // is refused (DbError) and nothing of it runs.
    void OpenReadOnly();
    void ExecSQL();  // runs a statement that returns no rows; throws DbError

    int RecordCount() const { return static_cast<int>(result_.rowCount); }
    bool Eof() const { return cursor_ >= result_.rowCount; }
    void First() { cursor_ = 0; }
    void Next() {
        if (cursor_ < result_.rowCount) ++cursor_;
    }

    int FieldCount() const { return static_cast<int>(result_.columns.size()); }
    const std::vector<std::string>& Columns() const { return result_.columns; }
    bool HasField(std::string_view name) const;  // without regard to case
    // Throws DbError when the result lacks the column or there is no current row.
    // With several columns of one name (select * over a join) the first is read.
    std::string FieldByName(std::string_view name) const;
    std::string Field(int index) const;

private:
    const std::string& Cell(std::size_t column) const;
    void OpenWith(void (Database::*run)(std::string_view, ResultSet*));

    std::string name_;
    Database* db_;
    std::string sql_;
    bool active_ = false;
    ResultSet result_;  // columns as the engine names them; null read as ""
    std::size_t cursor_ = 0;
};

// The suite database, opened under the name ATA.
//
// Statements run through a cache of prepared statements: each text's literals
// are lifted out into bound values (see sql_shape.h), with the same rows and the
// same effects as the text as written.
//
// Transactions. Outside a batch every statement commits on its own. A staff-day's
// writes go in one Unit: a transaction of its own, or a savepoint inside the
// running transaction of a batch (or of an enclosing unit); a unit that is not
// committed is rolled back when it goes out of scope, so a delete and the insert
// that replaces it never leave the row missing. A batch groups consecutive units
// in one transaction, committed at the end of the batch and at the latest every
// 250 ms (measured on a steady clock): when a unit at the outermost level commits,
// or when the batch loop calls CommitIfDue between staff-days, whichever comes
// first. A statement that fails inside a transaction undoes only itself, exactly
// as it would in autocommit; the unit and the batch go on.
class Database {
public:
    static constexpr std::chrono::milliseconds kBatchCommitInterval{250};

    // Alias rule: "postgresql://" or "postgres://" is a PostgreSQL URI (when the
    // login's user is not "NULL" it replaces the URI's user, and its password,
    // unless "NULL", the URI's password); any other alias names an SQLite file
    // that must exist: ALIAS.db in home when it has no '/' and no '.', otherwise
    // the path as written, relative to home. Throws DbError.
    static std::unique_ptr<Database> Open(const std::string& alias, const std::filesystem::path& home,
                                          const Login& login = {});
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool IsPostgres() const;
    // Which of the suite's core tables (cards, kt_attnd) the database lacks.
    std::vector<std::string> MissingSuiteTables();
    const std::string& Name() const { return name_; }  // "ATA"
    const std::string& Alias() const { return alias_; }

    Query CommonQuery{"CommonQuery", *this};
    Query Common2Query{"Common2Query", *this};
    Query Common3Query{"Common3Query", *this};
    Query AutoAPQuery{"AutoAPQuery", *this};
    Query TurboQuery{"TurboQuery", *this};
    Query AutoPOnlyQuery{"AutoPOnlyQuery", *this};

    // Batches may nest; the outermost EndBatch commits. Each throws DbError when
    // the engine refuses; the batch count stays right either way.
    void BeginBatch();
    void CommitIfDue();
    void EndBatch();
    bool InBatch() const { return batchDepth_ > 0; }

    // BeginBatch on construction, EndBatch on leaving the scope (errors dropped:
    // call EndBatch yourself to hear of a failed final commit).
    class Batch {
    public:
        explicit Batch(Database& db) : db_(db) { db_.BeginBatch(); }
        ~Batch() {
            if (ended_) return;
            try {
                db_.EndBatch();
            } catch (...) {
            }
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void End() {
            ended_ = true;
            db_.EndBatch();
        }

    private:
        Database& db_;
        bool ended_ = false;
    };

    // Everything run while a Preview lives is undone when it ends: it opens a
    // transaction of its own (DbError when one is open already), the commits of
    // batches and units inside it are held back, and it is rolled back at the
    // end, so the database is left exactly as it was. A preview shows what a
    // run would write; it holds the writer's turn (and on SQLite the write
    // lock) while it lives.
    class Preview {
    public:
        explicit Preview(Database& db);
        ~Preview();  // rolls back; never throws
        Preview(const Preview&) = delete;
        Preview& operator=(const Preview&) = delete;

    private:
        Database& db_;
    };
    bool InPreview() const { return preview_; }

    // One staff-day's writes:
    //     Database::Unit unit(db);
    //     ... delete, insert ...
    //     unit.Commit();
    class Unit {
    public:
        explicit Unit(Database& db);
        ~Unit();  // rolls back unless committed; never throws
        Unit(const Unit&) = delete;
        Unit& operator=(const Unit&) = delete;
        void Commit();  // throws DbError

    private:
        Database& db_;
        std::string savepoint_;  // empty when the unit owns the transaction
        bool done_ = false;
    };

    // Runs the statements in order as one unit (see Unit): all of them, or, when
    // one fails, none, and the ones after it are not run. Where the engine can,
    // the unit takes a single exchange with the server. Answers which statement
    // failed and why; a failure of the unit itself throws DbError.
    // With `told`, the outcome is also told to it, and inside a batch a server
    // may be left to answer later: the outcome is then pending and told before
    // the next statement's result or the transaction's end (a failure of the
    // unit itself then comes as UnitOutcome::kUnitFailed).
    UnitOutcome RunUnit(const std::vector<std::string>& statements, UnitTold told = {});
    // Told when a transaction had to wait for another program's turn at writing.
    void SetTurnWaitReporter(std::function<void()> reporter) { turnWaited_ = std::move(reporter); }
    // How many units failed (a statement refused, the unit undone), counted as their outcome is known.
    std::uint64_t FailedUnits() const { return failedUnits_; }
    // Failures that said nothing of their statement: the database was out of
    // reach or kept busy by another program (see Backend::LastFailureWasOutage).
    // Counted as they are met; a staff-day that met one may hold a wrong row.
    std::uint64_t Outages() const { return outages_; }
    // How many times work was made durable: a commit at the outermost level or a
    // statement run outside any transaction. Work done before the latest one
    // survives an outage; work after it may have been rolled back with it.
    std::uint64_t Commits() const { return commits_; }
    // After an outage: rolls back what the connection held unfinished, makes it
    // usable again (waiting at most about `patience` for another program's lock)
    // and, inside a batch, opens the batch's next transaction. Call it outside
    // every unit. Throws DbError while the database stays out of reach or busy.
    void Recover(std::chrono::milliseconds patience);
    // Inside a batch and outside every unit: commits the batch's transaction now
    // and opens the next one. Does nothing elsewhere.
    void CommitBatchNow();
    // How many times the backend has waited for its server (0 for SQLite).
    std::uint64_t ServerWaits() const { return backend_->ServerWaits(); }

    // Inside a batch, selects from these tables are answered from the batch's
    // read cache (see BatchReadCache) until its next commit. Tables that the
    // batches only read, and whose rows may lag one commit interval.
    void SetBatchReadTables(std::vector<std::string> tables) { readCache_.SetTables(std::move(tables)); }

    // Runs a script of several statements as written, uncached (schema creation, tools).
    void ExecScript(std::string_view sql);

    // One statement through the statement cache; rows kept when `rows` is given.
    void Run(std::string_view sql, ResultSet* rows);
    // One select that cannot write (see Query::OpenReadOnly).
    void RunReadOnly(std::string_view sql, ResultSet* rows);

    // Off: every statement is prepared from its text as written (comparisons, measurements).
    void SetStatementCache(bool on);
    // Hears the text of every statement Run is given, before it runs (measurements
    // replay them); an empty function stops it.
    void SetStatementRecorder(std::function<void(std::string_view)> recorder) { recorder_ = std::move(recorder); }
    // Drops the connection; every later statement fails with DbError.
    void Close();

    Backend& backend() { return *backend_; }

private:
    Database(std::unique_ptr<Backend> backend, std::string alias);
    // Runs a call into the backend, counting a failure that is an outage.
    template <typename Call>
    decltype(auto) Watched(Call&& call) {
        try {
            return call();
        } catch (const DbError&) {
            NoteFailure();
            throw;
        }
    }
    void NoteFailure() {
        if (backend_->LastFailureWasOutage()) ++outages_;
    }
    void BeginBatchTransaction();
    void BeginTransaction();
    void CommitBatchTransaction();

    std::unique_ptr<Backend> backend_;
    std::string name_ = "ATA";
    std::string alias_;
    std::function<void(std::string_view)> recorder_;
    std::function<void()> turnWaited_;
    std::uint64_t failedUnits_ = 0;
    BatchReadCache readCache_;
    std::uint64_t outages_ = 0;
    std::uint64_t commits_ = 0;
    int batchDepth_ = 0;
    int unitDepth_ = 0;
    bool preview_ = false;
    std::chrono::steady_clock::time_point batchStarted_{};
};

}  // namespace kx::db
