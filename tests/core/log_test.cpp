#include "core/log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "support/file_text.h"
#include "support/test_db.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

using test::FileText;

class LogTest : public ::testing::Test {
protected:
    // A test may take the directory's permissions away.
    void TearDown() override { fs::permissions(home, fs::perms::owner_all); }

    test::TempHome temp;
    fs::path home = temp.path();
    FakeClock clock{MakeLocalTime(2026, 12, 8, 9, 5, 7)};
};

TEST_F(LogTest, LineIsStampBlankColonBlankText) {
    Log log(home, clock);
    log.WriteLog("---- KX_ATA Started [1.1.4.7] <RW> ----");
    log.WriteLog("");
    EXPECT_EQ(FileText(home / "KX_ATA.Log"),
              "08/12/26 09:05:07 : ---- KX_ATA Started [1.1.4.7] <RW> ----\n"
              "08/12/26 09:05:07 : \n");
}

TEST_F(LogTest, DetailThresholdIsStrictAnd999MeansEverything) {
    struct Case {
        int threshold;
        std::vector<int> written;  // of levels -1, 0, 10, 20, 1000
    };
    const std::vector<int> levels{-1, 0, 10, 20, 1000};
    const Case cases[] = {
        {0, {-1}},
        {1, {-1, 0}},
        {10, {-1, 0}},
        {11, {-1, 0, 10}},
        {20, {-1, 0, 10}},
        {21, {-1, 0, 10, 20}},
        {999, {-1, 0, 10, 20, 1000}},
        {-5, {}},
        {1001, {-1, 0, 10, 20, 1000}},
    };
    for (const Case& c : cases) {
        fs::remove(home / "KX_ATA.Log");
        Log log(home, clock);
        log.SetDetailThreshold(c.threshold);
        for (int level : levels) log.WriteDetail(level, "L" + std::to_string(level));
        std::string expected;
        for (int level : c.written) expected += "08/12/26 09:05:07 : L" + std::to_string(level) + "\n";
        EXPECT_EQ(FileText(home / "KX_ATA.Log"), expected) << "threshold " << c.threshold;
        for (int level : levels)
            EXPECT_EQ(log.DetailOn(level), std::find(c.written.begin(), c.written.end(), level) != c.written.end());
    }
}

TEST_F(LogTest, WriteLogIgnoresThreshold) {
    Log log(home, clock);
    log.SetDetailThreshold(-1);
    log.WriteLog("always");
    EXPECT_EQ(FileText(home / "KX_ATA.Log"), "08/12/26 09:05:07 : always\n");
}

TEST_F(LogTest, DeletedLogIsCreatedAgain) {
    Log log(home, clock);
    log.WriteLog("one");
    fs::remove(home / "KX_ATA.Log");
    log.WriteLog("two");
    EXPECT_EQ(FileText(home / "KX_ATA.Log"), "08/12/26 09:05:07 : two\n");
}

// Logs name staff and requests: not for every local user, whatever the umask.
TEST_F(LogTest, LogsAreMadeForTheirUserAndGroupOnly) {
    const mode_t old = umask(0);
    Log log(home, clock);
    log.SetLogReprocess(true);
    log.WriteLog("one");
    log.WriteRPLog("two");
    umask(old);
    for (const fs::path& file : {home / "KX_ATA.Log", log.ReprocessLogPath()}) {
        SCOPED_TRACE(file.string());
        EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
}

TEST_F(LogTest, UnwritableLogIsSwallowedAndLaterWritesWork) {
    Log log(home, clock);
    // A directory in the log's place fails even for root.
    fs::create_directory(home / "KX_ATA.Log");
    EXPECT_NO_THROW(log.WriteLog("lost"));
    fs::remove(home / "KX_ATA.Log");
    log.WriteLog("kept");
    EXPECT_EQ(FileText(home / "KX_ATA.Log"), "08/12/26 09:05:07 : kept\n");

    Log nowhere(home / "missing" / "dir", clock);
    EXPECT_NO_THROW(nowhere.WriteLog("lost"));
    EXPECT_NO_THROW(nowhere.WriteRPLog("lost"));
}

TEST_F(LogTest, ReadOnlyDirectoryIsSwallowed) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
    fs::permissions(home, fs::perms::owner_read | fs::perms::owner_exec);
    Log log(home, clock);
    EXPECT_NO_THROW(log.WriteLog("lost"));
    EXPECT_FALSE(fs::exists(home / "KX_ATA.Log"));
}

TEST_F(LogTest, ReprocessLogFollowsTheDateAcrossMidnight) {
    Log log(home, clock);
    log.SetLogReprocess(true);
    clock.Set(MakeLocalTime(2026, 12, 8, 23, 59, 59));
    log.WriteRPLog("before");
    clock.Set(MakeLocalTime(2026, 12, 9, 0, 0, 1));
    log.WriteRPLog("after");
    EXPECT_EQ(FileText(home / "RP261208.log"), "08/12/26 23:59:59 : before\n");
    EXPECT_EQ(FileText(home / "RP261209.log"), "09/12/26 00:00:01 : after\n");
    EXPECT_FALSE(fs::exists(home / "KX_ATA.Log"));
}

TEST_F(LogTest, ReprocessLogOffCreatesNoFile) {
    Log log(home, clock);
    log.SetDetailThreshold(999);
    log.WriteRPLog("nothing");
    for (const auto& entry : fs::directory_iterator(home)) ADD_FAILURE() << "unexpected " << entry.path();
}

}  // namespace
}  // namespace kx
