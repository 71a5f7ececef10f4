#include "shell/agent_command_line.h"

#include <tuple>

#include "comms/shared_block.h"
#include "shell/agent_identity.h"

namespace kx {
namespace {

constexpr const char* kSynopsis =
    "Usage: kx-ata [--home DIR] [--server] [--headless] [--mailbox NAME] [--mailbox-group GROUP] [--version] [--help]\n"
    "  or:  kx-ata --check [--home DIR] [--server]\n"
    "  or:  kx-ata --explain STAFF DATE [--home DIR] [--json]\n"
    "  or:  kx-ata --reprocess FIRST LAST [--staff-sql SQL] [--source T|D]\n"
    "                          [--dry-run] [--home DIR]\n";

// What the command line asks for beyond the fields of AgentCommandLine.
struct Parsed {
    std::string home;
    bool version = false;
    bool check = false;
    std::vector<std::string> explain;    // STAFF DATE
    std::vector<std::string> reprocess;  // FIRST LAST
};

std::unique_ptr<CLI::App> AgentApp(AgentCommandLine& line, Parsed& parsed) {
    auto app = ProgramApp("kx-ata", "The attendance agent: turns raw clock transactions into daily attendance records.",
                          kSynopsis, RepeatedOption::LastWins);

    app->add_option("--home", parsed.home,
                    "directory of Kairox.ini, the logs, the table-definition and international text files and a "
                    "relative SQLite database (default: the directory of the executable)")
        ->type_name("DIR")
        ->check(NotEmpty("a directory"));
    app->add_flag("--server", line.serverMode, "server mode: [Server] ATServer is forced on")->disable_flag_override();
    auto* headless = app->add_flag("--headless", line.headless,
                                   "no window: dialogs are answered automatically and logged, messages and "
                                   "progress go to standard output (chosen automatically when no display is "
                                   "available)")
                         ->disable_flag_override();
    auto* mailbox =
        app->add_option("--mailbox", line.mailboxName,
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
    app->add_flag(
           "--check", parsed.check,
           "reads Kairox.ini and the database as start-up does, changes nothing, and reports the settings "
           "that differ from their defaults, unknown keys, malformed values, the database, the controllers "
           "and the scheduled batches; serves no mailbox, so it runs beside a running agent (not with --headless "
           "or the mailbox options)")
        ->disable_flag_override()
        ->excludes(headless)
        ->excludes(mailbox)
        ->excludes(group);
    // One-shot runs: no mailbox, no lock, so they run beside a running agent.
    auto* explain = app->add_option("--explain", parsed.explain,
                                    "the story of one staff-day (DATE yyyymmdd): how the day, the shift, the "
                                    "clockings and the minutes were found, and the row it would save beside the "
                                    "row stored now; writes nothing")
                        ->type_name("STAFF DATE")
                        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                        ->expected(2);
    auto* reprocess = app->add_option("--reprocess", parsed.reprocess,
                                      "reprocesses the staff-days of the range (yyyymmdd) like a range request "
                                      "and prints what changed")
                          ->type_name("FIRST LAST")
                          ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                          ->expected(2);
    app->add_flag("--json", line.json, "with --explain: the same account as one JSON document")
        ->disable_flag_override()
        ->needs(explain);
    app->add_option("--staff-sql", line.staffSql,
                    "with --reprocess: a select over cards and kt_cdext picking the staff (default every staff "
                    "member); one that could write is refused")
        ->type_name("SQL")
        ->check(CLI::Validator(
            [](const std::string& sql) {
                return sql.find_first_not_of(" \t\r\n") == std::string::npos ? std::string("needs a select")
                                                                             : std::string();
            },
            ""))
        ->needs(reprocess);
    app->add_option("--source", line.source, "with --reprocess: the clock tables, T or D (default kt_sys's)")
        ->type_name("T|D")
        ->check(CLI::IsMember({"T", "D"}))
        ->needs(reprocess);
    app->add_flag("--dry-run", line.dryRun,
                  "with --reprocess: computes everything and writes nothing: a preview of what would change")
        ->disable_flag_override()
        ->needs(reprocess);
    for (CLI::Option* oneShot : {explain, reprocess})
        oneShot->excludes(headless)->excludes(mailbox)->excludes(group)->excludes("--server")->excludes("--check");
    explain->excludes(reprocess);
    app->add_flag("--version", parsed.version, "print the version and exit")->disable_flag_override();
    app->set_help_flag("--help,-h", "print this help and exit");
    app->footer(
        "SIGINT and SIGTERM close the agent in order. Under systemd (Type=notify) it reports READY=1 once the "
        "mailbox is served, STATUS= with what it is doing and, with WatchdogSec=, WATCHDOG=1.\n\n"
        "Exit status: 0 after an orderly close, 1 when start-up failed (the database could not be opened, or the "
        "mailbox block is another user's or open to others), 2 on a wrong command line, 3 when another agent "
        "already serves the mailbox. With --check: 0 nothing is wrong, 1 a warning was printed, 2 a wrong "
        "command line. With --explain and --reprocess: 0 done, 1 the database could not be opened or used, 2 bad "
        "arguments, 3 staff-days failed or the day cannot be explained.");
    return app;
}

}  // namespace

AgentCommandLine ParseAgentCommandLine(const std::vector<std::string>& args) {
    AgentCommandLine line;
    Parsed parsed;
    const auto app = AgentApp(line, parsed);
    if (!ParseArguments(*app, args)) {
        line.action = AgentCommandLine::Action::ShowHelp;
        return line;
    }
    line.home = parsed.home;
    for (const auto& [name, values, what] : {std::tuple{"--explain", &parsed.explain, "STAFF and DATE"},
                                             std::tuple{"--reprocess", &parsed.reprocess, "FIRST and LAST"}})
        if (app->count(name) > 0 && values->size() != 2)
            throw CLI::ValidationError(std::string(name) + " needs " + what + ", once");
    if (!app->remaining().empty()) throw CLI::ExtrasError(app->remaining());
    if (parsed.explain.size() == 2) {
        line.action = AgentCommandLine::Action::Explain;
        line.staff = parsed.explain[0];
        line.firstDate = parsed.explain[1];
    } else if (parsed.reprocess.size() == 2) {
        line.action = AgentCommandLine::Action::Reprocess;
        line.firstDate = parsed.reprocess[0];
        line.lastDate = parsed.reprocess[1];
    } else if (parsed.check)
        line.action = AgentCommandLine::Action::Check;
    else if (parsed.version)
        line.action = AgentCommandLine::Action::ShowVersion;
    return line;
}

std::string AgentUsageText() { return HelpText<AgentCommandLine, Parsed>(AgentApp); }

std::string AgentSynopsisText() { return kSynopsis; }

std::string AgentVersionText() { return std::string("kx-ata ") + kAgentVersion + "\n"; }

}  // namespace kx
