#include "assembly/edited_attendance.h"

#include "assembly/raw_data.h"
#include "assembly/raw_data_sql.h"
#include "core/text.h"
#include "db/query_access.h"

namespace kx {
namespace {

constexpr const char* kEdited = "Y";

bool Blank(const std::string& value) { return Trim(value).empty(); }

void AddEditedMeal(AgentContext& ctx, TAT_Emp& record, const std::string& date, const std::string& spare1) {
    const std::string mealOut = Mid(spare1, 1, 4);
    if (mealOut.size() == 4) AddOneRawData(ctx, record, date, mealOut, "O", record.MealJobCode, kEdited);
    const std::string mealIn = Mid(spare1, 5, 4);
    if (mealIn.size() == 4) AddOneRawData(ctx, record, date, mealIn, "I", record.MealJobCode, kEdited);
}

}  // namespace

bool AddEditedAttendance(AgentContext& ctx, TAT_Emp& record, const std::string& date, const std::string& staff) {
    db::Query& query = db::ContextDatabase(ctx).Common2Query;
    db::OpenQuery(query, AtdEditSQL(staff, date));
    if (query.Eof()) {
        query.Close();
        return false;
    }
    const std::string inTime = query.FieldByName("In_Time");
    const std::string outTime = query.FieldByName("Out_Time");
    const std::string otIn = query.FieldByName("OT_In");
    const std::string otOut = query.FieldByName("OT_Out");
    const std::string spare1 = query.FieldByName("Spare1");
    query.Close();

    ctx.log.WriteDetail(kDetailImportant, "    Found Edited attendance in AtdEdit:[" + inTime + "]" + ",[" + outTime +
                                              "]" + ",[" + otIn + "]" + ",[" + otOut + "]" + ",[" + spare1 + "]");

    const std::string& workJob = record.WorkJobCode;
    const std::string& otJob = record.OTEntry.OTJobcode;
    if (!Blank(inTime)) AddOneRawData(ctx, record, date, inTime, "I", workJob, kEdited);
    if (!Blank(outTime))
        AddOneRawData(ctx, record, CheckNextDay(date, outTime, record), outTime, "O", workJob, kEdited);
    if (!Blank(otIn)) AddOneRawData(ctx, record, CheckNextDay(date, otIn, record), otIn, "I", otJob, kEdited);
    if (!Blank(otOut)) AddOneRawData(ctx, record, CheckNextDay(date, otOut, record), otOut, "O", otJob, kEdited);
    if (!Blank(spare1)) AddEditedMeal(ctx, record, date, spare1);
    return true;
}

}  // namespace kx
