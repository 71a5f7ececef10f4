#pragma once
#include <memory>
#include <optional>
#include <string>

#include "kx-db/target_database.h"
#include "kx-fep/fep_options.h"

namespace kx::feptool {

// Opens an existing suite database; unlike kx-db, never creates an SQLite file.
// Throws dbtool::ToolError.
std::unique_ptr<dbtool::TargetDatabase> OpenSuiteDatabase(const std::string& target);

// The clock-table values of one raw record.
struct ClockRow {
    std::string date;  // yyyymmdd
    std::string time;  // hhmm
    std::string card;
    bool in = true;
    std::string location;  // positions 2-3
    std::string job;       // positions 21-23, "000" when missing
};

// Nullopt when the record lacks the layout a clock table row needs: digits for
// date and time, a six-character card and a direction "0"/"<" or "9"/">".
std::optional<ClockRow> ParseClockRow(const std::string& record);

// The insert for the row, every value quoted.
std::string InsertStatement(ClockTable table, const ClockRow& row, const std::string& staffNumber);
std::string StaffLookupStatement(const std::string& card);

// Writes handed-out clockings into trans_r or trans_c, as the message server does.
class ClockStore {
public:
    // Throws dbtool::ToolError when the database cannot be opened or lacks the table.
    ClockStore(const std::string& target, ClockTable table);
    ~ClockStore();
    // Empty on success, else why the record was not stored.
    std::string Store(const std::string& record);

private:
    std::unique_ptr<dbtool::TargetDatabase> target_;
    ClockTable table_;
};

}  // namespace kx::feptool
