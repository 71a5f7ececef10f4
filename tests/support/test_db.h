#pragma once
// Test support shared by every test program: temporary home directories and a
// fresh, empty database per test on SQLite or PostgreSQL.
//
// A test over both backends:
//
//     class MyTest : public kx::test::DatabaseTest {};
//     TEST_P(MyTest, Something) {
//         kx::test::RunFixture(db(), {"create table t (a text)", "insert into t values ('x')"});
//         ... db().CommonQuery ...
//     }
//     KX_INSTANTIATE_BACKENDS(MyTest);
//
// The PostgreSQL cases skip unless KX_TEST_PG holds a server URI (scripts/test.sh
// starts a throwaway server and sets it). A fixture that overrides SetUp calls
// DatabaseTest::SetUp() first and returns when IsSkipped().
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "db/database.h"

namespace kx::test {

inline constexpr std::string_view kSqlite = "sqlite";
inline constexpr std::string_view kPostgres = "postgres";

// A new empty directory under the temporary directory, removed with all it holds.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// KX_TEST_PG, or "" when PostgreSQL tests are off.
std::string PostgresServerUri();
// SQLite always; PostgreSQL when KX_TEST_PG is set.
bool BackendAvailable(std::string_view backend);

// A fresh, empty database with its own temporary home directory.
// SQLite: the file home()/kxtest.db, alias "kxtest". PostgreSQL: a schema of its
// own on the KX_TEST_PG server, alias = the server URI with that schema as its
// search path; the schema is dropped with everything in it at destruction (close
// every Database opened on it first).
class TestDatabase {
public:
    explicit TestDatabase(std::string_view backend);  // throws when the backend is unavailable
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    bool IsPostgres() const { return postgres_; }
    const std::filesystem::path& home() const { return home_.path(); }
    // What to give Database::Open together with home(); also what [Database] DBAlias would hold.
    const std::string& alias() const { return alias_; }
    std::unique_ptr<db::Database> Open(const db::Login& login = {}) const;

private:
    bool postgres_;
    TempHome home_;
    std::string alias_;
    std::string schema_;  // PostgreSQL only
};

// schema/sqlite.sql or schema/postgresql.sql of the source tree.
std::filesystem::path SuiteSchemaFile(bool postgres);
// Creates the suite's tables (throws std::runtime_error when the file is missing).
void LoadSuiteSchema(db::Database& db);
// Runs each statement as written, uncached; throws std::runtime_error naming the
// statement that failed.
void RunFixture(db::Database& db, std::initializer_list<std::string_view> statements);

// Parametrised over the backend name; SetUp opens a fresh database.
class DatabaseTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override;
    void TearDown() override;

    db::Database& db() { return *db_; }
    TestDatabase& testDatabase() { return *testDb_; }
    bool IsPostgres() const { return testDb_->IsPostgres(); }

    std::unique_ptr<TestDatabase> testDb_;
    std::unique_ptr<db::Database> db_;
};

// A DatabaseTest whose SetUp also creates the suite's tables.
class SuiteDatabaseTest : public DatabaseTest {
protected:
    void SetUp() override;
};

}  // namespace kx::test

#define KX_INSTANTIATE_BACKENDS(Suite)                                                                                \
    INSTANTIATE_TEST_SUITE_P(Backends, Suite,                                                                         \
                             ::testing::Values(std::string(::kx::test::kSqlite), std::string(::kx::test::kPostgres)), \
                             [](const ::testing::TestParamInfo<std::string>& info) { return info.param; })
