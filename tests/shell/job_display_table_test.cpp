#include "shell/job_display_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/clock.h"
#include "core/log.h"
#include "support/test_db.h"

namespace kx {
namespace {

class JobDisplayTableTest : public test::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) return;
        test::RunFixture(db(), {"create table kt_acti (acti_code text not null primary key, Job_LcdDisplay text)"});
    }

    std::vector<std::string> Load() {
        Log log(testDatabase().home(), clock);
        LoadJobDisplayTable(table, log, db().CommonQuery);
        std::vector<std::string> entries;
        for (int i = 1; i <= JobDisplayTable::kSize; ++i) entries.push_back(table[i]);
        return entries;
    }

    FakeClock clock{MakeLocalTime(2026, 12, 8, 10, 0, 0)};
    JobDisplayTable table;
};

std::vector<std::string> Entries(std::vector<std::string> first) {
    first.resize(JobDisplayTable::kSize);
    return first;
}

TEST_P(JobDisplayTableTest, RowsWithoutDisplayTextAreSkipped) {
    test::RunFixture(db(), {"insert into kt_acti values ('1', '  Work ')", "insert into kt_acti values ('2', '')",
                            "insert into kt_acti values ('3', 'Meal')", "insert into kt_acti values ('4', null)"});
    EXPECT_EQ(Load(), Entries({"Work IN", "Work OUT", "Meal IN", "Meal OUT"}));
    EXPECT_EQ(table[0], "");
    EXPECT_EQ(table[19], "");
}

TEST_P(JobDisplayTableTest, BlankDisplayTextIsNotEmpty) {
    test::RunFixture(db(), {"insert into kt_acti values ('1', '   ')"});
    EXPECT_EQ(Load(), Entries({" IN", " OUT"}));
}

TEST_P(JobDisplayTableTest, EntriesBeyondTheEighteenthAreNotWritten) {
    for (int i = 1; i <= 11; ++i) {
        const std::string n = std::to_string(i);
        test::RunFixture(db(),
                         {"insert into kt_acti values ('" + std::string(i < 10 ? "0" : "") + n + "', 'J" + n + "')"});
    }
    std::vector<std::string> expected;
    for (int i = 1; i <= 9; ++i) {
        expected.push_back("J" + std::to_string(i) + " IN");
        expected.push_back("J" + std::to_string(i) + " OUT");
    }
    EXPECT_EQ(Load(), expected);
}

TEST_P(JobDisplayTableTest, NoRowsOrAFailedSelectLeaveTheTableEmpty) {
    table.Set(3, "stale");
    EXPECT_EQ(Load(), Entries({}));
    test::RunFixture(db(), {"drop table kt_acti"});
    table.Set(3, "stale");
    EXPECT_EQ(Load(), Entries({}));
    std::ifstream in(testDatabase().home() / "KX_ATA.Log");
    std::stringstream log;
    log << in.rdbuf();
    EXPECT_NE(log.str().find(" : <RunSQL>"), std::string::npos) << log.str();
}

KX_INSTANTIATE_BACKENDS(JobDisplayTableTest);

}  // namespace
}  // namespace kx
