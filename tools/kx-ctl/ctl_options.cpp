#include "ctl_options.h"

#include <cmath>
#include <cstdlib>
#include <map>

#include "comms/shared_block.h"

namespace kxctl {

namespace {

constexpr double kDefaultTimeoutSeconds = 10;

// How many arguments each command takes.
const std::map<std::string, std::size_t>& CommandArity()
{
    static const std::map<std::string, std::size_t> arity{
        {"trp", 4}, {"old", 0}, {"cmd", 1}, {"sgb", 1}, {"wnm", 0},
        {"ack", 0}, {"end", 0}, {"peek", 0}, {"raw", 1},
    };
    return arity;
}

double ParseSeconds(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 0 || value > 1e7)
        throw UsageError{"--timeout wants a number of seconds, not \"" + text + "\""};
    return value;
}

WaitLimit Limit(double seconds)
{
    if (seconds == 0) return std::nullopt;
    return std::chrono::milliseconds(static_cast<long long>(std::ceil(seconds * 1000)));
}

}  // namespace

CtlOptions ParseCtlOptions(const std::vector<std::string>& args)
{
    CtlOptions options;
    std::size_t i = 0;
    auto value = [&](const std::string& option) -> std::string {
        if (++i >= args.size()) throw UsageError{option + " wants a value"};
        return args[i];
    };
    for (; i < args.size() && options.command.empty(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        }
        if (arg == "--mailbox") options.mailbox = value(arg);
        else if (arg.rfind("--mailbox=", 0) == 0) options.mailbox = arg.substr(10);
        else if (arg == "--timeout") options.timeoutSeconds = ParseSeconds(value(arg));
        else if (arg.rfind("--timeout=", 0) == 0) options.timeoutSeconds = ParseSeconds(arg.substr(10));
        else if (arg.rfind("--", 0) == 0) throw UsageError{"unknown option " + arg};
        else options.command = arg;
    }
    if (options.command.empty()) throw UsageError{"no command given"};
    const auto arity = CommandArity().find(options.command);
    if (arity == CommandArity().end()) throw UsageError{"unknown command \"" + options.command + "\""};
    options.arguments.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    if (options.arguments.size() != arity->second)
        throw UsageError{options.command + " takes " + std::to_string(arity->second) + " argument(s), " +
                         std::to_string(options.arguments.size()) + " given"};
    if (!kx::ValidMailboxName(options.mailbox))
        throw UsageError{"invalid mailbox name \"" + options.mailbox + "\" (1 to 200 characters, no \"/\")"};
    return options;
}

WaitLimit ReplyLimit(const CtlOptions& options) { return Limit(options.timeoutSeconds.value_or(kDefaultTimeoutSeconds)); }

WaitLimit FinalReplyLimit(const CtlOptions& options) { return Limit(options.timeoutSeconds.value_or(0)); }

const char* UsageText()
{
    return R"(Usage: kx-ctl [--mailbox NAME] [--timeout S] COMMAND [ARGUMENTS]

Drives a running kx-ata through its control mailbox, the 10000-byte shared-memory
block /dev/shm/NAME: writes one command into the block and waits for the reply.

Commands:
  trp SOURCE FIRST LAST SQL  range reprocessing: data source letter (T or D), first
                             and last date as yyyymmdd, the staff select statement;
                             waits for "CRVTRP0", then for "RFA", showing the time
  old                        fetches one clocking; prints the on-line record after "DLO"
                             (nothing when no clocking was waiting)
  cmd TEXT                   relays TEXT to the message server; prints the reply "CRV"
  sgb N                      sets the progress bar (0 ready, 1-100 percent, 999 busy)
  wnm                        restores the agent's window
  ack                        clears the block (the agent answers with the empty text)
  end                        closes the agent and waits until it has closed
  peek                       prints the block's text (needs no agent)
  raw TEXT                   writes TEXT as it is and prints the block after 200 ms
                             (needs no agent)

Options:
  --mailbox NAME  mailbox name (default KT3MapFile), as given to kx-ata --mailbox
  --timeout S     seconds to wait for each reply, and for another kx-ctl on the same
                  mailbox to finish (default 10; 0 waits without limit); trp waits
                  for its "RFA" without limit unless --timeout is given
  --help          this text

Runs of kx-ctl of one user on one mailbox take turns (lock file
/dev/shm/kx-ctl.UID.d/NAME.lock, removed after each run). A command that timed
out stays in the block and the agent may still serve it later.

Exit status: 0 ok, 1 error, 2 usage, 3 timeout, 4 no agent serves the mailbox.
)";
}

}  // namespace kxctl
