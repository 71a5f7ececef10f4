#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "comms/agent_lock.h"
#include "comms/shared_block.h"

namespace kx::test {

// A stand-in for a running kx-ata: holds the agent lock of a mailbox and, on its
// own thread, hands the block's text to a script every 2 ms.
class FakeAgent {
public:
    using Script = std::function<void(FakeAgent& agent, const std::string& text)>;

    FakeAgent(const std::string& mailbox, Script script) : script_(std::move(script)) {
        if (!lock_.Acquire(mailbox)) throw std::runtime_error(lock_.ErrorText());
        if (block_.Open(mailbox) != SharedBlock::OpenResult::Mapped) throw std::runtime_error(block_.ErrorText());
        thread_ = std::thread([this] { Run(); });
    }
    ~FakeAgent() { Close(); }
    FakeAgent(const FakeAgent&) = delete;
    FakeAgent& operator=(const FakeAgent&) = delete;

    void Close() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        lock_.Release();
    }

    // For the script, on the agent's thread.
    void Reply(const std::string& text) { block_.SendMFThis(text); }
    void Exit() { lock_.Release(); }
    std::chrono::milliseconds Since(std::chrono::steady_clock::time_point t) const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t);
    }

    // Every text the agent saw, each time it changed.
    std::vector<std::string> Seen() const {
        std::lock_guard lock(mutex_);
        return seen_;
    }

private:
    void Run() {
        std::string last;
        while (!stop_) {
            const std::string text = block_.ReadText();
            if (text != last) {
                std::lock_guard lock(mutex_);
                seen_.push_back(text);
                last = text;
            }
            script_(*this, text);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    Script script_;
    AgentLock lock_;
    SharedBlock block_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> seen_;
    std::thread thread_;
};

}  // namespace kx::test
