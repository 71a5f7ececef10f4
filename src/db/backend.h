#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kx::db {

// The rows of a select, every value as text (null as "").
struct ResultSet {
    std::vector<std::string> columns;
    std::vector<std::string> cells;  // row by row, columns.size() per row
    std::size_t rowCount = 0;
};

// How a unit of several statements ended: the index of the statement that
// failed (the unit then undone) and its message, or -1 when all of them ran.
struct UnitOutcome {
    static constexpr int kUnitFailed = -2;  // the unit itself failed (its transaction control, the connection)
    int failed = -1;
    std::string error;
    bool pending = false;  // sent; the outcome will be told
};
using UnitTold = std::function<void(const UnitOutcome&)>;

// One database engine behind the Database. Every failure throws DbError with the
// engine's own message as its text.
class Backend {
public:
    virtual ~Backend() = default;

    virtual bool IsPostgres() const = 0;

    // Runs one statement through the statement cache; the rows go into `rows`
    // when given, and are discarded otherwise.
    virtual void Run(std::string_view sql, ResultSet* rows) = 0;
    // Runs one statement that must not write: refused with DbError, before it
    // runs, when the engine sees that it could (or that the text holds more
    // than one statement); on a server it runs in a read-only transaction.
    virtual void RunReadOnly(std::string_view sql, ResultSet* rows) = 0;
    // Runs several statements as written, uncached.
    virtual void ExecScript(std::string_view sql) = 0;
    // Runs transaction control (BEGIN, COMMIT, SAVEPOINT ...) as written.
    virtual void Control(std::string_view sql) = 0;
    // BEGIN, taking the write lock at once where the engine allows it. Agents
    // that share a server take turns at writing attendance rows, one transaction
    // at a time; `waited` is set when another held the turn and this one waited.
    virtual void Begin(bool* waited = nullptr) = 0;
    // Whether the connection is inside a transaction right now (the engine may
    // have ended one on its own after certain failures).
    virtual bool InTransaction() const = 0;

    // Runs the statements in order as one unit of work in a single exchange with
    // the server: inside the running transaction under `savepoint`, or in a
    // transaction of its own when `savepoint` is empty. A statement that fails
    // undoes the unit and the ones after it do not run. nullopt when the engine
    // has no such form for these statements (nothing was run): the caller runs
    // them one by one. A failure of the unit itself throws DbError.
    // With `told` given, inside a transaction, the engine may answer pending and
    // tell the outcome later, at the latest before the next statement's result
    // (which then shares the unit's exchange) or the transaction's end.
    virtual std::optional<UnitOutcome> RunUnitAtOnce(const std::vector<std::string>& /*statements*/,
                                                     const std::string& /*savepoint*/, UnitTold /*told*/ = {}) {
        return std::nullopt;
    }
    // How many times the engine has waited for a server's answer.
    virtual std::uint64_t ServerWaits() const { return 0; }

    // Off: every statement is prepared from its text as written (for comparisons).
    virtual void SetStatementCache(bool on) = 0;
    // Drops the connection; every later statement fails.
    virtual void Disconnect() = 0;

    // Whether the failure just thrown or told came from the database being out
    // of reach or kept busy by another program (a lost connection, a server
    // shutting down, a lock held past the engine's patience), not from the
    // statement itself. Asked at once, before the next call.
    virtual bool LastFailureWasOutage() const = 0;
    // After an outage: rolls back whatever the connection held unfinished and
    // makes it usable again, waiting at most about `patience` for a lock.
    // Throws DbError while the database stays out of reach or busy.
    virtual void Reconnect(std::chrono::milliseconds patience) = 0;
};

}  // namespace kx::db
