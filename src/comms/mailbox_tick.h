#pragma once

namespace kx {

struct AgentContext;
class MailboxHost;
class SharedBlock;

// One tick of the mailbox timer (the shell's Timer1Timer): serves the command in
// the block and keeps FEP 1 connected. The caller disarms the timer before the
// tick and re-arms it when the tick returns true: not after "END", nor once the
// closing flag is set. An error inside the tick is logged and the timer is
// re-armed all the same, so the mailbox keeps being served; the block keeps what
// it held.
bool MailboxTick(AgentContext& ctx, SharedBlock& block, MailboxHost& host);

}  // namespace kx
