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
    return line;
}

std::string AgentUsageText()
{
    return "Usage: kx-ata [--home DIR] [--server] [--headless] [--mailbox NAME] [--version] [--help]\n"
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
           "SIGINT and SIGTERM close the agent in order. Exit status: 0 after an orderly close,\n"
           "1 when start-up failed (the database could not be opened, or the mailbox block is\n"
           "another user's or open to others), 2 on a wrong command line, 3 when another\n"
           "agent already serves the mailbox.\n";
}

std::string AgentVersionText() { return std::string("kx-ata ") + kAgentVersion + "\n"; }

}  // namespace kx
