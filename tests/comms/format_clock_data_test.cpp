#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comms/command_buffers.h"
#include "comms/fep_frames.h"
#include "comms/format_clock_data.h"
#include "comms/on_the_fly_db.h"

namespace kx {
namespace {

using test::OnTheFlyTest;

// cards: staff, card, name, depart_code, card_type, photo, sc, br, dp, cp, exempted, start, expiry, misc.
const std::vector<std::string> kStaff = {
    "insert into cards values ('S001','123456','Ann Lee','D1','N','ann.jpg','SC1','BR1','D1','CP1','N',"
    "'20200101','20991231','NONE')",
    "insert into cards values ('S002','00654321','Bob Tan','D1','N','','SC1','BR1','D1','CP1','Y',"
    "'20200101','20991231','NONE')",
    "insert into cards values ('S003','12''456','Di O''Neil','D9','N','','SC1','BR1','D9','CP1','N',"
    "'20200101','20991231','NONE')",
    "insert into cards values ('T900001','900001','Temporary Card','','T','','','','','CP1','Y',"
    "'20200101','20991231','NONE')",
    "insert into cards values ('S004','777777','Eve Ng','D1','N','','SC1','BR1','D1','CP1','N',"
    "'20200101','20991231','NONE')",
    "insert into tempcard values ('900001','S001','20240315000000','20240315235959')",
    "insert into department values ('D1','Sales')",
    "insert into kt_cdext values ('S001','Y','N','NONE','N','SC1','BR1','D1','CP1')",
    "insert into kt_cdext values ('S002','N','N','NONE','N','SC1','BR1','D1','CP1')",
    "insert into kt_cdext values ('S003','N','N','NONE','N','SC1','BR1','D9','CP1')",
    // S004 has no kt_cdext row.
    "insert into kt_sys values ('________','X_____X','0','0830','1730','1200','1300','1000','1015','1500','1515',"
    "'000','000','000','000','000','1','0','0','0','','')",
    "insert into kt_tmclk values ('S001','20240315','0805','I','000','')",
    "insert into kt_tmclk values ('S001','20240315','1715','O','000','')",
};

class FormatClockDataTest : public OnTheFlyTest {
protected:
    void SetUp() override {
        OnTheFlyTest::SetUp();
        if (IsSkipped()) return;
        base().Run(kStaff);
        const char* jobs[] = {"WORK", "MEAL", "BRK1", "BRK2", "OT", "JOB5", "JOB6", "JOB7", "JOB8"};
        for (int k = 0; k < 9; ++k) {
            ctx().jobDisplay.Set(2 * k + 1, std::string(jobs[k]) + " IN");
            ctx().jobDisplay.Set(2 * k + 2, std::string(jobs[k]) + " OUT");
        }
    }

    std::vector<std::string> AttendRows() {
        return base().Rows(
            "select staff_number, at_date, card_number, name, sc_code, in_time, out_time from "
            "kt_attnd order by staff_number, at_date");
    }

    CommandBuffers buffers;
};

TEST_P(FormatClockDataTest, OnLineRecords) {
    struct Case {
        std::string packet, expected;
        std::string prefix = "";
        bool door = false;
    };
    const Case cases[] = {
        {"R01240315080512345600000", "09Ann Lee,15/03/2024,08:05,WORK IN,Sales,R01,123456,S001,ann.jpg"},
        // An on-line clocking shows its source as the "C" record it was.
        {"O7A240315173012345690000", "09Ann Lee,15/03/2024,17:30,WORK OUT,Sales,C7A,123456,S001,ann.jpg"},
        {"C01030101000012345600020", "09Ann Lee,01/01/2003,00:00,BRK1 IN,Sales,C01,123456,S001,ann.jpg"},
        {"R01970630235912345690080", "09Ann Lee,30/06/1997,23:59,JOB8 OUT,Sales,R01,123456,S001,ann.jpg"},
        {"R01890228120012345600090", "09Ann Lee,28/02/2089,12:00,,Sales,R01,123456,S001,ann.jpg"},
        // Direction at 23 of a 24-character record; activity from 21-23.
        {"R012403150805123456001<9", "09Ann Lee,15/03/2024,08:05,MEAL IN,Sales,R01,123456,S001,ann.jpg"},
        // 22 characters: "O" gets the value of 21-22, others a "0".
        {"O012403150805123456000", "09Ann Lee,15/03/2024,08:05,WORK IN,Sales,C01,123456,S001,ann.jpg"},
        {"R012403150805123456901", "09Ann Lee,15/03/2024,08:05,,Sales,R01,123456,S001,ann.jpg"},
        // Card length 8: the lookup uses the zero-prefixed card.
        {"R01240315080565432100000", "09Bob Tan,15/03/2024,08:05,WORK IN,Sales,R01,00654321,S002,", "00"},
        {"R01240315080512345600000", "09Unknown,15/03/2024,08:05,WORK IN,Unknown,R01,00123456,,", "00"},
        // A temporary card shows its holder.
        {"R01240315080590000100000", "09Ann Lee,15/03/2024,08:05,WORK IN,Sales,R01,900001,S001,ann.jpg"},
        {"R01240315080599999900000", "09Unknown,15/03/2024,08:05,WORK IN,Unknown,R01,999999,,"},
        {"R01240315080512'45600000", "09Di O'Neil,15/03/2024,08:05,WORK IN,D9,R01,12'456,S003,"},
        // Door-access layout.
        {"R0124031508051234560000", "09Ann Lee,15/03/2024,08:05,WORK IN,Sales,R01,123456,S001,ann.jpg", "", true},
        {"R0124031508051234560009", "09Ann Lee,15/03/2024,08:05,WORK OUT,Sales,R01,123456,S001,ann.jpg", "", true},
        {"R0124031508051234560039", "09Ann Lee,15/03/2024,08:05,,Sales,R01,123456,S001,ann.jpg", "", true},
        // Rejected.
        {"R01240315080512345610000", ""},
        {"X01240315080512345600000", ""},
        {"M01240315080512345600000", ""},
        {"O0124031508051234560ab", ""},
        {"R01240315080512345600", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        ctx().derived.cardZeroPrefix = c.prefix;
        ctx().settings.options.DoorAccess2Clock = c.door;
        EXPECT_EQ(FormatClockData(ctx(), c.packet, buffers), c.expected) << c.packet;
    }
    EXPECT_FALSE(buffers.CommandWaiting(1));
    EXPECT_TRUE(AttendRows().empty());
}

TEST_P(FormatClockDataTest, RejectionLines) {
    struct Case {
        std::string packet;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"R01240315080512345600", {"FormatClockData:Data length must be >= 22, Data_src=[R01240315080512345600]"}},
        {"X01240315080512345600000", {"Invalid Raw Data :[X01240315080512345600000]"}},
        // The line shows the record with its direction moved to 20.
        {"X012403150805123456000<", {"Invalid Raw Data :[X012403150805123456<000]"}},
        {"R01240315080512345620000", {"Invalid Raw Data :[R01240315080512345620000]"}},
        {"M01240315080512345620000", {}},
        {"X01240315080512345610000", {}},
        {"R0124031508051234568000", {}},
        {"R012403150805123456D000", {}},
        {"O0124031508051234560ab", {"<FormatClockData>:'ab' is not a valid integer value"}},
    };
    for (const Case& c : cases) {
        base().Run({});
        std::filesystem::remove(ctx().log.MainLogPath());
        EXPECT_EQ(FormatClockData(ctx(), c.packet, buffers), "") << c.packet;
        EXPECT_EQ(base().LogLines(), c.lines) << c.packet;
    }
}

TEST_P(FormatClockDataTest, DetailLines) {
    ctx().settings.options.ATA_Details = 1;
    FormatClockData(ctx(), "O01240315080512345600000", buffers);
    FormatClockData(ctx(), "X01240315080512345610000", buffers);
    const std::vector<std::string> expected = {
        "FormatClockData:Data_src=[O01240315080512345600000]",
        "Data_src=[O01240315080512345600000]  OLRec=[09Ann Lee,15/03/2024,08:05,WORK IN,Sales,C01,123456,S001,"
        "ann.jpg]",
        "FormatClockData:Data_src=[X01240315080512345610000]",
        "FormatClockData:Data_err=true",
    };
    EXPECT_EQ(base().LogLines(), expected);
}

TEST_P(FormatClockDataTest, AttendanceServerReprocessesTheStaffDay) {
    ctx().settings.server.ATServer = true;
    ctx().settings.options.ATA_Details = 1;
    // A batch waiting between its staff-days keeps its template record.
    ctx().templateRec.Name = "Batch staff";
    ctx().templateRec.CardNo = "B1";
    ctx().templateRec.SysIn = "0900";

    EXPECT_EQ(FormatClockData(ctx(), "O01240315171512345690000", buffers),
              "09Ann Lee,15/03/2024,17:15,WORK OUT,Sales,C01,123456,S001,ann.jpg");

    EXPECT_EQ(AttendRows(), std::vector<std::string>{"S001|20240315|123456|Ann Lee|SC1|0805|1715"});
    std::string queued;
    buffers.GetOneCmd(queued, 1);
    EXPECT_EQ(queued, InterModFrame("RFA"));
    EXPECT_FALSE(buffers.CommandWaiting(1));
    EXPECT_TRUE(base().Logged("<FormatClockData>: On-the-fly.Reprocess=240315"));
    EXPECT_FALSE(base().LoggedStartingWith("Exempted"));
    EXPECT_EQ(ctx().templateRec.Name, "Batch staff");
    EXPECT_EQ(ctx().templateRec.CardNo, "B1");
    EXPECT_EQ(ctx().templateRec.SysIn, "0900");
}

TEST_P(FormatClockDataTest, AttendanceServerCases) {
    ctx().settings.server.ATServer = true;
    struct Case {
        std::string packet, prefix;
        std::vector<std::string> rows;  // kt_attnd after the clocking
        bool refresh;
        std::string logged;
    };
    const Case cases[] = {
        // Exempted staff are still reprocessed.
        {"R01240316080565432100000", "00", {"S002|20240316|00654321|Bob Tan|SC1|    |    "}, true, "Exempted : S002"},
        {"R01240316080512'45600000", "", {"S003|20240316|12'456|Di O'Neil|SC1|    |    "}, true, ""},
        // The temporary card's clocking reprocesses its holder's day.
        {"R01240315080590000100000", "", {"S001|20240315|123456|Ann Lee|SC1|0805|1715"}, true, ""},
        // No kt_cdext row: nothing to reprocess, the refresh still goes out.
        {"R01240315080577777700000", "", {}, true, ""},
        {"R01240315080599999900000", "", {}, false, "FormatClockData: Can not locate Staff#, no reprocessing."},
    };
    for (const Case& c : cases) {
        base().Run({"delete from kt_attnd"});
        std::filesystem::remove(ctx().log.MainLogPath());
        ctx().derived.cardZeroPrefix = c.prefix;
        EXPECT_NE(FormatClockData(ctx(), c.packet, buffers), "") << c.packet;
        std::vector<std::string> rows = AttendRows();
        EXPECT_EQ(rows, c.rows) << c.packet;
        EXPECT_EQ(buffers.Count(1), c.refresh ? 1 : 0) << c.packet;
        buffers.InitCommandBuffers();
        if (!c.logged.empty()) {
            EXPECT_TRUE(base().Logged(c.logged)) << c.packet;
        }
    }
}

TEST_P(FormatClockDataTest, ReprocessingFailureKeepsTheRecord) {
    ctx().settings.server.ATServer = true;
    base().Run({"drop table kt_cdext", "create table kt_cdext (staff_number text, on_shift text)",
                "insert into kt_cdext values ('S001','N')"});
    EXPECT_EQ(FormatClockData(ctx(), "R01240315080512345600000", buffers),
              "09Ann Lee,15/03/2024,08:05,WORK IN,Sales,R01,123456,S001,ann.jpg");
    EXPECT_TRUE(base().LoggedStartingWith("<FormatClockData>:"));
    EXPECT_TRUE(AttendRows().empty());
}

TEST_P(FormatClockDataTest, FlexibleHoursAreTheClockedStaffMembers) {
    ctx().settings.server.ATServer = true;
    ctx().settings.options.FlexibleWorkHour = true;
    ctx().log.SetDetailThreshold(1);
    base().Run({"update kt_cdext set flexi_hour='Y' where staff_number='S002'",
                "insert into kt_tmclk values ('S002','20240315','0805','I','000','')"});
    // Left over from the last staff member of a range run.
    ctx().templateRec.FlexibleWorkHour = "Y";
    FormatClockData(ctx(), "R01240315080512345600000", buffers);
    EXPECT_TRUE(base().LoggedStartingWith("Staff.FlexWorkHour=N  "));
    EXPECT_EQ(ctx().templateRec.FlexibleWorkHour, "Y");

    std::filesystem::remove(ctx().log.MainLogPath());
    ctx().templateRec.FlexibleWorkHour = "N";
    ctx().derived.cardZeroPrefix = "00";
    FormatClockData(ctx(), "R01240315080565432100000", buffers);
    EXPECT_TRUE(base().LoggedStartingWith("Staff.FlexWorkHour=Y  "));
}

KX_INSTANTIATE_BACKENDS(FormatClockDataTest);

}  // namespace
}  // namespace kx
