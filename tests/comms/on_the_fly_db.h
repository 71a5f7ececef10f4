#pragma once
// A fresh suite database with an agent context around it, for the on-the-fly
// tests; the main log is read back without its time stamps.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/agent_context.h"
#include "core/clock.h"
#include "db/database.h"
#include "support/test_db.h"

namespace kx::test {

class OnTheFlyDb {
public:
    explicit OnTheFlyDb(std::string_view backend) : testDb_(backend), db_(testDb_.Open()), ctx_(testDb_.home(), clock_)
    {
        LoadSuiteSchema(*db_);
        ctx_.db = db_.get();
    }

    AgentContext& ctx() { return ctx_; }
    db::Database& db() { return *db_; }
    FakeClock& clock() { return clock_; }

    void Run(const std::vector<std::string>& statements)
    {
        for (const std::string& sql : statements) RunFixture(*db_, {sql});
    }

    // Rows of a select, each row's fields joined with "|".
    std::vector<std::string> Rows(const std::string& sql)
    {
        db::Query& q = db_->AutoPOnlyQuery;
        q.SetSQL(sql);
        q.Open();
        std::vector<std::string> rows;
        for (q.First(); !q.Eof(); q.Next()) {
            std::string row;
            for (int i = 0; i < q.FieldCount(); ++i) row += (i ? "|" : "") + q.Field(i);
            rows.push_back(row);
        }
        q.Close();
        return rows;
    }

    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        std::ifstream in(ctx_.log.MainLogPath());
        for (std::string line; std::getline(in, line);) lines.push_back(line.size() >= 20 ? line.substr(20) : line);
        return lines;
    }
    bool Logged(std::string_view text) const
    {
        const auto lines = LogLines();
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }
    bool LoggedStartingWith(std::string_view text) const
    {
        for (const std::string& line : LogLines())
            if (line.rfind(text, 0) == 0) return true;
        return false;
    }

private:
    TestDatabase testDb_;
    std::unique_ptr<db::Database> db_;
    FakeClock clock_{MakeLocalTime(2024, 3, 15, 9, 30, 0)};
    AgentContext ctx_;
};

class OnTheFlyTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        if (!BackendAvailable(GetParam())) GTEST_SKIP() << "KX_TEST_PG is not set";
        base_ = std::make_unique<OnTheFlyDb>(GetParam());
    }
    OnTheFlyDb& base() { return *base_; }
    AgentContext& ctx() { return base_->ctx(); }

    std::unique_ptr<OnTheFlyDb> base_;
};

}  // namespace kx::test
