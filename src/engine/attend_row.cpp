#include "engine/attend_row.h"

#include <optional>

#include "core/int_text.h"
#include "core/text.h"
#include "db/sql_quote.h"

namespace kx {
namespace {

// Builds "v1','v2',n3,'v4'..." after the text that opens the first quote.
class ValueList {
public:
    // Already made safe for the quotes around it.
    ValueList& Safe(const std::string& value) {
        Separate();
        sql_ += "'" + value + "'";
        return *this;
    }
    ValueList& Text(const std::string& value) { return Safe(db::SqlQuote(value)); }
    // Written bare, so only ever a whole number reaches the text.
    ValueList& Minutes(std::string_view value) {
        Separate();
        sql_ += std::to_string(ParseTrimmedInt32(value).value_or(0));
        return *this;
    }
    const std::string& Sql() const { return sql_; }

private:
    void Separate() {
        if (!sql_.empty()) sql_ += ",";
    }
    std::string sql_;
};

}  // namespace

std::string SafeStaffName(std::string_view name) {
    std::string safe;
    safe.reserve(name.size() + 2);
    for (const char c : name) {
        if (c == '\'')
            safe += "''";
        else if (c == '"' || c == '`')
            safe += ' ';
        else
            safe += c;
    }
    return safe;
}

void SettleMinuteCounts(const Log& log, TAT_Attend& attend) {
    const std::pair<const char*, std::string*> counts[] = {
        {"TotalWork", &attend.TotalWork}, {"LateMin", &attend.LateMin},           {"EarlyMin", &attend.EarlyMin},
        {"OT_min", &attend.OT_min},       {"MealEarlyMin", &attend.MealEarlyMin}, {"MealLateMin", &attend.MealLateMin},
    };
    for (const auto& [field, text] : counts) {
        if (const std::optional<int> value = ParseTrimmedInt32(*text)) {
            *text = std::to_string(*value);
        } else {
            log.WriteLog("<SavetoAttendFile>" + std::string(field) + "=[" + *text + "] is not a number; 0 used");
            *text = "0";
        }
    }
}

std::string AttendDeleteSql(const TAT_Attend& attend) {
    return "delete from kt_attnd where staff_number='" + db::SqlQuote(attend.StaffNo) + "'" + " and at_date=" + "'" +
           db::SqlQuote(attend.AtDate) + "'";
}

std::string AttendInsertSql(const TAT_Attend& attend, const TAT_Emp& emp, const AttendRowTexts& texts) {
    ValueList values;
    values.Text(attend.AtDate)
        .Text(attend.StaffNo)
        .Text(emp.CardNo)
        .Safe(SafeStaffName(emp.Name))
        .Text(emp.ScCode)
        .Text(emp.BrCode)
        .Text(emp.DpCode)
        .Text(emp.CpCode)
        .Text(attend.Absent)
        .Text(attend.Late)
        .Text(attend.Early)
        .Text(attend.Inc)
        .Text(attend.Punctual)
        .Text(attend.Off)
        .Text(attend.Holiday)
        .Text("")
        .Text(attend.Edited)
        .Text("")
        .Text(attend.In)
        .Text(attend.Out)
        .Text(attend.OT_In)
        .Text(attend.OT_Out)
        .Text(attend.Leave)
        .Minutes(attend.TotalWork)
        .Text(texts.approval)
        .Minutes(attend.LateMin)
        .Minutes(attend.EarlyMin)
        .Minutes(attend.OT_min)
        .Safe(texts.remark)
        .Text(attend.Out_Meal)
        .Text(attend.In_Meal)
        .Text(attend.B1Out)
        .Text(attend.B1In)
        .Text(attend.B2Out)
        .Text(attend.B2In)
        .Minutes(attend.MealEarlyMin)
        .Minutes("0")
        .Minutes("0")
        .Minutes(attend.MealLateMin)
        .Minutes("0")
        .Minutes("0")
        .Text(texts.approvedBy)
        .Text(texts.preOT);
    // The opening text already holds the first value's opening quote.
    return "insert into kt_attnd values (" + values.Sql() + ")";
}

}  // namespace kx
