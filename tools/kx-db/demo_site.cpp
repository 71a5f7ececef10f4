#include "kx-db/demo_site.h"

#include <chrono>

#include "kx-db/prng.h"

namespace kx::dbtool {

namespace {

std::string Around(const std::string& time, int minutes) { return TimeText(Minutes(time) + minutes); }

ShiftDef MakeShift(std::string tag, std::string sysIn, std::string sysOut, std::string inLower, std::string inUpper,
                   std::string outLower, std::string outUpper, std::string lunchOut, std::string lunchIn,
                   std::string break1Out, std::string break1In, std::string break2Out, std::string break2In,
                   std::string otIn, std::string otOut, int grace, int otMinimum, int otRounding) {
    ShiftDef s;
    s.tag = std::move(tag);
    s.sysIn = std::move(sysIn);
    s.sysOut = std::move(sysOut);
    s.inLower = std::move(inLower);
    s.inUpper = std::move(inUpper);
    s.outLower = std::move(outLower);
    s.outUpper = std::move(outUpper);
    s.lunchOut = std::move(lunchOut);
    s.lunchIn = std::move(lunchIn);
    s.break1Out = std::move(break1Out);
    s.break1In = std::move(break1In);
    s.break2Out = std::move(break2Out);
    s.break2In = std::move(break2In);
    s.otIn = std::move(otIn);
    s.otOut = std::move(otOut);
    s.graceIn = s.graceOut = grace;
    s.otMinimum = otMinimum;
    s.otRounding = otRounding;
    return s;
}

struct FixedHoliday {
    unsigned month, day;
    const char* description;
};

constexpr FixedHoliday kFixedHolidays[] = {
    {1, 1, "New Year's Day"}, {5, 1, "Labour Day"}, {12, 25, "Christmas Day"}, {12, 26, "Boxing Day"}};

// Days since a Monday, for weekly rotations.
long WeekOf(Date date) {
    constexpr Date monday{std::chrono::year{1970} / std::chrono::January / 5};
    long days = (date - monday).count();
    return days >= 0 ? days / 7 : (days - 6) / 7;
}

}  // namespace

DemoSite::DemoSite(const DemoOptions& options) : options_(options) {
    office_ = MakeShift("", "0830", "1730", "0800", "0900", "1700", "1800", "1230", "1330", "1030", "1045", "1530",
                        "1545", "1800", "2000", 0, 30, 15);
    shifts_ = {
        MakeShift("DAY", "0800", "1700", "0600", "1200", "1200", "2330", "1200", "1300", "1000", "1015", "1500", "1515",
                  "1730", "2000", 5, 30, 15),
        MakeShift("NIGHT", "2200", "0600", "2000", "0200", "0200", "1000", "0200", "0230", "0000", "0015", "0400",
                  "0415", "0630", "0900", 10, 30, 15),
        MakeShift("SHORT", "0900", "1300", "0700", "1100", "1100", "1600", "1300", "1300", "1030", "1045", "1300",
                  "1300", "1330", "1600", 0, 30, 30),
    };
    departments_ = {
        {"D01", "Administration", "HQ", "S1"},     {"D02", "Finance", "HQ", "S1"},
        {"D03", "Production", "PLANT", "S2"},      {"D04", "Warehouse", "PLANT", "S3"},
        {"D05", "Maintenance", "PLANT", "S2"},     {"D06", "Sales", "HQ", "S4"},
        {"D07", "Quality Control", "PLANT", "S2"}, {"D08", "Logistics", "PLANT", "S3"},
        {"D09", "Director's Office", "HQ", "S1"},
    };

    // Public holidays of every year the range touches, and a company day in each
    // month of the range that has none.
    using namespace std::chrono;
    const Date last = options.from + days{options.days - 1};
    const int firstYear = static_cast<int>(year_month_day{options.from}.year());
    const int lastYear = static_cast<int>(year_month_day{last}.year());
    for (int y = firstYear; y <= lastYear; ++y)
        for (const FixedHoliday& h : kFixedHolidays)
            holidays_[Date{year{y} / month{h.month} / day{h.day}}] = h.description;
    for (year_month ym = year_month_day{options.from}.year() / year_month_day{options.from}.month();
         ym <= year_month_day{last}.year() / year_month_day{last}.month(); ym += months{1}) {
        bool hasHoliday = false;
        for (const FixedHoliday& h : kFixedHolidays) hasHoliday = hasHoliday || month{h.month} == ym.month();
        if (hasHoliday) continue;
        Rng rng =
            Rng::For(options.seed, 'H',
                     static_cast<std::uint64_t>(static_cast<int>(ym.year()) * 12) + static_cast<unsigned>(ym.month()));
        Date date{ym / day{static_cast<unsigned>(rng.Between(8, 22))}};
        if (WeekdayNumber(date) == 7) date += days{2};
        if (WeekdayNumber(date) == 1) date += days{1};
        holidays_[date] = "Company Holiday";
    }
}

const ShiftDef* DemoSite::Shift(std::string_view tag) const {
    for (const ShiftDef& s : shifts_)
        if (s.tag == tag) return &s;
    return nullptr;
}

const ShiftDef* DemoSite::GroupShift(std::string_view group, Date date) const {
    const int weekday = WeekdayNumber(date);
    if (weekday == 1) return nullptr;
    if (weekday == 7) return Shift("SHORT");
    const bool evenWeek = WeekOf(date) % 2 == 0;
    return Shift(evenWeek == (group == kGroupA) ? "DAY" : "NIGHT");
}

const ShiftDef* DemoSite::PersonalShift(int offset, Date date) const {
    const int weekday = WeekdayNumber(date);
    const long week = WeekOf(date) + offset;
    if (weekday == 1) return nullptr;
    if (weekday == 7) return week % 2 == 0 ? Shift("SHORT") : nullptr;
    return Shift(week % 3 == 2 ? "NIGHT" : "DAY");
}

void DemoSite::Write(DemoTables& t) const {
    for (const Department& d : departments_) t.department.Add({d.code, d.description});

    const ShiftDef& o = office_;
    // clang-format off
    t.ktSys.Add({"________", "X_____X_", "1", o.sysIn, o.sysOut, o.lunchOut, o.lunchIn, o.break1Out, o.break1In,
                 o.break2Out, o.break2In, "000", "001", "002", "003", "004", "1", "30",
                 std::to_string(o.otMinimum), std::to_string(o.otRounding), "NONE", "NONE"});
    // clang-format on

    for (const ShiftDef& s : shifts_) {
        // clang-format off
        t.ktShift.Add({s.tag,
                       s.sysIn, s.sysOut, s.inLower, s.inUpper, s.outLower, s.outUpper,
                       s.lunchOut, s.lunchIn, Around(s.lunchOut, -30), Around(s.lunchOut, 30),
                       Around(s.lunchIn, -30), Around(s.lunchIn, 30),
                       s.break1Out, s.break1In, Around(s.break1Out, -15), Around(s.break1Out, 15),
                       Around(s.break1In, -15), Around(s.break1In, 15),
                       s.break2Out, s.break2In, Around(s.break2Out, -15), Around(s.break2Out, 15),
                       Around(s.break2In, -15), Around(s.break2In, 15),
                       s.otOut, s.otIn, Around(s.otOut, 180), s.otIn, Around(s.otIn, -30), Around(s.otIn, 60),
                       std::to_string(s.graceIn), std::to_string(s.graceOut),
                       std::to_string(s.otMinimum), std::to_string(s.otRounding), "NONE", "NONE"});
        // clang-format on
    }

    for (int d = 0; d < options_.days; ++d) {
        const Date date = options_.from + std::chrono::days{d};
        for (std::string_view group : {kGroupA, kGroupB})
            if (const ShiftDef* s = GroupShift(group, date)) t.ktSfgrp.Add({group, DateText(date), s->tag});
    }

    t.ktAfchi.Add({"AF1", "DAY"});
    t.ktAfchi.Add({"AF1", "NIGHT"});
    t.ktAfchi.Add({"AF2", "DAY"});
    t.ktAfchi.Add({"AF2", "SHORT"});

    t.ktActi.Add({"01", "Work"});
    t.ktActi.Add({"02", "Meal"});
    t.ktActi.Add({"03", "Break 1"});
    t.ktActi.Add({"04", "Break 2"});
    t.ktActi.Add({"05", "Overtime"});

    t.ktLeavetype.Add({kAnnualLeave, "1", "Annual Leave", "0", "0"});
    t.ktLeavetype.Add({kMedicalLeave, "1", "Medical Leave", "0", "0"});
    t.ktLeavetype.Add({kUnpaidLeave, "0", "Unpaid Leave", "0", "0"});
    t.ktLeavetype.Add({kMorningOff, "1", "Half Day Leave (AM)", "1", "1"});
    t.ktLeavetype.Add({kAfternoonOff, "1", "Half Day Leave (PM)", "1", "2"});
    t.ktLeave.Add({kAnnualLeave, "Annual Leave", "N"});
    t.ktLeave.Add({kMedicalLeave, "Medical Leave", "N"});
    t.ktLeave.Add({kUnpaidLeave, "Unpaid Leave", "N"});
    t.ktLeave.Add({kMorningOff, "Half Day Leave (AM)", "Y"});
    t.ktLeave.Add({kAfternoonOff, "Half Day Leave (PM)", "Y"});

    for (const auto& [date, description] : holidays_) t.holdate.Add({DateText(date), description});

    t.clockReasons.Add({"0001", "Official Business"});
    t.clockReasons.Add({"0002", "Forgot Card"});
    t.clockReasons.Add({"0003", "Medical Appointment"});

    // The message server on this machine (start kx-fep there to give the agent a peer).
    t.mServer.Add({"1", "127.0.0.1", "4000", "MSGSERVER", "MS", "0", "0", "0"});
}

}  // namespace kx::dbtool
