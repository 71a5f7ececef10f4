#pragma once
#include <string>

namespace kx {

// A raw clocking record as the controllers send it (positions 1-based):
// 1 source letter, 2-3 where it was clocked, 4-13 yymmddhhnn, 14-19 card,
// 20 direction, 21-23 job number.

// Brings a record of 22 or more characters to the 23-character layout: a
// direction found at position 23 moves to position 20; a 22-character record
// gets its job digit. Throws std::invalid_argument when an on-line record of
// 22 characters has no number at positions 21-22.
std::string NormaliseClockRecord(const std::string& record);

// What a normalised record is, and which job display entry shows its activity.
struct ClockRecordKind {
    bool bad = false;
    int jobDisplayIndex = 0;  // 1 to 18; 0 for no activity
};
ClockRecordKind ClassifyClockRecord(const std::string& record, bool doorAccess2Clock);

// A bad record whose direction marks a controller's own message is dropped
// without an "Invalid Raw Data" line.
bool QuietlyRejected(const std::string& record);

// "20" for two-digit years below "90" (as text), else "19".
std::string CenturyOf(const std::string& twoDigitYear);

// The fields of the on-line record, in their order.
struct OnLineFields {
    std::string name;
    std::string date;  // dd/mm/yyyy
    std::string time;  // hh:nn
    std::string activity;
    std::string department;
    std::string source;
    std::string card;
    std::string staff;
    std::string photo;
};
// Date, time, source and card (cardZeroPrefix + positions 14-19) of a normalised record.
OnLineFields ClockRecordFields(const std::string& record, const std::string& cardZeroPrefix);
// "09" + name, then the other fields after commas.
std::string OnLineRecordText(const OnLineFields& fields);

}  // namespace kx
