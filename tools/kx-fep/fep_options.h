#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/command_line.h"

namespace kx::feptool {

// Exit statuses of kx-fep.
enum ExitStatus : int { kOk = 0, kError = 1, kUsage = kx::kUsageStatus };

// What a poll is answered with; the first four are the normal conversation.
enum class PollAnswer { Normal, Silent, Nak, Oversize, Garbage };

enum class ClockTable { TransR, TransC };

struct FepOptions {
    bool help = false;
    std::string host = "127.0.0.1";
    std::uint16_t port = 0;
    std::string db;  // empty: clockings are not stored
    ClockTable table = ClockTable::TransR;
    std::string clockings;  // a file, "-" for standard input, empty for none
    int generate = 0;
    std::string staffFrom;

    PollAnswer answer = PollAnswer::Normal;
    std::string nakText;
    std::size_t oversize = 0;  // bytes of the whole reply
    std::optional<int> dropAfter;
    int delayMs = 0;
    bool split = false;
    bool quiet = false;
    bool stamp = false;  // traffic lines lead with CLOCK_MONOTONIC microseconds
};

// Parses the command line (without the program name); throws CLI::ParseError.
FepOptions ParseFepOptions(const std::vector<std::string>& args);

std::string UsageText();     // the whole --help text
std::string SynopsisText();  // its "Usage:" lines

}  // namespace kx::feptool
