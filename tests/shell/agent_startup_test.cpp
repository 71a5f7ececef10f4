#include <gtest/gtest.h>

#include "agent_fixture.h"
#include "db/run_sql.h"

namespace kx {
namespace {

using test::AgentTest;

std::vector<std::string> SummaryLines(const std::string& alias, const char* atServer = "false") {
    return {"Tavro.FILO =false",   "IgnoreInOut = false",     "",
            "AutoFit = false",     "ShiftDataWindow = false", "SatInOutTime = ",
            "FriInOutTime = ",     "TranYearDigit = 4",       std::string("ATServer = ") + atServer,
            "AutoProcess = false", "fFlexbleWorkHour=false",  "DbAlias = " + alias + ";   DBType = PARADOX"};
}

TEST_P(AgentTest, StartUpWritesItsLinesInOrder) {
    WriteIni(
        "[Options]\nATA_Details=999\nSelectedControllersOnly=1\nSelectedControllers=01,02,03\n"
        "International=1\nInternationalFileName=missing.txt\n");
    Agent& agent = StartAgent();

    std::vector<std::string> expected{"---- KX_ATA Started [1.1.4.7] <RW> ----", "SelectCtrl 1 =01", "SelectCtrl 2 =02",
                                      "Failed to localized : missing.txt"};
    for (const auto& line : SummaryLines(testDatabase().alias())) expected.push_back(line);
    expected.push_back("[Brisk Attendance Agent]");
    expected.push_back("<FormCr> End.");
    EXPECT_EQ(LogLines(), expected);

    EXPECT_FALSE(agent.StartupAborted());
    EXPECT_FALSE(agent.Context().settings.options.International);
    EXPECT_EQ(agent.Window().windowTitle(), "Brisk Attendance Agent");
    EXPECT_EQ(agent.ApplicationTitle(), "Brisk Attendance Agent");
    EXPECT_TRUE(agent.Mailbox().HasView());
    EXPECT_TRUE(agent.Window().isMinimized());
}

TEST_P(AgentTest, UnobtainableMailboxIsLoggedAndStartUpGoesOn) {
    WriteIni();
    mailbox = std::string(300, 'm');  // longer than a shared-memory name may be
    Agent& agent = StartAgent();
    const auto lines = LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "hMapFile = 0");
    EXPECT_EQ(lines.back(), "<FormCr> End.");
    EXPECT_FALSE(agent.Mailbox().HasView());
    EXPECT_TRUE(agent.MailboxTimer().isActive());
}

TEST_P(AgentTest, TimersFollowTheReprocessingSettings) {
    struct Case {
        const char* ini;
        bool interval;
        bool autoProcess;
    };
    for (const Case c : {Case{"", false, false}, Case{"[Options]\nAutoProcess=1\n", false, true},
                         Case{"[Reprocessing]\nDailyReprocessAtHHMM=0800\n", true, false},
                         Case{"[Options]\nAutoProcess=1\n[Reprocessing]\nDailyReprocessAtHHMM=0800\n", true, false},
                         Case{"[Reprocessing]\nReprocessIntervalMin=5\n", false, false}}) {
        SCOPED_TRACE(c.ini);
        WriteIni(c.ini);
        Agent& agent = StartAgent();
        EXPECT_TRUE(agent.MailboxTimer().isActive());
        EXPECT_EQ(agent.MailboxTimer().interval(), 50);
        EXPECT_EQ(agent.IntervalTimer().isActive(), c.interval);
        EXPECT_EQ(agent.IntervalTimer().interval(), 330);
        EXPECT_EQ(agent.AutoProcessTimer().isActive(), c.autoProcess);
        EXPECT_EQ(agent.AutoProcessTimer().interval(), 10000);
        EXPECT_TRUE(agent.AutoProcessTimer().isSingleShot());
        EXPECT_FALSE(agent.RangeTimer().isActive());
        agent.Context().flags.endReceived = true;
        agent.Window().close();
    }
}

TEST_P(AgentTest, SettingsTableValuesAreReadAtStart) {
    WriteIni();
    test::RunFixture(db(), {"insert into kt_ini values ('-', 'Attend', 'IgnoreLEIfWorkOK', '1')"});
    EXPECT_TRUE(StartAgent().Context().derived.ignoreLEIfWorkOK);
    EXPECT_EQ(agent->Context().derived.lastAAPDate, "20261209") << "today by default";

    test::RunFixture(db(), {"insert into kt_ini values ('-', 'Attend', 'LastAAPDate', '20261130')"});
    EXPECT_EQ(StartAgent().Context().derived.lastAAPDate, "20261130");
}

TEST_P(AgentTest, ServerModeForcesATServerAfterTheSummary) {
    WriteIni();
    Agent& agent = StartAgent(true);
    EXPECT_TRUE(agent.Context().settings.server.ATServer);
    EXPECT_TRUE(Logged("ATServer = false"));
}

TEST_P(AgentTest, StartupTablesAreLoaded) {
    WriteIni("[Options]\nAutoFit=1\n");
    test::RunFixture(db(),
                     {"insert into kt_sys (break_select, offdays, datasource) values ('X_______', '_X_____', '1')",
                      "insert into kt_acti (acti_code, Job_LcdDisplay) values ('1', 'Work')",
                      "insert into kt_afchi values ('A', 'S1')"});
    Agent& agent = StartAgent();
    EXPECT_EQ(agent.Context().derived.offDayList, "2");
    EXPECT_EQ(agent.Context().staffDay.DataSource, "D");
    EXPECT_EQ(agent.Context().jobDisplay[2], "Work OUT");
    EXPECT_EQ(agent.Context().afRecList.count, 1);
}

TEST_P(AgentTest, MissingDatabaseEndsTheStartUp) {
    std::ofstream(home() / "Kairox.ini") << "[Database]\nDBAlias=nothere\n";
    Agent& agent = MakeAgent();
    EXPECT_FALSE(agent.FormCreate());
    EXPECT_TRUE(agent.StartupAborted());
    EXPECT_FALSE(agent.MailboxTimer().isActive());

    agent.EndAfterAbortedStart();
    const std::string error = "database file not found: " + (home() / "nothere.db").string();
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"---- KX_ATA Started [1.1.4.7] <RW> ----", "<FCR.DB>" + error,
                                        "Dialog \"" + error + "\" answered OK (headless)", "---- KX_ATA Ended. ----"}));
}

TEST_P(AgentTest, FailureAfterTheDatabaseOpenedKeepsTheWindowAndTheMailbox) {
    WriteIni();
    test::RunFixture(db(), {"drop table kt_sys"});
    Agent& agent = StartAgent();
    const auto lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("<MainForm>:", 0), 0u) << lines.back();
    EXPECT_FALSE(Logged("<FormCr> End."));
    EXPECT_TRUE(agent.MailboxTimer().isActive());
}

// ---- close ----

TEST_P(AgentTest, CloseLikeEndAsksNothingAndEndsTheLog) {
    WriteIni();
    Agent& agent = StartAgent();
    agent.CloseLikeEnd();
    EXPECT_TRUE(agent.Closed());
    EXPECT_TRUE(agent.Context().flags.closing);
    EXPECT_FALSE(agent.MailboxTimer().isActive());
    EXPECT_FALSE(agent.Mailbox().HasView());
    EXPECT_EQ(LogLines().back(), "---- KX_ATA Ended. ----");
    EXPECT_FALSE(Logged("Dialog \"Terminate Attendance Agent, are you sure ?\" answered Yes (headless)"));
}

TEST_P(AgentTest, OperatorCloseIsConfirmed) {
    WriteIni();
    Agent& agent = StartAgent();
    agent.Window().close();
    EXPECT_TRUE(agent.Closed());
    const auto lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Dialog \"Terminate Attendance Agent, are you sure ?\" answered Yes (headless)");
    EXPECT_EQ(lines.back(), "---- KX_ATA Ended. ----");
}

TEST_P(AgentTest, InternationalCaptionsAndCloseQuestion) {
    WriteIni("[Options]\nInternational=1\nInternationalFileName=texts.txt\n");
    std::ofstream(home() / "texts.txt") << "238,q,Quitter,\n232,q,vraiment ?,\n235,r,Prêt,\n";
    Agent& agent = StartAgent();
    EXPECT_EQ(agent.Window().StopCaption(), "") << "no entry 234";
    EXPECT_EQ(agent.Window().StatePanelText(), "Prêt");
    agent.Window().close();
    EXPECT_TRUE(Logged("Dialog \"Quitter ,  vraiment ?\" answered Yes (headless)"));
}

TEST_P(AgentTest, EndInTheMailboxClosesOnceTheTickHasReturned) {
    WriteIni();
    Agent& agent = StartAgent();
    agent.Mailbox().SendMFThis("END");
    agent.Timer1Timer();
    EXPECT_FALSE(agent.Closed()) << "the close waits for the tick to return";
    EXPECT_TRUE(agent.Context().flags.endReceived);
    EXPECT_FALSE(agent.MailboxTimer().isActive());
    EXPECT_TRUE(PumpUntil([&] { return agent.Closed(); }));
    EXPECT_EQ(LogLines().back(), "---- KX_ATA Ended. ----");
    EXPECT_FALSE(Logged("Dialog \"Terminate Attendance Agent, are you sure ?\" answered Yes (headless)"));
}

TEST_P(AgentTest, CloseDuringARangeRunStopsItAndClosesAfterIt) {
    WriteIni();
    test::RunFixture(
        db(), {"insert into cards (staff_number, card_number, name, exempted) values ('E1', '000001', 'Ann', 'N')",
               "insert into kt_cdext (staff_number, ot_entitled, on_shift) values ('E1', 'N', 'N')"});
    Agent& agent = StartAgent();
    agent.Mailbox().SendMFThis(
        "TRPT2026110120261130select * from cards c, kt_cdext x where c.staff_number=x.staff_number");
    agent.Timer1Timer();
    EXPECT_EQ(agent.Mailbox().ReadText(), "CRVTRP0");
    // Served from inside the run, at its first dispatch of events.
    QTimer::singleShot(0, [&agent] { agent.CloseLikeEnd(); });
    agent.OnRangeTimer();
    EXPECT_FALSE(agent.Closed());
    EXPECT_EQ(agent.Mailbox().ReadText(), "RFA");
    EXPECT_TRUE(PumpUntil([&] { return agent.Closed(); }));

    const auto lines = LogLines();
    const auto stopped = std::find(lines.begin(), lines.end(), "Stopped manually by user.");
    ASSERT_NE(stopped, lines.end()) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines.back(), "---- KX_ATA Ended. ----");
    EXPECT_LT(stopped - lines.begin(), static_cast<long>(lines.size()) - 1);
    EXPECT_FALSE(agent.MailboxTimer().isActive()) << "not restarted by the end of the run";
}

TEST_P(AgentTest, RangeRequestsThatWaitForABatchAreAllRunInTurn) {
    WriteIni();
    test::RunFixture(
        db(), {"insert into cards (staff_number, card_number, name, exempted) values ('E1', '000001', 'Ann', 'N')",
               "insert into cards (staff_number, card_number, name, exempted) values ('E2', '000002', 'Bo', 'N')",
               "insert into kt_cdext (staff_number, ot_entitled, on_shift) values ('E1', 'N', 'N')",
               "insert into kt_cdext (staff_number, ot_entitled, on_shift) values ('E2', 'N', 'N')"});
    Agent& agent = StartAgent();
    const std::string select = "select * from cards c, kt_cdext x where c.staff_number=x.staff_number";
    {
        BatchGuard interval(agent, BatchKind::Interval);  // an interval batch is under way
        for (const char* staff : {"E1", "E2"}) {
            agent.Mailbox().SendMFThis("TRPT2026110120261102" + select + " and c.staff_number='" + staff + "'");
            agent.Timer1Timer();
            EXPECT_EQ(agent.Mailbox().ReadText(), "CRVTRP0");
            agent.OnRangeTimer();  // deferred
        }
        EXPECT_EQ(agent.TRPRequests().size(), 2u);
    }
    EXPECT_TRUE(PumpUntil([&] { return agent.TRPRequests().empty() && !agent.RangeTimer().isActive(); }));
    const auto rows = [&](const std::string& staff) {
        db().CommonQuery.SetSQL("select count(*) from kt_attnd where staff_number='" + staff + "'");
        db().CommonQuery.Open();
        return db().CommonQuery.Field(0);
    };
    EXPECT_EQ(rows("E1"), "2");
    EXPECT_EQ(rows("E2"), "2");
}

// ---- operator controls ----

TEST_P(AgentTest, StopButtonLeavesSTPInTheMailbox) {
    WriteIni();
    Agent& agent = StartAgent();
    agent.Window().StopButtonClick();
    EXPECT_EQ(agent.Mailbox().ReadText(), "STP");
    EXPECT_TRUE(agent.Context().flags.stop);
}

TEST_P(AgentTest, StatePanelClickResetsTheLastAutoProcessDate) {
    WriteIni();
    test::RunFixture(db(), {"insert into kt_ini values ('-', 'Attend', 'LastAAPDate', '20200101')"});
    Agent& agent = StartAgent();
    agent.Window().StatePanelClick();
    EXPECT_EQ(db::ReadKTINI(agent.Context(), "Attend", "LastAAPDate", ""), "20261209");
    EXPECT_EQ(agent.Window().MemoLines().back(), "Last Auto-Process Date Reset.");
}

}  // namespace
}  // namespace kx

namespace kx::test {
KX_INSTANTIATE_BACKENDS(AgentTest);
}
