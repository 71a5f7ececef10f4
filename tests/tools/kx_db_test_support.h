#pragma once
#include <sstream>
#include <string>
#include <vector>

#include "kx-db/kx_db_tool.h"
#include "support/test_db.h"

namespace kx::test {

struct ToolOutcome {
    int status;
    std::string out, err;
};

inline ToolOutcome RunKxDbTool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = dbtool::RunKxDb(args, out, err);
    return {status, out.str(), err.str()};
}

// What kx-db is given for a test database: the SQLite file's path or the URI.
inline std::string KxDbTarget(const TestDatabase& database) {
    return database.IsPostgres() ? database.alias() : (database.home() / "kxtest.db").string();
}

}  // namespace kx::test
