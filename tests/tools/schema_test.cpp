// The two schema scripts describe the same tables, in the layout the agent's
// statements rely on, and those statements find their columns on both backends.
#include <fstream>

#include <gtest/gtest.h>

#include "kx-db/schema_catalog.h"
#include "kx-db/schema_sql.h"
#include "tools/kx_db_test_support.h"

namespace {

using kx::dbtool::ReadTableColumns;
using kx::dbtool::TableColumns;
using kx::test::KxDbTarget;
using kx::test::RunKxDbTool;

std::unique_ptr<kx::db::Database> NewSqlite(const kx::test::TempHome& home, const std::string& name,
                                            std::string_view script) {
    std::ofstream(home.path() / name).flush();
    auto db = kx::db::Database::Open(name, home.path());
    db->ExecScript(script);
    return db;
}

const TableColumns& Table(const std::vector<TableColumns>& tables, const std::string& name) {
    for (const TableColumns& t : tables)
        if (t.table == name) return t;
    throw std::runtime_error("no table " + name);
}

TEST(SchemaScripts, DescribeTheSameTablesAndColumnsInTheSameOrder) {
    kx::test::TempHome home;
    // The PostgreSQL script is plain enough for SQLite too, which compares it
    // without a server; with one, the server's own catalog is compared as well.
    const auto sqlite = ReadTableColumns(*NewSqlite(home, "a.db", kx::dbtool::SqliteSchemaSql()));
    const auto postgresText = ReadTableColumns(*NewSqlite(home, "b.db", kx::dbtool::PostgresSchemaSql()));
    EXPECT_EQ(sqlite.size(), 26u);
    ASSERT_EQ(sqlite.size(), postgresText.size());
    for (std::size_t i = 0; i < sqlite.size(); ++i) {
        EXPECT_EQ(sqlite[i].table, postgresText[i].table);
        EXPECT_EQ(sqlite[i].columns, postgresText[i].columns) << sqlite[i].table;
    }
    if (kx::test::BackendAvailable(kx::test::kPostgres)) {
        kx::test::TestDatabase postgres(kx::test::kPostgres);
        ASSERT_EQ(RunKxDbTool({"create", KxDbTarget(postgres)}).status, 0);
        const auto server = ReadTableColumns(*postgres.Open());
        ASSERT_EQ(server.size(), sqlite.size());
        for (std::size_t i = 0; i < sqlite.size(); ++i) {
            EXPECT_EQ(server[i].table, sqlite[i].table);
            EXPECT_EQ(server[i].columns, sqlite[i].columns) << sqlite[i].table;
        }
    }
}

TEST(SchemaScripts, RowsWrittenByPositionHaveTheirLayout) {
    kx::test::TempHome home;
    const auto tables = ReadTableColumns(*NewSqlite(home, "a.db", kx::dbtool::SqliteSchemaSql()));
    const auto& attnd = Table(tables, "kt_attnd").columns;
    ASSERT_EQ(attnd.size(), 43u);
    // 1-based positions of the columns the agent reads back by name.
    const std::vector<std::pair<int, std::string>> named = {
        {1, "at_date"},    {2, "staff_number"}, {19, "in_time"},  {20, "out_time"},  {21, "ot_in"},
        {22, "ot_out"},    {24, "total_wmin"},  {26, "late_min"}, {27, "early_min"}, {28, "ot_min"},
        {29, "at_remark"}, {30, "meal_out"},    {31, "meal_in"},  {32, "brk1_out"},  {33, "brk1_in"},
        {34, "brk2_out"},  {35, "brk2_in"}};
    for (const auto& [position, name] : named) EXPECT_EQ(attnd[position - 1], name) << position;

    const auto& otsap = Table(tables, "otsap").columns;
    ASSERT_EQ(otsap.size(), 20u);
    EXPECT_EQ(otsap[0], "at_date");
    EXPECT_EQ(otsap[1], "staff_number");
    EXPECT_EQ(otsap[15], "ot_approved");  // the "N" of a fresh approval row
    EXPECT_EQ(otsap[17], "ot_approved_by");

    const auto& lerea = Table(tables, "kt_lerea").columns;
    ASSERT_EQ(lerea.size(), 7u);
    EXPECT_EQ(lerea[0], "staff_number");
    EXPECT_EQ(lerea[1], "le_date");

    EXPECT_EQ(Table(tables, "kt_ini").columns, (std::vector<std::string>{"i_user", "i_group", "i_entry", "i_value"}));
    EXPECT_EQ(Table(tables, "holdate").columns, (std::vector<std::string>{"date", "description"}));
}

class AgentStatements : public kx::test::DatabaseTest {};

// Statements in the agent's own spelling (unquoted mixed case, holdate."date",
// bare minute counts) on a freshly created schema.
TEST_P(AgentStatements, FindTheirTablesAndColumns) {
    ASSERT_EQ(RunKxDbTool({"create", KxDbTarget(testDatabase())}).status, 0);
    kx::db::Database* db = &this->db();

    std::string attnd =
        "insert into kt_attnd values ('20240105','E1','123456','Ann O''Brien','S1','HQ','D01','KX01',"
        "'N','Y','N','N','N','N','N','','N','','0841','1735','    ','    ','****',534,'',11,0,0,"
        "'08:41 17:35','1230','1330','','','','',0,0,0,0,0,0,'','')";
    const std::vector<std::string> writes = {
        attnd,
        "insert into otsap(at_date,staff_number) values('20240105','E1')",
        "insert into otsap values('20240105','E2','Bo','KX01','HQ','D01','S1','1800','1930','  1.50','  1.50',"
        "'0830','1730','','','N','Admin','','','')",
        "insert into kt_lerea values ('E1','20240105','0841','1735','','','')",
        "insert into kt_ini values ('-','Attend','LastAAPDate','20240104')",
        "update kt_ini set i_value='20240105' where i_user='-' and i_group='Attend' and i_entry='LastAAPDate'",
        "insert into holdate values ('20240101','New Year''s Day')",
        "insert into department values ('D01','Administration')",
        "insert into tempcard values ('900001','E1','20240101000000','20240131235959')",
        "insert into M_Server values (1,'127.0.0.1','4000','MSGSERVER','MS',2,0,0)",
        "insert into cards values ('E1','123456','Ann','D01','N','','S1','HQ','D01','KX01','N','20200101','20991231','NONE')",
        "insert into kt_cdext values ('E1','Y','N','NONE','N','S1','HQ','D01','KX01')",
    };
    for (const std::string& sql : writes) {
        db->CommonQuery.SetSQL(sql);
        EXPECT_NO_THROW(db->CommonQuery.ExecSQL()) << sql;
    }

    struct Read {
        std::string sql, field, expected;
    };
    const std::vector<Read> reads = {
        {"select count(*) from kt_attnd where at_date='20240105'", "", "1"},
        {"select * from kt_attnd where staff_number='E1' and at_date='20240105'", "total_wmin", "534"},
        {"select * from kt_attnd where staff_number='E1' and at_date='20240105'", "name", "Ann O'Brien"},
        {"select * from otsap where  staff_number='E1' and at_date='20240105'", "OT_Approved_By", ""},
        {"select * from otsap where  staff_number='E2' and at_date='20240105'", "ot_approved", "N"},
        {"select i_value from kt_ini where i_group='Attend' and i_entry='LastAAPDate'", "i_value", "20240105"},
        {"select * from holdate where holdate.\"date\"='20240101'", "Description", "New Year's Day"},
        {"select * from holdate where date='20240101'", "date", "20240101"},
        {"select * from department where depart_code='D01'", "Depart_desc", "Administration"},
        {"select staff_number from tempcard where TmpCard_Number='900001'", "staff_number", "E1"},
        {"Select * from M_Server", "Total_Reader", "2"},
        {"select * from cards c, kt_cdext x where  c.staff_number=x.staff_number", "ot_entitled", "Y"},
        {"select * from kt_lerea where staff_number='E1' and le_date='20240105'", "out_time", "1735"},
    };
    for (const Read& r : reads) {
        db->CommonQuery.SetSQL(r.sql);
        ASSERT_NO_THROW(db->CommonQuery.Open()) << r.sql;
        ASSERT_EQ(db->CommonQuery.RecordCount(), 1) << r.sql;
        EXPECT_EQ(r.field.empty() ? db->CommonQuery.Field(0) : db->CommonQuery.FieldByName(r.field), r.expected)
            << r.sql;
    }
    // The agent reads a holiday's description by position.
    db->CommonQuery.SetSQL("select * from holdate where holdate.\"date\"='20240101'");
    db->CommonQuery.Open();
    EXPECT_EQ(db->CommonQuery.Field(1), "New Year's Day");
}

KX_INSTANTIATE_BACKENDS(AgentStatements);

}  // namespace
