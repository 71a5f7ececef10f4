#include "shell/agent_command_line.h"

#include "comms/shared_block.h"
#include "shell/agent_identity.h"

namespace kx {
namespace {

// Splits "--name=value"; answers whether a value was attached.
bool SplitAttached(const std::string& arg, std::string& name, std::string& value)
{
    const auto eq = arg.find('=');
    if (!arg.starts_with("--") || eq == std::string::npos) {
        name = arg;
        return false;
    }
    name = arg.substr(0, eq);
    value = arg.substr(eq + 1);
    return true;
}

bool Blank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

}  // namespace

AgentCommandLine ParseAgentCommandLine(const std::vector<std::string>& args)
{
    AgentCommandLine line;
    line.mailboxName = kDefaultMailboxName;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name, value;
        const bool attached = SplitAttached(args[i], name, value);
        const auto takeValue = [&]() {
            if (attached) return value;
            if (i + 1 >= args.size()) throw CommandLineError(name + " needs a value");
            return args[++i];
        };
        const auto noValue = [&]() {
            if (attached) throw CommandLineError(name + " takes no value");
        };
        if (name == "--home") {
            const std::string dir = takeValue();
            if (dir.empty()) throw CommandLineError("--home needs a directory");
            line.home = dir;
        } else if (name == "--mailbox") {
            line.mailboxName = takeValue();
            if (!ValidMailboxName(line.mailboxName))
                throw CommandLineError("--mailbox wants a name without '/' of at most 200 bytes");
        } else if (name == "--mailbox-group") {
            line.mailboxGroup = takeValue();
            if (line.mailboxGroup.empty()) throw CommandLineError("--mailbox-group needs a group name");
        } else if (name == "--explain" || name == "--reprocess") {
            noValue();
            if (i + 2 >= args.size()) throw CommandLineError(name + " needs two values");
            if (line.action == AgentCommandLine::Action::Explain || line.action == AgentCommandLine::Action::Reprocess)
                throw CommandLineError("--explain and --reprocess go alone");
            const bool explain = name == "--explain";
            line.action = explain ? AgentCommandLine::Action::Explain : AgentCommandLine::Action::Reprocess;
            (explain ? line.staff : line.firstDate) = args[++i];
            (explain ? line.firstDate : line.lastDate) = args[++i];
        } else if (name == "--json") {
            noValue();
            line.json = true;
        } else if (name == "--dry-run") {
            noValue();
            line.dryRun = true;
        } else if (name == "--staff-sql") {
            line.staffSql = takeValue();
            if (Blank(line.staffSql)) throw CommandLineError("--staff-sql needs a select");
        } else if (name == "--source") {
            line.source = takeValue();
            if (line.source != "T" && line.source != "D") throw CommandLineError("--source wants T or D");
        } else if (name == "--server") {
            noValue();
            line.serverMode = true;
        } else if (name == "--headless") {
            noValue();
            line.headless = true;
        } else if (name == "--version") {
            noValue();
            if (line.action == AgentCommandLine::Action::Run) line.action = AgentCommandLine::Action::ShowVersion;
        } else if (name == "--help" || name == "-h") {
            noValue();
            line.action = AgentCommandLine::Action::ShowHelp;
        } else {
            throw CommandLineError("unknown option '" + args[i] + "'");
        }
    }
    const bool explain = line.action == AgentCommandLine::Action::Explain;
    const bool reprocess = line.action == AgentCommandLine::Action::Reprocess;
    if (line.json && !explain) throw CommandLineError("--json goes with --explain");
    if ((line.dryRun || !line.staffSql.empty() || !line.source.empty()) && !reprocess)
        throw CommandLineError("--staff-sql, --source and --dry-run go with --reprocess");
    if (explain || reprocess) {
        if (line.serverMode || line.headless || line.mailboxName != kDefaultMailboxName || !line.mailboxGroup.empty())
            throw CommandLineError("a one-shot run serves no mailbox: --server, --headless and --mailbox do not apply");
    }
    return line;
}

std::string AgentUsageText()
{
    return "Usage: kx-ata [--home DIR] [--server] [--headless] [--mailbox NAME] [--version] [--help]\n"
           "       kx-ata --explain STAFF DATE [--home DIR] [--json]\n"
           "       kx-ata --reprocess FIRST LAST [--staff-sql SQL] [--source T|D] [--dry-run] [--home DIR]\n"
           "\n"
           "The attendance agent: turns raw clock transactions into daily attendance records.\n"
           "\n"
           "  --home DIR      directory of Kairox.ini, the logs, the table-definition and\n"
           "                  international text files and a relative SQLite database\n"
           "                  (default: the directory of the executable)\n"
           "  --server        server mode: [Server] ATServer is forced on\n"
           "  --headless      no window: dialogs are answered automatically and logged,\n"
           "                  messages and progress go to standard output (chosen\n"
           "                  automatically when no display is available)\n"
           "  --mailbox NAME  name of the control mailbox block (default " +
           std::string(kDefaultMailboxName) +
           ")\n"
           "  --mailbox-group GROUP\n"
           "                  the block is made for this user and GROUP (mode 0660) instead\n"
           "                  of this user alone (0600), for a front end of another user\n"
           "  --version       print the version and exit\n"
           "  --help          print this help and exit\n"
           "\n"
           "One-shot runs (no mailbox, no lock: they run beside a running agent):\n"
           "  --explain STAFF DATE\n"
           "                  the story of one staff-day (yyyymmdd): how the day, the shift,\n"
           "                  the clockings and the minutes were found, and the row it would\n"
           "                  save beside the row stored now; writes nothing (--json: as JSON)\n"
           "  --reprocess FIRST LAST\n"
           "                  reprocesses the staff-days of the range like a range request;\n"
           "                  --staff-sql SQL picks the staff (a select over cards and kt_cdext,\n"
           "                  default every staff member), --source T|D the clock tables\n"
           "                  (default the data source of kt_sys), --dry-run writes nothing:\n"
           "                  a preview of what would change\n"
           "                  Exit status: 0 done, 1 database not opened, 2 bad arguments,\n"
           "                  3 staff-days failed or the day cannot be explained.\n"
           "\n"
           "SIGINT and SIGTERM close the agent in order. Exit status: 0 after an orderly close,\n"
           "1 when start-up failed (the database could not be opened, or the mailbox block is\n"
           "another user's or open to others), 2 on a wrong command line, 3 when another\n"
           "agent already serves the mailbox.\n";
}

std::string AgentVersionText() { return std::string("kx-ata ") + kAgentVersion + "\n"; }

}  // namespace kx
