#include "ctl_commands.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <thread>

#include "comms/agent_lock.h"
#include "core/mailbox_protocol.h"
#include "exchange.h"
#include "reply_wait.h"

namespace kxctl {

namespace {

namespace mb = kx::mailbox;
using Arguments = std::vector<std::string>;

constexpr std::chrono::milliseconds kRawWait{200};
constexpr std::size_t kHelpColumn = 29;  // where the commands' help starts in --help

std::string Quoted(const char* word) { return std::string("\"") + word + "\""; }

bool AllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// The requests.

std::string TrpRequest(const Arguments& a) {
    const std::string& source = a[0];
    if (source.size() != 1 || !std::isalpha(static_cast<unsigned char>(source[0])))
        throw CLI::ValidationError("trp: SOURCE is one letter (T or D), not \"" + source + "\"");
    for (const std::string& date : {a[1], a[2]})
        if (date.size() != 8 || !AllDigits(date))
            throw CLI::ValidationError("trp: dates are written yyyymmdd, not \"" + date + "\"");
    if (a[3].empty()) throw CLI::ValidationError("trp: the staff SQL is empty");
    return mb::RangeRequestText(source, a[1], a[2], a[3]);
}

std::string SgbRequest(const Arguments& a) {
    const std::string& n = a[0];
    if (n.size() > 3 || !AllDigits(n))
        throw CLI::ValidationError("sgb: N is a number from 0 to 999, not \"" + n + "\"");
    return mb::kSgb + std::string(3 - n.size(), '0') + n;
}

std::string OldRequest(const Arguments&) { return mb::kOld; }
std::string CmdRequest(const Arguments& a) { return mb::kCmd + a[0]; }
std::string WnmRequest(const Arguments&) { return mb::kWnm; }
std::string AckRequest(const Arguments&) { return mb::kAck; }
std::string EndRequest(const Arguments&) { return mb::kEnd; }
std::string RawRequest(const Arguments& a) { return a[0]; }

// The reply rules.

// Shows the acceptance and a stop as they come, then waits for the run's end.
int AwaitRangeEnd(Exchange& x) {
    std::string reply;
    // A short run can answer "RFA" before the acceptance was ever seen.
    const auto takenOrOver = [](const std::string& t) { return t == mb::kCrvTrp0 || t == mb::kRfa; };
    int status = x.Await(ReplyLimit(x.Options()), takenOrOver, Quoted(mb::kCrvTrp0), reply);
    if (status != kOk) return status;
    if (reply == mb::kCrvTrp0) {
        x.Out() << mb::kCrvTrp0 << " after " << x.Elapsed() << std::endl;
        bool stopShown = false;
        status = x.Await(
            FinalReplyLimit(x.Options()),
            [&](const std::string& t) {
                if (t == mb::kStp && !stopShown) {
                    x.Out() << mb::kStp << " after " << x.Elapsed() << std::endl;
                    stopShown = true;
                }
                return t == mb::kRfa;
            },
            Quoted(mb::kRfa), reply);
        if (status != kOk) return status;
    }
    x.Out() << mb::kRfa << " after " << x.Elapsed() << std::endl;
    return kOk;
}

// Prints the on-line record that follows "DLO", if any.
int PrintClocking(Exchange& x) {
    std::string reply;
    const int status = x.Await(
        ReplyLimit(x.Options()), [](const std::string& t) { return t.starts_with(mb::kDlo); }, Quoted(mb::kDlo), reply);
    const std::size_t code = std::string_view(mb::kDlo).size();
    if (status == kOk && reply.size() > code) x.Out() << reply.substr(code) << '\n';
    return status;
}

int PrintDone(Exchange& x) {
    std::string reply;
    const int status = x.Await(
        ReplyLimit(x.Options()), [](const std::string& t) { return t == mb::kCrv; }, Quoted(mb::kCrv), reply);
    if (status == kOk) x.Out() << reply << '\n';
    return status;
}

int AwaitCleared(Exchange& x) {
    std::string reply;
    return x.Await(
        ReplyLimit(x.Options()), [](const std::string& t) { return t.empty(); }, "empty reply", reply);
}

// The agent never answers "END": it closes.
int AwaitClosed(Exchange& x) {
    const CtlOptions& options = x.Options();
    if (!kx::WaitUntilAgentClosed(options.mailbox, LockWait(ReplyLimit(options))))
        return x.Fail(kTimeout, "the agent on mailbox " + options.mailbox + " is still running after " + x.Elapsed() +
                                    "; the block holds \"" + ShownText(x.Block().ReadText()) + "\"");
    // Left in the block, it would close the next agent that opens this mailbox at its first tick.
    if (x.Block().ReadText() == mb::kEnd) x.Block().SendMFThis("");
    x.Out() << "closed after " << x.Elapsed() << '\n';
    return kOk;
}

int PrintBlock(Exchange& x) {
    x.Out() << x.Block().ReadText() << '\n';
    return kOk;
}

int PrintBlockLater(Exchange& x) {
    std::this_thread::sleep_for(kRawWait);
    return PrintBlock(x);
}

}  // namespace

const std::vector<CtlCommand>& CtlCommands() {
    static const std::vector<CtlCommand> commands{
        {"trp", "SOURCE FIRST LAST SQL",
         "range reprocessing: data source letter (T or D), first\n"
         "and last date as yyyymmdd, the staff select statement;\n"
         "waits for \"CRVTRP0\", then for \"RFA\", showing the time",
         TrpRequest, true, AwaitRangeEnd},
        {"old", "",
         "fetches one clocking; prints the on-line record after \"DLO\"\n"
         "(nothing when no clocking was waiting)",
         OldRequest, true, PrintClocking},
        {"cmd", "TEXT", "relays TEXT to the message server; prints the reply \"CRV\"", CmdRequest, true, PrintDone},
        {"sgb", "N", "sets the progress bar (0 ready, 1-100 percent, 999 busy)", SgbRequest, true, PrintDone},
        {"wnm", "", "restores the agent's window", WnmRequest, true, PrintDone},
        {"ack", "", "clears the block (the agent answers with the empty text)", AckRequest, true, AwaitCleared},
        {"end", "", "closes the agent and waits until it has closed", EndRequest, true, AwaitClosed},
        {"peek", "", "prints the block's text (needs no agent)", nullptr, false, PrintBlock},
        {"raw", "TEXT",
         "writes TEXT as it is and prints the block after 200 ms\n"
         "(needs no agent)",
         RawRequest, false, PrintBlockLater},
    };
    return commands;
}

std::size_t CtlCommand::Arity() const {
    std::istringstream words(operands);
    std::size_t count = 0;
    for (std::string word; words >> word;) ++count;
    return count;
}

const CtlCommand* FindCtlCommand(std::string_view name) {
    for (const CtlCommand& command : CtlCommands())
        if (name == command.name) return &command;
    return nullptr;
}

std::string CommandsHelp() {
    std::string help;
    for (const CtlCommand& command : CtlCommands()) {
        std::string synopsis = "  " + std::string(command.name);
        if (*command.operands) synopsis += std::string(" ") + command.operands;
        std::istringstream lines(command.help);
        for (std::string line; std::getline(lines, line); synopsis.clear()) {
            const std::size_t blanks = std::max(kHelpColumn, synopsis.size() + 2) - synopsis.size();
            help += synopsis + std::string(blanks, ' ') + line + "\n";
        }
    }
    return help;
}

}  // namespace kxctl
