#include "kx-db/demo_days.h"

#include <algorithm>
#include <string>
#include <vector>

#include "kx-db/prng.h"

namespace kx::dbtool {

namespace {

struct Swipe {
    enum class Kind { Work, Meal, DoorOnly };
    int minute;  // from midnight of the staff-day; 1440 and more fall on the next date
    int second;
    bool in;
    Kind kind;
};

// Expected times of a day in minutes from its midnight, ends after their starts.
struct DayTimes {
    int in, out, mealOut, mealIn;

    explicit DayTimes(const ShiftDef& s)
        : in(Minutes(s.sysIn)), out(Minutes(s.sysOut)), mealOut(Minutes(s.lunchOut)), mealIn(Minutes(s.lunchIn)) {
        if (out <= in) out += 1440;
        if (mealOut < in) mealOut += 1440;
        if (mealIn < in) mealIn += 1440;
    }
};

bool IsFullDayLeave(std::string_view tag) { return tag == kAnnualLeave || tag == kMedicalLeave || tag == kUnpaidLeave; }

const ShiftDef* ExpectedShift(const DemoSite& site, const DemoStaff& staff, Date date) {
    switch (staff.kind) {
    case StaffKind::Office: {
        const int weekday = WeekdayNumber(date);
        return weekday == 1 || weekday == 7 ? nullptr : &site.Office();
    }
    case StaffKind::Group: return site.GroupShift(staff.group, date);
    case StaffKind::Personal: return site.PersonalShift(staff.rosterOffset, date);
    }
    return nullptr;
}

// Leave of a working day: the rest of a block, a new full day (sometimes a
// block of annual leave), or half a day when the shift has a meal to split on.
std::string DrawLeave(DemoStaff& staff, const ShiftDef& shift, Rng& rng) {
    if (staff.leaveDaysLeft > 0) {
        --staff.leaveDaysLeft;
        return staff.leaveTag;
    }
    if (rng.PerMille(25)) {
        const int kind = rng.Below(10);
        std::string tag(kind < 6 ? kAnnualLeave : kind < 9 ? kMedicalLeave : kUnpaidLeave);
        if (tag == kAnnualLeave && rng.PerMille(400)) {
            staff.leaveDaysLeft = rng.Between(1, 4);
            staff.leaveTag = tag;
        }
        return tag;
    }
    if (shift.HasMeal() && rng.PerMille(15)) return std::string(rng.PerMille(500) ? kMorningOff : kAfternoonOff);
    return "";
}

void WriteSchedule(const DemoStaff& staff, Date date, const ShiftDef* shift, const std::string& leave, DemoTables& t) {
    const bool personal = staff.kind == StaffKind::Personal;
    if (personal && shift)
        t.ktSsche.Add({staff.number, DateText(date), shift->tag, leave, "", "", ""});
    else if (!leave.empty())
        t.ktSsche.Add({staff.number, DateText(date), "", leave, "", "", ""});
}

// Overtime on a rest day or holiday: a morning's work for some entitled staff.
std::vector<Swipe> DayOffOvertime(const DemoStaff& staff, Date date, bool holiday, Rng& rng) {
    const int permille = holiday ? 50 : WeekdayNumber(date) == 7 ? 80 : 15;
    if (!staff.otEntitled || !rng.PerMille(permille)) return {};
    const int arrive = 9 * 60 - rng.Between(0, 15);
    return {{arrive, rng.Between(0, 59), true, Swipe::Kind::Work},
            {arrive + rng.Between(180, 330), rng.Between(0, 59), false, Swipe::Kind::Work}};
}

std::vector<Swipe> WorkingDay(const DemoStaff& staff, const ShiftDef& shift, const std::string& leave, Date date,
                              Rng& rng, DemoTables& t) {
    if (staff.exempted && rng.PerMille(500)) return {};  // exempted staff often do not clock at all
    if (rng.PerMille(10)) return {};                     // absent without leave

    const DayTimes day(shift);
    int arrive = day.in - rng.Between(2, 25);
    int depart = day.out + rng.Between(0, 12);
    if (staff.flexi) {
        arrive = day.in + rng.Between(-45, 60);
        depart = arrive + (day.out - day.in) + rng.Between(-5, 15);
    } else {
        if (rng.PerMille(120)) arrive = day.in + (rng.PerMille(150) ? rng.Between(41, 120) : rng.Between(1, 40));
        if (rng.PerMille(70))
            depart = day.out - rng.Between(5, 90);
        else if (staff.otEntitled && rng.PerMille(300))
            depart = day.out + rng.Between(40, 210);
    }
    if (leave == kMorningOff) arrive = day.mealIn + rng.Between(-10, 15);
    if (leave == kAfternoonOff) depart = day.mealOut + rng.Between(-5, 10);
    if (leave.empty() && rng.PerMille(5)) {
        depart = day.out - rng.Between(90, 150);
        t.ktTimeoff.Add({staff.number, DateText(date), "Time off - personal matters"});
    }

    std::vector<Swipe> swipes{{arrive, rng.Between(0, 40), true, Swipe::Kind::Work},
                              {depart, rng.Between(0, 59), false, Swipe::Kind::Work}};
    if (staff.clocksMeals && shift.HasMeal() && leave.empty()) {
        const int back = day.mealIn + (rng.PerMille(50) ? rng.Between(5, 30) : rng.Between(-8, 10));
        swipes.push_back({day.mealOut + rng.Between(-5, 8), rng.Between(0, 59), false, Swipe::Kind::Meal});
        swipes.push_back({back, rng.Between(0, 59), true, Swipe::Kind::Meal});
    }

    // Noise. The work-in swipe is swipes[0] and the work-out swipe swipes[1].
    if (rng.PerMille(30)) {
        if (rng.PerMille(400))  // the supervisor keys in the missing clock-out later
            t.ktAtdedit.Add({staff.number, DateText(date), TimeText(arrive), shift.sysOut, "", "", ""});
        swipes.erase(swipes.begin() + 1);
    } else if (rng.PerMille(15)) {
        swipes.erase(swipes.begin());
    } else if (rng.PerMille(10)) {
        swipes[1].in = true;  // left through the entry reader
    }
    if (swipes.front().in && swipes.front().kind == Swipe::Kind::Work) {
        const Swipe first = swipes.front();
        if (rng.PerMille(40)) swipes.push_back({first.minute, first.second + rng.Between(1, 19), true, first.kind});
        if (rng.PerMille(20))
            swipes.push_back({first.minute + rng.Between(1, 3), rng.Between(0, 59), true, first.kind});
    }
    if (rng.PerMille(30))
        swipes.push_back(
            {rng.Between(arrive, std::max(arrive, depart)), rng.Between(0, 59), true, Swipe::Kind::DoorOnly});
    return swipes;
}

void WriteClockings(const DemoStaff& staff, Date date, std::vector<Swipe> swipes, DemoTables& t) {
    std::sort(swipes.begin(), swipes.end(), [](const Swipe& a, const Swipe& b) {
        return a.minute != b.minute ? a.minute < b.minute : a.second < b.second;
    });
    for (const Swipe& s : swipes) {
        const int dayOffset = s.minute >= 0 ? s.minute / 1440 : -((1439 - s.minute) / 1440);
        const std::string onDate = DateText(date + std::chrono::days{dayOffset});
        const bool door = s.kind == Swipe::Kind::DoorOnly;
        const bool meal = s.kind == Swipe::Kind::Meal;
        const char* code = door ? "1" : s.in ? "0" : "9";
        const char* reader = door ? "05" : meal ? "03" : s.in ? "01" : "02";
        t.transR.Add({onDate, TimeTextWithSeconds(s.minute, s.second), staff.CardOn(date), code, staff.number, "01",
                      "01", reader});
        if (!door)
            t.ktTmclk.Add({staff.number, onDate, TimeText(s.minute), s.in ? "I" : "O", meal ? "001" : "000", "N"});
    }
}

}  // namespace

void WriteStaffDay(const DemoSite& site, const DemoOptions& options, DemoStaff& staff, int dayIndex,
                   DemoTables& tables) {
    const Date date = options.from + std::chrono::days{dayIndex};
    if (date < staff.start || date > staff.expiry) return;
    Rng rng =
        Rng::For(options.seed, 'D', static_cast<std::uint64_t>(staff.index), static_cast<std::uint64_t>(dayIndex));

    const ShiftDef* shift = ExpectedShift(site, staff, date);
    const bool holiday = site.IsHoliday(date);
    const std::string leave = shift && !holiday ? DrawLeave(staff, *shift, rng) : "";
    WriteSchedule(staff, date, shift, leave, tables);

    if (!shift || holiday)
        WriteClockings(staff, date, DayOffOvertime(staff, date, holiday, rng), tables);
    else if (!IsFullDayLeave(leave))
        WriteClockings(staff, date, WorkingDay(staff, *shift, leave, date, rng, tables), tables);
}

}  // namespace kx::dbtool
