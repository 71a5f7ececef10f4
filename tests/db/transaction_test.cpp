#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "db/database.h"
#include "support/test_db.h"

namespace kx::db {
namespace {

class TransactionTest : public test::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) return;
        test::RunFixture(db(), {"create table kt_attnd (staff_number text primary key, at_date text, in_time text)",
                                "insert into kt_attnd values ('S0', '20240101', '0800')"});
        reader = testDatabase().Open();  // a second program sharing the database
    }
    void TearDown() override {
        reader.reset();
        DatabaseTest::TearDown();
    }

    void Exec(const std::string& sql) {
        db().CommonQuery.SetSQL(sql);
        db().CommonQuery.ExecSQL();
    }

    // What another connection sees: the staff numbers in order.
    std::string Seen(Database& from) {
        Query q("Seen", from);
        q.SetSQL("select staff_number from kt_attnd order by staff_number");
        q.Open();
        std::string seen;
        for (; !q.Eof(); q.Next()) seen += q.Field(0) + " ";
        return seen;
    }

    void ReplaceDay(const std::string& staff, const std::string& in) {
        Exec("delete from kt_attnd where staff_number='" + staff + "'");
        Exec("insert into kt_attnd values ('" + staff + "', '20240101', '" + in + "')");
    }

    std::unique_ptr<Database> reader;
};

TEST_P(TransactionTest, UnitCommitsOrRollsBackAsAWhole) {
    {
        Database::Unit unit(db());
        ReplaceDay("S1", "0900");
        unit.Commit();
    }
    EXPECT_EQ(Seen(*reader), "S0 S1 ");
    try {
        Database::Unit unit(db());
        Exec("delete from kt_attnd where staff_number='S0'");
        throw std::runtime_error("the staff-day failed half-way");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(Seen(*reader), "S0 S1 ");  // the delete did not survive without its insert
}

TEST_P(TransactionTest, AFailingStatementUndoesOnlyItself) {
    Database::Unit unit(db());
    ReplaceDay("S1", "0900");
    Query probe("Probe", db());
    probe.SetSQL("select * from nosuch");
    EXPECT_THROW(probe.Open(), DbError);
    probe.SetSQL("insert into kt_attnd values ('S1', 'dup', '')");
    EXPECT_THROW(probe.ExecSQL(), DbError);
    ReplaceDay("S2", "1000");
    unit.Commit();
    EXPECT_EQ(Seen(*reader), "S0 S1 S2 ");
}

TEST_P(TransactionTest, FailuresAmongReadsAndWritesInABatchUndoOnlyThemselves) {
    struct Step {
        const char* sql;
        bool fails;
    };
    const Step steps[] = {
        {"insert into kt_attnd values ('A', '20240101', '')", false},
        {"select * from kt_attnd where staff_number = 'A'", false},
        {"select * from nosuch where a = 'A'", true},
        {"select * from kt_attnd where staff_number = 'A'", false},
        {"insert into kt_attnd values ('B', '20240101', '')", false},
        {"insert into kt_attnd values ('C', '20240101', '')", false},
        {"insert into kt_attnd values ('A', 'again', '')", true},
        {"select nosuch from kt_attnd", true},
        {"select nosuch from kt_attnd", true},
        {"update kt_attnd set in_time = '0700' where staff_number = 'B'", false},
        {"update kt_attnd set nosuch = 1", true},
        {"delete from kt_attnd where staff_number = 'C'", false},
        {"select * from kt_attnd where abs(-9223372036854775807 - 1) > 0", true},  // fails while running
        {"insert into kt_attnd values ('D', '20240101', '')", false},
    };
    Database::Batch batch(db());
    for (bool inUnit : {true, false}) {
        std::unique_ptr<Database::Unit> unit;
        if (inUnit) unit = std::make_unique<Database::Unit>(db());
        for (const Step& step : steps) {
            Query q("Step", db());
            q.SetSQL(step.sql);
            if (step.fails)
                EXPECT_THROW(q.Open(), DbError) << step.sql;
            else
                EXPECT_NO_THROW(q.Open()) << step.sql;
        }
        if (unit) unit->Commit();
        EXPECT_EQ(Seen(db()), "A B D S0 ");
        Exec("delete from kt_attnd where staff_number <> 'S0'");
    }
    Exec("update kt_attnd set in_time = '0600' where staff_number = 'S0'");
    batch.End();
    Query q("Check", *reader);
    q.SetSQL("select in_time from kt_attnd");
    q.Open();
    EXPECT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.Field(0), "0600");
}

TEST_P(TransactionTest, BatchGroupsUnitsAndCommitsAtItsEnd) {
    db().BeginBatch();
    EXPECT_TRUE(db().InBatch());
    {
        Database::Unit unit(db());
        ReplaceDay("S1", "0900");
        unit.Commit();
    }
    {
        Database::Unit unit(db());
        ReplaceDay("S2", "0900");  // not committed: rolled back alone
    }
    {
        Database::Unit unit(db());
        ReplaceDay("S3", "0900");
        unit.Commit();
    }
    EXPECT_EQ(Seen(db()), "S0 S1 S3 ");
    EXPECT_EQ(Seen(*reader), "S0 ");  // inside the 250 ms window nothing is visible yet
    db().EndBatch();
    EXPECT_FALSE(db().InBatch());
    EXPECT_EQ(Seen(*reader), "S0 S1 S3 ");
}

TEST_P(TransactionTest, BatchCommitsAtTheLatestEveryInterval) {
    Database::Batch batch(db());
    {
        Database::Unit unit(db());
        ReplaceDay("S1", "0900");
        unit.Commit();
    }
    db().CommitIfDue();
    EXPECT_EQ(Seen(*reader), "S0 ");
    std::this_thread::sleep_for(Database::kBatchCommitInterval + std::chrono::milliseconds(30));
    {
        Database::Unit unit(db());
        ReplaceDay("S2", "0900");
        unit.Commit();  // the outermost unit's commit finds the interval passed
    }
    EXPECT_EQ(Seen(*reader), "S0 S1 S2 ");
    {
        Database::Unit unit(db());
        ReplaceDay("S3", "0900");
        unit.Commit();
    }
    std::this_thread::sleep_for(Database::kBatchCommitInterval + std::chrono::milliseconds(30));
    db().CommitIfDue();  // a batch loop between staff-days
    EXPECT_EQ(Seen(*reader), "S0 S1 S2 S3 ");
}

TEST_P(TransactionTest, NestedUnitsAndNestedBatches) {
    db().BeginBatch();
    db().BeginBatch();
    {
        Database::Unit outer(db());
        ReplaceDay("S1", "0900");
        {
            Database::Unit inner(db());
            ReplaceDay("S2", "0900");
        }
        {
            Database::Unit inner(db());
            ReplaceDay("S3", "0900");
            inner.Commit();
        }
        outer.Commit();
    }
    db().EndBatch();
    EXPECT_EQ(Seen(*reader), "S0 ");  // the outer batch still runs
    db().EndBatch();
    EXPECT_EQ(Seen(*reader), "S0 S1 S3 ");
    db().EndBatch();  // one too many: ignored
    EXPECT_FALSE(db().InBatch());
}

TEST_P(TransactionTest, ClosingKeepsTheFinishedDaysOfABatch) {
    db().BeginBatch();
    {
        Database::Unit unit(db());
        ReplaceDay("S1", "0900");
        unit.Commit();
    }
    db().Close();
    EXPECT_EQ(Seen(*reader), "S0 S1 ");
}

TEST_P(TransactionTest, ALostServerConnectionEndsTheUnitAndTheBatchGoesOn) {
    if (!IsPostgres()) GTEST_SKIP() << "only a server connection can be lost";
    Query pid("Pid", db());
    pid.SetSQL("select pg_backend_pid()");
    pid.Open();
    const std::string backendPid = pid.Field(0);

    Database::Batch batch(db());
    {
        Database::Unit unit(db());
        ReplaceDay("S1", "0900");
        Query kill("Kill", *reader);
        kill.SetSQL("select pg_terminate_backend(" + backendPid + ")");
        kill.Open();
        EXPECT_THROW(ReplaceDay("S2", "0900"), DbError);
        EXPECT_THROW(unit.Commit(), DbError);
    }
    {
        Database::Unit unit(db());
        ReplaceDay("S3", "0900");
        unit.Commit();
    }
    batch.End();
    EXPECT_EQ(Seen(*reader), "S0 S3 ");
}

// A batch's units may go out without waiting; their outcome is told before the
// next statement's result, in the same exchange with a server.
TEST_P(TransactionTest, AUnitToldLaterSharesTheNextExchangeAndFailsAlone) {
    std::vector<std::string> told;
    const auto tell = [&](const UnitOutcome& o) {
        told.push_back(std::to_string(o.failed) + (o.error.empty() ? "" : " error"));
    };
    db().BeginBatch();
    // The statements' shapes are prepared once, the first time.
    db().RunUnit(
        {"delete from kt_attnd where staff_number='S9'", "insert into kt_attnd values ('S9', '20240101', '0700')"});
    db().RunUnit({"delete from kt_attnd where staff_number='S9'"});
    Seen(db());
    told.clear();
    const std::uint64_t before = db().ServerWaits();
    const UnitOutcome first = db().RunUnit(
        {"delete from kt_attnd where staff_number='S1'", "insert into kt_attnd values ('S1', '20240101', '0900')"},
        tell);
    EXPECT_EQ(first.pending, IsPostgres());
    EXPECT_EQ(Seen(db()), "S0 S1 ");
    ASSERT_EQ(told, std::vector<std::string>{"-1"});
    if (IsPostgres()) {
        EXPECT_EQ(db().ServerWaits() - before, 1u) << "the unit and the select in one exchange";
    }

    // The insert collides with S0's key: the unit is undone alone, the delete with it.
    db().RunUnit(
        {"delete from kt_attnd where staff_number='S1'", "insert into kt_attnd values ('S0', '20240101', '1000')"},
        tell);
    EXPECT_EQ(Seen(db()), "S0 S1 ");
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1], "1 error");

    db().RunUnit(
        {"delete from kt_attnd where staff_number='S2'", "insert into kt_attnd values ('S2', '20240101', '1100')"},
        tell);
    db().EndBatch();
    EXPECT_EQ(told.size(), 3u) << "the batch's end reads the last outcome";
    EXPECT_EQ(Seen(*reader), "S0 S1 S2 ");
}

// Two agents replacing the same staff-day at once: the second waits for the
// first one's commit, deletes what it stored and stores its own; no duplicate.
TEST_P(TransactionTest, TwoWritersOfOneStaffDayTakeTurns) {
    auto other = testDatabase().Open();
    int waits = 0;
    other->SetTurnWaitReporter([&] { ++waits; });
    const std::vector<std::string> mine = {"delete from kt_attnd where staff_number='S0'",
                                           "insert into kt_attnd values ('S0', '20240101', '0901')"};
    const std::vector<std::string> theirs = {"delete from kt_attnd where staff_number='S0'",
                                             "insert into kt_attnd values ('S0', '20240101', '0902')"};
    db().BeginBatch();
    db().RunUnit(mine, [](const UnitOutcome&) {});
    Seen(db());  // the unit's outcome is in
    std::thread second([&] {
        other->BeginBatch();
        other->RunUnit(theirs, [](const UnitOutcome&) {});
        other->EndBatch();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    db().EndBatch();
    second.join();

    Query q("Rows", *reader);
    q.SetSQL("select in_time from kt_attnd where staff_number='S0'");
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.Field(0), "0902");
    if (IsPostgres()) {
        EXPECT_EQ(waits, 1);
    }
}

TEST_P(TransactionTest, APreviewUndoesEverythingItRanAlsoTheCommitsOfBatchesAndUnits) {
    {
        Database::Preview preview(db());
        EXPECT_TRUE(db().InPreview());
        EXPECT_THROW(Database::Preview{db()}, DbError);  // one at a time, on a transaction of its own
        db().BeginBatch();
        for (int i = 1; i <= 3; ++i) {
            Database::Unit unit(db());
            ReplaceDay("S" + std::to_string(i), "0900");
            unit.Commit();
            std::this_thread::sleep_for(Database::kBatchCommitInterval + std::chrono::milliseconds(20));
            db().CommitIfDue();
        }
        const UnitOutcome outcome = db().RunUnit({"delete from kt_attnd where staff_number='S0'"});
        EXPECT_EQ(outcome.failed, -1);
        db().EndBatch();
        Exec("insert into kt_attnd values ('S9', '20240101', '0700')");
        EXPECT_EQ(Seen(db()), "S1 S2 S3 S9 ");  // it sees its own writes
    }
    EXPECT_FALSE(db().InPreview());
    EXPECT_EQ(Seen(db()), "S0 ");
    EXPECT_EQ(Seen(*reader), "S0 ");
    // and the database works as before
    ReplaceDay("S4", "1000");
    EXPECT_EQ(Seen(*reader), "S0 S4 ");
}

KX_INSTANTIATE_BACKENDS(TransactionTest);

}  // namespace
}  // namespace kx::db
