#pragma once
// A fresh suite database with an agent context around it, for the on-the-fly
// tests; the main log is read back without its time stamps.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/query_rows.h"
#include "support/suite_context.h"

namespace kx::test {

class OnTheFlyDb : public SuiteContext {
public:
    explicit OnTheFlyDb(std::string_view backend) : SuiteContext(backend, MakeLocalTime(2024, 3, 15, 9, 30, 0)) {}

    // Rows of a select, each row's fields joined with "|".
    std::vector<std::string> Rows(const std::string& sql) { return JoinedRows(db().AutoPOnlyQuery, sql, "|"); }

    bool Logged(std::string_view text) const { return HasText(LogLines(), text); }
    bool LoggedStartingWith(std::string_view text) const { return HasTextStartingWith(LogLines(), text); }
};

class OnTheFlyTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (!BackendAvailable(GetParam())) GTEST_SKIP() << "KX_TEST_PG is not set";
        base_ = std::make_unique<OnTheFlyDb>(GetParam());
    }
    OnTheFlyDb& base() { return *base_; }
    AgentContext& ctx() { return base_->ctx(); }

    std::unique_ptr<OnTheFlyDb> base_;
};

}  // namespace kx::test
