#include "ctl_options.h"

#include <cmath>
#include <cstdlib>
#include <memory>

#include "comms/shared_block.h"
#include "ctl_commands.h"

namespace kxctl {

namespace {

constexpr double kDefaultTimeoutSeconds = 10;
constexpr const char* kSynopsis = "Usage: kx-ctl [--mailbox NAME] [--timeout S] COMMAND [ARGUMENTS]\n";

std::optional<double> ParseSeconds(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 0 || value > 1e7) return std::nullopt;
    return value;
}

WaitLimit Limit(double seconds) {
    if (seconds == 0) return std::nullopt;
    return std::chrono::milliseconds(static_cast<long long>(std::ceil(seconds * 1000)));
}

std::unique_ptr<CLI::App> CtlApp(CtlOptions& options, std::string& timeout) {
    auto app = kx::ProgramApp("kx-ctl",
                              "Drives a running kx-ata through its control mailbox, the 10000-byte shared-memory "
                              "block /dev/shm/NAME: writes one command into the block and waits for the reply.",
                              kSynopsis, kx::RepeatedOption::LastWins);
    app->prefix_command();  // the command and its arguments are left over, as they are
    app->add_option("--mailbox", options.mailbox,
                    std::string("mailbox name (default ") + kx::kDefaultMailboxName + "), as given to kx-ata --mailbox")
        ->type_name("NAME")
        ->check(CLI::Validator(
            [](const std::string& name) {
                return kx::ValidMailboxName(name)
                           ? std::string()
                           : "invalid mailbox name \"" + name + "\" (1 to 200 characters, no \"/\")";
            },
            ""));
    app->add_option("--timeout", timeout,
                    "seconds to wait for each reply, and for another kx-ctl on the same mailbox to finish (default "
                    "10; 0 waits without limit); trp waits for its \"RFA\" without limit unless --timeout is given")
        ->type_name("S")
        ->check(CLI::Validator(
            [](const std::string& text) {
                return ParseSeconds(text) ? std::string() : "--timeout wants a number of seconds, not \"" + text + "\"";
            },
            ""));
    app->set_help_flag("--help,-h", "this text");
    app->footer("Commands:\n" + CommandsHelp() + R"(
Runs of kx-ctl of one user on one mailbox take turns (lock file
/dev/shm/kx-ctl.UID.d/NAME.lock, removed after each run). A command that timed
out stays in the block and the agent may still serve it later.

Exit status: 0 ok, 1 error, 2 usage, 3 timeout, 4 no agent serves the mailbox.)");
    return app;
}

}  // namespace

CtlOptions ParseCtlOptions(const std::vector<std::string>& args) {
    CtlOptions options;
    std::string timeout;
    const auto app = CtlApp(options, timeout);
    if (!kx::ParseArguments(*app, args)) {
        options.help = true;
        return options;
    }
    if (!timeout.empty()) options.timeoutSeconds = ParseSeconds(timeout);
    std::vector<std::string> rest = app->remaining();
    if (rest.empty()) throw CLI::ValidationError("no command given");
    options.command = rest.front();
    if (options.command.starts_with("-")) throw CLI::ValidationError("unknown option " + options.command);
    const CtlCommand* command = FindCtlCommand(options.command);
    if (!command) throw CLI::ValidationError("unknown command \"" + options.command + "\"");
    options.arguments.assign(rest.begin() + 1, rest.end());
    if (options.arguments.size() != command->Arity())
        throw CLI::ValidationError(options.command + " takes " + std::to_string(command->Arity()) + " argument(s), " +
                                   std::to_string(options.arguments.size()) + " given");
    return options;
}

WaitLimit ReplyLimit(const CtlOptions& options) {
    return Limit(options.timeoutSeconds.value_or(kDefaultTimeoutSeconds));
}

WaitLimit FinalReplyLimit(const CtlOptions& options) { return Limit(options.timeoutSeconds.value_or(0)); }

std::string UsageText() { return kx::HelpText<CtlOptions, std::string>(CtlApp); }

std::string SynopsisText() { return kSynopsis; }

}  // namespace kxctl
