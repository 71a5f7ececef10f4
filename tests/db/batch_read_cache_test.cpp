#include "db/batch_read_cache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/database.h"
#include "support/test_db.h"

namespace kx::db {
namespace {

TEST(BatchReadCacheTest, OnlyPlainSelectsFromTheTablesAreKept) {
    BatchReadCache cache;
    cache.SetTables({"holdate", "kt_shift"});
    struct Case {
        const char* sql;
        bool kept;
    };
    const Case cases[] = {
        {"select * from holdate where holdate.\"date\"='20240101'", true},
        {"SELECT * FROM HOLDATE WHERE date='20240101'", true},
        {"select * from kt_shift where tag_name='A'", true},
        {"select * from kt_shift", true},
        {"select * from holdate_old where date='1'", false},  // another table
        {"select * from trans_r where tr_date='20240101'", false},
        {"select * from holdate h, kt_shift s where 1=1", false},  // a join
        {"select * from kt_shift where tag_name in (select x from trans_r)", false},
        {"delete from holdate where date='1'", false},
        {"select", false},
    };
    for (const Case& c : cases) EXPECT_EQ(cache.Cacheable(c.sql), c.kept) << c.sql;
}

TEST(BatchReadCacheTest, AWriteNamingATableForgetsEverything) {
    BatchReadCache cache;
    cache.SetTables({"holdate"});
    ResultSet rows;
    rows.columns = {"date"};
    rows.cells = {"20240101"};
    rows.rowCount = 1;
    const std::string sql = "select * from holdate where date='20240101'";
    struct Case {
        const char* heard;
        bool forgets;
    };
    const Case cases[] = {
        {"insert into kt_attnd values ('holdate_x')", false},  // only a longer name
        {"select * from holdate where date='x'", false},
        {"update holdate set descr='x'", true},
        {"DELETE FROM HOLDATE", true},
    };
    for (const Case& c : cases) {
        cache.Keep(sql, rows);
        ASSERT_NE(cache.Find(sql), nullptr);
        cache.Heard(c.heard);
        EXPECT_EQ(cache.Find(sql) == nullptr, c.forgets) << c.heard;
    }
    cache.SetTables({});
    cache.Keep(sql, rows);
    EXPECT_EQ(cache.Find(sql), nullptr) << "without tables nothing is kept";
}

class BatchReadsTest : public test::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) return;
        test::RunFixture(db(), {"create table holdate (date text, descr text)",
                                "insert into holdate values ('20240101', 'New Year')"});
        db().SetBatchReadTables({"holdate"});
        db().SetStatementRecorder([this](std::string_view sql) { ran.emplace_back(sql); });
    }
    std::string Holiday() {
        Query q("Q", db());
        q.SetSQL("select descr from holdate where date='20240101'");
        q.Open();
        return q.Field(0);
    }
    std::vector<std::string> ran;
};

// Within a commit interval a repeated select is answered without the engine;
// the batch's next commit and its end forget what was kept.
TEST_P(BatchReadsTest, RepeatedSelectsAreAnsweredUntilTheNextCommit) {
    EXPECT_EQ(Holiday(), "New Year");
    EXPECT_EQ(Holiday(), "New Year");
    EXPECT_EQ(ran.size(), 2u) << "outside a batch every select runs";

    ran.clear();
    {
        Database::Batch batch(db());
        EXPECT_EQ(Holiday(), "New Year");
        EXPECT_EQ(Holiday(), "New Year");
        EXPECT_EQ(ran.size(), 1u);
        db().CommitBatchNow();
        EXPECT_EQ(Holiday(), "New Year");
        EXPECT_EQ(ran.size(), 2u) << "a commit forgets the kept rows";
        // The batch's own write to the table is seen at once.
        db().Run("update holdate set descr='Holiday'", nullptr);
        EXPECT_EQ(Holiday(), "Holiday");
        batch.End();
    }
    ran.clear();
    EXPECT_EQ(Holiday(), "Holiday");
    EXPECT_EQ(ran.size(), 1u);
}

KX_INSTANTIATE_BACKENDS(BatchReadsTest);

}  // namespace
}  // namespace kx::db
