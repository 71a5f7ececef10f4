#include "db/run_sql.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/agent_context.h"
#include "core/clock.h"
#include "support/test_db.h"

namespace kx::db {
namespace {

class RunSqlTest : public test::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) return;
        ctx = std::make_unique<AgentContext>(testDatabase().home(), clock);
        ctx->db = db_.get();
        test::RunFixture(db(), {"create table t (id integer primary key, name text, note text)",
                                "insert into t values (1, 'Ann', null)", "insert into t values (2, 'Bob', 'x')"});
    }

    std::string LogText() const {
        std::ifstream in(ctx->log.MainLogPath());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    int Count(const std::string& sql) {
        Query q("Count", db());
        q.SetSQL(sql);
        q.Open();
        return std::stoi(q.Field(0));
    }

    FakeClock clock{MakeLocalTime(2024, 1, 5, 9, 30)};
    std::unique_ptr<AgentContext> ctx;
};

struct RunCase {
    const char* name;
    const char* sql;
    bool open;
    bool answer;
    const char* logged;  // text the main log must hold; "" for nothing logged
};

const RunCase kRunCases[] = {
    {"select with rows", "select * from t order by id", true, true, ""},
    {"select without rows", "select * from t where id = 99", true, false, ""},
    {"update that changes rows", "update t set note = 'y' where id = 1", false, false, ""},
    {"insert", "insert into t values (3, 'Cid', null)", false, false, ""},
    {"execute a select", "select * from t", false, false, ""},
    {"syntax error", "selec * from t", true, false, "<RunSQL>"},
    {"missing table", "select * from nosuch", true, false, "nosuch"},
    {"missing column", "update t set nosuch = 1", false, false, "nosuch"},
    {"constraint", "insert into t values (1, 'Dup', null)", false, false, "<RunSQL>"},
};

TEST_P(RunSqlTest, AnswersAndLogsAsSpecified) {
    for (const RunCase& c : kRunCases) {
        std::filesystem::remove(ctx->log.MainLogPath());
        const bool answer = RunSQL(ctx->log, db().CommonQuery, c.sql, c.open);
        EXPECT_EQ(answer, c.answer) << c.name;
        EXPECT_EQ(db().CommonQuery.SQL(), c.sql) << c.name;
        const std::string log = LogText();
        if (*c.logged) {
            EXPECT_NE(log.find(c.logged), std::string::npos) << c.name << ": " << log;
            EXPECT_NE(log.find("<RunSQL>"), std::string::npos) << c.name;
        } else {
            EXPECT_EQ(log, "") << c.name;
        }
    }
    EXPECT_EQ(Count("select count(*) from t where note = 'y'"), 1);
    EXPECT_EQ(Count("select count(*) from t"), 3);
}

TEST_P(RunSqlTest, OpenStaysOnTheFirstRowAndAnEmptyResultStaysOpen) {
    Query& q = db().CommonQuery;
    ASSERT_TRUE(RunSQL(ctx->log, q, "select id, name from t order by id", true));
    EXPECT_TRUE(q.Active());
    EXPECT_EQ(q.RecordCount(), 2);
    EXPECT_EQ(q.FieldByName("name"), "Ann");
    q.Next();
    EXPECT_EQ(q.FieldByName("name"), "Bob");
    q.Next();
    EXPECT_TRUE(q.Eof());

    ASSERT_FALSE(RunSQL(ctx->log, q, "select * from t where id = 99", true));
    EXPECT_TRUE(q.Active());
    EXPECT_EQ(q.RecordCount(), 0);
    EXPECT_TRUE(q.Eof());

    ASSERT_FALSE(RunSQL(ctx->log, q, "select * from nosuch", true));
    EXPECT_FALSE(q.Active());
    EXPECT_EQ(q.RecordCount(), 0);
}

TEST_P(RunSqlTest, FieldsByNameInAnyCaseByPositionAndNullAsEmpty) {
    Query& q = db().CommonQuery;
    ASSERT_TRUE(RunSQL(ctx->log, q, "select ID, Name, note from t order by id", true));
    EXPECT_EQ(q.FieldCount(), 3);
    EXPECT_EQ(q.FieldByName("id"), "1");
    EXPECT_EQ(q.FieldByName("NAME"), "Ann");
    EXPECT_EQ(q.FieldByName("Note"), "");
    EXPECT_EQ(q.Field(1), "Ann");
    EXPECT_TRUE(q.HasField("nAmE"));
    EXPECT_FALSE(q.HasField("nosuch"));
    EXPECT_THROW(q.FieldByName("nosuch"), DbError);
    EXPECT_THROW(q.Field(3), DbError);
    q.Next();
    EXPECT_EQ(q.FieldByName("note"), "x");
    q.Next();
    EXPECT_THROW(q.FieldByName("note"), DbError);  // past the last row
    q.First();
    EXPECT_EQ(q.FieldByName("name"), "Ann");
}

TEST_P(RunSqlTest, ClosedConnectionIsAFailureNotAnException) {
    db().Close();
    EXPECT_FALSE(RunSQL(ctx->log, db().CommonQuery, "select * from t", true));
    EXPECT_FALSE(RunSQL(ctx->log, db().CommonQuery, "delete from t", false));
    EXPECT_NE(LogText().find("<RunSQL>database is not open"), std::string::npos);
}

TEST_P(RunSqlTest, LostServerConnectionFailsOnceThenReconnects) {
    if (!IsPostgres()) GTEST_SKIP() << "only a server connection can be lost";
    Query& q = db().CommonQuery;
    ASSERT_TRUE(RunSQL(ctx->log, q, "select pg_backend_pid()", true));
    const std::string pid = q.Field(0);
    auto other = testDatabase().Open();
    ASSERT_TRUE(RunSQL(ctx->log, other->CommonQuery, "select pg_terminate_backend(" + pid + ")", true));
    EXPECT_FALSE(RunSQL(ctx->log, q, "select * from t where id = 1", true));
    EXPECT_NE(LogText().find("<RunSQL>"), std::string::npos);
    EXPECT_TRUE(RunSQL(ctx->log, q, "select * from t where id = 1", true));
    EXPECT_EQ(q.FieldByName("name"), "Ann");
}

class KtIniTest : public RunSqlTest {
protected:
    void SetUp() override {
        RunSqlTest::SetUp();
        if (IsSkipped()) return;
        test::RunFixture(db(), {"create table kt_ini (i_user text, i_group text, i_entry text, i_value text)"});
    }

    std::string Rows() {
        Query q("Rows", db());
        q.SetSQL("select i_user, i_group, i_entry, i_value from kt_ini order by i_user, i_group, i_entry");
        q.Open();
        std::string rows;
        for (; !q.Eof(); q.Next()) rows += q.Field(0) + "|" + q.Field(1) + "|" + q.Field(2) + "|" + q.Field(3) + ";";
        return rows;
    }
};

TEST_P(KtIniTest, ReadGivesTheDefaultUntilWritten) {
    EXPECT_EQ(ReadKTINI(*ctx, "Attend", "LastAAPDate", "20240105"), "20240105");
    EXPECT_TRUE(WriteKTINI(*ctx, "Attend", "LastAAPDate", "20240101"));
    EXPECT_EQ(ReadKTINI(*ctx, "Attend", "LastAAPDate", "20240105"), "20240101");
    EXPECT_TRUE(WriteKTINI(*ctx, "Attend", "LastAAPDate", "20240102"));
    EXPECT_EQ(ReadKTINI(*ctx, "Attend", "LastAAPDate", "20240105"), "20240102");
    EXPECT_EQ(Rows(), "-|Attend|LastAAPDate|20240102;");
    EXPECT_FALSE(db().AutoAPQuery.Active());  // the update closed it
    EXPECT_FALSE(db().CommonQuery.Active());
    EXPECT_EQ(LogText(), "");
}

TEST_P(KtIniTest, AnotherUsersRowIsReadButNeverUpdated) {
    test::RunFixture(db(), {"insert into kt_ini values ('ADMIN', 'Attend', 'LastAAPDate', '20200101')"});
    EXPECT_TRUE(WriteKTINI(*ctx, "Attend", "LastAAPDate", "20240102"));
    EXPECT_EQ(ReadKTINI(*ctx, "Attend", "LastAAPDate", "x"), "20200101");
    EXPECT_EQ(Rows(), "ADMIN|Attend|LastAAPDate|20200101;");
}

TEST_P(KtIniTest, QuotesInValuesAreStoredAsWritten) {
    EXPECT_TRUE(WriteKTINI(*ctx, "Att'end", "Note", "O'Brien's ''day''"));
    EXPECT_EQ(ReadKTINI(*ctx, "Att'end", "Note", "x"), "O'Brien's ''day''");
    EXPECT_TRUE(WriteKTINI(*ctx, "Att'end", "Note", "it's"));
    EXPECT_EQ(Rows(), "-|Att'end|Note|it's;");
    EXPECT_EQ(LogText(), "");
}

TEST_P(KtIniTest, FailuresAreLoggedWithTheirTags) {
    test::RunFixture(db(), {"drop table kt_ini"});
    EXPECT_EQ(ReadKTINI(*ctx, "Attend", "IgnoreLEIfWorkOK", "0"), "");
    EXPECT_NE(LogText().find("<ReadKTINI>"), std::string::npos);
    // The select and the insert fail inside RunSQL; WriteKTINI still answers yes.
    EXPECT_TRUE(WriteKTINI(*ctx, "Attend", "LastAAPDate", "20240101"));
    const std::string log = LogText();
    const auto first = log.find("<RunSQL>");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find("<RunSQL>", first + 1), std::string::npos);

    ctx->db = nullptr;
    EXPECT_EQ(ReadKTINI(*ctx, "Attend", "LastAAPDate", "d"), "");
    EXPECT_FALSE(WriteKTINI(*ctx, "Attend", "LastAAPDate", "20240101"));
    EXPECT_NE(LogText().find("<WriteKTIni>database is not open"), std::string::npos);
}

KX_INSTANTIATE_BACKENDS(RunSqlTest);
KX_INSTANTIATE_BACKENDS(KtIniTest);

}  // namespace
}  // namespace kx::db
