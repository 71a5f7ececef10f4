#pragma once
#include <cstddef>
#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "db/database.h"

namespace kx::feptool {

// A packet is cut to 100 bytes by the agent, so a longer record could never arrive whole.
inline constexpr std::size_t kMaxRecordLength = 100;

struct Clocking {
    std::string record;
    bool stored = false;  // already written by --db: a clocking put back is not stored twice
};

// Shared by all connections: one clocking per poll reply, oldest first.
using ClockQueue = std::deque<Clocking>;

// One input line; of a long line only the first kMaxRecordLength + 1 bytes are kept.
struct InputLine {
    std::string text;
    std::size_t length = 0;
};

// Cuts a byte stream into lines at LF (a CR before the LF is dropped), holding
// at most one record's worth of an unfinished line.
class LineSplitter {
public:
    std::vector<InputLine> Feed(std::string_view bytes);
    // The last line when the stream did not end with LF.
    std::optional<InputLine> Finish();

private:
    void Add(std::string_view bytes);
    InputLine current_;
    bool open_ = false;
    char lastByte_ = 0;
};

enum class LineVerdict { Record, Blank, TooLong, ControlByte };
LineVerdict CheckClockingLine(const InputLine& line);

// Reads clocking records from a named source (a file or standard input) into
// the queue; a rejected line is reported on err and the intake carries on.
class ClockingIntake {
public:
    ClockingIntake(std::string sourceName, std::ostream& err) : source_(std::move(sourceName)), err_(err) {}
    // Returns how many records were queued.
    std::size_t Feed(std::string_view bytes, ClockQueue& queue);
    std::size_t Finish(ClockQueue& queue);

private:
    bool Take(const InputLine& line, ClockQueue& queue);

    std::string source_;
    std::ostream& err_;
    LineSplitter lines_;
    std::size_t lineNo_ = 0;
};

// Throws dbtool::ToolError when the file cannot be read.
void ReadClockingsFile(const std::string& path, ClockQueue& queue, std::ostream& err);

// The cards --generate uses: six-character card numbers of staff with a
// kt_cdext row, temporary cards left out, in card order.
std::vector<std::string> GenerationCards(db::Database& db);

// n records of today (the date of now) for the cards in turn, at times spread
// evenly from midnight to now, each card alternating in and out.
std::vector<std::string> GenerateClockings(const std::vector<std::string>& cards, int n, LocalTime now);

}  // namespace kx::feptool
