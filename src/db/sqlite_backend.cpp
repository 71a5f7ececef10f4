#include "db/sqlite_backend.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <system_error>

#include "db/database.h"
#include "db/sql_shape.h"
#include "db/statement_cache.h"

namespace kx::db {
namespace {

constexpr int kBusyTimeoutMs = 10000;
constexpr std::size_t kCacheCapacity = 256;

// A cached statement; nullptr marks a shape the engine refused, run as written.
using CachedStatement = sqlite3_stmt*;

class SqliteBackend final : public Backend {
public:
    explicit SqliteBackend(sqlite3* db)
        : db_(db), cache_(kCacheCapacity, [](CachedStatement& s) { sqlite3_finalize(s); }) {}

    ~SqliteBackend() override { Disconnect(); }

    bool IsPostgres() const override { return false; }

    void Run(std::string_view sql, ResultSet* rows) override {
        RequireOpen();
        if (!useCache_) return RunAsWritten(sql, rows);
        const SqlShape shape = ShapeSql(sql, PlaceholderStyle::Question, /*bindDecimals=*/false);
        if (!shape.cacheable) return RunAsWritten(sql, rows);

        CachedStatement* cached = cache_.Find(shape.key);
        if (!cached) {
            sqlite3_stmt* stmt = TryPrepare(shape.key, SQLITE_PREPARE_PERSISTENT);
            if (!stmt) {
                // The engine refused the shape; a text that runs as written keeps
                // running that way, a failing one reports its own error.
                RunAsWritten(sql, rows);
                cache_.Insert(shape.key, nullptr);
                return;
            }
            cached = &cache_.Insert(shape.key, stmt);
        }
        if (!*cached) return RunAsWritten(sql, rows);

        sqlite3_stmt* stmt = *cached;
        Bind(stmt, shape.literals);
        StepAll(stmt, rows);
    }

    void RunReadOnly(std::string_view sql, ResultSet* rows) override {
        RequireOpen();
        RunAsWritten(sql, rows, /*mustRead=*/true);
    }

    void ExecScript(std::string_view sql) override {
        RequireOpen();
        const std::string text(sql);
        char* message = nullptr;
        if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            std::string error = message ? message : sqlite3_errmsg(db_);
            sqlite3_free(message);
            throw DbError(error);
        }
    }

    void Control(std::string_view sql) override { ExecScript(sql); }

    // IMMEDIATE: the write lock is taken (waiting up to the busy timeout) when the
    // transaction starts, never half-way through a staff-day.
    // The file's own write lock already gives writers their turns.
    void Begin(bool* /*waited*/) override { Control("BEGIN IMMEDIATE"); }

    bool InTransaction() const override { return db_ && !sqlite3_get_autocommit(db_); }

    void SetStatementCache(bool on) override { useCache_ = on; }

    bool LastFailureWasOutage() const override {
        if (!db_) return false;
        const int code = sqlite3_errcode(db_) & 0xff;
        return code == SQLITE_BUSY || code == SQLITE_LOCKED;
    }

    // The file's write lock is what another program keeps: try for it once.
    void Reconnect(std::chrono::milliseconds patience) override {
        RequireOpen();
        if (InTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        const auto wait = std::clamp<std::chrono::milliseconds::rep>(patience.count(), 0, kBusyTimeoutMs);
        sqlite3_busy_timeout(db_, static_cast<int>(wait));
        const int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        const std::string error = rc == SQLITE_OK ? std::string() : sqlite3_errmsg(db_);
        if (rc == SQLITE_OK) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        if (rc != SQLITE_OK) throw DbError(error);
    }

    void Disconnect() override {
        if (!db_) return;
        cache_.Clear();
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }

private:
    void RequireOpen() const {
        if (!db_) throw DbError("database is not open");
    }

    [[noreturn]] void Fail() const { throw DbError(sqlite3_errmsg(db_)); }

    // One statement, or nullptr when the engine refuses the text; a text holding
    // more than one statement is refused too.
    sqlite3_stmt* TryPrepare(std::string_view sql, unsigned flags) {
        sqlite3_stmt* stmt = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), flags, &stmt, &tail) != SQLITE_OK)
            return nullptr;
        if (tail && HasMoreStatements(tail, sql.data() + sql.size())) {
            sqlite3_finalize(stmt);
            return nullptr;
        }
        return stmt;
    }

    bool HasMoreStatements(const char* tail, const char* end) {
        while (tail < end && (*tail == ' ' || *tail == '\t' || *tail == '\r' || *tail == '\n')) ++tail;
        if (tail >= end) return false;
        sqlite3_stmt* more = nullptr;
        const bool refused =
            sqlite3_prepare_v3(db_, tail, static_cast<int>(end - tail), 0, &more, nullptr) != SQLITE_OK;
        sqlite3_finalize(more);
        return refused || more != nullptr;
    }

    // Prepared for this one run; errors carry the text's own message. With
    // mustRead, a statement the engine sees could write is refused unrun.
    void RunAsWritten(std::string_view sql, ResultSet* rows, bool mustRead = false) {
        sqlite3_stmt* stmt = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), 0, &stmt, &tail) != SQLITE_OK) Fail();
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(stmt, sqlite3_finalize);
        if (tail && HasMoreStatements(tail, sql.data() + sql.size()))
            throw DbError(mustRead ? "refused: more than one statement in one text"
                                   : "cannot run more than one statement in one text");
        if (!stmt) return;  // nothing but blanks and comments
        if (mustRead && !sqlite3_stmt_readonly(stmt)) throw DbError("refused: a select that may write or is no select");
        StepAll(stmt, rows);
    }

    void Bind(sqlite3_stmt* stmt, const std::vector<SqlLiteral>& literals) {
        int index = 1;
        for (const SqlLiteral& literal : literals) {
            int rc = SQLITE_OK;
            if (literal.kind == SqlLiteral::Kind::Integer) {
                std::int64_t value = 0;
                std::from_chars(literal.value.data(), literal.value.data() + literal.value.size(), value);
                rc = sqlite3_bind_int64(stmt, index, value);
            } else {
                // The literals outlive the step, and every run binds every parameter
                // again, so no stale pointer is ever read: no copy needed.
                rc = sqlite3_bind_text(stmt, index, literal.value.data(), static_cast<int>(literal.value.size()),
                                       SQLITE_STATIC);
            }
            if (rc != SQLITE_OK) Fail();
            ++index;
        }
    }

    // Steps to the end, keeping the rows when asked; leaves the statement reset.
    void StepAll(sqlite3_stmt* stmt, ResultSet* rows) {
        const int columns = sqlite3_column_count(stmt);
        if (rows) {
            rows->columns.clear();
            rows->cells.clear();
            rows->rowCount = 0;
            for (int c = 0; c < columns; ++c) {
                const char* name = sqlite3_column_name(stmt, c);
                rows->columns.emplace_back(name ? name : "");
            }
        }
        for (;;) {
            const int rc = sqlite3_step(stmt);
            if (rc == SQLITE_DONE) break;
            if (rc != SQLITE_ROW) {
                std::string error = sqlite3_errmsg(db_);
                sqlite3_reset(stmt);
                throw DbError(error);
            }
            if (!rows) continue;
            for (int c = 0; c < columns; ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                rows->cells.emplace_back(text ? std::string(text, sqlite3_column_bytes(stmt, c)) : std::string());
            }
            ++rows->rowCount;
        }
        sqlite3_reset(stmt);
    }

    sqlite3* db_;
    StatementCache<CachedStatement> cache_;
    bool useCache_ = true;
};

void Pragma(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string error = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw DbError(error);
    }
}

}  // namespace

std::unique_ptr<Backend> OpenSqliteBackend(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) throw DbError("database file not found: " + file.string());
    sqlite3* db = nullptr;
    // One connection serves one thread at a time, so the engine needs no mutex of its own.
    const int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        throw DbError(error + ": " + file.string());
    }
    auto backend = std::make_unique<SqliteBackend>(db);
    // The engine quietly falls back to reading only; an agent that cannot write
    // its results should not start as if it could.
    if (sqlite3_db_readonly(db, "main") == 1) throw DbError("database file is read-only: " + file.string());
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    Pragma(db, "PRAGMA journal_mode=WAL");
    Pragma(db, "PRAGMA synchronous=NORMAL");
    return backend;
}

}  // namespace kx::db
