#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/pro_attd.h"
#include "engine/save_to_attend_file.h"
#include "support/test_db.h"
#include "work_day_fixture.h"

namespace kx::test::workday {
namespace {

// A staff-day computed and saved, then its kt_attnd row read back.
class ComputedDaySaved : public SuiteDatabaseTest {
protected:
    // A fresh context on the same database for each staff-day.
    AgentContext& NewDay() {
        ctx = std::make_unique<AgentContext>(testDatabase().home(), clock);
        ctx->db = &db();
        ctx->log.SetDetailThreshold(999);
        ctx->workRec = Shift0800To1700();
        ctx->workRec.Name = "Ann O'Neil";
        ctx->workRec.CardNo = "000777";
        ResetAttend(ctx->attend, ctx->workRec.StaffNo, ctx->workRec.AtDate);
        return *ctx;
    }

    void ComputeAndSave(const std::string& dayDescription) {
        ProAttd(*ctx, ctx->workRec, ctx->attend);
        SavetoAttendFile(*ctx, ctx->attend, dayDescription, "", ctx->workRec);
    }

    std::string Column(const std::string& column) {
        db().CommonQuery.SetSQL("select " + column + " from kt_attnd where staff_number='000777' and at_date='" +
                                std::string(kD) + "'");
        db().CommonQuery.Open();
        if (db().CommonQuery.Eof()) return "<no row>";
        return db().CommonQuery.Field(0);
    }

    FakeClock clock{MakeLocalTime(2026, 12, 9, 23, 0, 0)};
    std::unique_ptr<AgentContext> ctx;
};

struct SavedDayCase {
    const char* name;
    std::function<void(AgentContext&)> setup;
    std::vector<TCD_Source> raw;
    const char* dayDescription;
    std::vector<std::pair<const char*, std::string>> row;  // kt_attnd column and stored value
};

const std::vector<TCD_Source> kOvertimeDay = {Swipe("0800", "I"), Swipe("1915", "O")};

const SavedDayCase kSavedDays[] = {
    {"mode_a_overtime",
     nullptr,
     kOvertimeDay,
     "",
     {{"in_time", "0800"},
      {"out_time", "1700"},
      {"ot_in", "1730"},
      {"ot_out", "1915"},
      {"ot_min", "90"},
      {"total_wmin", "675"},
      {"absent", "N"},
      {"punctual", "Y"},
      {"incomplete", "N"},
      {"at_remark", "08:00 17:00 17:30 19:15"},
      {"name", "Ann O'Neil"}}},
    {"work_excludes_overtime",
     [](AgentContext& c) { c.settings.options.WorkHrExcOT = true; },
     kOvertimeDay,
     "",
     {{"total_wmin", "585"}, {"ot_min", "90"}}},
    {"no_clockings",
     nullptr,
     {},
     "",
     {{"absent", "Y"}, {"incomplete", "N"}, {"punctual", "N"}, {"total_wmin", "0"}, {"at_remark", "[Absent]"}}},
    {"only_work_in",
     nullptr,
     {Swipe("0758", "I")},
     "",
     {{"in_time", "0758"}, {"absent", "N"}, {"incomplete", "Y"}, {"total_wmin", "0"}, {"ot_min", "0"}}},
    {"holiday_worked",
     [](AgentContext& c) {
         c.attend.Holiday = "Y";
         c.workRec.OTEntry.OTMinimumMin = "0";
         c.workRec.OTEntry.OTRoundingMin = "0";
     },
     {Swipe("0900", "I"), Swipe("1300", "O")},
     "New Year",
     {{"in_time", "     "},
      {"out_time", "     "},
      {"ot_in", "0900"},
      {"ot_out", "1300"},
      {"ot_min", "240"},
      {"absent", "N"},
      {"at_remark", "            09:00 13:00 [New Year]"}}},
    {"pre_overtime_split",
     [](AgentContext& c) {
         c.workRec.OTEntry.OTMode = "C";
         c.settings.reprocessing.PreOvertime = true;
         c.settings.reprocessing.PreOTSplit = true;
     },
     {Swipe("0640", "I"), Swipe("1700", "O")},
     "",
     {{"pre_ot", "  6006400800"}, {"ot_min", "0"}, {"total_wmin", "620"}}},
    {"failed_computation_saved_as_it_stands",
     [](AgentContext& c) { c.workRec.OTEntry.OTMinimumMin = "x"; },
     kOvertimeDay,
     "",
     {{"in_time", "0800"}, {"out_time", "1915"}, {"total_wmin", "675"}, {"ot_min", "0"}, {"absent", "N"}}},
};

TEST_P(ComputedDaySaved, StoresTheComputedRow) {
    for (const SavedDayCase& c : kSavedDays) {
        SCOPED_TRACE(c.name);
        AgentContext& day = NewDay();
        day.workRec.RawData = c.raw;
        if (c.setup) c.setup(day);
        ComputeAndSave(c.dayDescription);
        for (const auto& [column, value] : c.row) EXPECT_EQ(Column(column), value) << column;
    }
}

KX_INSTANTIATE_BACKENDS(ComputedDaySaved);

}  // namespace
}  // namespace kx::test::workday
