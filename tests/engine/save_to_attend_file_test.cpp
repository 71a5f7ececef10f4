#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/agent_context.h"
#include "engine/save_to_attend_file.h"
#include "support/log_texts.h"
#include "support/test_db.h"

namespace kx {
namespace {

std::string Spaces(std::size_t n) { return std::string(n, ' '); }

void Worked(TAT_Attend& a, const std::string& in, const std::string& out, const std::string& total) {
    a.In = in;
    a.Out = out;
    a.Absent = "N";
    a.Punctual = "Y";
    a.TotalWork = total;
}

void Overtime(TAT_Attend& a, const std::string& in, const std::string& out, const std::string& minutes) {
    a.OT_In = in;
    a.OT_Out = out;
    a.OT_min = minutes;
}

class SaveAttendTest : public test::SuiteDatabaseTest {
protected:
    void SetUp() override {
        SuiteDatabaseTest::SetUp();
        if (IsSkipped()) return;
        NewDay();
    }

    // A fresh context (records, settings, log) on the same database.
    void NewDay() {
        ctx.reset();
        std::filesystem::remove(testDatabase().home() / "KX_ATA.Log");
        ctx = std::make_unique<AgentContext>(testDatabase().home(), clock);
        ctx->db = &db();
        ResetAttend(ctx->attend, "S1", "20240105");
        TAT_Emp& e = ctx->workRec;
        e.Name = "Ann Lee";
        e.CardNo = "000123";
        e.ScCode = "SC";
        e.BrCode = "BR";
        e.DpCode = "D1";
        e.CpCode = "CP";
        e.SysIn = "0800";
        e.SysOut = "1730";
        e.LunchOut = "1200";
        e.LunchIn = "1300";
        e.HalfDayLeave = "N";
        e.OTEntry.OTMode = "A";
    }

    void Save(const std::string& day = "", const std::string& saturday = "") {
        SavetoAttendFile(*ctx, ctx->attend, day, saturday, ctx->workRec);
    }

    std::string Value(const std::string& sql) {
        db().CommonQuery.SetSQL(sql);
        db().CommonQuery.Open();
        if (db().CommonQuery.Eof()) return "<no row>";
        return db().CommonQuery.Field(0);
    }
    std::string Attend(const std::string& column, const std::string& staff = "S1") {
        return Value("select " + column + " from kt_attnd where staff_number='" + staff + "' and at_date='20240105'");
    }
    std::string Approval(const std::string& column) {
        return Value("select " + column + " from otsap where staff_number='S1' and at_date='20240105'");
    }
    std::string Count(const std::string& table) { return Value("select count(*) from " + table); }

    std::vector<std::string> LogLines() const { return test::LogTexts(ctx->log.MainLogPath()); }
    bool Logged(const std::string& start) const { return test::HasTextStartingWith(LogLines(), start); }

    FakeClock clock{MakeLocalTime(2024, 1, 5, 18, 0, 0)};
    std::unique_ptr<AgentContext> ctx;
};

struct Arranged {
    AgentContext& ctx;
    TAT_Attend& a;
    TAT_Emp& emp;
    std::string day;       // day description
    std::string saturday;  // Saturday description
};

struct SaveCase {
    const char* name;
    std::function<void(Arranged&)> arrange;
    std::vector<std::pair<const char*, std::string>> row;  // kt_attnd column and stored value
};

class SaveAttendCases : public SaveAttendTest {};

TEST_P(SaveAttendCases, StoresTheFinalisedRow) {
    const SaveCase cases[] = {
        {"absent day",
         [](Arranged&) {},
         {{"at_remark", "[Absent]"}, {"absent", "Y"},     {"in_time", "    "},   {"out_time", "    "},
          {"ot_in", "     "},        {"ot_out", "     "}, {"meal_out", "    "},  {"total_wmin", "0"},
          {"ot_min", "0"},           {"late_min", "0"},   {"leave_tag", "****"}, {"card_number", "000123"},
          {"name", "Ann Lee"},       {"sc_code", "SC"},   {"br_code", "BR"},     {"dp_code", "D1"},
          {"cp_code", "CP"},         {"pre_ot", ""},      {"ot_approved", ""},   {"spare_flag1", ""}}},
        {"holiday without clockings",
         [](Arranged& r) {
             r.a.Holiday = "Y";
             r.day = "National Day";
         },
         {{"at_remark", "[National Day]"}, {"absent", "N"}, {"holiday", "Y"}}},
        {"full day keeps the blanks of the missing overtime",
         [](Arranged& r) { Worked(r.a, "0800", "1730", "510"); },
         {{"at_remark", "08:00 17:30" + Spaces(12)}, {"absent", "N"}, {"punctual", "Y"}, {"total_wmin", "510"}}},
        {"day description after the times",
         [](Arranged& r) {
             Worked(r.a, "0800", "1730", "510");
             r.day = "Annual Leave";
         },
         {{"at_remark", "08:00 17:30 [Annual Leave]"}}},
        {"off day times stand as overtime only",
         [](Arranged& r) {
             Worked(r.a, "0900", "1100", "0");
             Overtime(r.a, "0900", "1100", "120");
             r.a.Off = "Y";
             r.day = "Rest Day";
         },
         {{"in_time", "     "},
          {"out_time", "     "},
          {"ot_in", "0900"},
          {"ot_out", "1100"},
          {"ot_min", "120"},
          {"at_remark", Spaces(12) + "09:00 11:00 [Rest Day]"}}},
        {"code-based overtime keeps its times out of the remark",
         [](Arranged& r) {
             Worked(r.a, "0800", "1730", "510");
             r.emp.OTEntry.OTMode = "C";
         },
         {{"at_remark", "08:00 17:30"}, {"ot_in", "    "}}},
        {"working hours exclude overtime",
         [](Arranged& r) {
             Worked(r.a, "0800", "1930", "600");
             Overtime(r.a, "1730", "1930", "120");
             r.ctx.settings.options.WorkHrExcOT = true;
         },
         {{"total_wmin", "480"}, {"ot_min", "120"}, {"at_remark", "08:00 19:30 17:30 19:30"}}},
        {"working hours below overtime stay",
         [](Arranged& r) {
             Worked(r.a, "0800", "1930", "60");
             Overtime(r.a, "1730", "1930", "120");
             r.ctx.settings.options.WorkHrExcOT = true;
         },
         {{"total_wmin", "60"}}},
        {"late on a holiday is cancelled in mode A",
         [](Arranged& r) {
             Worked(r.a, "0815", "1720", "480");
             r.a.Holiday = "Y";
             r.a.Late = r.a.Early = "Y";
             r.a.LateMin = "15";
             r.a.EarlyMin = "10";
         },
         {{"late", "N"}, {"late_min", "0"}, {"early", "N"}, {"early_min", "0"}}},
        {"late on a holiday is kept in mode E",
         [](Arranged& r) {
             Worked(r.a, "0815", "1730", "480");
             r.emp.OTEntry.OTMode = "E";
             r.a.Holiday = "Y";
             r.a.Late = "Y";
             r.a.LateMin = "15";
         },
         {{"late", "Y"}, {"late_min", "15"}}},
        {"enforced lateness on an off day",
         [](Arranged& r) {
             Worked(r.a, "0815", "1730", "480");
             r.ctx.settings.options.EnforceLatenessCal = true;
             r.a.Off = "Y";
             r.a.Late = "Y";
             r.a.LateMin = "15";
         },
         {{"late", "Y"}, {"late_min", "15"}}},
        {"full-day leave cancels lateness",
         [](Arranged& r) {
             Worked(r.a, "0815", "1730", "480");
             r.a.Leave = "AL";
             r.a.Late = "Y";
             r.a.LateMin = "15";
         },
         {{"late", "N"}, {"late_min", "0"}, {"leave_tag", "AL"}}},
        {"half-day leave keeps lateness",
         [](Arranged& r) {
             Worked(r.a, "0815", "1730", "480");
             r.a.Leave = "AL";
             r.emp.HalfDayLeave = "Y";
             r.a.Late = "Y";
             r.a.LateMin = "15";
         },
         {{"late", "Y"}, {"late_min", "15"}}},
        {"extended morning leave cancels lateness only",
         [](Arranged& r) {
             Worked(r.a, "1315", "1700", "200");
             r.ctx.settings.shiftLeave.ExtendedLeaveControl = 1;
             r.a.Leave = "";
             r.emp.CancelInOut = 1;
             r.emp.HalfDayLeave = "Y";
             r.emp.HalfDayAM = true;
             r.a.Late = r.a.Early = "Y";
             r.a.LateMin = "15";
             r.a.EarlyMin = "30";
         },
         {{"late", "N"}, {"late_min", "0"}, {"early", "Y"}, {"early_min", "30"}, {"leave_tag", ""}}},
        {"a shift without meal blanks the meal times",
         [](Arranged& r) {
             Worked(r.a, "0800", "1730", "510");
             r.emp.LunchIn = r.emp.LunchOut;
             r.a.Out_Meal = "1200";
             r.a.In_Meal = "1300";
         },
         {{"meal_out", "     "}, {"meal_in", "     "}}},
        {"shift not defined",
         [](Arranged& r) {
             r.ctx.staffDay.ShiftNotFound = true;
             r.day = "Off Day";
         },
         {{"at_remark", "[Shift Not Defined]"}, {"absent", "N"}}},
        {"absence in the international text",
         [](Arranged& r) {
             r.ctx.settings.options.International = true;
             r.ctx.internArray.Set(514, "Tidak Hadir");
         },
         {{"at_remark", "[Tidak Hadir]"}, {"absent", "Y"}}},
        {"alternate Saturday",
         [](Arranged& r) {
             Worked(r.a, "0800", "1300", "300");
             r.ctx.settings.options.GovFTWRDay = true;
             r.saturday = "Alt.Saturday";
         },
         {{"at_remark", "[Alt.Saturday]"}}},
        {"weekly off day on a rest day",
         [](Arranged& r) {
             r.ctx.settings.options.SetOffDayTO = 6;
             r.a.Off = "Y";
             r.day = "Rest Day";
             r.saturday = "Off Day";
         },
         {{"at_remark", "[Off Day]"}}},
        {"weekly off day only on a rest day",
         [](Arranged& r) {
             r.ctx.settings.options.SetOffDayTO = 6;
             r.a.Holiday = "Y";
             r.day = "National Day";
             r.saturday = "Alt.Saturday";
         },
         {{"at_remark", "[National Day]"}}},
        {"clock reason",
         [](Arranged& r) {
             Worked(r.a, "0800", "1730", "510");
             r.ctx.settings.tessel.ClockReason = true;
             r.ctx.staffDay.ClockReason = " Doctor's visit ";
         },
         {{"at_remark", "[Doctor's visit]"}}},
        {"quotes in the name and the remark",
         [](Arranged& r) {
             r.emp.Name = "O'Neil \"Jo\" `K`";
             r.a.Holiday = "Y";
             r.day = "New Year's Day";
         },
         {{"name", "O'Neil  Jo   K "}, {"at_remark", "[New Year's Day]"}}},
        {"quotes in the other values",
         [](Arranged& r) {
             r.emp.CardNo = "12'3";
             r.emp.DpCode = "R&D'";
             r.a.Leave = "A'L";
             r.emp.HalfDayLeave = "Y";
         },
         {{"card_number", "12'3"}, {"dp_code", "R&D'"}, {"leave_tag", "A'L"}}},
        {"pre-overtime kept apart",
         [](Arranged& r) {
             Worked(r.a, "0800", "1730", "510");
             r.ctx.settings.reprocessing.PreOTSplit = true;
             r.a.PreOT = "30";
             r.a.EarlyOT_In = "0700";
             r.a.EarlyOT_Out = "0730";
         },
         {{"pre_ot", "  3007000730"}}},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::RunFixture(db(), {"delete from kt_attnd"});
        NewDay();
        Arranged r{*ctx, ctx->attend, ctx->workRec, "", ""};
        c.arrange(r);
        Save(r.day, r.saturday);
        for (const auto& [column, value] : c.row) EXPECT_EQ(Attend(column), value) << column;
        EXPECT_EQ(Count("kt_attnd"), "1");
        EXPECT_FALSE(Logged("<")) << LogLines().front();
    }
}

KX_INSTANTIATE_BACKENDS(SaveAttendCases);

class SaveAttend : public SaveAttendTest {};

TEST_P(SaveAttend, ExtendedLeaveDescriptionsAndTimeOffRows) {
    test::RunFixture(db(), {"insert into kt_timeoff values ('S1','20240105','Dentist')",
                            "insert into kt_timeoff values ('S2','20240105','Not mine')",
                            "insert into kt_timeoff values ('S1','20240106','Next day')",
                            "insert into kt_timeoff values ('S1','20240105','Bank''s hours')"});
    ctx->settings.shiftLeave.ExtendedLeaveControl = 1;
    ctx->attend.Leave = "";
    ctx->attend.LeaveDesc = {"Annual", "", "Medical", ""};
    Save();
    EXPECT_EQ(Attend("at_remark"), "[Annual] [Medical] [Dentist] [Bank's hours]");
    EXPECT_EQ(Attend("absent"), "N");

    NewDay();
    Worked(ctx->attend, "0800", "1730", "510");
    ctx->attend.LeaveDesc = {"", "Half day", "", ""};
    Save("Rest Day");  // without extended leave control neither shows
    EXPECT_EQ(Attend("at_remark"), "08:00 17:30 [Rest Day]");
    ctx->settings.shiftLeave.ExtendedLeaveControl = 1;
    Save("Rest Day");
    EXPECT_EQ(Attend("at_remark"), "08:00 17:30 [Rest Day] [Half day] [Dentist] [Bank's hours]");
}

TEST_P(SaveAttend, OvertimeApprovalTakesTheApproversDecision) {
    struct Case {
        const char* name;
        const char* fixture;  // otsap row, or nullptr
        std::string otMin, approval, approvedBy;
    };
    const Case cases[] = {
        {"not approved",
         "insert into otsap (at_date,staff_number,OT_Approved,OT_Approved_By) values ('20240105','S1','N','Boss')", "0",
         "N", "Boss"},
        {"approved",
         "insert into otsap (at_date,staff_number,OT_Approved,OT_Approved_By) values ('20240105','S1','Y','Boss')",
         "120", "Y", "Boss"},
        {"awaiting approval", nullptr, "120", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::RunFixture(db(), {"delete from otsap"});
        if (c.fixture) test::RunFixture(db(), {c.fixture});
        NewDay();
        ctx->settings.options.OTApproval = true;
        Worked(ctx->attend, "0800", "1930", "510");
        Overtime(ctx->attend, "1730", "1930", "120");
        Save();
        EXPECT_EQ(Attend("ot_min"), c.otMin);
        EXPECT_EQ(Attend("ot_approved"), c.approval);
        EXPECT_EQ(Attend("ot_approved_by"), c.approvedBy);
        EXPECT_EQ(Count("otsap"), "1");
        if (!c.fixture) {
            EXPECT_EQ(Approval("name"), "");  // only date and staff: the approver decides
            EXPECT_EQ(Approval("ot_hours"), "");
        }
    }

    // A day without overtime has nothing to approve.
    test::RunFixture(db(), {"delete from otsap"});
    NewDay();
    ctx->settings.options.OTApproval = true;
    Worked(ctx->attend, "0800", "1730", "510");
    Save();
    EXPECT_EQ(Count("otsap"), "0");
}

TEST_P(SaveAttend, OvertimeApprovalAdjustWritesTheApprovalRow) {
    test::RunFixture(db(), {"insert into department values ('D1','Research')"});
    struct Case {
        const char* name;
        const char* approved;  // of the row already there, or nullptr for none
        bool replaced;
    };
    const Case cases[] = {{"no row", nullptr, true}, {"not approved", "N", true}, {"approved", "Y", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::RunFixture(db(), {"delete from otsap"});
        if (c.approved)
            test::RunFixture(db(),
                             {std::string("insert into otsap (at_date,staff_number,ot_hours,OT_Approved,ot_remark) "
                                          "values ('20240105','S1','  9.99','") +
                              c.approved + "','note')"});
        NewDay();
        ctx->settings.options.OTApprovalAdjust = true;
        ctx->settings.options.OTApproval = true;  // the adjusting mode wins
        ctx->workRec.Name = "O'Neil \"Jo\"";
        Worked(ctx->attend, "0800", "1900", "510");
        Overtime(ctx->attend, "1730", "1900", "90");
        Save();
        EXPECT_EQ(Count("otsap"), "1");
        EXPECT_EQ(Attend("ot_min"), "90");
        EXPECT_EQ(Attend("ot_approved"), "");  // the adjusting mode hands no decision to the row
        if (c.replaced) {
            const std::pair<const char*, std::string> row[] = {
                {"name", "O'Neil  Jo "},  {"cp_code", "CP"},    {"br_code", "BR"},           {"dp_code", "D1"},
                {"sc_code", "SC"},        {"ot_in", "1730"},    {"ot_out", "1900"},          {"ot_hours", "  1.50"},
                {"appr_hours", "  1.50"}, {"sys_in", "0800"},   {"sys_out", "1730"},         {"ot_reason", ""},
                {"ot_remark", ""},        {"OT_Approved", "N"}, {"depart_desc", "Research"}, {"OT_Approved_By", ""},
                {"approved_date", ""},
            };
            for (const auto& [column, value] : row) EXPECT_EQ(Approval(column), value) << column;
        } else {
            EXPECT_EQ(Approval("ot_hours"), "  9.99");
            EXPECT_EQ(Approval("ot_remark"), "note");
        }
    }
}

TEST_P(SaveAttend, ReplacesOnlyTheRowOfTheStaffDay) {
    test::RunFixture(
        db(),
        {
            "insert into kt_attnd (at_date,staff_number,at_remark) values ('20240105','S1','old')",
            "insert into kt_attnd (at_date,staff_number,at_remark) values ('20240105','S2','other staff')",
            "insert into kt_attnd (at_date,staff_number,at_remark) values ('20240106','S1','other day')",
            "insert into kt_attnd (at_date,staff_number,at_remark) values ('20240105','X'' or ''1''=''1','quoted')",
        });
    Save();
    EXPECT_EQ(Attend("at_remark"), "[Absent]");
    EXPECT_EQ(Count("kt_attnd"), "4");

    // A staff number that would end the literal early stays a value.
    NewDay();
    ResetAttend(ctx->attend, "X' or '1'='1", "20240105");
    Save();
    EXPECT_EQ(Count("kt_attnd"), "4");
    EXPECT_EQ(Attend("at_remark", "X'' or ''1''=''1"), "[Absent]");
    EXPECT_EQ(Attend("at_remark", "S2"), "other staff");
    EXPECT_FALSE(Logged("<"));
}

TEST_P(SaveAttend, MinuteCountThatIsNotANumberIsStoredAsZero) {
    ctx->settings.options.WorkHrExcOT = true;
    Worked(ctx->attend, "0800", "1730", "510");
    ctx->attend.LateMin = "5); delete from cards; --";
    ctx->attend.EarlyMin = " 7 ";
    ctx->attend.MealLateMin = "99999999999";
    ctx->attend.OT_min = "";
    Save();
    EXPECT_EQ(Attend("late_min"), "0");
    EXPECT_EQ(Attend("early_min"), "7");
    EXPECT_EQ(Attend("meal_late_min"), "0");
    EXPECT_EQ(Attend("ot_min"), "0");
    EXPECT_EQ(Attend("total_wmin"), "510");
    EXPECT_TRUE(Logged("<SavetoAttendFile>LateMin=[5); delete from cards; --] is not a number; 0 used"));
    EXPECT_TRUE(Logged("<SavetoAttendFile>MealLateMin=[99999999999] is not a number; 0 used"));
    EXPECT_TRUE(Logged("<SavetoAttendFile>OT_min=[] is not a number; 0 used"));
    EXPECT_FALSE(Logged("<RunSQL>"));
}

// The delete and the insert of a staff-day commit together: when the insert
// fails the old row is still there, inside a batch as well as on its own.
TEST_P(SaveAttend, FailedInsertKeepsTheOldRow) {
    test::RunFixture(db(), {"insert into kt_attnd (at_date,staff_number,at_remark) values ('20240105','S1','old')",
                            "alter table kt_attnd drop column pre_ot"});
    ctx->settings.options.ATA_Details = 30;
    ctx->log.SetDetailThreshold(30);
    Save();
    EXPECT_EQ(Attend("at_remark"), "old");
    EXPECT_TRUE(Logged("<RunSQL>"));
    EXPECT_TRUE(Logged("insert into kt_attnd values ('20240105','S1','000123','Ann Lee',"));
    EXPECT_FALSE(Logged("<SavetoAttendFile>"));

    NewDay();
    {
        db::Database::Batch batch(db());
        test::RunFixture(db(),
                         {"insert into kt_attnd (at_date,staff_number,at_remark) values ('20240105','S2','kept')"});
        Save();
        batch.End();
    }
    EXPECT_EQ(Attend("at_remark"), "old");
    EXPECT_EQ(Attend("at_remark", "S2"), "kept");
    EXPECT_TRUE(Logged("<RunSQL>"));
}

// Inside a batch, a staff-day whose insert the database refuses is undone alone:
// the days before and after it are saved, and its failure has its log line.
TEST_P(SaveAttend, ARefusedDayInABatchUndoesOnlyItself) {
    test::RunFixture(db(), {"insert into kt_attnd (at_date,staff_number,at_remark) values ('20240105','S2','old')"});
    if (IsPostgres())
        test::RunFixture(db(), {"create function refuse_s2() returns trigger language plpgsql as $$ begin "
                                "if new.staff_number = 'S2' then raise exception 'S2 is refused'; end if; "
                                "return new; end $$",
                                "create trigger refuse_s2 before insert on kt_attnd for each row execute "
                                "function refuse_s2()"});
    else
        test::RunFixture(db(), {"create trigger refuse_s2 before insert on kt_attnd when new.staff_number = 'S2' "
                                "begin select raise(abort, 'S2 is refused'); end"});
    {
        db::Database::Batch batch(db());
        for (const char* staff : {"S1", "S2", "S3"}) {
            ctx->attend.StaffNo = staff;
            Save();
        }
        batch.End();
    }
    EXPECT_EQ(Attend("card_number", "S1"), "000123");
    EXPECT_EQ(Attend("at_remark", "S2"), "old");
    EXPECT_EQ(Attend("card_number", "S3"), "000123");
    const auto lines = LogLines();
    ASSERT_EQ(
        std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("<RunSQL>", 0) == 0; }), 1);
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const std::string& l) {
                               return l.rfind("<RunSQL>", 0) == 0 && l.find("S2 is refused") != std::string::npos;
                           }),
              lines.end());
}

TEST_P(SaveAttend, FailedApprovalInsertKeepsTheOldApprovalRow) {
    test::RunFixture(
        db(), {"insert into otsap (at_date,staff_number,ot_hours,OT_Approved) values ('20240105','S1','  9.99','N')",
               "alter table otsap drop column approved_time"});
    ctx->settings.options.OTApprovalAdjust = true;
    Worked(ctx->attend, "0800", "1900", "510");
    Overtime(ctx->attend, "1730", "1900", "90");
    Save();
    EXPECT_EQ(Approval("ot_hours"), "  9.99");
    EXPECT_TRUE(Logged("<RunSQL>"));
    EXPECT_EQ(Attend("ot_min"), "90");  // the attendance row is stored all the same
}

TEST_P(SaveAttend, FailureEndsTheSavingWithItsLogLine) {
    test::RunFixture(db(), {"insert into kt_attnd (at_date,staff_number,at_remark) values ('20240105','S1','old')",
                            "insert into otsap (at_date,staff_number) values ('20240105','S1')",
                            "alter table otsap drop column OT_Approved_By"});
    ctx->settings.options.OTApproval = true;
    Worked(ctx->attend, "0800", "1900", "510");
    Overtime(ctx->attend, "1730", "1900", "90");
    ctx->staffDay.AutoFitShiftTag = "it's";
    ctx->settings.options.AutoFit = true;
    Save();
    EXPECT_EQ(Attend("at_remark"), "old");
    const std::string remark = "08:00 19:00 17:30 19:00 [it''s]";
    bool found = false;
    for (const std::string& line : LogLines()) {
        if (line.rfind("<SavetoAttendFile>", 0) != 0) continue;
        found = true;
        EXPECT_NE(line.find("OT_Approved_By"), std::string::npos) << line;
        EXPECT_TRUE(line.ends_with("s1=[" + remark + "] s2=[]")) << line;
    }
    EXPECT_TRUE(found);
}

KX_INSTANTIATE_BACKENDS(SaveAttend);

}  // namespace
}  // namespace kx
