#include "support/test_db.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace kx::test {
namespace {

std::filesystem::path TempRoot() {
    std::error_code ec;
    std::filesystem::path root = std::filesystem::temp_directory_path(ec);
    return ec ? std::filesystem::path("/tmp") : root;
}

// Runs administrative SQL on the test server with a connection of its own.
void AdminExec(const std::string& sql) {
    PGconn* conn = PQconnectdb(PostgresServerUri().c_str());
    std::string error;
    if (PQstatus(conn) != CONNECTION_OK) {
        error = PQerrorMessage(conn);
    } else {
        PQsetNoticeProcessor(
            conn, [](void*, const char*) {}, nullptr);
        PGresult* result = PQexec(conn, sql.c_str());
        if (PQresultStatus(result) != PGRES_COMMAND_OK) error = PQresultErrorMessage(result);
        PQclear(result);
    }
    PQfinish(conn);
    if (!error.empty()) throw std::runtime_error("test server: " + sql + ": " + error);
}

std::string UniqueSchemaName() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    char name[64];
    std::snprintf(name, sizeof name, "kxt_%d_%u_%08x", static_cast<int>(getpid()), ++counter,
                  static_cast<unsigned>(random()));
    return name;
}

std::string WithSearchPath(const std::string& uri, const std::string& schema) {
    return uri + (uri.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema;
}

}  // namespace

TempHome::TempHome() {
    std::string pattern = (TempRoot() / "kx-home-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
}

TempHome::~TempHome() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string PostgresServerUri() {
    const char* uri = std::getenv("KX_TEST_PG");
    return uri ? uri : "";
}

bool BackendAvailable(std::string_view backend) {
    if (backend == kSqlite) return true;
    return backend == kPostgres && !PostgresServerUri().empty();
}

TestDatabase::TestDatabase(std::string_view backend) : postgres_(backend == kPostgres) {
    if (!BackendAvailable(backend)) throw std::runtime_error("backend not available: " + std::string(backend));
    if (postgres_) {
        schema_ = UniqueSchemaName();
        AdminExec("create schema " + schema_);
        alias_ = WithSearchPath(PostgresServerUri(), schema_);
    } else {
        alias_ = "kxtest";
        std::ofstream(home() / "kxtest.db");  // an empty file is an empty SQLite database
    }
}

TestDatabase::~TestDatabase() {
    if (!postgres_) return;
    try {
        AdminExec("set lock_timeout = '10s'; drop schema " + schema_ + " cascade");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "warning: %s\n", e.what());
    }
}

std::unique_ptr<db::Database> TestDatabase::Open(const db::Login& login) const {
    return db::Database::Open(alias_, home(), login);
}

std::filesystem::path SuiteSchemaFile(bool postgres) {
    return std::filesystem::path(KX_SOURCE_DIR) / "schema" / (postgres ? "postgresql.sql" : "sqlite.sql");
}

void LoadSuiteSchema(db::Database& db) {
    const std::filesystem::path file = SuiteSchemaFile(db.IsPostgres());
    std::ifstream in(file);
    if (!in) throw std::runtime_error("schema file missing: " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    db.ExecScript(text.str());
}

void RunFixture(db::Database& db, std::initializer_list<std::string_view> statements) {
    for (std::string_view sql : statements) {
        try {
            db.ExecScript(sql);
        } catch (const std::exception& e) {
            throw std::runtime_error("fixture statement failed: " + std::string(sql) + ": " + e.what());
        }
    }
}

void DatabaseTest::SetUp() {
    if (!BackendAvailable(GetParam())) GTEST_SKIP() << "KX_TEST_PG is not set";
    testDb_ = std::make_unique<TestDatabase>(GetParam());
    db_ = testDb_->Open();
}

void DatabaseTest::TearDown() {
    db_.reset();
    testDb_.reset();
}

void SuiteDatabaseTest::SetUp() {
    DatabaseTest::SetUp();
    if (IsSkipped()) return;
    LoadSuiteSchema(db());
}

}  // namespace kx::test
