#include "comms/mailbox_tick.h"

#include <charconv>
#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include "comms/mailbox_host.h"
#include "comms/shared_block.h"
#include "core/agent_context.h"
#include "core/mailbox_protocol.h"
#include "core/text.h"

namespace kx {

namespace {

// Decimal only, with an optional sign, as the classic string-to-integer
// conversion of the front end's numbers; anything else is an error.
int StrToInt(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+' && begin + 1 != end && begin[1] != '-') ++begin;
    int value = 0;
    const auto [stop, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || stop != end) throw std::invalid_argument("'" + text + "' is not a valid integer value");
    return value;
}

void ServeOLD(AgentContext& ctx, SharedBlock& block, MailboxHost& host) {
    // The range run owns the agent; the front end's "OLD" waits in the block for it.
    if (ctx.flags.rangeBusy) return;
    if (ctx.settings.server.Integrated.empty() || ctx.settings.options.EnforceClockMode) {
        std::string packet;
        if (host.TakePacket(packet)) {
            block.SendMFThis(mailbox::kDlo + host.FormatClockData(packet));
            return;
        }
    }
    block.SendMFThis(mailbox::kDlo);
}

void ServeTRP(AgentContext& ctx, SharedBlock& block, MailboxHost& host, const std::string& text) {
    ctx.log.WriteDetail(kDetailImportant, ">>>> Reprocessing Starts Here ...");
    ctx.log.WriteDetail(kDetailSteps, "Turbo RP received : " + text);
    host.MemoAdd("Turbo Process ... ");
    host.StoreTRPRequest(text);
    host.SetGradBar(0);
    host.MemoAdd(std::string("send: ") + mailbox::kCrvTrp0);
    block.SendMFThis(mailbox::kCrvTrp0);
    host.StartRangeTimer();
}

enum class Served { Carry, End };

Served ServeCommand(AgentContext& ctx, SharedBlock& block, MailboxHost& host, const std::string& text) {
    using namespace mailbox;
    const std::string_view code = std::string_view(text).substr(0, kCodeLength);
    if (code == kEnd) {
        ctx.flags.endReceived = true;
        host.CloseMainWindow();
        return Served::End;
    }
    if (code == kCmd) {
        block.SendMFThis(kCrv);
        host.SendThisMessage(text.substr(kCodeLength));
    } else if (code == kSgb) {
        host.SetGradBar(StrToInt(Mid(text, 4, 3)));
        block.SendMFThis(kCrv);
    } else if (code == kWnm) {
        host.RestoreMainWindow();
        block.SendMFThis(kCrv);
    } else if (code == kOld) {
        ServeOLD(ctx, block, host);
    } else if (code == kRpo) {
        ctx.log.WriteLog("RPO received, old version ?");
    } else if (code == kTrp) {
        ServeTRP(ctx, block, host, text);
    } else if (code == kAck) {
        block.SendMFThis("");
    }
    return Served::Carry;
}

// FEP 1 is the message server: while it is down, every tick in a second that is a
// multiple of ten tries to connect it again.
void KeepFep1Connected(AgentContext& ctx, MailboxHost& host) {
    const LocalTime now = ctx.clock.Now();
    const auto second = (now - std::chrono::floor<std::chrono::minutes>(now)).count();
    if (second % 10 != 0 || ctx.settings.server.IgnoreKTPServer || !host.Fep1Defined() || host.Fep1Connected()) return;
    host.StopFep1PollTask();
    for (int i = 0; i < 10; ++i) {
        host.ProcessEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    host.ConnectFep1();
}

}  // namespace

bool MailboxTick(AgentContext& ctx, SharedBlock& block, MailboxHost& host) {
    try {
        const std::string text = block.ReadText();
        if (block.TakeShrinkNotice())
            ctx.log.WriteLog("<Timer1Timer>: the mailbox block holds " + std::to_string(block.LastReadSize()) +
                             " of its " + std::to_string(SharedBlock::kSize) + " bytes; another program cut it");
        if (text.size() >= mailbox::kCodeLength && ServeCommand(ctx, block, host, text) == Served::End) return false;
        KeepFep1Connected(ctx, host);
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<Timer1Timer>:") + e.what());
    }
    return !ctx.flags.closing;
}

}  // namespace kx
