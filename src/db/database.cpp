#include "db/database.h"

#include "core/text.h"
#include "db/database_alias.h"
#include "db/postgres_backend.h"
#include "db/read_only_select.h"
#include "db/sqlite_backend.h"

namespace kx::db {

std::unique_ptr<Database> Database::Open(const std::string& alias, const std::filesystem::path& home,
                                         const Login& login) {
    const DatabaseTarget target = ResolveAlias(alias, home);
    std::unique_ptr<Backend> backend;
    if (target.postgres) {
        // The login counts only with a user; its password then replaces the URI's unless "NULL".
        std::string user;
        std::string password;
        if (login.user != "NULL") {
            user = login.user;
            if (login.password != "NULL") password = login.password;
        }
        backend = OpenPostgresBackend(target.uri, user, password);
    } else {
        backend = OpenSqliteBackend(target.file);
    }
    return std::unique_ptr<Database>(new Database(std::move(backend), alias));
}

Database::Database(std::unique_ptr<Backend> backend, std::string alias)
    : backend_(std::move(backend)), alias_(std::move(alias)) {}

Database::~Database() { Close(); }

bool Database::IsPostgres() const { return backend_->IsPostgres(); }

std::vector<std::string> Database::MissingSuiteTables() {
    std::vector<std::string> missing;
    // The two that every suite has; a suite lacking another is served, with its failures logged.
    for (const char* table : {"cards", "kt_attnd"}) {
        try {
            Run("select * from " + std::string(table) + " where 1=0", nullptr);
        } catch (const DbError&) {
            missing.emplace_back(table);
        }
    }
    return missing;
}

void Database::Run(std::string_view sql, ResultSet* rows) {
    const bool cached = batchDepth_ > 0 && rows;
    if (cached) {
        if (const ResultSet* kept = readCache_.Find(sql)) {
            *rows = *kept;
            return;
        }
    }
    readCache_.Heard(sql);
    if (recorder_) recorder_(sql);
    Watched([&] { backend_->Run(sql, rows); });
    if (!backend_->InTransaction()) ++commits_;
    if (cached) readCache_.Keep(sql, *rows);
}

void Database::RunReadOnly(std::string_view sql, ResultSet* rows) {
    if (!BeginsAsARead(sql)) throw DbError("refused: a select that may write or is no select");
    if (recorder_) recorder_(sql);
    Watched([&] { backend_->RunReadOnly(sql, rows); });
}

void Database::ExecScript(std::string_view sql) {
    Watched([&] { backend_->ExecScript(sql); });
    if (!backend_->InTransaction()) ++commits_;
}

void Database::SetStatementCache(bool on) { backend_->SetStatementCache(on); }

void Database::Close() {
    // The staff-days a running batch has finished are kept.
    if (batchDepth_ > 0 && unitDepth_ == 0) {
        try {
            CommitBatchTransaction();
        } catch (const DbError&) {
        }
    }
    batchDepth_ = 0;
    readCache_.Clear();
    backend_->Disconnect();
}

void Query::SetSQL(std::string sql) {
    Close();
    sql_ = std::move(sql);
}

void Query::Close() {
    active_ = false;
    cursor_ = 0;
    result_.columns.clear();
    result_.cells.clear();
    result_.rowCount = 0;
}

void Query::OpenWith(void (Database::*run)(std::string_view, ResultSet*)) {
    Close();
    try {
        (db_->*run)(sql_, &result_);
    } catch (...) {
        Close();
        throw;
    }
    active_ = true;
}

void Query::Open() { OpenWith(&Database::Run); }

void Query::OpenReadOnly() { OpenWith(&Database::RunReadOnly); }

void Query::ExecSQL() {
    Close();
    db_->Run(sql_, nullptr);
}

bool Query::HasField(std::string_view name) const {
    for (const std::string& column : result_.columns)
        if (EqualsNoCase(column, name)) return true;
    return false;
}

const std::string& Query::Cell(std::size_t column) const {
    if (!active_ || cursor_ >= result_.rowCount) throw DbError(name_ + ": no current row");
    return result_.cells[cursor_ * result_.columns.size() + column];
}

std::string Query::FieldByName(std::string_view name) const {
    for (std::size_t c = 0; c < result_.columns.size(); ++c)
        if (EqualsNoCase(result_.columns[c], name)) return Cell(c);
    throw DbError(name_ + ": Field '" + std::string(name) + "' not found");
}

std::string Query::Field(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= result_.columns.size())
        throw DbError(name_ + ": field index " + std::to_string(index) + " out of range");
    return Cell(static_cast<std::size_t>(index));
}

}  // namespace kx::db
