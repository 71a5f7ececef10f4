#pragma once
// A fresh suite database of one backend with an agent context working on it;
// the context's clock is the test's to set, and its main log is read back
// without the time stamps.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/agent_context.h"
#include "core/clock.h"
#include "db/database.h"
#include "support/log_texts.h"
#include "support/test_db.h"

namespace kx::test {

class SuiteContext {
public:
    SuiteContext(std::string_view backend, LocalTime now)
        : testDb_(backend), db_(testDb_.Open()), clock_(now), ctx_(testDb_.home(), clock_) {
        LoadSuiteSchema(*db_);
        ctx_.db = db_.get();
    }
    SuiteContext(const SuiteContext&) = delete;
    SuiteContext& operator=(const SuiteContext&) = delete;

    AgentContext& ctx() { return ctx_; }
    const AgentContext& ctx() const { return ctx_; }
    db::Database& db() { return *db_; }
    FakeClock& clock() { return clock_; }
    const std::string& alias() const { return testDb_.alias(); }

    // Each statement as written, uncached.
    void Run(const std::vector<std::string>& statements) {
        for (const std::string& sql : statements) RunFixture(*db_, {sql});
    }

    std::vector<std::string> LogLines() const { return LogTexts(ctx_.log.MainLogPath()); }

private:
    TestDatabase testDb_;
    std::unique_ptr<db::Database> db_;
    FakeClock clock_;
    AgentContext ctx_;
};

}  // namespace kx::test
