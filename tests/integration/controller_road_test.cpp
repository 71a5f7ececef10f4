// The road of a clocking through the real programs: kx-fep hands out clockings
// and stores them as the message server would, kx-ata polls it as FEP 1 and, as
// the attendance server, recomputes the day when kx-ctl fetches the clocking
// with "OLD"; the refresh message goes back to FEP 1.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "backend_programs.h"
#include "fep_simulator.h"

namespace kx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::RunProgram;

class ControllerRoadTest : public test::BackendProgramsTest {
protected:
    void SetUp() override { SetUpPrograms({"kx-ata", "kx-ctl", "kx-db", "kx-fep"}, "road"); }
    // The first row's fields; none without a row.
    std::vector<std::string> Row(const std::string& sql) {
        auto rows = test::SelectedRows(db().CommonQuery, sql);
        return rows.empty() ? std::vector<std::string>() : std::move(rows.front());
    }
    void StartAgent() {
        agent.emplace(std::vector<std::string>{(bin / "kx-ata").string(), "--home", Home().string(), "--headless",
                                               "--server", "--mailbox", mailbox},
                      Home() / "kx-ata.out");
        const fs::path lock = AgentLockPath(mailbox);
        for (int i = 0; i < 1000 && !test::FileLockedElsewhere(lock) && agent->Running(); ++i) usleep(10000);
    }
    // "OLD" until `count` clockings came back, each as its on-line record (kx-ctl prints what follows "DLO").
    std::vector<std::string> FetchClockings(std::size_t count) {
        std::vector<std::string> records;
        const auto until = std::chrono::steady_clock::now() + 30s;
        while (records.size() < count && std::chrono::steady_clock::now() < until) {
            const test::ProgramResult old = Ctl({"old"}, "30");
            if (old.status != 0) break;
            if (old.out.rfind("09", 0) == 0)
                records.push_back(old.out.substr(0, old.out.size() - 1));
            else
                usleep(50000);
        }
        return records;
    }

    std::optional<test::BackgroundProgram> agent;
};

TEST_P(ControllerRoadTest, AClockingIsFetchedRecomputedAndAnnouncedToFep1) {
    const test::ProgramResult demo =
        RunProgram({(bin / "kx-db").string(), "demo", Target(), "--staff", "10", "--days", "3", "--from", "20240101"},
                   test::ErrorOutput::IntoOutput);
    ASSERT_EQ(demo.status, 0) << demo.out;
    const std::vector<std::string> staff =
        Row("select c.staff_number, c.card_number, c.name from cards c, kt_cdext x where "
            "c.staff_number=x.staff_number and c.exempted<>'Y' and c.card_type<>'T' order by c.staff_number");
    ASSERT_EQ(staff.size(), 3u);
    const std::string& number = staff[0];
    const std::string& card = staff[1];

    // In at 08:02 and out at 17:31 on a day the demo left without clockings.
    const fs::path clockings = Home() / "clockings.txt";
    std::ofstream(clockings) << "C01"
                             << "240110"
                             << "0802" << card << "0000\n"
                             << "C01"
                             << "240110"
                             << "1731" << card << "9000\n";
    test::FepSimulator fep({"--db", Target(), "--clockings", clockings.string()}, Home() / "kx-fep.out");
    ASSERT_NE(fep.Port(), 0) << fep.Output();
    test::RunFixture(db(), {"delete from M_Server",
                            "insert into M_Server (unit_no, IP_Address, Port, Tag_Name) values (1, '127.0.0.1', '" +
                                std::to_string(fep.Port()) + "', 'MSGSERVER')"});
    std::ofstream(Home() / "Kairox.ini") << "[Database]\nDBAlias=" << testDb_->alias() << "\n";
    StartAgent();
    ASSERT_TRUE(agent->Running()) << "kx-ata did not start";

    const std::vector<std::string> records = FetchClockings(2);
    ASSERT_EQ(records.size(), 2u) << fep.Output();
    EXPECT_EQ(records[0].rfind("09" + staff[2] + ",10/01/2024,08:02,", 0), 0u) << records[0];
    EXPECT_NE(records[0].find(",C01," + card + "," + number + ","), std::string::npos) << records[0];
    EXPECT_EQ(records[1].rfind("09" + staff[2] + ",10/01/2024,17:31,", 0), 0u) << records[1];

    // Both clockings were stored by the simulator and the day recomputed from them.
    EXPECT_EQ(Row("select count(*) from trans_r where tr_date='20240110' and tr_data='" + card + "'"),
              std::vector<std::string>{"2"});
    const std::vector<std::string> day =
        Row("select in_time, out_time from kt_attnd where staff_number='" + number + "' and at_date='20240110'");
    EXPECT_EQ(day, (std::vector<std::string>{"0802", "1731"}));

    // Each processed clocking is announced to FEP 1; a relayed command reaches it as written.
    EXPECT_TRUE(fep.WaitForOutput("<ESC>RFA<CR>")) << fep.Output();
    const test::ProgramResult cmd = Ctl({"cmd", "HELLO FEP 1"});
    EXPECT_EQ(cmd.out, "CRV\n");
    EXPECT_TRUE(fep.WaitForOutput("HELLO FEP 1")) << fep.Output();

    EXPECT_EQ(Ctl({"end"}).status, 0);
    EXPECT_EQ(agent->WaitExit(20s), 0);
}

KX_INSTANTIATE_BACKENDS(ControllerRoadTest);

}  // namespace
}  // namespace kx
