#pragma once
// A fresh suite database per test on each backend, with an agent context
// working on it and a reader of its main log.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "core/agent_context.h"
#include "core/clock.h"
#include "support/file_text.h"
#include "support/test_db.h"

namespace kx::shift_test {

class ShiftDbTest : public kx::test::SuiteDatabaseTest {
protected:
    void SetUp() override {
        SuiteDatabaseTest::SetUp();
        if (IsSkipped()) return;
        ctx = std::make_unique<AgentContext>(testDatabase().home(), clock);
        ctx->db = &db();
    }
    void TearDown() override {
        ctx.reset();
        DatabaseTest::TearDown();
    }

    void Fixture(std::initializer_list<std::string_view> statements) { kx::test::RunFixture(db(), statements); }

    std::string MainLog() const { return kx::test::FileText(ctx->log.MainLogPath()); }
    bool Logged(std::string_view line) const {
        return MainLog().find(" : " + std::string(line) + "\n") != std::string::npos;
    }

    FakeClock clock{MakeLocalTime(2024, 3, 4, 9, 0, 0)};
    std::unique_ptr<AgentContext> ctx;
};

}  // namespace kx::shift_test
