#include "core/intern_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/agent_context.h"
#include "support/file_text.h"
#include "support/test_db.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

class InternTextTest : public ::testing::Test {
protected:
    void WriteFile(const std::string& name, const std::string& bytes) {
        std::ofstream(home / name, std::ios::binary) << bytes;
    }
    std::string MainLog() { return test::FileText(home / "KX_ATA.Log"); }

    test::TempHome temp;
    fs::path home = temp.path();
    FakeClock clock{MakeLocalTime(2026, 12, 8, 10, 0, 0)};
};

TEST_F(InternTextTest, LineRules) {
    struct Case {
        const char* line;
        int entry;
        const char* text;  // expected text of `entry`
    };
    const Case cases[] = {
        {"502,Off Day,Libre,", 502, "Libre"},
        {"502,Off Day,Libre", 502, ""},  // third comma missing: skipped
        {"1001,x,y,", 1000, ""},         // outside 1..1000: skipped
        {"0,x,y,", 1, ""},
        {"-1,x,y,", 1, ""},
        {"99999999999999999999999,x,y,", 1000, ""},  // huge: outside the range, skipped
        {"  206 ,Rest Day,  Repos  ,more,commas,", 206, "Repos"},
        {"1000,a,last,", 1000, "last"},
        {"1,a,first,", 1, "first"},
        {"$1F6,hex,Libre,", 502, "Libre"},
        {"234,x,,", 234, ""},
        {"no commas at all", 1, ""},
        {"", 1, ""},
    };
    for (const Case& c : cases) {
        WriteFile("intl.txt", std::string(c.line) + "\n");
        InternArray table;
        Log log(home, clock);
        EXPECT_TRUE(LoadInternText(table, log, home / "intl.txt")) << c.line;
        EXPECT_EQ(table[c.entry], c.text) << c.line;
    }
}

TEST_F(InternTextTest, LineEndsLaterLinesAndByteOrderMark) {
    WriteFile("intl.txt",
              "\xEF\xBB\xBF"
              "206,a,Repos,\r\n502,b,Libre,\r514,c,Absent,\n502,d,Libre2,");
    InternArray table;
    Log log(home, clock);
    ASSERT_TRUE(LoadInternText(table, log, home / "intl.txt"));
    EXPECT_EQ(table[206], "Repos");
    EXPECT_EQ(table[514], "Absent");
    EXPECT_EQ(table[502], "Libre2");  // a later line replaces an earlier one
}

TEST_F(InternTextTest, NonNumericEntryStopsTheLoad) {
    WriteFile("intl.txt", "206,a,Repos,\nabc,x,y,\n502,b,Libre,\n");
    InternArray table;
    Log log(home, clock);
    EXPECT_FALSE(LoadInternText(table, log, home / "intl.txt"));
    EXPECT_EQ(table[502], "");
    EXPECT_EQ(MainLog(), "08/12/26 10:00:00 : <LoadInternText>'abc' is not a valid integer value\n");
}

TEST_F(InternTextTest, MissingFileFailsSilentlyAndEmptiesTheTable) {
    InternArray table;
    table.Set(5, "old");
    Log log(home, clock);
    EXPECT_FALSE(LoadInternText(table, log, home / "absent.txt"));
    EXPECT_FALSE(LoadInternText(table, log, home));  // a directory is no file
    EXPECT_EQ(table[5], "");
    EXPECT_FALSE(fs::exists(home / "KX_ATA.Log"));
}

TEST_F(InternTextTest, LoadLanguageStrFallsBackToTheBuiltInText) {
    InternArray table;
    table.Set(502, "Libre");
    Log log(home, clock);
    EXPECT_EQ(LoadLanguageStr(table, true, log, 502, "Off Day"), "Libre");
    EXPECT_EQ(LoadLanguageStr(table, false, log, 502, "Off Day"), "Off Day");
    EXPECT_EQ(LoadLanguageStr(table, true, log, 206, "Rest Day"), "Rest Day");
    EXPECT_EQ(LoadLanguageStr(table, true, log, 0, "x"), "x");
    EXPECT_EQ(LoadLanguageStr(table, true, log, 1001, "x"), "x");
    EXPECT_EQ(table[0], "");
    EXPECT_EQ(table[1001], "");
}

TEST_F(InternTextTest, StartUpLoadTakesCaptionsEvenWhenEmpty) {
    WriteFile("fr.txt", "235,Ready,Pret,\n502,Off Day,Libre,\n");
    AgentContext ctx(home, clock);
    ctx.settings.options.International = true;
    ctx.settings.options.InternationalFileName = "fr.txt";
    const InternationalStart start = LoadInternationalText(ctx);
    EXPECT_TRUE(start.loaded);
    EXPECT_EQ(start.stopCaption, "");  // no entry 234
    EXPECT_EQ(start.readyCaption, "Pret");
    EXPECT_TRUE(ctx.settings.options.International);
    EXPECT_EQ(LoadLanguageStr(ctx, 502, "Off Day"), "Libre");
}

TEST_F(InternTextTest, StartUpFailureSwitchesInternationalOff) {
    for (const std::string& content : {std::string(), std::string("abc,x,y,\n")}) {
        fs::remove(home / "KX_ATA.Log");
        fs::remove(home / "fr.txt");
        if (!content.empty()) WriteFile("fr.txt", content);
        AgentContext ctx(home, clock);
        ctx.settings.options.International = true;
        ctx.settings.options.InternationalFileName = "fr.txt";
        const InternationalStart start = LoadInternationalText(ctx);
        EXPECT_FALSE(start.loaded);
        EXPECT_EQ(start.stopCaption, "&Stop Processing");
        EXPECT_EQ(start.readyCaption, "Ready");
        EXPECT_FALSE(ctx.settings.options.International);
        const std::string failed = "08/12/26 10:00:00 : Failed to localized : fr.txt\n";
        EXPECT_EQ(MainLog(), content.empty()
                                 ? failed
                                 : "08/12/26 10:00:00 : <LoadInternText>'abc' is not a valid integer value\n" + failed);
    }
}

TEST_F(InternTextTest, StartUpWithInternationalOffLoadsNothing) {
    WriteFile("fr.txt", "abc,x,y,\n");
    AgentContext ctx(home, clock);
    ctx.settings.options.InternationalFileName = "fr.txt";
    EXPECT_FALSE(LoadInternationalText(ctx).loaded);
    EXPECT_FALSE(fs::exists(home / "KX_ATA.Log"));
}

}  // namespace
}  // namespace kx
