#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/mailbox_protocol.h"

namespace kxctl {

// Exit statuses of kx-ctl.
enum ExitStatus : int { kOk = 0, kError = 1, kUsage = kx::kUsageStatus, kTimeout = 3, kNoAgent = 4 };

struct CtlOptions {
    std::string mailbox = kx::kDefaultMailboxName;
    // Seconds to wait for each reply; nullopt: the default (10 s, and no limit for
    // the final "RFA" of trp); zero: no limit.
    std::optional<double> timeoutSeconds;
    bool help = false;
    std::string command;
    std::vector<std::string> arguments;
};

// Parses the command line (without the program name). The options end at the
// command: everything after it is its arguments, taken as they are. Throws
// CLI::ParseError.
CtlOptions ParseCtlOptions(const std::vector<std::string>& args);

std::string UsageText();     // the whole --help text
std::string SynopsisText();  // its "Usage:" line

// A wait limit: nullopt waits without limit.
using WaitLimit = std::optional<std::chrono::milliseconds>;
WaitLimit ReplyLimit(const CtlOptions& options);
WaitLimit FinalReplyLimit(const CtlOptions& options);  // the "RFA" of trp

}  // namespace kxctl
