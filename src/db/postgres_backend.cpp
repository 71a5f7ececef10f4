#include "db/postgres_backend.h"

#include <libpq-fe.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "db/sql_shape.h"
#include "db/statement_cache.h"

namespace kx::db {
namespace {

constexpr std::size_t kCacheCapacity = 256;

// The transaction-level advisory lock that gives agents sharing a server their
// turns at the attendance rows: without it two agents replacing the same
// staff-day each delete what they see and both insert.
constexpr const char* kWriterLock = "7955706513425664";
const std::string kTakeWriterTurn = std::string("select pg_advisory_xact_lock(") + kWriterLock + ")";
const std::string kTryWriterTurn = std::string("select pg_try_advisory_xact_lock(") + kWriterLock + ")";

// Parameter types as the server would type the same literal in the text: a quoted
// literal is of unknown type (the server infers it from its use), an integer is
// integer or bigint by size, a decimal is numeric.
constexpr Oid kUnknownType = 0;
constexpr Oid kInt4Type = 23;
constexpr Oid kInt8Type = 20;
constexpr Oid kNumericType = 1700;

using PgResult = std::unique_ptr<PGresult, void (*)(PGresult*)>;

PgResult Owned(PGresult* result) { return PgResult(result, PQclear); }

void IgnoreNotice(void*, const char*) {}

// libpq's messages span lines; a log line wants one.
// Connection failures, a server shutting down or starting up, too many
// connections, a lock not granted in time: the statement was not at fault.
bool IsOutageState(std::string_view state) {
    return state.starts_with("08") || state == "57P01" || state == "57P02" || state == "57P03" || state == "53300" ||
           state == "55P03";
}

std::string OneLine(const char* message) {
    std::string text;
    for (const char* p = message ? message : ""; *p; ++p) {
        if (*p == '\n' || *p == '\r' || *p == '\t') {
            if (!text.empty() && text.back() != ' ') text += ' ';
        } else {
            text += *p;
        }
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

Oid TypeOf(const SqlLiteral& literal) {
    switch (literal.kind) {
    case SqlLiteral::Kind::Text: return kUnknownType;
    case SqlLiteral::Kind::Decimal: return kNumericType;
    case SqlLiteral::Kind::Integer: {
        std::int64_t value = 0;
        std::from_chars(literal.value.data(), literal.value.data() + literal.value.size(), value);
        const bool fitsInt4 =
            value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
        return fitsInt4 ? kInt4Type : kInt8Type;
    }
    }
    return kUnknownType;
}

// A prepared statement's name; empty marks a shape the server refused, run as written.
using CachedStatement = std::string;

class PostgresBackend final : public Backend {
public:
    explicit PostgresBackend(PGconn* conn)
        : conn_(conn), cache_(kCacheCapacity, [this](CachedStatement& name) { Deallocate(name); }) {}

    ~PostgresBackend() override { Disconnect(); }

    bool IsPostgres() const override { return true; }

    void SetUpSession() {
        PQsetNoticeProcessor(conn_, IgnoreNotice, nullptr);
        PQsetClientEncoding(conn_, "UTF8");
        // The quoting helper doubles quotes only; backslashes must stay plain characters.
        Control("SET standard_conforming_strings = on");
    }

    void Run(std::string_view sql, ResultSet* rows) override {
        EnsureConnected();
        if (!InTransaction()) FlushDeallocations();
        if (!useCache_) return Collect(RunAsWritten(sql, false), rows);
        const SqlShape shape = ShapeSql(sql, PlaceholderStyle::Dollar);
        if (!shape.cacheable) return Collect(RunAsWritten(sql, false), rows);

        std::vector<Oid> types;
        const std::string key = CacheKey(shape, types);
        CachedStatement* cached = cache_.Find(key);
        if (!cached) {
            Settle();
            std::string name = "kx_" + std::to_string(++statementCount_);
            if (!TryPrepare(name, shape.key, types)) {
                // The server refused the shape; a text that runs as written keeps
                // running that way, a failing one reports its own error.
                Collect(RunAsWritten(sql, shape.readOnly), rows);
                cache_.Insert(key, std::string());
                return;
            }
            cached = &cache_.Insert(key, std::move(name));
        }
        if (cached->empty()) return Collect(RunAsWritten(sql, shape.readOnly), rows);

        std::vector<const char*> values;
        values.reserve(shape.literals.size());
        for (const SqlLiteral& literal : shape.literals) values.push_back(literal.value.c_str());
        const std::string& name = *cached;
        Collect(Execute(shape.readOnly,
                        [&] {
                            return PQsendQueryPrepared(conn_, name.c_str(), static_cast<int>(values.size()),
                                                       values.data(), nullptr, nullptr, 0);
                        }),
                rows);
    }

    std::uint64_t ServerWaits() const override { return waits_; }

    // SAVEPOINT (or BEGIN), the statements and RELEASE (or COMMIT) go in one
    // pipeline with one sync: one wait for the server. After a failure the
    // server skips the rest of the pipeline, so undoing the unit is enough.
    // A unit that may be told later stays unread in the pipeline: the next
    // statement rides in the same exchange.
    std::optional<UnitOutcome> RunUnitAtOnce(const std::vector<std::string>& statements, const std::string& savepoint,
                                             UnitTold told) override {
        if (!useCache_ || statements.empty()) return std::nullopt;
        EnsureConnected();
        Settle();
        const bool nested = !savepoint.empty();
        if (nested != (PQtransactionStatus(conn_) == PQTRANS_INTRANS)) return std::nullopt;
        if (!nested) FlushDeallocations();

        struct Prepared {
            std::string name;
            std::vector<std::string> values;
        };
        std::vector<Prepared> prepared;
        for (const std::string& sql : statements) {
            SqlShape shape = ShapeSql(sql, PlaceholderStyle::Dollar);
            if (!shape.cacheable) return std::nullopt;
            std::vector<Oid> types;
            const std::string key = CacheKey(shape, types);
            CachedStatement* cached = cache_.Find(key);
            if (!cached) {
                std::string name = "kx_" + std::to_string(++statementCount_);
                if (!TryPrepare(name, shape.key, types)) return std::nullopt;  // run one by one, as written
                cached = &cache_.Insert(key, std::move(name));
            }
            if (cached->empty()) return std::nullopt;
            Prepared statement{*cached, {}};
            for (SqlLiteral& literal : shape.literals) statement.values.push_back(std::move(literal.value));
            prepared.push_back(std::move(statement));
        }

        PendingUnit unit;
        unit.savepoint = savepoint;
        unit.statements = static_cast<int>(prepared.size());
        const std::string open = nested ? "SAVEPOINT " + savepoint : std::string("BEGIN");
        const std::string close = nested ? "RELEASE SAVEPOINT " + savepoint : std::string("COMMIT");
        if (!PQenterPipelineMode(conn_)) throw DbError(ConnectionError());
        bool sent = true;
        if (nested && cleanPointSet_) {
            sent = SendCommand("RELEASE SAVEPOINT kx_clean");
            unit.firstStatement = 2;
        }
        cleanPointSet_ = cleanPointCurrent_ = false;
        sent = sent && SendCommand(open.c_str());
        if (!nested) {
            sent = sent && SendCommand(kTakeWriterTurn.c_str());
            unit.firstStatement = 2;
        }
        for (const Prepared& statement : prepared) {
            std::vector<const char*> values;
            for (const std::string& value : statement.values) values.push_back(value.c_str());
            sent = sent && PQsendQueryPrepared(conn_, statement.name.c_str(), static_cast<int>(values.size()),
                                               values.data(), nullptr, nullptr, 0);
        }
        sent = sent && SendCommand(close.c_str()) && PQpipelineSync(conn_);
        if (!sent) {
            PQexitPipelineMode(conn_);
            throw DbError(ConnectionError());
        }
        if (told && nested) {
            unit.told = std::move(told);
            pending_ = std::move(unit);
            UnitOutcome outcome;
            outcome.pending = true;
            return outcome;
        }
        ++waits_;
        UnitOutcome outcome = ReadUnit(unit);
        PQexitPipelineMode(conn_);
        UndoIfFailed(unit, outcome);
        if (outcome.failed == UnitOutcome::kUnitFailed) throw DbError(outcome.error);
        return outcome;
    }

    // Inside a transaction the read-only state is set in a savepoint, and undone
    // with it afterwards.
    void RunReadOnly(std::string_view sql, ResultSet* rows) override {
        EnsureConnected();
        Settle();
        const bool nested = InTransaction();
        Control(nested ? "SAVEPOINT kx_read_only; SET TRANSACTION READ ONLY" : "BEGIN READ ONLY");
        const char* end = nested ? "ROLLBACK TO SAVEPOINT kx_read_only; RELEASE SAVEPOINT kx_read_only" : "ROLLBACK";
        try {
            Run(sql, rows);
        } catch (...) {
            try {
                Control(end);
            } catch (...) {
            }
            throw;
        }
        Control(end);
    }

    void ExecScript(std::string_view sql) override {
        EnsureConnected();
        Settle();
        const std::string text(sql);
        ++waits_;
        if (!InTransaction()) return Check(Owned(PQexec(conn_, text.c_str())).get());
        Control("SAVEPOINT kx_script");
        ++waits_;
        PgResult result = Owned(PQexec(conn_, text.c_str()));
        if (Failed(result.get())) {
            std::string error = ErrorText(result.get());
            Undo("kx_script");
            throw DbError(error);
        }
        Control("RELEASE SAVEPOINT kx_script");
    }

    // The clean point is released first, so that it is never buried under (or
    // destroyed with) the savepoints of units.
    void Control(std::string_view sql) override {
        if (!conn_) throw DbError("database is not open");
        Settle();
        const bool usable = PQtransactionStatus(conn_) == PQTRANS_INTRANS;
        std::string text = cleanPointSet_ && usable ? "RELEASE SAVEPOINT kx_clean; " : "";
        text += sql;
        cleanPointSet_ = cleanPointCurrent_ = false;
        ++waits_;
        Check(Owned(PQexec(conn_, text.c_str())).get());
    }

    void Begin(bool* waited) override {
        EnsureConnected();
        Settle();
        FlushDeallocations();
        cleanPointSet_ = cleanPointCurrent_ = false;
        ++waits_;
        PgResult turn = Owned(PQexec(conn_, ("BEGIN; " + kTryWriterTurn).c_str()));
        Check(turn.get());
        if (std::string_view(PQgetvalue(turn.get(), 0, 0)) == "t") return;
        if (waited) *waited = true;
        ++waits_;
        Check(Owned(PQexec(conn_, kTakeWriterTurn.c_str())).get());
    }

    bool InTransaction() const override {
        if (!conn_) return false;
        if (pending_) return true;  // only units inside a transaction wait unread
        const PGTransactionStatusType status = PQtransactionStatus(conn_);
        return status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
    }

    void SetStatementCache(bool on) override { useCache_ = on; }

    bool LastFailureWasOutage() const override { return conn_ && (PQstatus(conn_) != CONNECTION_OK || outageState_); }

    void Reconnect(std::chrono::milliseconds /*patience*/) override {
        if (!conn_) throw DbError("database is not open");
        if (PQstatus(conn_) == CONNECTION_OK) {
            Settle();
            if (PQtransactionStatus(conn_) != PQTRANS_IDLE) {
                ++waits_;
                PQclear(PQexec(conn_, "ROLLBACK"));
            }
        } else {
            DropPending(ConnectionError());
        }
        cleanPointSet_ = cleanPointCurrent_ = false;
        EnsureConnected();
        ++waits_;
        Check(Owned(PQexec(conn_, "select 1")).get());
    }

    void Disconnect() override {
        if (!conn_) return;
        DropPending("the connection was closed before the unit's outcome was read");
        cache_.Clear(false);
        PQfinish(conn_);
        conn_ = nullptr;
        cleanPointSet_ = cleanPointCurrent_ = false;
    }

private:
    // A lost connection is opened again before the next statement (the failed
    // one is not repeated); its prepared statements went with it.
    void EnsureConnected() {
        if (!conn_) throw DbError("database is not open");
        if (PQstatus(conn_) == CONNECTION_OK) return;
        DropPending(ConnectionError());
        if (PQpipelineStatus(conn_) != PQ_PIPELINE_OFF) PQexitPipelineMode(conn_);
        cache_.Clear(false);
        pendingDeallocations_.clear();
        cleanPointSet_ = cleanPointCurrent_ = false;
        PQreset(conn_);
        if (PQstatus(conn_) != CONNECTION_OK) throw DbError(ConnectionError());
        SetUpSession();
    }

    std::string ConnectionError() const {
        std::string text = OneLine(PQerrorMessage(conn_));
        return text.empty() ? "connection to the database lost" : text;
    }

    std::string ErrorText(const PGresult* result) const {
        const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        outageState_ = state && IsOutageState(state);
        const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        return primary ? OneLine(primary) : ConnectionError();
    }

    static bool Failed(const PGresult* result) {
        if (!result) return true;
        switch (PQresultStatus(result)) {
        case PGRES_COMMAND_OK:
        case PGRES_TUPLES_OK:
        case PGRES_EMPTY_QUERY: return false;
        default: return true;
        }
    }

    void Check(const PGresult* result) const {
        if (Failed(result)) throw DbError(ErrorText(result));
    }

    // Back to the savepoint after a failure, leaving the transaction usable.
    void Undo(const std::string& savepoint) {
        if (PQstatus(conn_) != CONNECTION_OK) return;
        const std::string sql = "ROLLBACK TO SAVEPOINT " + savepoint + "; RELEASE SAVEPOINT " + savepoint;
        ++waits_;
        PQclear(PQexec(conn_, sql.c_str()));
    }

    bool TryPrepare(const std::string& name, const std::string& sql, const std::vector<Oid>& types) {
        const bool guarded = InTransaction();
        if (guarded) Control("SAVEPOINT kx_prepare");
        ++waits_;
        PgResult result =
            Owned(PQprepare(conn_, name.c_str(), sql.c_str(), static_cast<int>(types.size()), types.data()));
        const bool prepared = !Failed(result.get());
        if (guarded) {
            if (prepared)
                Control("RELEASE SAVEPOINT kx_prepare");
            else
                Undo("kx_prepare");
        }
        if (PQstatus(conn_) != CONNECTION_OK) throw DbError(ConnectionError());
        return prepared;
    }

    PgResult RunAsWritten(std::string_view sql, bool readOnly) {
        const std::string text(sql);
        return Execute(
            readOnly, [&] { return PQsendQueryParams(conn_, text.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0); });
    }

    // Sends one statement with `send`. In autocommit that is all. Inside a
    // transaction a failing statement would abort the whole transaction, so it
    // must be undone alone, as it would be in autocommit: the savepoint kx_clean
    // marks the state to return to. It is set again (in the same round trip as
    // the statement) only when a write or transaction control came after it;
    // reads change nothing, so returning past them loses nothing.
    template <typename Send>
    PgResult Execute(bool readOnly, Send&& send) {
        ++waits_;
        if (!InTransaction()) {
            if (!send()) throw DbError(ConnectionError());
            PgResult result = Owned(nullptr);
            while (PGresult* next = PQgetResult(conn_)) {
                if (!result || !Failed(result.get()))
                    result = Owned(next);  // keep the first error
                else
                    PQclear(next);
            }
            Check(result.get());
            return result;
        }

        if (!PQenterPipelineMode(conn_)) throw DbError(ConnectionError());
        int commands = 0;
        bool sent = true;
        if (!cleanPointCurrent_) {
            if (cleanPointSet_) {
                sent = SendCommand("RELEASE SAVEPOINT kx_clean");
                ++commands;
            }
            sent = sent && SendCommand("SAVEPOINT kx_clean");
            ++commands;
        }
        const int statementIndex = commands;
        sent = sent && send() && PQpipelineSync(conn_);

        // A unit sent before without waiting shares this exchange; its results come first.
        std::optional<PendingUnit> unit;
        UnitOutcome unitOutcome;
        if (pending_ && sent) {
            unit = std::move(*pending_);
            pending_.reset();
            unitOutcome = ReadUnit(*unit);
        }

        std::string failure = sent ? std::string() : ConnectionError();
        int failedIndex = -1;
        PgResult statement = Owned(nullptr);
        if (sent) {
            ReadToSync(failedIndex, failure, [&](int command, PGresult* result) {
                if (command != statementIndex || statement) return false;
                statement = Owned(result);
                return true;
            });
        }
        PQexitPipelineMode(conn_);
        if (unit) {
            UndoIfFailed(*unit, unitOutcome);
            unit->told(unitOutcome);
            if (unitOutcome.failed != -1) {
                // This statement met the failed unit's aborted transaction: it runs again on its own.
                cleanPointSet_ = cleanPointCurrent_ = false;
                statement.reset();
                return Execute(readOnly, std::forward<Send>(send));
            }
        }
        if (failure.empty() && !statement) failure = ConnectionError();

        if (failure.empty()) {
            cleanPointSet_ = true;
            cleanPointCurrent_ = readOnly;
            return statement;
        }
        cleanPointSet_ = cleanPointCurrent_ = false;
        if (failedIndex == statementIndex && PQstatus(conn_) == CONNECTION_OK) {
            ++waits_;
            PgResult back = Owned(PQexec(conn_, "ROLLBACK TO SAVEPOINT kx_clean"));
            if (!Failed(back.get())) cleanPointSet_ = cleanPointCurrent_ = true;
        }
        throw DbError(failure);
    }

    // Reads one pipeline segment's results up to its sync point, noting the first
    // failing command; `take` may keep a result (answering true). Each command's
    // results end with a null. False when the sync never came.
    template <typename Take>
    bool ReadToSync(int& failedIndex, std::string& failure, Take&& take) {
        int command = 0;
        for (int guard = 0; guard < 256; ++guard) {
            PGresult* next = PQgetResult(conn_);
            if (!next) {
                if (PQstatus(conn_) != CONNECTION_OK) return false;
                ++command;
                continue;
            }
            const ExecStatusType status = PQresultStatus(next);
            if (status == PGRES_PIPELINE_SYNC) {
                PQclear(next);
                return true;
            }
            if (status == PGRES_FATAL_ERROR && failedIndex < 0) {
                failedIndex = command;
                failure = ErrorText(next);
            }
            if (!take(command, next)) PQclear(next);
        }
        return false;
    }

    struct PendingUnit {
        std::string savepoint;   // empty: the unit had a transaction of its own
        int firstStatement = 1;  // the statements' first index among the pipeline's commands
        int statements = 0;
        UnitTold told;
    };

    // The results of a unit's commands, up to its sync point.
    UnitOutcome ReadUnit(const PendingUnit& unit) {
        int failedIndex = -1;
        std::string failure;
        const bool synced = ReadToSync(failedIndex, failure, [](int, PGresult*) { return false; });
        UnitOutcome outcome;
        if (failure.empty() && synced) return outcome;
        if (failure.empty()) failure = ConnectionError();
        const int statement = failedIndex - unit.firstStatement;
        outcome.failed = statement >= 0 && statement < unit.statements ? statement : UnitOutcome::kUnitFailed;
        outcome.error = failure;
        return outcome;
    }

    // Out of pipeline mode: a failed unit is taken back, leaving the transaction usable.
    void UndoIfFailed(const PendingUnit& unit, UnitOutcome& outcome) {
        if (outcome.failed == -1 || PQstatus(conn_) != CONNECTION_OK) return;
        if (PQtransactionStatus(conn_) == PQTRANS_IDLE) return;
        const std::string back = unit.savepoint.empty() ? std::string("ROLLBACK")
                                                        : "ROLLBACK TO SAVEPOINT " + unit.savepoint +
                                                              "; RELEASE SAVEPOINT " + unit.savepoint;
        ++waits_;
        PgResult undone = Owned(PQexec(conn_, back.c_str()));
        if (Failed(undone.get()) && outcome.failed >= 0) {
            outcome.failed = UnitOutcome::kUnitFailed;
            outcome.error = ErrorText(undone.get());
        }
    }

    // A unit whose outcome can no longer be read failed.
    void DropPending(const std::string& why) {
        if (!pending_) return;
        PendingUnit unit = std::move(*pending_);
        pending_.reset();
        UnitOutcome outcome;
        outcome.failed = UnitOutcome::kUnitFailed;
        outcome.error = why;
        unit.told(outcome);
    }

    // Reads the outcome of a unit sent without waiting, and tells it.
    void Settle() {
        if (!pending_) return;
        PendingUnit unit = std::move(*pending_);
        pending_.reset();
        ++waits_;
        UnitOutcome outcome = ReadUnit(unit);
        PQexitPipelineMode(conn_);
        UndoIfFailed(unit, outcome);
        unit.told(outcome);
    }

    // The cache key of a shape: its text and the types of its parameters.
    static std::string CacheKey(const SqlShape& shape, std::vector<Oid>& types) {
        std::string key = shape.key;
        key += '\x1f';
        for (const SqlLiteral& literal : shape.literals) {
            types.push_back(TypeOf(literal));
            key += std::to_string(types.back());
            key += ',';
        }
        return key;
    }

    bool SendCommand(const char* sql) {
        return PQsendQueryParams(conn_, sql, 0, nullptr, nullptr, nullptr, nullptr, 0);
    }

    static void Collect(PgResult result, ResultSet* rows) {
        if (!rows) return;
        const int columns = PQnfields(result.get());
        const int count = PQntuples(result.get());
        rows->columns.clear();
        rows->cells.clear();
        rows->rowCount = static_cast<std::size_t>(count);
        for (int c = 0; c < columns; ++c) rows->columns.emplace_back(PQfname(result.get(), c));
        rows->cells.reserve(static_cast<std::size_t>(columns) * rows->rowCount);
        for (int r = 0; r < count; ++r)
            for (int c = 0; c < columns; ++c)
                rows->cells.emplace_back(PQgetvalue(result.get(), r, c),
                                         static_cast<std::size_t>(PQgetlength(result.get(), r, c)));
    }

    // An evicted statement is dropped outside any transaction, where a failure
    // cannot spoil the caller's work.
    void Deallocate(const CachedStatement& name) {
        if (!name.empty()) pendingDeallocations_.push_back(name);
    }

    void FlushDeallocations() {
        if (pendingDeallocations_.empty() || PQstatus(conn_) != CONNECTION_OK) return;
        std::string sql;
        for (const std::string& name : pendingDeallocations_) sql += "DEALLOCATE " + name + ";";
        pendingDeallocations_.clear();
        ++waits_;
        PQclear(PQexec(conn_, sql.c_str()));
    }

    PGconn* conn_;
    std::vector<std::string> pendingDeallocations_;
    StatementCache<CachedStatement> cache_;
    bool useCache_ = true;
    std::uint64_t statementCount_ = 0;
    std::uint64_t waits_ = 0;
    std::optional<PendingUnit> pending_;  // a unit sent but not read yet
    bool cleanPointSet_ = false;          // kx_clean exists, on top of the savepoints
    bool cleanPointCurrent_ = false;      // and only reads ran since it was set
    mutable bool outageState_ = false;    // the last error's SQLSTATE says the server is out of reach or busy
};

}  // namespace

std::unique_ptr<Backend> OpenPostgresBackend(const std::string& uri, const std::string& user,
                                             const std::string& password) {
    // Later keywords override what the URI says.
    // A server out of reach must not hold a reconnection for the system's TCP
    // time-out; a URI's own connect_timeout comes after and wins.
    std::vector<const char*> keywords{"connect_timeout", "dbname", "fallback_application_name"};
    std::vector<const char*> values{"10", uri.c_str(), "kx-ata"};
    if (!user.empty()) {
        keywords.push_back("user");
        values.push_back(user.c_str());
    }
    if (!password.empty()) {
        keywords.push_back("password");
        values.push_back(password.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    PGconn* conn = PQconnectdbParams(keywords.data(), values.data(), 1);
    if (!conn) throw DbError("out of memory connecting to the database");
    if (PQstatus(conn) != CONNECTION_OK) {
        std::string error = OneLine(PQerrorMessage(conn));
        PQfinish(conn);
        throw DbError(error);
    }
    auto backend = std::make_unique<PostgresBackend>(conn);
    backend->SetUpSession();
    return backend;
}

}  // namespace kx::db
