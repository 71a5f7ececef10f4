// kx-db demo: reproducible from its seed, and as untidy as a real site.
#include <algorithm>
#include <map>

#include <gtest/gtest.h>

#include "kx-db/schema_catalog.h"
#include "support/query_rows.h"
#include "tools/kx_db_test_support.h"

namespace {

using kx::test::KxDbTarget;
using kx::test::TestDatabase;

// Per table: row count and a hash of its rows in sorted order, so that two
// databases with the same content compare equal whatever their row order.
using Digest = std::map<std::string, std::pair<long, std::uint64_t>>;

Digest DigestOf(kx::db::Database& db) {
    Digest digest;
    for (const auto& table : kx::dbtool::ReadTableColumns(db)) {
        kx::db::Query query("digest", db);
        std::vector<std::string> rows = kx::test::RowTexts(query, "select * from " + table.table, "\x1f");
        std::sort(rows.begin(), rows.end());
        std::uint64_t hash = 0xcbf29ce484222325ULL;
        for (const std::string& row : rows)
            for (char c : row) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
        digest[table.table] = {static_cast<long>(rows.size()), hash};
    }
    return digest;
}

long Count(kx::db::Database& db, const std::string& sql) {
    db.CommonQuery.SetSQL(sql);
    db.CommonQuery.Open();
    return std::stol(db.CommonQuery.Field(0));
}

std::string Demo(const TestDatabase& database, const std::string& seed, const std::string& staff = "60") {
    const auto outcome = kx::test::RunKxDbTool(
        {"demo", KxDbTarget(database), "--staff", staff, "--days", "28", "--from", "20240101", "--seed", seed});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    return outcome.out;
}

class KxDbDemo : public kx::test::DatabaseTest {};

TEST_P(KxDbDemo, IsReproducibleFromItsSeed) {
    const TestDatabase again(GetParam()), other(GetParam());
    Demo(testDatabase(), "7");
    Demo(again, "7");
    Demo(other, "8");
    const Digest a = DigestOf(db());
    EXPECT_EQ(a, DigestOf(*again.Open()));
    const Digest c = DigestOf(*other.Open());
    EXPECT_NE(a.at("trans_r"), c.at("trans_r"));
    EXPECT_NE(a.at("cards"), c.at("cards"));
    // The agent's output tables stay empty.
    for (const char* output : {"kt_attnd", "otsap", "kt_lerea"}) EXPECT_EQ(a.at(output).first, 0) << output;
}

TEST_P(KxDbDemo, HasTheNoiseOfARealSite) {
    const std::string summary = Demo(testDatabase(), "1");
    EXPECT_NE(summary.find("trans_r"), std::string::npos) << summary;
    kx::db::Database* db = &this->db();

    const std::string officeSwipes =
        "select count(*) from trans_r r, kt_cdext x where r.staff_number=x.staff_number and x.on_shift='N' ";
    const std::vector<std::pair<std::string, std::string>> present = {
        {"two swipes in one minute",
         "select count(*) from (select tr_data, tr_date, substr(tr_time,1,4) as m from trans_r where tr_code='0'"
         " group by tr_data, tr_date, substr(tr_time,1,4) having count(*) > 1) d"},
        {"a forgotten clock-out",
         "select count(*) from (select r.tr_data, r.tr_date from trans_r r, kt_cdext x"
         " where r.staff_number=x.staff_number and x.on_shift='N' and r.tr_code in ('0','9')"
         " group by r.tr_data, r.tr_date having max(r.tr_code)='0') d"},
        {"a night shift ending after midnight",
         "select count(*) from trans_r r, kt_cdext x where r.staff_number=x.staff_number and x.on_shift='Y'"
         " and r.tr_code='9' and r.tr_time < '070000'"},
        {"half-day leave",
         "select count(*) from kt_ssche s, kt_leave l where s.leave_tag=l.tag_name and l.half_day='Y'"},
        {"full-day leave",
         "select count(*) from kt_ssche s, kt_leave l where s.leave_tag=l.tag_name and l.half_day='N'"},
        {"late arrivals", officeSwipes + "and r.tr_code='0' and r.tr_time > '084000' and r.tr_time < '110000'"},
        {"early leavers", officeSwipes + "and r.tr_code='9' and r.tr_time > '140000' and r.tr_time < '172000'"},
        {"overtime", officeSwipes + "and r.tr_code='9' and r.tr_time > '183000'"},
        {"swipes that are not clockings", "select count(*) from trans_r where tr_code not in ('0','9')"},
        {"a holiday", "select count(*) from holdate where date >= '20240101' and date <= '20240128'"},
        {"exempted staff", "select count(*) from cards where exempted='Y'"},
        {"a temporary card with its holder",
         "select count(*) from cards c, tempcard t where c.card_number=t.TmpCard_Number and c.card_type='T'"},
        {"time-clock rows", "select count(*) from kt_tmclk where tran_code='O' and Job_code='001'"},
        {"shift group days", "select count(*) from kt_sfgrp where shift_tag='NIGHT'"},
    };
    for (const auto& [what, sql] : present) EXPECT_GT(Count(*db, sql), 0) << what;

    EXPECT_EQ(Count(*db, "select count(*) from kt_sys where offdays='X_____X_' and sys_in='0830' and sys_out='1730'"),
              1);
    EXPECT_EQ(Count(*db, "select count(*) from cards c, kt_cdext x where c.staff_number=x.staff_number"), 60);
    // Nobody clocks on a day of full leave.
    EXPECT_EQ(Count(*db,
                    "select count(*) from kt_ssche s, kt_leave l, trans_r r where s.leave_tag=l.tag_name"
                    " and l.half_day='N' and r.staff_number=s.staff_number and r.tr_date=s.shift_date"
                    " and r.tr_time > '070000'"),
              0);
}

KX_INSTANTIATE_BACKENDS(KxDbDemo);

TEST(KxDbDemoBackends, SqliteAndPostgresGetTheSameRows) {
    if (!kx::test::BackendAvailable(kx::test::kPostgres)) GTEST_SKIP() << "KX_TEST_PG is not set";
    const TestDatabase sqlite(kx::test::kSqlite), postgres(kx::test::kPostgres);
    Demo(sqlite, "5", "25");
    Demo(postgres, "5", "25");
    EXPECT_EQ(DigestOf(*sqlite.Open()), DigestOf(*postgres.Open()));
}

}  // namespace
