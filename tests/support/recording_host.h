#pragma once
// An AgentHost that records what the lower layers show and send, for tests of
// batches and staff-days. A test may hook ProcessEvents to act "during" a run.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/agent_host.h"

namespace kx::test {

class RecordingHost : public AgentHost {
public:
    void SetGradBar(int value) override { gradBar.push_back(value); }
    void MemoAdd(std::string_view text) override { memo.emplace_back(text); }
    void ProcessEvents() override {
        ++eventDispatches;
        if (onEvents) onEvents();
    }
    std::string ApplicationTitle() const override { return title; }
    void SetApplicationTitle(std::string t) override {
        titles.push_back(t);
        title = std::move(t);
    }
    void SendMFThis(std::string_view text) override { mailbox.emplace_back(text); }
    void ShowNormalIcon() override { ++normalIcons; }

    std::string title = "Brisk Attendance Agent";
    std::vector<int> gradBar;
    std::vector<std::string> memo;
    std::vector<std::string> titles;
    std::vector<std::string> mailbox;
    int eventDispatches = 0;
    int normalIcons = 0;
    std::function<void()> onEvents;
};

}  // namespace kx::test
