// kx-ata --check: the settings file, the schedule and the database findings.
#include "shell/settings_check.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <sstream>

#include "shell/settings_file.h"
#include "support/test_db.h"

namespace kx {
namespace {

std::string Joined(const CheckReport& report) {
    std::string all;
    for (const std::string& line : report.Lines()) all += line + "\n";
    return all;
}

struct FileCase {
    const char* name;
    std::string ini;
    int warnings;
    std::vector<std::string> shown;  // each must appear in the report
};

TEST(SettingsCheckTest, SettingsFileFindings) {
    const std::vector<FileCase> cases{
        {"no keys at all", "", 0, {"Settings that differ from their defaults:\n  none", "every key known"}},
        {"good values, any case",
         "[options]\nautoprocess=1\nATA_Details=$1F\n[Reprocessing]\nInRange=0700-0900\nGraceInMin=\n",
         0,
         {"[Options] AutoProcess = 1 (default 0)", "[Options] ATA_Details = 31 (default 0)",
          "[Reprocessing] InRange = 0700-0900 (default empty)"}},
        {"a mistyped key",
         "[Options]\nAutoProccess=1\n",
         1,
         {"Kairox.ini:2: [Options] AutoProccess is not a known key and is ignored; did you mean AutoProcess?"}},
        {"a key of another section",
         "[Server]\nAutoProcess=1\n",
         1,
         {"[Server] AutoProcess is in the wrong section and is ignored; did you mean [Options] AutoProcess?"}},
        {"a mistyped section",
         "[Reprocesing]\nGraceInMin=5\n",
         1,
         {"[Reprocesing] GraceInMin is in the wrong section and is ignored; did you mean [Reprocessing] GraceInMin?"}},
        {"an unknown key in a mistyped section",
         "[Optoins]\nFoo=1\n",
         1,
         {"[Optoins] Foo is in no known section and is ignored; did you mean [Options]?"}},
        {"a key far from every known one",
         "[Options]\nColour=red\n",
         1,
         {"[Options] Colour is not a known key and is ignored\n"}},
        {"a key given twice",
         "[Tavro]\nFILO=1\n[tavro]\nfilo=0\n",
         1,
         {"[Tavro] FILO = 1 (default 0)",
          "Kairox.ini:4: [Tavro] FILO is given again and ignored: the first one, on line 2, counts"}},
        {"malformed numbers take the default",
         "[Options]\nCardLength=eight\nAutoFit=yes\n",
         2,
         {"[Options] CardLength=eight is not a whole number: the default 6 is used",
          "[Options] AutoFit=yes is not a number (0 is no, any other yes): the default 0 is used"}},
        {"values out of range",
         "[Options]\nTranYearDigits=3\nSkinNo=12\nSetOffDayTO=7\n[Server]\nIPPort=70000\nIntegrated=tesel\n"
         "[Reprocessing]\nInRange=700-900\nDailyReprocessAtHHMM=2460\n[Database]\nReconnectSeconds=-5\n",
         8,
         {"TranYearDigits=3 is neither 4 nor 2", "SkinNo=12 is outside 1 to 9", "SetOffDayTO=7 is outside 0 to 6",
          "IPPort=70000 is neither a port", "Integrated=tesel is not TESSEL, NIMBNET or NIMBLAN",
          "InRange=700-900 is not a range hhmm-hhmm", "DailyReprocessAtHHMM=2460 is not a time of day",
          "ReconnectSeconds=-5 is negative: the default 60 is used"}},
        {"commented-out settings", "[Options]\n; AutoProcess=1\n# AutoFit=1\n", 0, {"every key known"}},
        {"a service name as the port", "[Server]\nIPPort=http\n", 0, {"[Server] IPPort = http (default 4000)"}},
        {"a password in the alias is masked",
         "[Database]\nDBAlias=postgresql://u:secret@db/suite\n",
         0,
         {"[Database] DBAlias = postgresql://u:***@db/suite"}},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        CheckReport report;
        CheckSettingsFile(IniFile::FromText(c.ini), report);
        const std::string all = Joined(report);
        EXPECT_EQ(report.Warnings(), c.warnings) << all;
        for (const std::string& text : c.shown) EXPECT_NE(all.find(text), std::string::npos) << text << "\n" << all;
        EXPECT_EQ(all.find("secret"), std::string::npos) << all;
    }
}

TEST(SettingsCheckTest, ScheduleFindings) {
    struct Case {
        const char* name;
        std::string ini;
        int warnings;
        std::string shown;
    };
    const std::vector<Case> cases{
        {"nothing scheduled", "", 0, "none: only range requests from the front end reprocess"},
        {"daily times and an interval",
         "[Reprocessing]\nDailyReprocessAtHHMM=0700\nDailyReprocess2AtHHMM=1300\nReprocessIntervalMin=15\n", 0,
         "staff with new clockings every 15 min"},
        {"an interval without the first daily time", "[Reprocessing]\nReprocessIntervalMin=15\n", 1,
         "ReprocessIntervalMin = 15 has no effect"},
        {"a second daily time without the first", "[Reprocessing]\nDailyReprocess2AtHHMM=1300\n", 1,
         "DailyReprocess2AtHHMM = 1300 has no effect"},
        {"auto-process beside a daily time", "[Options]\nAutoProcess=1\n[Reprocessing]\nDailyReprocessAtHHMM=0700\n", 1,
         "AutoProcess = 1 has no effect while DailyReprocessAtHHMM is set"},
        {"auto-process alone", "[Options]\nAutoProcess=1\n", 0, "10 s after start"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CheckReport report;
        CheckSchedule(ReadSettings(IniFile::FromText(c.ini)), report);
        EXPECT_EQ(report.Warnings(), c.warnings) << Joined(report);
        EXPECT_NE(Joined(report).find(c.shown), std::string::npos) << Joined(report);
    }
}

TEST(SettingsCheckTest, NearestNameAllowsASlipNotAnotherWord) {
    const std::vector<std::string> known{"AutoProcess", "AutoFit", "FILO"};
    EXPECT_EQ(NearestName("autoproccess", known), "AutoProcess");
    EXPECT_EQ(NearestName("AutoFitt", known), "AutoFit");
    EXPECT_EQ(NearestName("FIFO", known), "FILO");
    EXPECT_EQ(NearestName("Colour", known), "");
    EXPECT_EQ(NearestName("x", {}), "");
}

// A port on the loopback that accepts connections, and one that refuses them.
class Listener {
public:
    Listener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd_, 4);
        socklen_t length = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { close(fd_); }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

int ClosedPort() {
    const Listener gone;
    return gone.Port();  // closed again when it returns
}

class SettingsCheckDatabaseTest : public test::SuiteDatabaseTest {
protected:
    std::string Check(int& warnings) {
        Settings settings;
        settings.database.DBAlias = testDatabase().alias();
        CheckReport report;
        CheckDatabase(settings, testDatabase().home(), report, std::chrono::milliseconds(500));
        warnings = report.Warnings();
        return Joined(report);
    }
};

TEST_P(SettingsCheckDatabaseTest, OvertimeModes) {
    struct Case {
        const char* mode;  // nullptr: no kt_sys row
        std::string shown;
        int warnings;
    };
    const std::vector<Case> cases{
        {"1", "overtime mode A", 0},
        {" 2", "overtime mode C", 0},
        {"3", "overtime mode E", 0},
        {"4", "overtime mode N, which counts the whole clocked day as overtime", 1},
        {"", "overtime mode N, which counts the whole clocked day as overtime", 1},
        {nullptr, "kt_sys has no row: overtime mode N", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode ? c.mode : "no row");
        test::RunFixture(db(), {"delete from kt_sys"});
        if (c.mode) db().CommonQuery.SetSQL(std::string("insert into kt_sys (OT_Mode) values ('") + c.mode + "')");
        if (c.mode) db().CommonQuery.ExecSQL();
        int warnings = 0;
        const std::string all = Check(warnings);
        EXPECT_NE(all.find(c.shown), std::string::npos) << all;
        EXPECT_NE(all.find("suite tables: all 26 there"), std::string::npos) << all;
        EXPECT_NE(all.find("M_Server has no rows"), std::string::npos) << all;
        EXPECT_EQ(warnings, c.warnings) << all;
    }
}

TEST_P(SettingsCheckDatabaseTest, ControllersThatWillNeverConnectOrDoNotAnswer) {
    const Listener fep;
    const std::string open = std::to_string(fep.Port());
    const std::string closed = std::to_string(ClosedPort());
    test::RunFixture(db(), {"insert into kt_sys (OT_Mode) values ('1')"});
    for (const std::string& row : std::vector<std::string>{
             "(1, '127.0.0.1', '" + open + "', 'MSGSERVER')", "(2, '127.0.0.1', '" + closed + "', 'DOOR')",
             "(3, '', '4001', 'NOADDR')", "(9, '127.0.0.1', '" + open + "', 'UNIT9')",
             "(0, '127.0.0.1', '" + open + "', 'UNIT0')"}) {
        db().CommonQuery.SetSQL("insert into M_Server (unit_no, IP_Address, Port, Tag_Name) values " + row);
        db().CommonQuery.ExecSQL();
    }
    int warnings = 0;
    const std::string all = Check(warnings);
    EXPECT_NE(all.find("  FEP #1 127.0.0.1:" + open + " MSGSERVER answers"), std::string::npos) << all;
    EXPECT_NE(all.find("FEP #2 127.0.0.1:" + closed + " DOOR does not answer a TCP connect"), std::string::npos) << all;
    EXPECT_NE(all.find("FEP #3 :4001 NOADDR will never connect: its IP_Address is empty"), std::string::npos) << all;
    EXPECT_NE(all.find("M_Server unit 9 (127.0.0.1:" + open + " UNIT9) will never connect"), std::string::npos) << all;
    EXPECT_NE(all.find("M_Server unit 0 "), std::string::npos) << all;
    EXPECT_EQ(warnings, 4) << all;
}

TEST_P(SettingsCheckDatabaseTest, MissingTablesAreNamed) {
    test::RunFixture(db(), {"drop table otsap", "drop table kt_lerea"});
    int warnings = 0;
    const std::string all = Check(warnings);
    EXPECT_NE(all.find("suite tables missing: otsap, kt_lerea (make them with kx-db create)"), std::string::npos)
        << all;
}

KX_INSTANTIATE_BACKENDS(SettingsCheckDatabaseTest);

TEST(SettingsCheckTest, AMissingDatabaseFileIsAWarningAndNothingIsWritten) {
    const test::TempHome home;
    Settings settings;
    CheckReport report;
    CheckDatabase(settings, home.path(), report);
    EXPECT_EQ(report.Warnings(), 1);
    EXPECT_NE(Joined(report).find("Kairox.db does not exist (make it with kx-db create)"), std::string::npos);

    std::ostringstream out;
    EXPECT_EQ(RunSettingsCheck(home.path(), false, out), 1);
    EXPECT_NE(out.str().find("(missing: every setting takes its default)"), std::string::npos) << out.str();
    EXPECT_TRUE(std::filesystem::is_empty(home.path()));  // no log, no database made
}

}  // namespace
}  // namespace kx
