#include "shell/agent_command_line.h"

#include <memory>

#include "comms/shared_block.h"
#include "shell/agent_identity.h"

namespace kx {
namespace {

constexpr const char* kSynopsis =
    "Usage: kx-ata [--home DIR] [--server] [--headless] [--mailbox NAME] [--mailbox-group GROUP] [--version] [--help]\n"
    "  or:  kx-ata --check [--home DIR] [--server]\n";

// What the command line asks for beyond the fields of AgentCommandLine.
struct Parsed {
    std::string home;
    bool version = false;
    bool check = false;
};

std::unique_ptr<CLI::App> AgentApp(AgentCommandLine& line, Parsed& parsed)
{
    auto app = std::make_unique<CLI::App>(
        "The attendance agent: turns raw clock transactions into daily attendance records.", "kx-ata");
    UseSynopsis(*app, kSynopsis);
    app->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    app->add_option("--home", parsed.home,
                    "directory of Kairox.ini, the logs, the table-definition and international text files and a "
                    "relative SQLite database (default: the directory of the executable)")
        ->type_name("DIR")
        ->check(NotEmpty("a directory"));
    app->add_flag("--server", line.serverMode, "server mode: [Server] ATServer is forced on")
        ->disable_flag_override();
    auto* headless = app->add_flag("--headless", line.headless,
                                   "no window: dialogs are answered automatically and logged, messages and "
                                   "progress go to standard output (chosen automatically when no display is "
                                   "available)")
                         ->disable_flag_override();
    auto* mailbox = app->add_option("--mailbox", line.mailboxName,
                        std::string("name of the control mailbox block (default ") + kDefaultMailboxName + ")")
            ->type_name("NAME")
            ->check(CLI::Validator(
                [](const std::string& name) {
                    return ValidMailboxName(name) ? std::string()
                                                  : std::string("wants a name without '/' of at most 200 bytes");
                },
                ""));
    auto* group = app->add_option("--mailbox-group", line.mailboxGroup,
                                  "the block is made for this user and GROUP (mode 0660) instead of this user "
                                  "alone (0600), for a front end of another user")
                      ->type_name("GROUP")
                      ->check(NotEmpty("a group name"));
    app->add_flag("--check", parsed.check,
                  "reads Kairox.ini and the database as start-up does, changes nothing, and reports the settings "
                  "that differ from their defaults, unknown keys, malformed values, the database, the controllers "
                  "and the scheduled batches; serves no mailbox, so it runs beside a running agent (not with --headless "
                  "or the mailbox options)")
        ->disable_flag_override()
        ->excludes(headless)
        ->excludes(mailbox)
        ->excludes(group);
    app->add_flag("--version", parsed.version, "print the version and exit")->disable_flag_override();
    app->set_help_flag("--help,-h", "print this help and exit");
    app->footer(
        "SIGINT and SIGTERM close the agent in order. Under systemd (Type=notify) it reports READY=1 once the "
        "mailbox is served, STATUS= with what it is doing and, with WatchdogSec=, WATCHDOG=1.\n\n"
        "Exit status: 0 after an orderly close, 1 when start-up failed (the database could not be opened, or the "
        "mailbox block is another user's or open to others), 2 on a wrong command line, 3 when another agent "
        "already serves the mailbox. With --check: 0 nothing is wrong, 1 a warning was printed, 2 a wrong "
        "command line.");
    return app;
}

}  // namespace

AgentCommandLine ParseAgentCommandLine(const std::vector<std::string>& args)
{
    AgentCommandLine line;
    line.mailboxName = kDefaultMailboxName;
    Parsed parsed;
    const auto app = AgentApp(line, parsed);
    try {
        ParseArguments(*app, args);
    } catch (const CLI::CallForHelp&) {
        line.action = AgentCommandLine::Action::ShowHelp;
        return line;
    }
    line.home = parsed.home;
    if (parsed.check)
        line.action = AgentCommandLine::Action::Check;
    else if (parsed.version)
        line.action = AgentCommandLine::Action::ShowVersion;
    return line;
}

std::string AgentUsageText()
{
    AgentCommandLine line;
    Parsed parsed;
    return AgentApp(line, parsed)->help();
}

std::string AgentSynopsisText() { return kSynopsis; }

std::string AgentVersionText() { return std::string("kx-ata ") + kAgentVersion + "\n"; }

}  // namespace kx
