// The layer against the suite's own tables: the schema loads, and the attendance
// row of a staff-day (bare minute counts included) is replaced through the cache.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/agent_context.h"
#include "core/clock.h"
#include "db/run_sql.h"
#include "support/test_db.h"

namespace kx::db {
namespace {

class SuiteSchemaTest : public test::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) return;
        if (!std::filesystem::exists(test::SuiteSchemaFile(IsPostgres()))) GTEST_SKIP() << "no suite schema yet";
        test::LoadSuiteSchema(db());
        ctx = std::make_unique<AgentContext>(testDatabase().home(), clock);
        ctx->db = db_.get();
    }

    static std::string AttendRow(const std::string& staff, const std::string& in, int lateMin) {
        std::string sql = "insert into kt_attnd values ('20240105','" + staff + "','C1','Ann'";
        for (int i = 0; i < 4; ++i) sql += ",'X'";
        for (int i = 0; i < 10; ++i) sql += ",'N'";
        sql += ",'" + in + "','1700','','',''";
        sql += ",480,'N'," + std::to_string(lateMin) + ",0,-5,'it''s late'";
        for (int i = 0; i < 6; ++i) sql += ",''";
        for (int i = 0; i < 6; ++i) sql += ",0";
        sql += ",'','')";
        return sql;
    }

    FakeClock clock{MakeLocalTime(2024, 1, 5, 9, 30)};
    std::unique_ptr<AgentContext> ctx;
};

TEST_P(SuiteSchemaTest, SettingsTableAndAttendanceRow) {
    EXPECT_TRUE(WriteKTINI(*ctx, "Attend", "LastAAPDate", "20240104"));
    EXPECT_EQ(ReadKTINI(*ctx, "Attend", "LastAAPDate", "20240105"), "20240104");

    Query& q = db().CommonQuery;
    for (int late : {10, 25}) {
        Database::Unit unit(db());
        RunSQL(ctx->log, q, "delete from kt_attnd where staff_number='S1' and at_date='20240105'", false);
        RunSQL(ctx->log, q, AttendRow("S1", late == 10 ? "0810" : "0825", late), false);
        unit.Commit();
    }
    ASSERT_TRUE(RunSQL(ctx->log, q, "select * from kt_attnd where staff_number='S1'", true));
    EXPECT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldByName("in_time"), "0825");
    EXPECT_EQ(q.FieldByName("late_min"), "25");
    EXPECT_EQ(q.FieldByName("ot_min"), "-5");
    EXPECT_EQ(q.FieldByName("at_remark"), "it's late");
    EXPECT_EQ(q.FieldByName("pre_ot"), "");
    EXPECT_FALSE(std::filesystem::exists(ctx->log.MainLogPath()));
}

KX_INSTANTIATE_BACKENDS(SuiteSchemaTest);

}  // namespace
}  // namespace kx::db
