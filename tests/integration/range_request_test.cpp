// A range request through the real programs: kx-db fills a demo site, kx-ata
// serves the mailbox headless, kx-ctl sends "TRP" and waits for "RFA", then
// "END"; the attendance rows are read back from the database.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "backend_programs.h"

namespace kx {
namespace {

namespace fs = std::filesystem;
using test::RunProgram;

constexpr int kDays = 10;  // 1 to 10 January 2024
const std::string kStaffSelect = "select * from cards c, kt_cdext x where c.staff_number=x.staff_number";

class RangeRequestTest : public test::BackendProgramsTest {
protected:
    void SetUp() override { SetUpPrograms({"kx-ata", "kx-ctl", "kx-db"}, "range"); }
    int Count(const std::string& sql) { return std::stoi(Rows(sql).at(0)); }
};

TEST_P(RangeRequestTest, EveryStaffDayIsWrittenAndTheMailboxServedAgain) {
    const test::ProgramResult demo =
        RunProgram({(bin / "kx-db").string(), "demo", Target(), "--staff", "30", "--days", "12", "--from", "20231231"},
                   test::ErrorOutput::IntoOutput);
    ASSERT_EQ(demo.status, 0) << demo.out;
    std::ofstream(Home() / "Kairox.ini") << "[Database]\nDBAlias=" << testDb_->alias() << "\n";

    test::BackgroundProgram agent(
        {(bin / "kx-ata").string(), "--home", Home().string(), "--headless", "--mailbox", mailbox},
        Home() / "kx-ata.out");
    const fs::path lock = AgentLockPath(mailbox);
    for (int i = 0; i < 1000 && !test::FileLockedElsewhere(lock) && agent.Running(); ++i) usleep(10000);
    ASSERT_TRUE(test::FileLockedElsewhere(lock)) << "kx-ata did not start";

    const std::vector<std::string> request = {"trp", "T", "20240101", "20240110", kStaffSelect};
    const test::ProgramResult first = Ctl(request);
    ASSERT_EQ(first.status, 0) << first.out;
    EXPECT_NE(first.out.find("CRVTRP0"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("RFA"), std::string::npos) << first.out;

    const int working =
        Count("select count(*) from cards c, kt_cdext x where c.staff_number=x.staff_number and c.exempted<>'Y'");
    ASSERT_GT(working, 20);
    const std::string inRange = " at_date between '20240101' and '20240110'";
    EXPECT_EQ(Count("select count(*) from kt_attnd where" + inRange), working * kDays);
    EXPECT_EQ(Count("select count(distinct staff_number) from kt_attnd where" + inRange), working);
    EXPECT_EQ(Count("select count(*) from kt_attnd a, cards c where a.staff_number=c.staff_number and "
                    "c.exempted='Y'"),
              0);
    EXPECT_EQ(Count("select count(*) from kt_attnd where not" + inRange), 0);
    // computed days, not only reset rows
    EXPECT_GT(Count("select count(*) from kt_attnd where absent='N' and total_wmin > 0"), working * kDays / 2);

    // the same request again replaces the rows with the same ones
    const std::vector<std::string> before = Rows("select * from kt_attnd order by staff_number, at_date");
    const test::ProgramResult second = Ctl(request);
    ASSERT_EQ(second.status, 0) << second.out;
    EXPECT_EQ(Rows("select * from kt_attnd order by staff_number, at_date"), before);

    const test::ProgramResult end = Ctl({"end"});
    EXPECT_EQ(end.status, 0) << end.out;
    EXPECT_EQ(agent.WaitExit(std::chrono::seconds(20)), 0);
}

KX_INSTANTIATE_BACKENDS(RangeRequestTest);

}  // namespace
}  // namespace kx
