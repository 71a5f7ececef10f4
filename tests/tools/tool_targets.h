#pragma once
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db/database.h"

namespace kx::test {

// Fresh, empty targets for kx-db, which opens them itself: SQLite file paths in a
// temporary directory, and with KX_TEST_PG set PostgreSQL URIs whose search_path
// is a schema of their own. Everything is removed again at destruction.
class ToolTargets {
public:
    ToolTargets() {
        static std::atomic<int> counter{0};
        id_ = std::to_string(getpid()) + "_" + std::to_string(counter++);
        dir_ = std::filesystem::temp_directory_path() / ("kx-db-test-" + id_);
        std::filesystem::create_directories(dir_);
    }
    ~ToolTargets() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        if (schemas_.empty()) return;
        try {
            auto admin = db::Database::Open(ServerUri(), dir_);
            for (const std::string& schema : schemas_) admin->ExecScript("drop schema " + schema + " cascade");
        } catch (...) {
        }
    }
    ToolTargets(const ToolTargets&) = delete;
    ToolTargets& operator=(const ToolTargets&) = delete;

    static bool HavePostgres() { return !ServerUri().empty(); }
    static std::string ServerUri() {
        const char* uri = std::getenv("KX_TEST_PG");
        return uri ? uri : "";
    }

    const std::filesystem::path& Dir() const { return dir_; }
    std::string SqlitePath(const std::string& name) const { return (dir_ / name).string(); }

    // A URI on a new, empty schema; requires HavePostgres().
    std::string PostgresUri() {
        const std::string schema = "kxdb_test_" + id_ + "_" + std::to_string(schemas_.size());
        db::Database::Open(ServerUri(), dir_)->ExecScript("create schema " + schema);
        schemas_.push_back(schema);
        const std::string base = ServerUri();
        return base + (base.find('?') == std::string::npos ? "?" : "&") + "options=-c%20search_path%3D" + schema;
    }

    // "sqlite" or "postgresql"; skips the test when the server is not configured.
    std::string Fresh(const std::string& backend, const std::string& name = "suite.db") {
        if (backend == "sqlite") return SqlitePath(name);
        return PostgresUri();
    }

    std::unique_ptr<db::Database> Open(const std::string& target) const { return db::Database::Open(target, dir_); }

private:
    std::string id_;
    std::filesystem::path dir_;
    std::vector<std::string> schemas_;
};

// Parameter of the tests that run on both backends.
inline std::vector<std::string> Backends() { return {"sqlite", "postgresql"}; }

#define KX_SKIP_WITHOUT_BACKEND(backend)                                              \
    do {                                                                              \
        if ((backend) == "postgresql" && !::kx::test::ToolTargets::HavePostgres())    \
            GTEST_SKIP() << "KX_TEST_PG is not set";                                  \
    } while (0)

}  // namespace kx::test
