#include "kx-db/attendance_report.h"

#include <cstdio>

#include "db/sql_quote.h"

namespace kx::dbtool {
namespace {

std::string RangeCondition(const ReportOptions& o) {
    return "at_date>='" + db::SqlQuote(o.from) + "' and at_date<='" + db::SqlQuote(o.to) + "'";
}

std::string Scalar(db::Query& q, const std::string& sql) {
    q.SetSQL(sql);
    q.Open();
    return q.Eof() ? std::string() : q.Field(0);
}

void PrintSummary(db::Database& db, const ReportOptions& o, std::ostream& out) {
    db::Query& q = db.CommonQuery;
    q.SetSQL(
        "select count(*), count(distinct staff_number),"
        " sum(case when absent='Y' then 1 else 0 end),"
        " sum(case when late='Y' then 1 else 0 end),"
        " sum(case when early='Y' then 1 else 0 end),"
        " sum(case when incomplete='Y' then 1 else 0 end),"
        " sum(case when ot_min>0 then 1 else 0 end),"
        " sum(ot_min), sum(total_wmin),"
        " sum(case when holiday='Y' then 1 else 0 end),"
        " sum(case when off_day='Y' then 1 else 0 end)"
        " from kt_attnd where " +
        RangeCondition(o));
    q.Open();
    auto field = [&](int i) { return q.Field(i).empty() ? std::string("0") : q.Field(i); };
    out << "Attendance " << o.from << " to " << o.to << "\n"
        << "  staff-days processed  " << field(0) << " (" << field(1) << " staff)\n"
        << "  absent                " << field(2) << "\n"
        << "  late                  " << field(3) << "\n"
        << "  left early            " << field(4) << "\n"
        << "  incomplete clockings  " << field(5) << "\n"
        << "  with overtime         " << field(6) << " (" << field(7) << " minutes)\n"
        << "  holidays / off days   " << field(9) << " / " << field(10) << "\n"
        << "  working minutes       " << field(8) << "\n";
    q.Close();
}

std::string ChosenStaff(db::Database& db, const ReportOptions& o) {
    if (!o.staff.empty()) return o.staff;
    return Scalar(db.CommonQuery,
                  "select min(staff_number) from kt_attnd where " + RangeCondition(o) + " and absent='N' and ot_min>0");
}

void PrintStaffMonth(db::Database& db, const ReportOptions& o, std::ostream& out) {
    const std::string staff = ChosenStaff(db, o);
    if (staff.empty()) return;
    db::Query& q = db.CommonQuery;
    q.SetSQL(
        "select at_date, in_time, out_time, late_min, early_min, total_wmin, ot_min, at_remark, name"
        " from kt_attnd where staff_number='" +
        db::SqlQuote(staff) + "' and " + RangeCondition(o) + " order by at_date");
    q.Open();
    if (q.Eof()) return;
    out << "\nStaff " << staff << " (" << q.FieldByName("name") << ")\n";
    out << "  date      in    out   late early  work    OT  remark\n";
    for (; !q.Eof(); q.Next()) {
        char line[256];
        std::snprintf(line, sizeof line, "  %-8s  %-4s  %-4s  %4s %5s  %4s  %4s  %s\n",
                      q.FieldByName("at_date").c_str(), q.FieldByName("in_time").c_str(),
                      q.FieldByName("out_time").c_str(), q.FieldByName("late_min").c_str(),
                      q.FieldByName("early_min").c_str(), q.FieldByName("total_wmin").c_str(),
                      q.FieldByName("ot_min").c_str(), q.FieldByName("at_remark").c_str());
        out << line;
    }
    q.Close();
}

}  // namespace

void PrintAttendanceReport(db::Database& db, const ReportOptions& options, std::ostream& out) {
    PrintSummary(db, options, out);
    PrintStaffMonth(db, options, out);
}

}  // namespace kx::dbtool
