#include "comms/clock_record.h"

#include <charconv>
#include <stdexcept>
#include <string_view>

#include "core/text.h"

namespace kx {

namespace {

bool OneOf(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

// Character at a 1-based position, NUL beyond the end.
char At(const std::string& record, std::size_t position) {
    return position <= record.size() ? record[position - 1] : '\0';
}

// Decimal with an optional sign, as the controllers' numbers are converted.
int DecimalValue(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+' && begin + 1 != end && begin[1] != '-') ++begin;
    int value = 0;
    const auto [stop, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || stop != end) throw std::invalid_argument("'" + text + "' is not a valid integer value");
    return value;
}

bool InDirection(char c) { return c == '0' || c == '<'; }
bool OutDirection(char c) { return c == '9' || c == '>'; }

}  // namespace

std::string NormaliseClockRecord(const std::string& record) {
    if (record.size() >= 23 && OneOf(record[22], "<>BE")) return Mid(record, 1, 19) + record[22] + Mid(record, 20, 3);
    if (record.size() == 22) {
        if (record.front() == 'O') return record + std::to_string(DecimalValue(Mid(record, 21, 2)));
        return record + "0";
    }
    return record;
}

ClockRecordKind ClassifyClockRecord(const std::string& record, bool doorAccess2Clock) {
    ClockRecordKind kind;
    if (record.empty() || !OneOf(record.front(), "COR")) {
        kind.bad = true;
        return kind;
    }
    if (doorAccess2Clock) {
        // Door-access layout: direction at 23, "000" before it; anything else is shown without activity.
        const char direction = At(record, 23);
        if (Mid(record, 20, 3) == "000") {
            if (InDirection(direction))
                kind.jobDisplayIndex = 1;
            else if (OutDirection(direction))
                kind.jobDisplayIndex = 2;
        }
        return kind;
    }
    const char direction = At(record, 20);
    const bool in = InDirection(direction);
    if (!in && !OutDirection(direction)) {
        kind.bad = true;
        return kind;
    }
    const std::string job = Mid(record, 21, 3);
    if (job.size() == 3 && job[0] == '0' && job[1] == '0' && job[2] >= '0' && job[2] <= '8') {
        const int k = job[2] - '0';
        kind.jobDisplayIndex = in ? 2 * k + 1 : 2 * k + 2;
    }
    return kind;
}

bool QuietlyRejected(const std::string& record) {
    return (!record.empty() && record.front() == 'M') || OneOf(At(record, 20), "!$%18@D");
}

std::string CenturyOf(const std::string& twoDigitYear) { return twoDigitYear < "90" ? "20" : "19"; }

OnLineFields ClockRecordFields(const std::string& record, const std::string& cardZeroPrefix) {
    OnLineFields fields;
    const std::string year = Mid(record, 4, 2);
    fields.date = Mid(record, 8, 2) + "/" + Mid(record, 6, 2) + "/" + CenturyOf(year) + year;
    fields.time = Mid(record, 10, 2) + ":" + Mid(record, 12, 2);
    // An on-line clocking was a "C" record before the receive queue marked it.
    fields.source = record.front() == 'O' ? "C" + Mid(record, 2, 2) : Mid(record, 1, 3);
    fields.card = cardZeroPrefix + Mid(record, 14, 6);
    return fields;
}

std::string OnLineRecordText(const OnLineFields& f) {
    return "09" + f.name + "," + f.date + "," + f.time + "," + f.activity + "," + f.department + "," + f.source + "," +
           f.card + "," + f.staff + "," + f.photo;
}

}  // namespace kx
