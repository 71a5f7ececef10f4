#pragma once
#include <chrono>
#include <string>

namespace kx {

// Wall-clock time as the operator sees it (local time, seconds).
using LocalTime = std::chrono::local_seconds;

// Every "current time" of the agent is read through a Clock, so tests can drive time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() const = 0;
};

class SystemClock final : public Clock {
public:
    LocalTime Now() const override;
};

class FakeClock final : public Clock {
public:
    explicit FakeClock(LocalTime t = {}) : now_(t) {}
    LocalTime Now() const override { return now_; }
    void Set(LocalTime t) { now_ = t; }
    void Advance(std::chrono::seconds s) { now_ += s; }

private:
    LocalTime now_;
};

// Builds a local time from calendar fields (for tests and fixtures).
LocalTime MakeLocalTime(int year, unsigned month, unsigned day, int hour = 0, int minute = 0, int second = 0);

// "yyyymmdd" of the given time.
std::string DateText(LocalTime t);
// "yyyymmdd" of a calendar date; a year outside 0..9999 is written as printf's
// "%04d" writes it.
std::string DateText(std::chrono::year_month_day date);
// "hhnn" of the given time.
std::string TimeText(LocalTime t);
// "hhnn" of a time of day (hours 0..23, minutes 0..59).
std::string HourMinuteText(int hours, int minutes);

}  // namespace kx
