#include "db/sql_shape.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/statement_cache.h"

namespace kx::db {
namespace {

using Kind = SqlLiteral::Kind;

struct ShapeCase {
    const char* sql;
    const char* key;                    // with ? placeholders; nullptr: runs as written
    std::vector<std::string> literals;  // values in order
};

class ShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTest, LiftsOnlyValueLiterals) {
    const ShapeCase& c = GetParam();
    const SqlShape shape = ShapeSql(c.sql, PlaceholderStyle::Question);
    if (!c.key) {
        EXPECT_FALSE(shape.cacheable);
        EXPECT_EQ(shape.key, c.sql);
        EXPECT_TRUE(shape.literals.empty());
        return;
    }
    EXPECT_TRUE(shape.cacheable);
    EXPECT_EQ(shape.key, c.key);
    std::vector<std::string> values;
    for (const SqlLiteral& l : shape.literals) values.push_back(l.value);
    EXPECT_EQ(values, c.literals);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ShapeTest,
    ::testing::Values(
        ShapeCase{"select * from kt_ini where i_group='Attend' and i_entry='LastAAPDate'",
                  "select * from kt_ini where i_group=? and i_entry=?",
                  {"Attend", "LastAAPDate"}},
        ShapeCase{"select * from t where a = 'O''Brien' and b = ''",
                  "select * from t where a = ? and b = ?",
                  {"O'Brien", ""}},
        ShapeCase{"select * from t where unit_no = 3 and x > -12.5",
                  "select * from t where unit_no = ? and x > -?",
                  {"3", "12.5"}},
        ShapeCase{"select col1, t2.x from t2 where col1=1", "select col1, t2.x from t2 where col1=?", {"1"}},
        ShapeCase{"select * from holdate where holdate.\"date\"='20240101' and \"x1\"=2",
                  "select * from holdate where holdate.\"date\"=? and \"x1\"=?",
                  {"20240101", "2"}},
        ShapeCase{"select * from [my 1] where `a 2`=3", "select * from [my 1] where `a 2`=?", {"3"}},
        // Select lists, ORDER BY and GROUP BY keep their literals.
        ShapeCase{"select 1, 'a', x+2 from t where y = 4", "select 1, 'a', x+2 from t where y = ?", {"4"}},
        ShapeCase{"select a, count(*) from t where b='x' group by 1 having count(*) > 2 order by 2 desc, 1",
                  "select a, count(*) from t where b=? group by 1 having count(*) > ? order by 2 desc, 1",
                  {"x", "2"}},
        ShapeCase{"select a from t order by coalesce(b, 0) limit 5 offset 10",
                  "select a from t order by coalesce(b, 0) limit ? offset ?",
                  {"5", "10"}},
        ShapeCase{"select (select max(a) from u where b = 1) from t where c = 2",
                  "select (select max(a) from u where b = 1) from t where c = ?",
                  {"2"}},
        ShapeCase{"select * from cards c, kt_cdext x where  c.staff_number=x.staff_number and not (staff_number in "
                  "( select staff_number from kt_attnd where at_date='20240105') )",
                  "select * from cards c, kt_cdext x where  c.staff_number=x.staff_number and not (staff_number in "
                  "( select staff_number from kt_attnd where at_date=?) )",
                  {"20240105"}},
        ShapeCase{"select a from t where b = 1 union select a from u where c = 'z' order by 1",
                  "select a from t where b = ? union select a from u where c = ? order by 1",
                  {"1", "z"}},
        ShapeCase{"insert into kt_attnd values ('S1','20240101',0,12,'')",
                  "insert into kt_attnd values (?,?,?,?,?)",
                  {"S1", "20240101", "0", "12", ""}},
        ShapeCase{"insert into t select 'a', b from u where c = 'k'",
                  "insert into t select 'a', b from u where c = ?",
                  {"k"}},
        ShapeCase{
            "update kt_ini set i_value='v' where i_user='-'", "update kt_ini set i_value=? where i_user=?", {"v", "-"}},
        ShapeCase{"delete from t where a in (1, 2,3)", "delete from t where a in (?, ?,?)", {"1", "2", "3"}},
        // Quotes inside comments and comment marks inside quotes.
        ShapeCase{"select * from t -- it's 1\nwhere a = '--x' /* 'y' 2 */ and b = 3",
                  "select * from t -- it's 1\nwhere a = ? /* 'y' 2 */ and b = ?",
                  {"--x", "3"}},
        ShapeCase{"SELECT * FROM t WHERE a = .5 AND b = 1e3 AND c = 2.",
                  "SELECT * FROM t WHERE a = ? AND b = ? AND c = ?",
                  {".5", "1e3", "2."}},
        ShapeCase{"select * from t where a = 9223372036854775808", "select * from t where a = 9223372036854775808", {}},
        ShapeCase{"select * from t where a = 'x'::text", "select * from t where a = ?::text", {"x"}},
        // Texts run as written.
        ShapeCase{"create table t (a text default 'x', b integer check (b > 0))", nullptr, {}},
        ShapeCase{"PRAGMA journal_mode=WAL", nullptr, {}}, ShapeCase{"select * from t where a = ?", nullptr, {}},
        ShapeCase{"select * from t where a = $1", nullptr, {}},
        ShapeCase{"select * from t where a = :name", nullptr, {}},
        ShapeCase{"select * from t where a = 'open", nullptr, {}},
        ShapeCase{"select * from t where a = E'x\\'y'", nullptr, {}},
        ShapeCase{"select * from t where a = X'00'", nullptr, {}},
        ShapeCase{"select * from t where a = 0x1F", nullptr, {}},
        ShapeCase{"select * from t where a = 1_000", nullptr, {}},
        ShapeCase{"select * from t where (a = 1", nullptr, {}}, ShapeCase{"select * from t where a = 1)", nullptr, {}},
        ShapeCase{"select * from t /* a /* b */ c */ where a = 1", nullptr, {}},
        ShapeCase{"select * from t /* open", nullptr, {}}, ShapeCase{"", nullptr, {}}));

TEST(ShapeStyle, DollarPlaceholdersAreNumberedAndNumbersKeepTheirKind) {
    const SqlShape shape = ShapeSql("select * from t where a = 'x' and b = 2 and c = 2.5", PlaceholderStyle::Dollar);
    EXPECT_EQ(shape.key, "select * from t where a = $1 and b = $2 and c = $3");
    ASSERT_EQ(shape.literals.size(), 3u);
    EXPECT_EQ(shape.literals[0].kind, Kind::Text);
    EXPECT_EQ(shape.literals[1].kind, Kind::Integer);
    EXPECT_EQ(shape.literals[2].kind, Kind::Decimal);
}

TEST(ShapeStyle, DecimalsStayInTheTextWhenNotBound) {
    const SqlShape shape = ShapeSql("select * from t where a = 2.5 and b = 3", PlaceholderStyle::Question, false);
    EXPECT_EQ(shape.key, "select * from t where a = 2.5 and b = ?");
}

TEST(ShapeStyle, SameShapeForDifferentValues) {
    EXPECT_EQ(
        ShapeSql("delete from kt_attnd where staff_number='A' and at_date='20240101'", PlaceholderStyle::Question).key,
        ShapeSql("delete from kt_attnd where staff_number='B''s' and at_date='20991231'", PlaceholderStyle::Question)
            .key);
}

TEST(ShapeStyle, OnlyPlainSelectsAreReadOnly) {
    const struct {
        const char* sql;
        bool readOnly;
    } cases[] = {
        {"select * from t where a = 1", true},
        {"  (select a from t) union (select b from u)", true},
        {"values (1, 'a')", true},
        {"select a into newtable from t", false},
        {"select * from t where a = 1 for update", false},
        {"with d as (delete from t returning *) select * from d", false},
        {"insert into t values (1)", false},
        {"delete from t", false},
        {"select * from t where a = ?", false},  // runs as written: nothing is known
    };
    for (const auto& c : cases) EXPECT_EQ(ShapeSql(c.sql, PlaceholderStyle::Dollar).readOnly, c.readOnly) << c.sql;
}

TEST(StatementCache, DropsTheLeastRecentlyUsed) {
    std::vector<int> released;
    StatementCache<int> cache(2, [&](int& h) { released.push_back(h); });
    cache.Insert("a", 1);
    cache.Insert("b", 2);
    ASSERT_NE(cache.Find("a"), nullptr);  // "b" is now the oldest
    cache.Insert("c", 3);
    EXPECT_EQ(released, std::vector<int>{2});
    EXPECT_EQ(cache.Find("b"), nullptr);
    EXPECT_EQ(*cache.Find("a"), 1);
    EXPECT_EQ(*cache.Find("c"), 3);
    cache.Clear();
    EXPECT_EQ(released.size(), 3u);
    EXPECT_EQ(cache.Size(), 0u);
}

}  // namespace
}  // namespace kx::db
