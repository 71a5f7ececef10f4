// Explanations of the demo site's typical days, kept as golden texts and JSON
// documents in tests/integration/golden/. Each was read and checked by hand;
// KX_UPDATE_GOLDEN=1 writes them afresh (then read the differences before
// committing them).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "one_shot_site.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

struct GoldenDay {
    const char* name;
    const char* staff;
    const char* date;
    std::string settings;  // further lines of Kairox.ini
    std::string setup;     // SQL run on the site first
    bool storedFirst;      // a range run stores the day before it is explained
};

const std::vector<GoldenDay> kDays = {
    {"late_with_grace", "E00001", "20261104", "[Reprocessing]\nGraceInMin=10\n", "", false},
    {"overtime_mode_a", "E00007", "20261104", "", "", false},
    {"overtime_mode_e", "E00007", "20261104", "", "update kt_sys set OT_Mode='3'", false},
    {"holiday", "E00003", "20261116", "", "", false},
    {"half_day_leave", "E00003", "20261125", "", "", false},
    {"night_shift", "E00005", "20261109", "", "", false},
    {"auto_fit", "E00001", "20261102", "[Options]\nAutoFit=1\n", "", false},
    {"forgotten_clock_out", "E00004", "20261127", "", "", false},
    {"edited_attendance", "E00020", "20261104", "[Options]\nAttendEdit=1\n", "", true},
};

fs::path GoldenFile(const std::string& name) { return fs::path(KX_SOURCE_DIR) / "tests/integration/golden" / name; }

std::string FileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ExplainGoldenTest : public test::OneShotSiteTest {
protected:
    void Compare(const std::string& file, const std::string& output) {
        if (std::getenv("KX_UPDATE_GOLDEN")) {
            std::ofstream(GoldenFile(file), std::ios::binary) << output;
            return;
        }
        EXPECT_EQ(output, FileText(GoldenFile(file))) << file;
    }
};

TEST_P(ExplainGoldenTest, TheDemoSitesDaysAreExplainedAsChecked) {
    for (const GoldenDay& day : kDays) {
        SCOPED_TRACE(day.name);
        db().ExecScript("delete from kt_attnd; update kt_sys set OT_Mode='1'");
        if (!day.setup.empty()) db().ExecScript(day.setup);
        if (day.storedFirst) {
            WriteSettings("");
            const test::ProgramResult stored = Ata({"--reprocess", day.date, day.date});
            ASSERT_EQ(stored.status, 0) << stored.out;
        }
        WriteSettings(day.settings);
        const test::ProgramResult text = Ata({"--explain", day.staff, day.date});
        ASSERT_EQ(text.status, 0) << text.out;
        Compare(std::string(day.name) + ".txt", text.out);
        const test::ProgramResult json = Ata({"--explain", day.staff, day.date, "--json"});
        ASSERT_EQ(json.status, 0) << json.out;
        EXPECT_TRUE(nlohmann::json::accept(json.out)) << json.out;
        Compare(std::string(day.name) + ".json", json.out);
    }
}

KX_INSTANTIATE_BACKENDS(ExplainGoldenTest);

}  // namespace
}  // namespace kx
