#include "shell/kx_ata_program.h"

#include <QApplication>

#include <grp.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "comms/agent_lock.h"
#include "shell/agent.h"
#include "shell/agent_command_line.h"
#include "shell/console_mirror.h"
#include "shell/explain_day.h"
#include "shell/headless_mode.h"
#include "shell/reprocess_command.h"
#include "shell/settings_check.h"
#include "shell/termination_signals.h"

namespace kx {
namespace {

std::filesystem::path ExecutableDirectory(const char* argv0) {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return exe.parent_path();
    return std::filesystem::absolute(argv0 ? argv0 : ".", ec).parent_path();
}

std::filesystem::path HomeDirectory(const AgentCommandLine& line, const char* argv0) {
    if (line.home.empty()) return ExecutableDirectory(argv0);
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(line.home, ec);
    return ec ? line.home : absolute;
}

// --explain and --reprocess: no mailbox, no lock, no window.
int RunOneShot(const AgentCommandLine& line, const std::filesystem::path& home) {
    OneShotAgent agent(home);
    if (line.action == AgentCommandLine::Action::Explain)
        return RunExplainDay(agent, line.staff, line.firstDate, line.json, std::cout, std::cerr);
    ReprocessRequest request;
    request.first = line.firstDate;
    request.last = line.lastDate;
    request.staffSql = line.staffSql;
    request.source = line.source;
    request.dryRun = line.dryRun;
    return RunReprocessCommand(agent, request, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}

}  // namespace

int RunKxAta(int argc, char** argv) {
    AgentCommandLine line;
    try {
        line = ParseAgentCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const CLI::ParseError& e) {
        return ReportUsageError("kx-ata", AgentSynopsisText(), e, std::cerr);
    }
    if (line.action == AgentCommandLine::Action::ShowHelp) {
        std::cout << AgentUsageText();
        return kExitClosed;
    }
    if (line.action == AgentCommandLine::Action::ShowVersion) {
        std::cout << AgentVersionText();
        return kExitClosed;
    }

    const std::filesystem::path home = HomeDirectory(line, argc > 0 ? argv[0] : nullptr);
    if (!std::filesystem::is_directory(home)) {
        std::cerr << "kx-ata: the home directory " << home << " does not exist\n";
        return kExitUsage;
    }
    if (line.action == AgentCommandLine::Action::Check) return RunSettingsCheck(home, line.serverMode, std::cout);

    if (line.action == AgentCommandLine::Action::Explain || line.action == AgentCommandLine::Action::Reprocess)
        return RunOneShot(line, home);

    std::optional<unsigned> mailboxGroup;
    if (!line.mailboxGroup.empty()) {
        const group* found = getgrnam(line.mailboxGroup.c_str());
        if (!found) {
            std::cerr << "kx-ata: no group named '" << line.mailboxGroup << "'\n";
            return kExitUsage;
        }
        mailboxGroup = found->gr_gid;
    }

    AgentLock lock;
    if (!lock.Acquire(line.mailboxName)) {
        std::cerr << "kx-ata: " << lock.ErrorText() << "\n";
        return lock.HeldByAnotherAgent() ? kExitMailboxBusy : kExitStartupFailed;
    }

    const bool headless = ChooseHeadless(line.headless);
    if (headless) UseOffscreenPlatform();
    BlockTerminationSignals();

    int status = kExitClosed;
    {
        QApplication app(argc, argv);
        std::optional<ConsoleMirror> mirror;
        if (headless) mirror.emplace(ConsoleMirror::ForStandardOutput());

        AgentOptions options;
        options.home = home;
        options.serverMode = line.serverMode;
        options.headless = headless;
        options.mailboxName = line.mailboxName;
        options.mailboxGroup = mailboxGroup;
        options.mirror = mirror ? &*mirror : nullptr;
        Agent agent(std::move(options));

        TerminationSignals terminationSignals([&agent](int) { agent.CloseLikeEnd(); });
        if (agent.FormCreate()) {
            agent.CreateControllerConnections();
            status = app.exec();
        } else {
            agent.EndAfterAbortedStart();
            status = kExitStartupFailed;
        }
    }
    lock.Release();  // after the final log line: kx-ctl waits for it
    return status;
}

}  // namespace kx
