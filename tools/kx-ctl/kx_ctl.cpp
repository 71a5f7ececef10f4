#include "kx_ctl.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "comms/agent_lock.h"
#include "comms/shared_block.h"
#include "ctl_options.h"
#include "mailbox_command.h"
#include "reply_wait.h"

namespace kxctl {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kRawWait{200};

int Fail(std::ostream& err, int status, const std::string& text)
{
    err << "kx-ctl: " << text << '\n';
    return status;
}

std::string Seconds(SteadyClock::duration elapsed)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f s", std::chrono::duration<double>(elapsed).count());
    return buf;
}

std::chrono::milliseconds LockWait(WaitLimit limit) { return limit.value_or(std::chrono::milliseconds(-1)); }

class Session {
public:
    Session(const CtlOptions& options, std::ostream& out, std::ostream& err) : options_(options), out_(out), err_(err) {}

    int Run(const std::string& commandText);

private:
    int RunTrp(const std::string& text);
    int RunOld();
    int RunCrv(const std::string& text);
    int RunAck();
    int RunEnd();
    int RunRaw(const std::string& text);

    void Send(const std::string& text)
    {
        block_.SendMFThis(text);
        sent_ = SteadyClock::now();
    }
    // kOk with the reply in text, or the status of the failed wait with its message written.
    int Await(WaitLimit limit, const std::function<bool(const std::string&)>& done, const char* expected,
              std::string& text);

    const CtlOptions& options_;
    std::ostream& out_;
    std::ostream& err_;
    kx::SharedBlock block_;
    SteadyClock::time_point sent_;
};

int Session::Run(const std::string& commandText)
{
    const std::string& command = options_.command;
    const std::string& mailbox = options_.mailbox;
    kx::FileLock turn;
    // Nothing is left behind: the next run makes the file anew.
    struct TurnEnds {
        kx::FileLock& turn;
        ~TurnEnds() { turn.UnlockAndRemove(); }
    } turnEnds{turn};
    if (!turn.LockWithin(kx::CtlLockPath(mailbox), LockWait(ReplyLimit(options_)))) {
        if (turn.HeldElsewhere()) return Fail(err_, kTimeout, "another kx-ctl is still using mailbox " + mailbox);
        return Fail(err_, kError, turn.ErrorText());
    }
    // Writing to a mailbox nobody serves would leave the command for the next agent to start.
    if (command != "raw" && !kx::AgentRunning(mailbox))
        return Fail(err_, kNoAgent, "no kx-ata is serving mailbox " + mailbox);
    if (block_.Open(mailbox) != kx::SharedBlock::OpenResult::Mapped)
        return Fail(err_, kError, "cannot open mailbox " + mailbox + ": " + block_.ErrorText());

    if (command == "trp") return RunTrp(commandText);
    if (command == "old") return RunOld();
    if (command == "ack") return RunAck();
    if (command == "end") return RunEnd();
    if (command == "raw") return RunRaw(commandText);
    return RunCrv(commandText);  // cmd, sgb, wnm
}

int Session::Await(WaitLimit limit, const std::function<bool(const std::string&)>& done, const char* expected,
                   std::string& text)
{
    switch (WaitForReply(block_, options_.mailbox, limit, done, text)) {
    case WaitOutcome::Reply:
        return kOk;
    case WaitOutcome::Timeout:
        return Fail(err_, kTimeout,
                    std::string("no ") + expected + " from the agent on mailbox " + options_.mailbox + " within " +
                        Seconds(SteadyClock::now() - sent_) + "; the block holds \"" + ShownText(text) + "\"");
    case WaitOutcome::AgentGone:
        break;
    }
    return Fail(err_, kNoAgent, std::string("the agent on mailbox ") + options_.mailbox + " closed before its " + expected);
}

int Session::RunTrp(const std::string& text)
{
    Send(text);
    std::string reply;
    // A short run can answer "RFA" before the acceptance was ever seen.
    int status = Await(ReplyLimit(options_), [](const std::string& t) { return t == "CRVTRP0" || t == "RFA"; },
                       "\"CRVTRP0\"", reply);
    if (status != kOk) return status;
    if (reply == "CRVTRP0") {
        out_ << "CRVTRP0 after " << Seconds(SteadyClock::now() - sent_) << std::endl;
        bool stopShown = false;
        status = Await(FinalReplyLimit(options_),
                       [&](const std::string& t) {
                           if (t == "STP" && !stopShown) {
                               out_ << "STP after " << Seconds(SteadyClock::now() - sent_) << std::endl;
                               stopShown = true;
                           }
                           return t == "RFA";
                       },
                       "\"RFA\"", reply);
        if (status != kOk) return status;
    }
    out_ << "RFA after " << Seconds(SteadyClock::now() - sent_) << std::endl;
    return kOk;
}

int Session::RunOld()
{
    Send("OLD");
    std::string reply;
    const int status = Await(ReplyLimit(options_), [](const std::string& t) { return t.rfind("DLO", 0) == 0; },
                             "\"DLO\"", reply);
    if (status == kOk && reply.size() > 3) out_ << reply.substr(3) << '\n';
    return status;
}

int Session::RunCrv(const std::string& text)
{
    Send(text);
    std::string reply;
    const int status = Await(ReplyLimit(options_), [](const std::string& t) { return t == "CRV"; }, "\"CRV\"", reply);
    if (status == kOk) out_ << reply << '\n';
    return status;
}

int Session::RunAck()
{
    Send("ACK");
    std::string reply;
    return Await(ReplyLimit(options_), [](const std::string& t) { return t.empty(); }, "empty reply", reply);
}

int Session::RunEnd()
{
    Send("END");
    const WaitLimit limit = ReplyLimit(options_);
    if (!kx::WaitUntilAgentClosed(options_.mailbox, LockWait(limit)))
        return Fail(err_, kTimeout,
                    "the agent on mailbox " + options_.mailbox + " is still running after " +
                        Seconds(SteadyClock::now() - sent_) + "; the block holds \"" + ShownText(block_.ReadText()) +
                        "\"");
    // The agent never answers "END"; left in the block it would close the next
    // agent that opens this mailbox at its first tick.
    if (block_.ReadText() == "END") block_.SendMFThis("");
    out_ << "closed after " << Seconds(SteadyClock::now() - sent_) << '\n';
    return kOk;
}

int Session::RunRaw(const std::string& text)
{
    Send(text);
    std::this_thread::sleep_for(kRawWait);
    out_ << block_.ReadText() << '\n';
    return kOk;
}

int Peek(const CtlOptions& options, std::ostream& out, std::ostream& err)
{
    kx::SharedBlock block;
    if (block.Open(options.mailbox, kx::SharedBlock::OpenMode::ExistingOnly) != kx::SharedBlock::OpenResult::Mapped) {
        if (block.ErrorNumber() == ENOENT) return Fail(err, kNoAgent, "mailbox " + options.mailbox + " does not exist");
        return Fail(err, kError, "cannot open mailbox " + options.mailbox + ": " + block.ErrorText());
    }
    out << block.ReadText() << '\n';
    return kOk;
}

}  // namespace

int RunKxCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    try {
        const CtlOptions options = ParseCtlOptions(args);
        if (options.help) {
            out << UsageText();
            return kOk;
        }
        if (options.command == "peek") return Peek(options, out, err);
        const std::string text = MailboxCommandText(options);
        return Session(options, out, err).Run(text);
    } catch (const CLI::ParseError& e) {
        return kx::ReportUsageError("kx-ctl", SynopsisText(), e, err);
    } catch (const std::exception& e) {
        return Fail(err, kError, e.what());
    }
}

}  // namespace kxctl
