#include "exchange.h"

#include <cerrno>
#include <cstdio>

#include "comms/agent_lock.h"
#include "reply_wait.h"

namespace kxctl {

int Fail(std::ostream& err, int status, const std::string& text) {
    err << "kx-ctl: " << text << '\n';
    return status;
}

std::chrono::milliseconds LockWait(WaitLimit limit) { return limit.value_or(std::chrono::milliseconds(-1)); }

int Exchange::Run(const CtlCommand& command, const std::string& request) {
    if (!command.request) return Look(command);
    const std::string& mailbox = options_.mailbox;
    kx::FileLock turn;
    // Nothing is left behind: the next run makes the file anew.
    struct TurnEnds {
        kx::FileLock& turn;
        ~TurnEnds() { turn.UnlockAndRemove(); }
    } turnEnds{turn};
    if (!turn.LockWithin(kx::CtlLockPath(mailbox), LockWait(ReplyLimit(options_)))) {
        if (turn.HeldElsewhere()) return Fail(kTimeout, "another kx-ctl is still using mailbox " + mailbox);
        return Fail(kError, turn.ErrorText());
    }
    // Writing to a mailbox nobody serves would leave the command for the next agent to start.
    if (command.needsAgent && !kx::AgentRunning(mailbox))
        return Fail(kNoAgent, "no kx-ata is serving mailbox " + mailbox);
    if (block_.Open(mailbox) != kx::SharedBlock::OpenResult::Mapped)
        return Fail(kError, "cannot open mailbox " + mailbox + ": " + block_.ErrorText());
    block_.SendMFThis(request);
    sent_ = std::chrono::steady_clock::now();
    return command.reply(*this);
}

int Exchange::Look(const CtlCommand& command) {
    const std::string& mailbox = options_.mailbox;
    if (block_.Open(mailbox, kx::SharedBlock::OpenMode::ExistingOnly) != kx::SharedBlock::OpenResult::Mapped) {
        if (block_.ErrorNumber() == ENOENT) return Fail(kNoAgent, "mailbox " + mailbox + " does not exist");
        return Fail(kError, "cannot open mailbox " + mailbox + ": " + block_.ErrorText());
    }
    return command.reply(*this);
}

std::string Exchange::Elapsed() const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f s",
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - sent_).count());
    return buf;
}

int Exchange::Await(WaitLimit limit, const std::function<bool(const std::string&)>& done, const std::string& expected,
                    std::string& text) {
    switch (WaitForReply(block_, options_.mailbox, limit, done, text)) {
    case WaitOutcome::Reply: return kOk;
    case WaitOutcome::Timeout:
        return Fail(kTimeout, "no " + expected + " from the agent on mailbox " + options_.mailbox + " within " +
                                  Elapsed() + "; the block holds \"" + ShownText(text) + "\"");
    case WaitOutcome::AgentGone: break;
    }
    return Fail(kNoAgent, "the agent on mailbox " + options_.mailbox + " closed before its " + expected);
}

}  // namespace kxctl
