#pragma once

// The texts of a time that holds nothing. Times are "hhmm" and ordered as
// text, so a blank sorts before every real time.
namespace kx {

// A time without a clocking: the reset value of every time of a staff-day.
inline constexpr char kBlankTime[] = "    ";

// A time a step blanks out after choosing it (the day's times standing as
// overtime only, an overtime too short to count, a shift without a meal): one
// character wider than a time, as the stored rows have always held it.
inline constexpr char kClearedTime[] = "     ";

// The display "hh:mm" of a time that is blank or no time at all.
inline constexpr char kBlankDisplayTime[] = "     ";

}  // namespace kx
