#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/mailbox_protocol.h"

namespace kx {

// kx-ata [--home DIR] [--server] [--headless] [--mailbox NAME] [--mailbox-group GROUP] [--version] [--help]
// kx-ata --check [--home DIR]
// kx-ata --explain STAFF DATE [--home DIR] [--json]
// kx-ata --reprocess FIRST LAST [--staff-sql SQL] [--source T|D] [--dry-run] [--home DIR]
struct AgentCommandLine {
    enum class Action { Run, ShowVersion, ShowHelp, Check, Explain, Reprocess };

    Action action = Action::Run;
    std::filesystem::path home;  // empty: the directory of the executable
    bool serverMode = false;
    bool headless = false;
    std::string mailboxName = kDefaultMailboxName;
    std::string mailboxGroup;  // a group that may use the block too; empty: this user only

    // --explain: the staff-day; --reprocess: the range (dates as given, checked by the run).
    std::string staff;
    std::string firstDate;
    std::string lastDate;
    bool json = false;
    std::string staffSql;
    std::string source;
    bool dryRun = false;
};

// Arguments without the program name. "--opt VALUE" and "--opt=VALUE" are both
// accepted; an option given twice takes its last value. --help wins over every
// other action. Throws CLI::ParseError on an unknown option, a missing or
// malformed value or options that exclude each other.
AgentCommandLine ParseAgentCommandLine(const std::vector<std::string>& args);
std::string AgentUsageText();     // the whole --help text
std::string AgentSynopsisText();  // its "Usage:" lines
std::string AgentVersionText();

}  // namespace kx
