// kx-ata --explain and --reprocess through the real program on both backends:
// the row an explanation says it would save is the row a range run saves, a
// dry run leaves the database as it was, and bad input ends with a message and
// its exit status.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "one_shot_site.h"

namespace kx {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

class ExplainReprocessTest : public test::OneShotSiteTest {
protected:
    std::string FileBytes(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Every column of a stored kt_attnd row, by name.
    std::map<std::string, std::string> StoredRow(const std::string& staff, const std::string& date) {
        db::Query& q = db().CommonQuery;
        q.Close();
        q.SetSQL("select * from kt_attnd where staff_number='" + staff + "' and at_date='" + date + "'");
        q.Open();
        std::map<std::string, std::string> row;
        if (!q.Eof())
            for (int i = 0; i < q.FieldCount(); ++i) row[q.Columns()[static_cast<std::size_t>(i)]] = q.Field(i);
        q.Close();
        return row;
    }
};

// Settings under which a staff-day writes more than its row: the reason row,
// the overtime approval row, and the removal of phantom rows.
const std::string kEveryWrite = "[Options]\nLateEarlyReason=1\nOTApproval=1\nClearAttendPhantom=1\n";

TEST_P(ExplainReprocessTest, TheRowAnExplanationWouldSaveIsTheRowTheRangeRunSaves) {
    WriteSettings(kEveryWrite);
    const std::vector<std::string> dates = {"20261102", "20261110", "20261116"};
    std::vector<std::string> staff;
    for (const std::string& row : Rows("select staff_number from kt_cdext order by staff_number"))
        staff.push_back(row.substr(0, row.size() - 1));
    ASSERT_EQ(staff.size(), 20u);

    std::map<std::pair<std::string, std::string>, Json> wouldSave;
    for (const std::string& s : staff)
        for (const std::string& d : dates) {
            const test::ProgramResult explained = Ata({"--explain", s, d, "--json"});
            ASSERT_EQ(explained.status, 0) << s << " " << d << "\n" << explained.out;
            wouldSave[{s, d}] = Json::parse(explained.out).at("would_save");
        }
    EXPECT_EQ(Rows("select * from kt_attnd"), std::vector<std::string>{}) << "an explanation wrote a row";

    for (const std::string& d : dates) {
        const test::ProgramResult run = Ata({"--reprocess", d, d});
        ASSERT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("staff-days done: 20, failed: 0, unchanged: 0, changed: 20"), std::string::npos)
            << run.out;
    }
    for (const auto& [key, expected] : wouldSave) {
        const std::map<std::string, std::string> saved = StoredRow(key.first, key.second);
        ASSERT_FALSE(saved.empty()) << key.first << " " << key.second;
        for (const auto& [column, value] : saved)
            EXPECT_EQ(expected.at(column).get<std::string>(), value) << key.first << " " << key.second << " " << column;
    }

    // Explained again, the day would change nothing.
    const test::ProgramResult again = Ata({"--explain", "E00007", "20261110"});
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_NE(again.out.find("Nothing would change."), std::string::npos) << again.out;
}

TEST_P(ExplainReprocessTest, ADryRunLeavesTheDatabaseAsItWasAndListsWhatWouldChange) {
    WriteSettings(kEveryWrite);
    const test::ProgramResult stored = Ata({"--reprocess", "20261101", "20261110"});
    ASSERT_EQ(stored.status, 0) << stored.out;
    // A grace makes some of the late days less late.
    WriteSettings(kEveryWrite + "[Reprocessing]\nGraceInMin=10\n");

    const fs::path file = Home() / "kxtest.db";
    const std::string bytesBefore = IsPostgres() ? "" : FileBytes(file);
    const std::vector<std::string> rowsBefore = WrittenTables();
    const test::ProgramResult preview = Ata({"--reprocess", "20261101", "20261110", "--dry-run"});
    ASSERT_EQ(preview.status, 0) << preview.out;
    EXPECT_NE(preview.out.find("(dry run: nothing was written)"), std::string::npos) << preview.out;
    EXPECT_NE(preview.out.find("staff-days done: 200, failed: 0"), std::string::npos) << preview.out;
    EXPECT_NE(preview.out.find("E00001 20261104: late_min \"36\" \u2192 \"26\""), std::string::npos) << preview.out;
    EXPECT_EQ(preview.out.find("changed: 0\n"), std::string::npos) << preview.out;
    EXPECT_EQ(preview.out.find('\r'), std::string::npos) << "a progress line without a terminal";

    EXPECT_EQ(WrittenTables(), rowsBefore);
    if (!IsPostgres()) {
        EXPECT_EQ(FileBytes(file), bytesBefore) << "the database file changed";
        EXPECT_FALSE(fs::exists(file.string() + "-wal") && fs::file_size(file.string() + "-wal") > 0)
            << "a journal was left behind";
    }

    // The same run for real changes what the preview said it would.
    const test::ProgramResult real = Ata({"--reprocess", "20261101", "20261110"});
    ASSERT_EQ(real.status, 0) << real.out;
    const std::string previewLines = preview.out.substr(preview.out.find('\n'));
    const std::string realLines = real.out.substr(real.out.find('\n'));
    EXPECT_EQ(realLines, previewLines);
    EXPECT_NE(WrittenTables(), rowsBefore);
}

struct BadInput {
    const char* name;
    std::string settings;
    std::vector<std::string> args;
    int status;
    const char* message;
};

TEST_P(ExplainReprocessTest, BadInputGetsAMessageAndItsExitStatus) {
    const std::vector<BadInput> cases = {
        {"short date", "", {"--explain", "E00001", "2026111"}, 2, "'2026111' is not a date (yyyymmdd)"},
        {"no such day", "", {"--explain", "E00001", "20261131"}, 2, "'20261131' is not a date"},
        {"unknown staff", "", {"--explain", "E99999", "20261110"}, 3, "no staff member 'E99999' in cards"},
        {"quote in staff", "", {"--explain", "E0' or '1'='1", "20261110"}, 3, "no staff member"},
        {"before the card",
         "[Options]\nCheckStartExpiryDate=1\n",
         {"--explain", "E00002", "20260101"},
         3,
         "outside the card's validity (20260620 to 20991231)"},
        {"still to come", "", {"--explain", "E00001", "20991231"}, 3, "the date is still to come"},
        {"range of no date", "", {"--reprocess", "20261301", "20261302"}, 2, "'20261301' is not a date"},
        {"writing select",
         "",
         {"--reprocess", "20261101", "20261102", "--staff-sql", "delete from cards"},
         2,
         "the staff select is refused"},
        {"broken select",
         "",
         {"--reprocess", "20261101", "20261102", "--staff-sql", "select * from nothing_here"},
         2,
         "the staff select is refused"},
        {"bad source", "", {"--reprocess", "20261101", "20261102", "--source", "X"}, 2, "--source: X not in {T,D}"},
        {"json on a range", "", {"--reprocess", "20261101", "20261102", "--json"}, 2, "--json requires --explain"},
        {"no database",
         "[Database]\nDBAlias=missing\n",
         {"--explain", "E00001", "20261110"},
         1,
         "the database cannot be opened"},
        {"server down",
         "[Database]\nDBAlias=postgresql://kx@127.0.0.1:1/none\n",
         {"--reprocess", "20261101", "20261102"},
         1,
         "the database cannot be opened"},
    };
    const std::vector<std::string> before = WrittenTables();
    for (const BadInput& c : cases) {
        // The first DBAlias wins: the missing one goes before the site's.
        if (c.settings.starts_with("[Database]"))
            std::ofstream(Home() / "Kairox.ini") << c.settings;
        else
            WriteSettings(c.settings);
        const test::ProgramResult outcome = Ata(c.args);
        EXPECT_EQ(outcome.status, c.status) << c.name << "\n" << outcome.out;
        EXPECT_NE(outcome.out.find(c.message), std::string::npos) << c.name << "\n" << outcome.out;
    }
    EXPECT_EQ(WrittenTables(), before);
}

TEST_P(ExplainReprocessTest, ALockedDatabaseEndsWithTheMessageInsteadOfAHang) {
    if (IsPostgres()) GTEST_SKIP() << "an SQLite write lock";
    // A run waits for the database up to this long before it gives up.
    WriteSettings("ReconnectSeconds=2\n");  // in [Database]
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((Home() / "kxtest.db").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto started = std::chrono::steady_clock::now();
    std::vector<test::ProgramResult> outcomes;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--reprocess", "20261101", "20261101", "--dry-run"},
                                               {"--reprocess", "20261101", "20261101"},
                                               {"--explain", "E00001", "20261101"}})
        outcomes.push_back(Ata(args));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    for (const test::ProgramResult& outcome : outcomes) {
        EXPECT_EQ(outcome.status, 1) << outcome.out;
        EXPECT_NE(outcome.out.find("database is locked"), std::string::npos) << outcome.out;
    }
}

KX_INSTANTIATE_BACKENDS(ExplainReprocessTest);

}  // namespace
}  // namespace kx
