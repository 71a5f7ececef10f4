#include "kx-fep/clock_store.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "db/sql_quote.h"

namespace kx::feptool {

namespace {

const char* TableName(ClockTable table) { return table == ClockTable::TransC ? "trans_c" : "trans_r"; }

bool AllDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

std::string Quoted(const std::string& value) { return "'" + db::SqlQuote(value) + "'"; }

}  // namespace

std::unique_ptr<dbtool::TargetDatabase> OpenSuiteDatabase(const std::string& target) {
    if (!dbtool::IsPostgresTarget(target)) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(target, ec))
            throw dbtool::ToolError("cannot open " + target + ": no such file");
    }
    return std::make_unique<dbtool::TargetDatabase>(target);
}

std::optional<ClockRow> ParseClockRow(const std::string& record) {
    if (record.size() < 20) return std::nullopt;
    ClockRow row;
    const std::string stamp = record.substr(3, 10);  // yymmddhhmm
    if (!AllDigits(stamp)) return std::nullopt;
    const char direction = record[19];
    if (direction == '0' || direction == '<')
        row.in = true;
    else if (direction == '9' || direction == '>')
        row.in = false;
    else
        return std::nullopt;
    const std::string year = stamp.substr(0, 2);
    row.date = (year < "90" ? "20" : "19") + stamp.substr(0, 6);
    row.time = stamp.substr(6, 4);
    row.card = record.substr(13, 6);
    row.location = record.substr(1, 2);
    row.job = record.size() > 20 ? record.substr(20, 3) : "";
    row.job.resize(3, '0');
    return row;
}

std::string InsertStatement(ClockTable table, const ClockRow& row, const std::string& staffNumber) {
    const std::string common = Quoted(row.date) + ", " + Quoted(row.time) + ", " + Quoted(row.card) + ", ";
    if (table == ClockTable::TransC) {
        // tr_priority holds the job digit, extra the job code in characters 2-4 ("0000": no clock reason).
        return "insert into trans_c (tr_date, tr_time, tr_data, tr_code, tr_priority, extra) values (" + common +
               Quoted(row.in ? "<" : ">") + ", " + Quoted(row.job.substr(2)) + ", " + Quoted("0" + row.job) + ")";
    }
    return "insert into trans_r (tr_date, tr_time, tr_data, tr_code, staff_number, fep_no, dev_id) values (" + common +
           Quoted(row.in ? "0" : "9") + ", " + Quoted(staffNumber) + ", " + Quoted("1") + ", " + Quoted(row.location) +
           ")";
}

std::string StaffLookupStatement(const std::string& card) {
    return "select staff_number from cards where card_number = " + Quoted(card);
}

ClockStore::ClockStore(const std::string& target, ClockTable table)
    : target_(OpenSuiteDatabase(target)), table_(table) {
    try {
        target_->Db().Run(
            std::string("select tr_date, tr_time, tr_data, tr_code from ") + TableName(table) + " limit 0", nullptr);
    } catch (const std::exception& e) {
        throw dbtool::ToolError(dbtool::ShownTarget(target) + " has no usable table " + TableName(table) + ": " +
                                e.what());
    }
}

ClockStore::~ClockStore() = default;

std::string ClockStore::Store(const std::string& record) {
    const std::optional<ClockRow> row = ParseClockRow(record);
    if (!row) return "not a clocking record with date, time, card and direction";
    try {
        db::Database& db = target_->Db();
        std::string staff;
        if (table_ == ClockTable::TransR) {
            db::ResultSet rows;
            db.Run(StaffLookupStatement(row->card), &rows);
            if (rows.rowCount > 0) staff = rows.cells[0];
        }
        db.Run(InsertStatement(table_, *row, staff), nullptr);
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

}  // namespace kx::feptool
