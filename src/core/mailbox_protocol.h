#pragma once
// The control mailbox as both ends speak it: the agent, which serves it, and
// its clients (kx-ctl, the benches and tests that play the front end). The
// block holds one text; a command is its first three characters, upper case,
// and the rest is its argument text. None of the agent's replies begins with a
// command, so a reply left in the block is never served again.
#include <unistd.h>

#include <cstddef>
#include <string>

namespace kx {

inline constexpr const char* kDefaultMailboxName = "KT3MapFile";
inline constexpr std::size_t kMailboxSize = 10000;  // bytes of the block, its text's NUL included

namespace mailbox {

inline constexpr std::size_t kCodeLength = 3;  // a shorter text carries no command

// Commands the front end writes.
inline constexpr const char* kEnd = "END";  // close the agent without asking; no reply
inline constexpr const char* kCmd = "CMD";  // + text to relay to the message server; reply kCrv
inline constexpr const char* kSgb = "SGB";  // + three digits for the progress bar; reply kCrv
inline constexpr const char* kWnm = "WNM";  // restore the agent's window; reply kCrv
inline constexpr const char* kOld = "OLD";  // one clocking, if any came; reply kDlo [+ on-line record]
inline constexpr const char* kRpo = "RPO";  // an old front end's request: logged, no reply
inline constexpr const char* kTrp = "TRP";  // + range request (RangeRequestText); reply kCrvTrp0, later kRfa
inline constexpr const char* kAck = "ACK";  // the front end has read the reply; reply: the empty text

// Replies the agent writes.
inline constexpr const char* kCrv = "CRV";          // done
inline constexpr const char* kDlo = "DLO";          // + the on-line record of a clocking, or alone: none waiting
inline constexpr const char* kCrvTrp0 = "CRVTRP0";  // range request taken; the run starts
inline constexpr const char* kStp = "STP";          // the operator pressed Stop (a range run then ends with kRfa)
inline constexpr const char* kRfa = "RFA";          // the range run has ended, however it ended

// The "TRP" text for a range: data-source letter, first and last date as
// yyyymmdd, the select that returns the staff rows.
inline std::string RangeRequestText(const std::string& source, const std::string& first, const std::string& last,
                                    const std::string& staffSql) {
    return kTrp + source + first + last + staffSql;
}

}  // namespace mailbox

// The lock files that the agent and kx-ctl take for a mailbox, each in a
// directory of its own user under /dev/shm.

// Held by the agent serving the mailbox: "/dev/shm/kx-ata.NAME.d/agent.lock".
inline std::string AgentLockDirectory(const std::string& mailboxName) {
    return "/dev/shm/kx-ata." + mailboxName + ".d";
}
inline std::string AgentLockPath(const std::string& mailboxName) {
    return AgentLockDirectory(mailboxName) + "/agent.lock";
}

// By which the runs of kx-ctl of one user take turns on a mailbox:
// "/dev/shm/kx-ctl.UID.d/NAME.lock", the directory shared by all the user's mailboxes.
inline std::string CtlLockDirectory() { return "/dev/shm/kx-ctl." + std::to_string(geteuid()) + ".d"; }
inline std::string CtlLockPath(const std::string& mailboxName) {
    return CtlLockDirectory() + "/" + mailboxName + ".lock";
}

}  // namespace kx
