#pragma once
#include <string>
#include <vector>

#include "kx-db/demo_calendar.h"
#include "kx-db/demo_options.h"
#include "kx-db/demo_site.h"
#include "kx-db/demo_tables.h"

namespace kx::dbtool {

enum class StaffKind { Office, Group, Personal };

struct DemoStaff {
    int index = 0;
    std::string number, card, name, photo;
    const Department* department = nullptr;
    StaffKind kind = StaffKind::Office;
    std::string group = "NONE";  // shift group of group staff
    int rosterOffset = 0;        // staggers personal rosters
    bool otEntitled = false, flexi = false, exempted = false, clocksMeals = false;
    Date start{}, expiry{};
    std::string misc = "NONE";

    // A temporary card used instead of the own one on a few days.
    std::string tempCard;
    Date tempFrom{}, tempTo{};

    // Running state of the generator: the rest of a block of leave.
    int leaveDaysLeft = 0;
    std::string leaveTag;

    bool OnShift() const { return kind != StaffKind::Office; }
    const std::string& CardOn(Date date) const {
        return !tempCard.empty() && date >= tempFrom && date <= tempTo ? tempCard : card;
    }
};

std::vector<DemoStaff> MakeStaff(const DemoOptions& options, const DemoSite& site);
// cards, kt_cdext, and the temporary cards with their tempcard rows.
void WriteStaff(const std::vector<DemoStaff>& staff, const DemoOptions& options, DemoTables& tables);

}  // namespace kx::dbtool
