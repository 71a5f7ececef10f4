#include "engine/stored_attend_row.h"

#include <algorithm>
#include <cctype>

#include "db/sql_quote.h"

namespace kx {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

}  // namespace

std::string StoredAttendRow::Value(const std::string& column) const {
    for (const auto& [name, value] : fields)
        if (name == column) return value;
    return {};
}

StoredAttendRow ReadStoredAttendRow(db::Database& db, const std::string& staff, const std::string& date) {
    db::ResultSet rows;
    db.Run("select * from kt_attnd where staff_number='" + db::SqlQuote(staff) + "' and at_date='" +
               db::SqlQuote(date) + "'",
           &rows);
    StoredAttendRow row;
    if (rows.rowCount == 0) return row;
    row.found = true;
    for (std::size_t i = 0; i < rows.columns.size(); ++i)
        row.fields.emplace_back(Lower(rows.columns[i]), rows.cells[i]);
    return row;
}

std::vector<AttendFieldChange> ChangedAttendFields(const StoredAttendRow& before, const StoredAttendRow& after) {
    std::vector<AttendFieldChange> changes;
    const StoredAttendRow& shape = after.found ? after : before;
    for (const auto& [column, value] : shape.fields) {
        const std::string old = before.Value(column);
        const std::string now = after.Value(column);
        if (old != now || before.found != after.found) changes.push_back({column, old, now});
    }
    return changes;
}

}  // namespace kx
