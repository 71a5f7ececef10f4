#include "kx-db/demo_staff.h"

#include <cstdio>

#include "kx-db/prng.h"

namespace kx::dbtool {

namespace {

constexpr const char* kFirstNames[] = {"Aisha",   "Ben",   "Carmen", "Daniel", "Elena", "Farid",   "Grace", "Hiro",
                                       "Ines",    "Jamal", "Kavya",  "Liam",   "Mei",   "Nikolai", "Olu",   "Priya",
                                       "Quentin", "Rosa",  "Sven",   "Tariq",  "Uma",   "Victor",  "Wen",   "Ximena",
                                       "Yusuf",   "Zoe",   "Ahmad",  "Bianca", "Chen",  "Dara"};
constexpr const char* kSurnames[] = {
    "Abdullah", "Brown",    "Costa",  "D'Souza", "Evans",   "Fernandez", "Goh",   "Hassan", "Ivanova", "Jones",
    "Kumar",    "Lim",      "Muller", "Nguyen",  "O'Brien", "Patel",     "Quinn", "Rahman", "Silva",   "Tan",
    "Usman",    "Van Dijk", "Wong",   "Xu",      "Yilmaz",  "Zhang",     "Ong",   "Lee",    "Okafor",  "Santos"};

std::string Formatted(const char* format, int value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::vector<DemoStaff> MakeStaff(const DemoOptions& options, const DemoSite& site) {
    std::vector<DemoStaff> staff(static_cast<std::size_t>(options.staff));
    const auto& departments = site.Departments();
    for (int i = 0; i < options.staff; ++i) {
        DemoStaff& s = staff[static_cast<std::size_t>(i)];
        Rng rng = Rng::For(options.seed, 'S', static_cast<std::uint64_t>(i));
        s.index = i;
        s.number = Formatted("E%05d", i + 1);
        // A bijection onto six digits keeps card numbers unique without a lookup.
        s.card = Formatted("%06d", static_cast<int>((static_cast<long>(i) * 7919 + 104729) % 800000 + 100000));
        s.name = std::string(rng.Pick(kFirstNames)) + " " + rng.Pick(kSurnames);
        s.photo = rng.PerMille(700) ? s.number + ".jpg" : "";
        s.department = &departments[static_cast<std::size_t>(rng.Below(static_cast<int>(departments.size())))];

        const int kind = rng.Below(100);
        if (kind < 62) {
            s.kind = StaffKind::Office;
        } else if (kind < 84) {
            s.kind = StaffKind::Group;
            s.group = rng.PerMille(500) ? kGroupA : kGroupB;
        } else {
            s.kind = StaffKind::Personal;
            s.rosterOffset = rng.Below(6);
            s.misc = "AF1";
        }
        s.otEntitled = rng.PerMille(s.kind == StaffKind::Office ? 350 : 600);
        s.flexi = s.kind == StaffKind::Office && rng.PerMille(100);
        s.exempted = rng.PerMille(20);
        s.clocksMeals = rng.PerMille(300);

        // Most staff joined long ago; a few join or leave within the range.
        s.start = options.from - std::chrono::days{rng.Between(30, 3000)};
        s.expiry = Date{std::chrono::year{2099} / 12 / 31};
        if (options.days > 1 && rng.PerMille(30))
            s.start = options.from + std::chrono::days{rng.Between(1, options.days - 1)};
        else if (options.days > 1 && rng.PerMille(20))
            s.expiry = options.from + std::chrono::days{rng.Below(options.days - 1)};
    }

    // About one temporary card per hundred staff, each lent for one to three days.
    const int tempCards = options.staff >= 100 ? options.staff / 100 : 1;
    for (int k = 0; k < tempCards; ++k) {
        Rng rng = Rng::For(options.seed, 'T', static_cast<std::uint64_t>(k));
        DemoStaff& holder = staff[static_cast<std::size_t>(rng.Below(options.staff))];
        if (!holder.tempCard.empty()) continue;
        holder.tempCard = Formatted("9%05d", k + 1);
        holder.tempFrom = options.from + std::chrono::days{rng.Below(options.days)};
        holder.tempTo = holder.tempFrom + std::chrono::days{rng.Between(0, 2)};
    }
    return staff;
}

void WriteStaff(const std::vector<DemoStaff>& staff, const DemoOptions& options, DemoTables& t) {
    auto yesNo = [](bool flag) { return flag ? "Y" : "N"; };
    for (const DemoStaff& s : staff) {
        const Department& d = *s.department;
        t.cards.Add({s.number, s.card, s.name, d.code, "N", s.photo, d.section, d.branch, d.code, kCompany,
                     yesNo(s.exempted), DateText(s.start), DateText(s.expiry), s.misc});
        t.ktCdext.Add({s.number, yesNo(s.otEntitled), yesNo(s.OnShift()), s.group, yesNo(s.flexi), d.section, d.branch,
                       d.code, kCompany});
    }
    // A temporary card has a cards row of its own (type "T", no kt_cdext row, so
    // batches never process it); tempcard names its holder.
    for (const DemoStaff& s : staff) {
        if (s.tempCard.empty()) continue;
        t.cards.Add({"T" + s.tempCard, s.tempCard, "Temporary Card " + s.tempCard, "", "T", "", "", "", "", kCompany,
                     "Y", DateText(options.from), "20991231", "NONE"});
        t.tempcard.Add({s.tempCard, s.number, DateText(s.tempFrom) + "000000", DateText(s.tempTo) + "235959"});
    }
}

}  // namespace kx::dbtool
