#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "kx-db/demo_calendar.h"
#include "kx-db/demo_options.h"
#include "kx-db/demo_tables.h"

namespace kx::dbtool {

// One working pattern: the kt_sys day of office staff, or a kt_shift row.
struct ShiftDef {
    std::string tag;
    std::string sysIn, sysOut;
    std::string inLower, inUpper, outLower, outUpper;
    std::string lunchOut, lunchIn;  // equal when the shift has no meal
    std::string break1Out, break1In, break2Out, break2In;
    std::string otIn, otOut;
    int graceIn = 0, graceOut = 0, otMinimum = 0, otRounding = 0;

    bool HasMeal() const { return lunchOut != lunchIn; }
};

struct Department {
    std::string code, description, branch, section;
};

// Leave tags of the demo site.
inline constexpr std::string_view kAnnualLeave = "AL";
inline constexpr std::string_view kMedicalLeave = "MC";
inline constexpr std::string_view kUnpaidLeave = "UL";
inline constexpr std::string_view kMorningOff = "HAM";
inline constexpr std::string_view kAfternoonOff = "HPM";

// Shift groups of the demo site: weekly day/night rotation, short Saturdays.
inline constexpr std::string_view kGroupA = "ROT-A";
inline constexpr std::string_view kGroupB = "ROT-B";

// Company code shared by every card.
inline constexpr std::string_view kCompany = "KX01";

class DemoSite {
public:
    explicit DemoSite(const DemoOptions& options);

    const ShiftDef& Office() const { return office_; }
    const std::vector<Department>& Departments() const { return departments_; }
    bool IsHoliday(Date date) const { return holidays_.count(date) > 0; }

    // The shift of a group on a date; nullptr on its rest days.
    const ShiftDef* GroupShift(std::string_view group, Date date) const;
    // The personal roster: mostly days, every third week nights, every other
    // Saturday short; offset staggers the staff.
    const ShiftDef* PersonalShift(int offset, Date date) const;

    void Write(DemoTables& tables) const;

private:
    const ShiftDef* Shift(std::string_view tag) const;

    DemoOptions options_;
    ShiftDef office_;
    std::vector<ShiftDef> shifts_;
    std::vector<Department> departments_;
    std::map<Date, std::string> holidays_;
};

}  // namespace kx::dbtool
