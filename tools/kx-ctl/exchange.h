#pragma once
#include <chrono>
#include <functional>
#include <ostream>
#include <string>

#include "comms/shared_block.h"
#include "ctl_commands.h"
#include "ctl_options.h"

namespace kxctl {

// Writes "kx-ctl: " + text to err; answers status.
int Fail(std::ostream& err, int status, const std::string& text);

// One run of a command on the mailbox: takes this user's turn on it, makes sure
// an agent serves it (when the command needs one), writes the request and
// leaves the reply to the command's rule. A command that only looks opens the
// block, which must exist, and goes to its rule at once.
class Exchange {
public:
    Exchange(const CtlOptions& options, std::ostream& out, std::ostream& err)
        : options_(options), out_(out), err_(err) {}

    int Run(const CtlCommand& command, const std::string& request);

    // For the reply rules.
    const CtlOptions& Options() const { return options_; }
    std::ostream& Out() { return out_; }
    kx::SharedBlock& Block() { return block_; }
    // The time since the request was written, as "1.234 s".
    std::string Elapsed() const;
    int Fail(int status, const std::string& text) { return kxctl::Fail(err_, status, text); }
    // kOk with the reply in text once done(text) holds, or the status of the failed
    // wait with its message written; expected names the reply in that message.
    int Await(WaitLimit limit, const std::function<bool(const std::string&)>& done, const std::string& expected,
              std::string& text);

private:
    int Look(const CtlCommand& command);

    const CtlOptions& options_;
    std::ostream& out_;
    std::ostream& err_;
    kx::SharedBlock block_;
    std::chrono::steady_clock::time_point sent_ = std::chrono::steady_clock::now();
};

// A limit to wait for a lock or for the agent to close: negative waits without limit.
std::chrono::milliseconds LockWait(WaitLimit limit);

}  // namespace kxctl
