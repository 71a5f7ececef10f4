#include "reply_wait.h"

#include <chrono>
#include <thread>

#include "comms/agent_lock.h"

namespace kxctl {

namespace {

constexpr std::chrono::milliseconds kPollInterval{5};
constexpr std::chrono::milliseconds kAgentCheckInterval{100};

}  // namespace

WaitOutcome WaitForReply(const kx::SharedBlock& block, const std::string& mailbox, WaitLimit limit,
                         const std::function<bool(const std::string&)>& done, std::string& text) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto nextAgentCheck = start + kAgentCheckInterval;
    for (;;) {
        text = block.ReadText();
        if (done(text)) return WaitOutcome::Reply;
        const auto now = Clock::now();
        if (now >= nextAgentCheck) {
            // The reply may have come just before the agent closed.
            if (!kx::AgentRunning(mailbox)) {
                text = block.ReadText();
                return done(text) ? WaitOutcome::Reply : WaitOutcome::AgentGone;
            }
            nextAgentCheck = now + kAgentCheckInterval;
        }
        if (limit && now - start >= *limit) return WaitOutcome::Timeout;
        std::this_thread::sleep_for(kPollInterval);
    }
}

std::string ShownText(const std::string& text) {
    std::string shown;
    for (const char c : text.substr(0, 60)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127) {
            shown += '^';
            shown += static_cast<char>(byte ^ 0x40);
        } else {
            shown += c;
        }
    }
    if (text.size() > 60) shown += "...";
    return shown;
}

}  // namespace kxctl
